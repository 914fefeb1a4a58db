// Our manager against agents written by others: net-snmp's snmpd and snmpsim's snmpsimd, each
// started here on 127.0.0.1 and a free port. Skipped when the program is not installed.
#include <arpa/inet.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>

#include "tests/snmpmgr/manager_get.h"

namespace {

constexpr const char* kSysDescr = ".1.3.6.1.2.1.1.1.0";

// An agent run by /bin/sh with `file` in a scratch directory that others may read, on a port
// found free; stopped, reaped and cleaned up on destruction.
struct Agent {
    std::string dir, target;
    pid_t pid = -1;

    Agent(const std::string& file, const std::string& text) {
        char pattern[] = "/tmp/vm-snmpmgr-XXXXXX";
        dir = mkdtemp(pattern) != nullptr ? pattern : "/nonexistent";
        mkdir((dir + "/data").c_str(), 0755);
        chmod(dir.c_str(), 0777);  // the agent's own user keeps its cache here
        std::ofstream(dir + "/data/" + file) << text;
        sockaddr_in local{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof local;
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        bind(fd, reinterpret_cast<sockaddr*>(&local), length);
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        close(fd);
        target = "127.0.0.1:" + std::to_string(ntohs(local.sin_port));
    }
    ~Agent() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        std::filesystem::remove_all(dir);
    }
    // Runs `command` (output to agent.log) and waits up to about 15 s until it answers.
    bool Start(const std::string& command) {
        const std::string line = "exec " + command + " >'" + dir + "/agent.log' 2>&1";
        if ((pid = fork()) == 0) {
            execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int tries = 0; tries < 60; ++tries) {
            if (Get(target, "orchid", {kSysDescr}, 150).ok != 0) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
};

TEST(SnmpInterop, NetSnmpAgent) {
    if (access("/usr/sbin/snmpd", X_OK) != 0) {
        GTEST_SKIP() << "/usr/sbin/snmpd is not installed (Debian package snmpd)";
    }
    Agent agent("snmpd.conf", "rocommunity orchid 127.0.0.1\nsysDescr Vellumark interop agent\n");
    ASSERT_TRUE(agent.Start("env SNMP_PERSISTENT_DIR=" + agent.dir +
                            "/data /usr/sbin/snmpd -f -Lo -C -c " + agent.dir +
                            "/data/snmpd.conf udp:" + agent.target));

    Got r = Get(agent.target, "orchid", {kSysDescr, ".1.3.6.1.2.1.1.2.0", ".1.3.6.1.2.1.1.3.0"});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOERROR);
    ASSERT_EQ(r.values.size(), 3u);
    EXPECT_EQ(r.values[0], "04:Vellumark interop agent");
    EXPECT_EQ(r.values[1].rfind("06:.1.3.6.1.4.1.8072.", 0), 0u) << "net-snmp's enterprise";
    EXPECT_EQ(r.values[2], "43:") << "TimeTicks";

    r = Get(agent.target, "orchid", {kSysDescr, ".1.3.6.1.2.1.1.99.0"});
    EXPECT_EQ(std::make_tuple(r.ok != 0, r.status, r.index),
              std::make_tuple(true, SNMP_ERRORSTATUS_NOSUCHNAME, 2));
}

TEST(SnmpInterop, SnmpsimAgent) {
    if (access("/usr/bin/snmpsimd", X_OK) != 0) {
        GTEST_SKIP() << "/usr/bin/snmpsimd is not installed (Debian package snmpsim)";
    }
    Agent agent("orchid.snmprec",
                "1.3.6.1.2.1.1.1.0|4|Simulated LX-9\n"
                "1.3.6.1.2.1.25.3.2.1.3.1|4x|5175696c6c66656e00585a\n"
                "1.3.6.1.2.1.43.11.1.1.9.1.1|2|-3\n");
    ASSERT_TRUE(
        agent.Start("/usr/bin/snmpsimd --data-dir=" + agent.dir + "/data --cache-dir=" + agent.dir +
                    " --agent-udpv4-endpoint=" + agent.target + " --logging-method=null" +
                    (geteuid() == 0 ? " --process-user=nobody --process-group=nogroup" : "")));
    const Got r = Get(agent.target, "orchid",
                      {kSysDescr, ".1.3.6.1.2.1.25.3.2.1.3.1", ".1.3.6.1.2.1.43.11.1.1.9.1.1"});
    ASSERT_NE(r.ok, 0);
    EXPECT_EQ(r.status, SNMP_ERRORSTATUS_NOERROR);
    EXPECT_EQ(r.values, (std::vector<std::string>{"04:Simulated LX-9",
                                                  std::string("04:Quillfen\0XZ", 14), "02:-3"}))
        << "bytes after a zero are kept";
}

}  // namespace
