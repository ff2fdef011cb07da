#pragma once
#include <QKeySequence>
#include <QString>
#include <QStyle>
#include <vector>

// The declarative description of every command bar, tool and pane of the
// main window. DockHost builds its menus, tool bars, status bar and panes
// from it once; nothing creates a tool at run time except the entries of the
// two recent-file lists.
namespace CommandTable {

struct Tool {
    const char* id;       // the CommandId, also the QAction's objectName
    const char* caption;  // with "&" for the access key
    QKeySequence shortcut = {};
    const char* themeIcon = nullptr;                              // freedesktop icon name
    QStyle::StandardPixmap fallbackIcon = QStyle::SP_CustomBase;  // SP_CustomBase: none
    bool checkable = false;
};

// An entry of a bar: a tool id, "-" for a separator, or a submenu whose
// entries follow up to the matching end marker.
struct Entry {
    const char* id;
    std::vector<Entry> children = {};  // non-empty for submenus
};

struct Bar {
    const char* id;       // "MenuBar", "StandartBar", "CompileBar", or a pop-up bar
    const char* caption;  // window title of a tool bar
    std::vector<Entry> entries;
};

struct Pane {
    const char* id;       // the pane key: "frmOutput", ...
    const char* caption;  // "Output", ...
    Qt::DockWidgetArea area;
};

// Every tool, including menu titles, submenus and the combo box.
const std::vector<Tool>& Tools();
// Finds a tool by id; nullptr when the table has none.
const Tool* FindTool(const QString& id);

// The menu bar, the two tool bars, and the bars shown only as pop-ups
// ("Edit" is the Edit menu itself, "ProjectTree" the Project Explorer's menu).
const std::vector<Bar>& Bars();
const std::vector<Pane>& Panes();

// Status bar panels "Static1" .. "Static5".
inline constexpr int StatusPanelCount = 5;

// The configurations of the "BuildPage" combo: item text and item id.
struct ComboItem {
    const char* text;
    const char* id;
};
const std::vector<ComboItem>& BuildPageItems();
inline constexpr int DefaultBuildPage = 1;  // "Win32 Debug"

// The two recent-file list tools and the submenus holding them.
inline constexpr const char* RecentModules = "FileMruList";
inline constexpr const char* RecentSolutions = "ProjectList";
inline constexpr int RecentLimit = 10;

}  // namespace CommandTable
