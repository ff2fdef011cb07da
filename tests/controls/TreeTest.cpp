#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "TestSupport.h"
#include "controls/Tree.h"
#include "controls/TreeView.h"

namespace {

QStringList ChildTexts(QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; i < parent->childCount(); ++i)
        texts << parent->child(i)->text(0);
    return texts;
}

// The Project Explorer's shape: root, two sorted folders, files appended.
void FillExplorer(Tree& tree) {
    tree.AddItem(TreeRef(), Tree::Sorted, "root", "Hello", 0);
    tree.AddItem("root", Tree::Sorted, "source", "Sources", 1);
    tree.AddItem("root", Tree::Sorted, "libs", "Libraries", 1);
    tree.AddItem("source", Tree::Last, "file1", "zeta", 5);
    tree.AddItem("source", Tree::Last, "file2", "alpha", 5);
}

QPoint CentreOf(Tree& tree, const QString& key) {
    return tree.View()->visualItemRect(tree.NativeItem(key)).center();
}

}  // namespace

class TreeInsertionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sortedSiblingsAndAppendedFiles() {
        Tree tree;
        FillExplorer(tree);
        tree.AddItem("libs", Tree::Sorted, "libs::b", "beta", 2);
        tree.AddItem("libs", Tree::Sorted, "libs::a", "Alpha", 2);
        tree.AddItem("libs", Tree::Sorted, "libs::c", "gamma", 2);
        // Letter case does not count: "apple" goes before "Banana".
        tree.AddItem("libs", Tree::Sorted, "libs::d", "Delta", 2);
        tree.AddItem("libs", Tree::Sorted, "libs::e", "apple", 2);

        QTreeWidgetItem* root = tree.NativeItem("root");
        QCOMPARE(ChildTexts(root), (QStringList{"Libraries", "Sources"}));
        QCOMPARE(ChildTexts(tree.NativeItem("source")), (QStringList{"zeta", "alpha"}));
        QCOMPARE(ChildTexts(tree.NativeItem("libs")),
                 (QStringList{"Alpha", "apple", "beta", "Delta", "gamma"}));
        // The table keeps insertion order whatever the tree shows.
        QCOMPARE(tree.ItemCount(), 10);
        QCOMPARE(tree.GetItemNode(3), (QVariantList{3, 5, "file1", "zeta", QVariant()}));
    }

    void firstNextAndTheDefaultRelationship() {
        Tree tree;
        tree.AddItem(TreeRef(), Tree::Last, "top", "Top");
        tree.AddItem("top", 0, "b", "B");  // 0 counts as Last
        tree.AddItem("top", Tree::First, "a", "A");
        tree.AddItem("a", Tree::Next, "a2", "A2");
        tree.AddItem("top", Tree::Last, "c", "C");
        QCOMPARE(ChildTexts(tree.NativeItem("top")), (QStringList{"A", "A2", "B", "C"}));

        // Next needs an item to follow; an unknown parent key means the top level.
        QCOMPARE(tree.AddItem("nothing", Tree::Next, "x", "X"), -1);
        QCOMPARE(tree.AddItem("nothing", Tree::Last, "y", "Y"), 5);
        QCOMPARE(tree.View()->topLevelItemCount(), 2);
    }

    void aNewChildOpensItsParent() {
        Tree tree;
        tree.AddItem(TreeRef(), Tree::Last, "folder", "Folder");
        tree.AddItem("folder", Tree::Last, "one", "One");
        tree.Expand("folder", Tree::CollapseItem);
        QVERIFY(!tree.NativeItem("folder")->isExpanded());
        tree.AddItem("folder", Tree::Last, "two", "Two");
        QVERIFY(tree.NativeItem("folder")->isExpanded());
        tree.Expand("folder", Tree::ToggleItem);
        QVERIFY(!tree.NativeItem("folder")->isExpanded());
    }
};

class TreeRecordTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deleteMovesTheLastRecordIntoTheGap() {
        Tree tree;
        FillExplorer(tree);
        tree.SetItemTag("file2", "/src/alpha.zbl");
        tree.DeleteItem(1);  // "Sources", with both files below it

