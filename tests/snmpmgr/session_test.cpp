// Manager sessions against a scripted agent on loopback: which datagrams count as the answer,
// what the list holds afterwards, and how long a request waits.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/snmpmgr/mgmtapi.h"
#include "tests/snmpmgr/udp_peer.h"

namespace {

using testpeer::Bytes;
using testpeer::UdpPeer;

constexpr const char* kSysDescr = ".1.3.6.1.2.1.1.1.0";

// A request list of the given names with NULL values, as the program builds it.
class RequestList {
  public:
    explicit RequestList(std::vector<const char*> names) {
        list_.list =
            static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(names.size() * sizeof(SnmpVarBind)));
        list_.len = static_cast<std::uint32_t>(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            SnmpMgrStrToOid(names[i], &list_.list[i].name);
            list_.list[i].value.asnType = ASN_NULL;
        }
    }
    ~RequestList() { SnmpUtilVarBindListFree(&list_); }
    SnmpVarBindList* get() { return &list_; }
    SnmpVarBind& operator[](std::size_t i) { return list_.list[i]; }

  private:
    SnmpVarBindList list_{};
};

ber::Value Octets(const std::string& text) {
    ber::Value v;
    v.tag = 0x04;
    v.bytes.assign(text.begin(), text.end());
    return v;
}

ber::Value Number(std::uint8_t tag, std::int64_t n) {
    ber::Value v;
    v.tag = tag;
    v.integer = n;
    return v;
}

std::string TargetOf(const UdpPeer& peer) {
    return "127.0.0.1:" + std::to_string(peer.port());
}

std::string StringOf(const AsnAny& value) {
    return std::string(reinterpret_cast<const char*>(value.asnValue.string.stream),
                       value.asnValue.string.length);
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

TEST(SnmpSession, TakesTheAnswerAndUsesAFreshRequestIdEachTime) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        p.Send(UdpPeer::Answer(r.message, {Octets("Ready")}), r.from);
    });
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    for (int round = 0; round < 3; ++round) {
        RequestList list({kSysDescr});
        AsnInteger32 status = -1;
        AsnInteger32 index = -1;
        ASSERT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), &status, &index), 0);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(index, 0);
        EXPECT_EQ(list[0].value.asnType, ASN_OCTETSTRING);
        EXPECT_EQ(StringOf(list[0].value), "Ready");
        EXPECT_TRUE(list[0].value.asnValue.string.dynamic);
    }
    SnmpMgrClose(session);

    const auto requests = peer.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const ber::Message& m = requests[i].message;
        EXPECT_EQ(m.version, 0);
        EXPECT_EQ(m.community, "orchid");
        EXPECT_EQ(m.pduType, SNMP_PDU_GET);
        EXPECT_EQ(m.errorStatus, 0);
        EXPECT_EQ(m.errorIndex, 0);
        ASSERT_EQ(m.varbinds.size(), 1u);
        EXPECT_EQ(m.varbinds[0].name, (std::vector<std::uint32_t>{1, 3, 6, 1, 2, 1, 1, 1, 0}));
        EXPECT_EQ(m.varbinds[0].value.tag, ASN_NULL);
        if (i > 0) {
            EXPECT_NE(m.requestId, requests[i - 1].message.requestId);
        }
    }
}

TEST(SnmpSession, IgnoresEverythingButTheMatchingAnswer) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        const ber::Message& req = r.message;
        auto altered = [&](auto change) {
            ber::Message m = req;
            m.pduType = 0xA2;
            m.varbinds[0].value = Octets("stray");
            change(m);
            return UdpPeer::Encode(m);
        };
        const Bytes good = UdpPeer::Answer(req, {Octets("the answer")}, 5, 1);
        p.Send(altered([](ber::Message& m) { m.requestId += 1; }), r.from);
        p.SendFromOtherPort(good, r.from);
        p.SendFromOtherAddress(good, r.from);
        p.Send({0x30, 0x03, 0x02, 0x01}, r.from);  // cut short
        p.Send(Bytes(200, 0xFF), r.from);          // noise
        p.Send(altered([](ber::Message& m) { m.community = "public"; }), r.from);
        p.Send(r.raw, r.from);  // our own request echoed
        p.Send(altered([](ber::Message& m) { m.pduType = 0xA3; }), r.from);
        p.Send(altered([](ber::Message& m) { m.varbinds[0].name.back() += 1; }), r.from);
        p.Send(altered([](ber::Message& m) { m.varbinds.push_back(m.varbinds[0]); }), r.from);
        p.Send(Bytes(good.begin(), good.end() - 1), r.from);  // the answer, truncated
        p.Send(good, r.from);
        p.Send(altered([](ber::Message&) {}), r.from);  // a second answer comes too late
    });
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    RequestList list({kSysDescr});
    AsnInteger32 status = 0;
    AsnInteger32 index = 0;
    ASSERT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), &status, &index), 0);
    EXPECT_EQ(StringOf(list[0].value), "the answer");
    EXPECT_EQ(status, 5);
    EXPECT_EQ(index, 1);

    // The late duplicate still waiting on the socket is not taken as the next answer.
    RequestList next({kSysDescr});
    ASSERT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, next.get(), &status, &index), 0);
    EXPECT_EQ(StringOf(next[0].value), "the answer");
    SnmpMgrClose(session);
}

