#include "controls/TreeView.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

class TreeView::SelectionModel : public QItemSelectionModel {
public:
    SelectionModel(QAbstractItemModel* model, TreeView* view)
        : QItemSelectionModel(model, view), view(view) {}

    void setCurrentIndex(const QModelIndex& index,
                         QItemSelectionModel::SelectionFlags command) override {
        if (index != currentIndex() && view->CurrentAboutToChange) {
            view->CurrentAboutToChange(view->itemFromIndex(currentIndex()),
                                       view->itemFromIndex(index));
        }
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    TreeView* view;
};

namespace {

// Rows at least as tall as a 16-pixel image with a little air.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(qMax(size.height(), option.fontMetrics.height() + 6));
        size.setHeight(qMax(size.height(), 20));
        return size;
    }
};

}  // namespace

TreeView::TreeView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setItemDelegate(new RowDelegate(this));
    setAnimated(false);
    // The own selection model replaces the one QTreeWidget listens to, so
    // its current-item signal is passed on here.
    QItemSelectionModel* old = selectionModel();
    auto* current = new SelectionModel(model(), this);
    setSelectionModel(current);
    delete old;
    connect(current, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& previous) {
                Q_EMIT currentItemChanged(itemFromIndex(now), itemFromIndex(previous));
            });
}

void TreeView::SetStyleWord(quint32 style) {
    this->style = style;
    setRootIsDecorated((style & LinesAtRoot) != 0);
    setItemsExpandable(true);
    viewport()->update();
}

void TreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    // Own marks instead of the style's: a chevron for an item with children,
    // faint guides for the levels above it.
    const bool selected = selectionModel()->isSelected(index);
    if (selected) {
        const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
        painter->fillRect(rect, palette().brush(group, QPalette::Highlight));
    }
    const int indent = indentation();
    if (indent <= 0 || rect.width() < indent)
        return;
    const int columns = rect.width() / indent;
    const int markLeft = rect.left() + (columns - 1) * indent;
    painter->save();
    if (style & HasLines) {
        QColor guide = palette().color(QPalette::Mid);
        guide.setAlpha(selected ? 0 : 120);
        painter->setPen(QPen(guide, 1));
        for (int column = 0; column + 1 < columns; ++column) {
            const int x = rect.left() + column * indent + indent / 2;
            painter->drawLine(x, rect.top(), x, rect.bottom());
        }
    }
    if ((style & HasButtons) && model()->hasChildren(index)) {
        const QColor ink =
            selected ? palette().color(QPalette::HighlightedText) : palette().color(QPalette::Text);
        painter->setRenderHint(QPainter::Antialiasing, true);
        QPen pen(ink, 1.4);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter->setPen(pen);
        const QPointF centre(markLeft + indent / 2.0, rect.center().y() + 0.5);
        if (isExpanded(index)) {
            painter->drawPolyline(QList<QPointF>{
                centre + QPointF(-3.5, -1.5), centre + QPointF(0, 2), centre + QPointF(3.5, -1.5)});
        } else {
            painter->drawPolyline(QList<QPointF>{
                centre + QPointF(-1.5, -3.5), centre + QPointF(2, 0), centre + QPointF(-1.5, 3.5)});
        }
    }
    painter->restore();
}
