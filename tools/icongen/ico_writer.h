// Encodes a canvas as an .ico file of one 32-bpp image: ICONDIR and one entry, then the image
// as a BITMAPINFOHEADER with doubled height, colour rows bottom-up in BGRA and a 1-bit AND mask
// (rows padded to 32 bits) that is set exactly where alpha is 0.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/icongen/canvas.h"

namespace icongen {

// The 8-bit RGBA bytes of a canvas, rounded; used by both file writers.
std::vector<std::uint8_t> ToRgba8(const Canvas& canvas);

std::vector<std::uint8_t> EncodeIco(const Canvas& canvas);

}  // namespace icongen
