#include "snmp/usm_agent.h"

#include <algorithm>
#include <limits>
#include <span>
#include <utility>

#include "snmp/asn_types.h"
#include "snmp/usm_auth.h"
#include "snmp/usm_priv.h"

namespace usm {
namespace {

constexpr std::int32_t AUTHORIZATION_ERROR = 16;  // RFC 3416's error status

int Rank(SecurityLevel level) {
    return static_cast<int>(level);
}

// The highest level a user's protocols allow.
SecurityLevel Capability(const AgentUser& user) {
    if (user.credentials.auth == AuthProtocol::None) {
        return SecurityLevel::NoAuthNoPriv;
    }
    return user.credentials.priv == PrivProtocol::None ? SecurityLevel::AuthNoPriv
                                                       : SecurityLevel::AuthPriv;
}

}  // namespace

Agent::Agent(Bytes engineId, std::int32_t boots, std::uint64_t bootedAtMs,
             std::vector<AgentUser> users, KeyCache& cache)
    : engineId_(std::move(engineId)),
      boots_(boots),
      bootedAtMs_(bootedAtMs),
      users_(std::move(users)),
      cache_(cache),
      salt_(RandomSalt()) {}

std::int32_t Agent::EngineTime(std::uint64_t nowMs) const {
    const std::uint64_t seconds = nowMs >= bootedAtMs_ ? (nowMs - bootedAtMs_) / 1000 : 0;
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(seconds, std::numeric_limits<std::int32_t>::max()));
}

const AgentUser* Agent::FindUser(const std::string& name) const {
    const auto found = std::find_if(users_.begin(), users_.end(),
                                    [&](const AgentUser& user) { return user.name == name; });
    return found != users_.end() ? &*found : nullptr;
}

bool Agent::KeysOf(const AgentUser& user, LocalizedKeys* keys) {
    std::string error;
    return cache_.Keys(engineId_, user.name, user.credentials, keys, &error);
}

bool Agent::Secure(v3::Message& message, const AgentUser* user, std::uint64_t nowMs,
                   std::vector<std::uint8_t>& out) {
    v3::SecurityParameters& security = message.security;
    security.engineId = engineId_;
    security.engineBoots = boots_;
    security.engineTime = EngineTime(nowMs);
    security.authParams.clear();
    security.privParams.clear();
    const bool auth = (message.flags & v3::FLAG_AUTH) != 0;
    LocalizedKeys keys;
    if (auth) {
        if (user == nullptr || !KeysOf(*user, &keys)) {
            return false;
        }
        security.authParams.assign(Traits(user->credentials.auth)->macBytes, 0);
    }
    if ((message.flags & v3::FLAG_PRIV) != 0) {
        Bytes plain;
        std::string error;
        if (v3::EncodeScopedPdu(message.scoped, plain) != ber::Error::None ||
            !Encrypt(user->credentials.priv, keys.priv,
                     static_cast<std::uint32_t>(security.engineBoots),
                     static_cast<std::uint32_t>(security.engineTime), salt_++, plain,
                     message.encryptedPdu, security.privParams, &error)) {
            return false;
        }
    }
    const std::size_t start = out.size();
    v3::AuthField field;
    if (v3::Encode(message, out, &field) != ber::Error::None) {
        return false;
    }
    if (auth && !SignMessage(user->credentials.auth, keys.auth,
                             std::span<std::uint8_t>(out.data() + start, out.size() - start),
                             field.offset - start)) {
        out.resize(start);
        return false;
    }
    return true;
}

Agent::Incoming Agent::MakeReport(const v3::Message& request, Report report, std::uint32_t* count,
                                  const AgentUser* user, std::uint64_t nowMs, std::string summary) {
    ++*count;
    Incoming incoming;
    incoming.message = request;
    incoming.summary = std::move(summary);
    if ((request.flags & v3::FLAG_REPORTABLE) == 0) {
        return incoming;
    }
    v3::Message message;
    message.msgId = request.msgId;
    // Only the window's report is authenticated (RFC 3414 3.2 step 7a): the manager may set
    // its clock by it.
    message.flags = report == Report::NotInTimeWindow ? v3::FLAG_AUTH : 0;
    message.security.userName = request.security.userName;
    message.scoped.contextEngineId = engineId_;
    message.scoped.contextName = request.scoped.contextName;
    message.scoped.pdu.pduType = ber::PDU_REPORT;
    message.scoped.pdu.requestId = request.scoped.pdu.requestId;
    ber::VarBind counter;
    counter.name = ReportOid(report);
    counter.value.tag = ASN_COUNTER32;
    counter.value.integer = *count;
    message.scoped.pdu.varbinds.push_back(counter);
    if (Secure(message, user, nowMs, incoming.datagram)) {
        incoming.kind = Kind::Reply;
    }
    return incoming;
}

