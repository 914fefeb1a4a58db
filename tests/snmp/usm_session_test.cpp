// The USM session against an agent scripted here with the same codec and cryptography: engine
// discovery, every report and the error it gives, the one clock resynchronisation, the time
// window, and the answers a session must not take (another msgID, a MAC that does not verify,
// another user, another level, another context).
#include "snmp/usm_session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "snmp/asn_types.h"
#include "snmp/printer_mib.h"
#include "snmp/usm_auth.h"
#include "snmp/usm_priv.h"

namespace {

using usm::AuthProtocol;
using usm::Bytes;
using usm::Outcome;
using usm::PrivProtocol;
using usm::SecurityLevel;

const Bytes ENGINE = {0x80, 0x00, 0x1F, 0x88, 0x04, 'v', 'e', 'l', 'l', 'u', 'm'};
constexpr std::int32_t REQUEST_ID = 31337;

usm::User Alice(SecurityLevel level = SecurityLevel::AuthPriv) {
    usm::User user;
    user.name = "alice";
    user.level = level;
    user.credentials = {AuthProtocol::Sha256, "alice-auth-pw", PrivProtocol::Aes128,
                        "alice-priv-pw"};
    user.contextName = "printer";
    return user;
}

ber::Message Get() {
    ber::Message pdu;
    pdu.pduType = SNMP_PDU_GET;
    pdu.requestId = REQUEST_ID;
    pdu.varbinds.push_back({mib::SYS_DESCR, {}});
    return pdu;
}

// What the scripted agent puts in an answer; each field can be spoilt by a test.
struct Reply {
    std::uint8_t pduType = SNMP_PDU_RESPONSE;
    std::vector<std::uint32_t> reportOid;  // for a report
    std::int32_t msgIdDelta = 0;
    std::uint8_t flags = 0xFF;  // 0xFF: the request's level
    std::int32_t boots = 3;
    std::int32_t time = 5000;
    std::string userName = "alice";
    std::string contextName = "printer";
    bool spoilMac = false;
};

// The scripted agent: its engine, and a user "alice" with Alice()'s protocols and passwords.
class Agent {
  public:
    Agent() {
        std::string error;
        usm::KeyCache cache;
        EXPECT_TRUE(cache.Keys(ENGINE, "alice", Alice().credentials, &keys_, &error)) << error;
    }

    // The answer to `request` (a session's datagram) as `reply` describes it.
    Bytes Answer(const Bytes& request, const Reply& reply) {
        v3::Message in;
        v3::AuthField field;
        EXPECT_EQ(v3::Decode(request.data(), request.size(), in, &field), ber::Error::None);
        if ((in.flags & v3::FLAG_PRIV) != 0) {
            Bytes plain;
            std::string error;
            EXPECT_TRUE(usm::Decrypt(PrivProtocol::Aes128, keys_.priv,
                                     static_cast<std::uint32_t>(in.security.engineBoots),
                                     static_cast<std::uint32_t>(in.security.engineTime),
                                     in.security.privParams, in.encryptedPdu, plain, &error));
            EXPECT_EQ(v3::DecodeScopedPdu(plain.data(), plain.size(), in.scoped), ber::Error::None);
        }
        lastRequest_ = in;
        v3::Message out;
        out.msgId = in.msgId + reply.msgIdDelta;
        out.flags = reply.flags == 0xFF ? static_cast<std::uint8_t>(in.flags & 3) : reply.flags;
        out.security.engineId = ENGINE;
        out.security.engineBoots = reply.boots;
        out.security.engineTime = reply.time;
        out.security.userName = reply.userName;
        out.scoped.contextEngineId = ENGINE;
        out.scoped.contextName = reply.contextName;
        out.scoped.pdu.pduType = reply.pduType;
        out.scoped.pdu.requestId = in.scoped.pdu.requestId;
        if (reply.pduType == ber::PDU_REPORT) {
            ber::VarBind counter;
            counter.name = reply.reportOid;
            counter.value.tag = ASN_COUNTER32;
            counter.value.integer = 1;
            out.scoped.pdu.varbinds.push_back(counter);
        } else {
            ber::VarBind answer;
            answer.name = mib::SYS_DESCR;
            answer.value.tag = ASN_OCTETSTRING;
            answer.value.bytes = {'o', 'k'};
            out.scoped.pdu.varbinds.push_back(answer);
        }
        if ((out.flags & v3::FLAG_AUTH) != 0) {
            out.security.authParams.assign(24, 0);
        }
        if ((out.flags & v3::FLAG_PRIV) != 0) {
            Bytes plain;
            std::string error;
            EXPECT_EQ(v3::EncodeScopedPdu(out.scoped, plain), ber::Error::None);
            EXPECT_TRUE(usm::Encrypt(PrivProtocol::Aes128, keys_.priv,
                                     static_cast<std::uint32_t>(reply.boots),
                                     static_cast<std::uint32_t>(reply.time), ++salt_, plain,
                                     out.encryptedPdu, out.security.privParams, &error));
        }
        Bytes bytes;
        EXPECT_EQ(v3::Encode(out, bytes, &field), ber::Error::None);
        if ((out.flags & v3::FLAG_AUTH) != 0) {
            EXPECT_TRUE(usm::SignMessage(AuthProtocol::Sha256, keys_.auth, bytes, field.offset));
            if (reply.spoilMac) {
                bytes[field.offset] ^= 1;
            }
        }
        return bytes;
    }

