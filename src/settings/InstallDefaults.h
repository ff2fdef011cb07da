#pragma once
#include <QByteArray>
#include <QString>

// Values an installation provides and the IDE only reads: the syntax file for
// each shipped source-file extension, and the shipped tool chain (the
// translator and the compiler and linker drivers in the program folder's
// bin/) for the build. They ship as defaults.reg in the program folder, the
// read-only file beneath every user's settings (see mdlRegistry); the build
// writes it, and an install step writes it again for the installed folder.
namespace InstallDefaults {

// "defaults.reg": the file's name in the program folder.
extern const QString FileName;

// The defaults for `programFolder` as a REGEDIT4 file, tool paths absolute
// below it. Empty when the folder's name holds a line break or NUL, which no
// value line can carry.
QByteArray Contents(const QString& programFolder);

// Replaces `file` with Contents(programFolder), atomically. False when
// nothing was written.
bool WriteFile(const QString& programFolder, const QString& file);

// WriteFile for the running program's own folder (ProgramFolder::Path()),
// into its defaults.reg: what an installation holds, for tests that set up a
// program folder of their own.
bool Write();

}  // namespace InstallDefaults
