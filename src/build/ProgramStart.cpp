#include "build/ProgramStart.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "build/ExecCmd.h"
#include "build/OutputTarget.h"
#include "solution/SolutionProperties.h"

namespace ProgramStart {

namespace {

// Shown by the terminal once the program has ended.
const char WaitScript[] =
    "cd -- \"$1\" 2>/dev/null; shift; \"$@\"; status=$?; "
    "printf '\\n%s' 'Press Enter to close this window.'; read line; exit $status";

// The Output pane seen by a program run into it: what the program prints
// goes after the build's output instead of replacing it.
class AppendingTarget : public OutputTarget {
public:
    explicit AppendingTarget(OutputTarget* inner) : inner(inner) {}
    QString Text() const override { return QString(); }
    void SetSelStart(int) override {}
    void SetSelLength(int) override {}
    void SetSelText(const QString& text) override { Append(text); }
    void Append(const QString& text) override {
        if (!text.isEmpty())
            inner->Append(text);
    }

private:
    OutputTarget* inner;
};

QString Absolute(const QString& path, const QString& base) {
    if (path.isEmpty() || QFileInfo(path).isAbsolute())
        return path;
    return QDir::cleanPath(QDir(base).filePath(path));
}

}  // namespace

bool IsConsoleSource(const QString& source) {
    static const QRegularExpression consoleOff(
        QStringLiteral("^[ \\t]*option[ \\t]+console[ \\t]+off\\b"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    return !consoleOff.match(source).hasMatch();
}

QString FindTerminal(const QProcessEnvironment& environment) {
    for (const char* name : {"x-terminal-emulator", "xterm"}) {
        const QString found = mdlExecCmd::FindProgram(QLatin1String(name), environment);
        if (found.contains(QLatin1Char('/')))
            return found;
    }
    return QString();
}

Request ForProgram(const QString& programFile, const QString& source, const QString& solutionFile) {
    Request request;
    request.program = programFile;
    request.folder = QFileInfo(programFile).absolutePath();
    request.console = IsConsoleSource(source);
    if (solutionFile.trimmed().isEmpty())
        return request;
    const SolutionProperties::RunSettings settings =
        SolutionProperties::ReadRunSettings(solutionFile);
    const QString command = settings.command.trimmed();
    if (command.isEmpty())
        return request;
    const QString solutionFolder = QFileInfo(solutionFile).absolutePath();
    // A command given by name (no "/") is looked up in the PATH when it
    // starts; one with a folder is taken from the solution's folder.
    request.program =
        command.contains(QLatin1Char('/')) ? Absolute(command, solutionFolder) : command;
    // The arguments split as a command line splits its own.
    request.arguments =
        mdlExecCmd::SplitCommandLine(QStringLiteral("x ") + settings.arguments).mid(1);
    const QString folder = settings.workingDirectory.trimmed();
    if (!folder.isEmpty())
        request.folder = Absolute(folder, solutionFolder);
    return request;
}

QStringList TerminalArguments(const Request& request) {
    return QStringList{QStringLiteral("-e"), QStringLiteral("/bin/sh"),
                       QStringLiteral("-c"), QLatin1String(WaitScript),
                       QStringLiteral("sh"), request.folder,
                       request.program} +
           request.arguments;
}

Started Start(const Request& request, OutputTarget* output) {
    const QProcessEnvironment environment = mdlExecCmd::ToolEnvironment();
    const QString program = mdlExecCmd::FindProgram(request.program, environment);
    const QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable())
        return Started::Skipped;
    Request resolved = request;
    resolved.program = file.absoluteFilePath();
    if (!QFileInfo(resolved.folder).isDir())
        resolved.folder = file.absolutePath();

    if (resolved.console) {
        const QString terminal = FindTerminal(environment);
        if (terminal.isEmpty()) {
            mdlExecCmd::ExecOptions options;
            options.userInput = true;
            options.folder = resolved.folder;
            AppendingTarget after(output);
            mdlExecCmd::Run(mdlExecCmd::Launch{resolved.program, resolved.arguments},
                            output ? &after : nullptr, options);
            return Started::IntoOutput;
        }
        QProcess starter;
        starter.setProgram(terminal);
        starter.setArguments(TerminalArguments(resolved));
        starter.setWorkingDirectory(resolved.folder);
        starter.setProcessEnvironment(environment);
        return starter.startDetached() ? Started::InTerminal : Started::Skipped;
    }
    QProcess starter;
    starter.setProgram(resolved.program);
    starter.setArguments(resolved.arguments);
    starter.setWorkingDirectory(resolved.folder);
    starter.setProcessEnvironment(environment);
    starter.setStandardInputFile(QProcess::nullDevice());
    return starter.startDetached() ? Started::Detached : Started::Skipped;
}

}  // namespace ProgramStart
