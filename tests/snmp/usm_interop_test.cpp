// Our SNMPv3 against net-snmp's snmpd, started here on 127.0.0.1 and a free port with one user
// for every authentication protocol with every privacy protocol it has. For each: a GET of
// sysDescr.0 over a plain UDP socket, with discovery (the session's exchanges), and the whole
// condition reading over the same user, which must read what an SNMPv2c reading of the same
// agent reads. snmpd is no printer: its Host Resources objects are the host's (no printer among
// its devices, so no model), its Printer MIB rows a supply table set by `override` lines; what
// counts is that every request of the reading passes over v3. Then the mistakes a user makes (a
// wrong password, a wrong protocol, an unknown user, a level the user does not have), each with
// its own error, at the session and in the reading. And against snmpsimd (pysnmp's USM, a
// third implementation): its AES-192 and AES-256 are the Reeder key extension, its AES192BLMT
// and AES256BLMT the Blumenthal one, read in the context its data file names. Skipped when the
// agent is not installed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "condition/engine.h"
#include "condition/render.h"
#include "platform/net/net.h"
#include "snmp/asn_types.h"
#include "snmp/printer_mib.h"
#include "snmp/usm_session.h"
#include "tests/support/loopback_agent.h"

namespace {

using namespace std::chrono_literals;
using condition::Condition;
using condition::ReadError;
using usm::AuthProtocol;
using usm::PrivProtocol;
using usm::SecurityLevel;

constexpr const char* DESCRIPTION = "Vellumark USM interop agent";
constexpr const char* AUTH_PASSWORD = "maplesyrup-auth";
constexpr const char* PRIV_PASSWORD = "maplesyrup-priv";
constexpr const char* COMMUNITY = "orchid";  // the SNMPv2c reading the v3 ones must match

constexpr AuthProtocol AUTHS[] = {AuthProtocol::Md5,    AuthProtocol::Sha1,   AuthProtocol::Sha224,
                                  AuthProtocol::Sha256, AuthProtocol::Sha384, AuthProtocol::Sha512};
constexpr PrivProtocol PRIVS[] = {PrivProtocol::None,   PrivProtocol::Des,    PrivProtocol::Aes128,
                                  PrivProtocol::Aes192, PrivProtocol::Aes256, PrivProtocol::Aes192C,
                                  PrivProtocol::Aes256C};

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// The agent's user with these protocols: "SHA-256.AES-192-C", "MD5" (authNoPriv).
std::string UserName(AuthProtocol auth, PrivProtocol priv) {
    std::string name = usm::Name(auth);
    if (priv != PrivProtocol::None) {
        name += std::string(".") + usm::Name(priv);
    }
    return name;
}

usm::User MakeUser(const std::string& name, AuthProtocol auth, PrivProtocol priv) {
    usm::User user;
    user.name = name;
    user.level = auth == AuthProtocol::None   ? SecurityLevel::NoAuthNoPriv
                 : priv == PrivProtocol::None ? SecurityLevel::AuthNoPriv
                                              : SecurityLevel::AuthPriv;
    user.credentials = {auth, AUTH_PASSWORD, priv, PRIV_PASSWORD};
    return user;
}

struct Got {
    bool ok = false;
    std::string value;  // sysDescr.0's text
    std::string error;
    int exchanges = 0;  // requests sent, discovery included
};

// One GET of sysDescr.0 as a reader makes it: discovery when the engine is unknown, then the
// request, again when the session asks; each send waits up to `waitMs` for its answer.
Got GetSysDescr(usm::Session& session, const std::string& target, int waitMs = 1000) {
    Got got;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in agent{};
    agent.sin_family = AF_INET;
    agent.sin_port =
        htons(static_cast<std::uint16_t>(std::stoi(target.substr(target.find(':') + 1))));
    agent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&agent), sizeof agent) != 0) {
        got.error = "no socket";
        return got;
    }
    static std::int32_t msgId = 1000;
    const std::int32_t requestId = 4242;
    for (int round = 0; round < 4 && got.error.empty() && !got.ok; ++round) {
        ++msgId;
        usm::Bytes datagram;
        bool built = false;
        if (!session.discovered()) {
            built = session.BuildDiscovery(msgId, requestId, datagram);
        } else {
            ber::Message pdu;
            pdu.pduType = SNMP_PDU_GET;
            pdu.requestId = requestId;
            pdu.varbinds.push_back({mib::SYS_DESCR, {}});
            built = session.BuildRequest(pdu, msgId, NowMs(), datagram);
        }
        if (!built) {
            got.error = session.error();
            break;
        }
        send(fd, datagram.data(), datagram.size(), 0);
        ++got.exchanges;
        const std::uint64_t deadline = NowMs() + static_cast<std::uint64_t>(waitMs);
        bool again = false;
        while (!again && !got.ok && got.error.empty()) {
            const std::uint64_t now = NowMs();
            pollfd readable{fd, POLLIN, 0};
            if (now >= deadline || poll(&readable, 1, static_cast<int>(deadline - now)) <= 0) {
                got.error = session.SilenceText();
                break;
            }
            std::uint8_t buffer[65536];
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                continue;
            }
            ber::Message answer;
            switch (session.Receive(buffer, static_cast<std::size_t>(n), msgId, NowMs(), answer)) {
                case usm::Outcome::Answer:
                    got.ok = answer.requestId == requestId && answer.varbinds.size() == 1 &&
                             answer.varbinds[0].name == mib::SYS_DESCR;
                    if (got.ok) {
                        const auto& bytes = answer.varbinds[0].value.bytes;
                        got.value.assign(bytes.begin(), bytes.end());
                    } else {
                        got.error = "an answer that does not match the request";
                    }
                    break;
                case usm::Outcome::SendAgain:
                    again = true;
                    break;
                case usm::Outcome::Failed:
                    got.error = session.error();
                    break;
                case usm::Outcome::Ignored:
                    break;
            }
        }
    }
    close(fd);
    return got;
}

