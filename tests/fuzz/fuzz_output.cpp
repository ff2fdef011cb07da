// The process runner's output decoding: a tool's bytes, split into pieces at
// any points, give the text the whole output gives at once, and that text is
// what a plain reading gives: each valid UTF-8 character as itself, each byte
// that is not part of one as one U+FFFD, a byte-order mark at the start dropped.
//
// Input: byte  number of cuts (low 3 bits),  one byte per cut (where, as a
// share of the output),  then the output.
#include <QStringDecoder>
#include <algorithm>
#include <vector>

#include "FuzzSupport.h"
#include "build/OutputDecoder.h"

using FuzzSupport::Show;

namespace {

// The length of the character the lead byte announces (0 for none).
int Announced(uchar lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

QString Reference(const QByteArray& bytes) {
    QString text;
    qsizetype at = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size()) {
        const int length = Announced(static_cast<uchar>(bytes[at]));
        if (length > 0 && at + length <= bytes.size()) {
            const QByteArray candidate = bytes.mid(at, length);
            QStringDecoder strict(
                QStringDecoder::Utf8,
                QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            const QString decoded = strict.decode(candidate);
            if (!strict.hasError() && decoded.toUtf8() == candidate) {
                text += decoded;
                at += length;
                continue;
            }
        }
        text += QChar(QChar::ReplacementCharacter);
        ++at;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int cuts = data[0] & 7;
    if (size < static_cast<size_t>(1 + cuts))
        return 0;
    const QByteArray output(reinterpret_cast<const char*>(data + 1 + cuts),
                            static_cast<qsizetype>(size - 1 - cuts));
    std::vector<qsizetype> at;
    for (int i = 0; i < cuts; ++i)
        at.push_back(output.size() * data[1 + i] / 255);
    std::sort(at.begin(), at.end());
    at.push_back(output.size());

    OutputDecoder decoder;
    QString pieces;
    qsizetype from = 0;
    QString where;
    for (const qsizetype to : at) {
        pieces += decoder.Decode(QByteArrayView(output).sliced(from, to - from));
        FUZZ_EXPECT(decoder.PendingSize() >= 0 && decoder.PendingSize() <= 3,
                    QStringLiteral("%1 bytes pending").arg(decoder.PendingSize()));
        where += QStringLiteral(" %1").arg(to);
        from = to;
    }
    pieces += decoder.Finish();
    const QString whole = OutputDecoder::DecodeAll(output);
    FUZZ_EXPECT(pieces == whole, QStringLiteral("output %1 cut at%2: pieces %3, whole %4")
                                     .arg(Show(output), where, Show(pieces), Show(whole)));
    const QString want = Reference(output);
    FUZZ_EXPECT(whole == want, QStringLiteral("output %1: decoded %2, reference %3")
                                   .arg(Show(output), Show(whole), Show(want)));

    // After Finish the decoder starts a new output.
    FUZZ_EXPECT(decoder.Decode(output) + decoder.Finish() == whole,
                QStringLiteral("a second output %1 decodes differently").arg(Show(output)));
    return 0;
}