Agent::Incoming Agent::Receive(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs) {
    Incoming incoming;
    v3::AuthField field;
    const ber::Error error = v3::Decode(data, size, incoming.message, &field);
    if (error != ber::Error::None) {
        incoming.summary = std::string("malformed SNMPv3 message: ") + ber::ErrorName(error);
        return incoming;
    }
    v3::Message& request = incoming.message;
    const v3::SecurityParameters& security = request.security;
    const std::string who = "user \"" + security.userName + "\"";
    if (security.engineId != engineId_) {
        return MakeReport(request, Report::UnknownEngineId, &unknownEngineIds_, nullptr, nowMs,
                          security.engineId.empty() ? "discovery" : who + ": another engine ID");
    }
    const AgentUser* user = FindUser(security.userName);
    if (user == nullptr) {
        return MakeReport(request, Report::UnknownUserName, &unknownUserNames_, nullptr, nowMs,
                          who + ": unknown");
    }
    const SecurityLevel level = LevelOfFlags(request.flags);
    if (Rank(level) > Rank(Capability(*user))) {
        return MakeReport(request, Report::UnsupportedSecLevel, &unsupportedSecLevels_, nullptr,
                          nowMs, who + ": " + Name(level) + " not supported");
    }
    LocalizedKeys keys;
    if (level != SecurityLevel::NoAuthNoPriv) {
        if (!KeysOf(*user, &keys) ||
            !VerifyMessage(user->credentials.auth, keys.auth, ByteSpan(data, size), field.offset,
                           field.length)) {
            return MakeReport(request, Report::WrongDigest, &wrongDigests_, nullptr, nowMs,
                              who + ": wrong digest");
        }
        const std::int64_t drift =
            static_cast<std::int64_t>(security.engineTime) - EngineTime(nowMs);
        if (boots_ == MAX_ENGINE_BOOTS || security.engineBoots != boots_ ||
            drift > TIME_WINDOW_SECONDS || drift < -TIME_WINDOW_SECONDS) {
            return MakeReport(request, Report::NotInTimeWindow, &notInTimeWindows_, user, nowMs,
                              who + ": not in time window");
        }
    }
    if (level == SecurityLevel::AuthPriv) {
        Bytes plain;
        std::string problem;
        if (!Decrypt(user->credentials.priv, keys.priv,
                     static_cast<std::uint32_t>(security.engineBoots),
                     static_cast<std::uint32_t>(security.engineTime), security.privParams,
                     request.encryptedPdu, plain, &problem) ||
            v3::DecodeScopedPdu(plain.data(), plain.size(), request.scoped,
                                PaddingOf(user->credentials.priv)) != ber::Error::None) {
            return MakeReport(request, Report::DecryptionError, &decryptionErrors_, nullptr, nowMs,
                              who + ": decryption failed");
        }
    }
    if (Rank(level) < Rank(user->level)) {
        // Below the user's level: refused by access control, at the request's own level.
        ber::Message refusal = request.scoped.pdu;
        refusal.pduType = SNMP_PDU_RESPONSE;
        refusal.errorStatus = AUTHORIZATION_ERROR;
        refusal.errorIndex = 0;
        incoming.summary = who + ": " + Name(level) + " below " + Name(user->level);
        if (Answer(request, refusal, nowMs, incoming.datagram)) {
            incoming.kind = Kind::Reply;
        }
        return incoming;
    }
    incoming.kind = Kind::Request;
    incoming.summary = who + " " + Name(level);
    return incoming;
}

bool Agent::Answer(const v3::Message& request, const ber::Message& response, std::uint64_t nowMs,
                   std::vector<std::uint8_t>& out) {
    v3::Message message;
    message.msgId = request.msgId;
    message.flags = static_cast<std::uint8_t>(request.flags & (v3::FLAG_AUTH | v3::FLAG_PRIV));
    message.security.userName = request.security.userName;
    message.scoped.contextEngineId = request.scoped.contextEngineId;
    message.scoped.contextName = request.scoped.contextName;
    message.scoped.pdu = response;
    return Secure(message, FindUser(request.security.userName), nowMs, out);
}

}  // namespace usm
