#pragma once
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class cFlatCtl;

// The small " Add Value ... " dialog: one text box to enter a new value or
// edit an existing one. The caller sets Value, shows the dialog modally and
// reads Value afterwards: the text as typed after OK, "" after Cancel.
class ValueDialog : public QDialog {
    Q_OBJECT
public:
    explicit ValueDialog(QWidget* parent = nullptr);
    ~ValueDialog() override;

    QString Value() const { return value; }
    void SetValue(const QString& text);

    // Shows the dialog modally on `value`; the result as Value gives it.
    static QString Ask(QWidget* parent, const QString& value);

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label2;
    QPushButton* Command2;
    QPushButton* Command1;
    cFlatCtl* flat = nullptr;
    QString value;
};
