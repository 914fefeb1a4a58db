#include "platform/ui/term/screen_painter.h"

namespace vmterm {

std::string ScreenPainter::Paint(const std::vector<std::string>& lines, bool full) {
    std::string out;
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

}  // namespace vmterm
