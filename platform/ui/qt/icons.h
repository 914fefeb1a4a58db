// LoadIconA for the icons of the program's resources, read from the .ico files the program
// links as Qt resources. A handle points at an icon that lives as long as the process.
#pragma once

#include <QIcon>

#include "win32_types.h"

namespace vmqt {

// The icon with that resource identifier, or nullptr when there is none.
HICON LoadIcon(int iconId);
// The icon behind a handle from LoadIcon, or nullptr for any other value.
const QIcon* IconFromHandle(HICON handle);

}  // namespace vmqt
