// The command dispatcher: every tool click of the main window lands here.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>

#include "build/OutputPane.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"
#include "settings/SettingsDialog.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "solution/NewProject.h"
#include "solution/ProjectExplorer.h"
#include "solution/ProjectProperties.h"
#include "solution/SolutionState.h"
#include "tasks/TaskListPane.h"

namespace {
const QString CrLf = QStringLiteral("\r\n");

QString Now() {
    return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

QString ApplicationTemplate() {
    return QStringLiteral("Option Explicit") + CrLf + CrLf +
           QStringLiteral("'Zorbel file for application") + CrLf + QStringLiteral("'Date : ") +
           Now() + CrLf + CrLf + QStringLiteral("Sub Main") + CrLf + CrLf +
           QStringLiteral("End Sub");
}

QString LibraryTemplate() {
    return QStringLiteral("Option Explicit") + CrLf + QStringLiteral("Option DLL ON") + CrLf +
           CrLf + QStringLiteral("'Zorbel file for dll") + CrLf + QStringLiteral("'Date : ") +
           Now();
}
}  // namespace

void MainWindow::RunTool(const QString& commandId) {
    if (QAction* tool = dsMain->Tool(commandId))
        ToolClick(tool);
}

const std::vector<MainWindow::CommandRow>& MainWindow::CommandRows() {
    // Each handler returns whether the command states are refreshed after it.
    using W = MainWindow;
    auto editor = [](int command, int datum = 0) {
        return [command, datum](W& w, QAction*) {
            if (EditorWindow* active = w.ActiveEditor())
                active->Editor()->ExecuteCmd(command, datum);
            return true;
        };
    };
    auto pane = [](const char* paneId) {
        return [paneId](W& w, QAction*) {
            w.TogglePane(QString::fromLatin1(paneId));
            return true;
        };
    };
    auto open = [](W& w, QAction* tool) {
        w.OpenFile(tool, QString());
        return true;
    };
    auto newModule = [](W& w, QAction* tool) {
        w.NewModuleWindow(tool->objectName());
        return true;
    };
    auto build = [](W& w, QAction* tool) { return w.RunBuild(tool->objectName()); };
    auto tools = [](W& w, QAction* tool) {
        w.RunToolsHelp(tool->objectName());
        return true;
    };

    static const std::vector<CommandRow> rows = {
        {"FileProject",
         [](W& w, QAction*) {
             if (NewProject::Ask(w.explorer, &w, &w)) {
                 w.tasks->LoadTasks();  // the new solution's, empty
                 w.dsMain->AddRecent(QStringLiteral("ProjectList"), SolutionState.SolutionPath);
                 w.UpdateTitle();
             }
             return true;
         }},
        {"FileFile", newModule},
        {"ProjectNew", newModule},
        {"FileLib", newModule},
        {"ProjectSave",
         [](W& w, QAction*) {
             w.SaveProject();
             return true;
         }},
        {"FileOpen", open},
        {"FileOpen2", open},
        {"ProjectFile", open},
        {"ProjectRemove",
         [](W& w, QAction*) {
             w.Explorer()->RemoveSelected();
             return true;
         }},
        {"ProjectOpen",
         [](W& w, QAction* tool) {
             w.OpenFile(tool, QStringLiteral("Zorbel Files (*.zsl)|*.zsl|All Files (*.*)|*.*"));
             return true;
         }},
        {"FileClose",
         [](W& w, QAction*) {
             // The active window closes as its own close button would close
             // it: a module with changes asks first.
             if (DocWindow* window = w.dsMain->ActiveWindow())
                 w.dsMain->CloseWindow(window);
             return true;
         }},
        {"FileSave",
         [](W& w, QAction*) {
             w.SaveFile(false);
             return true;
         }},
        {"FileSaveAs",
         [](W& w, QAction*) {
             w.SaveFile(true);
             return true;
         }},
        {"FileSaveAll",
         [](W& w, QAction*) {
             w.SaveAll();
             return true;
         }},
        {"FilePrint",
         [](W& w, QAction*) {
             w.PrintActive();
             return true;
         }},
        {"FilePage",
         [](W& w, QAction*) {
             Prompt::Current().Message(&w, QMessageBox::NoIcon, QApplication::applicationName(),
                                       QStringLiteral(" Not implemented !"));
             return true;
         }},
        {"FileMruList",
         [](W& w, QAction* tool) { return w.OpenRecent(tool, QStringLiteral("FileMruList")); }},
        {"ProjectList",
         [](W& w, QAction* tool) { return w.OpenRecent(tool, QStringLiteral("ProjectList")); }},
        {"FileExit",
         [](W& w, QAction*) {
             w.close();
             return false;
         }},
        {"EditUndo", editor(CodeEditor::Undo)},
        {"EditRedo", editor(CodeEditor::Redo)},
        {"EditCut", editor(CodeEditor::Cut)},
        {"EditCopy", editor(CodeEditor::Copy)},
        {"EditPaste", editor(CodeEditor::Paste)},
        {"EditDelete", editor(CodeEditor::Delete)},
        {"EditFind", editor(CodeEditor::Find)},
        {"EditNext", editor(CodeEditor::FindNext)},
        {"EditReplace", editor(CodeEditor::Replace)},
        {"EditGoTo", editor(CodeEditor::GoToLine, -1)},
        {"EditSelAll", editor(CodeEditor::SelectAll)},
        {"ViewOutput", pane("frmOutput")},
        {"ViewProject", pane("frmProject")},
        {"ViewHelp", pane("frmHelp")},
        {"ViewStatus",
         [](W& w, QAction* tool) {
             w.ToggleBar(QStringLiteral("StatusBar"), tool->objectName());
             return true;
         }},
        {"ViewToolbar",
         [](W& w, QAction* tool) {
             w.ToggleBar(QStringLiteral("StandartBar"), tool->objectName());
             return true;
         }},
        {"ViewTask", pane("frmTask")},
        {"ViewPrevious",
         [](W& w, QAction*) {
             w.CycleWindow(-1);
             return true;
         }},
        {"ViewNext",
         [](W& w, QAction*) {
             w.CycleWindow(1);
             return true;
         }},
        {"ProjectOptions",
         [](W& w, QAction*) {
             if (ProjectProperties::Ask(w.explorer, &w))
                 w.UpdateTitle();
             return true;
         }},
        {"BuildBuild", build},
        {"BuildAll", build},
        {"BuildExecute", build},
        {"BuildClean", build},
        {"BuildStop",
         [](W& w, QAction*) {
             w.pipeline.Stop();
             return true;
         }},
        {"BuildNextMessage",
         [](W& w, QAction*) {
             w.output->NextMessage();
             return true;
         }},
        {"BuildPrevMessage",
         [](W& w, QAction*) {
             w.output->PreviousMessage();
             return true;
         }},
        {"ToolReg", tools},
        {"ToolRun", tools},
        {"ToolRes", tools},
        {"ToolCmd", tools},
        {"ToolSetings",
         [](W& w, QAction*) {
             // The default syntax file is resolved once; a new one counts from now.
             if (SettingsDialog::Show(&w))
                 w.defaultSyntaxFile = ResolveSyntaxFile(mdlRegistry::GetRegString(
                     mdlRegistry::RegRoot::LocalMachine, mdlRegistry::SettingsKey,
                     QStringLiteral("SyntaxFile")));
             return true;
         }},
        {"HelpSupport", tools},
        {"HelpIndex", tools},
        {"HelpApi", tools},
        {"HelpAbout", tools},
    };
    return rows;
}

void MainWindow::ToolClick(QAction* tool) {
    if (!tool)
        return;
    const QString id = tool->objectName();
    bool refresh = true;
    for (const CommandRow& row : CommandRows()) {
        if (id == QLatin1String(row.id)) {
            refresh = row.run(*this, tool);
            break;
        }
    }
    if (refresh)
        UpdateUI();
}

void MainWindow::NewModuleWindow(const QString& commandId) {
    CreateEditor(QStringLiteral(" Blank * "), QString());
    EditorWindow* editor = ActiveEditor();
    if (!editor)
        return;
    editor->NewText(commandId == QLatin1String("FileLib") ? LibraryTemplate()
                                                          : ApplicationTemplate());
    UpdateUI();
    const QString key = SolutionState.NextFileKey();
    if (DocWindow* window = dsMain->ActiveWindow())
        window->SetKey(key);
    if (commandId == QLatin1String("ProjectNew"))
        explorer->AddNewModule(key);
}

void MainWindow::SaveAll() {
    DocWindow* remembered = dsMain->ActiveWindow();
    for (DocWindow* window : dsMain->Windows()) {
        if (!window->Form())
            continue;
        if (window->Caption() == QLatin1String(" Start Page "))
            window->SetKey(QStringLiteral("Startup"));
        if (mdlSolutionFile::IsModuleKey(window->Key())) {
            dsMain->Activate(window);
            RunTool(QStringLiteral("FileSave"));
        }
    }
    SaveProject();
    dsMain->Activate(remembered);
}

bool MainWindow::OpenRecent(QAction* tool, const QString& listId) {
    const QString path = DockHost::ToolCaption(tool).trimmed();
    if (!QFileInfo::exists(path)) {
        dsMain->RemoveRecent(listId, path);
        return true;
    }
    pathToOpenNext = path;
    OpenFile(tool, QString());
    return false;
}

void MainWindow::CycleWindow(int step) {
    const QList<DocWindow*> windows = dsMain->Windows();
    const int index = windows.indexOf(dsMain->ActiveWindow()) + step;
    if (index >= 0 && index < windows.size())
        dsMain->Activate(windows.at(index));
}

void MainWindow::TogglePane(const QString& paneId) {
    dsMain->SetPaneVisible(paneId, !dsMain->PaneVisible(paneId));
}

void MainWindow::ToggleBar(const QString& barId, const QString& toolId) {
    dsMain->SetBarVisible(barId, !dsMain->BarVisible(barId));
    dsMain->SetToolChecked(toolId, dsMain->BarVisible(barId));
}

void MainWindow::PrintActive() {
    EditorWindow* editor = ActiveEditor();
    if (!editor)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString pdf = editor->Editor()->PrintContents();
    QApplication::restoreOverrideCursor();
    if (!pdf.isEmpty())
        lblStatus1->setText(QStringLiteral("Printed to ") + pdf);
}
