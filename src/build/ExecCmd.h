#pragma once
#include <QString>
#include <QStringList>

class OutputTarget;

// Runs the external tools of a build hidden and copies their standard output
// into the Output pane while they run.
namespace mdlExecCmd {

// Splits a command line the way a Windows program splits its own: blanks and
// tabs separate words; double quotes group, and are dropped. In the program
// name quotes only group. In the arguments, 2n backslashes before a quote give
// n backslashes and the quote groups, 2n+1 give n backslashes and a literal
// quote, a doubled quote inside a group gives one literal quote, and other
// backslashes are kept as they are.
QStringList SplitCommandLine(const QString& commandLine);

// The program and arguments started for a command line. A line that as a
// whole names an existing file is that program with no arguments (so a path
// with blanks needs no quotes). A program that is an existing file but not
// executable, such as a batch file, runs as a /bin/sh script.
struct Launch {
    QString program;
    QStringList arguments;
};
Launch ResolveCommandLine(const QString& commandLine);

// Starts the command line with the IDE's environment and current folder,
// standard input and standard error closed, and copies its standard output
// into `target` as it arrives: the first piece replaces the target's previous
// content, later pieces are appended, and the caret ends after the last one.
// Only non-input events run meanwhile, so the target repaints but the user
// cannot act. Returns when the output is closed by the program and whatever
// it started (end of output is the end of the run; there is no exit code).
// The program is started detached, so one that runs on after closing its
// output ends by itself, even after the IDE. The output is read as UTF-8
// (OutputDecoder): a byte that is not part of a character shows as U+FFFD. A
// program that cannot be started leaves the target empty and is not
// reported. With no target the program is started on its own and the call
// returns at once. The result is 0, or the system's error number when no
// pipe could be made (then nothing was started and the target is untouched).
int ExecCmd(const QString& commandLine, OutputTarget* target);

}  // namespace mdlExecCmd

using mdlExecCmd::ExecCmd;
