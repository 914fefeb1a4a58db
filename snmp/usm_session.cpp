#include "snmp/usm_session.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

#include "snmp/asn_types.h"
#include "snmp/usm_auth.h"
#include "snmp/usm_priv.h"

namespace usm {
namespace {

// The counters agents report (SNMP-USER-BASED-SM-MIB, SNMP-MPD-MIB, SNMP-TARGET-MIB's
// context counters), instance .0 included, and what each means.
struct ReportRow {
    std::vector<std::uint32_t> oid;
    Report report;
    const char* text;
};

const ReportRow REPORTS[] = {
    {{1, 3, 6, 1, 6, 3, 15, 1, 1, 1, 0},
     Report::UnsupportedSecLevel,
     "security level not supported by the agent"},
    {{1, 3, 6, 1, 6, 3, 15, 1, 1, 2, 0},
     Report::NotInTimeWindow,
     "not in time window (the agent's clock did not match twice)"},
    {{1, 3, 6, 1, 6, 3, 15, 1, 1, 3, 0}, Report::UnknownUserName, "unknown user"},
    {{1, 3, 6, 1, 6, 3, 15, 1, 1, 4, 0},
     Report::UnknownEngineId,
     "unknown engine ID (the agent refused its own engine ID twice)"},
    {{1, 3, 6, 1, 6, 3, 15, 1, 1, 5, 0},
     Report::WrongDigest,
     "authentication failed (wrong password or protocol)"},
    {{1, 3, 6, 1, 6, 3, 15, 1, 1, 6, 0},
     Report::DecryptionError,
     "decryption failed (wrong privacy password or protocol)"},
    {{1, 3, 6, 1, 6, 3, 11, 2, 1, 1, 0},
     Report::UnknownSecurityModel,
     "the agent does not support the User-based Security Model"},
    {{1, 3, 6, 1, 6, 3, 11, 2, 1, 2, 0},
     Report::InvalidMessage,
     "the agent found the message invalid"},
    {{1, 3, 6, 1, 6, 3, 11, 2, 1, 3, 0},
     Report::UnknownPduHandler,
     "the agent cannot handle this request"},
    {{1, 3, 6, 1, 6, 3, 12, 1, 4, 0}, Report::UnavailableContext, "context unavailable"},
    {{1, 3, 6, 1, 6, 3, 12, 1, 5, 0}, Report::UnknownContext, "unknown context"},
};

std::string OidText(const std::vector<std::uint32_t>& oid) {
    std::string text;
    for (const std::uint32_t arc : oid) {
        text += "." + std::to_string(arc);
    }
    return text;
}

}  // namespace

std::uint8_t LevelFlags(SecurityLevel level) {
    switch (level) {
        case SecurityLevel::NoAuthNoPriv:
            return 0;
        case SecurityLevel::AuthNoPriv:
            return v3::FLAG_AUTH;
        case SecurityLevel::AuthPriv:
            return v3::FLAG_AUTH | v3::FLAG_PRIV;
    }
    return 0;
}

SecurityLevel LevelOfFlags(std::uint8_t flags) {
    if ((flags & v3::FLAG_PRIV) != 0) {
        return SecurityLevel::AuthPriv;
    }
    return (flags & v3::FLAG_AUTH) != 0 ? SecurityLevel::AuthNoPriv : SecurityLevel::NoAuthNoPriv;
}

std::string CheckUser(const User& user) {
    if (user.name.empty()) {
        return "no user name";
    }
    if (user.name.size() > v3::MAX_USER_NAME_BYTES) {
        return "the user name is longer than 32 bytes";
    }
    if (user.contextName.size() > v3::MAX_CONTEXT_NAME_BYTES) {
        return "the context name is longer than 255 bytes";
    }
    if (user.contextEngineId.size() > v3::MAX_ENGINE_ID_BYTES) {
        return "the context engine ID is longer than 32 bytes";
    }
    const Credentials& c = user.credentials;
    if (user.level != SecurityLevel::NoAuthNoPriv) {
        if (c.auth == AuthProtocol::None) {
            return std::string(Name(user.level)) + " needs an authentication protocol";
        }
        if (c.authPassword.empty()) {
            return std::string(Name(user.level)) + " needs an authentication password";
        }
    }
    if (user.level == SecurityLevel::AuthPriv) {
        if (c.priv == PrivProtocol::None) {
            return "authPriv needs a privacy protocol";
        }
        if (c.privPassword.empty()) {
            return "authPriv needs a privacy password";
        }
    }
    return "";
}

Report ReportOf(const ber::Message& pdu) {
    if (pdu.varbinds.empty()) {
        return Report::Other;
    }
    const auto& name = pdu.varbinds.front().name;
    const auto* row = std::find_if(std::begin(REPORTS), std::end(REPORTS),
                                   [&](const ReportRow& r) { return r.oid == name; });
    return row != std::end(REPORTS) ? row->report : Report::Other;
}

const char* ReportText(Report report) {
    const auto* row = std::find_if(std::begin(REPORTS), std::end(REPORTS),
                                   [&](const ReportRow& r) { return r.report == report; });
    return row != std::end(REPORTS) ? row->text : "the agent refused the request";
}

std::vector<std::uint32_t> ReportOid(Report report) {
    const auto* row = std::find_if(std::begin(REPORTS), std::end(REPORTS),
                                   [&](const ReportRow& r) { return r.report == report; });
    return row != std::end(REPORTS) ? row->oid : std::vector<std::uint32_t>{};
}

Session::Session(User user, KeyCache& cache)
    : user_(std::move(user)), cache_(cache), salt_(RandomSalt()) {}

std::int32_t Session::EngineTime(std::uint64_t nowMs) const {
    const std::uint64_t elapsed = nowMs >= learntAtMs_ ? (nowMs - learntAtMs_) / 1000 : 0;
    const std::uint64_t time = static_cast<std::uint64_t>(timeLearnt_) + elapsed;
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(time, std::numeric_limits<std::int32_t>::max()));
}

