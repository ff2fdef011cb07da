#include "shell/DockHost.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

namespace {
const char* const RecentPathProperty = "recentPath";
}  // namespace

DocWindow::DocWindow(DockHost* host, const QString& key, QWidget* form) : host(host), key(key) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(form);
}

void DocWindow::SetCaption(const QString& text) {
    caption = text;
    SetUnsavedMark(unsavedMark);
}

void DocWindow::SetUnsavedMark(bool unsaved) {
    unsavedMark = unsaved;
    // An untitled caption already ends in its own mark.
    const QString trimmed = caption.trimmed();
    if (!unsaved || trimmed.isEmpty() || trimmed.endsWith(QLatin1Char('*')))
        setWindowTitle(caption);
    else
        setWindowTitle(QLatin1Char(' ') + trimmed + QStringLiteral("* "));
}

void DocWindow::closeEvent(QCloseEvent* event) {
    bool cancel = false;
    Q_EMIT host->WindowClosing(this, &cancel);
    if (cancel)
        event->ignore();
    else
        QMdiSubWindow::closeEvent(event);
}

DockHost::DockHost(QMainWindow* window) : QObject(window), window(window) {
    setObjectName(QStringLiteral("dsMain"));
    // Without a desktop icon theme (a bare X session) the tools still get
    // their usual pictures.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("breeze"));
    for (const CommandTable::Tool& tool : CommandTable::Tools())
        MakeAction(tool.id);

    area = new QMdiArea(window);
    area->setObjectName(QStringLiteral("DocumentArea"));
    area->setViewMode(QMdiArea::TabbedView);
    area->setDocumentMode(true);
    area->setTabsClosable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    window->setCentralWidget(area);
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (auto* doc = qobject_cast<DocWindow*>(sub)) {
            current = doc;
            Q_EMIT WindowActivated(doc);
        }
    });

    for (const CommandTable::Bar& def : CommandTable::Bars()) {
        const QString id = QString::fromLatin1(def.id);
        if (id == QLatin1String("MenuBar")) {
            window->menuBar()->setObjectName(id);
            for (const CommandTable::Entry& entry : def.entries)
                window->menuBar()->addMenu(BuildMenu(entry));
        } else if (id == QLatin1String("ProjectTree")) {
            auto* menu = new QMenu(window);
            menu->setObjectName(id);
            FillMenu(menu, def.entries);
            menus.insert(id, menu);
        } else {
            auto* bar = new QToolBar(QString::fromLatin1(def.caption), window);
            bar->setObjectName(id);
            bar->setIconSize(QSize(18, 18));
            // Bars dock in any area but never float: a stored arrangement
            // can then say where every bar is with QMainWindow's own calls.
            bar->setFloatable(false);
            FillBar(bar, def.entries);
            window->addToolBar(bar);
            bars.insert(id, bar);
        }
    }

    QStatusBar* status = window->statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 1; i <= CommandTable::StatusPanelCount; ++i) {
        auto* panel = new QWidget(status);
        panel->setObjectName(QStringLiteral("Static%1").arg(i));
        auto* layout = new QHBoxLayout(panel);
        layout->setContentsMargins(4, 0, 4, 0);
        if (i == 1)
            status->addWidget(panel, 1);
        else
            status->addPermanentWidget(panel);
        statusPanels << panel;
    }

    // Docks land at once rather than glide: a stored arrangement is then
    // read and made exactly, never half-way through a move.
    window->setDockOptions(QMainWindow::AllowTabbedDocks);
    for (const CommandTable::Pane& def : CommandTable::Panes()) {
        auto* pane = new QDockWidget(QString::fromLatin1(def.caption), window);
        pane->setObjectName(QString::fromLatin1(def.id));
        window->addDockWidget(def.area, pane);
        panes.insert(pane->objectName(), pane);
    }
    window->tabifyDockWidget(panes.value(QStringLiteral("frmProject")),
                             panes.value(QStringLiteral("frmHelp")));
    window->tabifyDockWidget(panes.value(QStringLiteral("frmOutput")),
                             panes.value(QStringLiteral("frmTask")));
    panes.value(QStringLiteral("frmProject"))->raise();
    panes.value(QStringLiteral("frmOutput"))->raise();

    SetToolChecked(QStringLiteral("ViewToolbar"), true);
    SetToolChecked(QStringLiteral("ViewStatus"), true);
}

