#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "TestSupport.h"
#include "controls/List.h"

namespace {

// A window holding the list and another control that can take the focus.
struct Host {
    QWidget window;
    List* list = new List;
    QLineEdit* other = new QLineEdit;

    Host() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(list);
        layout->addWidget(other);
        window.resize(300, 240);
        for (const char* text : {"Check the linker settings", "New Task", "Write the help"}) {
            list->AddItem(text);
        }
    }
    bool Show() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

// What BeforeEdit and AfterEdit carried; their by-reference arguments are
// beyond QSignalSpy.
struct EditLog {
    QStringList before;
    QStringList after;
    explicit EditLog(List* list) {
        QObject::connect(list, &List::BeforeEdit, list,
                         [this](QString& text, bool&) { before << text; });
        QObject::connect(list, &List::AfterEdit, list,
                         [this](QString& text, bool&) { after << text; });
    }
};

}  // namespace

class ListEditTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterCommitsOnceEvenWhenFocusIsLostAfterIt() {
        Host host;
        QVERIFY(host.Show());
        EditLog log(host.list);
        host.list->SetListIndex(1);
        host.list->DoEdit();
        QCOMPARE(log.before, QStringList{"New Task"});
        QVERIFY(host.list->IsEditing());
        QLineEdit* edit = host.list->Text1Widget();
        QCOMPARE(edit->text(), QString("New Task"));
        QTRY_VERIFY(edit->hasFocus());

        edit->selectAll();
        QTest::keyClicks(edit, "Ship it");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(log.after, QStringList{"Ship it"});
        QCOMPARE(host.list->ListText(1), QString("Ship it"));
        QVERIFY(!host.list->IsEditing());

        host.other->setFocus();
        QTRY_VERIFY(host.other->hasFocus());
        QCOMPARE(log.after.size(), 1);
    }

    void escapeCancelsWithoutAfterEdit() {
        Host host;
        QVERIFY(host.Show());
        EditLog log(host.list);
        host.list->SetListIndex(0);
        host.list->DoEdit();
        QLineEdit* edit = host.list->Text1Widget();
        QTRY_VERIFY(edit->hasFocus());
        edit->setText("changed");
        QTest::keyClick(edit, Qt::Key_Escape);
        host.other->setFocus();
        QTRY_VERIFY(host.other->hasFocus());
        QVERIFY(log.after.isEmpty());
        QCOMPARE(host.list->ListText(0), QString("Check the linker settings"));
        QVERIFY(!host.list->IsEditing());
    }

    void losingTheFocusCommits() {
        Host host;
        QVERIFY(host.Show());
        EditLog log(host.list);
        host.list->SetListIndex(2);
        host.list->DoEdit();
        QLineEdit* edit = host.list->Text1Widget();
        QTRY_VERIFY(edit->hasFocus());
        edit->setText("Write the manual");
        host.other->setFocus();
        QTRY_COMPARE(log.after, QStringList{"Write the manual"});
        QCOMPARE(host.list->ListText(2), QString("Write the manual"));
        QVERIFY(!host.list->IsEditing());
    }

    // Going to another window or opening a menu takes the focus for a while;
    // the edit goes on when it comes back.
    void switchingWindowsOrOpeningAMenuDoesNotCommit() {
        Host host;
        QVERIFY(host.Show());
        EditLog log(host.list);
        host.list->SetListIndex(1);
        host.list->DoEdit();
        QLineEdit* edit = host.list->Text1Widget();
        QTRY_VERIFY(edit->hasFocus());
        edit->setText("half typed");

        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        QVERIFY(log.after.isEmpty());
        QVERIFY(host.list->IsEditing());
        host.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host.window));
        QTRY_VERIFY(edit->hasFocus());

        QMenu menu;
        menu.addAction("Copy");
        menu.popup(host.window.mapToGlobal(QPoint(10, 10)));
        QTRY_VERIFY(menu.isVisible());
        menu.close();
        QVERIFY(log.after.isEmpty());
        QVERIFY(host.list->IsEditing());
        QCOMPARE(host.list->ListText(1), QString("New Task"));
        QTRY_VERIFY(edit->hasFocus());

        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(log.after, QStringList{"half typed"});
        QCOMPARE(host.list->ListText(1), QString("half typed"));

        // An edit stays open while its window is hidden (a pane being closed).
        host.list->DoEdit();
        host.window.hide();
        QVERIFY(host.list->IsEditing());
    }

    void theHostMayChangeOrRefuseAnEdit() {
        Host host;
        QVERIFY(host.Show());
        host.list->SetListIndex(1);
        // BeforeEdit changes what the edit box starts with; AfterEdit refuses.
        connect(host.list, &List::BeforeEdit, host.list,
                [](QString& text, bool&) { text = text.toUpper(); });
        connect(host.list, &List::AfterEdit, host.list,
                [](QString&, bool& cancel) { cancel = true; });
        host.list->DoEdit();
        QCOMPARE(host.list->Text1Widget()->text(), QString("NEW TASK"));
        QTest::keyClick(host.list->Text1Widget(), Qt::Key_Return);
        QCOMPARE(host.list->ListText(1), QString("New Task"));

        // AfterEdit may also rewrite the text that is stored.
        List other;
        other.AddItem("draft");
        other.SetListIndex(0);
        connect(&other, &List::AfterEdit, &other, [](QString& text, bool&) { text += "!"; });
        other.DoEdit();
        QTest::keyClick(other.Text1Widget(), Qt::Key_Enter);
        QCOMPARE(other.ListText(0), QString("draft!"));
    }

    void cancelledOrRowlessEditsShowNothing() {
        Host host;
        QVERIFY(host.Show());
        host.list->SetListIndex(-1);
        host.list->DoEdit();
        QVERIFY(!host.list->IsEditing());

        host.list->SetListIndex(0);
        connect(host.list, &List::BeforeEdit, host.list,
                [](QString&, bool& cancel) { cancel = true; });
        host.list->DoEdit();
        QVERIFY(!host.list->IsEditing());
    }
};

class ListRowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void movesAtBothEndsChangeNothing() {
        List list;
        list.AddItem("a");
        list.AddItem("b");
        list.AddItem("c");
        list.SetItemData(0, 7);
        QSignalSpy moved(&list, &List::ItemMoved);

        list.SetListIndex(0);
        list.ItemUp();
        list.SetListIndex(2);
        list.ItemDown();
        QCOMPARE(moved.size(), 0);
        QCOMPARE(list.ListText(0), QString("a"));

        list.SetListIndex(0);
        list.ItemDown();
        QCOMPARE(moved.size(), 1);
        QCOMPARE(list.ListText(0), QString("b"));
        QCOMPARE(list.ListText(1), QString("a"));
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(list.ItemData(1), 7);
        list.ItemUp();
        QCOMPARE(list.ListIndex(), 0);
        QCOMPARE(list.ListText(0), QString("a"));
        QCOMPARE(moved.size(), 2);

        list.SetListIndex(-1);
        list.ItemDown();
        QCOMPARE(moved.size(), 2);
    }

    void addAndRemoveKeepToTheRange() {
        List list;
        list.AddItem("b");
        list.AddItem("a", 0);
        list.AddItem("z", 5);  // out of range
        list.AddItem("c", 2);
        QCOMPARE(list.ListCount(), 3);
        QCOMPARE(list.ListText(0) + list.ListText(1) + list.ListText(2), QString("abc"));
        list.RemoveItem(7);
        list.RemoveItem(1);
        QCOMPARE(list.ListCount(), 2);
        list.SetText("c");
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(list.Text(), QString("c"));
        list.Clear();
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(list.ListText(0), QString());
    }

    void theCallbackRecoloursAndRetextsRowsWithoutChangingThem() {
        List list;
        list.resize(240, 120);
        list.SetListImage("TASK");
        list.AddItem("first");
        list.AddItem("second");
        list.SetListIndex(1);
        QList<QList<int>> calls;  // row, highlighted
        connect(&list, &List::ItemInfoCallback, &list,
                [&](int row, int highlighted, QString& text, QColor& back, QColor&) {
                    calls << QList<int>{row, highlighted};
                    if (row == 0) {
                        text = "shown instead";
                        back = QColor(255, 0, 0);
                    }
                });
        const QImage shot = list.grab().toImage();
        QVERIFY(calls.contains(QList<int>{0, 0}));
        QVERIFY(calls.contains(QList<int>{1, 1}));
        QCOMPARE(list.ListText(0), QString("first"));

        const QRect row = list.List1Widget()->visualItemRect(list.List1Widget()->item(0));
        QCOMPARE(row.height(), List::DefaultItemHeight);
        const QPoint origin = list.List1Widget()->viewport()->mapTo(&list, row.topLeft());
        // Red from the item offset on; the margin keeps the image.
        QCOMPARE(shot.pixelColor(origin + QPoint(row.width() - 3, 1)), QColor(255, 0, 0));
        QCOMPARE(shot.pixelColor(origin + QPoint(List::DefaultItemOffset, 1)), QColor(255, 0, 0));
        bool imageInMargin = false;
        for (int x = 0; x < List::DefaultItemOffset; ++x) {
            const QColor pixel = shot.pixelColor(origin + QPoint(x, row.height() / 2));
            if (pixel != QColor(255, 0, 0) && pixel != QColor(Qt::white))
                imageInMargin = true;
        }
        QVERIFY(imageInMargin);
    }

    void itemHeightAppliesToEveryRow() {
        List list;
        list.resize(200, 200);
        list.AddItem("one");
        list.AddItem("two");
        list.SetItemHeight(16);
        QCOMPARE(list.List1Widget()->visualItemRect(list.List1Widget()->item(1)).height(), 16);
        QCOMPARE(list.List1Widget()->visualItemRect(list.List1Widget()->item(1)).top(), 16);
    }

    void keysAndClicksAreForwarded() {
        Host host;
        QVERIFY(host.Show());
        QSignalSpy down(host.list, &List::KeyDown);
        QSignalSpy press(host.list, &List::KeyPress);
        QSignalSpy up(host.list, &List::KeyUp);
        QSignalSpy click(host.list, &List::Click);
        QSignalSpy dbl(host.list, &List::DblClick);
        QTest::keyClick(host.list->List1Widget(), 'X', Qt::ShiftModifier);
        // Shift goes down first, then X with Shift held.
        QCOMPARE(down.size(), 2);
        QCOMPARE(down.at(1), (QVariantList{int(Qt::Key_X), 1}));
        QCOMPARE(press.size(), 1);
        QCOMPARE(press.at(0), QVariantList{int('X')});
        QCOMPARE(up.size(), 2);

        QWidget* viewport = host.list->List1Widget()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(40, 5));
        QCOMPARE(click.size(), 1);
        QCOMPARE(host.list->ListIndex(), 0);
        host.list->SetAutoEdit(true);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(40, 5));
        QCOMPARE(dbl.size(), 1);
        QVERIFY(host.list->IsEditing());
    }
};

ZIDE_TEST(ListEditTest)
ZIDE_TEST(ListRowsTest)
#include "ListTest.moc"
