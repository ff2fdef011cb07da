#pragma once
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "solution/SolutionFile.h"

class QFrame;
class QLabel;
class Tree;

// What the Project Explorer asks of the window that hosts it: the editor
// windows and the command bars are the host's.
class ProjectHost {
public:
    virtual ~ProjectHost() = default;
    // Activates the editor window showing `path` (file names compared
    // without regard to case); false when no window shows it.
    virtual bool ActivateFileWindow(const QString& path) = 0;
    // Activates the editor window with the window key `key` (compared
    // without regard to case); false when there is none.
    virtual bool ActivateKeyWindow(const QString& key) = 0;
    // Opens `path` in a new editor window. `key` is the module's item key,
    // "" for a library's source.
    virtual void OpenFileWindow(const QString& path, const QString& key) = 0;
    // The "ProjectRemove" command's state.
    virtual void SetRemoveEnabled(bool enabled) = 0;
    // Shows the "ProjectTree" menu at `globalPos`.
    virtual void ShowProjectMenu(const QPoint& globalPos) = 0;
};

// The Project Explorer pane ("Form6"): the open solution as a tree of its
// name, its modules ("Sources") and the libraries installed with the IDE
// ("Libraries"). The tree is the solution's module list: items whose key
// starts with "file" are modules, their tags the modules' paths.
class ProjectExplorer : public QWidget {
    Q_OBJECT
public:
    // Images of the "tree" strip.
    enum Image {
        SolutionImage = 0,
        FolderImage = 1,
        LibraryImage = 2,
        NewModuleImage = 4,
        ModuleImage = 5
    };
    // The height of the strip below the tree: 1400 twips.
    static constexpr int StripHeight = 1400 / 15;
    // The pause between a right click and its menu.
    static constexpr int MenuDelayMs = 200;
    // At most this many libraries are listed.
    static constexpr int MaxLibraries = 2049;

    explicit ProjectExplorer(QWidget* parent = nullptr);

    // The host is not owned; it outlives the pane or is replaced by nullptr.
    void SetHost(ProjectHost* newHost) { host = newHost; }

    // Empties the tree and builds it again: the root named after the
    // solution ("Blank" without a name), "Sources", and "Libraries" with
    // every "lib/*.zlm" of the program folder, in name order.
    void InitializeProject();
    // Starts loading the solution `file`: resets the tree, sets the record
    // from the file and names the root. Returns the modules the host opens
    // next, in order; for each one no window shows yet, the host opens it
    // and, when CheckFile says it is not listed, adds it with AddProjectFile.
    QStringList LoadSolution(const QString& file);

    // Adds a module under "Sources" with the next key of the record's
    // counter; returns that key.
    QString AddProjectFile(const QString& path, int image = ModuleImage);
    // Adds a module under "Sources" with a key the caller chose.
    void AddFile(const QString& key, const QString& path, int image = ModuleImage);
    // Adds a module never saved ("blank") under "Sources" with `key`.
    void AddNewModule(const QString& key);
    // The key of the first module whose path is `path` (both trimmed);
    // "" when the solution does not list it.
    QString KeyOf(const QString& path) const;
    // The module `key` was saved as `path`: its item shows the new name.
    void UpdateFile(const QString& key, const QString& path);
    // Takes the module `key` out of the tree.
    void DropFile(const QString& key);
    void RenameRoot(const QString& name);
    // "ProjectRemove": takes the selected module out of the solution; when it
    // was the start-up module there is none any more. Other items stay.
    void RemoveSelected();

    bool CheckFile(const QString& path) const;
    // Writes the solution file `path` from the record and the tree; false
    // when it could not be written.
    bool SaveSolution(const QString& path) const;
    // The tree's items in table order, as the solution file sees them.
    QList<mdlSolutionFile::SolutionItem> Items() const;

    Tree* const Tree1;
    QFrame* const Shape1;  // the strip below the tree
    QLabel* const Label2;  // its caption "FileName"
    QLabel* const Label1;  // the path of the item last clicked

private:
    void ItemClick(int button, const QString& text, const QString& key, int index);
    void ItemDblClick(const QString& text, const QString& key, int index);
    void AddLibraries();
    void ShowPath(const QString& path);

    ProjectHost* host = nullptr;
};
