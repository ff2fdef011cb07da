#pragma once
#include <QString>
#include <QStringList>

// The task list's storage: the [Tasks] section of the open solution's file,
// or of the default solution when no solution file is set.
//
//   [Tasks]
//   Count=2
//   Item0=Check the linker settings
//   Item1=New Task
namespace TaskFile {

// The file the tasks live in: the solution's path trimmed, else the user's
// own "!default.zsl" (UserFiles::DefaultSolution).
QString Path();

// Item0 .. Item<Count-1> of `file` in order, trimmed, blank ones left out. A
// missing file, section or count is no tasks.
QStringList Read(const QString& file);

// Replaces the [Tasks] section of `file` by `tasks` (Count, then Item0 ..,
// each trimmed); every other section stays as it was. The section moves to
// the end of the file. False when the file could not be written.
bool Write(const QString& file, const QStringList& tasks);

}  // namespace TaskFile