    const v3::Message& lastRequest() const { return lastRequest_; }

  private:
    usm::LocalizedKeys keys_;
    v3::Message lastRequest_;
    std::uint64_t salt_ = 0;
};

// The counters of SNMP-USER-BASED-SM-MIB (usmStats, 1.3.6.1.6.3.15.1.1) and SNMP-MPD-MIB
// (snmpMPDStats, 1.3.6.1.6.3.11.2.1), instance .0.
std::vector<std::uint32_t> UsmStats(std::uint32_t counter) {
    return {1, 3, 6, 1, 6, 3, 15, 1, 1, counter, 0};
}
std::vector<std::uint32_t> MpdStats(std::uint32_t counter) {
    return {1, 3, 6, 1, 6, 3, 11, 2, 1, counter, 0};
}

Reply Report(const std::vector<std::uint32_t>& oid, std::uint8_t flags = 0) {
    Reply reply;
    reply.pduType = ber::PDU_REPORT;
    reply.reportOid = oid;
    reply.flags = flags;
    return reply;
}

// A session that has discovered the agent (engine boots 3, time 5000 at t = 10 s).
struct Discovered {
    Agent agent;
    usm::KeyCache cache;
    usm::Session session;
    std::int32_t msgId = 1;

    explicit Discovered(usm::User user = Alice()) : session(std::move(user), cache) {
        Bytes discovery;
        EXPECT_TRUE(session.BuildDiscovery(msgId, REQUEST_ID, discovery));
        const Bytes report = agent.Answer(discovery, Report(UsmStats(4)));
        ber::Message pdu;
        EXPECT_EQ(session.Receive(report.data(), report.size(), msgId, 10000, pdu),
                  Outcome::SendAgain);
    }

