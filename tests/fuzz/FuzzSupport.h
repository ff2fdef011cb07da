#pragma once
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// What every fuzz target shares: a scratch folder that stands in for the
// program folder and the settings file, the application object the code under
// test expects, and a way to report a wrong result as a finding.
namespace FuzzSupport {

// Once per process: points ZIDE_HOME and ZIDE_REGISTRY into a fresh scratch
// folder and makes the application object (a QApplication on the offscreen
// platform when `gui`, else a QCoreApplication).
void Init(bool gui);

// The scratch folder; Clear() empties it between inputs.
QString Scratch();
QString ScratchFile(const QString& name);
void Clear();

void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Leaves a temporary beside `path` as an atomic save that died half-way
// would (".NAME.zide-tmp-XXXXXX"); returns its path.
QString PlantDeadTemporary(const QString& path);

// A result that breaks a promise: prints what was expected and what came,
// then aborts, so libFuzzer keeps the input as a finding.
[[noreturn]] void Fail(const char* what, const QString& detail = QString());

// Printable form of bytes or text for a finding's message.
QString Show(const QByteArray& bytes);
QString Show(const QString& text);

// The input split in two at its last byte: that byte gives the length of a
// trailer of operation bytes in front of it; what comes before is the body (a
// file's content). An input without a trailer is all body.
struct Split {
    QByteArray body;
    QByteArray trailer;
};
Split SplitTrailer(const uint8_t* data, size_t size);

// Reads small fields from a trailer (or any bytes) in order; an exhausted
// reader gives zeros and empty fields.
class FieldReader {
public:
    explicit FieldReader(const QByteArray& bytes) : bytes(bytes) {}
    quint8 Byte();
    // Bytes up to the next 0x00 (or the end); the 0x00 is consumed.
    QByteArray Field();
    QByteArray Rest();

private:
    QByteArray bytes;
    qsizetype at = 0;
};

}  // namespace FuzzSupport

#define FUZZ_EXPECT(condition, detail)                 \
    do {                                               \
        if (!(condition))                              \
            ::FuzzSupport::Fail(#condition, (detail)); \
    } while (false)
