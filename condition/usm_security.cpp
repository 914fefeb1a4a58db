#include "condition/usm_security.h"

#include <chrono>
#include <utility>

#include "snmp/usm_engines.h"
#include "snmp/usm_session.h"
#include "snmp/v3_message.h"

namespace condition {
namespace {

usm::User UserOf(const UsmCredentials& c) {
    usm::User user;
    user.name = c.user;
    user.level = c.level;
    user.credentials = {c.auth, c.authPassword, c.priv, c.privPassword};
    user.contextName = c.contextName;
    return user;
}

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace

struct UsmSecurity::Session {
    explicit Session(usm::User user) : usm(std::move(user)) {}
    usm::Session usm;
};

UsmSecurity::UsmSecurity(const UsmCredentials& credentials, std::string agent)
    : session_(std::make_unique<Session>(UserOf(credentials))),
      agent_(std::move(agent)),
      problem_(usm::CheckUser(UserOf(credentials))) {
    usm::EngineState engine;
    if (problem_.empty() && usm::EngineCache::Shared().Find(agent_, &engine) &&
        !session_->usm.Resume(engine)) {
        session_->usm.Forget();  // discovery then says what is wrong with the keys
    }
}

UsmSecurity::~UsmSecurity() = default;

const std::string& UsmSecurity::error() const {
    return session_->usm.error();
}

std::string UsmSecurity::SilenceText() const {
    return session_->usm.SilenceText();
}

bool UsmSecurity::Wrap(const ber::Message& pdu, std::int32_t msgId,
                       std::vector<std::uint8_t>& out) {
    out.clear();
    if (!session_->usm.discovered()) {
        return session_->usm.BuildDiscovery(msgId, pdu.requestId, out);
    }
    return session_->usm.BuildRequest(pdu, msgId, NowMs(), out);
}

UsmSecurity::Result UsmSecurity::Unwrap(const std::uint8_t* data, std::size_t size,
                                        std::int32_t msgId, ber::Message& pdu) {
    switch (session_->usm.Receive(data, size, msgId, NowMs(), pdu)) {
        case usm::Outcome::Answer:
            // The agent took the engine as we know it: the next reading starts from there.
            usm::EngineCache::Shared().Store(agent_, session_->usm.Engine());
            return Result::Answer;
        case usm::Outcome::SendAgain:
            return Result::SendAgain;
        case usm::Outcome::Failed:
            // The next reading finds the engine afresh rather than trusting what led here.
            usm::EngineCache::Shared().Drop(agent_);
            return Result::Failed;
        case usm::Outcome::Ignored:
            break;
    }
    return Result::Ignored;
}

bool UsmBuilt() {
    return true;
}

bool IsSnmpV3(const std::uint8_t* data, std::size_t size) {
    return v3::IsVersion3(data, size);
}

bool PeekMessageId(const std::uint8_t* data, std::size_t size, std::int32_t* msgId) {
    return v3::PeekMessageId(data, size, msgId);
}

}  // namespace condition