    // One request at `nowMs` answered as `reply` says; the outcome.
    Outcome Ask(const Reply& reply, std::uint64_t nowMs = 10000, ber::Message* answer = nullptr) {
        Bytes request;
        ++msgId;
        EXPECT_TRUE(session.BuildRequest(Get(), msgId, nowMs, request)) << session.error();
        const Bytes bytes = agent.Answer(request, reply);
        ber::Message pdu;
        const Outcome outcome = session.Receive(bytes.data(), bytes.size(), msgId, nowMs, pdu);
        if (answer != nullptr) {
            *answer = pdu;
        }
        return outcome;
    }
};

TEST(UsmSession, DiscoversTheEngineThenReadsAtEveryLevel) {
    for (const SecurityLevel level :
         {SecurityLevel::NoAuthNoPriv, SecurityLevel::AuthNoPriv, SecurityLevel::AuthPriv}) {
        SCOPED_TRACE(usm::Name(level));
        Discovered d(Alice(level));
        ASSERT_TRUE(d.session.discovered());
        EXPECT_EQ(d.session.engineId(), ENGINE);
        EXPECT_EQ(d.session.engineBoots(), 3);
        EXPECT_EQ(d.session.EngineTime(12500), 5002) << "the agent's clock runs on with ours";

        ber::Message answer;
        ASSERT_EQ(d.Ask(Reply{}, 10000, &answer), Outcome::Answer) << d.session.error();
        EXPECT_EQ(answer.requestId, REQUEST_ID);
        ASSERT_EQ(answer.varbinds.size(), 1u);
        EXPECT_EQ(answer.varbinds[0].value.bytes, (Bytes{'o', 'k'}));

        // What the agent received: the user, the context, and the engine's boots and time.
        const v3::Message& sent = d.agent.lastRequest();
        EXPECT_EQ(sent.security.userName, "alice");
        EXPECT_EQ(sent.scoped.contextEngineId, ENGINE);
        EXPECT_EQ(sent.scoped.contextName, "printer");
        EXPECT_EQ(sent.flags & 3, level == SecurityLevel::AuthPriv     ? 3
                                  : level == SecurityLevel::AuthNoPriv ? 1
                                                                       : 0);
        EXPECT_NE(sent.flags & v3::FLAG_REPORTABLE, 0);
        if (level != SecurityLevel::NoAuthNoPriv) {
            EXPECT_EQ(sent.security.engineBoots, 3);
            EXPECT_EQ(sent.security.engineTime, 5000);
        }
    }
}

TEST(UsmSession, EveryReportGivesItsError) {
    struct Row {
        const char* name;
        std::vector<std::uint32_t> oid;
        const char* error;
    };
    const Row rows[] = {
        {"usmStatsUnsupportedSecLevels", UsmStats(1), "security level not supported by the agent"},
        {"usmStatsUnknownUserNames", UsmStats(3), "unknown user alice"},
        {"usmStatsWrongDigests", UsmStats(5), "authentication failed (wrong password or protocol)"},
        {"usmStatsDecryptionErrors", UsmStats(6),
         "decryption failed (wrong privacy password or protocol)"},
        {"snmpUnknownSecurityModels", MpdStats(1),
         "the agent does not support the User-based Security Model"},
        {"snmpInvalidMsgs", MpdStats(2), "the agent found the message invalid"},
        {"snmpUnknownPDUHandlers", MpdStats(3), "the agent cannot handle this request"},
        {"an unknown counter", UsmStats(9),
         "the agent refused the request (report .1.3.6.1.6.3.15.1.1.9.0)"},
    };
    for (const Row& row : rows) {
        Discovered d;
        EXPECT_EQ(d.Ask(Report(row.oid)), Outcome::Failed) << row.name;
        EXPECT_EQ(d.session.error(), row.error) << row.name;
    }

    // The context counters sit one arc shorter, under snmpTargetObjects.
    Discovered d;
    EXPECT_EQ(d.Ask(Report({1, 3, 6, 1, 6, 3, 12, 1, 5, 0})), Outcome::Failed);
    EXPECT_EQ(d.session.error(), "unknown context \"printer\"");
}

TEST(UsmSession, ResynchronisesTheClockOnceAndFollowsAnEngineOnce) {
    Discovered d;
    // The agent rebooted: an authenticated notInTimeWindow report with its new boots and time.
    Reply late = Report(UsmStats(2), v3::FLAG_AUTH);
    late.boots = 4;
    late.time = 12;
    EXPECT_EQ(d.Ask(late, 20000), Outcome::SendAgain);
    EXPECT_EQ(d.session.engineBoots(), 4);
    EXPECT_EQ(d.session.EngineTime(20000), 12);
    // The repeat carries the new clock; a second report of the window fails the request.
    EXPECT_EQ(d.Ask(late, 20000), Outcome::Failed);
    EXPECT_EQ(d.agent.lastRequest().security.engineBoots, 4);
    EXPECT_EQ(d.agent.lastRequest().security.engineTime, 12);
    EXPECT_EQ(d.session.error(), "not in time window (the agent's clock did not match twice)");

    // A new request has its own allowance and succeeds with the clock it learnt.
    Reply fine;
    fine.boots = 4;
    fine.time = 12;
    EXPECT_EQ(d.Ask(fine, 20000), Outcome::Answer) << d.session.error();

    // unknownEngineID in answer to a request: the engine is learnt again, once.
    EXPECT_EQ(d.Ask(Report(UsmStats(4))), Outcome::SendAgain);
    EXPECT_EQ(d.Ask(Report(UsmStats(4))), Outcome::Failed);
    EXPECT_EQ(d.session.error(), "unknown engine ID (the agent refused its own engine ID twice)");
}

TEST(UsmSession, KeepsToTheTimeWindow) {
    struct Row {
        const char* name;
        std::int32_t boots;
        std::int32_t time;
        std::uint64_t nowMs;
        Outcome outcome;
    };
    // Learnt at t = 10 s: boots 3, time 5000.
    const Row rows[] = {
        {"the same clock", 3, 5000, 10000, Outcome::Answer},
        {"150 s behind our reckoning", 3, 5000, 160000, Outcome::Answer},
        {"151 s behind", 3, 5000, 161000, Outcome::Ignored},
        {"an earlier boot", 2, 5000, 10000, Outcome::Ignored},
        {"a later boot", 4, 1, 10000, Outcome::Answer},
        {"ahead of us", 3, 9000, 10000, Outcome::Answer},
    };
    for (const Row& row : rows) {
        Discovered d;
        Reply reply;
        reply.boots = row.boots;
        reply.time = row.time;
        EXPECT_EQ(d.Ask(reply, row.nowMs), row.outcome) << row.name;
    }

    // A later time moves the reckoning forward; the last boots value is never an answer.
    Discovered d;
    Reply ahead;
    ahead.time = 9000;
    ASSERT_EQ(d.Ask(ahead), Outcome::Answer);
    EXPECT_EQ(d.session.EngineTime(10000), 9000);
    Reply last;
    last.boots = 2147483647;
    EXPECT_EQ(d.Ask(last), Outcome::Ignored);
}

TEST(UsmSession, IgnoresWhatIsNotTheAnswer) {
    struct Row {
        const char* name;
        Reply reply;
    };
    const auto with = [](auto change) {
        Reply reply;
        change(reply);
        return reply;
    };
    const Row rows[] = {
        {"another msgID", with([](Reply& r) { r.msgIdDelta = 1; })},
        {"a MAC that does not verify", with([](Reply& r) { r.spoilMac = true; })},
        {"another user", with([](Reply& r) { r.userName = "mallory"; })},
        {"authenticated but not encrypted", with([](Reply& r) { r.flags = v3::FLAG_AUTH; })},
        {"neither", with([](Reply& r) { r.flags = 0; })},
        {"another context", with([](Reply& r) { r.contextName = "scanner"; })},
        {"a GET instead of a response", with([](Reply& r) { r.pduType = SNMP_PDU_GET; })},
        {"a report with another msgID",
         [] {
             Reply r = Report(UsmStats(5));
             r.msgIdDelta = -1;
             return r;
         }()},
    };
    for (const Row& row : rows) {
        Discovered d;
        EXPECT_EQ(d.Ask(row.reply), Outcome::Ignored) << row.name;
    }
    Discovered d;
    ber::Message pdu;
    const Bytes garbage = {0x30, 0x03, 0x02, 0x01, 0x03};
    EXPECT_EQ(d.session.Receive(garbage.data(), garbage.size(), d.msgId, 10000, pdu),
              Outcome::Ignored);
}

TEST(UsmSession, RefusesUsersThatCannotWork) {
    struct Row {
        const char* name;
        void (*change)(usm::User&);
        const char* error;
    };
    const Row rows[] = {
        {"no name", [](usm::User& u) { u.name.clear(); }, "no user name"},
        {"a name of 33 bytes", [](usm::User& u) { u.name.assign(33, 'a'); },
         "the user name is longer than 32 bytes"},
        {"authNoPriv without a protocol",
         [](usm::User& u) {
             u.level = SecurityLevel::AuthNoPriv;
             u.credentials.auth = AuthProtocol::None;
         },
         "authNoPriv needs an authentication protocol"},
        {"authPriv without a privacy password",
         [](usm::User& u) { u.credentials.privPassword.clear(); },
         "authPriv needs a privacy password"},
        {"authPriv without a privacy protocol",
         [](usm::User& u) { u.credentials.priv = PrivProtocol::None; },
         "authPriv needs a privacy protocol"},
    };
    for (const Row& row : rows) {
        usm::User user = Alice();
        row.change(user);
        EXPECT_EQ(usm::CheckUser(user), row.error) << row.name;
    }
    EXPECT_EQ(usm::CheckUser(Alice()), "");

    usm::Session fresh(Alice());
    Bytes out;
    EXPECT_FALSE(fresh.BuildRequest(Get(), 1, 0, out));
    EXPECT_EQ(fresh.error(), "the agent's engine is not known yet");
    EXPECT_EQ(fresh.SilenceText(), "no answer to SNMPv3 engine discovery");
}

}  // namespace
