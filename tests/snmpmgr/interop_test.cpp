// Our manager against agents written by others: net-snmp's snmpd and snmpsim's snmpsimd, each
// started here on 127.0.0.1 and a free port. Skipped when the program is not installed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/snmpmgr/mgmtapi.h"

namespace {

bool IsExecutable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

std::uint16_t FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    close(fd);
    return ntohs(local.sin_port);
}

// A scratch directory that others (the agents' unprivileged users) may read.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/vm-snmpmgr-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) {
            throw std::runtime_error("cannot make a scratch directory");
        }
        path_ = made;
        chmod(path_.c_str(), 0755);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ + "/" + name) << text;
    }

  private:
    std::string path_;
};

// A child process whose output goes to a log file; stopped and reaped on destruction.
class Child {
  public:
    Child(std::vector<std::string> argv, const std::string& log,
          std::vector<std::string> env = {}) {
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            for (const std::string& entry : env) {
                putenv(const_cast<char*>(entry.c_str()));
            }
            std::vector<char*> args;
            for (std::string& a : argv) {
                args.push_back(a.data());
            }
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

  private:
    pid_t pid_ = -1;
};

// What one binding held after the answer, copied out before the list is released.
struct Answered {
    std::uint8_t type = ASN_NULL;
    AsnInteger32 number = 0;
    AsnUnsigned32 unsigned32 = 0;
    std::string text;  // OCTET STRING, IpAddress, Opaque
    std::vector<std::uint32_t> oid;
};

struct Result {
    int ok = 0;
    AsnInteger32 status = -1;
    AsnInteger32 index = -1;
    std::vector<Answered> values;
};

// One GET of `names` through a fresh session, the way the program makes its requests.
Result Get(const std::string& target, const char* community, std::vector<const char*> names,
           int timeoutMs = 500) {
    Result result;
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(target.c_str(), community, timeoutMs, 0);
    if (session == nullptr) {
        return result;
    }
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(names.size() * sizeof(SnmpVarBind)));
    list.len = static_cast<std::uint32_t>(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        SnmpMgrStrToOid(names[i], &list.list[i].name);
        list.list[i].value.asnType = ASN_NULL;
    }
    result.status = 0;
    result.index = 0;
    result.ok = SnmpMgrRequest(session, SNMP_PDU_GET, &list, &result.status, &result.index);
    for (std::uint32_t i = 0; i < list.len; ++i) {
        const AsnAny& v = list.list[i].value;
        Answered a;
        a.type = v.asnType;
        if (v.asnType == ASN_INTEGER) {
            a.number = v.asnValue.number;
        } else if (v.asnType == ASN_COUNTER32 || v.asnType == ASN_GAUGE32 ||
                   v.asnType == ASN_TIMETICKS) {
            a.unsigned32 = v.asnValue.unsigned32;
        } else if (v.asnType == ASN_OCTETSTRING || v.asnType == ASN_IPADDRESS ||
                   v.asnType == ASN_OPAQUE) {
            a.text.assign(reinterpret_cast<const char*>(v.asnValue.string.stream),
                          v.asnValue.string.length);
        } else if (v.asnType == ASN_OBJECTIDENTIFIER) {
            a.oid.assign(v.asnValue.object.ids, v.asnValue.object.ids + v.asnValue.object.idLength);
        }
        result.values.push_back(a);
    }
    SnmpUtilVarBindListFree(&list);
    SnmpMgrClose(session);
    return result;
}

bool WaitUntilAnswering(const std::string& target, const char* name) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < until) {
        if (Get(target, "orchid", {name}, 200).ok) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

constexpr const char* kSysDescr = ".1.3.6.1.2.1.1.1.0";
constexpr const char* kSysObjectId = ".1.3.6.1.2.1.1.2.0";
constexpr const char* kSysUpTime = ".1.3.6.1.2.1.1.3.0";
constexpr const char* kMissing = ".1.3.6.1.2.1.1.99.0";

TEST(SnmpInterop, NetSnmpAgent) {
    const std::string snmpd = "/usr/sbin/snmpd";
    if (!IsExecutable(snmpd)) {
        GTEST_SKIP() << snmpd << " is not installed (Debian package snmpd)";
    }
    TempDir dir;
    dir.Write("snmpd.conf", "rocommunity orchid 127.0.0.1\nsysDescr Vellumark interop agent\n");
    const std::uint16_t port = FreeUdpPort();
    const std::string target = "127.0.0.1:" + std::to_string(port);
    Child agent({snmpd, "-f", "-Lo", "-C", "-c", dir.path() + "/snmpd.conf", "udp:" + target},
                dir.path() + "/snmpd.log", {"SNMP_PERSISTENT_DIR=" + dir.path() + "/persist"});
    ASSERT_TRUE(WaitUntilAnswering(target, kSysDescr)) << "snmpd did not come up";

    Result r = Get(target, "orchid", {kSysDescr, kSysObjectId, kSysUpTime});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOERROR);
    EXPECT_EQ(r.values[0].type, ASN_OCTETSTRING);
    EXPECT_EQ(r.values[0].text, "Vellumark interop agent");
    EXPECT_EQ(r.values[1].type, ASN_OBJECTIDENTIFIER);
    ASSERT_GE(r.values[1].oid.size(), 7u);
    EXPECT_EQ(r.values[1].oid[6], 8072u) << "net-snmp's enterprise number";
    EXPECT_EQ(r.values[2].type, ASN_TIMETICKS);

    r = Get(target, "orchid", {kSysDescr, kMissing});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOSUCHNAME);
    EXPECT_EQ(r.index, 2);

    r = Get(target, "not-the-community", {kSysDescr}, 300);
    EXPECT_EQ(r.ok, 0) << "snmpd stays silent for a wrong community";
}