QAction* DockHost::MakeAction(const QString& id) {
    const CommandTable::Tool* def = CommandTable::FindTool(id);
    auto* action = new QAction(def ? QString::fromLatin1(def->caption) : id, window);
    action->setObjectName(id);
    if (def) {
        if (!def->shortcut.isEmpty()) {
            action->setShortcut(def->shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        QIcon icon;
        if (def->themeIcon)
            icon = QIcon::fromTheme(QString::fromLatin1(def->themeIcon));
        if (icon.isNull() && def->fallbackIcon != QStyle::SP_CustomBase)
            icon = window->style()->standardIcon(def->fallbackIcon);
        action->setIcon(icon);
        action->setCheckable(def->checkable);
    }
    action->setToolTip(
        QString(action->text()).remove(QLatin1Char('&')).remove(QStringLiteral(" ...")));
    connect(action, &QAction::triggered, this, [this, action] { Q_EMIT ToolClick(action); });
    window->addAction(action);  // shortcuts work even while a bar is hidden
    tools.insert(id, action);
    return action;
}

QMenu* DockHost::BuildMenu(const CommandTable::Entry& entry) {
    const QString id = QString::fromLatin1(entry.id);
    auto* menu = new QMenu(Tool(id) ? Tool(id)->text() : id, window);
    menu->setObjectName(id);
    // The menu's own action stands for the title tool: enabling it or asking
    // for its caption works as for any tool.
    menus.insert(id, menu);
    if (QAction* title = tools.take(id)) {
        menu->menuAction()->setObjectName(id);
        menu->menuAction()->setIcon(title->icon());
        window->removeAction(title);
        delete title;
    }
    tools.insert(id, menu->menuAction());
    FillMenu(menu, entry.children);
    return menu;
}

void DockHost::FillMenu(QMenu* menu, const std::vector<CommandTable::Entry>& entries) {
    for (const CommandTable::Entry& entry : entries) {
        const QString id = QString::fromLatin1(entry.id);
        if (id == QLatin1String("-"))
            menu->addSeparator();
        else if (id == QLatin1String(CommandTable::RecentModules) ||
                 id == QLatin1String(CommandTable::RecentSolutions))
            RebuildRecent(id);  // entries come and go with the list
        else if (!entry.children.empty())
            menu->addMenu(menus.contains(id) ? menus.value(id) : BuildMenu(entry));
        else
            menu->addAction(Tool(id));
    }
}

void DockHost::FillBar(QToolBar* bar, const std::vector<CommandTable::Entry>& entries) {
    for (const CommandTable::Entry& entry : entries) {
        const QString id = QString::fromLatin1(entry.id);
        if (id == QLatin1String("-")) {
            bar->addSeparator();
        } else if (id == QLatin1String("BuildPage")) {
            bar->addWidget(new QLabel(QStringLiteral(" Build : "), bar));
            auto* combo = new QComboBox(bar);
            combo->setObjectName(id);
            combo->setToolTip(QStringLiteral("Select Build Configuration"));
            for (const CommandTable::ComboItem& item : CommandTable::BuildPageItems())
                combo->addItem(QString::fromLatin1(item.text), QString::fromLatin1(item.id));
            combo->setCurrentIndex(CommandTable::DefaultBuildPage);
            combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            bar->addWidget(combo);
            combos.insert(id, combo);
        } else if (!entry.children.empty()) {
            auto* menu = new QMenu(window);
            FillMenu(menu, entry.children);
            QAction* tool = Tool(id);
            tool->setMenu(menu);
            bar->addAction(tool);
            if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(tool)))
                button->setPopupMode(QToolButton::InstantPopup);
        } else {
            bar->addAction(Tool(id));
        }
    }
}

