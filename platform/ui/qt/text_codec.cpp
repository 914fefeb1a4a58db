#include "platform/ui/qt/text_codec.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "text/field_text.h"

namespace vmqt {

QString FromBytes(const QByteArray& bytes) {
    return QString::fromStdString(
        FieldToUtf8(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
}

QString LinesFromBytes(const QByteArray& bytes) {
    QString text;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        text += FromBytes(bytes.mid(start, end < 0 ? -1 : end - start));
        if (end < 0) {
            return text;
        }
        text += QLatin1Char('\n');
        start = end + 2;
    }
}

int CopyBounded(const QByteArray& bytes, bool utf8, char* destination, int capacity) {
    if (capacity < 1 || destination == nullptr) {
        return 0;
    }
    qsizetype count = std::min<qsizetype>(bytes.size(), capacity - 1);
    if (utf8 && count < bytes.size()) {
        // Step back over continuation bytes so the cut lands on a character boundary.
        while (count > 0 && (static_cast<unsigned char>(bytes[count]) & 0xC0) == 0x80) {
            --count;
        }
    }
    std::memcpy(destination, bytes.constData(), static_cast<std::size_t>(count));
    destination[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace vmqt
