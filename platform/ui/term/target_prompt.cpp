#include <signal.h>

#include "dialog_runners.h"
#include "display_text.h"
#include "input.h"
#include "shell/resources/resource.h"
#include "term_runtime.h"
#include "terminal.h"

namespace vmterm {
namespace {

constexpr char kPrompt[] = "IP or HOST Name of Printer to Monitor: ";

void EditText(Dialog& dialog, Control& edit, const Key& key) {
    std::string text = edit.text;
    switch (key.type) {
        case KeyType::Char:
            text += key.bytes;
            break;
        case KeyType::Backspace:
            EraseLastCharacter(text);
            break;
        case KeyType::ClearLine:
            text.clear();
            break;
        default:
            return;
    }
    SetControlText(dialog, edit, text);
}

// The prompt line with the end of the entry, redrawn over itself.
void DrawPromptLine(int outFd, const Control& edit) {
    std::size_t columns = 0;
    std::size_t rows = 0;
    TerminalSize(outFd, columns, rows);
    const std::size_t used = sizeof kPrompt - 1 + 2;
    const std::size_t room = columns > used ? columns - used : 1;
    WriteAll(outFd,
             std::string("\r") + kPrompt + TailColumns(TerminalText(edit.text), room) + "\x1b[K");
}

void RunOnKeyboard(Dialog& dialog, Control& edit) {
    const TermConfig& config = Config();
    DrawPromptLine(config.outputFd, edit);
    bool endOfInput = false;
    while (!dialog.ended && !endOfInput) {
        for (const Key& key : ReadKeys(config.inputFd, -1, endOfInput)) {
            if (key.type == KeyType::Interrupt) {
                raise(SIGINT);
            } else if (key.type == KeyType::Enter) {
                WriteAll(config.outputFd, "\r\n");
                DeliverCommand(dialog, IDOK);
            } else if (key.type == KeyType::Escape) {
                DeliverCommand(dialog, IDCANCEL);  // the prompt stays open
            } else {
                EditText(dialog, edit, key);
            }
            if (dialog.ended) {
                break;
            }
        }
        if (!dialog.ended) {
            DrawPromptLine(config.outputFd, edit);
        }
    }
    if (!dialog.ended) {
        WriteAll(config.outputFd, "\r\n");
        DeliverCommand(dialog, IDOK);
    }
}

void RunOnLines(Dialog& dialog, Control& edit) {
    const TermConfig& config = Config();
    while (!dialog.ended) {
        WriteAll(config.outputFd, kPrompt);
        std::string line;
        const bool more = ReadLine(config.inputFd, line);
        WriteAll(config.outputFd, "\n");
        SetControlText(dialog, edit, line);
        DeliverCommand(dialog, IDOK);
        if (!more) {
            break;
        }
    }
}

}  // namespace

void RunTargetPrompt(Dialog& dialog) {
    Control* edit = dialog.Find(IDC_TARGET_EDIT);
    if (edit == nullptr) {
        return;
    }
    dialog.visible = true;
    const TermConfig& config = Config();
    if (EnterRawMode(config.inputFd, config.outputFd, false)) {
        RunOnKeyboard(dialog, *edit);
        LeaveRawMode();
    } else {
        RunOnLines(dialog, *edit);
    }
    if (!dialog.ended) {
        dialog.ended = true;  // the input ended and the procedure did not close the prompt
        dialog.result = -1;
    }
}

}  // namespace vmterm
