#include "controls/Tree.h"

#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "controls/TreeView.h"

namespace {
constexpr int HandleRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int SelectedImageRole = Qt::UserRole + 2;
// The narrowest indent the tree accepts; smaller values are raised to it.
constexpr int MinimumIndent = 19;
}  // namespace

TreeRef::TreeRef(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
        case QMetaType::QByteArray:
        case QMetaType::QChar:
            key = value.toString();
            byKey = true;
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            index = value.toInt();
            byIndex = true;
            break;
        default:
            break;
    }
}

Tree::Tree(QWidget* parent) : QWidget(parent), view(new TreeView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    view->setObjectName(QStringLiteral("zTreeViewClass"));
    QPalette colors = view->palette();
    colors.setColor(QPalette::Base, Qt::white);
    colors.setColor(QPalette::Text, Qt::black);
    view->setPalette(colors);
    view->setFrameShape(QFrame::NoFrame);
    ApplyStyle();
    SetIndent(indent);

    view->CurrentAboutToChange = [this](QTreeWidgetItem* from, QTreeWidgetItem*) {
        RaiseSelection(true, from);
    };
    connect(view, &QTreeWidget::currentItemChanged, this, &Tree::OnCurrentChanged);

    engine.Subclass(view->viewport(), this);
    engine.AddMsg(QEvent::MouseButtonPress, Subclasser::Before);
    engine.AddMsg(QEvent::MouseButtonRelease, Subclasser::After);
    engine.AddMsg(QEvent::MouseButtonDblClick, Subclasser::After);
}

Tree::~Tree() {
    engine.UnSubclass();
    view->CurrentAboutToChange = nullptr;
    disconnect(view, nullptr, this, nullptr);
}

ImageList Tree::CreateList(int width, int height, int, int, int) {
    return ImageList(width, height);
}

int Tree::AddMasked(ImageList& list, const QImage& bitmap, const QColor& maskColor) {
    return list.AddMasked(bitmap, maskColor);
}

int Tree::AddIcon(ImageList& list, const QIcon& icon) {
    return list.AddIcon(icon);
}

ImageList Tree::LoadList(const QString& name, int width, int height, const QColor& maskColor) {
    ImageList list(width, height);
    list.AddMasked(ImageList::LoadBitmap(name), maskColor);
    return list;
}

int Tree::SlotOf(const TreeRef& item) const {
    if (item.IsKey())
        return items.FindKey(item.Key());
    if (item.IsIndex() && items.IsSlot(item.Index()))
        return item.Index();
    return -1;
}

int Tree::SlotOf(QTreeWidgetItem* native) const {
    return items.FindHandle(HandleOf(native));
}

qint64 Tree::HandleOf(QTreeWidgetItem* native) const {
    return native ? native->data(0, HandleRole).toLongLong() : 0;
}

QTreeWidgetItem* Tree::NativeItem(const TreeRef& item) const {
    const int slot = SlotOf(item);
    return slot < 0 ? nullptr : NativeOf(items.At(slot).handle);
}

void Tree::ForgetNative(QTreeWidgetItem* native) {
    natives.remove(HandleOf(native));
    for (int child = 0; child < native->childCount(); ++child)
        ForgetNative(native->child(child));
}

QIcon Tree::IconFor(int image, int selectedImage) const {
    if (images.IsNull())
        return QIcon();
    // An index outside the list shows as empty space, as it would with no
    // image at all; QIcon would otherwise borrow the other mode's picture.
    QPixmap blank(images.ImageSize());
    blank.fill(Qt::transparent);
    const QPixmap normal = images.Image(image);
    const QPixmap selected = images.Image(selectedImage);
    QIcon icon;
    icon.addPixmap(normal.isNull() ? blank : normal, QIcon::Normal);
    icon.addPixmap(selected.isNull() ? blank : selected, QIcon::Selected);
    return icon;
}

