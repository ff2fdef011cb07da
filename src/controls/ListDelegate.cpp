#include "controls/ListDelegate.h"

#include <QApplication>
#include <QPainter>

#include "controls/List.h"

ListDelegate::ListDelegate(List* list) : QStyledItemDelegate(list), list(list) {}

QSize ListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Q_UNUSED(index);
    return QSize(option.rect.width(), list->ItemHeight());
}

void ListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const QRect row = option.rect;
    const bool highlighted = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    QString text = index.data(Qt::DisplayRole).toString();
    QColor back = option.palette.color(group, highlighted ? QPalette::Highlight : QPalette::Base);
    QColor fore =
        option.palette.color(group, highlighted ? QPalette::HighlightedText : QPalette::Text);
    list->RaiseItemInfo(index.row(), highlighted, text, back, fore);

    const int offset = list->ItemOffset();
    painter->save();
    painter->fillRect(QRect(row.left() + offset, row.top(), row.width() - offset, row.height()),
                      back);
    const QPixmap image = list->RowImage();
    if (!image.isNull()) {
        const QSize size = image.deviceIndependentSize().toSize();
        const int x = row.left() + qMax(0, (offset - size.width()) / 2);
        const int y = row.top() + (row.height() - size.height()) / 2;
        painter->drawPixmap(x, y, image);
    }
    const QFontMetrics metrics(option.font);
    const int textTop = row.top() + (row.height() - metrics.height()) / 2;
    const QRect textRect(row.left() + offset + 4, textTop, row.width() - offset - 6,
                         metrics.height());
    painter->setFont(option.font);
    painter->setPen(fore);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.initFrom(option.widget);
        focus.rect = QRect(row.left() + offset, row.top(), row.width() - offset, row.height());
        focus.state = option.state | QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = back;
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}
