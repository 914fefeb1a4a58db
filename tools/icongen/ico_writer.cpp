#include "tools/icongen/ico_writer.h"

#include <algorithm>
#include <cmath>

namespace icongen {
namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::uint8_t To8(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

std::vector<std::uint8_t> ToRgba8(const Canvas& canvas) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < canvas.Size(); ++y) {
        for (int x = 0; x < canvas.Size(); ++x) {
            const Rgba& p = canvas.At(x, y);
            const std::uint8_t a = To8(p.a);
            // A fully transparent pixel carries no colour, so the files are stable.
            out.push_back(a ? To8(p.r) : 0);
            out.push_back(a ? To8(p.g) : 0);
            out.push_back(a ? To8(p.b) : 0);
            out.push_back(a);
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodeIco(const Canvas& canvas) {
    const int size = canvas.Size();
    const std::uint32_t colourBytes = static_cast<std::uint32_t>(size * size * 4);
    const std::uint32_t maskStride = static_cast<std::uint32_t>((size + 31) / 32 * 4);
    const std::uint32_t maskBytes = maskStride * static_cast<std::uint32_t>(size);
    const std::uint32_t imageBytes = 40 + colourBytes + maskBytes;
    const std::vector<std::uint8_t> rgba = ToRgba8(canvas);

    std::vector<std::uint8_t> out;
    // ICONDIR: reserved, type 1 (icon), one image.
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    // ICONDIRENTRY: width, height, no palette, reserved, planes, bit count, size, offset.
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, imageBytes);
    Put32(out, 6 + 16);
    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(size));
    Put32(out, static_cast<std::uint32_t>(size * 2));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);  // BI_RGB
    Put32(out, colourBytes + maskBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    // Colour rows, bottom-up, BGRA.
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const std::size_t i = static_cast<std::size_t>((y * size + x) * 4);
            out.push_back(rgba[i + 2]);
            out.push_back(rgba[i + 1]);
            out.push_back(rgba[i]);
            out.push_back(rgba[i + 3]);
        }
    }
    // AND mask, bottom-up, most significant bit first.
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < size; ++x) {
            if (rgba[static_cast<std::size_t>((y * size + x) * 4 + 3)] == 0) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace icongen
