#include "platform/ui/qt/text_codec.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace vmqt {

QString FromBytes(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        return QString::fromLatin1(bytes);
    }
    return text;
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
