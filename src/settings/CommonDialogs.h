#pragma once
#include <QString>

class QWidget;

// The file pickers the IDE shares, each one call that returns a full path or
// "" when the user cancels. They ask through Prompt::Current(), so tests
// answer them from a script.
namespace mdlCommonDialog {

// Flags the callers pass as they would to the system dialogs. The Qt pickers
// already confirm overwriting and insist on existing files where it matters,
// so the flags do not change what is shown.
inline constexpr int OFN_READONLY = 0x1;
inline constexpr int OFN_OVERWRITEPROMPT = 0x2;
inline constexpr int OFN_HIDEREADONLY = 0x4;
inline constexpr int OFN_PATHMUSTEXIST = 0x800;
inline constexpr int OFN_FILEMUSTEXIST = 0x1000;
inline constexpr int OFN_EXPLORER = 0x80000;

// A filter in the system's form — description and pattern list pairs separated
// by "|" or by NUL characters, patterns separated by ";":
//   "Executable Files (*.exe, *.com, *.bat)|*.exe; *.com; *.bat|All Files (*.*)|*.*"
// — as a Qt filter:
//   "Executable Files (*.exe *.com *.bat);;All Files (*)"
// Qt shows a filter's text as it is and reads its patterns from the last
// parentheses, so a description's own pattern list is replaced by the real
// one rather than shown twice. "*.*" becomes "*", which also matches names
// without a dot. A description without its pattern list is dropped.
QString QtFilterOf(const QString& filter);

// The chosen file's full path, or "" when cancelled. `start`: the folder to
// open in, or a file to propose.
QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title, int flags = 0,
                       const QString& start = QString());

// The chosen file's full path, or "" when cancelled. `defaultExtension`
// ("zbl", without a dot) is added to a typed name that has none.
QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title, int flags,
                       const QString& defaultExtension, const QString& start = QString());

}  // namespace mdlCommonDialog

// The text the folder picker shows the user.
extern const QString FolderPickerText;

// The chosen folder's path, or "" when cancelled.
QString BrowseForFolder(QWidget* owner);

// Moves the top-level `window` onto the free area of its screen: centred
// across, with 1/divisor of the spare height above it (divisor 3 puts one
// third above and two thirds below). A window larger than the area is kept
// inside its top left corner. A divisor that is not above 0 leaves the window
// where it is.
void PlaceForm(QWidget* window, double divisor);
