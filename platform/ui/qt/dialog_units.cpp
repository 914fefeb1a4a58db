#include "platform/ui/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace vmqt {
namespace {

// MulDiv: the product divided with rounding to the nearest integer, halves away from zero.
int MulDivRound(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

QFont DialogFont(const tmpl::FontTemplate& font) {
    const QString face = QString::fromLatin1(font.face);
    QFont result;
    if (face.startsWith(QStringLiteral("MS Shell Dlg"))) {
        result.setFamily(QStringLiteral("Sans Serif"));
        result.setStyleHint(QFont::SansSerif);
    } else {
        result.setFamily(face);
    }
    result.setPointSize(font.pointSize);
    result.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    result.setItalic(font.italic);
    return result;
}

BaseUnits BaseUnitsOf(const QFont& font) {
    // The dialog manager averages the 52 Latin letters, rounding to the nearest pixel.
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

int DluToPixelsX(int dlu, const BaseUnits& units) {
    return MulDivRound(dlu, units.width, 4);
}
int DluToPixelsY(int dlu, const BaseUnits& units) {
    return MulDivRound(dlu, units.height, 8);
}

QRect DluRectToPixels(int x, int y, int cx, int cy, const BaseUnits& units) {
    return QRect(DluToPixelsX(x, units), DluToPixelsY(y, units), DluToPixelsX(cx, units),
                 DluToPixelsY(cy, units));
}

}  // namespace vmqt
