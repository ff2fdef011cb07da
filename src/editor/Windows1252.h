#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The 8-bit code page the Windows program wrote its modules in. Every byte
// has a character: the five bytes the code page leaves unassigned read as
// the C1 controls of the same number, so any file reads and writes back
// byte for byte.
namespace Windows1252 {
// Strict UTF-8 (no overlong forms, surrogates or code points past U+10FFFF):
// whatever passes decodes and encodes back to the same bytes.
bool IsValidUtf8(QByteArrayView bytes);
QString Decode(QByteArrayView bytes);
// False, and `bytes` incomplete, when `text` holds a character the code page
// has no byte for.
bool Encode(QStringView text, QByteArray& bytes);
}  // namespace Windows1252
