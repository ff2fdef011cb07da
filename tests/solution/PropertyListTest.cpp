#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "TestSupport.h"
#include "solution/PropertyList.h"

class PropertyListTest : public QObject {
    Q_OBJECT

    // One property of each kind, in this order.
    static void FillAllKinds(PropertyList& grid) {
        grid.AddProperty("Name", PropertyList::Text);
        const int choice = grid.AddProperty("Type", PropertyList::Choice);
        grid.AddChoice(choice, "Console");
        grid.AddChoice(choice, "Window");
        grid.AddProperty("Flag", PropertyList::Check);
        grid.AddProperty("Program", PropertyList::Path);
        for (int i = 0; i < grid.Count(); ++i)
            grid.SetDescription(i, "About " + grid.Name(i));
    }

    static bool ShowActive(QWidget& widget) {
        widget.show();
        widget.activateWindow();
        return QTest::qWaitForWindowActive(&widget);
    }

private Q_SLOTS:
    void PropertiesStartWithoutValues() {
        PropertyList grid;
        FillAllKinds(grid);
        QCOMPARE(grid.Count(), 4);
        for (int i = 0; i < grid.Count(); ++i)
            QCOMPARE(grid.Value(i), QString());
        // Adding choices must not pick one.
        QCOMPARE(qobject_cast<QComboBox*>(grid.Editor(1))->currentIndex(), -1);
        QVERIFY(!qobject_cast<QCheckBox*>(grid.Editor(2))->isChecked());
    }

