#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// What a search looks for and how; shared by find, find next and replace.
struct SearchOptions {
    QString text;
    bool matchCase = false;
    bool wholeWord = false;
    bool forward = true;
};

// The editor's own non-modal find and replace box. It only collects the
// user's wishes; the editor does the searching when a button asks for it.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindReplaceDialog(QWidget* parent = nullptr);

    // Shows the box for finding only, or with the replace row and buttons.
    void ShowFind(const SearchOptions& options);
    void ShowReplace(const SearchOptions& options);
    bool ReplaceMode() const { return replaceMode; }

    SearchOptions Options() const;
    QString ReplaceText() const;
    void SetStatus(const QString& text);

Q_SIGNALS:
    void FindNextClicked();
    void ReplaceClicked();
    void ReplaceAllClicked();

private:
    void Present(bool replace, const SearchOptions& options);
    void UpdateButtons();

    bool replaceMode = false;
    QLineEdit* txtFind;
    QLabel* lblReplace;
    QLineEdit* txtReplace;
    QCheckBox* chkMatchCase;
    QCheckBox* chkWholeWord;
    QRadioButton* optUp;
    QRadioButton* optDown;
    QPushButton* cmdFindNext;
    QPushButton* cmdReplace;
    QPushButton* cmdReplaceAll;
    QPushButton* cmdClose;
    QLabel* lblStatus;
};
