// Opening and saving modules, and the save prompt when a module window closes.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <algorithm>

#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/CommonDialogs.h"
#include "settings/PathHelpers.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"
#include "shell/CommandTable.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "shell/ModuleBackup.h"
#include "shell/SingleInstance.h"
#include "solution/NewProject.h"
#include "solution/SolutionState.h"
#include "tasks/TaskListPane.h"

namespace {
using mdlCommonDialog::OFN_EXPLORER;
const QString OpenTitle = QStringLiteral("Open File ...");
const QString ModuleFilter = QStringLiteral(
    "Zorbel Files (*.zbl, *.cpp, *.c, *.h)|*.zbl; *.zsl; *.cpp; *.c; *.h|All Files (*.*)|*.*");

bool IsSolutionPath(const QString& path) {
    return path.right(4).toLower() == QLatin1String(".zsl");
}

QString Caption(const QString& path) {
    return QLatin1Char(' ') + FileNameOf(path) + QLatin1Char(' ');
}
}  // namespace

EditorWindow* MainWindow::CreateEditor(const QString& caption, const QString& key) {
    const QPointer<EditorWindow> editor = new EditorWindow;
    connect(editor, &EditorWindow::UpdateUIRequested, this, &MainWindow::UpdateUI);
    connect(editor, &EditorWindow::StatusText, lblStatus1, &QLabel::setText);
    connect(editor, &EditorWindow::EditMenuRequested, dsMain,
            [this] { dsMain->PopupBar(QStringLiteral("Edit")); });
    backups->Watch(editor);
    // Activating the new window lets pending events run: it may be closed
    // again (with the whole IDE) before it is up. Then there is none.
    DocWindow* window = dsMain->CreateWindow(caption, key, editor);
    // The unsaved marks of the tab and the title follow the text.
    if (editor && window) {
        const QPointer<DocWindow> tab = window;
        connect(editor->Editor(), &CodeEditor::UnsavedChanged, this, [this, tab](bool unsaved) {
            if (tab)
                tab->SetUnsavedMark(unsaved);
            UpdateTitle();
        });
        window->SetUnsavedMark(editor->Editor()->Unsaved());
    }
    return editor;
}

DocWindow* MainWindow::WindowOf(const EditorWindow* editor) const {
    for (DocWindow* window : dsMain->Windows())
        if (window->Form() == editor)
            return window;
    return nullptr;
}

void MainWindow::OpenFile(QAction* tool, const QString& filter) {
    QString path = pathToOpenNext;
    if (path.trimmed().isEmpty())
        path = mdlCommonDialog::ShowOpenDialog(this, filter.isEmpty() ? ModuleFilter : filter,
                                               OpenTitle, OFN_EXPLORER, DialogFolder());
    pathToOpenNext.clear();
    opening = true;
    if (!IsSolutionPath(path))
        OpenModule(path, tool);
    else
        OpenSolution(path);
    opening = false;
    // A file handed over by another start is done with; files handed over
    // after it stay queued.
    SingleInstance::Opened(path);
    tasks->LoadTasks();
}

QString MainWindow::DialogFolder() const {
    for (const QString& file :
         {ActiveEditor() ? ActiveEditor()->FileName() : QString(), SolutionState.SolutionPath}) {
        const QString path = file.trimmed();
        if (!path.isEmpty() && QFileInfo(path).isAbsolute() && QFileInfo(path).dir().exists())
            return QFileInfo(path).absolutePath();
    }
    return NewProject::ProjectsFolder();
}

void MainWindow::OpenModule(const QString& path, QAction* tool) {
    if (path.trimmed().isEmpty())
        return;
    // Asked now: a recent-list entry that was clicked is rebuilt, and so
    // deleted, when the path joins the list below.
    const bool addToSolution = tool && tool->objectName() == QLatin1String("ProjectFile");
    for (DocWindow* window : dsMain->Windows()) {
        auto* open = qobject_cast<EditorWindow*>(window->Form());
        if (open && open->FileName() == path) {
            dsMain->Activate(window);
            return;
        }
    }
    const QPointer<EditorWindow> editor = OpenModuleWindow(path, QString());
    if (!editor)
        return;
    dsMain->AddRecent(QLatin1String(CommandTable::RecentModules), path);
    UpdateUI();
    DocWindow* window = WindowOf(editor);
    if (!window)
        return;
    // A module the solution lists gets its item's key back, so that the
    // explorer finds its window; any other gets a key of its own.
    const QString listed = explorer->KeyOf(path);
    if (!listed.isEmpty()) {
        window->SetKey(listed);
        return;
    }
    const QString key = SolutionState.NextFileKey();
    window->SetKey(key);
    if (addToSolution)
        explorer->AddFile(key, path);
}

