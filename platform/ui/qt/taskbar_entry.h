// Keeps a top-level window out of the taskbar and pager. Qt marks a tool window only as a
// "utility" window, which not every taskbar leaves out; on X11 the window also gets the EWMH
// states that say so. Call before the window is first shown. Elsewhere it does nothing.
#pragma once

class QWidget;

namespace vmqt {

void KeepOutOfTaskbar(QWidget* window);

}  // namespace vmqt
