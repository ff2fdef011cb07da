#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>

class ButtonXP;
class List;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;

// The " Settings" dialog: the tool chain (preprocessor, compiler, linker,
// resource compiler), the default syntax file, the per-user PATH and the
// registration of the IDE's file types, one page each, chosen from a list on
// the left. It reads the settings store when it is created and writes
// everything back on OK. Some writes happen earlier and survive Cancel: the
// "Use Compiler" and "Use Linker" switches when clicked, and the shown
// parameters of a configuration when the compiler or linker page switches to
// another one.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int PageCount = 6;

    explicit SettingsDialog(QWidget* parent = nullptr);

    // Shows the dialog modally over `owner`; true when the user chose OK.
    static bool Show(QWidget* owner);

    // The PATH entries in the form they are stored: the pieces of `text`
    // between ";" trimmed, the empty ones left out / joined by ";".
    static QStringList SplitPath(const QString& text);
    static QString JoinPath(const QStringList& entries);

    // The Environment page's actions, also run by its buttons and by a double
    // click on the list.
    void NewItem();
    void EditItem();
    void RemoveItem();

    // The index of the visible page.
    int CurrentPage() const { return currentPage; }
    QString PathText() const { return pathText; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* MakePage(int index);
    void BuildGeneralPage();
    void BuildProcessorPage();
    void BuildCompilerPage();
    void BuildLinkerPage();
    void BuildResourcesPage();
    void BuildEnvironmentPage();
    void Load();
    void SelectPage(int row);
    void CompilerConfigChanged(int index);
    void LinkerConfigChanged(int index);
    void Browse(QLineEdit* target);

    List* List1;
    std::array<QFrame*, PageCount> Picture2{};
    QLineEdit* Text8;
    QPushButton* Command7;
    QCheckBox* Check1;
    QCheckBox* Check2;
    QLineEdit* Text10;
    QPushButton* Command9;
    QLineEdit* Text11;
    QCheckBox* Check4;
    QLineEdit* Text1;
    QPushButton* Command3;
    QComboBox* Combo1;
    QLineEdit* Text2;
    QCheckBox* Check3;
    QLineEdit* Text4;
    QPushButton* Command4;
    QComboBox* Combo2;
    QLineEdit* Text3;
    QLineEdit* Text6;
    QPushButton* Command5;
    QComboBox* Combo3;
    QLineEdit* Text5;
    List* List2;
    ButtonXP* xp1;
    ButtonXP* xp2;
    QPushButton* Command2;
    QPushButton* Command1;

    bool LoadingFlag = false;
    int PrevCompilerConfig = 0;
    int PrevLinkerConfig = 0;
    int currentPage = 0;
    QString pathText;
    bool placed = false;
};