QAction* DockHost::Tool(const QString& id) const {
    return tools.value(id);
}
QToolBar* DockHost::Bar(const QString& id) const {
    return bars.value(id);
}
QDockWidget* DockHost::Pane(const QString& id) const {
    return panes.value(id);
}
QMenu* DockHost::Menu(const QString& id) const {
    return menus.value(id);
}
QComboBox* DockHost::Combo(const QString& id) const {
    return combos.value(id);
}

QWidget* DockHost::StatusPanel(int index) const {
    return index >= 1 && index <= statusPanels.size() ? statusPanels.at(index - 1) : nullptr;
}

void DockHost::SetToolEnabled(const QString& id, bool enabled) {
    if (QAction* tool = Tool(id))
        tool->setEnabled(enabled);
}

void DockHost::SetToolChecked(const QString& id, bool checked) {
    if (QAction* tool = Tool(id)) {
        tool->setCheckable(true);
        tool->setChecked(checked);
    }
}

bool DockHost::BarVisible(const QString& id) const {
    if (id == QLatin1String("StatusBar"))
        return !window->statusBar()->isHidden();
    if (id == QLatin1String("MenuBar"))
        return !window->menuBar()->isHidden();
    QToolBar* bar = Bar(id);
    return bar && !bar->isHidden();
}

void DockHost::SetBarVisible(const QString& id, bool visible) {
    if (id == QLatin1String("StatusBar"))
        window->statusBar()->setVisible(visible);
    else if (id == QLatin1String("MenuBar"))
        window->menuBar()->setVisible(visible);
    else if (QToolBar* bar = Bar(id))
        bar->setVisible(visible);
}

bool DockHost::PaneVisible(const QString& id) const {
    QDockWidget* pane = Pane(id);
    return pane && !pane->isHidden();
}

void DockHost::SetPaneVisible(const QString& id, bool visible) {
    if (QDockWidget* pane = Pane(id)) {
        pane->setVisible(visible);
        if (visible)
            pane->raise();
    }
}

QString DockHost::ComboText(const QString& id) const {
    QComboBox* combo = Combo(id);
    return combo ? combo->currentText() : QString();
}

void DockHost::PopupBar(const QString& id) {
    PopupBar(id, QCursor::pos());
}

void DockHost::PopupBar(const QString& id, const QPoint& globalPos) {
    if (QMenu* menu = Menu(id))
        menu->popup(globalPos);
}

void DockHost::AddRecent(const QString& listId, const QString& path) {
    QStringList& list = recent[listId];
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > CommandTable::RecentLimit)
        list.removeLast();
    RebuildRecent(listId);
}

void DockHost::RemoveRecent(const QString& listId, const QString& path) {
    recent[listId].removeAll(path);
    RebuildRecent(listId);
}

QStringList DockHost::Recent(const QString& listId) const {
    return recent.value(listId);
}

QString DockHost::ToolCaption(const QAction* tool) {
    const QVariant path = tool->property(RecentPathProperty);
    return path.isValid() ? path.toString() : tool->text();
}

void DockHost::RebuildRecent(const QString& listId) {
    const bool modules = listId == QLatin1String(CommandTable::RecentModules);
    QMenu* menu = Menu(QLatin1String(modules ? "FileMru" : "MRUProject"));
    if (!menu)
        return;
    menu->clear();
    const QStringList list = recent.value(listId);
    for (int i = 0; i < list.size(); ++i) {
        QString text = list[i];
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        auto* entry =
            menu->addAction(i < 9 ? QStringLiteral("&%1  %2").arg(i + 1).arg(text) : text);
        entry->setObjectName(listId);
        entry->setProperty(RecentPathProperty, list[i]);
        connect(entry, &QAction::triggered, this, [this, entry] { Q_EMIT ToolClick(entry); });
    }
    if (list.isEmpty())
        menu->addAction(Tool(listId) ? Tool(listId)->text() : listId)->setEnabled(false);
}

