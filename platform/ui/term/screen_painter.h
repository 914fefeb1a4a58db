// Paints lines on the full screen with absolute cursor moves: only the lines that changed are
// written again, rows below the block are cleared, and a full paint clears the whole screen
// first, so a resize leaves no fragment of the old layout. The lines come fitted to the size.
#pragma once

#include <string>
#include <vector>

namespace vmterm {

class ScreenPainter {
  public:
    // The escape sequences and text that turn the screen last painted into `lines`.
    std::string Paint(const std::vector<std::string>& lines, bool full);

  private:
    std::vector<std::string> shown_;
};

}  // namespace vmterm
