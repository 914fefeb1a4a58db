#include "screen_painter.h"

#include "display_text.h"

namespace vmterm {

std::string ScreenPainter::Paint(std::vector<std::string> lines, std::size_t columns,
                                 std::size_t rows, bool full) {
    const std::size_t maxRows = rows > 1 ? rows - 1 : 1;
    if (lines.size() > maxRows) {
        lines.resize(maxRows);
    }
    const std::size_t maxColumns = columns > 1 ? columns - 1 : 1;
    for (std::string& line : lines) {
        line = FitColumns(line, maxColumns);
    }

    std::string out;
    if (!full && lines == shown_) {
        return out;
    }
    if (!shown_.empty()) {
        out += "\x1b[" + std::to_string(shown_.size()) + "A";
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!full && i < shown_.size() && shown_[i] == lines[i]) {
            out += "\r\n";  // unchanged: step over it
            continue;
        }
        out += "\r" + lines[i] + "\x1b[K\r\n";
    }
    if (lines.size() < shown_.size()) {
        out += "\x1b[J";
    }
    shown_ = std::move(lines);
    return out;
}

}  // namespace vmterm
