// Runs the probe_cli helper inside a network namespace of its own (only `lo`, brought up), with
// chosen ICMP sysctls and optionally as the unprivileged user nobody, while a root raw ICMP
// socket in the same namespace records every echo request sent. Nothing leaves the machine.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct SandboxSetup {
    std::string pingGroupRange;  // net.ipv4.ping_group_range, written when not empty
    bool ignoreEcho = false;     // net.ipv4.icmp_echo_ignore_all=1
    bool unprivileged = false;   // run the helper as nobody:nogroup with no other groups
};

struct SandboxRun {
    std::string skipReason;    // not empty when this machine cannot make the sandbox
    std::string failure;       // not empty when making it failed on the way
    std::string socketKind;    // first line of the helper's output
    std::vector<int> results;  // one ProbeTarget result per target
    int exitStatus = -1;       // the helper's exit status, -1 when it did not exit
    long long elapsedMs = 0;   // from start to exit of the helper
    std::vector<std::array<std::uint8_t, 12>> requests;  // echo requests seen, in order
};

// Runs `cli` with `targets` as its arguments in a fresh network namespace.
SandboxRun RunInSandbox(const std::string& cli, const SandboxSetup& setup,
                        const std::vector<std::string>& targets);
