#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "solution/SolutionState.h"

// The solution file (.zsl): writing it from the record and the Project
// Explorer's items, asking whether it lists a module, and reading it back
// into what the main window opens. No widgets here: the explorer hands over
// its items and the main window opens the windows.
//
// The file is INI text. [Solution] holds Name, Startup, BuildBatch and
// FilesCount; [Files] holds File1..FileN; module paths are written relative
// to the solution's folder where they share a part of it, with "/". Files
// written on Windows ("\" and CR LF) read the same.
namespace mdlSolutionFile {

// One item of the Project Explorer's list, as the file sees it: only items
// whose key starts with "file" are modules; an empty tag is a module that
// was never saved.
struct SolutionItem {
    QString key;
    QString tag;
};

// Writes `state` and the modules among `items` (in their order) to `path`.
// [Solution] keys change in place, [Files] is replaced as a whole, every
// other line of the file stays as it was. False when the file could not be
// written; the old file is then left as it was.
bool SaveSolution(const QString& path, const SolutionRecord& state,
                  const QList<SolutionItem>& items);

// True when some module among `items` has the tag `path` (both trimmed,
// compared exactly).
bool CheckFile(const QList<SolutionItem>& items, const QString& path);
// The key of the first module among `items` whose tag is `path` (both
// trimmed); "" when there is none.
QString KeyOf(const QList<SolutionItem>& items, const QString& path);

// Items whose key starts with "file" are modules.
bool IsModuleKey(const QString& key);
// The paths of the saved modules among `items`, trimmed, in their order.
QStringList ModulePaths(const QList<SolutionItem>& items);
// The default solution ("!default.zsl", any folder, any letter case) is
// never overwritten by a save and never listed as recent.
bool IsDefaultSolution(const QString& path);

// What a solution file asks to open.
struct SolutionLoad {
    QString Name;
    QString Startup;     // absolute, or "" when the file names none
    QString BuildBatch;  // absolute, or ""
    // Where the module key counter continues: the file's FilesCount, 0 when
    // it is missing, negative or not a number.
    int FilesCount = 0;
    // The module files to open, in the order of their numbers: absolute
    // paths of readable regular files. Entries that are empty, missing,
    // folders, devices, unreadable or the solution file itself are left
    // out. A module listed twice is here twice; the second finds the first
    // window open.
    QStringList Modules;
};

// Reads the solution file `file` (a full path). Never writes it. A file
// that cannot be read gives an empty load.
SolutionLoad LoadSolution(const QString& file);

// The FilesCount text as a count: leading decimal digits after an optional
// sign, anything after them ignored; "" or no digits give 0, values beyond
// the 32-bit range give its ends.
int ParseFilesCount(const QString& text);

// A path as written in the file, resolved against the solution's folder:
// "\" read as "/"; a relative path joined to `folder` and its "." and ".."
// resolved; an absolute one (or one with a drive, from Windows) kept.
QString ResolveEntry(const QString& folder, const QString& entry);

}  // namespace mdlSolutionFile