condition::UsmCredentials Credentials(const usm::User& user) {
    return {.user = user.name,
            .level = user.level,
            .auth = user.credentials.auth,
            .authPassword = user.credentials.authPassword,
            .priv = user.credentials.priv,
            .privPassword = user.credentials.privPassword,
            .contextName = user.contextName};
}

// The whole condition reading of `target`: over SNMPv3 as `user`, or SNMPv2c without one.
Condition ReadCondition(const std::string& target, const usm::User* user) {
    condition::ReadRequest request{.agent = *net::ResolveTarget(target, 100),
                                   .version = condition::SnmpVersion::V2c,
                                   .community = COMMUNITY,
                                   .timeoutMs = 1000,
                                   .retries = 0,
                                   .deadline = std::chrono::steady_clock::now() + 20s};
    if (user != nullptr) {
        request.version = condition::SnmpVersion::V3;
        request.usm = Credentials(*user);
    }
    return condition::ReadOnce(request);
}

std::string AgentConfiguration() {
    std::string conf = std::string("sysDescr ") + DESCRIPTION + "\n";
    conf += std::string("rocommunity ") + COMMUNITY + " 127.0.0.1\n";
    conf += "sysName v3-interop\nsysLocation loading dock\n";
    // A Printer MIB supply table for the reading to find: snmpd has none of its own.
    for (const char* line : {
             ".1.3.6.1.2.1.43.11.1.1.6.1.1 octet_str \"Black Toner\"",
             ".1.3.6.1.2.1.43.11.1.1.6.1.2 octet_str \"Waste Toner Box\"",
             ".1.3.6.1.2.1.43.11.1.1.8.1.1 integer 100",
             ".1.3.6.1.2.1.43.11.1.1.8.1.2 integer 100",
             ".1.3.6.1.2.1.43.11.1.1.9.1.1 integer 7",
             ".1.3.6.1.2.1.43.11.1.1.9.1.2 integer -3",
         }) {
        conf += std::string("override ") + line + "\n";
    }
    conf += "createUser plain\nrouser plain noauth\n";
    for (const AuthProtocol auth : AUTHS) {
        for (const PrivProtocol priv : PRIVS) {
            const std::string name = UserName(auth, priv);
            conf += "createUser " + name + " " + usm::Name(auth) + " " + AUTH_PASSWORD;
            if (priv != PrivProtocol::None) {
                conf += std::string(" ") + usm::Name(priv) + " " + PRIV_PASSWORD;
            }
            conf += "\nrouser " + name + (priv != PrivProtocol::None ? " priv\n" : " auth\n");
        }
    }
    return conf;
}

class UsmInterop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!Installed(SNMPD_PATH)) {
            return;
        }
        agent_ = new LoopbackAgent;
        const bool started =
            agent_->StartSnmpd(AgentConfiguration(), [](const std::string& target) {
                usm::Session probe(MakeUser("plain", AuthProtocol::None, PrivProtocol::None));
                return GetSysDescr(probe, target, 100).ok;
            });
        if (!started) {
            log_ = agent_->log();
            delete agent_;
            agent_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete agent_;
        agent_ = nullptr;
    }
    void SetUp() override {
        if (!Installed(SNMPD_PATH)) {
            GTEST_SKIP() << SNMPD_PATH << " is not installed (Debian package snmpd)";
        }
        ASSERT_NE(agent_, nullptr) << "snmpd did not start:\n" << log_;
    }

    static LoopbackAgent* agent_;
    static std::string log_;
};

