// A live window on the terminal: the full screen, redrawn as it changes; keys, timers, tray
// clicks and posted commands delivered as messages. A modal dialog opened from a live window
// runs as a live window over it, as a nested message loop runs on Win32: the timers and posted
// messages of every running dialog go on being delivered, and the window below is drawn again
// once it has ended. In once mode the first content is taken for main() to print.
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <utility>

#include "platform/ui/term/dialog_model.h"
#include "platform/ui/term/input.h"
#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"
#include "platform/ui/term/tray.h"
#include "platform/ui/term/window_view.h"

namespace vmterm {
namespace {

std::string JoinLines(const std::vector<ViewLine>& lines) {
    std::string out;
    for (const ViewLine& line : lines) {
        out += line.text + "\n";
    }
    return out;
}

class LiveSession;

// What the live windows on one terminal share: its modes, the screen as last drawn, and the
// keys read ahead (a key may open a nested window, which then takes the keys after it). The
// windows are in the order they opened, the one drawn last.
struct SharedTerminal {
    bool screen = false;
    bool colours = false;
    bool inputOpen = true;
    bool drawnOver = false;  // another window was drawn since this one: paint it whole
    ScreenPainter painter;
    std::string printed;
    std::deque<Key> queued;
    std::vector<LiveSession*> sessions;
};

SharedTerminal& Shared() {
    static SharedTerminal shared;
    return shared;
}

// Every running dialog, as a copy: a message delivered may open or end one.
std::vector<Dialog*> Running() {
    return RunningDialogs().All();
}

class LiveSession {
  public:
    explicit LiveSession(Dialog& dialog) : dialog_(dialog), config_(Config()), shared_(Shared()) {
        if (shared_.sessions.empty()) {
            EnterRawMode(config_.inputFd, config_.outputFd);
            shared_.screen = EnterFullScreen(config_.outputFd);
            shared_.colours = shared_.screen && ColourTerminal();
        }
        shared_.sessions.push_back(this);
        shared_.drawnOver = true;
    }
    ~LiveSession() {
        shared_.sessions.pop_back();
        if (shared_.sessions.empty()) {
            LeaveTerminalModes();
            shared_ = SharedTerminal{};
        } else {
            shared_.drawnOver = true;
        }
    }
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    Dialog& Window() { return dialog_; }

    // Keys read ahead are handled one by one, each followed by the messages it posted and a
    // draw; timers fire once the keys read so far are handled.
    void Run() {
        while (!dialog_.ended) {
            DeliverPosted();
            if (dialog_.ended) {
                break;
            }
            Draw();
            if (!shared_.queued.empty()) {
                HandleKey(TakeKey());
                continue;
            }
            const int wait = MillisecondsToNextEvent();
            if (shared_.inputOpen) {
                ReadMoreKeys(wait);
            } else {
                poll(nullptr, 0, wait);
            }
            if (shared_.queued.empty()) {
                FireDueTimers();
            }
        }
    }

    int ChooseFromMenu(std::span<const tmpl::MenuItemTemplate> items) {
        std::vector<int> ids;
        for (const tmpl::MenuItemTemplate& item : items) {
            if (item.text != nullptr) {
                ids.push_back(item.id);
                menu_.push_back(item.text);
            }
        }
        Draw();
        int chosen = 0;
        while (chosen == 0 && (!shared_.queued.empty() || shared_.inputOpen)) {
            if (shared_.queued.empty()) {
                ReadMoreKeys(-1);
                continue;
            }
            const Key key = TakeKey();
            if (key.type == KeyType::Interrupt) {
                raise(SIGINT);
            } else if (key.type == KeyType::Escape) {
                break;
            }
            const int number =
                key.type == KeyType::Char && key.bytes.size() == 1 ? key.bytes[0] - '0' : 0;
            if (number >= 1 && static_cast<std::size_t>(number) <= ids.size()) {
                chosen = ids[static_cast<std::size_t>(number) - 1];
            }
        }
        menu_.clear();
        return chosen;
    }

  private:
    bool Nested() const { return shared_.sessions.front() != this; }

