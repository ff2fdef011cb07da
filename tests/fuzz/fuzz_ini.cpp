// INI files (solution and argument files): whatever bytes a file holds, reads
// never crash; a written value reads back as it reads from a file holding
// nothing else, every other key reads as before, a refused write leaves the
// file byte for byte, deleting a section removes that section only, and a
// batch of one change leaves the file as the single call does.
//
// Input: the file's bytes, then a trailer (see FuzzSupport::SplitTrailer):
//   byte  operation: bit 0 a section delete, bit 1 a temporary left by a save
//         that died, which the next write that changes the file removes
//   byte  which section: one the file names, or (past their count) the field
//   byte  which key: likewise
//   section field, 0x00, key field, 0x00, the value
#include <QFile>
#include <QList>

#include "FuzzSupport.h"
#include "solution/IniControl.h"

using namespace mdlIniControl;
using FuzzSupport::Show;

namespace {

struct Probe {
    QString section;
    QString key;
};

// Names lose their blanks at both ends, a byte-order mark and ^Z counting as
// blanks, and are compared without regard to case.
QString Trimmed(const QString& name) {
    auto blank = [](QChar c) { return c.isSpace() || c == QChar(0x1A) || c == QChar(0xFEFF); };
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && blank(name[begin]))
        ++begin;
    while (end > begin && blank(name[end - 1]))
        --end;
    return name.mid(begin, end - begin);
}

bool SameName(const QString& a, const QString& b) {
    return Trimmed(a).toCaseFolded() == Trimmed(b).toCaseFolded();
}

// Sections and keys the file mentions, read loosely: they are only probes.
QList<Probe> ProbesOf(const QByteArray& file, QStringList* sections) {
    QList<Probe> probes;
    QString section;
    QByteArray text = file;
    text.replace('\r', '\n');
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.contains(QLatin1Char(']'))) {
            section = line.mid(1, line.lastIndexOf(QLatin1Char(']')) - 1);
            if (sections->size() < 16)
                *sections << section;
        } else if (!section.isEmpty() && probes.size() < 48 && !line.startsWith(QLatin1Char(';'))) {
            const QString key = line.section(QLatin1Char('='), 0, 0);
            if (!key.trimmed().isEmpty())
                probes << Probe{section, key};
        }
    }
    return probes;
}

// A value plain enough to read back exactly: no line break, no blanks or
// quotes at its ends, no control characters, nothing past the read limit.
bool Plain(const QString& value) {
    if (value.isEmpty())
        return true;
    if (value.size() > MaxValueLength)
        return false;
    for (const QChar c : value)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.isSpace() || c == QChar(0xFEFF))
            return false;
    const QChar first = value.front();
    return first != QLatin1Char('"') && first != QLatin1Char('\'') &&
           value.back() != QLatin1Char('"') && value.back() != QLatin1Char('\'');
}