LoopbackAgent* UsmInterop::agent_ = nullptr;
std::string UsmInterop::log_;

TEST_F(UsmInterop, EveryAuthenticationWithEveryPrivacyProtocol) {
    // What SNMPv2c reads of this agent; every user's v3 reading must read the same.
    const Condition v2c = ReadCondition(agent_->target(), nullptr);
    ASSERT_TRUE(condition::Complete(v2c)) << v2c.error;
    ASSERT_EQ(v2c.name, "v3-interop");
    ASSERT_EQ(v2c.supplies.size(), 2u);
    ASSERT_EQ(v2c.health, condition::Health::Warning) << "black toner at 7 %";
    const std::string expected = condition::ConditionJson(v2c);

    usm::KeyCache cache;
    for (const AuthProtocol auth : AUTHS) {
        for (const PrivProtocol priv : PRIVS) {
            const std::string name = UserName(auth, priv);
            usm::Session session(MakeUser(name, auth, priv), cache);
            const Got got = GetSysDescr(session, agent_->target());
            EXPECT_TRUE(got.ok) << name << ": " << got.error;
            EXPECT_EQ(got.value, DESCRIPTION) << name;
            EXPECT_EQ(got.exchanges, 2) << name << ": discovery and the request, no more";

            // The engine is known now: the next read is one exchange.
            const Got second = GetSysDescr(session, agent_->target());
            EXPECT_TRUE(second.ok) << name << " again: " << second.error;
            EXPECT_EQ(second.exchanges, 1) << name << " again";

            // With no retries, a request that waited out its time-out leaves it incomplete.
            const usm::User user = MakeUser(name, auth, priv);
            const Condition read = ReadCondition(agent_->target(), &user);
            EXPECT_TRUE(condition::Complete(read)) << name << ": " << read.error;
            EXPECT_EQ(condition::ConditionJson(read), expected) << name;
        }
    }
    // Key derivation is a million-byte hash: once per protocol and password, never per
    // request or per user.
    EXPECT_EQ(cache.derivations(), std::size(AUTHS) * 2);

    usm::Session plain(MakeUser("plain", AuthProtocol::None, PrivProtocol::None), cache);
    const Got got = GetSysDescr(plain, agent_->target());
    EXPECT_TRUE(got.ok) << "noAuthNoPriv: " << got.error;
    EXPECT_EQ(got.value, DESCRIPTION);
    const usm::User plainUser = MakeUser("plain", AuthProtocol::None, PrivProtocol::None);
    const Condition read = ReadCondition(agent_->target(), &plainUser);
    EXPECT_EQ(condition::ConditionJson(read), expected) << "noAuthNoPriv: " << read.error;
}

