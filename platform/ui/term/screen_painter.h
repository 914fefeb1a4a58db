// Redraws a block of lines in place with ANSI cursor movement: only lines that changed are
// rewritten, a shorter block erases what lay below it. Between paints the cursor rests at the
// start of the line below the block.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vmterm {

class ScreenPainter {
  public:
    // The escape sequences and text that turn the block last painted into `lines`, each cut to
    // `columns` - 1 columns and the block to `rows` - 1 lines so it never wraps or scrolls
    // away. `full` rewrites every line (after a resize or a resume).
    std::string Paint(std::vector<std::string> lines, std::size_t columns, std::size_t rows,
                      bool full);
    // Forgets the block: the next paint starts on the cursor's line.
    void Detach() { shown_.clear(); }
    std::size_t Height() const { return shown_.size(); }

  private:
    std::vector<std::string> shown_;
};

}  // namespace vmterm
