#include "build/BuildPipeline.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "build/OutputTarget.h"
#include "build/ProgramStart.h"
#include "settings/PathHelpers.h"
#include "settings/Registry.h"
#include "settings/UserFiles.h"
#include "solution/SolutionState.h"

namespace {

const QString ScratchModule = QStringLiteral("zqtemp001.zbl");
const QString ScratchProgram = QStringLiteral("zqtemp001.exe");

QString Setting(const QString& name) {
    return mdlRegistry::GetRegString(mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                                     name);
}

// Switches are on only when stored as "true" in some letter case.
bool Switch(const QString& name) {
    return Setting(name).toLower() == QLatin1String("true");
}

// A tool path with blanks is quoted, so it stays one word of the command line.
QString ToolCommand(const QString& pathSetting, const QString& paramSetting) {
    QString path = Setting(pathSetting);
    if (path.contains(QLatin1Char(' ')) && !path.trimmed().startsWith(QLatin1Char('"')))
        path = QLatin1Char('"') + path.trimmed() + QLatin1Char('"');
    return path + QLatin1Char(' ') + Setting(paramSetting);
}

// A module's extension is taken to be four characters long (".zbl").
QString ProgramFileOf(const QString& module) {
    return module.left(qMax<qsizetype>(0, module.size() - 4)) + QStringLiteral(".exe");
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void RemoveMatching(const QString& folder, const QString& pattern) {
    QDir dir(folder);
    for (const QString& name : dir.entryList({pattern}, QDir::Files | QDir::Hidden))
        dir.remove(name);
}

// Copies `from` over `to` unless both are the same file.
void CopyOver(const QString& from, const QString& to) {
    const QFileInfo source(from);
    if (!source.isFile())
        return;
    if (source.canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return;
    // A plain copy: QFile::copy flushes each file to disk, which a scratch
    // copy does not need and which costs a build of many modules seconds.
    QFile in(from);
    QFile out(to);
    if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(in.readAll());
}

QString Seconds(qint64 milliseconds) {
    return QString::number(static_cast<double>(milliseconds) / 1000.0, 'f', 1) +
           QStringLiteral(" s");
}

}  // namespace

// Marks a command running for its whole length, whichever way it returns.
struct BuildPipeline::Guard {
    explicit Guard(BuildPipeline& pipeline) : pipeline(pipeline) {
        pipeline.running = true;
        pipeline.stopRequested = false;
        pipeline.failedTool.clear();
        pipeline.startedAt = QDateTime::currentMSecsSinceEpoch();
        pipeline.host.RunningChanged(true);
    }
    ~Guard() {
        pipeline.running = false;
        pipeline.host.RunningChanged(false);
    }
    BuildPipeline& pipeline;
};

BuildPipeline::BuildPipeline(BuildHost& host) : host(host) {}

QString BuildPipeline::ExpandPlaceholders(const QString& command, const QString& filePath) {
    QString expanded = command;
    expanded.replace(QLatin1String("%FILE%"), BaseNameOf(filePath.trimmed()), Qt::CaseSensitive);
    expanded.replace(QLatin1String("%PATH%"), FolderOf(filePath.trimmed()), Qt::CaseSensitive);
    expanded.replace(QLatin1String("%FULL%"), filePath.trimmed(), Qt::CaseSensitive);
    return expanded;
}

bool BuildPipeline::ReportsErrors(const QString& errorFileText) {
    // Tools written for Windows end lines with CR LF, ours with LF: both
    // have the LF right before the "Error ".
    return errorFileText.contains(QLatin1String("\nError "));
}

int BuildPipeline::ConfigurationIndex(const QString& configuration) {
    static const QStringList names{QStringLiteral("Win32 Release"), QStringLiteral("Win32 Debug"),
                                   QStringLiteral("Win32 Library")};
    return static_cast<int>(names.indexOf(configuration.trimmed()));
}

mdlExecCmd::ExecStatus BuildPipeline::RunTool(const QString& command, const QString& filePath) {
    const QString line = ExpandPlaceholders(command, filePath);
    host.ShowOutputView();
    if (line.trimmed().isEmpty()) {
        host.ShowMessage(QStringLiteral("  Error in compiling file !   \r\n"
                                        "  Please, check your setting to path for compiler.  \r\n"
                                        "  You can compile only saved file.   "),
                         QStringLiteral("Build ..."), QMessageBox::Critical);
        return {};
    }
    mdlExecCmd::ExecOptions options;
    options.userInput = true;
    const mdlExecCmd::ExecStatus status = mdlExecCmd::Run(line, host.Output(), options);
    if (!status.started && status.status == 0 && failedTool.isEmpty())
        failedTool = mdlExecCmd::ResolveCommandLine(line).program;
    if (status.stopped)
        stopRequested = true;
    return status;
}

void BuildPipeline::Stop() {
    if (!running)
        return;
    stopRequested = true;
    mdlExecCmd::Stop();
}

BuildResult BuildPipeline::Finish(BuildResult::Outcome outcome, const QString& text,
                                  bool writeLine) {
    BuildResult result;
    result.outcome = outcome;
    result.milliseconds = QDateTime::currentMSecsSinceEpoch() - startedAt;
    switch (outcome) {
        case BuildResult::Outcome::Succeeded:
            result.text = QStringLiteral("Build succeeded in ") + Seconds(result.milliseconds);
            break;
        case BuildResult::Outcome::Failed:
            result.text = QStringLiteral("Build failed: ") + text + QStringLiteral(" (") +
                          Seconds(result.milliseconds) + QLatin1Char(')');
            break;
        case BuildResult::Outcome::Stopped:
            result.text =
                QStringLiteral("Build stopped (") + Seconds(result.milliseconds) + QLatin1Char(')');
            break;
        default:
            result.text = text;
            break;
    }
    if (writeLine) {
        if (OutputTarget* output = host.Output()) {
            const QString shown = output->Text();
            const bool newLine = !shown.isEmpty() && !shown.endsWith(QLatin1Char('\n'));
            output->Append((newLine ? QStringLiteral("\n") : QString()) + result.text +
                           QLatin1Char('\n'));
        }
    }
    return result;
}

QString BuildPipeline::ModuleToRun() const {
    QString module = SolutionState.Startup.trimmed();
    if (module.isEmpty() && host.HasActiveDocument())
        module = host.ActiveFileName().trimmed();
    if (module.isEmpty())
        module = UserFiles::ScratchFile(ScratchProgram);
    return module;
}

QString BuildPipeline::SourceTextOf(const QString& module) const {
    if (module == UserFiles::ScratchFile(ScratchProgram))
        return host.HasActiveDocument() && host.ActiveFileName().trimmed().isEmpty()
                   ? host.ActiveText()
                   : QString();
    return ReadText(module);
}

void BuildPipeline::StartModule(const QString& module, const QString& source) {
    ProgramStart::Start(ProgramStart::ForProgram(ProgramFileOf(module), source,
                                                 SolutionState.SolutionPath.trimmed()),
                        host.Output());
}

void BuildPipeline::RemoveScratchFiles() {
    QFile::remove(UserFiles::ScratchFile(ScratchModule));
    QFile::remove(UserFiles::ScratchFile(ScratchProgram));
}

BuildResult BuildPipeline::Run(const QString& commandId) {
    if (commandId == QLatin1String("BuildBuild"))
        return BuildBuild();
    if (commandId == QLatin1String("BuildAll"))
        return BuildAll();
    if (commandId == QLatin1String("BuildExecute"))
        return BuildExecute();
    if (commandId == QLatin1String("BuildClean"))
        return BuildClean();
    return {};
}

BuildResult BuildPipeline::BuildBuild() {
    if (running)
        return {BuildResult::Outcome::Busy, QString(), 0};
    Guard guard(*this);
    RemoveScratchFiles();
    if (OutputTarget* output = host.Output())
        output->ReplaceAll(QString());

    // The module the tools get: the start-up module's copy in the solution's
    // "Release" folder, the active document itself, or the scratch copy of a
    // document never saved.
    QString source;
    bool onCopies = false;
    const QString startup = SolutionState.Startup;
    if (!startup.isEmpty()) {
        const QString solutionFolder = FolderOf(SolutionState.SolutionPath.trimmed());
        const QString release = solutionFolder + QStringLiteral("/Release");
        QDir::setCurrent(solutionFolder);
        QDir().mkpath(release);
        for (const QString& module : mdlSolutionFile::ModulePaths(host.SolutionItems())) {
            if (!host.SaveBuildFile(module))
                CopyOver(module, release + QLatin1Char('/') + FileNameOf(module));
        }
        source = release + QLatin1Char('/') + FileNameOf(startup.trimmed());
        onCopies = true;
    } else {
        if (host.HasActiveDocument())
            source = host.ActiveFileName().trimmed();
        if (source.isEmpty()) {
            source = UserFiles::ScratchFile(ScratchModule);
            onCopies = true;
            if (host.HasActiveDocument())
                host.SaveActiveCopy(source);
        }
    }
    // Whether the program is a console one is decided by the text built,
    // read now because the copies go before the program starts.
    const QString sourceText = ReadText(source);
    const QString buildFolder = FolderOf(source);
    QDir::setCurrent(buildFolder);
    QCoreApplication::processEvents();

    const int index = ConfigurationIndex(host.Configuration());
    const QString rc = buildFolder + QLatin1Char('/') +
                       FileNameOf(source).left(qMax<qsizetype>(0, FileNameOf(source).size() - 4)) +
                       QStringLiteral(".rc");
    if (QFileInfo(rc).isFile())
        RunTool(ToolCommand(QStringLiteral("ResPath"), QStringLiteral("ResParam0")), rc);
    if (!stopRequested && Switch(QStringLiteral("UseProcessor")))
        RunTool(ToolCommand(QStringLiteral("ProcPath"), QStringLiteral("ProcParam")), source);
    if (!stopRequested && Switch(QStringLiteral("UseCompiler"))) {
        if (index < 0)
            return Finish(BuildResult::Outcome::Failed, QStringLiteral("unknown configuration"),
                          true);
        RunTool(ToolCommand(QStringLiteral("CompilerPath"),
                            QStringLiteral("Param") + QString::number(index)),
                source);
    }
    if (!stopRequested && Switch(QStringLiteral("UseLinker"))) {
        if (index < 0)
            return Finish(BuildResult::Outcome::Failed, QStringLiteral("unknown configuration"),
                          true);
        RunTool(ToolCommand(QStringLiteral("LinkerPath"),
                            QStringLiteral("LinkParam") + QString::number(index)),
                source);
    }
    if (stopRequested)
        return Finish(BuildResult::Outcome::Stopped, QString(), true);

    if (onCopies)
        RemoveMatching(buildFolder, QStringLiteral("*.zbl"));
    if (ReportsErrors(ReadText(buildFolder + QStringLiteral("/bcc32.err")))) {
        host.ShowMessage(
            QStringLiteral("  C++ compiler occurred some errors, see Output from compiler !   "),
            QStringLiteral("Build"), QMessageBox::Critical);
        return Finish(BuildResult::Outcome::Failed, QStringLiteral("compiler errors"), true);
    }
    if (ReportsErrors(ReadText(buildFolder + QStringLiteral("/ilink32.err")))) {
        host.ShowMessage(
            QStringLiteral("  C++ linker occurred some errors, see Output from linker !   "),
            QStringLiteral("Build"), QMessageBox::Critical);
        return Finish(BuildResult::Outcome::Failed, QStringLiteral("linker errors"), true);
    }
    const BuildResult result = failedTool.isEmpty()
                                   ? Finish(BuildResult::Outcome::Succeeded, QString(), true)
                                   : Finish(BuildResult::Outcome::Failed,
                                            QStringLiteral("could not start ") + failedTool, true);

    if (startPolicy == StartPolicy::Always ||
        (startPolicy == StartPolicy::WhenSucceeded && result.Succeeded())) {
        const QString module = ModuleToRun();
        QFile::remove(UserFiles::ScratchFile(ScratchModule));
        // A solution build's program is in its "Release" folder; a module
        // built in place (no start-up module) has its program beside it.
        StartModule(startup.isEmpty() ? module
                                      : FolderOf(SolutionState.SolutionPath.trimmed()) +
                                            QStringLiteral("/Release/") + FileNameOf(module),
                    sourceText);
    }
    return result;
}

BuildResult BuildPipeline::BuildAll() {
    if (running)
        return {BuildResult::Outcome::Busy, QString(), 0};
    Guard guard(*this);
    if (OutputTarget* output = host.Output())
        output->ReplaceAll(QString());
    QString batch = SolutionState.BuildBatch.trimmed();
    if (batch.isEmpty())
        batch = FolderOf(host.HasActiveDocument() ? host.ActiveFileName().trimmed() : QString()) +
                QStringLiteral("/make.bat");
    QDir::setCurrent(FolderOf(batch));
    host.ShowOutputView();
    mdlExecCmd::ExecOptions options;
    options.userInput = true;
    const mdlExecCmd::ExecStatus status = mdlExecCmd::Run(batch, host.Output(), options);
    if (status.stopped || stopRequested)
        return Finish(BuildResult::Outcome::Stopped, QString(), true);
    RemoveScratchFiles();
    const BuildResult result = status.started
                                   ? Finish(BuildResult::Outcome::Succeeded, QString(), true)
                                   : Finish(BuildResult::Outcome::Failed,
                                            QStringLiteral("could not start ") + batch, true);
    if (startPolicy == StartPolicy::Always ||
        (startPolicy == StartPolicy::WhenSucceeded && result.Succeeded()))
        StartModule(ModuleToRun(), SourceTextOf(ModuleToRun()));
    return result;
}

BuildResult BuildPipeline::BuildExecute() {
    if (running)
        return {BuildResult::Outcome::Busy, QString(), 0};
    Guard guard(*this);
    const QString module = ModuleToRun();
    QFile::remove(UserFiles::ScratchFile(ScratchModule));
    StartModule(module, SourceTextOf(module));
    return Finish(BuildResult::Outcome::Done, FileNameOf(ProgramFileOf(module)), false);
}

BuildResult BuildPipeline::BuildClean() {
    if (running)
        return {BuildResult::Outcome::Busy, QString(), 0};
    const QString solution = SolutionState.SolutionPath.trimmed();
    if (solution.isEmpty() || !QFileInfo(solution).isFile())
        return {};
    Guard guard(*this);
    const QString folder = FolderOf(solution);
    RemoveMatching(folder, QStringLiteral("*.zlm"));
    RemoveMatching(folder, QStringLiteral("*.lib"));
    QFile::remove(UserFiles::ScratchFile(ScratchProgram));
    return Finish(BuildResult::Outcome::Done, QStringLiteral("Clean done"), false);
}