TEST_F(UsmInterop, MistakesGiveTheirOwnErrors) {
    struct Row {
        const char* name;
        usm::User user;
        const char* error;
        ReadError kind;  // what the condition reading calls it
    };
    const auto with = [](usm::User user, auto change) {
        change(user);
        return user;
    };
    const char* SILENCE =
        "no answer (a wrong privacy password or protocol looks like this to some agents)";
    const usm::User good = MakeUser("SHA-256.AES", AuthProtocol::Sha256, PrivProtocol::Aes128);
    const Row rows[] = {
        {"wrong authentication password",
         with(good, [](usm::User& u) { u.credentials.authPassword = "not-the-password"; }),
         "authentication failed (wrong password or protocol)", ReadError::Security},
        {"wrong authentication protocol",
         with(good, [](usm::User& u) { u.credentials.auth = AuthProtocol::Sha1; }),
         "authentication failed (wrong password or protocol)", ReadError::Security},
        {"unknown user", with(good, [](usm::User& u) { u.name = "nobody-here"; }),
         "unknown user nobody-here", ReadError::Security},
        {"authPriv for a user with authentication only",
         with(MakeUser("SHA-512", AuthProtocol::Sha512, PrivProtocol::None),
              [](usm::User& u) {
                  u.level = SecurityLevel::AuthPriv;
                  u.credentials.priv = PrivProtocol::Aes128;
              }),
         "security level not supported by the agent", ReadError::Security},
        // snmpd drops what it cannot decrypt without a report: silence, said as such.
        {"wrong privacy password",
         with(good, [](usm::User& u) { u.credentials.privPassword = "not-the-password"; }), SILENCE,
         ReadError::Timeout},
        {"wrong privacy protocol",
         with(good, [](usm::User& u) { u.credentials.priv = PrivProtocol::Des; }), SILENCE,
         ReadError::Timeout},
        {"the other AES-256 key extension",
         with(MakeUser("SHA.AES-256-C", AuthProtocol::Sha1, PrivProtocol::Aes256),
              [](usm::User&) {}),
         SILENCE, ReadError::Timeout},
        {"the other AES-192 key extension",
         with(MakeUser("MD5.AES-192", AuthProtocol::Md5, PrivProtocol::Aes192C), [](usm::User&) {}),
         SILENCE, ReadError::Timeout},
    };
    usm::KeyCache cache;
    for (const Row& row : rows) {
        usm::Session session(row.user, cache);
        const Got got = GetSysDescr(session, agent_->target(), 300);
        EXPECT_FALSE(got.ok) << row.name;
        EXPECT_EQ(got.error, row.error) << row.name;

        // The reading stops at the first refusal with the same words; a refusal comes at once,
        // only silence waits for the request's time-out.
        const auto started = std::chrono::steady_clock::now();
        const Condition read = ReadCondition(agent_->target(), &row.user);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_FALSE(read.answered) << row.name;
        EXPECT_EQ(read.error, row.error) << row.name;
        EXPECT_EQ(read.errorKinds, std::vector<ReadError>{row.kind}) << row.name;
        EXPECT_TRUE(read.supplies.empty()) << row.name;
        EXPECT_LT(took, row.kind == ReadError::Security ? 800ms : 2500ms) << row.name;
    }
}

TEST(UsmInteropSnmpsim, PysnmpKeyExtensionsAndContext) {
    if (!Installed(SNMPSIMD_PATH)) {
        GTEST_SKIP() << SNMPSIMD_PATH << " is not installed (Debian package snmpsim)";
    }
    struct Row {
        const char* user;
        const char* auth;  // as snmpsimd spells them
        const char* priv;
        AuthProtocol ourAuth;
        PrivProtocol ourPriv;
    };
    const Row rows[] = {
        {"md5des", "MD5", "DES", AuthProtocol::Md5, PrivProtocol::Des},
        {"shaaes", "SHA", "AES", AuthProtocol::Sha1, PrivProtocol::Aes128},
        {"sha224blmt192", "SHA224", "AES192BLMT", AuthProtocol::Sha224, PrivProtocol::Aes192},
        {"sha256aes192", "SHA256", "AES192", AuthProtocol::Sha256, PrivProtocol::Aes192C},
        {"sha384blmt256", "SHA384", "AES256BLMT", AuthProtocol::Sha384, PrivProtocol::Aes256},
        {"sha512aes256", "SHA512", "AES256", AuthProtocol::Sha512, PrivProtocol::Aes256C},
    };
    const auto userOf = [](const Row& row) {
        usm::User user = MakeUser(row.user, row.ourAuth, row.ourPriv);
        user.contextName = "printer";  // the data file's stem
        return user;
    };
    LoopbackAgent agent;
    std::ofstream(agent.dir() + "/data/printer.snmprec")
        << "1.3.6.1.2.1.1.1.0|4|" << DESCRIPTION << "\n";
    std::string command = std::string(SNMPSIMD_PATH) + " --data-dir=" + agent.dir() +
                          "/data --cache-dir=" + agent.dir() +
                          " --agent-udpv4-endpoint=" + agent.target() + " --logging-method=null" +
                          (geteuid() == 0 ? " --process-user=nobody --process-group=nogroup" : "");
    for (const Row& row : rows) {
        command += std::string(" --v3-user=") + row.user + " --v3-auth-key=" + AUTH_PASSWORD +
                   " --v3-auth-proto=" + row.auth + " --v3-priv-key=" + PRIV_PASSWORD +
                   " --v3-priv-proto=" + row.priv;
    }
    ASSERT_TRUE(agent.Start(command, [&](const std::string& target) {
        usm::Session probe(userOf(rows[0]));
        return GetSysDescr(probe, target, 100).ok;
    })) << agent.log();
    for (const Row& row : rows) {
        usm::Session session(userOf(row));
        const Got got = GetSysDescr(session, agent.target());
        EXPECT_TRUE(got.ok) << row.user << ": " << got.error;
        EXPECT_EQ(got.value, DESCRIPTION) << row.user;
    }
}

}  // namespace