EditorWindow* MainWindow::OpenModuleWindow(const QString& path, const QString& key) {
    // A module that cannot be read gets no window: an empty one, saved,
    // would replace the file.
    const auto cannotOpen = [this, &path] {
        Prompt::Current().Message(this, QMessageBox::Critical, QApplication::applicationName(),
                                  QStringLiteral(" Could not open ") + path + QLatin1Char(' '),
                                  QMessageBox::Ok);
    };
    if (!CodeEditor::IsReadableModule(path)) {
        cannotOpen();
        return nullptr;
    }
    const QPointer<EditorWindow> editor = CreateEditor(Caption(path), key);
    const bool loaded = editor && editor->LoadFile(path);
    // Closed before or while it loaded (the window, or the whole IDE).
    if (!editor)
        return nullptr;
    if (!loaded) {
        dsMain->CloseWindow(WindowOf(editor));
        cannotOpen();
        return nullptr;
    }
    return editor;
}

bool MainWindow::SaveEditor(DocWindow* window, EditorWindow* editor, const QString& path) {
    using Encoding = CodeEditor::Encoding;
    const Encoding before = editor->Editor()->FileEncoding();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = editor->Editor()->SaveFile(path);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        // The old file is untouched; the text stays in the window.
        Prompt::Current().Message(this, QMessageBox::Critical, QApplication::applicationName(),
                                  QStringLiteral(" Could not save ") + path + QLatin1Char(' '));
        return false;
    }
    if (before == Encoding::Windows1252 && editor->Editor()->FileEncoding() == Encoding::Utf8)
        Prompt::Current().Message(
            this, QMessageBox::Information, QApplication::applicationName(),
            QStringLiteral(" ") + FileNameOf(path) +
                QStringLiteral(" now holds characters the Windows-1252 code page cannot store, "
                               "so it was saved as UTF-8. "),
            QMessageBox::Ok);
    editor->SetFileName(path);
    editor->Label1->setText(QStringLiteral("Module :   ") + FileNameOf(path));
    if (window) {
        window->SetCaption(Caption(path));
        explorer->UpdateFile(window->Key(), path);
    }
    if (!IsSolutionPath(path))
        dsMain->AddRecent(QLatin1String(CommandTable::RecentModules), path);
    UpdateTitle();
    return true;
}

void MainWindow::SaveFile(bool saveAs) {
    EditorWindow* editor = ActiveEditor();
    if (editor) {
        QString path;
        if (editor->FileName().trimmed().isEmpty())
            path = mdlCommonDialog::ShowSaveDialog(
                this, QStringLiteral("Zorbel Files (*.zbl)|*.zbl|All Files (*.*)|*.*"),
                QStringLiteral("Save File ..."), OFN_EXPLORER, QStringLiteral("zbl"),
                DialogFolder());
        else if (saveAs)
            // Proposes the module's own name, in its own folder.
            path = mdlCommonDialog::ShowSaveDialog(
                this, QStringLiteral("Zorbel Files (*.zbl)|*.zbl;|All Files (*.*)|*.*"),
                QStringLiteral("Save File As ..."), OFN_EXPLORER, QStringLiteral("zbl"),
                editor->FileName().trimmed());
        else
            path = editor->FileName();
        if (!path.trimmed().isEmpty())
            SaveEditor(dsMain->ActiveWindow(), editor, path.trimmed());
    }
    SaveProject();
}

void MainWindow::WindowClosing(DocWindow* window, bool* cancel) {
    auto* editor = qobject_cast<EditorWindow*>(window->Form());
    if (!editor)
        return;
    if (editor->DocChanged()) {
        dsMain->Activate(window);
        const auto answer = Prompt::Current().Message(
            this, QMessageBox::Critical, QStringLiteral("Save changes"),
            QStringLiteral("Save changes to this file ?"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer != QMessageBox::Yes && answer != QMessageBox::No) {
            *cancel = true;
            return;
        }
        if (answer == QMessageBox::Yes) {
            QString path = editor->FileName();
            if (path.trimmed().isEmpty())
                path = mdlCommonDialog::ShowSaveDialog(
                    this, QStringLiteral("Zorbel Files (*.zbl)|*.zbl;*.zsp|All Files (*.*)|*.*"),
                    QStringLiteral("Save File ..."), OFN_EXPLORER, QStringLiteral("zbl"),
                    DialogFolder());
            // A cancelled dialog or a failed save keeps the window, so
            // nothing is lost.
            if (path.trimmed().isEmpty() || !SaveEditor(window, editor, path.trimmed())) {
                *cancel = true;
                return;
            }
        }
    }
    // The caret position shown is that of a module still open, or none.
    const QList<DocWindow*> windows = dsMain->Windows();
    if (std::none_of(windows.cbegin(), windows.cend(), [window](DocWindow* other) {
            return other != window && qobject_cast<EditorWindow*>(other->Form());
        }))
        lblStatus1->setText(QStringLiteral("Ready"));
    // A saved module stays in the solution when its window closes, and
    // double-clicking it opens it again; a module never saved has nothing
    // to open again, so its entry goes with the window.
    if (editor->FileName().trimmed().isEmpty())
        explorer->DropFile(window->Key());
    backups->Forget(editor);
}
