#pragma once
#include <QHash>
#include <QVariant>
#include <QWidget>

#include "controls/ImageList.h"
#include "controls/Subclasser.h"
#include "controls/TreeItems.h"

class QTreeWidgetItem;
class TreeView;

// An item of the tree named by its slot in the item table or by its key.
class TreeRef {
public:
    TreeRef() = default;
    TreeRef(int index) : index(index), byIndex(true) {}
    TreeRef(const QString& key) : key(key), byKey(true) {}
    TreeRef(const char* key) : key(QString::fromUtf8(key)), byKey(true) {}
    // A text value names a key, a number an index, anything else nothing.
    TreeRef(const QVariant& value);

    bool IsIndex() const { return byIndex; }
    bool IsKey() const { return byKey; }
    int Index() const { return index; }
    QString Key() const { return key; }

private:
    int index = -1;
    QString key;
    bool byIndex = false;
    bool byKey = false;
};

// A tree of captioned items with images, addressed by index or key, over a
// QTreeWidget. The item table mirrors the native items; clicks on the tree
// reach the control through its interception engine.
class Tree : public QWidget, public iSubclass {
    Q_OBJECT
public:
    // Where AddItem puts the new item relative to the given one.
    enum Relationship { First = 1, Last = 2, Next = 3, Sorted = 4 };
    enum ExpandAction { CollapseItem = 1, ExpandItem = 2, ToggleItem = 3 };
    static constexpr quint32 DefaultStyle = 0x50000007;
    static constexpr int DefaultIndent = 5;

    explicit Tree(QWidget* parent = nullptr);
    ~Tree() override;

    // Image lists.
    static ImageList CreateList(int width, int height, int flags = 0, int initial = 0,
                                int grow = 0);
    static int AddMasked(ImageList& list, const QImage& bitmap,
                         const QColor& maskColor = ImageList::MaskColor());
    static int AddIcon(ImageList& list, const QIcon& icon);
    // A list cut from the named bitmap strip (ImageList::LoadBitmap), with
    // magenta transparent unless another key colour is given.
    static ImageList LoadList(const QString& name, int width = 16, int height = 16,
                              const QColor& maskColor = ImageList::MaskColor());

    // Inserts an item; relationship 0 counts as Last. First, Last and Sorted
    // make it a child of `relative` (top level when there is none), Next its
    // sibling just after it. A missing selected image takes the image.
    // Returns the new item's index, or -1 when nothing was inserted.
    int AddItem(const TreeRef& relative, int relationship, const QString& key, const QString& text,
                int image = -1, int selectedImage = -1);
    void DeleteItem(const TreeRef& item);
    void RenameItem(const TreeRef& item, const QString& text);
    void DeleteAllItems();
    void SelectItem(const TreeRef& item);
    void SetItemTag(const TreeRef& item, const QVariant& tag);
    QVariant GetItemTag(const TreeRef& item) const;
    // {index, image, key, text, tag}; empty for an unknown item.
    QVariantList GetItemNode(const TreeRef& item) const;
    void SetItemNode(const TreeRef& item, const QVariantList& node);
    void Expand(const TreeRef& item, int action);

    bool SingleSel() const;
    void SetSingleSel(bool on);
    quint32 Lines() const { return style; }
    void SetLines(quint32 styleWord);
    int Border() const { return border; }
    void SetBorder(int value);
    ImageList hImageList() const { return images; }
    void SethImageList(const ImageList& list);
    int Indent() const { return indent; }
    void SetIndent(int value);
    int ItemCount() const { return items.Count(); }
    // The item last clicked, double-clicked or selected.
    int ItemIndex() const { return currentIndex; }
    QString ItemKey() const;
    QVariant ItemTag() const;
    void SetItemTag(const QVariant& tag);
    QString ItemText() const;
    void SetItemText(const QString& text);
    // The selected item's index, -1 when none.
    int Selection() const;
    void SetSelection(const TreeRef& item) { SelectItem(item); }

    // The values a hosting form keeps: "Border" and "Indent".
    QVariantMap WriteProperties() const;
    void ReadProperties(const QVariantMap& properties);

    TreeView* View() const { return view; }
    // The native item of an index; null when unknown.
    QTreeWidgetItem* NativeItem(const TreeRef& item) const;

    void iSubclass_After(bool& result, QObject* window, QEvent* event) override;
    void iSubclass_Before(bool& handled, bool& result, QObject* window, QEvent*& event) override;

Q_SIGNALS:
    void ItemClick(int button, const QString& text, const QString& key, int index);
    void ItemDblClick(const QString& text, const QString& key, int index);
    void AfterSelChanged(const QString& text, const QString& key, int index);
    void BeforeSelChanged(const QString& text, const QString& key, int index);
    void Click(int x, int y);
    void DblClick(int x, int y);
    // Declared for hosts; the tree does not raise them.
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);

private:
    int SlotOf(const TreeRef& item) const;
    int SlotOf(QTreeWidgetItem* native) const;
    QTreeWidgetItem* NativeOf(qint64 handle) const { return natives.value(handle); }
    qint64 HandleOf(QTreeWidgetItem* native) const;
    void ForgetNative(QTreeWidgetItem* native);
    QIcon IconFor(int image, int selectedImage) const;
    void ApplyStyle();
    void RaiseSelection(bool before, QTreeWidgetItem* native);
    void OnCurrentChanged(QTreeWidgetItem* now, QTreeWidgetItem* previous);
    void MouseReleased(QMouseEvent* event);
    void MouseDoubleClicked(QMouseEvent* event);

    TreeView* view;
    Subclasser engine;
    TreeItems items;
    QHash<qint64, QTreeWidgetItem*> natives;
    qint64 nextHandle = 1;
    int currentIndex = -1;
    quint32 style = DefaultStyle;
    int border = 0;
    int indent = DefaultIndent;
    ImageList images;
    bool afterDoubleClick = false;
};
