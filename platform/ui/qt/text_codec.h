// The 8-bit texts of the program on a Unicode toolkit: bytes that are valid UTF-8 are shown as
// UTF-8, anything else as Latin-1 (every byte stays visible). Typed text goes back as UTF-8.
#pragma once

#include <QByteArray>
#include <QString>

namespace vmqt {

QString FromBytes(const QByteArray& bytes);

// Copies at most capacity - 1 bytes of `bytes` into `destination` and terminates; returns the
// count copied (0 and nothing written when capacity < 1). When `utf8` is set, a cut never
// splits a multi-byte sequence.
int CopyBounded(const QByteArray& bytes, bool utf8, char* destination, int capacity);

}  // namespace vmqt
