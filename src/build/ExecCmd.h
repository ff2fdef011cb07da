#pragma once
#include <QProcessEnvironment>
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
// executable, such as a batch file, runs as a /bin/sh script; one that is a
// compiled program (it starts with the ELF mark) is not started at all.
struct Launch {
    QString program;
    QStringList arguments;
};
Launch ResolveCommandLine(const QString& commandLine);

// Starts the command line with ToolEnvironment() and the current folder,
// standard input and standard error closed, and copies its standard output
// into `target` as it arrives: the first piece replaces the target's previous
// content, later pieces are appended, and the caret ends after the last one.
// Only non-input events run meanwhile (about every 20 ms, never per read), so
// the target repaints but the user cannot act. Returns when the output is
// closed by the program and whatever it started (end of output is the end of
// the run; there is no exit code). The program is started detached, in a
// session of its own, so one that runs on after closing its output ends by
// itself, even after the IDE. The output is read as UTF-8 (OutputDecoder): a
// byte that is not part of a character shows as U+FFFD. A program that
// cannot be started leaves the target empty and is not reported. With no
// target the program is started on its own and the call returns at once.
// The result is 0, or the system's error number when no pipe could be made
// (then nothing was started and the target is untouched).
int ExecCmd(const QString& commandLine, OutputTarget* target);

// The environment every program the IDE runs gets: its own, with the entries
// of the user's PATH setting (HKEY_CURRENT_USER\Environment "PATH", ";"
// between entries, blanks trimmed, empty ones dropped) before the inherited
// PATH. Read from the settings at each call.
QProcessEnvironment ToolEnvironment();

// `program` as it will be started: a name without "/" that is no file in the
// current folder is looked up in the PATH of `environment`; otherwise, and
// when the lookup fails, it is returned unchanged.
QString FindProgram(const QString& program, const QProcessEnvironment& environment);

struct ExecOptions {
    // Let the user act while the program runs (the build's Stop), rather
    // than only repaint.
    bool userInput = false;
    // The folder to start in; "" for the current folder.
    QString folder;
};

struct ExecStatus {
    int status = 0;        // what ExecCmd returns
    bool started = false;  // the program was started
    int startError = 0;    // the system's error number when it was not
    bool stopped = false;  // Stop() ended it
};

// ExecCmd with more to say: whether the program started, and whether Stop()
// ended it. Each run gets ToolEnvironment(). Output is read as it comes and
// shown in large pieces, with pending events run about every 20 ms, so a
// long output streams fast and the window stays painted.
ExecStatus Run(const QString& commandLine, OutputTarget* target, const ExecOptions& options = {});
ExecStatus Run(const Launch& launch, OutputTarget* target, const ExecOptions& options = {});

// Ends the program that Run() is reading from, and every process it started
// that stayed in its group: SIGTERM, then SIGKILL 100 ms later. The run
// returns within about 250 ms even when something outside the group keeps
// the output open. Nothing happens when no program runs.
void Stop();
// True while Run() reads a program's output.
bool Running();

}  // namespace mdlExecCmd

using mdlExecCmd::ExecCmd;
