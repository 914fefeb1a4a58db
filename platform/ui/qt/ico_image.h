// Reads the first image of an .ico file holding 32-bpp BI_RGB images (BGRA rows bottom-up,
// followed by the 1-bit mask) into a QImage. Every offset and size is checked against the
// data; anything else, or anything malformed, gives a null image.
#pragma once

#include <QByteArray>
#include <QImage>

namespace vmqt {

QImage DecodeIco(const QByteArray& file);

}  // namespace vmqt
