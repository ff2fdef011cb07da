// The session (the modules open at the last exit) and the backups a run that
// did not end cleanly left behind: both come back at start-up.
#include <QApplication>
#include <QFileInfo>
#include <QLabel>

#include "editor/EditorWindow.h"
#include "settings/PathHelpers.h"
#include "settings/ProgramFolder.h"
#include "settings/Prompt.h"
#include "shell/DockHost.h"
#include "shell/LeftBehindBackups.h"
#include "shell/MainWindow.h"
#include "shell/ModuleBackup.h"
#include "shell/Session.h"
#include "solution/SolutionState.h"

namespace {
// The longest list of modules the restore question shows by name.
constexpr int ListedModules = 15;

EditorWindow* EditorOf(DocWindow* window) {
    return window ? qobject_cast<EditorWindow*>(window->Form()) : nullptr;
}

void ShowPlace(EditorWindow* editor, const Session::Module& module) {
    CodeEditor* text = editor->Editor();
    const int line = qMin(module.line, qMax(0, text->LineCount() - 1));
    const int column = qMin(module.column, static_cast<int>(text->LineText(line).size()));
    text->SetSel({line, column, line, column}, false);
    text->setFirstVisibleLine(qMin(module.firstVisibleLine, line));
}

// The backed-up text replaces the module's as one edit: the module counts as
// changed, and undo goes back to the text on disk.
void ReplaceTextAsEdit(CodeEditor* editor, const QByteArray& utf8) {
    editor->SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
    editor->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
    editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT,
                          static_cast<unsigned long>(utf8.size()), utf8.constData());
    editor->SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
    editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
}
}  // namespace

Session::State MainWindow::CurrentSession() const {
    Session::State state;
    const EditorWindow* active = ActiveEditor();
    for (DocWindow* window : dsMain->Windows()) {
        EditorWindow* editor = EditorOf(window);
        if (!editor || editor->FileName().trimmed().isEmpty())
            continue;
        const EditorRange caret = editor->Editor()->GetSel(false);
        if (editor == active)
            state.active = static_cast<int>(state.modules.size());
        state.modules.append({editor->FileName(), caret.endLine, caret.endColumn,
                              editor->Editor()->firstVisibleLine()});
    }
    return state;
}

void MainWindow::RestoreSession() {
    const Session::State state = Session::Read(Session::FilePath());
    EditorWindow* active = nullptr;
    for (qsizetype i = 0; i < state.modules.size(); ++i) {
        const Session::Module& module = state.modules[i];
        // Modules gone since are left out without a word.
        if (!QFileInfo(module.path).isFile() || !CodeEditor::IsReadableModule(module.path))
            continue;
        EditorWindow* editor = nullptr;
        for (DocWindow* window : dsMain->Windows())
            if (EditorOf(window) && EditorOf(window)->FileName() == module.path)
                editor = EditorOf(window);
        if (!editor) {
            const QString listed = explorer->KeyOf(module.path);
            editor = OpenModuleWindow(module.path,
                                      listed.isEmpty() ? SolutionState.NextFileKey() : listed);
        }
        if (!editor)
            continue;
        ShowPlace(editor, module);
        if (i == state.active)
            active = editor;
    }
    if (DocWindow* window = active ? WindowOf(active) : nullptr)
        dsMain->Activate(window);
}

void MainWindow::OfferBackups() {
    LeftBehindBackups left(backups->Root());
    if (left.Items().empty()) {
        left.Discard();  // folders of runs that ended with nothing unsaved
        return;
    }
    QString names;
    int listed = 0;
    for (const LeftBehindBackups::Item& item : left.Items()) {
        if (listed++ == ListedModules) {
            names +=
                QStringLiteral("    ... and %1 more\n").arg(left.Items().size() - ListedModules);
            break;
        }
        names += QStringLiteral("    ") +
                 (item.record.modulePath.isEmpty() ? QStringLiteral("(never saved)")
                                                   : item.record.modulePath) +
                 QLatin1Char('\n');
    }
    const auto answer = Prompt::Current().Message(
        this, QMessageBox::Question, QStringLiteral("Restore unsaved modules"),
        QStringLiteral("Zorbel Builder did not end cleanly last time. These modules had unsaved "
                       "changes:\n\n") +
            names +
            QStringLiteral("\nRestore them? (No discards the changes; Cancel asks again at the "
                           "next start.)"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::No) {
        left.Discard();
        return;
    }
    if (answer != QMessageBox::Yes)
        return;
    bool allRestored = true;
    QStringList restored;
    for (const LeftBehindBackups::Item& item : left.Items()) {
        // Two runs that both died with the same module changed: the second
        // text comes back as a module of its own rather than over the first.
        BackupRecord record = item.record;
        if (restored.contains(record.modulePath))
            record.modulePath.clear();
        restored << record.modulePath;
        allRestored = RestoreBackup(record) && allRestored;
    }
    // The old backups go only once this run holds its own of every module.
    backups->WaitForWrites();
    for (DocWindow* window : dsMain->Windows())
        if (EditorWindow* editor = EditorOf(window); editor && editor->Editor()->isModified())
            allRestored = allRestored && QFileInfo::exists(backups->BackupFileOf(editor));
    if (allRestored)
        left.Discard();
}

bool MainWindow::RestoreBackup(const BackupRecord& record) {
    const QString& path = record.modulePath;
    EditorWindow* editor = nullptr;
    for (DocWindow* window : dsMain->Windows())
        if (EditorOf(window) && !path.isEmpty() && EditorOf(window)->FileName() == path)
            editor = EditorOf(window);
    if (!editor && !path.isEmpty() && QFileInfo(path).isFile() &&
        CodeEditor::IsReadableModule(path)) {
        const QString listed = explorer->KeyOf(path);
        editor = OpenModuleWindow(path, listed.isEmpty() ? SolutionState.NextFileKey() : listed);
    } else if (!editor && !path.isEmpty()) {
        // The module is gone from disk: its text comes back under its name,
        // and saving writes it there again.
        editor = CreateEditor(QLatin1Char(' ') + FileNameOf(path) + QLatin1Char(' '),
                              SolutionState.NextFileKey());
        if (editor && editor->LoadFile(QString())) {
            editor->SetFileName(path);
            editor->Label1->setText(QStringLiteral("Module :   ") + FileNameOf(path));
        }
    } else if (!editor) {
        editor = CreateEditor(QStringLiteral(" Blank * "), SolutionState.NextFileKey());
        if (editor)
            editor->LoadFile(QString());
    }
    if (!editor || editor->Editor()->ShownInPieces())
        return false;
    ReplaceTextAsEdit(editor->Editor(), record.text);
    backups->BackUpNow();
    return true;
}

void MainWindow::DataFolderFailed(const QString& folder) {
    if (dataFolderFailureTold)
        return;
    dataFolderFailureTold = true;
    Prompt::Current().Message(
        this, QMessageBox::Warning, QApplication::applicationName(),
        QStringLiteral(" Unsaved modules cannot be backed up, nor the open modules remembered, "
                       "in ") +
            folder + QStringLiteral(". Editing goes on; save your work to keep it safe. "));
}
