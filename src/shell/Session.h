#pragma once
#include <QList>
#include <QString>

// The modules open when the IDE last ended, which of them was in front and
// where each was being read, kept in a small text file in the data folder.
namespace Session {

struct Module {
    QString path;  // absolute
    int line = 0;  // caret, from 0
    int column = 0;
    int firstVisibleLine = 0;
    bool operator==(const Module&) const = default;
};

struct State {
    QList<Module> modules;
    int active = -1;  // index into modules, -1 for none
    bool operator==(const State&) const = default;
};

QByteArray Encode(const State& state);
// Whatever can be read of `bytes`: lines that are damaged, relative paths and
// an active index out of range are dropped, never an error.
State Decode(const QByteArray& bytes);

// The data folder's session file.
QString FilePath();
// An empty state when the file is missing, unreadable or oversized.
State Read(const QString& path);
// Replaces the file atomically; false when it cannot be written.
bool Write(const QString& path, const State& state);

}  // namespace Session
