#pragma once
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "build/BuildPipeline.h"
#include "solution/NewProject.h"
#include "solution/ProjectExplorer.h"

class DockHost;
class DocWindow;
class EditorWindow;
class ModuleBackup;
class OutputPane;
struct BackupRecord;
namespace Session {
struct State;
}
class QAction;
class QLabel;
class QTimer;
class TaskListPane;

// The main window "Form1": owns the docking host, runs start-up and
// shutdown, dispatches every command and keeps the command states current.
// It hosts the Project Explorer, which opens and activates module windows
// through it, and the builds, which read the solution and the editors
// through it and write into its Output pane.
class MainWindow : public QMainWindow, public ProjectHost, public BuildHost, public NewProjectHost {
    Q_OBJECT
public:
    MainWindow();

    // Start-up after construction, up to the ready state: layout, placement,
    // start page, panes, default solution, hand-over poll, command states.
    // `commandLine` is the file the program was started with ("" for none).
    void Startup(const QString& commandLine);

    // The dispatcher: runs the command of `tool` and refreshes the command
    // states. RunTool finds the tool by its CommandId and clicks it.
    void ToolClick(QAction* tool);
    void RunTool(const QString& commandId);

    // Opens the path to open next, or asks for a file with `filter` (a
    // filter in the dialog form "Description|pattern|..."; "" for modules).
    void OpenFile(QAction* tool, const QString& filter);
    void SaveFile(bool saveAs);
    // Where file pickers open: the active module's folder, else the open
    // solution's, else the projects folder.
    QString DialogFolder() const;
    void SaveProject();
    // Writes the open editor text of the module `path` to the solution's
    // "Release" folder; false when no module window shows it (the build
    // then copies the file from disk).
    bool SaveBuildFile(const QString& path);
    bool UpdateUI();

    // The editor of the active document window; nullptr when there is none.
    EditorWindow* ActiveEditor() const;
    DockHost* Host() const { return dsMain; }
    ProjectExplorer* Explorer() const { return explorer; }
    OutputPane* OutputForm() const { return output; }
    BuildPipeline& Builds() { return pipeline; }
    TaskListPane* Tasks() const { return tasks; }
    ModuleBackup* Backups() const { return backups; }

    void SetPathToOpenNext(const QString& path) { pathToOpenNext = path; }
    void SetClipText(const QString& text) { clipText = text; }
    QString DefaultSyntaxFile() const { return defaultSyntaxFile; }

    // The syntax file that start-up uses when the settings name none or a
    // missing one; exposed for the Settings dialog and for tests.
    static QString ResolveSyntaxFile(const QString& setting);

    // The command table in dispatch order: CommandId and what it runs. The
    // handler answers whether the command states are refreshed afterwards.
    struct CommandRow {
        const char* id;
        std::function<bool(MainWindow&, QAction*)> run;
    };
    static const std::vector<CommandRow>& CommandRows();

Q_SIGNALS:
    // Start-up has reached the ready state: the window is shown and the file
    // named on the command line, if any, is open in front.
    void Ready();

protected:
    void closeEvent(QCloseEvent* event) override;

    // ProjectHost
    bool ActivateFileWindow(const QString& path) override;
    bool ActivateKeyWindow(const QString& key) override;
    void OpenFileWindow(const QString& path, const QString& key) override;
    void SetRemoveEnabled(bool enabled) override;
    void ShowProjectMenu(const QPoint& globalPos) override;

    // BuildHost
    QList<mdlSolutionFile::SolutionItem> SolutionItems() const override;
    bool HasActiveDocument() const override;
    QString ActiveFileName() const override;
    QString ActiveText() const override;
    bool SaveActiveCopy(const QString& path) override;
    QString Configuration() const override;
    OutputTarget* Output() override;
    void ShowOutputView() override;
    void ShowMessage(const QString& text, const QString& title, QMessageBox::Icon icon) override;
    void RunningChanged(bool running) override;

    // NewProjectHost
    bool CloseDocuments() override;
    void OpenProjectModule(const QString& path, const QString& key, const QString& text) override;
    void RefreshCommands() override;

private:
    void NewModuleWindow(const QString& commandId);
    void OpenModule(const QString& path, QAction* tool);
    // A new editor window with the module `path` loaded and the key `key`;
    // nullptr, after telling the user, when the file cannot be read.
    EditorWindow* OpenModuleWindow(const QString& path, const QString& key);
    // Asks to save changed module windows, then closes every document
    // window but the start page; false when the user kept one open.
    bool CloseModuleWindows();
    void OpenSolution(const QString& path);
    bool WriteSolution(const QString& path);
    void UpdateTitle();
    // Runs a build command; false when it ended on an error file's message
    // (the command states are then left as they are).
    bool RunBuild(const QString& commandId);
    // Opens `path` (or activates its window) and selects line `line` (from 1).
    void OpenLocation(const QString& path, int line, int column);
    // Marks, in every open module, the lines the Output pane has messages for.
    void MarkMessageLines();
    void SaveAll();
    bool OpenRecent(QAction* tool, const QString& listId);
    void CycleWindow(int step);
    void TogglePane(const QString& paneId);
    void ToggleBar(const QString& barId, const QString& toolId);
    void PrintActive();
    void WindowActivated(DocWindow* window);
    void WindowClosing(DocWindow* window, bool* cancel);
    bool SaveEditor(DocWindow* window, EditorWindow* editor, const QString& path);
    EditorWindow* CreateEditor(const QString& caption, const QString& key);
    DocWindow* WindowOf(const EditorWindow* editor) const;
    void PollHandOver();
    void RestorePlacement();
    void SavePlacement();
    void ShutDown();
    void RunToolsHelp(const QString& id);
    // The open modules, the active one and where each is being read.
    Session::State CurrentSession() const;
    void RestoreSession();
    // Offers the backups a run that did not end cleanly left behind.
    void OfferBackups();
    bool RestoreBackup(const BackupRecord& record);
    // A file of the data folder could not be written: the user hears of it once a run.
    void DataFolderFailed(const QString& folder);

    DockHost* dsMain;
    QTimer* Timer1;
    QTimer* Timer2;
    QLabel* lblStatus1;
    QLabel* lblStatus2;
    QLabel* lblStatus3;
    QString pathToOpenNext;
    QString clipText;
    QString defaultSyntaxFile;
    QStringList unclearedHandOver;
    ProjectExplorer* explorer;
    TaskListPane* tasks;
    OutputPane* output;
    BuildPipeline pipeline{*this};
    // While a file opens, pending events run: a hand-over tick must not
    // start another open inside it.
    bool opening = false;
    // A solution's modules are opening: the loop repaints now and then, not
    // every activation.
    bool loadingSolution = false;
    bool shutDown = false;
    ModuleBackup* backups;
    bool dataFolderFailureTold = false;
};