// The same change made through a batch, on a copy of the file as it was:
// the batch leaves the bytes the single call left and gives its result.
void ExpectBatchAlike(const QByteArray& original, const QString& singlePath, bool singleResult,
                      bool remove, const Probe& target, const QString& value) {
    const QString copy = FuzzSupport::ScratchFile(QStringLiteral("batch.zsl"));
    FuzzSupport::WriteFile(copy, original);
    IniBatch batch(copy);
    if (remove)
        batch.DeleteSection(target.section);
    else
        batch.WriteValue(target.section, target.key, value);
    const bool batched = batch.Commit();
    FUZZ_EXPECT(
        batched == singleResult && FuzzSupport::ReadFile(copy) == FuzzSupport::ReadFile(singlePath),
        QStringLiteral("a batch gave %1 and %2, the single call %3 and %4")
            .arg(batched)
            .arg(Show(FuzzSupport::ReadFile(copy)))
            .arg(singleResult)
            .arg(Show(FuzzSupport::ReadFile(singlePath))));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::Init(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::Clear();
    const FuzzSupport::Split input = FuzzSupport::SplitTrailer(data, size);
    const QString path = FuzzSupport::ScratchFile(QStringLiteral("demo.zsl"));
    FuzzSupport::WriteFile(path, input.body);

    FuzzSupport::FieldReader ops(input.trailer);
    const quint8 op = ops.Byte();
    const quint8 sectionPick = ops.Byte();
    const quint8 keyPick = ops.Byte();
    Probe target{QString::fromUtf8(ops.Field()), QString::fromUtf8(ops.Field())};
    const QString value = QString::fromUtf8(ops.Rest());

    QStringList sections;
    QList<Probe> probes = ProbesOf(input.body, &sections);
    if (sectionPick < sections.size())
        target.section = sections[sectionPick];
    if (keyPick < probes.size())
        target.key = probes[keyPick].key;
    probes << target;

    QStringList before;
    for (const Probe& p : probes)
        before << ReadIniValue(path, p.section, p.key);
    // A whole section reads as its keys read one by one (the first of two
    // equal names wins); a few keys of each section tell.
    for (const QString& section : sections) {
        const auto entries = ReadIniSection(path, section);
        for (const auto& [key, text] : entries.first(std::min<qsizetype>(entries.size(), 8))) {
            QString first;
            for (const auto& [other, otherText] : entries) {
                if (SameName(other, key)) {
                    first = otherText;
                    break;
                }
            }
            FUZZ_EXPECT(ReadIniValue(path, section, key) == first,
                        QStringLiteral("[%1] %2 reads %3, the section lists %4")
                            .arg(Show(section), Show(key), Show(ReadIniValue(path, section, key)),
                                 Show(first)));
        }
    }
    FUZZ_EXPECT(FuzzSupport::ReadFile(path) == input.body,
                QStringLiteral("reads changed the file"));

    if (op & 1) {
        const bool deleted = DeleteIniSection(path, target.section);
        FUZZ_EXPECT(deleted || Trimmed(target.section).isEmpty(),
                    QStringLiteral("deleting [%1] failed").arg(Show(target.section)));
        ExpectBatchAlike(input.body, path, deleted, true, target, value);
        for (int i = 0; i < probes.size(); ++i) {
            const QString now = ReadIniValue(path, probes[i].section, probes[i].key);
            const bool gone = SameName(probes[i].section, target.section);
            FUZZ_EXPECT(gone ? now.isEmpty() : now == before[i],
                        QStringLiteral("after deleting [%1]: [%2] %3 reads %4, before %5\n"
                                       "file before:\n%6\nafter:\n%7")
                            .arg(Show(target.section), Show(probes[i].section), Show(probes[i].key),
                                 Show(now), Show(before[i]), Show(input.body),
                                 Show(FuzzSupport::ReadFile(path))));
        }
        return 0;
    }

    // What the value reads back as from a file that holds nothing else.
    const QString alone = FuzzSupport::ScratchFile(QStringLiteral("alone.ini"));
    const bool storable = WriteIniValue(alone, target.section, target.key, value);
    const QString expected = ReadIniValue(alone, target.section, target.key);
    if (storable && Plain(value))
        FUZZ_EXPECT(expected == value,
                    QStringLiteral("[%1] %2 = %3 reads back as %4")
                        .arg(Show(target.section), Show(target.key), Show(value), Show(expected)));

    const QString deadTemporary = (op & 2) ? FuzzSupport::PlantDeadTemporary(path) : QString();
    const bool stored = WriteIniValue(path, target.section, target.key, value);
    const QByteArray once = FuzzSupport::ReadFile(path);
    FUZZ_EXPECT(deadTemporary.isEmpty() || once == input.body || !QFile::exists(deadTemporary),
                QStringLiteral("a dead save's temporary outlived a write"));
    ExpectBatchAlike(input.body, path, stored, false, target, value);
    FUZZ_EXPECT(stored == storable,
                QStringLiteral("[%1] %2: written %3 here, %4 into an empty file")
                    .arg(Show(target.section), Show(target.key))
                    .arg(stored)
                    .arg(storable));
    if (!stored) {
        FUZZ_EXPECT(once == input.body, QStringLiteral("a refused write changed the file"));
        return 0;
    }
    for (int i = 0; i < probes.size(); ++i) {
        const QString now = ReadIniValue(path, probes[i].section, probes[i].key);
        const bool same =
            SameName(probes[i].section, target.section) && SameName(probes[i].key, target.key);
        FUZZ_EXPECT(same ? now == expected : now == before[i],
                    QStringLiteral("after writing [%1] %2 = %3: [%4] %5 reads %6, expected %7\n"
                                   "file before:\n%8\nafter:\n%9")
                        .arg(Show(target.section), Show(target.key), Show(value),
                             Show(probes[i].section), Show(probes[i].key), Show(now),
                             Show(same ? expected : before[i]), Show(input.body), Show(once)));
    }

    // Writing the same value again changes nothing.
    WriteIniValue(path, target.section, target.key, value);
    FUZZ_EXPECT(FuzzSupport::ReadFile(path) == once,
                QStringLiteral("a second write of [%1] %2 changed the file:\n%3\nthen:\n%4")
                    .arg(Show(target.section), Show(target.key), Show(once),
                         Show(FuzzSupport::ReadFile(path))));
    return 0;
}