TEST(SnmpSession, StraysNeverExtendTheDeadline) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        ber::Message wrong = r.message;
        wrong.pduType = 0xA2;
        wrong.requestId ^= 0x10;
        const Bytes stray = UdpPeer::Encode(wrong);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000);
        while (!p.stopping() && std::chrono::steady_clock::now() < until) {
            p.Send(stray, r.from);
            p.SendFromOtherPort(UdpPeer::Answer(r.message), r.from);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    RequestList list({kSysDescr});
    AsnInteger32 status = 7;
    AsnInteger32 index = 7;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), &status, &index), 0);
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 400);
    EXPECT_LE(waited, 1500);
    EXPECT_EQ(list[0].value.asnType, ASN_NULL);
    EXPECT_EQ(status, 7);
    EXPECT_EQ(index, 7);
    SnmpMgrClose(session);
}

TEST(SnmpSession, NoAnswerLeavesTheListAsItWas) {
    UdpPeer peer([](UdpPeer&, const UdpPeer::Request&) {});
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 300, 0);
    ASSERT_NE(session, nullptr);
    RequestList list({kSysDescr, ".1.3.6.1.2.1.1.5.0"});
    SnmpVarBind* const array = list.get()->list;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), nullptr, nullptr), 0);
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 250);
    EXPECT_LE(waited, 1200);
    EXPECT_EQ(list.get()->list, array);
    EXPECT_EQ(list.get()->len, 2u);
    EXPECT_EQ(list[0].value.asnType, ASN_NULL);
    EXPECT_EQ(list[1].name.idLength, 9u);
    EXPECT_EQ(list[1].name.ids[7], 5u);
    SnmpMgrClose(session);
    EXPECT_EQ(peer.requests().size(), 1u) << "no retries were asked for";
}

TEST(SnmpSession, RetriesResendTheSameRequest) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        if (p.requests().size() == 3) {
            p.Send(UdpPeer::Answer(r.message, {Number(ASN_INTEGER, -2)}), r.from);
        }
    });
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 150, 2);
    ASSERT_NE(session, nullptr);
    RequestList list({kSysDescr});
    ASSERT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), nullptr, nullptr), 0);
    EXPECT_EQ(list[0].value.asnType, ASN_INTEGER);
    EXPECT_EQ(list[0].value.asnValue.number, -2);
    const auto requests = peer.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].raw, requests[2].raw);

    // Two tries that both go unanswered: zero, after two sends.
    RequestList again({kSysDescr});
    LPSNMP_MGR_SESSION other = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 100, 1);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(SnmpMgrRequest(other, SNMP_PDU_GET, again.get(), nullptr, nullptr), 0);
    EXPECT_EQ(peer.requests().size(), 5u);
    SnmpMgrClose(other);
    SnmpMgrClose(session);
}

