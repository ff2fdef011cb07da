#pragma once
#include <QDialog>
#include <QPointer>
#include <QString>

class ButtonXP;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ProjectExplorer;
class cFlatCtl;

// What the New Project dialog asks of the window that holds the documents.
class NewProjectHost {
public:
    virtual ~NewProjectHost() = default;
    // Closes every document window but the start page, as opening a solution
    // does: a changed or never saved module is offered for saving first.
    // False when a window stays open; the new project is then given up.
    virtual bool CloseDocuments() = 0;
    // Shows the new project's first module in a new editor window under the
    // window key `key`. `path` holds `text` when it could be written; when it
    // could not, the window shows `text` unsaved, so nothing is lost.
    virtual void OpenProjectModule(const QString& path, const QString& key,
                                   const QString& text) = 0;
    // Refreshes the command states.
    virtual void RefreshCommands() = 0;
};

// The New Project dialog ("Form12"): a project name, a location and a type.
// Create makes the folder "location/name" holding the solution "name.zsl"
// and its first module "name.zbl" from the type's template, replaces the
// open solution by the new one and makes the module its start-up module.
// Cancel changes nothing.
class NewProject : public QDialog {
    Q_OBJECT
public:
    // Neither `explorer` nor `host` is owned; either may be null (then the
    // tree, or the windows, are left alone and only the files are made).
    NewProject(ProjectExplorer* explorer, NewProjectHost* host, QWidget* parent = nullptr);
    ~NewProject() override;

    // Shows the dialog modally; true when a project was created.
    static bool Ask(ProjectExplorer* explorer, NewProjectHost* host, QWidget* parent);

    // Where new projects go unless the user picks another folder: "Zorbel
    // Projects" in the home folder, or "projects" in the program folder when
    // ZIDE_HOME names one.
    static QString DefaultLocation();
    // The folder the user last created a project in, while it exists; else
    // DefaultLocation(). The dialog offers it.
    static QString ProjectsFolder();

    // The text after "'Date : " in the template; today's short date unless
    // set (tests fix it).
    void SetDate(const QString& text) { date = text; }

    // The "Create" button: true when the project was made and the dialog
    // closed; false after one of its messages, with the dialog still open
    // and the open solution untouched.
    bool Create();
    // The browse button: the chosen folder, or "" when cancelled.
    void Browse();

    QLabel* const Label1;  // "Create new Zorbel project."
    QLabel* const Label2;  // what to enter
    QLabel* const Label3;  // the folder is made
    QLabel* const Label4;  // "Name :"
    QLineEdit* const Text2;
    QLabel* const Label5;  // "Location :"
    QLineEdit* const Text1;
    ButtonXP* const ButtonXP1;
    QLabel* const Label6;  // "Type :"
    QComboBox* const Combo1;
    QPushButton* const Command1;
    QPushButton* const Command2;

private:
    void BuildLayout();
    void Fail(const QString& text);

    QPointer<ProjectExplorer> explorer;
    NewProjectHost* host;
    cFlatCtl* flatCombo;
    QString date;
};
