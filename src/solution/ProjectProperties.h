#pragma once
#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QVariant>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class PropertyList;
class ProjectExplorer;
class Tree;

// The Project Properties dialog ("Form9"): chooses the solution's start-up
// module and build batch, and shows the project's properties page by page.
// OK puts the start-up module and the batch into SolutionState (the solution
// file gets them when the solution is saved) and writes the pages' values
// into the open solution file's [Properties] section; Cancel changes
// nothing. The start-up list is made of the explorer's modules.
class ProjectProperties : public QDialog {
    Q_OBJECT
public:
    // `explorer` may be null: the start-up list then offers only "[None]".
    explicit ProjectProperties(ProjectExplorer* explorer, QWidget* parent = nullptr);

    // Shows the dialog modally; true when it was closed with OK.
    static bool Ask(ProjectExplorer* explorer, QWidget* parent);

    // The value each property of the pages has now, by its key in the
    // solution file (SolutionProperties.h); what OK writes.
    QHash<QString, QString> Values() const { return values; }

    Tree* const Tree1;  // the page tree
    QLabel* const Label5;
    PropertyList* const Prop;
    QLabel* const Label2;  // the selected property's name
    QLabel* const Label3;  // its description
    QComboBox* const Combo1;
    QComboBox* const Combo2;
    QLineEdit* const Text2;
    QPushButton* const Command6;
    QPushButton* const Command3;
    QPushButton* const Command1;
    QPushButton* const Command2;
    QLineEdit* const Text1;

private:
    void BuildLayout();
    void FillTree();
    void FillStartup();
    void FillGrid(const QString& pageKey);
    void PageChanged(const QString& text, const QString& key);
    void PropertySelected(int index);
    void PropertyValueChanged(int index, const QString& value);
    void StartupChosen(int entry);
    void BrowseBatch();
    void Commit();
    // The explorer item of a start-up entry: {index, image, key, text, tag},
    // empty when there is none.
    QVariantList ItemOfEntry(int entry) const;

    QPointer<ProjectExplorer> explorer;
    QString page;  // the key of the page the grid shows
    QHash<QString, QString> values;
    bool loading = false;
};
