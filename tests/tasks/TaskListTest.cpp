#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "TestSupport.h"
#include "controls/ButtonXP.h"
#include "controls/List.h"
#include "solution/IniControl.h"
#include "solution/SolutionState.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskListPane.h"

namespace {

// A solution written on Windows: CR LF, the task section between the others.
const QByteArray WindowsSolution =
    "[Solution]\r\nName=Demo\r\nStartup=Demo.zbl\r\nBuildBatch=\r\nFilesCount=1\r\n\r\n"
    "[Tasks]\r\nCount=1\r\nItem0=Old task\r\n\r\n"
    "[Files]\r\nFile1=Demo.zbl\r\n";

// The [Tasks] section as it reads back: Count, then Item0 .. Item<Count-1>.
QStringList StoredTasks(const QString& file) {
    using mdlIniControl::ReadIniValue;
    const int count = ReadIniValue(file, "Tasks", "Count").toInt();
    QStringList stored{QString::number(count)};
    for (int i = 0; i < count; ++i)
        stored << ReadIniValue(file, "Tasks", QStringLiteral("Item%1").arg(i));
    return stored;
}

// Every line of `bytes` outside the [Tasks] section, in order.
QList<QByteArray> OtherLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    bool inTasks = false;
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            inTasks = trimmed.toLower() == "[tasks]";
        if (!inTasks && !trimmed.isEmpty())
            lines << line;
    }
    return lines;
}

void Click(ButtonXP* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
}

// One pane in a shown window, over a solution file of its own.
struct Fixture {
    TestHome home;
    QString file = home.File("Demo/Demo.zsl");
    QWidget window;
    std::unique_ptr<TaskListPane> pane;

    explicit Fixture(const QByteArray& contents = WindowsSolution, bool withSolution = true) {
        if (withSolution) {
            WriteAll(file, contents);
            SolutionState.SolutionPath = "  " + file + " ";
        } else {
            SolutionState.SolutionPath.clear();
        }
        window.resize(520, 300);
        new QVBoxLayout(&window);
        Open();
    }
    ~Fixture() {
        pane.reset();
        SolutionState.Reset();
    }
    void Open() {
        pane.reset();
        pane = std::make_unique<TaskListPane>();
        window.layout()->addWidget(pane.get());
    }
    bool Show() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    ButtonXP* Button(const char* name) const { return pane->findChild<ButtonXP*>(name); }
    List* Tasks() const { return pane->findChild<List*>("List1"); }
    QLineEdit* Edit() const { return Tasks()->Text1Widget(); }
    // Types into the open in-place edit and accepts it.
    void Type(const QString& text) const {
        QTRY_VERIFY(Edit()->hasFocus());
        Edit()->selectAll();
        QTest::keyClicks(Edit(), text);
        QTest::keyClick(Edit(), Qt::Key_Return);
    }
};

}  // namespace

class TaskFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsItemsBelowCountInOrderTrimmedWithoutBlanks() {
        TestHome home;
        const QString file = home.File("t.zsl");
        WriteAll(file,
                 "[Tasks]\nItem1=  second  \nCOUNT=5\nitem0=first\nITEM0=a later twin\n"
                 "Item2=\t \nItem4=\"  quoted  \"\nItem5=beyond the count\nItem3=\n"
                 "[Other]\nItem3=not a task\n[tasks]\nItem3=second section\n");
        QCOMPARE(TaskFile::Read(file), (QStringList{"first", "second", "quoted"}));

        for (const char* count : {"", "Count=\n", "Count=0\n", "Count=-2\n", "Count=many\n"}) {
            WriteAll(file, QByteArray("[Tasks]\n") + count + "Item0=a\nItem1=b\n");
            QVERIFY2(TaskFile::Read(file).isEmpty(), count);
        }
        // Folders, devices and missing files hold no tasks either.
        QVERIFY(TaskFile::Read(home.Path()).isEmpty());
        QVERIFY(TaskFile::Read("/dev/zero").isEmpty());
        QVERIFY(TaskFile::Read(home.File("missing.zsl")).isEmpty());
    }

    void aHugeCountReadsOnlyTheKeysThere() {
        TestHome home;
        const QString file = home.File("t.zsl");
        WriteAll(file,
                 "[Tasks]\r\nCount=99999999\r\nItem0=one\r\nItem2=three\r\n"
                 "Item99999998=last\r\nItem99999999=past the end\r\nItem007=not Item7\r\n");
        QCOMPARE(TaskFile::Read(file), (QStringList{"one", "three", "last"}));
        WriteAll(file, "[Tasks]\nCount=2147483648000\nItem1=far\n");
        QCOMPARE(TaskFile::Read(file), QStringList{"far"});
    }

    void writingReplacesOnlyTheTaskSection() {
        TestHome home;
        const QString file = home.File("t.zsl");
        WriteAll(file, WindowsSolution);
        QVERIFY(TaskFile::Write(file, {"  Check the linker settings ", "New Task"}));
        const QByteArray bytes = ReadAll(file);
        QCOMPARE(OtherLines(bytes), OtherLines(WindowsSolution));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
        QVERIFY(
            bytes.endsWith("[Tasks]\r\nCount=2\r\nItem0=Check the linker settings\r\n"
                           "Item1=New Task\r\n"));
        QVERIFY(!bytes.contains("Old task"));
    }
};

class TaskListPaneTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyChangeIsInTheFileAtOnceAndSurvivesAReload() {
        Fixture f;
        QVERIFY(f.Show());
        QCOMPARE(f.pane->Tasks(), QStringList{"Old task"});
        QVERIFY(!f.Tasks()->RowImage().isNull());

        // Add writes "New Task" at once, the end of the edit writes the text.
        Click(f.Button("xp1"));
        QCOMPARE(StoredTasks(f.file), (QStringList{"2", "Old task", "New Task"}));
        f.Type("  Check the linker settings  ");
        QCOMPARE(StoredTasks(f.file), (QStringList{"2", "Old task", "Check the linker settings"}));

        Click(f.Button("xp1"));
        f.Type("Write the help");
        Click(f.Button("ButtonXP2"));
        QCOMPARE(StoredTasks(f.file),
                 (QStringList{"3", "Old task", "Write the help", "Check the linker settings"}));
        f.Tasks()->SetListIndex(0);
        Click(f.Button("ButtonXP3"));
        Click(f.Button("xp2"));
        QCOMPARE(f.Edit()->text(), QString("Old task"));
        f.Type("Ship it");
        QCOMPARE(StoredTasks(f.file),
                 (QStringList{"3", "Write the help", "Ship it", "Check the linker settings"}));

        f.Tasks()->SetListIndex(0);
        Click(f.Button("ButtonXP1"));
        QCOMPARE(StoredTasks(f.file), (QStringList{"2", "Ship it", "Check the linker settings"}));
        f.Open();
        QCOMPARE(f.pane->Tasks(), (QStringList{"Ship it", "Check the linker settings"}));

        // Removing the last entry leaves a count of 0 and no items.
        for (int i = 0; i < 3; ++i) {
            f.Tasks()->SetListIndex(0);
            Click(f.Button("ButtonXP1"));
        }
        QCOMPARE(StoredTasks(f.file), QStringList{"0"});
        QVERIFY(!ReadAll(f.file).contains("Item"));
        QCOMPARE(OtherLines(ReadAll(f.file)), OtherLines(WindowsSolution));
    }

    void aButtonEndsTheOpenEditFirst() {
        Fixture f("[Tasks]\nCount=2\nItem0=a\nItem1=b\n");
        QVERIFY(f.Show());
        f.Tasks()->SetListIndex(0);
        Click(f.Button("xp2"));
        QTRY_VERIFY(f.Edit()->hasFocus());
        f.Edit()->setText("edited");
        // The buttons take no focus, so the edit is still open when one is clicked.
        Click(f.Button("ButtonXP3"));
        QVERIFY(!f.Tasks()->IsEditing());
        QCOMPARE(StoredTasks(f.file), (QStringList{"2", "b", "edited"}));

        Click(f.Button("xp2"));
        f.Edit()->setText("removed with its row");
        Click(f.Button("ButtonXP1"));
        QCOMPARE(StoredTasks(f.file), (QStringList{"1", "b"}));

        // Loading another solution's tasks drops an edit of the old rows
        // instead of writing them over the new file.
        Click(f.Button("xp2"));
        f.Edit()->setText("of the old solution");
        const QString other = f.home.File("Other/Other.zsl");
        WriteAll(other, "[Tasks]\nCount=1\nItem0=theirs\n");
        SolutionState.SolutionPath = other;
        f.pane->LoadTasks();
        QVERIFY(!f.Tasks()->IsEditing());
        f.window.setFocus();
        QCOMPARE(f.pane->Tasks(), QStringList{"theirs"});
        QCOMPARE(ReadAll(other), QByteArray("[Tasks]\nCount=1\nItem0=theirs\n"));
    }

    void withoutASolutionTheDefaultSolutionHoldsTheTasks() {
        Fixture f({}, false);
        const QString defaults = f.home.File("!default.zsl");
        const QByteArray shipped = ReadAll(defaults);
        QVERIFY(f.Show());
        Click(f.Button("xp1"));
        f.Type("Default task");
        QCOMPARE(StoredTasks(defaults), (QStringList{"1", "Default task"}));
        QCOMPARE(OtherLines(ReadAll(defaults)), OtherLines(shipped));
    }

    void closingThePaneSavesEvenAnOpenEdit() {
        Fixture f("[Tasks]\nCount=1\nItem0=a\n");
        QVERIFY(f.Show());
        f.Tasks()->SetListIndex(0);
        Click(f.Button("xp2"));
        QTRY_VERIFY(f.Edit()->hasFocus());
        f.Edit()->setText("kept on close");
        // The main window is hidden before its panes go.
        f.window.hide();
        f.pane.reset();
        QCOMPARE(StoredTasks(f.file), (QStringList{"1", "kept on close"}));
    }
};

ZIDE_TEST(TaskFileTest)
ZIDE_TEST(TaskListPaneTest)

#include "TaskListTest.moc"
