// Encodes a canvas as a PNG file (8-bit RGBA, uncompressed deflate blocks): for the desktop's
// icon theme, which wants PNG rather than .ico.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/icongen/canvas.h"

namespace icongen {

std::vector<std::uint8_t> EncodePng(const Canvas& canvas);

}  // namespace icongen
