#include "condition/usm_security.h"

#include <chrono>
#include <utility>

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

UsmSecurity::UsmSecurity(const UsmCredentials& credentials)
    : session_(std::make_unique<Session>(UserOf(credentials))),
      problem_(usm::CheckUser(UserOf(credentials))) {}

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
            return Result::Answer;
        case usm::Outcome::SendAgain:
            return Result::SendAgain;
        case usm::Outcome::Failed:
            return Result::Failed;
        case usm::Outcome::Ignored:
            break;
    }
    return Result::Ignored;
}

bool IsSnmpV3(const std::uint8_t* data, std::size_t size) {
    return v3::IsVersion3(data, size);
}

bool PeekMessageId(const std::uint8_t* data, std::size_t size, std::int32_t* msgId) {
    if (!v3::IsVersion3(data, size)) {
        return false;
    }
    v3::Message message;
    v3::AuthField field;
    if (v3::Decode(data, size, message, &field) != ber::Error::None) {
        return false;
    }
    *msgId = message.msgId;
    return true;
}

}  // namespace condition