int Tree::AddItem(const TreeRef& relative, int relationship, const QString& key,
                  const QString& text, int image, int selectedImage) {
    if (relationship == 0)
        relationship = Last;
    if (image < 0)
        image = 0;
    if (selectedImage < 0)
        selectedImage = image;
    const int relativeSlot = SlotOf(relative);
    QTreeWidgetItem* anchor = relativeSlot < 0 ? nullptr : NativeOf(items.At(relativeSlot).handle);

    QTreeWidgetItem* parent = anchor;
    int position = 0;
    auto siblingCount = [this](QTreeWidgetItem* under) {
        return under ? under->childCount() : view->topLevelItemCount();
    };
    auto sibling = [this](QTreeWidgetItem* under, int at) {
        return under ? under->child(at) : view->topLevelItem(at);
    };
    switch (relationship) {
        case First:
            position = 0;
            break;
        case Last:
            position = siblingCount(parent);
            break;
        case Next:
            if (!anchor)
                return -1;
            parent = anchor->parent();
            position =
                (parent ? parent->indexOfChild(anchor) : view->indexOfTopLevelItem(anchor)) + 1;
            break;
        default:
            // Alphabetical among the siblings, ignoring case; items placed
            // otherwise are not reordered.
            position = siblingCount(parent);
            for (int at = 0; at < siblingCount(parent); ++at) {
                if (QString::compare(text, sibling(parent, at)->text(0), Qt::CaseInsensitive) < 0) {
                    position = at;
                    break;
                }
            }
            break;
    }

    const qint64 handle = nextHandle++;
    auto* native = new QTreeWidgetItem;
    native->setText(0, text);
    native->setData(0, HandleRole, handle);
    native->setData(0, ImageRole, image);
    native->setData(0, SelectedImageRole, selectedImage);
    native->setIcon(0, IconFor(image, selectedImage));
    if (parent) {
        parent->insertChild(position, native);
    } else {
        view->insertTopLevelItem(position, native);
    }
    natives.insert(handle, native);
    const int slot = items.Append(handle, HandleOf(parent), key, text, image);
    // A new child is always visible.
    if (parent)
        parent->setExpanded(true);
    return slot;
}

void Tree::DeleteItem(const TreeRef& item) {
    const int slot = SlotOf(item);
    if (slot < 0)
        return;
    if (QTreeWidgetItem* native = NativeOf(items.At(slot).handle)) {
        view->setCurrentItem(native->parent());
        ForgetNative(native);
        delete native;
    }
    const int moved = items.Remove(slot);
    if (currentIndex == slot) {
        currentIndex = -1;
    } else if (currentIndex == moved) {
        currentIndex = slot;
    }
}

void Tree::RenameItem(const TreeRef& item, const QString& text) {
    const int slot = SlotOf(item);
    if (slot < 0)
        return;
    items.At(slot).text = text;
    if (QTreeWidgetItem* native = NativeOf(items.At(slot).handle))
        native->setText(0, text);
}

void Tree::DeleteAllItems() {
    natives.clear();
    view->clear();
    items.Clear();
    currentIndex = -1;
}

void Tree::SelectItem(const TreeRef& item) {
    if (QTreeWidgetItem* native = NativeItem(item))
        view->setCurrentItem(native);
}

void Tree::SetItemTag(const TreeRef& item, const QVariant& tag) {
    const int slot = SlotOf(item);
    if (slot >= 0)
        items.At(slot).tag = tag;
}

QVariant Tree::GetItemTag(const TreeRef& item) const {
    const int slot = SlotOf(item);
    return slot < 0 ? QVariant() : items.At(slot).tag;
}

QVariantList Tree::GetItemNode(const TreeRef& item) const {
    const int slot = SlotOf(item);
    if (slot < 0)
        return {};
    const TreeRecord& record = items.At(slot);
    return {record.index, record.image, record.key, record.text, record.tag};
}

void Tree::SetItemNode(const TreeRef& item, const QVariantList& node) {
    const int slot = SlotOf(item);
    if (slot < 0 || node.size() < 5)
        return;
    TreeRecord& record = items.At(slot);
    record.index = node.at(0).toInt();
    record.image = node.at(1).toInt();
    record.key = node.at(2).toString();
    record.text = node.at(3).toString();
    record.tag = node.at(4);
    if (QTreeWidgetItem* native = NativeOf(record.handle)) {
        native->setText(0, record.text);
        native->setData(0, ImageRole, record.image);
        native->setIcon(0, IconFor(record.image, native->data(0, SelectedImageRole).toInt()));
    }
}

void Tree::Expand(const TreeRef& item, int action) {
    QTreeWidgetItem* native = NativeItem(item);
    if (!native)
        return;
    switch (action) {
        case CollapseItem:
            native->setExpanded(false);
            break;
        case ExpandItem:
            native->setExpanded(true);
            break;
        case ToggleItem:
            native->setExpanded(!native->isExpanded());
            break;
        default:
            break;
    }
}

bool Tree::SingleSel() const {
    return (style & TreeView::SingleExpand) != 0;
}

void Tree::SetSingleSel(bool on) {
    style = on ? style | TreeView::SingleExpand : style & ~TreeView::SingleExpand;
    ApplyStyle();
}

