#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

// A property grid: one row per property, its name on the left and an editor
// for its value on the right. Properties are numbered from 0 in the order
// they were added; rows may be grouped under category headings. Values are
// text: a check box reads "True" or "False", a choice its choice's text, and
// every property reads "" until it is given a value.
//
// Keys: Up/Down move between rows, Enter or F2 puts the cursor into the
// value, Space toggles a check box, Escape goes back to the rows, and in a
// text value Up/Down move on to the row above or below.
class PropertyList : public QWidget {
    Q_OBJECT
public:
    // How a value is shown and edited; other codes count as Text.
    enum Kind { Text = 0, Choice = 1, Check = 8, Path = 64 };

    explicit PropertyList(QWidget* parent = nullptr);

    // Removes every property and category.
    void Clear();
    // Appends a property and returns its index. A non-empty `category`
    // puts it under that heading, made on first use.
    int AddProperty(const QString& name, int kind, const QString& category = QString());
    int Count() const { return int(rows.size()); }

    // Per property; an index out of range reads "" / -1 and changes nothing.
    QString Name(int index) const;
    int KindOf(int index) const;
    QString Category(int index) const;
    QString Description(int index) const;
    void SetDescription(int index, const QString& description);
    void AddChoice(int index, const QString& choice);
    QStringList Choices(int index) const;
    QString Value(int index) const;
    // A check box takes "true" in any letter case as checked and anything
    // else but "" as unchecked; a choice takes one of its choices exactly,
    // anything else leaves it without a value.
    void SetValue(int index, const QString& value);

    // The same by name: the first property of that name (exact), -1 / ""
    // when there is none. SetValue returns false when there is none.
    int IndexOf(const QString& name) const;
    QString Value(const QString& name) const;
    bool SetValue(const QString& name, const QString& value);

    // The selected property, -1 when none.
    int Selected() const;
    void Select(int index);

    // The value editor of a property: a QLineEdit, QComboBox, QCheckBox, or
    // for a path a box with a QLineEdit and a "..." QToolButton.
    QWidget* Editor(int index) const;
    // The path's browse button, null for other kinds.
    QWidget* BrowseButton(int index) const;
    QTreeWidget* View() const { return view; }

Q_SIGNALS:
    // The user or the program selected property `index`.
    void PropertySelected(int index);
    // The value of property `index` changed, by editing or by SetValue.
    void ValueChanged(int index, const QString& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        QTreeWidgetItem* item = nullptr;
        QString name;
        int kind = Text;
        QString category;
        QString description;
        QStringList choices;
        QString value;
        QWidget* editor = nullptr;  // what the value cell shows
        QWidget* input = nullptr;   // what takes the keys in it
        QWidget* browse = nullptr;
    };

    bool Valid(int index) const { return index >= 0 && index < Count(); }
    int RowOf(const QTreeWidgetItem* item) const;
    int RowOfEditor(QObject* object) const;
    QWidget* MakeEditor(int index);
    void Store(int index, const QString& value);
    void Browse(int index);
    void FocusValue(int index);

    QTreeWidget* view;
    QList<Row> rows;
    QHash<QString, QTreeWidgetItem*> categories;
    // The row whose editor is being set by the program: its signals only
    // echo a value already stored.
    int settingRow = -1;
};
