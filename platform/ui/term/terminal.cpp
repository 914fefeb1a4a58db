#include "platform/ui/term/terminal.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vmterm {
namespace {

// Alternate screen, cursor off, wrapping off; and back.
constexpr char ENTER_SCREEN[] = "\x1b[?1049h\x1b[?25l\x1b[?7l";
constexpr char LEAVE_SCREEN[] = "\x1b[?7h\x1b[?25h\x1b[?1049l";

struct termios g_saved;
volatile sig_atomic_t g_raw = 0;
volatile sig_atomic_t g_screen = 0;
volatile sig_atomic_t g_repaint = 0;
int g_inFd = -1;
int g_outFd = -1;
bool g_handlersInstalled = false;

bool IsTerminal(int fd) {
    return isatty(fd) == 1;
}

void Write(const char* text, std::size_t size) {
    ssize_t ignored = write(g_outFd, text, size);
    (void)ignored;
}

// Async-signal-safe: only tcsetattr and write.
void RestoreNow() {
    if (g_raw != 0) {
        g_raw = 0;
        tcsetattr(g_inFd, TCSADRAIN, &g_saved);
    }
    if (g_screen != 0) {
        g_screen = 0;
        Write(LEAVE_SCREEN, sizeof LEAVE_SCREEN - 1);
    }
}

bool ApplyRaw() {
    struct termios raw = g_saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_raw = tcsetattr(g_inFd, TCSADRAIN, &raw) == 0 ? 1 : 0;
    return g_raw != 0;
}

void ApplyScreen() {
    g_screen = 1;
    Write(ENTER_SCREEN, sizeof ENTER_SCREEN - 1);
}

void OnFatalSignal(int signalNumber) {
    if (g_raw != 0 && g_screen == 0) {
        Write("\r\n", 2);  // leave the prompt's line, so what follows starts on its own
    }
    RestoreNow();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);  // delivered once this handler returns: the process ends by it
}

void OnStop(int) {
    const int savedErrno = errno;
    const bool wasRaw = g_raw != 0;
    const bool wasScreen = g_screen != 0;
    RestoreNow();
    // Stop for real: the default action, with the signal no longer blocked by this handler.
    signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    // Running again after SIGCONT.
    signal(SIGTSTP, OnStop);
    if (wasRaw) {
        ApplyRaw();
    }
    if (wasScreen) {
        ApplyScreen();
    }
    g_repaint = 1;
    errno = savedErrno;
}

void OnResize(int) {
    g_repaint = 1;
}

void InstallHandlers() {
    if (g_handlersInstalled) {
        return;
    }
    g_handlersInstalled = true;
    std::atexit(RestoreNow);
    // A signal the parent set to be ignored (nohup, a background job) stays ignored.
    const auto install = [](int signalNumber, void (*handler)(int)) {
        struct sigaction current = {};
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            signal(signalNumber, handler);
        }
    };
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        install(signalNumber, OnFatalSignal);
    }
    install(SIGTSTP, OnStop);
    install(SIGWINCH, OnResize);
}

}  // namespace

bool EnterRawMode(int fd, int outFd) {
    if (g_raw != 0) {
        return true;
    }
    if (!IsTerminal(fd) || tcgetattr(fd, &g_saved) != 0) {
        return false;
    }
    g_inFd = fd;
    g_outFd = outFd;
    InstallHandlers();
    return ApplyRaw();
}

bool EnterFullScreen(int outFd) {
    if (g_screen != 0) {
        return true;
    }
    if (!IsTerminal(outFd)) {
        return false;
    }
    g_outFd = outFd;
    InstallHandlers();
    ApplyScreen();
    return true;
}

void LeaveTerminalModes() {
    RestoreNow();
}

bool TakeFullRepaint() {
    const bool requested = g_repaint != 0;
    g_repaint = 0;
    return requested;
}

std::string ScreenPainter::Paint(const std::vector<std::string>& lines, bool full) {
    std::string out;
    full = full || shown_.empty();
    if (full) {
        out = "\x1b[H\x1b[2J";
        shown_.clear();
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (full || i >= shown_.size() || shown_[i] != lines[i]) {
            // Erased before it is written: with wrapping off, the cursor stays on a line's last
            // column after writing there, and an erase afterwards would take that character.
            out += "\x1b[" + std::to_string(i + 1) + ";1H\x1b[2K" + lines[i];
        }
    }
    if (lines.size() < shown_.size()) {
        out += "\x1b[" + std::to_string(lines.size() + 1) + ";1H\x1b[J";
    }
    shown_ = lines;
    return out;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

long ReadWithin(int fd, char* buffer, std::size_t size, int timeoutMs) {
    struct pollfd request = {fd, POLLIN, 0};
    if (poll(&request, 1, timeoutMs) <= 0) {
        return -1;
    }
    for (;;) {
        const ssize_t count = read(fd, buffer, size);
        if (count >= 0) {
            return static_cast<long>(count);
        }
        if (errno != EINTR) {
            return 0;  // an unreadable input counts as its end
        }
    }
}

void TerminalSize(int fd, std::size_t& columns, std::size_t& rows) {
    struct winsize size = {};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
        return;
    }
    columns = 80;
    rows = 24;
}

bool ColourTerminal() {
    const char* term = std::getenv("TERM");
    const char* noColour = std::getenv("NO_COLOR");
    return term != nullptr && *term != '\0' && std::string_view(term) != "dumb" &&
           (noColour == nullptr || *noColour == '\0');
}

}  // namespace vmterm
