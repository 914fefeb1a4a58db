// RunCommand: a shell command run by a test, with its exit status and what it wrote to stdout.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <utility>

// Runs `command` with sh; its exit status (-1 when it did not exit normally) and its stdout.
inline std::pair<int, std::string> RunCommand(const std::string& command) {
    std::pair<int, std::string> result{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.second.append(buffer, n);
    }
    const int raw = pclose(pipe);
    result.first = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}
