#pragma once
#include <QItemSelectionModel>
#include <QTreeWidget>
#include <functional>

// The native tree inside Tree: a one-column QTreeWidget that draws its own
// branch marks according to the tree's style word and reports a change of
// the current item before it happens.
class TreeView : public QTreeWidget {
    Q_OBJECT
public:
    // Style bits of the tree's style word.
    static constexpr quint32 HasButtons = 0x1;
    static constexpr quint32 HasLines = 0x2;
    static constexpr quint32 LinesAtRoot = 0x4;
    static constexpr quint32 SingleExpand = 0x400;

    explicit TreeView(QWidget* parent = nullptr);

    void SetStyleWord(quint32 style);
    quint32 StyleWord() const { return style; }

    // Called with the current item and the one about to replace it.
    std::function<void(QTreeWidgetItem* from, QTreeWidgetItem* to)> CurrentAboutToChange;

protected:
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

private:
    class SelectionModel;
    quint32 style = 0;
};
