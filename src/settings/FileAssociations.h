#pragma once
#include <QString>
#include <QStringList>

// Registration of the IDE's file types: modules (.zbl), solutions (.zsl) and
// library modules (.zlm). Each is written twice: as keys under
// HKEY_CLASSES_ROOT in the settings store (extension -> ProgID "ZBL.File",
// "ZBL.Solution", "ZBL.Module", with icon and open command), and for the
// desktop under $XDG_DATA_HOME (default ~/.local/share): a shared-mime-info
// package, a .desktop entry that opens modules and solutions with the IDE,
// and hicolor icons. Library modules get a type and an icon but no opener.
//
// Nothing here shows a message or stops on a failed step: whatever can be
// written is written. The desktop's caches are refreshed by their tools when
// they are installed, in the background.
namespace FileAssociations {

// The media types declared for .zbl, .zsl and .zlm.
extern const QString ModuleType;    // "text/x-zorbel-module"
extern const QString SolutionType;  // "application/x-zorbel-solution"
extern const QString LibraryType;   // "text/x-zorbel-library"

// The program that opens the files: "zide" in the program folder.
QString ProgramPath();

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
QString DataHome();

// The files Register writes below DataHome(), as full paths.
QString MimePackageFile();
QString DesktopFile();
QStringList IconFiles();

// The open command stored for ProgIDs: `"program" "%1"`.
QString OpenCommand(const QString& programPath);
// The Exec line of the desktop entry: the program quoted and escaped as the
// desktop entry format wants, followed by %f.
QString DesktopExec(const QString& programPath);

// Writes the keys and the desktop files for `programPath`.
void Register(const QString& programPath);
// Writes the desktop files alone (shared-mime-info package, .desktop entry
// opening with `programPath`, hicolor icons) below `share`, a folder laid
// out as $XDG_DATA_HOME or <prefix>/share is. Which of them changed:
struct DesktopChanges {
    bool mime = false;
    bool desktop = false;
    bool icons = false;
};
DesktopChanges WriteDesktopFiles(const QString& share, const QString& programPath);

// Deletes the extension keys (the ProgID keys stay) and the desktop files.
void Unregister();
// Whether ".zbl" names a file type in the store, whatever program that is.
bool IsRegistered();

// Waits at most `msecs` for refresh tools still running; true when none is.
bool WaitForRefresh(int msecs);

}  // namespace FileAssociations
