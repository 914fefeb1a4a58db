// The program's 8-bit texts on a Unicode toolkit, read as text/field_text.h says: each field as
// UTF-8 when its bytes are, Latin-1 otherwise (every byte stays visible), a character cut at a
// capacity dropped. The lines of a multi-line edit are fields of their own. Typed text goes back
// as UTF-8.
#pragma once

#include <QByteArray>
#include <QString>

namespace vmqt {

QString FromBytes(const QByteArray& bytes);
// A multi-line edit's text: its "\r\n"-separated lines read one by one, joined with "\n".
QString LinesFromBytes(const QByteArray& bytes);

// Copies at most capacity - 1 bytes of `bytes` into `destination` and terminates; returns the
// count copied (0 and nothing written when capacity < 1). When `utf8` is set, a cut never
// splits a multi-byte sequence.
int CopyBounded(const QByteArray& bytes, bool utf8, char* destination, int capacity);

}  // namespace vmqt