    void Draw() {
        // The entry field takes the keyboard whenever the window starts to await an entry.
        const bool awaits = AwaitsEntry(dialog_);
        editing_ = awaits && (editing_ || !awaited_);
        awaited_ = awaits;

        ViewOptions options{true, editing_, Nested(), 0, Clock::now(), menu_};
        std::size_t rows = 0;
        if (shared_.screen) {
            TerminalSize(config_.outputFd, options.columns, rows);
        }
        const std::vector<ViewLine> lines = RenderWindow(dialog_, options);
        std::string out;
        if (shared_.screen) {
            std::vector<std::string> styled;
            for (const ViewLine& line : FitLines(lines, options.columns, rows)) {
                styled.push_back(StyledLine(line, shared_.colours));
            }
            const bool resized = TakeFullRepaint();
            const bool drawnOver = std::exchange(shared_.drawnOver, false);
            out = shared_.painter.Paint(styled, resized || drawnOver);
        } else if (std::string text = JoinLines(lines) + "\n"; text != shared_.printed) {
            out = text;
            shared_.printed = std::move(text);
        }
        const unsigned alerts = TakeNewAlerts();
        if (config_.bell) {
            out.append(alerts, '\a');
        }
        if (!out.empty()) {
            WriteAll(config_.outputFd, out);
        }
    }

    // Keys read ahead wait here, so that a menu opened by one key sees the keys after it.
    void ReadMoreKeys(int waitMs) {
        bool endOfInput = false;
        for (Key& key : ReadKeys(config_.inputFd, waitMs, endOfInput)) {
            shared_.queued.push_back(std::move(key));
        }
        shared_.inputOpen = !endOfInput;
    }

    Key TakeKey() {
        Key key = std::move(shared_.queued.front());
        shared_.queued.pop_front();
        return key;
    }

    // The window whose tray icon the tray keys click: this one's, else the first running
    // dialog's that has one (a nested window has none of its own).
    Dialog* TrayOwner() {
        if (TrayTakesClicks(dialog_)) {
            return &dialog_;
        }
        for (Dialog* dialog : Running()) {
            if (!dialog->ended && TrayTakesClicks(*dialog)) {
                return dialog;
            }
        }
        return nullptr;
    }

    void NotifyTray(Dialog& owner, LPARAM mouseMessage) {
        const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(owner.Handle());
        Deliver(owner, icon->uCallbackMessage, icon->uID, mouseMessage);
    }

    void HandleKey(const Key& key) {
        const bool editing = dialog_.visible && AwaitsEntry(dialog_) && editing_;
        const Control* button = dialog_.DefaultButton();
        switch (key.type) {
            case KeyType::Interrupt:
                raise(SIGINT);
                return;
            case KeyType::Enter:
                if (button != nullptr && dialog_.visible) {
                    DeliverCommand(dialog_, button->source->id);
                }
                return;
            case KeyType::Escape:
                DeliverCommand(dialog_, IDCANCEL);
                return;
            case KeyType::Tab:
                editing_ = AwaitsEntry(dialog_) && !editing_;
                return;
            default:
                break;
        }
        if (editing) {
            Control& field = *dialog_.EntryField();
            std::string text = field.text;
            if (EditEntry(text, key, field.limit) && text != field.text) {
                SetControlText(dialog_, field, text);
            }
            return;
        }
        if (key.type != KeyType::Char || key.bytes.size() != 1) {
            return;
        }
        const char letter =
            static_cast<char>(std::tolower(static_cast<unsigned char>(key.bytes[0])));
        Dialog* tray = TrayOwner();
        const auto command = std::ranges::find(config_.commandKeys, letter, &CommandKey::letter);
        if (letter == 'q') {
            DeliverCommand(dialog_, IDCANCEL);
        } else if (letter == 'm' && tray != nullptr) {
            NotifyTray(*tray, WM_RBUTTONDOWN);
        } else if (tray != nullptr && (letter == 't' || (letter == 's' && !tray->visible))) {
            NotifyTray(*tray, WM_LBUTTONDBLCLK);  // s only shows: a hidden window's double-click
        } else if (command != config_.commandKeys.end()) {
            DeliverCommand(shared_.sessions.front()->Window(), command->command);
        } else if (Control* pressed = dialog_.visible ? ButtonForKey(dialog_, letter) : nullptr) {
            DeliverCommand(dialog_, pressed->source->id);
        }
    }

