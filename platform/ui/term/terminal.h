// The process's terminal: raw keyboard mode and the full screen (the alternate screen, cursor
// hidden, no line wrapping), both undone on every way out (normal exit, exit(), and the
// signals that end or stop the process: an ended process dies by its signal, so Ctrl-C gives
// the shell status 130); painting lines on the full screen, writing whole buffers, reading
// with a deadline, the window size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vmterm {

// Raw keyboard mode on the terminal `fd` (no line editing, no echo; the signal keys still
// signal). False when `fd` is not a terminal. `outFd` is where the way out writes.
bool EnterRawMode(int fd, int outFd);
// The full screen on the terminal `outFd`: it starts clean, and the screen as it was comes
// back when it is left. False when `outFd` is not a terminal.
bool EnterFullScreen(int outFd);
// Leaves both, whichever is on.
void LeaveTerminalModes();

// Whether the screen must be cleared and drawn again whole since the last call (it was
// resized, or the program resumed after a stop); true once per such event.
bool TakeFullRepaint();

// Paints lines (fitted to the screen) with absolute cursor moves: only the lines that changed
// are written again, rows below the block are cleared, and a full paint (the first is one)
// clears the whole screen first, so a resize leaves no fragment of the old layout.
class ScreenPainter {
  public:
    // The escape sequences and text that turn the screen last painted into `lines`.
    std::string Paint(const std::vector<std::string>& lines, bool full);

  private:
    std::vector<std::string> shown_;
};

// Writes all of `text` to `fd`, retrying after interruptions. False on an error.
bool WriteAll(int fd, std::string_view text);

// Waits up to `timeoutMs` (negative: no limit) for `fd` to become readable and reads what is
// there. Returns the number of bytes read, 0 on end of file, -1 when the time ran out or a
// signal interrupted the wait.
long ReadWithin(int fd, char* buffer, std::size_t size, int timeoutMs);

// The size of the terminal on `fd`, or 80 x 24 when it has none.
void TerminalSize(int fd, std::size_t& columns, std::size_t& rows);

// Whether the terminal shows colours: TERM names a terminal other than "dumb", and NO_COLOR
// (the common convention of asking for none) is unset or empty.
bool ColourTerminal();

}  // namespace vmterm
