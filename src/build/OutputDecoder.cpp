#include "build/OutputDecoder.h"

#include <cstring>

namespace {

// Match() of bytes that begin a valid character the input ends inside.
constexpr int Incomplete = -1;

// The length of the character a lead byte starts; 0 when no character
// starts with it (a continuation byte, or a lead never used by UTF-8).
int SequenceLength(uchar lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The second byte is narrower after some leads: that is what rules out
// overlong forms, surrogates and code points past U+10FFFF.
bool SecondFits(uchar lead, uchar second) {
    switch (lead) {
        case 0xE0:
            return second >= 0xA0 && second <= 0xBF;
        case 0xED:
            return second >= 0x80 && second <= 0x9F;
        case 0xF0:
            return second >= 0x90 && second <= 0xBF;
        case 0xF4:
            return second >= 0x80 && second <= 0x8F;
        default:
            return (second & 0xC0) == 0x80;
    }
}

// The length of the valid character at the start of `bytes`, 0 when none
// starts there, or Incomplete when the bytes run out inside one. Only the
// character's own bytes are looked at, so a longer input never changes a
// length or a 0 already found.
int Match(const uchar* bytes, qsizetype available) {
    const int length = SequenceLength(bytes[0]);
    for (int i = 1; i < length; ++i) {
        if (i >= available)
            return Incomplete;
        const bool fits = i == 1 ? SecondFits(bytes[0], bytes[1]) : (bytes[i] & 0xC0) == 0x80;
        if (!fits)
            return 0;
    }
    return length;
}

}  // namespace

qsizetype OutputDecoder::Run(const uchar* bytes, qsizetype size, bool final, QString& text) {
    // Every byte gives at most one UTF-16 unit (four give two).
    const qsizetype start = text.size();
    text.resize(start + size);
    QChar* const first = text.data() + start;
    QChar* out = first;
    qsizetype at = 0;
    while (at < size) {
        const uchar lead = bytes[at];
        if (lead < 0x80) {
            *out++ = QChar(char16_t(lead));
            ++at;
            continue;
        }
        int length = Match(bytes + at, size - at);
        if (length == Incomplete) {
            if (!final)
                break;
            length = 0;
        }
        if (length == 0) {
            *out++ = QChar(QChar::ReplacementCharacter);
            ++at;
            continue;
        }
        char32_t code = lead & (0xFF >> (length + 1));
        for (int i = 1; i < length; ++i)
            code = (code << 6) | (bytes[at + i] & 0x3F);
        if (QChar::requiresSurrogates(code)) {
            *out++ = QChar(QChar::highSurrogate(code));
            *out++ = QChar(QChar::lowSurrogate(code));
        } else {
            *out++ = QChar(char16_t(code));
        }
        at += length;
    }
    text.resize(start + (out - first));
    if (atStart && text.size() > start) {
        atStart = false;
        if (text.at(start) == QChar(QChar::ByteOrderMark))
            text.remove(start, 1);
    }
    return at;
}

QString OutputDecoder::Decode(QByteArrayView piece) {
    QString text;
    const auto* bytes = reinterpret_cast<const uchar*>(piece.data());
    qsizetype size = piece.size();
    if (pendingSize > 0) {
        // Finish the waiting character with the first bytes of this piece;
        // three more are all any character can need.
        uchar joined[sizeof pending + 3];
        const int taken = static_cast<int>(qMin<qsizetype>(size, 3));
        std::memcpy(joined, pending, pendingSize);
        if (taken > 0)
            std::memcpy(joined + pendingSize, bytes, taken);
        const int joinedSize = pendingSize + taken;
        const qsizetype used = Run(joined, joinedSize, false, text);
        if (used < pendingSize) {
            // Still cut off: the piece was too short and is all waiting now.
            pendingSize = static_cast<int>(joinedSize - used);
            std::memcpy(pending, joined + used, pendingSize);
            return text;
        }
        bytes += used - pendingSize;
        size -= used - pendingSize;
        pendingSize = 0;
    }
    const qsizetype used = Run(bytes, size, false, text);
    pendingSize = static_cast<int>(size - used);
    if (pendingSize > 0)
        std::memcpy(pending, bytes + used, pendingSize);
    return text;
}

QString OutputDecoder::Finish() {
    QString text;
    Run(pending, pendingSize, true, text);
    pendingSize = 0;
    atStart = true;
    return text;
}

QString OutputDecoder::DecodeAll(QByteArrayView bytes) {
    OutputDecoder decoder;
    QString text;
    decoder.Run(reinterpret_cast<const uchar*>(bytes.data()), bytes.size(), true, text);
    return text;
}