void Session::Forget() {
    discovered_ = false;
    engineId_.clear();
    keys_ = LocalizedKeys{};
    boots_ = 0;
    timeLearnt_ = 0;
    latestReceivedTime_ = 0;
}

std::string Session::SilenceText() const {
    if (!discovered_) {
        return "no answer to SNMPv3 engine discovery";
    }
    if (user_.level == SecurityLevel::AuthPriv) {
        // net-snmp's agent, for one, drops a request it cannot decrypt without a report.
        return "no answer (a wrong privacy password or protocol looks like this to some agents)";
    }
    return "no answer";
}

Outcome Session::Fail(const std::string& text) {
    error_ = text;
    return Outcome::Failed;
}

bool Session::BuildDiscovery(std::int32_t msgId, std::int32_t requestId, Bytes& out) {
    v3::Message message;
    message.msgId = msgId;
    message.flags = v3::FLAG_REPORTABLE;
    message.scoped.pdu.pduType = SNMP_PDU_GET;
    message.scoped.pdu.requestId = requestId;
    requestFlags_ = 0;
    v3::AuthField field;
    const ber::Error error = v3::Encode(message, out, &field);
    if (error != ber::Error::None) {
        error_ = std::string("discovery request: ") + ber::ErrorName(error);
        return false;
    }
    return true;
}

