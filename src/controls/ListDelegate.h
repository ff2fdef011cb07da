#pragma once
#include <QStyledItemDelegate>

class List;

// Draws List's rows: the margin image, the background from the item offset
// on, and the text, after the host has had its say through
// ItemInfoCallback.
class ListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ListDelegate(List* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    List* list;
};
