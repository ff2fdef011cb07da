#pragma once
#include <QHash>
#include <QMdiSubWindow>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include "shell/CommandTable.h"
#include "shell/DockLayout.h"

class QAction;
class QComboBox;
class QDockWidget;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMenu;
class QTabBar;
class QToolBar;
class DockHost;

// A document window of the docking host: a tab of the document area with a
// key, a caption and the form it hosts.
class DocWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    DocWindow(DockHost* host, const QString& key, QWidget* form);
    QString Key() const { return key; }
    void SetKey(const QString& newKey) { key = newKey; }
    QString Caption() const { return caption; }
    void SetCaption(const QString& text);
    // A "*" after the caption on the tab while the document has unsaved
    // changes; Caption stays without it.
    void SetUnsavedMark(bool unsaved);
    QWidget* Form() const { return widget(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    DockHost* host;
    QString key;
    QString caption;
    bool unsavedMark = false;
};

// The docking host "dsMain": menus, tool bars, the status bar, the four panes
// and the tabbed document area of the main window, built once from the
// command table. Every tool click reaches the owner through ToolClick.
class DockHost : public QObject {
    Q_OBJECT
public:
    explicit DockHost(QMainWindow* window);

    // Tools, bars and panes by identifier; nullptr when there is none.
    QAction* Tool(const QString& id) const;
    QToolBar* Bar(const QString& id) const;
    QDockWidget* Pane(const QString& id) const;
    QMenu* Menu(const QString& id) const;
    QComboBox* Combo(const QString& id) const;
    QWidget* StatusPanel(int index) const;  // "Static1" is index 1

    void SetToolEnabled(const QString& id, bool enabled);
    void SetToolChecked(const QString& id, bool checked);
    // Bars: "StandartBar", "CompileBar", "StatusBar", "MenuBar". Panes by key.
    bool BarVisible(const QString& id) const;
    void SetBarVisible(const QString& id, bool visible);
    bool PaneVisible(const QString& id) const;
    void SetPaneVisible(const QString& id, bool visible);
    QString ComboText(const QString& id) const;

    // Shows a bar as a pop-up menu at the mouse position ("Edit", "ProjectTree").
    void PopupBar(const QString& id);
    void PopupBar(const QString& id, const QPoint& globalPos);

    // The recent-file lists "FileMruList" and "ProjectList": most recent
    // first, no duplicates, at most ten entries.
    void AddRecent(const QString& listId, const QString& path);
    void RemoveRecent(const QString& listId, const QString& path);
    QStringList Recent(const QString& listId) const;
    // The text a tool stands for: a recent entry's path, else its caption.
    static QString ToolCaption(const QAction* tool);

    void AttachForm(const QString& paneId, QWidget* form);

    // Document windows, in the order they were created.
    DocWindow* CreateWindow(const QString& caption, const QString& key, QWidget* form);
    QList<DocWindow*> Windows() const;
    DocWindow* ActiveWindow() const;
    void Activate(DocWindow* window);
    bool CloseWindow(DocWindow* window);  // false when the close was refused
    // While many windows open at once (a solution loads), the tab row is
    // kept cheap to lay out: every new tab measures all the others again.
    void BeginManyWindows();
    void EndManyWindows();
    QMdiArea* DocumentArea() const { return area; }

    // The arrangement of bars and panes, the status bar and both recent
    // lists. Restoring takes any bytes: anything but a layout this program
    // wrote changes nothing and answers false.
    QByteArray SaveLayout() const;
    bool RestoreLayout(const QByteArray& layout);

Q_SIGNALS:
    void ToolClick(QAction* tool);
    void WindowActivated(DocWindow* window);
    void WindowClosing(DocWindow* window, bool* cancel);

private:
    friend class DocWindow;
    QAction* MakeAction(const QString& id);
    QMenu* BuildMenu(const CommandTable::Entry& entry);
    void FillMenu(QMenu* menu, const std::vector<CommandTable::Entry>& entries);
    void FillBar(QToolBar* bar, const std::vector<CommandTable::Entry>& entries);
    void RebuildRecent(const QString& listId);
    DockLayout::Cast LayoutCast() const;

    QMainWindow* window;
    QMdiArea* area;
    QHash<QString, QAction*> tools;
    QHash<QString, QMenu*> menus;
    QHash<QString, QToolBar*> bars;
    QHash<QString, QDockWidget*> panes;
    QHash<QString, QComboBox*> combos;
    QList<QWidget*> statusPanels;
    QHash<QString, QStringList> recent;
    // The window last activated: QMdiArea reports none while the main window
    // is hidden or inactive, yet commands still act on that window.
    QPointer<DocWindow> current;
    QPointer<QTabBar> manyTabs;
    Qt::TextElideMode tabsElide = Qt::ElideRight;
};