void Tree::SetLines(quint32 styleWord) {
    style = styleWord;
    ApplyStyle();
}

void Tree::ApplyStyle() {
    view->SetStyleWord(style);
}

void Tree::SetBorder(int value) {
    border = value;
    view->setFrameShape(value ? QFrame::StyledPanel : QFrame::NoFrame);
}

void Tree::SethImageList(const ImageList& list) {
    images = list;
    if (!images.IsNull())
        view->setIconSize(images.ImageSize());
    for (QTreeWidgetItem* native : std::as_const(natives)) {
        native->setIcon(0, IconFor(native->data(0, ImageRole).toInt(),
                                   native->data(0, SelectedImageRole).toInt()));
    }
}

void Tree::SetIndent(int value) {
    indent = value;
    view->setIndentation(qMax(value, MinimumIndent));
}

QString Tree::ItemKey() const {
    return items.IsSlot(currentIndex) ? items.At(currentIndex).key : QString();
}

QVariant Tree::ItemTag() const {
    return items.IsSlot(currentIndex) ? items.At(currentIndex).tag : QVariant();
}

void Tree::SetItemTag(const QVariant& tag) {
    if (items.IsSlot(currentIndex))
        items.At(currentIndex).tag = tag;
}

QString Tree::ItemText() const {
    return items.IsSlot(currentIndex) ? items.At(currentIndex).text : QString();
}

void Tree::SetItemText(const QString& text) {
    if (items.IsSlot(currentIndex))
        RenameItem(currentIndex, text);
}

int Tree::Selection() const {
    return SlotOf(view->currentItem());
}

QVariantMap Tree::WriteProperties() const {
    return {{QStringLiteral("Border"), border}, {QStringLiteral("Indent"), indent}};
}

void Tree::ReadProperties(const QVariantMap& properties) {
    SetBorder(properties.value(QStringLiteral("Border"), 0).toInt());
    SetIndent(properties.value(QStringLiteral("Indent"), DefaultIndent).toInt());
}

void Tree::RaiseSelection(bool before, QTreeWidgetItem* native) {
    const int slot = SlotOf(native);
    if (slot < 0)
        return;
    const TreeRecord& record = items.At(slot);
    if (before) {
        Q_EMIT BeforeSelChanged(record.text, record.key, record.index);
    } else {
        currentIndex = slot;
        Q_EMIT AfterSelChanged(record.text, record.key, record.index);
    }
}

void Tree::OnCurrentChanged(QTreeWidgetItem* now, QTreeWidgetItem* previous) {
    if (SingleSel()) {
        // One open branch at a time: the new item opens, the old one closes
        // unless the new one lies inside it.
        bool inside = false;
        for (QTreeWidgetItem* up = now; up && previous; up = up->parent()) {
            if (up == previous)
                inside = true;
        }
        const bool previousAlive =
            std::find(natives.cbegin(), natives.cend(), previous) != natives.cend();
        if (previous && !inside && previousAlive) {
            previous->setExpanded(false);
        }
        if (now)
            now->setExpanded(true);
    }
    RaiseSelection(false, now);
}

void Tree::iSubclass_Before(bool&, bool&, QObject*, QEvent*& event) {
    if (event->type() == QEvent::MouseButtonPress)
        afterDoubleClick = false;
}

void Tree::iSubclass_After(bool&, QObject*, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonRelease) {
        MouseReleased(mouse);
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        MouseDoubleClicked(mouse);
    }
}

void Tree::MouseReleased(QMouseEvent* event) {
    // The release that ends a double click is part of it, not a new click.
    if (std::exchange(afterDoubleClick, false))
        return;
    int button = 0;
    if (event->button() == Qt::LeftButton)
        button = 1;
    if (event->button() == Qt::RightButton)
        button = 2;
    if (!button)
        return;
    const QPoint at = event->position().toPoint();
    const int slot = SlotOf(view->itemAt(at));
    if (slot >= 0) {
        currentIndex = slot;
        const TreeRecord record = items.At(slot);
        Q_EMIT ItemClick(button, record.text, record.key, record.index);
    }
    Q_EMIT Click(at.x(), at.y());
}

void Tree::MouseDoubleClicked(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    afterDoubleClick = true;
    const QPoint at = event->position().toPoint();
    const int slot = SlotOf(view->itemAt(at));
    if (slot >= 0) {
        currentIndex = slot;
        const TreeRecord record = items.At(slot);
        Q_EMIT ItemDblClick(record.text, record.key, record.index);
    }
    Q_EMIT DblClick(at.x(), at.y());
}