    // One posted message at a time, to whichever running dialog it was posted to.
    void DeliverPosted() {
        for (bool delivered = true; delivered && !dialog_.ended;) {
            delivered = false;
            for (Dialog* dialog : Running()) {
                if (!dialog->ended && !dialog->posted.empty()) {
                    const PostedMessage message = dialog->posted.front();
                    dialog->posted.pop_front();
                    Deliver(*dialog, message.message, message.wParam, message.lParam);
                    delivered = true;
                    break;
                }
            }
        }
    }

    int MillisecondsToNextEvent() const {
        const Clock::time_point now = Clock::now();
        Clock::time_point next = now + std::chrono::minutes(1);
        for (const Dialog* dialog : Running()) {
            for (const DialogTimer& timer : dialog->timers) {
                next = dialog->ended ? next : std::min(next, timer.due);
            }
        }
        if (const auto balloon = ActiveBalloon(now)) {
            next = std::min(next, balloon->until);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
        return static_cast<int>(std::max<long long>(left, 0));
    }

    // Each timer of a running dialog that has fallen due fires once, however late it is, and
    // is due again a full period after its tick (which may have set or killed timers, or
    // opened a window of its own).
    void FireDueTimers() {
        std::vector<std::pair<HWND, UINT_PTR>> due;
        for (Dialog* dialog : Running()) {
            for (const DialogTimer& timer : dialog->timers) {
                if (!dialog->ended && timer.due <= Clock::now()) {
                    due.emplace_back(dialog->Handle(), timer.id);
                }
            }
        }
        for (const auto& entry : due) {
            // Named, not a structured binding: the lambda below captures the id, which clang 14
            // cannot do with a binding.
            const HWND handle = entry.first;
            const UINT_PTR id = entry.second;
            Dialog* dialog = RunningDialogs().Find(handle);
            const auto stillDue = [&] {
                return std::ranges::any_of(dialog->timers, [&](const DialogTimer& timer) {
                    return timer.id == id && timer.due <= Clock::now();
                });
            };
            if (dialog_.ended || dialog == nullptr || dialog->ended || !stillDue()) {
                continue;
            }
            Deliver(*dialog, WM_TIMER, id, 0);
            if ((dialog = RunningDialogs().Find(handle)) == nullptr) {
                continue;
            }
            for (DialogTimer& timer : dialog->timers) {
                if (timer.id == id) {
                    timer.due = Clock::now() + std::chrono::milliseconds(timer.periodMs);
                }
            }
        }
    }

    Dialog& dialog_;
    const TermConfig& config_;
    SharedTerminal& shared_;
    bool editing_ = false;
    bool awaited_ = false;
    std::vector<std::string> menu_;  // the items of the open popup menu
};

// The innermost live window, the one drawn and given the keys; nullptr when none runs.
LiveSession* ActiveSession() {
    const auto& sessions = Shared().sessions;
    return sessions.empty() ? nullptr : sessions.back();
}

}  // namespace

void RunLiveWindow(Dialog& dialog) {
    dialog.visible = true;  // a modal dialog is shown once its initialisation has returned
    TermRuntime& runtime = Runtime();
    if (runtime.config.once) {
        runtime.once = {JoinLines(RenderWindow(dialog, ViewOptions{})),
                        WindowJson(dialog, runtime.report, runtime.config.target)};
        // The same way out as Exit, so the tray icon and the timer are removed.
        DeliverCommand(dialog, IDCANCEL);
        dialog.ended = true;
        return;
    }
    LiveSession session(dialog);
    session.Run();
}

bool LiveWindowRunning() {
    return ActiveSession() != nullptr;
}

int ChooseMenuItem(std::span<const tmpl::MenuItemTemplate> items) {
    LiveSession* session = ActiveSession();
    return session != nullptr ? session->ChooseFromMenu(items) : 0;
}

}  // namespace vmterm
