#include "tests/support/loopback_agent.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/loopback_udp.h"

bool Installed(const char* program) {
    return access(program, X_OK) == 0;
}

LoopbackAgent::LoopbackAgent() {
    char pattern[] = "/tmp/vm-agent-XXXXXX";
    dir_ = mkdtemp(pattern) != nullptr ? pattern : "/nonexistent";
    chmod(dir_.c_str(), 0777);
    mkdir((dir_ + "/data").c_str(), 0755);
    std::uint16_t port = 0;  // free now; the agent binds it a moment later
    close(LoopbackUdp(port));
    target_ = "127.0.0.1:" + std::to_string(port);
}

LoopbackAgent::~LoopbackAgent() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool LoopbackAgent::StartSnmpd(const std::string& conf, const Answers& answers) {
    std::ofstream(dir_ + "/data/snmpd.conf") << conf;
    return Start("env SNMP_PERSISTENT_DIR=" + dir_ + "/data " + SNMPD_PATH + " -f -Lo -C -c " +
                     dir_ + "/data/snmpd.conf udp:" + target_,
                 answers);
}

bool LoopbackAgent::StartSnmpsimd(const std::string& community, const std::string& snmprec,
                                  const Answers& answers) {
    std::ofstream(dir_ + "/data/" + community + ".snmprec") << snmprec;
    return StartSnmpsimdOnData(answers);
}

bool LoopbackAgent::StartSnmpsimdServing(const std::string& folder, const Answers& answers) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".snmprec") {
            std::filesystem::copy_file(entry.path(),
                                       dir_ + "/data/" + entry.path().filename().string());
        }
    }
    return StartSnmpsimdOnData(answers);
}

bool LoopbackAgent::StartSnmpsimdOnData(const Answers& answers) {
    return Start(std::string(SNMPSIMD_PATH) + " --data-dir=" + dir_ + "/data --cache-dir=" + dir_ +
                     " --agent-udpv4-endpoint=" + target_ + " --logging-method=null" +
                     (geteuid() == 0 ? " --process-user=nobody --process-group=nogroup" : ""),
                 answers);
}

bool LoopbackAgent::Start(const std::string& command, const Answers& answers) {
    const std::string line = "exec " + command + " >'" + dir_ + "/agent.log' 2>&1";
    if ((pid_ = fork()) == 0) {
        sigset_t none;  // a test may block signals the agent must receive
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int raw = 0;
    for (int waited = 0; pid_ > 0 && waited < 15000 && !Reaped(raw); waited += 10) {
        if (answers(target_)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool LoopbackAgent::Reaped(int& raw) {
    if (pid_ <= 0 || waitpid(pid_, &raw, WNOHANG) != pid_) {
        return false;
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    pid_ = -1;
    return true;
}

int LoopbackAgent::Stop() {
    int raw = 0;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        for (int waited = 0; waited < 3000 && !Reaped(raw); waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    return status_;
}

std::string LoopbackAgent::log() const {
    std::ostringstream text;
    text << std::ifstream(dir_ + "/agent.log").rdbuf();
    return text.str();
}