bool Session::BuildRequest(const ber::Message& pdu, std::int32_t msgId, std::uint64_t nowMs,
                           Bytes& out) {
    const std::string problem = CheckUser(user_);
    if (!problem.empty()) {
        error_ = problem;
        return false;
    }
    if (!discovered_) {
        error_ = "the agent's engine is not known yet";
        return false;
    }
    if (!repeat_) {
        resyncs_ = 0;
        relearns_ = 0;
    }
    repeat_ = false;
    v3::Message message;
    message.msgId = msgId;
    message.flags = static_cast<std::uint8_t>(LevelFlags(user_.level) | v3::FLAG_REPORTABLE);
    message.scoped.contextEngineId =
        user_.contextEngineId.empty() ? engineId_ : user_.contextEngineId;
    message.scoped.contextName = user_.contextName;
    message.scoped.pdu = pdu;
    v3::SecurityParameters& security = message.security;
    security.engineId = engineId_;
    security.userName = user_.name;
    const bool auth = user_.level != SecurityLevel::NoAuthNoPriv;
    if (auth) {
        security.engineBoots = boots_;
        security.engineTime = EngineTime(nowMs);
        security.authParams.assign(Traits(user_.credentials.auth)->macBytes, 0);
    }
    if (user_.level == SecurityLevel::AuthPriv) {
        Bytes plain;
        const ber::Error error = v3::EncodeScopedPdu(message.scoped, plain);
        if (error != ber::Error::None) {
            error_ = std::string("request: ") + ber::ErrorName(error);
            return false;
        }
        if (!Encrypt(user_.credentials.priv, keys_.priv,
                     static_cast<std::uint32_t>(security.engineBoots),
                     static_cast<std::uint32_t>(security.engineTime), salt_++, plain,
                     message.encryptedPdu, security.privParams, &error_)) {
            return false;
        }
    }
    const std::size_t start = out.size();
    v3::AuthField field;
    const ber::Error error = v3::Encode(message, out, &field);
    if (error != ber::Error::None) {
        error_ = std::string("request: ") + ber::ErrorName(error);
        return false;
    }
    if (auth && !SignMessage(user_.credentials.auth, keys_.auth,
                             std::span<std::uint8_t>(out.data() + start, out.size() - start),
                             field.offset - start)) {
        out.resize(start);
        error_ = "signing the request failed in OpenSSL";
        return false;
    }
    requestFlags_ = LevelFlags(user_.level);
    return true;
}

EngineState Session::Engine() const {
    return {engineId_, boots_, timeLearnt_, learntAtMs_, latestReceivedTime_};
}

bool Session::Resume(const EngineState& engine) {
    if (engine.id.empty()) {
        error_ = "no engine ID to resume with";
        return false;
    }
    return Adopt(engine);
}

bool Session::Adopt(const EngineState& engine) {
    const bool sameEngine = discovered_ && engine.id == engineId_;
    if (!sameEngine && user_.level != SecurityLevel::NoAuthNoPriv) {
        LocalizedKeys keys;
        if (!cache_.Keys(engine.id, user_.name, user_.credentials, &keys, &error_)) {
            return false;
        }
        keys_ = std::move(keys);
    }
    engineId_ = engine.id;
    boots_ = engine.boots;
    timeLearnt_ = engine.timeLearnt;
    latestReceivedTime_ = engine.latestReceivedTime;
    learntAtMs_ = engine.learntAtMs;
    discovered_ = true;
    return true;
}

Outcome Session::Learn(const v3::SecurityParameters& security, std::uint64_t nowMs) {
    if (security.engineId.empty()) {
        return Fail("the agent's discovery report carries no engine ID");
    }
    if (!Adopt({security.engineId, security.engineBoots, security.engineTime, nowMs,
                security.engineTime})) {
        return Outcome::Failed;
    }
    return Outcome::SendAgain;
}

bool Session::InTimeWindow(const v3::SecurityParameters& security, std::uint64_t nowMs) {
    // RFC 3414 3.2 step 7b, as the non-authoritative side: a later boots or time moves our
    // notion of the agent's clock forward; a message from before the window is refused.
    if (security.engineBoots > boots_ ||
        (security.engineBoots == boots_ && security.engineTime > latestReceivedTime_)) {
        boots_ = security.engineBoots;
        timeLearnt_ = security.engineTime;
        latestReceivedTime_ = security.engineTime;
        learntAtMs_ = nowMs;
    }
    return boots_ != MAX_ENGINE_BOOTS && security.engineBoots >= boots_ &&
           !(security.engineBoots == boots_ &&
             security.engineTime < EngineTime(nowMs) - TIME_WINDOW_SECONDS);
}

