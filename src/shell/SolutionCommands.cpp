// Opening and saving solutions, the build copies of open modules, the main
// window's title, and what the Project Explorer asks of the main window.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>

#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/CommonDialogs.h"
#include "settings/PathHelpers.h"
#include "settings/Prompt.h"
#include "settings/UserFiles.h"
#include "shell/CommandTable.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "solution/SolutionState.h"
#include "tasks/TaskListPane.h"

namespace {
const QString RecentSolutions = QStringLiteral("ProjectList");
constexpr int RepaintIntervalMs = 50;

using mdlSolutionFile::IsDefaultSolution;

bool IsModuleWindow(const DocWindow* window) {
    return mdlSolutionFile::IsModuleKey(window->Key());
}

// The busy cursor for as long as a solution opens or saves.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
}  // namespace

bool MainWindow::CloseModuleWindows() {
    for (DocWindow* window : dsMain->Windows()) {
        if (window->Caption() == QLatin1String(" Start Page "))
            window->SetKey(QStringLiteral("Startup"));
        auto* editor = qobject_cast<EditorWindow*>(window->Form());
        if (!editor || !IsModuleWindow(window) || !editor->DocChanged())
            continue;
        dsMain->Activate(window);
        const auto answer =
            Prompt::Current().Message(this, QMessageBox::Critical, QStringLiteral("Save changes"),
                                      QStringLiteral("Save changes to this file ?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::Yes)
            RunTool(QStringLiteral("FileSave"));
        // Asked once is enough: the close below asks again only when the
        // save was wanted and did not happen, and then offers to cancel.
        const bool saved = !editor->FileName().trimmed().isEmpty() && !editor->Editor()->Unsaved();
        if (answer != QMessageBox::Yes || saved)
            editor->SetDocChanged(false);
    }
    for (DocWindow* window : dsMain->Windows())
        if (window->Key() != QLatin1String("Startup") && !dsMain->CloseWindow(window))
            return false;
    return true;
}

void MainWindow::OpenSolution(const QString& path) {
    // An edit still open in the task list belongs to the solution open now.
    tasks->FinishEdit();
    // The windows close before the tree is reset: saving a changed module
    // saves the solution it belongs to, not the one being opened.
    if (!CloseModuleWindows())
        return;
    const BusyCursor busy;
    if (!IsDefaultSolution(path))
        dsMain->AddRecent(RecentSolutions, path);
    const QStringList modules = explorer->LoadSolution(path);
    dsMain->BeginManyWindows();
    loadingSolution = true;
    setUpdatesEnabled(false);
    QElapsedTimer sincePaint;
    sincePaint.start();
    for (const QString& module : modules) {
        // Let the window repaint between modules, a few times a second (a
        // repaint per module would cost more than the modules), but take no
        // input: a click now could close what the loop is about to use.
        if (sincePaint.elapsed() >= RepaintIntervalMs) {
            setUpdatesEnabled(true);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            setUpdatesEnabled(false);
            sincePaint.restart();
        }
        if (ActivateFileWindow(module))
            continue;
        const QPointer<EditorWindow> editor = OpenModuleWindow(module, QString());
        if (!editor)
            continue;
        dsMain->AddRecent(QLatin1String(CommandTable::RecentModules), module);
        UpdateUI();
        if (DocWindow* window = WindowOf(editor); window && !explorer->CheckFile(module))
            window->SetKey(explorer->AddProjectFile(module));
    }
    loadingSolution = false;
    setUpdatesEnabled(true);
    dsMain->EndManyWindows();
    UpdateTitle();
}

bool MainWindow::WriteSolution(const QString& path) {
    const BusyCursor busy;
    if (explorer->SaveSolution(path))
        return true;
    Prompt::Current().Message(this, QMessageBox::Critical, QApplication::applicationName(),
                              QStringLiteral(" Could not save ") + path + QLatin1Char(' '));
    return false;
}

void MainWindow::SaveProject() {
    if (SolutionState.Name.trimmed().isEmpty())
        return;
    // The default solution is never overwritten: saving it asks for a file.
    if (!SolutionState.SolutionPath.isEmpty() &&
        QFileInfo(SolutionState.SolutionPath) == QFileInfo(UserFiles::DefaultSolution()))
        SolutionState.SolutionPath.clear();
    if (!SolutionState.SolutionPath.trimmed().isEmpty()) {
        WriteSolution(SolutionState.SolutionPath);
        explorer->RenameRoot(SolutionState.Name);
        return;
    }
    QString path = mdlCommonDialog::ShowSaveDialog(
        this, QStringLiteral("Zorbel Solutions (*.zsl)|*.zsl|All Files (*.*)|*.*"),
        QStringLiteral("Save Solution ..."), mdlCommonDialog::OFN_EXPLORER, QStringLiteral("zsl"),
        DialogFolder());
    if (path.trimmed().isEmpty())
        return;
    if (path.right(4).toLower() != QLatin1String(".zsl"))
        path += QStringLiteral(".zsl");
    SolutionState.SolutionPath = path;
    if (WriteSolution(path)) {
        // The tasks shown go with the solution into its new file.
        tasks->SaveTasks();
        if (!IsDefaultSolution(path))
            dsMain->AddRecent(RecentSolutions, path);
    }
    explorer->RenameRoot(SolutionState.Name);
    UpdateTitle();
}

bool MainWindow::SaveBuildFile(const QString& path) {
    if (SolutionState.SolutionPath.trimmed().isEmpty())
        return false;
    // Every module window counts: the text a user sees is the text built.
    for (DocWindow* window : dsMain->Windows()) {
        auto* editor = qobject_cast<EditorWindow*>(window->Form());
        if (!editor || !IsModuleWindow(window) || editor->FileName() != path)
            continue;
        const QString copy =
            FolderOf(SolutionState.SolutionPath) + QStringLiteral("/Release/") + FileNameOf(path);
        return editor->Editor()->SaveCopy(copy);
    }
    return false;
}

void MainWindow::UpdateTitle() {
    const QString product = QApplication::applicationName().isEmpty()
                                ? QStringLiteral("Zorbel Builder")
                                : QApplication::applicationName();
    const EditorWindow* editor = ActiveEditor();
    if (!editor) {
        setWindowTitle(product);
        return;
    }
    const QString file = editor->FileName().trimmed();
    QString title = file.isEmpty() ? QStringLiteral("Blank") : FileNameOf(file);
    if (file.isEmpty() || editor->Editor()->Unsaved())
        title += QLatin1Char('*');
    if (!SolutionState.Name.trimmed().isEmpty())
        title += QStringLiteral(" \u2014 ") + SolutionState.Name.trimmed();
    setWindowTitle(title + QStringLiteral(" \u2014 ") + product);
}

bool MainWindow::ActivateFileWindow(const QString& path) {
    for (DocWindow* window : dsMain->Windows()) {
        auto* editor = qobject_cast<EditorWindow*>(window->Form());
        if (editor && editor->FileName().compare(path, Qt::CaseInsensitive) == 0) {
            dsMain->Activate(window);
            return true;
        }
    }
    return false;
}

bool MainWindow::ActivateKeyWindow(const QString& key) {
    for (DocWindow* window : dsMain->Windows()) {
        if (window->Key().compare(key, Qt::CaseInsensitive) == 0) {
            dsMain->Activate(window);
            return true;
        }
    }
    return false;
}

void MainWindow::OpenFileWindow(const QString& path, const QString& key) {
    // A module the user opened from the File menu has a key of its own: find
    // it by its file, and let it take the item's key from now on.
    for (DocWindow* window : dsMain->Windows()) {
        auto* editor = qobject_cast<EditorWindow*>(window->Form());
        if (editor && editor->FileName() == path) {
            if (!key.isEmpty())
                window->SetKey(key);
            dsMain->Activate(window);
            return;
        }
    }
    if (OpenModuleWindow(path, key))
        UpdateUI();
}

void MainWindow::SetRemoveEnabled(bool enabled) {
    dsMain->SetToolEnabled(QStringLiteral("ProjectRemove"), enabled);
}

void MainWindow::ShowProjectMenu(const QPoint& globalPos) {
    dsMain->PopupBar(QStringLiteral("ProjectTree"), globalPos);
}

bool MainWindow::CloseDocuments() {
    tasks->FinishEdit();
    return CloseModuleWindows();
}

void MainWindow::OpenProjectModule(const QString& path, const QString& key, const QString& text) {
    if (CodeEditor::IsReadableModule(path)) {
        if (OpenModuleWindow(path, key))
            dsMain->AddRecent(QLatin1String(CommandTable::RecentModules), path);
        return;
    }
    // The module could not be written: its text is kept, unsaved.
    if (EditorWindow* editor = CreateEditor(QStringLiteral(" Blank * "), key))
        editor->NewText(text);
}

void MainWindow::RefreshCommands() {
    UpdateUI();
}
