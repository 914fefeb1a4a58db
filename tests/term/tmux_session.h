// A terminal of a test's own: a private tmux server (its own socket) running an interactive
// shell in an 80 x 24 window, killed with the object; its screen read as text.
#pragma once

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/support/run_command.h"

struct Tmux {
    Tmux() { Run("new-session -d -s main -x 80 -y 24 \"env PS1='sh> ' bash --norc --noprofile\""); }
    ~Tmux() { Run("kill-server"); }
    std::string Run(const std::string& arguments) const {
        return RunCommand("tmux -L vm-term-" + std::to_string(getpid()) + " " + arguments + " 2>&1")
            .second;
    }
    std::string Screen() const { return Run("capture-pane -p -t main"); }
    // The screen without the blank lines below what is drawn.
    std::string Drawn() const {
        const std::string screen = Screen();
        return screen.substr(0, screen.find_last_not_of("\n ") + 1);
    }
    // tmux key names ("Enter", "C-c"), or after "-l " text to type.
    void Keys(const std::string& keys) const { Run("send-keys -t main " + keys); }
    void Type(const std::string& line) const {  // a line without single quotes
        Keys("-l '" + line + "'");
        Keys("Enter");
    }
    // Waits up to `timeoutMs` until the screen shows `text`.
    bool WaitFor(const std::string& text, int timeoutMs = 10000) const {
        for (int waited = 0; waited <= timeoutMs; waited += 50) {
            if (Screen().find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
};