Outcome Session::OnReport(const v3::Message& message, bool authenticated, std::uint64_t nowMs) {
    const Report report = ReportOf(message.scoped.pdu);
    lastReport_ = report;
    switch (report) {
        case Report::UnknownEngineId:
            if (discovered_ && relearns_++ > 0) {
                return Fail(ReportText(report));
            }
            return Learn(message.security, nowMs);
        case Report::NotInTimeWindow:
            if (!discovered_ || message.security.engineId != engineId_) {
                return Outcome::Ignored;
            }
            if (resyncs_++ > 0) {
                return Fail(ReportText(report));
            }
            if (!authenticated) {
                // Taken as a discovery answer: an agent that reports the window without a MAC
                // leaves nothing better to go by.
                boots_ = message.security.engineBoots;
                timeLearnt_ = message.security.engineTime;
                latestReceivedTime_ = message.security.engineTime;
                learntAtMs_ = nowMs;
            }
            return Outcome::SendAgain;
        case Report::UnknownUserName:
            return Fail(std::string(ReportText(report)) + " " + user_.name);
        case Report::UnknownContext:
        case Report::UnavailableContext:
            return Fail(std::string(ReportText(report)) + " \"" + user_.contextName + "\"");
        case Report::Other:
            return Fail(std::string(ReportText(report)) + " (report " +
                        (message.scoped.pdu.varbinds.empty()
                             ? std::string("without a binding")
                             : OidText(message.scoped.pdu.varbinds.front().name)) +
                        ")");
        default:
            return Fail(ReportText(report));
    }
}

Outcome Session::Receive(const std::uint8_t* data, std::size_t size, std::int32_t msgId,
                         std::uint64_t nowMs, ber::Message& pdu) {
    const Outcome outcome = Process(data, size, msgId, nowMs, pdu);
    repeat_ = outcome == Outcome::SendAgain;
    return outcome;
}

Outcome Session::Process(const std::uint8_t* data, std::size_t size, std::int32_t msgId,
                         std::uint64_t nowMs, ber::Message& pdu) {
    v3::Message message;
    v3::AuthField field;
    if (v3::Decode(data, size, message, &field) != ber::Error::None || message.msgId != msgId) {
        return Outcome::Ignored;
    }
    const v3::SecurityParameters& security = message.security;
    const bool authenticated = (message.flags & v3::FLAG_AUTH) != 0;
    if (authenticated) {
        // Only our own user's messages from the engine we know can carry a MAC we can check.
        if (!discovered_ || user_.level == SecurityLevel::NoAuthNoPriv ||
            security.engineId != engineId_ || security.userName != user_.name ||
            !VerifyMessage(user_.credentials.auth, keys_.auth, ByteSpan(data, size), field.offset,
                           field.length) ||
            !InTimeWindow(security, nowMs)) {
            return Outcome::Ignored;
        }
    }
    if ((message.flags & v3::FLAG_PRIV) != 0) {
        if (user_.level != SecurityLevel::AuthPriv) {
            return Outcome::Ignored;
        }
        Bytes plain;
        std::string problem;
        if (!Decrypt(user_.credentials.priv, keys_.priv,
                     static_cast<std::uint32_t>(security.engineBoots),
                     static_cast<std::uint32_t>(security.engineTime), security.privParams,
                     message.encryptedPdu, plain, &problem) ||
            v3::DecodeScopedPdu(plain.data(), plain.size(), message.scoped,
                                PaddingOf(user_.credentials.priv)) != ber::Error::None) {
            return Outcome::Ignored;
        }
    }
    const ber::Message& scopedPdu = message.scoped.pdu;
    if (scopedPdu.pduType == ber::PDU_REPORT) {
        return OnReport(message, authenticated, nowMs);
    }
    const Bytes& contextEngineId =
        user_.contextEngineId.empty() ? engineId_ : user_.contextEngineId;
    if (scopedPdu.pduType != SNMP_PDU_RESPONSE || !discovered_ ||
        (message.flags & (v3::FLAG_AUTH | v3::FLAG_PRIV)) != requestFlags_ ||
        message.scoped.contextEngineId != contextEngineId ||
        message.scoped.contextName != user_.contextName) {
        return Outcome::Ignored;
    }
    pdu = std::move(message.scoped.pdu);
    lastReport_ = Report::None;
    return Outcome::Answer;
}

}  // namespace usm
