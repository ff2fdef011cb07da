#include "shell/CommandTable.h"

namespace CommandTable {

namespace {
using S = QStyle;
using K = QKeySequence;
}  // namespace

const std::vector<Tool>& Tools() {
    static const std::vector<Tool> tools = {
        // Menu titles and submenus: no action of their own.
        {"File", "&File"},
        {"Edit", "&Edit"},
        {"View", "Vi&ew"},
        {"Project", "&Project"},
        {"Build", "&Build"},
        {"Tools", "&Tools"},
        {"Help", "&Help"},
        {"FileNew", "New ...", {}, "document-new", S::SP_FileIcon},
        {"FileNew2", "&New ...", {}, "document-new", S::SP_FileIcon},
        {"FileMru", "Recent Files"},
        {"MRUProject", "Recent Pr&ojects"},
        {"ProjectAdd", "Add &To Project"},
        {"ProjectTree", "Project ..."},
        {"BuildPage", "Build :"},
        // The commands, in dispatch order.
        {"FileProject", "New &Project", K(Qt::CTRL | Qt::SHIFT | Qt::Key_N), "folder-new",
         S::SP_FileDialogNewFolder},
        {"FileFile", "&File", K::New, "text-x-generic", S::SP_FileIcon},
        {"ProjectNew", "&New File ...", {}, "document-new", S::SP_FileIcon},
        {"FileLib", "&Module", {}, "application-x-sharedlib", S::SP_DriveHDIcon},
        {"ProjectSave", "Save Pro&ject"},
        {"FileOpen", "&Open ...", K::Open, "document-open", S::SP_DialogOpenButton},
        {"FileOpen2", "&Open ...", {}, "document-open", S::SP_DialogOpenButton},
        {"ProjectFile", "&File ...", {}, "document-open", S::SP_DialogOpenButton},
        {"ProjectRemove", "Re&move File", {}, "list-remove", S::SP_TrashIcon},
        {"ProjectOpen", "Open P&roject ...", K(Qt::CTRL | Qt::SHIFT | Qt::Key_O), "folder-open",
         S::SP_DirOpenIcon},
        {"FileClose", "&Close", K::Close, "document-close"},
        {"FileSave", "&Save", K::Save, "document-save", S::SP_DialogSaveButton},
        {"FileSaveAs", "Save &As ...", K::SaveAs, "document-save-as"},
        {"FileSaveAll", "Save A&ll", K(Qt::CTRL | Qt::ALT | Qt::Key_S), "document-save-all",
         S::SP_DriveFDIcon},
        {"FilePrint", "&Print ...", K::Print, "document-print"},
        {"FilePage", "Page Set&up ..."},
        {"FileMruList", "(List of Recently Used Files)"},
        {"ProjectList", "(List of Recently Used Files)"},
        {"FileExit", "&Exit", K::Quit, "application-exit"},
        {"EditUndo", "&Undo", K::Undo, "edit-undo", S::SP_ArrowBack},
        {"EditRedo", "&Redo", K(Qt::CTRL | Qt::Key_Y), "edit-redo", S::SP_ArrowForward},
        {"EditCut", "C&ut", K::Cut, "edit-cut"},
        {"EditCopy", "&Copy", K::Copy, "edit-copy"},
        {"EditPaste", "&Paste", K::Paste, "edit-paste"},
        {"EditDelete", "&Delete", {}, "edit-delete"},
        {"EditFind", "&Find ...", K::Find, "edit-find", S::SP_FileDialogContentsView},
        {"EditNext", "Find &Next ...", K::FindNext, "go-down-search"},
        {"EditReplace", "&Replace ...", K(Qt::CTRL | Qt::Key_H), "edit-find-replace"},
        {"EditGoTo", "Go &To ...", K(Qt::CTRL | Qt::Key_G), "go-jump"},
        {"EditSelAll", "Select &All", K::SelectAll, "edit-select-all"},
        {"ViewOutput", "&Output Window", K(Qt::CTRL | Qt::ALT | Qt::Key_O)},
        {"ViewProject", "&Project Window", K(Qt::CTRL | Qt::ALT | Qt::Key_P)},
        {"ViewHelp", "&Help Panel"},
        {"ViewStatus", "&Status Bar", {}, nullptr, S::SP_CustomBase, true},
        {"ViewToolbar", "To&olbar", {}, nullptr, S::SP_CustomBase, true},
        {"ViewTask", "&Task Window", K(Qt::CTRL | Qt::ALT | Qt::Key_T)},
        {"ViewPrevious", "&Previous", K(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), "go-previous"},
        {"ViewNext", "&Next", K(Qt::CTRL | Qt::Key_F6), "go-next"},
        {"ProjectOptions", "S&ettings ...", {}, "document-properties"},
        {"BuildBuild", "&Build", K(Qt::Key_F7), "system-run", S::SP_MediaPlay},
        {"BuildAll", "Ba&tch Build", K(Qt::SHIFT | Qt::Key_F7), "run-build",
         S::SP_MediaSeekForward},
        {"BuildExecute", "&Execute", K(Qt::Key_F5), "media-playback-start", S::SP_MediaSkipForward},
        {"BuildClean", "C&lean", {}, "edit-clear", S::SP_DialogResetButton},
        {"BuildStop", "&Stop Build", K(Qt::CTRL | Qt::Key_Pause), "process-stop",
         S::SP_BrowserStop},
        {"BuildNextMessage", "Next &Message", K(Qt::Key_F4), "go-down"},
        {"BuildPrevMessage", "Pre&vious Message", K(Qt::SHIFT | Qt::Key_F4), "go-up"},
        {"ToolReg", "R&egedit"},
        {"ToolRun", "&Run ..."},
        {"ToolRes", "Resource Editor"},
        {"ToolCmd", "&Command ...", {}, "utilities-terminal", S::SP_ComputerIcon},
        {"ToolSetings", "&Settings ...", {}, "preferences-system"},
        {"HelpSupport", "&Support ..."},
        {"HelpIndex", "&Contents", K::HelpContents, "help-contents", S::SP_DialogHelpButton},
        {"HelpApi", "&WinApi 32"},
        {"HelpAbout", "&About", {}, "help-about", S::SP_MessageBoxInformation},
    };
    return tools;
}

const Tool* FindTool(const QString& id) {
    for (const Tool& tool : Tools())
        if (id == QLatin1String(tool.id))
            return &tool;
    return nullptr;
}

const std::vector<Bar>& Bars() {
    static const std::vector<Entry> newMenu = {{"FileProject"}, {"FileFile"}, {"FileLib"}};
    static const std::vector<Entry> editMenu = {
        {"EditUndo"},  {"EditRedo"},   {"-"},           {"EditCut"},    {"EditCopy"},
        {"EditPaste"}, {"EditDelete"}, {"-"},           {"EditSelAll"}, {"-"},
        {"EditFind"},  {"EditNext"},   {"EditReplace"}, {"EditGoTo"}};
    static const std::vector<Bar> bars = {
        {"MenuBar",
         "Menu Bar",
         {
             {"File",
              {{"FileNew", newMenu},
               {"FileOpen"},
               {"FileClose"},
               {"-"},
               {"FileSave"},
               {"FileSaveAs"},
               {"FileSaveAll"},
               {"-"},
               {"FilePage"},
               {"FilePrint"},
               {"-"},
               {"FileMru", {{"FileMruList"}}},
               {"MRUProject", {{"ProjectList"}}},
               {"-"},
               {"FileExit"}}},
             {"Edit", editMenu},
             {"View",
              {{"ViewOutput"},
               {"ViewProject"},
               {"ViewTask"},
               {"ViewHelp"},
               {"-"},
               {"ViewToolbar"},
               {"ViewStatus"},
               {"-"},
               {"ViewPrevious"},
               {"ViewNext"}}},
             {"Project",
              {{"ProjectAdd", {{"ProjectNew"}, {"ProjectFile"}}},
               {"ProjectRemove"},
               {"-"},
               {"ProjectOpen"},
               {"ProjectSave"},
               {"-"},
               {"ProjectOptions"}}},
             {"Build",
              {{"BuildBuild"},
               {"BuildAll"},
               {"BuildExecute"},
               {"-"},
               {"BuildClean"},
               {"BuildStop"},
               {"-"},
               {"BuildNextMessage"},
               {"BuildPrevMessage"}}},
             {"Tools",
              {{"ToolReg"}, {"ToolRun"}, {"ToolRes"}, {"ToolCmd"}, {"-"}, {"ToolSetings"}}},
             {"Help", {{"HelpIndex"}, {"HelpApi"}, {"HelpSupport"}, {"-"}, {"HelpAbout"}}},
         }},
        {"StandartBar",
         "Standard",
         {{"FileNew2", newMenu},
          {"FileOpen2"},
          {"FileSave"},
          {"FileSaveAll"},
          {"-"},
          {"EditCut"},
          {"EditCopy"},
          {"EditPaste"},
          {"-"},
          {"EditUndo"},
          {"EditRedo"},
          {"-"},
          {"EditFind"},
          {"-"},
          {"ProjectOpen"}}},
        {"CompileBar",
         "Build",
         {{"BuildPage"},
          {"-"},
          {"BuildBuild"},
          {"BuildAll"},
          {"BuildExecute"},
          {"BuildClean"},
          {"BuildStop"}}},
        {"ProjectTree",
         "Project ...",
         {{"ProjectNew"}, {"ProjectFile"}, {"ProjectRemove"}, {"-"}, {"ProjectOptions"}}},
    };
    return bars;
}

const std::vector<Pane>& Panes() {
    static const std::vector<Pane> panes = {
        {"frmOutput", "Output", Qt::BottomDockWidgetArea},
        {"frmProject", "Project Explorer", Qt::RightDockWidgetArea},
        {"frmHelp", "Content", Qt::RightDockWidgetArea},
        {"frmTask", "Task List", Qt::BottomDockWidgetArea},
    };
    return panes;
}

const std::vector<ComboItem>& BuildPageItems() {
    static const std::vector<ComboItem> items = {{"Win32 Release", "cmbRelease"},
                                                 {"Win32 Debug", "cmbDebug"},
                                                 {"Win32 Library", "cmbLibrary"}};
    return items;
}

}  // namespace CommandTable
