// Runs vellumark-term for the end-to-end tests: once as a child with its output collected,
// and interactively inside a private tmux server whose screen the test reads and types into.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `path` with `arguments` and `input` on its stdin (a pipe, closed after it), and waits
// up to `timeoutMs` (killed after that).
ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                      int timeoutMs, const std::string& input = "");

// One tmux server of the test's own (its own socket), one session of `columns` x `rows`
// running `command` in a shell. The server is killed on destruction.
class TmuxSession {
  public:
    TmuxSession(const std::string& command, int columns, int rows);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    bool ok() const { return ok_; }
    // The visible screen, lines joined with "\n".
    std::string Screen() const;
    // Waits up to `timeoutMs` until the screen contains `text`; true when it did.
    bool WaitFor(const std::string& text, int timeoutMs) const;
    // tmux send-keys with each word a key name ("Enter", "Escape", "C-u") or literal text
    // when `literal`.
    void Keys(const std::vector<std::string>& keys, bool literal = false) const;

  private:
    std::string Tmux(const std::string& arguments) const;
    std::string socket_;
    bool ok_ = false;
};

// `text` quoted for a POSIX shell.
std::string ShellQuote(const std::string& text);
