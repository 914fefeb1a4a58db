// A form on the terminal: one line asking for its entry field, as the target prompt needs.
#include <signal.h>

#include <algorithm>

#include "platform/ui/term/dialog_model.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/input.h"
#include "platform/ui/term/term_runtime.h"
#include "platform/ui/term/terminal.h"
#include "platform/ui/term/window_view.h"

namespace vmterm {
namespace {

bool Inside(const tmpl::ControlTemplate& inner, const tmpl::ControlTemplate& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
           inner.y + inner.cy <= outer.y + outer.cy;
}

// What the entry is asked for with: the caption of the group box around it, else the label
// beside it, else the dialog's title.
std::string PromptText(Dialog& dialog, Control& entry) {
    if (const Control* box = dialog.First([&](const Control& c) {
            return c.kind == ControlKind::GroupBox && Inside(*entry.source, *c.source);
        })) {
        return TerminalText(box->text) + ": ";
    }
    for (const Row& row : LayoutRows(dialog)) {
        if (row.label != nullptr && std::ranges::find(row.cells, &entry) != row.cells.end()) {
            return TerminalText(row.label->text) + " ";
        }
    }
    return TerminalText(dialog.title) + ": ";
}

void Submit(Dialog& dialog) {
    const Control* button = dialog.DefaultButton();
    DeliverCommand(dialog, button != nullptr ? button->source->id : IDOK);
}

// The prompt with the end of the entry, drawn over itself.
void DrawPrompt(const std::string& prompt, const Control& entry) {
    const TermConfig& config = Config();
    std::size_t columns = 0;
    std::size_t rows = 0;
    TerminalSize(config.outputFd, columns, rows);
    const std::size_t used = TextColumns(prompt) + 2;
    const std::size_t room = columns > used ? columns - used : 1;
    WriteAll(config.outputFd,
             "\r" + prompt + TailColumns(TerminalText(entry.text), room) + "\x1b[K");
}

void RunOnKeyboard(Dialog& dialog, Control& entry, const std::string& prompt) {
    const TermConfig& config = Config();
    bool endOfInput = false;
    while (!dialog.ended) {
        DrawPrompt(prompt, entry);
        if (endOfInput) {
            WriteAll(config.outputFd, "\r\n");
            Submit(dialog);
            return;
        }
        for (const Key& key : ReadKeys(config.inputFd, -1, endOfInput)) {
            std::string text = entry.text;
            if (dialog.ended) {
                break;
            } else if (key.type == KeyType::Interrupt) {
                raise(SIGINT);
            } else if (key.type == KeyType::Enter) {
                WriteAll(config.outputFd, "\r\n");
                Submit(dialog);
            } else if (key.type == KeyType::Escape) {
                DeliverCommand(dialog, IDCANCEL);  // the form decides; the prompt stays open
            } else if (EditEntry(text, key, entry.limit)) {
                if (text == entry.text && key.type == KeyType::Char) {
                    WriteAll(config.outputFd, "\a");  // full: the character is refused
                }
                SetControlText(dialog, entry, text);
            }
        }
    }
}

// A piped input: each line is typed in whole; a line longer than the entry takes is refused,
// never taken cut.
void RunOnLines(Dialog& dialog, Control& entry, const std::string& prompt) {
    const TermConfig& config = Config();
    bool more = true;
    while (!dialog.ended && more) {
        WriteAll(config.outputFd, prompt);
        std::string line;
        more = ReadLine(config.inputFd, line);
        WriteAll(config.outputFd, "\n");
        if (entry.limit != 0 && line.size() > entry.limit) {
            WriteAll(config.outputFd, "The entry holds at most " + std::to_string(entry.limit) +
                                          " characters; it was not taken.\n");
            continue;
        }
        SetControlText(dialog, entry, line);
        Submit(dialog);
    }
}

}  // namespace

void RunForm(Dialog& dialog) {
    Control* entry = dialog.EntryField();
    if (entry != nullptr) {
        dialog.visible = true;
        const std::string prompt = PromptText(dialog, *entry);
        const TermConfig& config = Config();
        if (EnterRawMode(config.inputFd, config.outputFd)) {
            RunOnKeyboard(dialog, *entry, prompt);
            LeaveTerminalModes();
        } else {
            RunOnLines(dialog, *entry, prompt);
        }
    }
    if (!dialog.ended) {
        dialog.ended = true;  // the input ended and the procedure did not close the form
        dialog.result = -1;
    }
}

}  // namespace vmterm
