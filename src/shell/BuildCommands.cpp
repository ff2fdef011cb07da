// The build commands in the window: what the builds read of the solution and
// the editors, where their output goes, what the window shows while they run
// and after, and opening the files their messages name.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include "build/MessageLocator.h"
#include "build/OutputPane.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/PathHelpers.h"
#include "settings/Prompt.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "solution/SolutionState.h"

namespace {
const char* const BuildCommandIds[] = {"BuildBuild", "BuildAll", "BuildExecute", "BuildClean"};
}  // namespace

QList<mdlSolutionFile::SolutionItem> MainWindow::SolutionItems() const {
    return explorer->Items();
}

bool MainWindow::HasActiveDocument() const {
    return ActiveEditor() != nullptr;
}

QString MainWindow::ActiveFileName() const {
    const EditorWindow* editor = ActiveEditor();
    return editor ? editor->FileName() : QString();
}

QString MainWindow::ActiveText() const {
    const EditorWindow* editor = ActiveEditor();
    return editor ? editor->Editor()->Text() : QString();
}

bool MainWindow::SaveActiveCopy(const QString& path) {
    EditorWindow* editor = ActiveEditor();
    return editor && editor->Editor()->SaveCopy(path);
}

QString MainWindow::Configuration() const {
    const QComboBox* combo = dsMain->Combo(QStringLiteral("BuildPage"));
    return combo ? combo->currentText().trimmed() : QString();
}

OutputTarget* MainWindow::Output() {
    return output->Target();
}

void MainWindow::ShowOutputView() {
    output->SelectOutputView();
}

void MainWindow::ShowMessage(const QString& text, const QString& title, QMessageBox::Icon icon) {
    Prompt::Current().Message(this, icon, title, text, QMessageBox::Ok);
}

void MainWindow::RunningChanged(bool running) {
    // A build lets events run while its tools work: nothing may start a
    // second one inside it, but Stop must be reachable.
    for (const char* id : BuildCommandIds)
        dsMain->SetToolEnabled(QString::fromLatin1(id), !running);
    dsMain->SetToolEnabled(QStringLiteral("BuildStop"), running);
    if (running) {
        lblStatus2->setText(QStringLiteral("Building ..."));
        for (DocWindow* window : dsMain->Windows())
            if (auto* editor = qobject_cast<EditorWindow*>(window->Form()))
                editor->Editor()->ClearMessageLines();
    }
}

bool MainWindow::RunBuild(const QString& commandId) {
    if (pipeline.Running())
        return false;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const BuildResult result = pipeline.Run(commandId);
    QApplication::restoreOverrideCursor();
    if (result.outcome == BuildResult::Outcome::Busy)
        return false;
    // How the build ended stays in its own panel, beside the caret position;
    // Execute and Clean have nothing to say.
    lblStatus2->setText(result.text);
    MarkMessageLines();
    return result.outcome != BuildResult::Outcome::Failed;
}

void MainWindow::MarkMessageLines() {
    const QList<OutputPane::Message> messages = output->Messages();
    for (DocWindow* window : dsMain->Windows()) {
        auto* editor = qobject_cast<EditorWindow*>(window->Form());
        if (!editor || editor->FileName().isEmpty())
            continue;
        QList<int> lines;
        for (const OutputPane::Message& message : messages)
            if (message.file == editor->FileName() && message.line > 0)
                lines << message.line - 1;
        editor->Editor()->SetMessageLines(lines);
    }
}

void MainWindow::OpenLocation(const QString& path, int line, int column) {
    if (path.trimmed().isEmpty())
        return;
    if (!ActivateFileWindow(path)) {
        pathToOpenNext = path;
        OpenFile(nullptr, QString());
    }
    EditorWindow* editor = ActiveEditor();
    if (!editor || editor->FileName().compare(path, Qt::CaseInsensitive) != 0 || line < 1)
        return;
    // The line is selected, from the column the message names (or its start)
    // to its end, so the eye finds it at once.
    CodeEditor* text = editor->Editor();
    const int row = qMin(line, text->lines()) - 1;
    QString content = text->text(row);
    while (content.endsWith(QLatin1Char('\n')) || content.endsWith(QLatin1Char('\r')))
        content.chop(1);
    const int start = column > 0 ? qMin(column - 1, int(content.length())) : 0;
    text->setSelection(row, content.length(), row, start);
    text->ensureLineVisible(row);
    text->setFocus();
}
