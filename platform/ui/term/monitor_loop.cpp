#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <deque>

#include "dialog_runners.h"
#include "input.h"
#include "menu_model.h"
#include "screen_painter.h"
#include "shell/resources/resource.h"
#include "term_runtime.h"
#include "terminal.h"
#include "window_view.h"

namespace vmterm {
namespace {

std::optional<int> CurrentState() {
    const TermConfig& config = Config();
    return config.monitorState != nullptr ? config.monitorState() : std::nullopt;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

void RunOnce(Dialog& dialog) {
    const TermConfig& config = Config();
    const std::optional<int> state = CurrentState();
    const WindowView view = CaptureView(dialog, state, Clock::now());
    WriteAll(config.outputFd,
             config.json ? RenderJson(view) : JoinLines(RenderWindow(view, RenderOptions{})));
    LastOnceOutcome() = OnceOutcome{true, state};
    // The same way out as Exit, so the tray icon and the timer are removed.
    DeliverCommand(dialog, IDCANCEL);
    dialog.ended = true;
}

// One running status window on the terminal (or on a plain output, where each changed
// content is printed whole instead of redrawn).
class MonitorSession {
  public:
    explicit MonitorSession(Dialog& dialog)
        : dialog_(dialog), config_(Config()), keyboard_(IsTerminal(config_.inputFd)) {
        screen_ = IsTerminal(config_.outputFd) &&
                  (!keyboard_ || EnterRawMode(config_.inputFd, config_.outputFd, true));
    }
    ~MonitorSession() { LeaveRawMode(); }
    MonitorSession(const MonitorSession&) = delete;
    MonitorSession& operator=(const MonitorSession&) = delete;

    void Run() {
        while (!dialog_.ended) {
            DeliverPosted();
            if (dialog_.ended) {
                break;
            }
            Draw({});
            const int wait = MillisecondsToNextEvent();
            if (inputOpen_) {
                ReadMoreKeys(wait);
                while (!queued_.empty() && !dialog_.ended) {
                    const Key key = queued_.front();
                    queued_.pop_front();
                    HandleKey(key);
                    DeliverPosted();
                    if (!dialog_.ended) {
                        Draw({});
                    }
                }
            } else {
                poll(nullptr, 0, wait);
            }
            FireDueTimers();
        }
        Draw({}, true);
    }

    int ChooseFromMenu(const std::vector<MenuItem>& items) {
        std::string menuLine = "Menu:";
        std::vector<int> ids;
        for (const MenuItem& item : items) {
            if (item.id != 0) {
                ids.push_back(item.id);
                menuLine += "  " + std::to_string(ids.size()) + " " + item.text;
            }
        }
        menuLine += "  (Esc closes)";
        Draw(menuLine);
        while (!queued_.empty() || inputOpen_) {
            if (queued_.empty()) {
                ReadMoreKeys(-1);
                continue;
            }
            const Key key = queued_.front();
            queued_.pop_front();
            if (key.type == KeyType::Escape) {
                return 0;
            }
            if (key.type == KeyType::Interrupt) {
                raise(SIGINT);
            }
            if (key.type == KeyType::Char && key.bytes.size() == 1) {
                const int number = key.bytes[0] - '0';
                if (number >= 1 && static_cast<std::size_t>(number) <= ids.size()) {
                    return ids[static_cast<std::size_t>(number) - 1];
                }
            }
        }
        return 0;
    }

  private:
    // Draws the window; the last drawing, once the dialog has ended, leaves out the keys.
    void Draw(const std::string& extraLine, bool last = false) {
        SyncFieldFocus();
        const WindowView view = CaptureView(dialog_, CurrentState(), Clock::now());
        std::vector<std::string> lines;
        if (dialog_.visible) {
            lines = RenderWindow(view, RenderOptions{!last, fieldFocused_ && !last});
        } else {
            lines = {RenderHidden(view)};
        }
        if (!extraLine.empty()) {
            lines.push_back(extraLine);
        }
        if (screen_) {
            std::size_t columns = 0;
            std::size_t rows = 0;
            TerminalSize(config_.outputFd, columns, rows);
            const RepaintRequest request = TakeRepaintRequest();
            if (request == RepaintRequest::Fresh) {
                painter_.Detach();
            }
            WriteAll(config_.outputFd,
                     painter_.Paint(lines, columns, rows, request == RepaintRequest::Full));
        } else if (lines != printed_) {
            WriteAll(config_.outputFd, JoinLines(lines) + "\n");
            printed_ = lines;
        }
    }

    // The entry field takes the focus whenever the unreachable display appears.
    void SyncFieldFocus() {
        const Control* update = dialog_.Find(IDC_UPDATE_TARGET);
        const bool shown = update != nullptr && update->visible;
        if (shown && !updateTargetShown_) {
            fieldFocused_ = true;
        }
        updateTargetShown_ = shown;
    }

    // Keys read ahead wait here, so that a menu opened by one key sees the keys after it.
    void ReadMoreKeys(int waitMs) {
        bool endOfInput = false;
        for (Key& key : ReadKeys(config_.inputFd, waitMs, endOfInput)) {
            queued_.push_back(std::move(key));
        }
        inputOpen_ = !endOfInput;
    }

    bool Editing() {
        SyncFieldFocus();
        return dialog_.visible && updateTargetShown_ && fieldFocused_;
    }

    void EditPrimary(const Key& key) {
        Control* field = dialog_.Find(IDC_PRIMARY);
        if (field == nullptr) {
            return;
        }
        std::string text = field->text;
        if (key.type == KeyType::Char) {
            text += key.bytes;
        } else if (key.type == KeyType::Backspace) {
            EraseLastCharacter(text);
        } else {
            text.clear();
        }
        SetControlText(dialog_, *field, text);
    }

    void NotifyTray(LPARAM mouseMessage) {
        const auto icon = TrayIconOf(dialog_.Handle());
        if (icon && icon->callbackMessage != 0) {
            Deliver(dialog_, icon->callbackMessage, icon->id, mouseMessage);
        }
    }

    void HandleKey(const Key& key) {
        switch (key.type) {
            case KeyType::Interrupt:
                raise(SIGINT);
                return;
            case KeyType::Enter:
                if (dialog_.visible) {
                    DeliverCommand(dialog_, DefaultButtonId(dialog_));
                }
                return;
            case KeyType::Escape:
                DeliverCommand(dialog_, IDCANCEL);
                return;
            case KeyType::Tab:
                fieldFocused_ = !fieldFocused_;
                return;
            default:
                break;
        }
        if (Editing()) {
            EditPrimary(key);
            return;
        }
        if (key.type != KeyType::Char || key.bytes.size() != 1) {
            return;
        }
        switch (key.bytes[0]) {
            case 'u':
            case 'U':
                if (dialog_.visible) {
                    DeliverCommand(dialog_, IDC_UPDATE_TARGET);
                }
                break;
            case 'h':
            case 'H':
                if (dialog_.visible) {
                    DeliverCommand(dialog_, IDC_HIDE);
                }
                break;
            case 's':
            case 'S':
                DeliverCommand(dialog_, IDM_SHOW);
                break;
            case 'q':
            case 'Q':
                DeliverCommand(dialog_, IDCANCEL);
                break;
            case 'm':
            case 'M':
                NotifyTray(WM_RBUTTONDOWN);
                break;
            case 't':
            case 'T':
                NotifyTray(WM_LBUTTONDBLCLK);
                break;
            default:
                break;
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
        std::optional<Clock::time_point> next;
        for (const DialogTimer& timer : dialog_.timers) {
            next = next ? std::min(*next, timer.due) : timer.due;
        }
        if (const auto balloon = ActiveBalloon(now)) {
            next = next ? std::min(*next, balloon->until) : balloon->until;
        }
        if (!next) {
            return -1;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
        return static_cast<int>(std::clamp<long long>(left, 0, 60000));
    }

    // Each timer that has fallen due fires once, however late it is, and is due again a full
    // period later.
    void FireDueTimers() {
        const Clock::time_point now = Clock::now();
        std::vector<UINT_PTR> due;
        for (const DialogTimer& timer : dialog_.timers) {
            if (timer.due <= now) {
                due.push_back(timer.id);
            }
        }
        for (const UINT_PTR id : due) {
            if (dialog_.ended) {
                return;
            }
            const auto found =
                std::find_if(dialog_.timers.begin(), dialog_.timers.end(),
                             [&](const DialogTimer& timer) { return timer.id == id; });
            if (found == dialog_.timers.end()) {
                continue;  // killed by an earlier tick
            }
            Deliver(dialog_, WM_TIMER, id, 0);
            for (DialogTimer& timer : dialog_.timers) {
                if (timer.id == id) {
                    timer.due = Clock::now() + std::chrono::milliseconds(timer.periodMs);
                }
            }
        }
    }

    Dialog& dialog_;
    const TermConfig& config_;
    bool keyboard_;
    bool screen_ = false;
    bool inputOpen_ = true;
    bool fieldFocused_ = true;
    bool updateTargetShown_ = false;
    ScreenPainter painter_;
    std::vector<std::string> printed_;
    std::deque<Key> queued_;
};

MonitorSession*& ActiveSession() {
    static MonitorSession* session = nullptr;
    return session;
}

}  // namespace

void RunMonitor(Dialog& dialog) {
    dialog.visible = true;  // a modal dialog is shown once its initialisation has returned
    if (Config().once) {
        RunOnce(dialog);
        return;
    }
    MonitorSession session(dialog);
    ActiveSession() = &session;
    session.Run();
    ActiveSession() = nullptr;
}

int ChooseMenuItem(const std::vector<MenuItem>& items) {
    MonitorSession* session = ActiveSession();
    return session != nullptr ? session->ChooseFromMenu(items) : 0;
}

}  // namespace vmterm
