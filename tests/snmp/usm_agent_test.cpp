// The agent side of the USM (what the simulated printer serves) against our own sessions, in
// process: every authentication protocol with every privacy protocol, and each refusal an
// agent makes reaching the session as its error (the reports net-snmp's snmpd does not send,
// decryptionError among them), the clock set again after the agent restarts, and a request
// below the user's level refused as access control refuses it.
#include "snmp/usm_agent.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "snmp/asn_types.h"
#include "snmp/printer_mib.h"
#include "snmp/usm_session.h"

namespace {

using usm::AuthProtocol;
using usm::Outcome;
using usm::PrivProtocol;
using usm::SecurityLevel;

const usm::Bytes ENGINE = {0x80, 0x00, 0x00, 0x00, 0x04, 'a', 'g', 'e', 'n', 't'};

struct Read {
    Outcome outcome = Outcome::Ignored;
    std::string error;
    ber::Message answer;
    int exchanges = 0;
};

// One GET through `session` to `agent` at `nowMs`, discovery and repeats included; the agent
// answers sysDescr.0 with "ok".
Read Get(usm::Session& session, usm::Agent& agent, std::uint64_t nowMs) {
    static std::int32_t msgId = 0;
    Read read;
    for (int round = 0; round < 4; ++round) {
        usm::Bytes request;
        ++msgId;
        if (!session.discovered()) {
            EXPECT_TRUE(session.BuildDiscovery(msgId, 7, request));
        } else {
            ber::Message pdu;
            pdu.pduType = SNMP_PDU_GET;
            pdu.requestId = 7;
            pdu.varbinds.push_back({mib::SYS_DESCR, {}});
            if (!session.BuildRequest(pdu, msgId, nowMs, request)) {
                read.error = session.error();
                return read;
            }
        }
        ++read.exchanges;
        usm::Agent::Incoming incoming = agent.Receive(request.data(), request.size(), nowMs);
        usm::Bytes datagram = incoming.datagram;
        if (incoming.kind == usm::Agent::Kind::Request) {
            ber::Message response = incoming.message.scoped.pdu;
            response.pduType = SNMP_PDU_RESPONSE;
            response.varbinds[0].value.tag = ASN_OCTETSTRING;
            response.varbinds[0].value.bytes = {'o', 'k'};
            EXPECT_TRUE(agent.Answer(incoming.message, response, nowMs, datagram));
        } else if (incoming.kind == usm::Agent::Kind::Drop) {
            read.error = "dropped: " + incoming.summary;
            return read;
        }
        read.outcome = session.Receive(datagram.data(), datagram.size(), msgId, nowMs, read.answer);
        if (read.outcome != Outcome::SendAgain) {
            read.error = read.outcome == Outcome::Failed ? session.error() : "";
            return read;
        }
    }
    return read;
}

usm::AgentUser AgentUserOf(AuthProtocol auth, PrivProtocol priv,
                           SecurityLevel level = SecurityLevel::NoAuthNoPriv) {
    return {"printer-reader", level, {auth, "reader-auth-pw", priv, "reader-priv-pw"}};
}

usm::User SessionUser(AuthProtocol auth, PrivProtocol priv) {
    usm::User user;
    user.name = "printer-reader";
    user.level = auth == AuthProtocol::None   ? SecurityLevel::NoAuthNoPriv
                 : priv == PrivProtocol::None ? SecurityLevel::AuthNoPriv
                                              : SecurityLevel::AuthPriv;
    user.credentials = {auth, "reader-auth-pw", priv, "reader-priv-pw"};
    return user;
}

TEST(UsmAgent, ServesEveryProtocolPairToOurSessions) {
    usm::KeyCache cache;
    for (const auto auth :
         {AuthProtocol::None, AuthProtocol::Md5, AuthProtocol::Sha1, AuthProtocol::Sha224,
          AuthProtocol::Sha256, AuthProtocol::Sha384, AuthProtocol::Sha512}) {
        for (const auto priv :
             {PrivProtocol::None, PrivProtocol::Des, PrivProtocol::Aes128, PrivProtocol::Aes192,
              PrivProtocol::Aes256, PrivProtocol::Aes192C, PrivProtocol::Aes256C}) {
            if (auth == AuthProtocol::None && priv != PrivProtocol::None) {
                continue;
            }
            const std::string name = std::string(usm::Name(auth)) + "/" + usm::Name(priv);
            usm::Agent agent(ENGINE, 4, 0, {AgentUserOf(auth, priv)}, cache);
            usm::Session session(SessionUser(auth, priv), cache);
            const Read read = Get(session, agent, 90000);
            ASSERT_EQ(read.outcome, Outcome::Answer) << name << ": " << read.error;
            EXPECT_EQ(read.exchanges, 2) << name;
            ASSERT_EQ(read.answer.varbinds.size(), 1u) << name;
            EXPECT_EQ(read.answer.varbinds[0].value.bytes, (usm::Bytes{'o', 'k'})) << name;
            EXPECT_EQ(session.engineId(), ENGINE) << name;
            EXPECT_EQ(session.EngineTime(90000), 90) << name << ": the agent's engine time";
        }
    }
}

TEST(UsmAgent, RefusalsReachTheSessionAsTheirErrors) {
    struct Row {
        const char* name;
        usm::AgentUser agentUser;
        void (*change)(usm::User&);
        const char* error;
    };
    const usm::AgentUser shaAes = AgentUserOf(AuthProtocol::Sha256, PrivProtocol::Aes128);
    const Row rows[] = {
        {"wrong authentication password", shaAes,
         [](usm::User& u) { u.credentials.authPassword = "wrong-password"; },
         "authentication failed (wrong password or protocol)"},
        {"wrong authentication protocol", shaAes,
         [](usm::User& u) { u.credentials.auth = AuthProtocol::Sha512; },
         "authentication failed (wrong password or protocol)"},
        {"wrong privacy password", shaAes,
         [](usm::User& u) { u.credentials.privPassword = "wrong-password"; },
         "decryption failed (wrong privacy password or protocol)"},
        {"wrong privacy protocol", shaAes,
         [](usm::User& u) { u.credentials.priv = PrivProtocol::Des; },
         "decryption failed (wrong privacy password or protocol)"},
        {"unknown user", shaAes, [](usm::User& u) { u.name = "someone-else"; },
         "unknown user someone-else"},
        {"authPriv for a user without privacy",
         AgentUserOf(AuthProtocol::Sha256, PrivProtocol::None), [](usm::User&) {},
         "security level not supported by the agent"},
    };
    usm::KeyCache cache;
    for (const Row& row : rows) {
        usm::Agent agent(ENGINE, 1, 0, {row.agentUser}, cache);
        usm::User user = SessionUser(AuthProtocol::Sha256, PrivProtocol::Aes128);
        row.change(user);
        usm::Session session(user, cache);
        const Read read = Get(session, agent, 5000);
        EXPECT_EQ(read.outcome, Outcome::Failed) << row.name;
        EXPECT_EQ(read.error, row.error) << row.name;
    }

    // authNoPriv from a user the agent wants at authPriv: an answer, with authorizationError.
    usm::Agent strict(
        ENGINE, 1, 0,
        {AgentUserOf(AuthProtocol::Sha1, PrivProtocol::Aes128, SecurityLevel::AuthPriv)}, cache);
    usm::Session lax(SessionUser(AuthProtocol::Sha1, PrivProtocol::None), cache);
    const Read read = Get(lax, strict, 5000);
    ASSERT_EQ(read.outcome, Outcome::Answer) << read.error;
    EXPECT_EQ(read.answer.errorStatus, 16);
}

TEST(UsmAgent, ARestartedAgentSetsTheSessionsClockOnce) {
    usm::KeyCache cache;
    const usm::AgentUser user = AgentUserOf(AuthProtocol::Md5, PrivProtocol::Des);
    usm::Session session(SessionUser(AuthProtocol::Md5, PrivProtocol::Des), cache);
    usm::Agent before(ENGINE, 7, 0, {user}, cache);
    ASSERT_EQ(Get(session, before, 1000000).outcome, Outcome::Answer);
    EXPECT_EQ(session.engineBoots(), 7);

    // The same engine, booted again a minute ago: the old boots are out of its window.
    usm::Agent after(ENGINE, 8, 1940000, {user}, cache);
    const Read read = Get(session, after, 2000000);
    EXPECT_EQ(read.outcome, Outcome::Answer) << read.error;
    EXPECT_EQ(read.exchanges, 2) << "the request, refused with notInTimeWindow, then again";
    EXPECT_EQ(session.engineBoots(), 8);
    EXPECT_EQ(session.EngineTime(2000000), 60);

    // A manager whose request is not reportable learns nothing: the agent stays silent.
    usm::Bytes discovery;
    usm::Session fresh(SessionUser(AuthProtocol::Md5, PrivProtocol::Des), cache);
    ASSERT_TRUE(fresh.BuildDiscovery(1, 1, discovery));
    v3::Message message;
    v3::AuthField field;
    ASSERT_EQ(v3::Decode(discovery.data(), discovery.size(), message, &field), ber::Error::None);
    message.flags = 0;
    usm::Bytes unreportable;
    ASSERT_EQ(v3::Encode(message, unreportable, &field), ber::Error::None);
    EXPECT_EQ(after.Receive(unreportable.data(), unreportable.size(), 2000000).kind,
              usm::Agent::Kind::Drop);
}

// A session resumed from the engine an earlier one learnt sends its request at once, with the
// engine's clock run on; an engine that rebooted or was replaced meanwhile costs one exchange
// more, never the reading.
TEST(UsmAgent, AResumedSessionNeedsNoDiscovery) {
    usm::KeyCache cache;
    const usm::AgentUser user = AgentUserOf(AuthProtocol::Sha256, PrivProtocol::Aes128);
    usm::Agent first(ENGINE, 5, 0, {user}, cache);
    usm::Session learner(SessionUser(AuthProtocol::Sha256, PrivProtocol::Aes128), cache);
    ASSERT_EQ(Get(learner, first, 1000000).outcome, Outcome::Answer);
    const usm::EngineState learnt = learner.Engine();
    EXPECT_EQ(learnt.id, ENGINE);
    EXPECT_EQ(learnt.boots, 5);

    const usm::Bytes other = {0x80, 0x00, 0x00, 0x00, 0x04, 'o', 't', 'h', 'e', 'r'};
    struct Row {
        const char* name;
        usm::Bytes engineId;
        std::int32_t boots;
        std::uint64_t bootedAtMs;
        int exchanges;
    };
    const Row rows[] = {
        {"the same engine an hour on", ENGINE, 5, 0, 1},
        {"the engine rebooted", ENGINE, 6, 4000000, 2},
        {"another engine at the address", other, 1, 0, 2},
    };
    for (const Row& row : rows) {
        usm::Agent agent(row.engineId, row.boots, row.bootedAtMs, {user}, cache);
        usm::Session session(SessionUser(AuthProtocol::Sha256, PrivProtocol::Aes128), cache);
        ASSERT_TRUE(session.Resume(learnt)) << row.name << ": " << session.error();
        const Read read = Get(session, agent, 4600000);
        EXPECT_EQ(read.outcome, Outcome::Answer) << row.name << ": " << read.error;
        EXPECT_EQ(read.exchanges, row.exchanges) << row.name;
        EXPECT_EQ(session.engineId(), row.engineId) << row.name;
        EXPECT_EQ(session.EngineTime(4600000), agent.EngineTime(4600000)) << row.name;
    }
}

}  // namespace
