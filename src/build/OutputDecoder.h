#pragma once
#include <QByteArrayView>
#include <QString>

// Turns a tool's output into text as it arrives, in pieces split anywhere.
// The output is read as UTF-8, the locale's encoding of every Qt program on
// Linux. Each byte that is not part of a valid character (a Latin-1 letter,
// a stray continuation byte, a character cut off by the end) shows as one
// U+FFFD, so nothing a tool prints goes missing; a byte-order mark at the
// very start is dropped. The texts of the pieces and of Finish() joined are
// always the text of the whole output decoded at once (DecodeAll).
class OutputDecoder {
public:
    // The text of the characters this piece completes. The bytes of a
    // character whose end has not arrived yet wait for the next piece.
    QString Decode(QByteArrayView piece);
    // The end of the output: a character still waiting for its end shows as
    // one U+FFFD per byte. The decoder is then ready for another output.
    QString Finish();
    // Bytes waiting for the rest of their character (at most three).
    int PendingSize() const { return pendingSize; }

    // One whole output at once.
    static QString DecodeAll(QByteArrayView bytes);

private:
    // Decodes `bytes` into `text`; returns how many bytes were used. Unless
    // `final`, a valid beginning of a character at the end is not used.
    qsizetype Run(const uchar* bytes, qsizetype size, bool final, QString& text);

    uchar pending[4] = {};
    int pendingSize = 0;
    bool atStart = true;
};
