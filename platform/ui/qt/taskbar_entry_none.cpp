#include "platform/ui/qt/taskbar_entry.h"

namespace vmqt {

// Without X11 headers the window type alone has to keep the window out of the taskbar.
void KeepOutOfTaskbar(QWidget*) {}

}  // namespace vmqt