TEST(SnmpInterop, SnmpsimAgent) {
    const std::string snmpsimd = "/usr/bin/snmpsimd";
    if (!IsExecutable(snmpsimd)) {
        GTEST_SKIP() << snmpsimd << " is not installed (Debian package snmpsim)";
    }
    TempDir dir;
    mkdir((dir.path() + "/data").c_str(), 0755);
    mkdir((dir.path() + "/cache").c_str(), 0777);
    chmod((dir.path() + "/cache").c_str(), 0777);
    dir.Write("data/orchid.snmprec",
              "1.3.6.1.2.1.1.1.0|4|Simulated LX-9\n"
              "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.2435.2.3.9.1\n"
              "1.3.6.1.2.1.1.3.0|67|4294967295\n"
              "1.3.6.1.2.1.2.2.1.10.1|65|2147483648\n"
              "1.3.6.1.2.1.2.2.1.5.1|66|100000000\n"
              "1.3.6.1.2.1.4.20.1.1.1|64|192.168.1.10\n"
              "1.3.6.1.2.1.25.3.2.1.3.1|4x|5175696c6c66656e00585a\n"
              "1.3.6.1.2.1.43.11.1.1.9.1.1|2|-3\n");
    const std::uint16_t port = FreeUdpPort();
    const std::string target = "127.0.0.1:" + std::to_string(port);
    std::vector<std::string> argv = {snmpsimd, "--data-dir=" + dir.path() + "/data",
                                     "--cache-dir=" + dir.path() + "/cache",
                                     "--agent-udpv4-endpoint=" + target, "--logging-method=null"};
    if (geteuid() == 0) {
        argv.push_back("--process-user=nobody");
        argv.push_back("--process-group=nogroup");
    }
    Child agent(argv, dir.path() + "/snmpsimd.log");
    ASSERT_TRUE(WaitUntilAnswering(target, kSysDescr)) << "snmpsimd did not come up";

    Result r = Get(
        target, "orchid",
        {kSysDescr, kSysObjectId, kSysUpTime, ".1.3.6.1.2.1.2.2.1.10.1", ".1.3.6.1.2.1.2.2.1.5.1",
         ".1.3.6.1.2.1.4.20.1.1.1", ".1.3.6.1.2.1.25.3.2.1.3.1", ".1.3.6.1.2.1.43.11.1.1.9.1.1"});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOERROR);
    EXPECT_EQ(r.values[0].text, "Simulated LX-9");
    EXPECT_EQ(r.values[1].oid, (std::vector<std::uint32_t>{1, 3, 6, 1, 4, 1, 2435, 2, 3, 9, 1}));
    EXPECT_EQ(r.values[2].type, ASN_TIMETICKS);
    EXPECT_EQ(r.values[2].unsigned32, 4294967295u);
    EXPECT_EQ(r.values[3].type, ASN_COUNTER32);
    EXPECT_EQ(r.values[3].unsigned32, 2147483648u);
    EXPECT_EQ(r.values[4].type, ASN_GAUGE32);
    EXPECT_EQ(r.values[4].unsigned32, 100000000u);
    EXPECT_EQ(r.values[5].type, ASN_IPADDRESS);
    EXPECT_EQ(r.values[5].text, "\xC0\xA8\x01\x0A");
    EXPECT_EQ(r.values[6].text, std::string("Quillfen\0XZ", 11)) << "bytes after a zero are kept";
    EXPECT_EQ(r.values[7].type, ASN_INTEGER);
    EXPECT_EQ(r.values[7].number, -3);

    r = Get(target, "orchid", {kMissing});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOSUCHNAME);
    EXPECT_EQ(r.index, 1);
}

}  // namespace
