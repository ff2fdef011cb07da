#pragma once
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class OutputTarget;

// Starting a finished program. A console program (its start module does not
// say "Option Console OFF") gets a terminal that stays open after it ends
// until the user presses Enter; any other program starts on its own. With no
// terminal installed, a console program's output goes to the Output pane.
namespace ProgramStart {

// True unless a line of `source` begins (after blanks) with
// "Option Console OFF", in any letter case.
bool IsConsoleSource(const QString& source);

// x-terminal-emulator, else xterm, looked up in the PATH of `environment`;
// "" when neither is there.
QString FindTerminal(const QProcessEnvironment& environment);

struct Request {
    QString program;
    QStringList arguments;
    QString folder;  // where it starts
    bool console = true;
};

// What starts for the program file `programFile` built from a module whose
// text is `source`: that file in its own folder, or, when `solutionFile`
// names a solution whose run settings have a command, that command with its
// arguments in its working folder (relative ones taken from the solution's
// folder; the program's folder by default).
Request ForProgram(const QString& programFile, const QString& source, const QString& solutionFile);

enum class Started { Detached, InTerminal, IntoOutput, Skipped };

// Starts the request: a program file that does not exist, or a command that
// cannot be found, is skipped silently. Into the output means a run through
// the process runner that returns when the program closes its output.
Started Start(const Request& request, OutputTarget* output);

// The terminal's command line for a request (for tests and the start).
QStringList TerminalArguments(const Request& request);

}  // namespace ProgramStart