void DockHost::AttachForm(const QString& paneId, QWidget* form) {
    if (QDockWidget* pane = Pane(paneId))
        pane->setWidget(form);
}

DocWindow* DockHost::CreateWindow(const QString& caption, const QString& key, QWidget* form) {
    auto* doc = new DocWindow(this, key, form);
    doc->SetCaption(caption);
    area->addSubWindow(doc);
    doc->showMaximized();
    Activate(doc);
    return doc;
}

QList<DocWindow*> DockHost::Windows() const {
    QList<DocWindow*> list;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
        if (auto* doc = qobject_cast<DocWindow*>(sub))
            list << doc;
    return list;
}

DocWindow* DockHost::ActiveWindow() const {
    if (current && !current->isHidden())
        return current;
    return qobject_cast<DocWindow*>(area->currentSubWindow());
}

void DockHost::Activate(DocWindow* window) {
    if (!window)
        return;
    const bool wasCurrent = current == window;
    area->setActiveSubWindow(window);
    // While the main window is hidden or inactive QMdiArea sends no
    // activation; the owner still has to hear of the switch.
    if (current != window || wasCurrent) {
        current = window;
        Q_EMIT WindowActivated(window);
    }
}

void DockHost::BeginManyWindows() {
    // Each new tab lays out and measures every tab: eliding their captions
    // is what costs, so there is none until the last window is in.
    if (auto* tabs = area->findChild<QTabBar*>(); tabs && !manyTabs) {
        manyTabs = tabs;
        tabsElide = tabs->elideMode();
        tabs->setElideMode(Qt::ElideNone);
    }
}

void DockHost::EndManyWindows() {
    if (manyTabs)
        manyTabs->setElideMode(tabsElide);
    manyTabs = nullptr;
}

bool DockHost::CloseWindow(DocWindow* window) {
    return !window || window->close();
}

DockLayout::Cast DockHost::LayoutCast() const {
    DockLayout::Cast cast;
    for (const CommandTable::Bar& def : CommandTable::Bars())
        if (QToolBar* bar = Bar(QString::fromLatin1(def.id)))
            cast.bars << bar;
    for (const CommandTable::Pane& def : CommandTable::Panes())
        cast.panes << Pane(QString::fromLatin1(def.id));
    return cast;
}

QByteArray DockHost::SaveLayout() const {
    DockLayout::Arrangement arrangement = DockLayout::Capture(window, LayoutCast());
    arrangement.statusBar = BarVisible(QStringLiteral("StatusBar"));
    arrangement.recentModules = recent.value(CommandTable::RecentModules);
    arrangement.recentSolutions = recent.value(CommandTable::RecentSolutions);
    return DockLayout::Encode(arrangement);
}

bool DockHost::RestoreLayout(const QByteArray& layout) {
    const DockLayout::Cast cast = LayoutCast();
    const std::optional<DockLayout::Arrangement> arrangement = DockLayout::Decode(layout, cast);
    if (!arrangement)
        return false;
    DockLayout::Apply(window, cast, *arrangement);
    SetBarVisible(QStringLiteral("StatusBar"), arrangement->statusBar);
    SetToolChecked(QStringLiteral("ViewStatus"), arrangement->statusBar);
    SetToolChecked(QStringLiteral("ViewToolbar"), BarVisible(QStringLiteral("StandartBar")));
    recent[CommandTable::RecentModules] = arrangement->recentModules;
    recent[CommandTable::RecentSolutions] = arrangement->recentSolutions;
    RebuildRecent(CommandTable::RecentModules);
    RebuildRecent(CommandTable::RecentSolutions);
    return true;
}
