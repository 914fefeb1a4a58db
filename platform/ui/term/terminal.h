// The process's terminal: raw keyboard mode that is undone on every way out (normal exit,
// exit(), and the signals that end or stop the process), writing whole buffers, reading with
// a deadline, and the window size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vmterm {

// True when `fd` is a terminal.
bool IsTerminal(int fd);

// Puts the terminal on `fd` into raw keyboard mode (no line editing, no echo; signal keys
// still signal); with `screen` also hides the cursor and turns off line wrapping on `outFd`.
// Returns false when `fd` is not a terminal. Until LeaveRawMode, exit paths and SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGPIPE restore the terminal first; SIGTSTP restores it before stopping and
// SIGCONT re-enters.
bool EnterRawMode(int fd, int outFd, bool screen);
void LeaveRawMode();
bool InRawMode();

enum class RepaintRequest {
    None,
    Full,   // the terminal was resized: rewrite every line in place
    Fresh,  // resumed after a stop: the shell wrote below, so start a new block
};

// The repaint needed since the last call, once.
RepaintRequest TakeRepaintRequest();

// Writes all of `text` to `fd`, retrying after interruptions. False on an error.
bool WriteAll(int fd, std::string_view text);

// Waits up to `timeoutMs` (negative: no limit) for `fd` to become readable and reads what is
// there. Returns the number of bytes read, 0 on end of file, -1 when the time ran out or a
// signal interrupted the wait.
long ReadWithin(int fd, char* buffer, std::size_t size, int timeoutMs);

// The size of the terminal on `fd`, or 80 x 24 when it has none.
void TerminalSize(int fd, std::size_t& columns, std::size_t& rows);

}  // namespace vmterm
