#include "platform/ui/qt/tray_presence.h"

#include <QSystemTrayIcon>

namespace vmqt {
namespace {

std::optional<bool> g_forced;

}  // namespace

bool TrayAvailable() {
    return g_forced.has_value() ? *g_forced : QSystemTrayIcon::isSystemTrayAvailable();
}

void ForceTrayAvailable(std::optional<bool> available) {
    g_forced = available;
}

}  // namespace vmqt
