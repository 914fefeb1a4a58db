// A live window on the terminal: the full screen, redrawn as it changes; keys, timers, tray
// clicks and posted commands delivered as messages. In once mode its first content is taken
// for main() to print.
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <deque>

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

class LiveSession {
  public:
    explicit LiveSession(Dialog& dialog) : dialog_(dialog), config_(Config()) {
        EnterRawMode(config_.inputFd, config_.outputFd);
        screen_ = EnterFullScreen(config_.outputFd);
    }
    ~LiveSession() { LeaveTerminalModes(); }
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Keys read ahead are handled one by one, each followed by the messages it posted and a
    // draw; timers fire once the keys read so far are handled.
    void Run() {
        while (!dialog_.ended) {
            DeliverPosted();
            if (dialog_.ended) {
                break;
            }
            Draw();
            if (!queued_.empty()) {
                HandleKey(TakeKey());
                continue;
            }
            const int wait = MillisecondsToNextEvent();
            if (inputOpen_) {
                ReadMoreKeys(wait);
            } else {
                poll(nullptr, 0, wait);
            }
            if (queued_.empty()) {
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
        while (chosen == 0 && (!queued_.empty() || inputOpen_)) {
            if (queued_.empty()) {
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
    void Draw() {
        // The entry field takes the keyboard whenever the window starts to await an entry.
        const bool awaits = AwaitsEntry(dialog_);
        editing_ = awaits && (editing_ || !awaited_);
        awaited_ = awaits;

        ViewOptions options{true, editing_, 0, Clock::now(), menu_};
        std::size_t rows = 0;
        if (screen_) {
            TerminalSize(config_.outputFd, options.columns, rows);
        }
        const std::vector<ViewLine> lines = RenderWindow(dialog_, options);
        if (screen_) {
            WriteAll(config_.outputFd,
                     painter_.Paint(FitToScreen(lines, options.columns, rows), TakeFullRepaint()));
        } else if (const std::string text = JoinLines(lines) + "\n"; text != printed_) {
            WriteAll(config_.outputFd, text);
            printed_ = text;
        }
    }

    // Keys read ahead wait here, so that a menu opened by one key sees the keys after it.
    void ReadMoreKeys(int waitMs) {
        bool endOfInput = false;
        for (Key& key : ReadKeys(config_.inputFd, waitMs, endOfInput)) {
            queued_.push_back(std::move(key));
        }
        inputOpen_ = !endOfInput;
    }

    Key TakeKey() {
        Key key = std::move(queued_.front());
        queued_.pop_front();
        return key;
    }

    void NotifyTray(LPARAM mouseMessage) {
        if (TrayTakesClicks(dialog_)) {
            const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(dialog_.Handle());
            Deliver(dialog_, icon->uCallbackMessage, icon->uID, mouseMessage);
        }
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
        if (letter == 'q') {
            DeliverCommand(dialog_, IDCANCEL);
        } else if (letter == 'm') {
            NotifyTray(WM_RBUTTONDOWN);
        } else if (letter == 't' || (letter == 's' && !dialog_.visible)) {
            NotifyTray(WM_LBUTTONDBLCLK);  // s only shows: a hidden window's double-click
        } else if (Control* pressed = dialog_.visible ? ButtonForKey(dialog_, letter) : nullptr) {
            DeliverCommand(dialog_, pressed->source->id);
        }
    }

    void DeliverPosted() {
        while (!dialog_.posted.empty() && !dialog_.ended) {
            const PostedMessage message = dialog_.posted.front();
            dialog_.posted.pop_front();
            Deliver(dialog_, message.message, message.wParam, message.lParam);
        }
    }

    int MillisecondsToNextEvent() const {
        const Clock::time_point now = Clock::now();
        Clock::time_point next = now + std::chrono::minutes(1);
        for (const DialogTimer& timer : dialog_.timers) {
            next = std::min(next, timer.due);
        }
        if (const auto balloon = ActiveBalloon(now)) {
            next = std::min(next, balloon->until);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
        return static_cast<int>(std::max<long long>(left, 0));
    }

    // Each timer that has fallen due fires once, however late it is, and is due again a full
    // period after its tick (which may have set or killed timers).
    void FireDueTimers() {
        for (std::size_t i = 0; i < dialog_.timers.size() && !dialog_.ended; ++i) {
            if (dialog_.timers[i].due <= Clock::now()) {
                const UINT_PTR id = dialog_.timers[i].id;
                Deliver(dialog_, WM_TIMER, id, 0);
                for (DialogTimer& timer : dialog_.timers) {
                    if (timer.id == id) {
                        timer.due = Clock::now() + std::chrono::milliseconds(timer.periodMs);
                    }
                }
            }
        }
    }

    Dialog& dialog_;
    const TermConfig& config_;
    bool screen_ = false;
    bool inputOpen_ = true;
    bool editing_ = false;
    bool awaited_ = false;
    ScreenPainter painter_;
    std::string printed_;
    std::deque<Key> queued_;
    std::vector<std::string> menu_;  // the items of the open popup menu
};

// The session a popup menu is chosen in.
LiveSession*& ActiveSession() {
    static LiveSession* session = nullptr;
    return session;
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
    ActiveSession() = &session;
    session.Run();
    ActiveSession() = nullptr;
}

int ChooseMenuItem(std::span<const tmpl::MenuItemTemplate> items) {
    LiveSession* session = ActiveSession();
    return session != nullptr ? session->ChooseFromMenu(items) : 0;
}

}  // namespace vmterm
