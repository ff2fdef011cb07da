#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Finds the messages of tools in their output: a line that names a file and a
// line in it, as compilers, linkers and the Zorbel translator write them. No
// widgets and no file access: the pane and the main window build on these.
namespace MessageLocator {

// What a message says of itself; None when it does not say.
enum class Severity { None, Note, Warning, Error };

struct Message {
    QString file;    // as written in the line; resolved by the caller (ResolvePath)
    int line = 0;    // from 1, as the tool counts
    int column = 0;  // from 1; 0 when the message names no column
    Severity severity = Severity::None;
    QString text;         // what follows the location (with the severity word)
    int outputLine = -1;  // the line of the output holding the message, from 0
};

// The message in one line of output, if it is one. Recognised:
//   file:line:col: error|warning|note|fatal error: text   (GCC, Clang, the translator)
//   file:line: text  and  file:line:col: text              (most other tools)
//   Error E2451 file.cpp 12: text  /  Warning W8004 …  /  Fatal F1003 …  (Borland)
// The file must look like one: its name has an extension starting with a
// letter, and it is no URL; the line is 1 or more; some text follows. So a
// time of day ("12:30:45: started") or a URL with a port is no message.
std::optional<Message> ParseMessage(const QString& line);

// Every message in a text, with outputLine set and the files resolved
// against `folder`.
QList<Message> FindMessages(const QString& text, const QString& folder);

// A message's file as a full path: "\" is read as "/", a relative name is
// taken in `folder`, and "." and ".." are resolved. Touches no file.
QString ResolvePath(const QString& file, const QString& folder);

// A build works on copies of the solution's modules in the solution folder's
// "Release" subfolder, so messages name the copies. For a path in that folder
// this is the module of `modules` (full paths) with the same file name, which
// is where an edit belongs; any other path, or a copy without its module,
// comes back unchanged. An empty `solutionFolder` maps nothing.
QString SourceOfReleaseCopy(const QString& path, const QString& solutionFolder,
                            const QStringList& modules);

}  // namespace MessageLocator
