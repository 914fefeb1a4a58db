#include "platform/ui/qt/icons.h"

#include <QFile>
#include <QPixmap>
#include <map>

#include "platform/ui/dialog_template.h"
#include "platform/ui/qt/ico_image.h"

namespace vmqt {
namespace {

std::map<int, QIcon>& Loaded() {
    static std::map<int, QIcon> icons;
    return icons;
}

// The program links its icon files as Qt resources under the icons' names.
QString ResourcePath(int iconId) {
    const tmpl::IconTemplate* icon = tmpl::FindIcon(iconId);
    return icon != nullptr ? QStringLiteral(":/vellumark/%1.ico").arg(QLatin1String(icon->name))
                           : QString();
}

}  // namespace

HICON LoadIcon(int iconId) {
    auto found = Loaded().find(iconId);
    if (found == Loaded().end()) {
        const QString path = ResourcePath(iconId);
        if (path.isEmpty()) {
            return nullptr;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return nullptr;
        }
        const QImage image = DecodeIco(file.readAll());
        if (image.isNull()) {
            return nullptr;
        }
        found = Loaded().emplace(iconId, QIcon(QPixmap::fromImage(image))).first;
    }
    return reinterpret_cast<HICON>(&found->second);
}

const QIcon* IconFromHandle(HICON handle) {
    for (const auto& [id, icon] : Loaded()) {
        if (reinterpret_cast<HICON>(const_cast<QIcon*>(&icon)) == handle) {
            return &icon;
        }
    }
    return nullptr;
}

}  // namespace vmqt