    void EditingEachKindSetsItsValue() {
        PropertyList grid;
        FillAllKinds(grid);
        QSignalSpy changed(&grid, &PropertyList::ValueChanged);

        QTest::keyClicks(qobject_cast<QLineEdit*>(grid.Editor(0)), "My app");
        QCOMPARE(grid.Value("Name"), QString("My app"));

        qobject_cast<QComboBox*>(grid.Editor(1))->setCurrentIndex(1);
        QCOMPARE(grid.Value("Type"), QString("Window"));

        auto* box = qobject_cast<QCheckBox*>(grid.Editor(2));
        box->click();
        QCOMPARE(grid.Value("Flag"), QString("True"));
        box->click();
        QCOMPARE(grid.Value("Flag"), QString("False"));

        auto* path = grid.Editor(3)->findChild<QLineEdit*>();
        QTest::keyClicks(path, "/bin/sh");
        QCOMPARE(grid.Value("Program"), QString("/bin/sh"));

        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(0).toInt(), 3);
        QCOMPARE(changed.last().at(1).toString(), QString("/bin/sh"));
    }

    void SettingValuesByName() {
        PropertyList grid;
        FillAllKinds(grid);
        QVERIFY(grid.SetValue("Name", "  blanks kept  "));
        QCOMPARE(qobject_cast<QLineEdit*>(grid.Editor(0))->text(), QString("  blanks kept  "));
        QCOMPARE(grid.Value("Name"), QString("  blanks kept  "));

        grid.SetValue("Type", "Console");
        QCOMPARE(qobject_cast<QComboBox*>(grid.Editor(1))->currentText(), QString("Console"));
        // A choice not offered leaves the property without a value.
        grid.SetValue("Type", "console");
        QCOMPARE(grid.Value("Type"), QString());
        QCOMPARE(qobject_cast<QComboBox*>(grid.Editor(1))->currentIndex(), -1);

        grid.SetValue("Flag", "TRUE");
        QVERIFY(qobject_cast<QCheckBox*>(grid.Editor(2))->isChecked());
        QCOMPARE(grid.Value("Flag"), QString("True"));
        grid.SetValue("Flag", "yes");
        QCOMPARE(grid.Value("Flag"), QString("False"));
        grid.SetValue("Flag", "");
        QCOMPARE(grid.Value("Flag"), QString());

        grid.SetValue("Program", "/usr/bin/env");
        QCOMPARE(grid.Editor(3)->findChild<QLineEdit*>()->text(), QString("/usr/bin/env"));

        // Unknown names and indexes change nothing and do not crash.
        QVERIFY(!grid.SetValue("Missing", "x"));
        QCOMPARE(grid.Value("Missing"), QString());
        grid.SetValue(99, "x");
        grid.AddChoice(-1, "x");
        grid.SetDescription(4, "x");
        QCOMPARE(grid.Name(-1), QString());
        QCOMPARE(grid.Editor(7), nullptr);
        // An unknown kind is edited as text.
        QVERIFY(qobject_cast<QLineEdit*>(grid.Editor(grid.AddProperty("Odd", 5))));
    }

    void PathBrowsesThroughThePrompt() {
        ScriptedPrompt prompt;
        prompt.paths << "  /opt/tools/run.sh  "
                     << "";
        PropertyList grid;
        FillAllKinds(grid);
        QVERIFY(grid.BrowseButton(0) == nullptr);
        auto* browse = qobject_cast<QToolButton*>(grid.BrowseButton(3));
        QVERIFY(browse);
        QCOMPARE(browse->text(), QString("..."));

        browse->click();
        QCOMPARE(prompt.asked.size(), size_t(1));
        QCOMPARE(prompt.asked[0].kind, QString("open"));
        QCOMPARE(prompt.asked[0].title, QString("Program"));
        QCOMPARE(grid.Value(3), QString("/opt/tools/run.sh"));
        QCOMPARE(grid.Selected(), 3);

        // Cancelled: the path stays.
        browse->click();
        QCOMPARE(grid.Value(3), QString("/opt/tools/run.sh"));
    }

    void SelectionIsReportedAndFollowsTheEditors() {
        PropertyList grid;
        FillAllKinds(grid);
        QSignalSpy selected(&grid, &PropertyList::PropertySelected);
        QCOMPARE(grid.Selected(), -1);
        grid.Select(2);
        QCOMPARE(grid.Selected(), 2);
        QCOMPARE(selected.last().at(0).toInt(), 2);

        QVERIFY(ShowActive(grid));
        grid.Editor(0)->setFocus();
        QCOMPARE(grid.Selected(), 0);
        QCOMPARE(selected.last().at(0).toInt(), 0);
    }

    void KeyboardMovesBetweenRowsAndValues() {
        PropertyList grid;
        FillAllKinds(grid);
        grid.AddProperty("Arguments", PropertyList::Text);
        QVERIFY(ShowActive(grid));

        grid.View()->setFocus();
        grid.Select(2);
        QTest::keyClick(grid.View(), Qt::Key_Space);
        QCOMPARE(grid.Value(2), QString("True"));

        grid.Select(0);
        QTest::keyClick(grid.View(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), grid.Editor(0));
        QTest::keyClick(grid.Editor(0), Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), grid.View());

        // Down from a text value goes to the next row's value.
        auto* path = grid.Editor(3)->findChild<QLineEdit*>();
        path->setFocus();
        QTest::keyClick(path, Qt::Key_Down);
        QCOMPARE(grid.Selected(), 4);
        QCOMPARE(QApplication::focusWidget(), grid.Editor(4));
        QTest::keyClick(grid.Editor(4), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), path);
    }

    void CategoriesGroupRowsAndClearEmptiesAll() {
        PropertyList grid;
        grid.AddProperty("A", PropertyList::Text, "First");
        grid.AddProperty("B", PropertyList::Check, "Second");
        grid.AddProperty("C", PropertyList::Text, "First");
        QCOMPARE(grid.View()->topLevelItemCount(), 2);
        QCOMPARE(grid.View()->topLevelItem(0)->text(0), QString("First"));
        QCOMPARE(grid.View()->topLevelItem(0)->childCount(), 2);
        QCOMPARE(grid.Category(2), QString("First"));
        QCOMPARE(grid.IndexOf("C"), 2);

        grid.SetValue("A", "x");
        grid.Clear();
        QCOMPARE(grid.Count(), 0);
        QCOMPARE(grid.View()->topLevelItemCount(), 0);
        QCOMPARE(grid.Value("A"), QString());
        // Numbering starts again after a clear.
        QCOMPARE(grid.AddProperty("D", PropertyList::Text, "First"), 0);
        QCOMPARE(grid.View()->topLevelItemCount(), 1);
    }
};

ZIDE_TEST(PropertyListTest)
#include "PropertyListTest.moc"
