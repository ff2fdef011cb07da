#pragma once
#include <QList>
#include <QMessageBox>
#include <QString>

#include "build/ExecCmd.h"
#include "solution/SolutionFile.h"

class OutputTarget;

// What a build needs from the window it runs in: the solution's modules, the
// open editors, the configuration and the Output pane. The main window
// implements it over its widgets; the headless build over files only.
class BuildHost {
public:
    virtual ~BuildHost() = default;

    // The Project Explorer's items in tree order; modules have keys that
    // begin with "file" and their full path as tag.
    virtual QList<mdlSolutionFile::SolutionItem> SolutionItems() const = 0;
    // Writes the text of the editor that shows `modulePath` into the
    // solution's "Release" folder under the module's file name; false when
    // no editor shows it (the build then copies the file from disk).
    virtual bool SaveBuildFile(const QString& modulePath) = 0;

    // The active editor: whether there is one, its file ("" when never
    // saved), its text, and writing that text to `path` as a copy (the
    // editor keeps its own file name).
    virtual bool HasActiveDocument() const = 0;
    virtual QString ActiveFileName() const = 0;
    virtual QString ActiveText() const = 0;
    virtual bool SaveActiveCopy(const QString& path) = 0;

    // The configuration chosen ("Win32 Release", "Win32 Debug", "Win32 Library").
    virtual QString Configuration() const = 0;

    // Where tool output goes (may be null), and showing its " Output" view.
    virtual OutputTarget* Output() = 0;
    virtual void ShowOutputView() = 0;

    // The build's few messages (critical errors, title "Build" or "Build ...").
    virtual void ShowMessage(const QString& text, const QString& title, QMessageBox::Icon icon) = 0;

    // A build began (true) or ended (false): the window disables and enables
    // its build commands and shows a way to stop.
    virtual void RunningChanged(bool running) { (void)running; }
};

// How a build command ended, for the status bar; `text` is also the line
// written at the end of the build's output.
struct BuildResult {
    enum class Outcome {
        Succeeded,
        Failed,   // an error file reports errors, or a tool could not start
        Stopped,  // Stop() ended it
        Busy,     // another build was running: nothing was done
        Done,     // BuildExecute and BuildClean, which have nothing to fail
    };
    Outcome outcome = Outcome::Done;
    QString text;
    qint64 milliseconds = 0;

    bool Succeeded() const { return outcome == Outcome::Succeeded; }
};

// The four build commands over the translator, compiler and linker named in
// the settings. Runs on the caller's thread, one tool after another, letting
// events run while a tool works, so the window paints and Stop() can be
// clicked; a command asked for while one runs does nothing.
class BuildPipeline {
public:
    explicit BuildPipeline(BuildHost& host);

    // When the finished program starts after "BuildBuild" and "BuildAll":
    // always, as the window does, only after a build that succeeded, or never.
    enum class StartPolicy { Always, WhenSucceeded, Never };
    void SetStartPolicy(StartPolicy policy) { startPolicy = policy; }

    BuildResult BuildBuild();
    BuildResult BuildAll();
    BuildResult BuildExecute();
    BuildResult BuildClean();
    // One of the four by its command id; any other id does nothing (Busy is
    // not reported for it).
    BuildResult Run(const QString& commandId);

    // Ends the running tool and everything it started; the build goes no further.
    void Stop();
    bool Running() const { return running; }

    // Deletes the scratch module and program that building an unsaved module
    // leaves in the cache folder.
    static void RemoveScratchFiles();

    // Expands the placeholders in `command` against `filePath`, shows the
    // " Output" view and runs the command into the Output pane; an empty
    // command is refused with a message instead.
    mdlExecCmd::ExecStatus RunTool(const QString& command, const QString& filePath);

    // "%FILE%" the file name without folder and extension, "%PATH%" its
    // folder, "%FULL%" the whole path trimmed; case-sensitive, in that order.
    static QString ExpandPlaceholders(const QString& command, const QString& filePath);
    // True when an error file's text has an "Error " line after a line break.
    static bool ReportsErrors(const QString& errorFileText);
    // The configuration's digit for "Param"/"LinkParam", or -1.
    static int ConfigurationIndex(const QString& configuration);

private:
    struct Guard;
    BuildResult Finish(BuildResult::Outcome outcome, const QString& text, bool writeLine);
    void StartModule(const QString& module, const QString& source);
    QString ModuleToRun() const;
    QString SourceTextOf(const QString& module) const;

    BuildHost& host;
    StartPolicy startPolicy = StartPolicy::Always;
    bool running = false;
    bool stopRequested = false;
    QString failedTool;  // first tool of this build that did not start
    qint64 startedAt = 0;
};
