#pragma once
#include <QColor>
#include <QPixmap>
#include <QWidget>

#include "controls/Subclasser.h"

class QFrame;
class QLineEdit;
class QListWidget;

// A list of one-line entries, each drawn with a small image in a left margin
// and its text beside it. The host may recolour or re-text a row while it is
// drawn (ItemInfoCallback), edit a row in place (DoEdit) and move the
// selected row (ItemUp, ItemDown). Other members forward to the inner list
// `List1`.
class List : public QWidget, public iSubclass {
    Q_OBJECT
public:
    static constexpr int DefaultItemHeight = 20;
    static constexpr int DefaultItemOffset = 18;

    explicit List(QWidget* parent = nullptr);
    ~List() override;

    // Forwarded to List1. ListText is the text of one row (List(i) in hosts).
    int ListCount() const;
    int ListIndex() const;
    void SetListIndex(int index);
    QString ListText(int index) const;
    void SetListText(int index, const QString& text);
    QString Text() const;
    void SetText(const QString& text);
    int ItemData(int index) const;
    void SetItemData(int index, int value);
    int MousePointer() const { return mousePointer; }
    void SetMousePointer(int pointer);

    // The name of the 16 x 16 bitmap drawn in every row's margin.
    QString ListImage() const { return imageName; }
    void SetListImage(const QString& name);
    int ItemHeight() const { return itemHeight; }
    void SetItemHeight(int pixels);
    int ItemOffset() const { return itemOffset; }
    void SetItemOffset(int pixels);
    bool AutoEdit() const { return autoEdit; }
    void SetAutoEdit(bool on) { autoEdit = on; }
    QFont Font() const;
    void SetFont(const QFont& font);
    // Accepted and ignored: the list keeps its rows in the order given.
    bool Sorted() const { return false; }
    void SetSorted(bool) {}

    // Adds a row at the end, or at `index` when it is 0 or more.
    void AddItem(const QString& text, int index = -1);
    void RemoveItem(int index);
    void Clear();
    // Starts editing the selected row in place.
    void DoEdit();
    bool IsEditing() const;
    void ItemDown();
    void ItemUp();

    // The margin image, loaded on first use; null when there is none.
    QPixmap RowImage();
    // Raises ItemInfoCallback for a row about to be drawn.
    void RaiseItemInfo(int row, bool highlighted, QString& text, QColor& backColor,
                       QColor& textColor);

    QListWidget* List1Widget() const { return List1; }
    QLineEdit* Text1Widget() const { return Text1; }

    void iSubclass_After(bool& result, QObject* window, QEvent* event) override;
    void iSubclass_Before(bool& handled, bool& result, QObject* window, QEvent*& event) override;

Q_SIGNALS:
    void Click();
    void DblClick();
    void ItemMoved();
    void BeforeEdit(QString& text, bool& cancel);
    void AfterEdit(QString& text, bool& cancel);
    // Key codes are Qt::Key values; shift holds 1 Shift, 2 Ctrl, 4 Alt.
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void ItemInfoCallback(int row, int highlighted, QString& text, QColor& backColor,
                          QColor& textColor);
    void Scroll();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CommitEdit();
    void CancelEdit();
    void HideEdit();
    void MoveSelected(int step);

    QListWidget* List1;
    QFrame* Picture1;
    QLineEdit* Text1;
    Subclasser listHook;      // List1: keys
    Subclasser viewportHook;  // List1's viewport: clicks
    Subclasser editHook;      // Text1: Enter, Esc, focus loss
    int itemHeight = DefaultItemHeight;
    int itemOffset = DefaultItemOffset;
    bool autoEdit = false;
    QString imageName;
    QPixmap image;
    bool imageLoaded = false;
    bool editFinished = true;
    int mousePointer = 0;
};
