#include "FuzzSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

namespace {
QTemporaryDir* scratch = nullptr;
QString home;

int argc = 1;
char arg0[] = "zide-fuzz";
char* argv[] = {arg0, nullptr};
}  // namespace

void Init(bool gui) {
    if (QCoreApplication::instance())
        return;
    // The scratch folder lives for the whole run; a crash leaves it in TMPDIR.
    scratch = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/zide-fuzz-XXXXXX"));
    home = scratch->path() + QStringLiteral("/home");
    QDir().mkpath(home);
    qputenv("ZIDE_HOME", QFile::encodeName(home));
    qputenv("ZIDE_REGISTRY", QFile::encodeName(home + QStringLiteral("/registry.reg")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch->path() + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch->path() + QStringLiteral("/data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch->path() + QStringLiteral("/cache")));
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    if (gui) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    } else {
        new QCoreApplication(argc, argv);
    }
}

QString Scratch() {
    return home;
}

QString ScratchFile(const QString& name) {
    return home + QLatin1Char('/') + name;
}

void Clear() {
    QDir dir(home);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = dir.filePath(name);
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("the scratch file could be written", path);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString PlantDeadTemporary(const QString& path) {
    const QFileInfo info(path);
    const QString temporary =
        info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".zide-tmp-Dead01");
    WriteFile(temporary, QByteArrayLiteral("half a file"));
    return temporary;
}

void Fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "\n==FINDING== expected: %s\n%s\n", what, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

QString Show(const QByteArray& bytes) {
    QString out = QStringLiteral("\"");
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f && u != '\\' && u != '"')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}

QString Show(const QString& text) {
    return Show(text.toUtf8());
}

Split SplitTrailer(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    const auto* chars = reinterpret_cast<const char*>(data);
    const size_t length = std::min<size_t>(data[size - 1], size - 1);
    return {QByteArray(chars, static_cast<qsizetype>(size - 1 - length)),
            QByteArray(chars + size - 1 - length, static_cast<qsizetype>(length))};
}

quint8 FieldReader::Byte() {
    return at < bytes.size() ? static_cast<quint8>(bytes[at++]) : 0;
}

QByteArray FieldReader::Field() {
    qsizetype end = bytes.indexOf('\0', at);
    if (end < 0)
        end = bytes.size();
    const QByteArray field = bytes.mid(at, end - at);
    at = std::min(end + 1, bytes.size());
    return field;
}

QByteArray FieldReader::Rest() {
    const QByteArray rest = bytes.mid(at);
    at = bytes.size();
    return rest;
}

}  // namespace FuzzSupport