        QCOMPARE(tree.ItemCount(), 4);
        // The last record now fills slot 1 and keeps its own index.
        QCOMPARE(tree.GetItemNode(1), (QVariantList{4, 5, "file2", "alpha", "/src/alpha.zbl"}));
        QVERIFY(tree.GetItemNode(4).isEmpty());
        QCOMPARE(tree.GetItemTag(4), QVariant());
        // The children's records stay although their items are gone.
        QCOMPARE(tree.GetItemNode(3).value(2).toString(), QString("file1"));
        QVERIFY(!tree.NativeItem("file1"));
        QCOMPARE(ChildTexts(tree.NativeItem("root")), QStringList{"Libraries"});
        // Deleting selects the parent.
        QCOMPARE(tree.Selection(), 0);
    }

    // The current item is the record the host last heard of; when deleting
    // moves that record into the gap, the current item follows it.
    void theCurrentItemFollowsTheLastRecordIntoTheGap() {
        Tree tree;
        tree.AddItem(TreeRef(), Tree::Last, "a", "A");
        tree.AddItem(TreeRef(), Tree::Last, "b", "B");
        tree.AddItem(TreeRef(), Tree::Last, "c", "C");
        tree.SelectItem("c");
        QCOMPARE(tree.ItemIndex(), 2);
        tree.DeleteItem("a");
        QCOMPARE(tree.ItemIndex(), 0);
        QCOMPARE(tree.ItemKey(), QString("c"));

        // Deleting a file selects its folder, which may be the last record.
        tree.AddItem("b", Tree::Last, "b1", "B1");
        tree.DeleteItem("c");  // b1 moves into slot 0, b is now last
        QCOMPARE(tree.GetItemNode(1).value(2).toString(), QString("b"));
        tree.DeleteItem("b1");
        QCOMPARE(tree.ItemIndex(), 0);
        QCOMPARE(tree.ItemKey(), QString("b"));
        QCOMPARE(tree.ItemText(), QString("B"));
        QCOMPARE(tree.Selection(), 0);

        // Deleting the current item leaves none.
        tree.DeleteItem("b");
        QCOMPARE(tree.ItemIndex(), -1);
        QCOMPARE(tree.ItemKey(), QString());
    }

    void renameTagsAndNodes() {
        Tree tree;
        FillExplorer(tree);
        tree.RenameItem(0, "Renamed");
        QCOMPARE(tree.NativeItem(0)->text(0), QString("Renamed"));
        tree.SetItemTag("file1", "/p/zeta.zbl");
        QCOMPARE(tree.GetItemTag(3).toString(), QString("/p/zeta.zbl"));

        tree.SetItemNode("file1", {3, 4, "file1", "Zeta", "/q/zeta.zbl"});
        QCOMPARE(tree.NativeItem("file1")->text(0), QString("Zeta"));
        QCOMPARE(tree.GetItemTag("file1").toString(), QString("/q/zeta.zbl"));

        // Unknown items are ignored.
        tree.RenameItem("nothing", "x");
        tree.DeleteItem(99);
        tree.SetItemTag(-1, "x");
        QCOMPARE(tree.ItemCount(), 5);
    }

    void deleteAllItemsThenReuse() {
        Tree tree;
        FillExplorer(tree);
        tree.SelectItem("file1");
        tree.DeleteAllItems();
        QCOMPARE(tree.ItemCount(), 0);
        QCOMPARE(tree.View()->topLevelItemCount(), 0);
        QCOMPARE(tree.ItemIndex(), -1);
        QCOMPARE(tree.Selection(), -1);
        QVERIFY(tree.GetItemNode("root").isEmpty());

        QCOMPARE(tree.AddItem(TreeRef(), Tree::Sorted, "root", "Again", 0), 0);
        QCOMPARE(tree.AddItem("root", Tree::Sorted, "source", "Sources", 1), 1);
        QCOMPARE(tree.GetItemNode(1), (QVariantList{1, 1, "source", "Sources", QVariant()}));
        QCOMPARE(ChildTexts(tree.NativeItem("root")), QStringList{"Sources"});
    }

    void propertiesAndStyleWord() {
        Tree tree;
        QCOMPARE(tree.WriteProperties(), (QVariantMap{{"Border", 0}, {"Indent", 5}}));
        QCOMPARE(tree.Lines(), 0x50000007u);
        tree.SetSingleSel(true);
        QCOMPARE(tree.Lines(), 0x50000407u);
        tree.SetLines(0x50000000);
        QVERIFY(!tree.SingleSel());
        tree.ReadProperties({{"Border", 1}, {"Indent", 24}});
        QCOMPARE(tree.Indent(), 24);
        QCOMPARE(tree.View()->indentation(), 24);
        QCOMPARE(tree.View()->frameShape(), QFrame::StyledPanel);
    }

    void singleSelOpensOneBranchAtATime() {
        Tree tree;
        tree.SetSingleSel(true);
        tree.AddItem(TreeRef(), Tree::Last, "a", "A");
        tree.AddItem("a", Tree::Last, "a1", "A1");
        tree.AddItem(TreeRef(), Tree::Last, "b", "B");
        tree.AddItem("b", Tree::Last, "b1", "B1");
        tree.Expand("a", Tree::CollapseItem);
        tree.Expand("b", Tree::CollapseItem);

        tree.SelectItem("a");
        QVERIFY(tree.NativeItem("a")->isExpanded());
        tree.SelectItem("b");
        QVERIFY(tree.NativeItem("b")->isExpanded());
        QVERIFY(!tree.NativeItem("a")->isExpanded());
        tree.SelectItem("b1");
        QVERIFY(tree.NativeItem("b")->isExpanded());  // an ancestor stays open

        tree.SetSingleSel(false);
        tree.Expand("a", Tree::ExpandItem);
        tree.SelectItem("a");
        tree.SelectItem("b");
        QVERIFY(tree.NativeItem("a")->isExpanded());
    }

    void imageStripsAreCutWithMagentaClear() {
        const ImageList explorer = Tree::LoadList("tree");
        QCOMPARE(explorer.Count(), 10);
        QCOMPARE(explorer.ImageSize(), QSize(16, 16));
        QCOMPARE(Tree::LoadList("tree1").Count(), 3);
        QVERIFY(!ImageList::LoadBitmap("TASK").isNull());

        // Every magenta pixel of the strip is clear in the cut images.
        const QImage strip = ImageList::LoadBitmap("tree");
        int magenta = 0;
        for (int x = 0; x < strip.width(); ++x) {
            for (int y = 0; y < strip.height(); ++y) {
                if (strip.pixelColor(x, y) != ImageList::MaskColor())
                    continue;
                ++magenta;
                QCOMPARE(explorer.Image(x / 16).toImage().pixelColor(x % 16, y).alpha(), 0);
            }
        }
        QVERIFY(magenta > 0);
        QVERIFY(explorer.Image(10).isNull());
        QVERIFY(Tree::LoadList("no such strip").Count() == 0);
    }
};

class TreeEventTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Tree> tree;

private Q_SLOTS:
    void init() {
        tree = std::make_unique<Tree>();
        tree->resize(240, 300);
        FillExplorer(*tree);
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
    }
    void cleanup() { tree.reset(); }

    void clicksOnItemsCarryButtonTextKeyAndIndex() {
        QSignalSpy items(tree.get(), &Tree::ItemClick);
        QSignalSpy clicks(tree.get(), &Tree::Click);
        QWidget* viewport = tree->View()->viewport();

        const QPoint file = CentreOf(*tree, "file2");
        QTest::mouseClick(viewport, Qt::LeftButton, {}, file);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.at(0), (QVariantList{1, "alpha", "file2", 4}));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.at(0), (QVariantList{file.x(), file.y()}));
        QCOMPARE(tree->ItemIndex(), 4);
        QCOMPARE(tree->ItemKey(), QString("file2"));

        const QPoint folder = CentreOf(*tree, "libs");
        QTest::mouseClick(viewport, Qt::RightButton, {}, folder);
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1), (QVariantList{2, "Libraries", "libs", 2}));
        QCOMPARE(tree->ItemIndex(), 2);
        QCOMPARE(tree->ItemText(), QString("Libraries"));

        // Other buttons are not clicks.
        QTest::mouseClick(viewport, Qt::MiddleButton, {}, file);
        QCOMPARE(items.size(), 2);
        QCOMPARE(clicks.size(), 2);
    }

    void aClickOnEmptySpaceIsOnlyAClick() {
        QSignalSpy items(tree.get(), &Tree::ItemClick);
        QSignalSpy clicks(tree.get(), &Tree::Click);
        const QPoint empty(20, tree->View()->viewport()->height() - 5);
        QVERIFY(!tree->View()->itemAt(empty));
        QTest::mouseClick(tree->View()->viewport(), Qt::RightButton, {}, empty);
        QCOMPARE(items.size(), 0);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.at(0), (QVariantList{empty.x(), empty.y()}));
    }

    void doubleClicks() {
        QSignalSpy items(tree.get(), &Tree::ItemDblClick);
        QSignalSpy doubles(tree.get(), &Tree::DblClick);
        QSignalSpy clicks(tree.get(), &Tree::ItemClick);
        QWidget* viewport = tree->View()->viewport();
        const QPoint file = CentreOf(*tree, "file1");
        // As a real double click arrives: click, double click, release.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, file);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, file);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, file);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.at(0), (QVariantList{"zeta", "file1", 3}));
        QCOMPARE(doubles.size(), 1);
        QCOMPARE(clicks.size(), 1);

        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
        QCOMPARE(items.size(), 1);
        QCOMPARE(doubles.size(), 2);
        // A later click counts again.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, file);
        QCOMPARE(clicks.size(), 2);
    }

    void selectionChangesReportTheOldThenTheNewItem() {
        tree->SelectItem("libs");
        QSignalSpy before(tree.get(), &Tree::BeforeSelChanged);
        QSignalSpy after(tree.get(), &Tree::AfterSelChanged);
        QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, CentreOf(*tree, "file1"));
        QCOMPARE(before.size(), 1);
        QCOMPARE(before.at(0), (QVariantList{"Libraries", "libs", 2}));
        QCOMPARE(after.size(), 1);
        QCOMPARE(after.at(0), (QVariantList{"zeta", "file1", 3}));
        QCOMPARE(tree->Selection(), 3);

        tree->SetSelection("root");
        QCOMPARE(after.size(), 2);
        QCOMPARE(tree->ItemIndex(), 0);
    }

    void aClickOnAMovedRecordReportsItsOwnIndex() {
        tree->DeleteItem("file1");  // file2's record moves into slot 3
        QSignalSpy items(tree.get(), &Tree::ItemClick);
        QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, CentreOf(*tree, "file2"));
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.at(0), (QVariantList{1, "alpha", "file2", 4}));
        QCOMPARE(tree->ItemIndex(), 3);
        QCOMPARE(tree->ItemKey(), QString("file2"));
    }
};

ZIDE_TEST(TreeInsertionTest)
ZIDE_TEST(TreeRecordTest)
ZIDE_TEST(TreeEventTest)
#include "TreeTest.moc"
