#include "controls/List.h"

#include <QFocusEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include "controls/ImageList.h"
#include "controls/ListDelegate.h"

namespace {

int ShiftState(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

// The host's pointer numbers and the shapes they stand for.
Qt::CursorShape ShapeOf(int pointer) {
    switch (pointer) {
        case 2:
            return Qt::CrossCursor;
        case 3:
            return Qt::IBeamCursor;
        case 5:
        case 15:
            return Qt::SizeAllCursor;
        case 6:
            return Qt::SizeBDiagCursor;
        case 7:
            return Qt::SizeVerCursor;
        case 8:
            return Qt::SizeFDiagCursor;
        case 9:
            return Qt::SizeHorCursor;
        case 10:
            return Qt::UpArrowCursor;
        case 11:
            return Qt::WaitCursor;
        case 12:
            return Qt::ForbiddenCursor;
        case 13:
            return Qt::BusyCursor;
        case 14:
            return Qt::WhatsThisCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace

List::List(QWidget* parent)
    : QWidget(parent),
      List1(new QListWidget(this)),
      Picture1(new QFrame(this)),
      Text1(new QLineEdit(Picture1)) {
    List1->setObjectName(QStringLiteral("List1"));
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Text1->setObjectName(QStringLiteral("Text1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(List1);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setUniformItemSizes(true);
    List1->setItemDelegate(new ListDelegate(this));
    List1->setFrameShape(QFrame::NoFrame);

    // The edit frame: a thin accent border around a borderless line edit.
    Picture1->setFrameShape(QFrame::NoFrame);
    Picture1->setAutoFillBackground(true);
    Picture1->setStyleSheet(
        QStringLiteral("#Picture1 { border: 1px solid palette(highlight); "
                       "background: palette(base); }"));
    auto* frameLayout = new QHBoxLayout(Picture1);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->addWidget(Text1);
    Text1->setFrame(false);
    Picture1->hide();

    connect(List1->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { Q_EMIT Scroll(); });

    listHook.Subclass(List1, this);
    listHook.AddMsg(QEvent::KeyPress, Subclasser::Before);
    listHook.AddMsg(QEvent::KeyRelease, Subclasser::Before);
    viewportHook.Subclass(List1->viewport(), this);
    viewportHook.AddMsg(QEvent::MouseButtonRelease, Subclasser::After);
    viewportHook.AddMsg(QEvent::MouseButtonDblClick, Subclasser::After);
    editHook.Subclass(Text1, this);
    editHook.AddMsg(QEvent::KeyPress, Subclasser::Before);
    editHook.AddMsg(QEvent::FocusOut, Subclasser::After);
}

List::~List() {
    // No commit while the widgets go away.
    editFinished = true;
    editHook.UnSubclass();
    viewportHook.UnSubclass();
    listHook.UnSubclass();
}

int List::ListCount() const {
    return List1->count();
}

int List::ListIndex() const {
    return List1->currentRow();
}

void List::SetListIndex(int index) {
    if (index >= -1 && index < List1->count())
        List1->setCurrentRow(index);
}

QString List::ListText(int index) const {
    const QListWidgetItem* item = List1->item(index);
    return item ? item->text() : QString();
}

void List::SetListText(int index, const QString& text) {
    if (QListWidgetItem* item = List1->item(index))
        item->setText(text);
}

QString List::Text() const {
    return ListText(List1->currentRow());
}

void List::SetText(const QString& text) {
    for (int row = 0; row < List1->count(); ++row) {
        if (List1->item(row)->text() == text) {
            List1->setCurrentRow(row);
            return;
        }
    }
}

int List::ItemData(int index) const {
    const QListWidgetItem* item = List1->item(index);
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void List::SetItemData(int index, int value) {
    if (QListWidgetItem* item = List1->item(index))
        item->setData(Qt::UserRole, value);
}

void List::SetMousePointer(int pointer) {
    mousePointer = pointer;
    if (pointer == 0) {
        List1->viewport()->unsetCursor();
    } else {
        List1->viewport()->setCursor(ShapeOf(pointer));
    }
}

void List::SetListImage(const QString& name) {
    imageName = name;
    image = QPixmap();
    imageLoaded = false;
    List1->viewport()->update();
}

QPixmap List::RowImage() {
    if (!imageLoaded) {
        imageLoaded = true;
        // The colour of the first pixel is the background, as with
        // transparently loaded bitmaps.
        const QImage bitmap = ImageList::LoadBitmap(imageName);
        if (!bitmap.isNull()) {
            const QImage small =
                bitmap.size() == QSize(16, 16)
                    ? bitmap
                    : bitmap.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            image = QPixmap::fromImage(ImageList::Masked(small, small.pixelColor(0, 0)));
        }
    }
    return image;
}

void List::SetItemHeight(int pixels) {
    if (pixels <= 0)
        return;
    itemHeight = pixels;
    List1->doItemsLayout();
    List1->viewport()->update();
}

void List::SetItemOffset(int pixels) {
    if (pixels < 0)
        return;
    itemOffset = pixels;
    List1->viewport()->update();
}

QFont List::Font() const {
    return List1->font();
}

void List::SetFont(const QFont& font) {
    List1->setFont(font);
    Text1->setFont(font);
    List1->doItemsLayout();
}

void List::AddItem(const QString& text, int index) {
    if (index < 0) {
        List1->addItem(text);
    } else if (index <= List1->count()) {
        List1->insertItem(index, text);
    }
}

void List::RemoveItem(int index) {
    if (index >= 0 && index < List1->count())
        delete List1->takeItem(index);
}

void List::Clear() {
    List1->clear();
}

void List::RaiseItemInfo(int row, bool highlighted, QString& text, QColor& backColor,
                         QColor& textColor) {
    Q_EMIT ItemInfoCallback(row, highlighted ? 1 : 0, text, backColor, textColor);
}

void List::DoEdit() {
    QListWidgetItem* item = List1->currentItem();
    if (!item)
        return;
    List1->scrollToItem(item);
    QString text = item->text();
    bool cancel = false;
    Q_EMIT BeforeEdit(text, cancel);
    if (cancel)
        return;

    const QRect row = List1->visualItemRect(item);
    const QPoint topLeft = List1->viewport()->mapTo(this, row.topLeft());
    const int height = qMax(row.height(), Text1->sizeHint().height() + 2);
    Picture1->setGeometry(topLeft.x() + itemOffset, topLeft.y() - (height - row.height()) / 2,
                          qMax(row.width() - itemOffset, 20), height);
    editFinished = false;
    Text1->setText(text);
    Text1->selectAll();
    Picture1->show();
    Picture1->raise();
    Text1->setFocus(Qt::OtherFocusReason);
}

bool List::IsEditing() const {
    // Open while shown within the list, whether or not its window is on screen.
    return !Picture1->isHidden();
}

void List::CommitEdit() {
    editFinished = true;
    QString text = Text1->text();
    bool cancel = false;
    Q_EMIT AfterEdit(text, cancel);
    if (!cancel)
        SetListText(List1->currentRow(), text);
    HideEdit();
}

void List::CancelEdit() {
    editFinished = true;
    HideEdit();
}

void List::HideEdit() {
    if (Text1->hasFocus())
        List1->setFocus(Qt::OtherFocusReason);
    Picture1->hide();
}

void List::ItemDown() {
    MoveSelected(1);
}

void List::ItemUp() {
    MoveSelected(-1);
}

void List::MoveSelected(int step) {
    const int row = List1->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= List1->count())
        return;
    QListWidgetItem* item = List1->takeItem(row);
    List1->insertItem(target, item);
    List1->setCurrentRow(target);
    Q_EMIT ItemMoved();
}

void List::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (IsEditing())
        Picture1->resize(qMax(width() - Picture1->x(), 20), Picture1->height());
}

void List::iSubclass_Before(bool& handled, bool&, QObject* window, QEvent*& event) {
    if (window == Text1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            handled = true;
            CommitEdit();
        } else if (key == Qt::Key_Escape) {
            handled = true;
            CancelEdit();
        }
        return;
    }
    if (window == List1) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::KeyPress) {
            Q_EMIT KeyDown(key->key(), ShiftState(key->modifiers()));
            if (!key->text().isEmpty())
                Q_EMIT KeyPress(key->text().at(0).unicode());
        } else if (event->type() == QEvent::KeyRelease) {
            Q_EMIT KeyUp(key->key(), ShiftState(key->modifiers()));
        }
    }
}

void List::iSubclass_After(bool&, QObject* window, QEvent* event) {
    if (window == Text1 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another program or opening a menu is not leaving the edit.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return;
        if (!editFinished)
            CommitEdit();
        return;
    }
    if (window == List1->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            Q_EMIT Click();
        } else if (event->type() == QEvent::MouseButtonDblClick &&
                   mouse->button() == Qt::LeftButton) {
            Q_EMIT DblClick();
            if (autoEdit && List1->itemAt(mouse->position().toPoint()))
                DoEdit();
        }
    }
}
