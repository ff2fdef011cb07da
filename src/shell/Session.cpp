#include "shell/Session.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "editor/CodeEditor.h"
#include "settings/AtomicFile.h"
#include "settings/ProgramFolder.h"

namespace {
const QByteArray Magic = QByteArrayLiteral("ZIDE-SESSION 1");
constexpr qint64 MaxBytes = 1 << 20;

// A number field: non-negative and within an int, else nothing.
bool ReadCount(const QByteArray& text, int& value) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 0)
        return false;
    value = number;
    return true;
}
}  // namespace

namespace Session {

QByteArray Encode(const State& state) {
    QByteArray bytes = Magic + '\n';
    // One line a module, the active one marked by its first word, so a line
    // dropped as damaged cannot move the mark to another. Paths last and
    // percent-encoded: blanks and line breaks in names stay whole.
    for (qsizetype i = 0; i < state.modules.size(); ++i) {
        const Module& module = state.modules[i];
        bytes += (i == state.active ? "active " : "module ") + QByteArray::number(module.line) +
                 ' ' + QByteArray::number(module.column) + ' ' +
                 QByteArray::number(module.firstVisibleLine) + ' ' +
                 QUrl::toPercentEncoding(module.path, "/") + '\n';
    }
    return bytes;
}

State Decode(const QByteArray& bytes) {
    State state;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != Magic)
        return state;
    for (const QByteArray& raw : lines.mid(1)) {
        const QList<QByteArray> fields = raw.trimmed().split(' ');
        Module module;
        if (fields.size() != 5 || (fields[0] != "module" && fields[0] != "active") ||
            !ReadCount(fields[1], module.line) || !ReadCount(fields[2], module.column) ||
            !ReadCount(fields[3], module.firstVisibleLine))
            continue;
        module.path = QUrl::fromPercentEncoding(fields[4]);
        if (module.path.isEmpty() || !QFileInfo(module.path).isAbsolute())
            continue;
        if (fields[0] == "active")
            state.active = static_cast<int>(state.modules.size());
        state.modules.append(module);
    }
    return state;
}

QString FilePath() {
    return ProgramFolder::DataFile(QStringLiteral("session"));
}

State Read(const QString& path) {
    const QFileInfo info(path);
    QByteArray bytes;
    if (!info.isFile() || info.size() > MaxBytes || !CodeEditor::ReadModule(path, bytes))
        return State();
    return Decode(bytes);
}

bool Write(const QString& path, const State& state) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return WriteFileAtomically(path, Encode(state));
}

}  // namespace Session