TEST(SnmpSession, CopiesEveryValueTypeIntoTheList) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        ber::Value oid;
        oid.tag = ASN_OBJECTIDENTIFIER;
        oid.oid = {1, 3, 6, 1, 4, 1, 2435};
        ber::Value ip;
        ip.tag = ASN_IPADDRESS;
        ip.bytes = {192, 168, 1, 10};
        ber::Value opaque;
        opaque.tag = ASN_OPAQUE;
        opaque.bytes = {'W', 'X', 'Y', 'Z'};
        ber::Value counter64;
        counter64.tag = ASN_COUNTER64;
        counter64.bytes = {0x01, 0x00, 0x00, 0x00, 0x00};
        ber::Value missing;
        missing.tag = 0x81;
        p.Send(UdpPeer::Answer(r.message, {Number(ASN_INTEGER, -2147483648LL),
                                           Number(ASN_COUNTER32, 4294967295LL),
                                           Number(ASN_TIMETICKS, 100), oid, ip, opaque, Octets(""),
                                           Octets(std::string(60000, 'x')), counter64, missing}),
               r.from);
    });
    LPSNMP_MGR_SESSION session =
        SnmpMgrOpen(("localhost:" + std::to_string(peer.port())).c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    RequestList list({".1.3.1", ".1.3.2", ".1.3.3", ".1.3.4", ".1.3.5", ".1.3.6", ".1.3.7",
                      ".1.3.8", ".1.3.9", ".1.3.10"});
    ASSERT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), nullptr, nullptr), 0);
    SnmpMgrClose(session);

    EXPECT_EQ(list[0].value.asnValue.number, -2147483647 - 1);
    EXPECT_EQ(list[1].value.asnType, ASN_COUNTER32);
    EXPECT_EQ(list[1].value.asnValue.unsigned32, 4294967295u);
    EXPECT_EQ(list[2].value.asnType, ASN_TIMETICKS);
    EXPECT_EQ(list[2].value.asnValue.unsigned32, 100u);
    ASSERT_EQ(list[3].value.asnType, ASN_OBJECTIDENTIFIER);
    ASSERT_EQ(list[3].value.asnValue.object.idLength, 7u);
    EXPECT_EQ(list[3].value.asnValue.object.ids[6], 2435u);
    EXPECT_EQ(list[4].value.asnType, ASN_IPADDRESS);
    EXPECT_EQ(StringOf(list[4].value), "\xC0\xA8\x01\x0A");
    EXPECT_EQ(list[5].value.asnType, ASN_OPAQUE);
    EXPECT_EQ(StringOf(list[5].value), "WXYZ");
    EXPECT_EQ(list[6].value.asnType, ASN_OCTETSTRING);
    EXPECT_EQ(list[6].value.asnValue.string.length, 0u);
    EXPECT_NE(list[6].value.asnValue.string.stream, nullptr);
    EXPECT_EQ(StringOf(list[7].value), std::string(60000, 'x')) << "a large answer is taken whole";
    EXPECT_EQ(list[8].value.asnType, ASN_COUNTER64);
    EXPECT_EQ(list[8].value.asnValue.counter64, 0x100000000ull);
    EXPECT_EQ(list[9].value.asnType, 0x81);
    // Names are untouched by the answer.
    EXPECT_EQ(list[9].name.idLength, 3u);
    EXPECT_EQ(list[9].name.ids[2], 10u);
}

TEST(SnmpSession, NoSuchNameIsAnAnswerWithItsStatus) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        p.Send(UdpPeer::Answer(r.message, {}, SNMP_ERRORSTATUS_NOSUCHNAME, 1), r.from);
    });
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    RequestList list({kSysDescr});
    AsnInteger32 status = 0;
    AsnInteger32 index = 0;
    EXPECT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), &status, &index), 0);
    EXPECT_EQ(status, SNMP_ERRORSTATUS_NOSUCHNAME);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(list[0].value.asnType, ASN_NULL);
    SnmpMgrClose(session);
}

TEST(SnmpSession, OpenAcceptsPortsAndRefusesWhatCannotBeReached) {
    UdpPeer peer([](UdpPeer& p, const UdpPeer::Request& r) {
        p.Send(UdpPeer::Answer(r.message, {Number(ASN_GAUGE32, 42)}), r.from);
    });
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(TargetOf(peer).c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    RequestList list({kSysDescr});
    EXPECT_NE(SnmpMgrRequest(session, SNMP_PDU_GET, list.get(), nullptr, nullptr), 0);
    EXPECT_EQ(list[0].value.asnValue.unsigned32, 42u);
    EXPECT_EQ(SnmpMgrRequest(session, SNMP_PDU_GETNEXT, list.get(), nullptr, nullptr), 0)
        << "only GetRequests are made";
    SnmpMgrClose(session);

    const char* unreachable[] = {
        "",
        ":161",
        "127.0.0.1:0",
        "127.0.0.1:65536",
        "127.0.0.1:12a",
        "127.0.0.1:",
        "127.0.0.1::161",
        "no-such-host.invalid",
        "no-such-host.invalid:1161",
    };
    for (const char* target : unreachable) {
        LPSNMP_MGR_SESSION s = SnmpMgrOpen(target, "orchid", 500, 0);
        EXPECT_EQ(s, nullptr) << target;
        SnmpMgrClose(s);
    }
    EXPECT_EQ(SnmpMgrOpen("127.0.0.1", std::string(256, 'c').c_str(), 500, 0), nullptr);
    EXPECT_EQ(SnmpMgrClose(nullptr), 0);
}

}  // namespace
