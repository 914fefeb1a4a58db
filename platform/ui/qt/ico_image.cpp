#include "platform/ui/qt/ico_image.h"

#include <cstdint>

namespace vmqt {
namespace {

constexpr qsizetype DIR_SIZE = 6;
constexpr qsizetype ENTRY_SIZE = 16;
constexpr std::uint32_t HEADER_SIZE = 40;

std::uint32_t Read16(const QByteArray& data, qsizetype at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 1])) << 8;
}

std::uint32_t Read32(const QByteArray& data, qsizetype at) {
    return Read16(data, at) | Read16(data, at + 2) << 16;
}

}  // namespace

QImage DecodeIco(const QByteArray& file) {
    if (file.size() < DIR_SIZE + ENTRY_SIZE || Read16(file, 0) != 0 || Read16(file, 2) != 1 ||
        Read16(file, 4) < 1) {
        return {};
    }
    const std::uint32_t imageSize = Read32(file, DIR_SIZE + 8);
    const std::uint32_t imageOffset = Read32(file, DIR_SIZE + 12);
    if (imageOffset > static_cast<std::uint64_t>(file.size()) ||
        imageSize > static_cast<std::uint64_t>(file.size()) - imageOffset ||
        imageSize < HEADER_SIZE) {
        return {};
    }
    const qsizetype base = static_cast<qsizetype>(imageOffset);
    const std::uint32_t headerSize = Read32(file, base);
    const auto width = static_cast<std::int32_t>(Read32(file, base + 4));
    const auto doubledHeight = static_cast<std::int32_t>(Read32(file, base + 8));
    const std::uint32_t bitCount = Read16(file, base + 14);
    const std::uint32_t compression = Read32(file, base + 16);
    if (headerSize != HEADER_SIZE || width <= 0 || width > 256 || doubledHeight != 2 * width ||
        bitCount != 32 || compression != 0) {
        return {};
    }
    const int side = width;
    const std::uint64_t colourBytes = static_cast<std::uint64_t>(side) * side * 4;
    if (HEADER_SIZE + colourBytes > imageSize) {
        return {};
    }
    QImage image(side, side, QImage::Format_ARGB32);
    const qsizetype pixels = base + static_cast<qsizetype>(HEADER_SIZE);
    for (int row = 0; row < side; ++row) {
        // Rows are stored bottom-up.
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(side - 1 - row));
        for (int x = 0; x < side; ++x) {
            const qsizetype at = pixels + (static_cast<qsizetype>(row) * side + x) * 4;
            const auto byte = [&](int i) { return static_cast<unsigned char>(file[at + i]); };
            line[x] = qRgba(byte(2), byte(1), byte(0), byte(3));
        }
    }
    return image;
}

}  // namespace vmqt
