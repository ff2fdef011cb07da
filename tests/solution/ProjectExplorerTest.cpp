#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "TestSupport.h"
#include "controls/Tree.h"
#include "controls/TreeView.h"
#include "solution/IniControl.h"
#include "solution/ProjectExplorer.h"
#include "solution/SolutionState.h"

namespace {

// Records what the pane asks of its host; windows "exist" for the paths and
// keys listed.
class FakeHost : public ProjectHost {
public:
    QStringList windowFiles;
    QStringList windowKeys;
    QStringList calls;

    bool ActivateFileWindow(const QString& path) override {
        const bool shown = windowFiles.contains(path, Qt::CaseInsensitive);
        if (shown)
            calls << "activate file " + path;
        return shown;
    }
    bool ActivateKeyWindow(const QString& key) override {
        const bool shown = windowKeys.contains(key, Qt::CaseInsensitive);
        if (shown)
            calls << "activate key " + key;
        return shown;
    }
    void OpenFileWindow(const QString& path, const QString& key) override {
        calls << "open " + path + " as " + key;
    }
    void SetRemoveEnabled(bool enabled) override {
        calls << (enabled ? "remove on" : "remove off");
    }
    void ShowProjectMenu(const QPoint&) override { calls << "menu"; }
};

QStringList ChildTexts(QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; parent && i < parent->childCount(); ++i)
        texts << parent->child(i)->text(0);
    return texts;
}

}  // namespace

class ProjectExplorerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ProjectExplorer> pane;
    FakeHost host;

    QWidget* Viewport() const { return pane->Tree1->View()->viewport(); }
    QPoint At(const QString& key) const {
        return pane->Tree1->View()->visualItemRect(pane->Tree1->NativeItem(key)).center();
    }
    void Click(const QString& key, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Viewport(), button, {}, At(key));
    }
    void DoubleClick(const QString& key) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(key));
        QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, At(key));
        QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(key));
    }
    QString Module(const QString& name) {
        const QString path = home->File(name);
        WriteAll(path, "Sub Main()\nEnd Sub\n");
        return path;
    }
    // What the main window does with a load: open each module and list the
    // ones not listed yet.
    void Load(const QString& file) {
        for (const QString& path : pane->LoadSolution(file))
            if (!pane->CheckFile(path))
                pane->AddProjectFile(path);
    }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        SolutionState.Reset();
        host = FakeHost();
        pane = std::make_unique<ProjectExplorer>();
        pane->SetHost(&host);
        pane->resize(260, 420);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
    }
    void cleanup() {
        pane.reset();
        home.reset();
        SolutionState.Reset();
    }

    void aResetShowsTheSolutionSourcesAndLibraries() {
        for (const char* name : {"strings.zlm", "Files.ZLM", "arrays.zlm", "notes.txt",
                                 "strings.zbl", "folder.zlm/inner.zlm"})
            WriteAll(home->File(QString("lib/") + name), "");
        pane->InitializeProject();
        Tree* tree = pane->Tree1;
        QCOMPARE(tree->View()->topLevelItemCount(), 1);
        QCOMPARE(tree->NativeItem("root")->text(0), QString("Blank"));
        QCOMPARE(ChildTexts(tree->NativeItem("root")), (QStringList{"Libraries", "Sources"}));
        QCOMPARE(ChildTexts(tree->NativeItem("libs")), (QStringList{"arrays", "Files", "strings"}));
        QCOMPARE(tree->GetItemNode("libs::Files"),
                 (QVariantList{4, 2, "libs::Files", "Files", {}}));
        QCOMPARE(tree->GetItemNode("root").value(1), QVariant(0));
        QCOMPARE(tree->GetItemNode("source").value(1), QVariant(1));
        QCOMPARE(tree->hImageList().Count(), 10);

        SolutionState.Name = "Demo";
        pane->InitializeProject();
        QCOMPARE(tree->NativeItem("root")->text(0), QString("Demo"));
        QCOMPARE(tree->ItemCount(), 6);

        QDir(home->File("lib")).removeRecursively();
        SolutionState.Name = "  ";
        pane->InitializeProject();
        QCOMPARE(tree->NativeItem("root")->text(0), QString("Blank"));
        QCOMPARE(tree->NativeItem("libs")->childCount(), 0);
    }

    void atMost2049LibrariesAreListed() {
        QDir().mkpath(home->File("lib"));
        for (int i = 0; i < 2100; ++i)
            WriteAll(home->File(QString("lib/m%1.zlm").arg(i, 4, 10, QChar('0'))), "");
        pane->InitializeProject();
        QTreeWidgetItem* libs = pane->Tree1->NativeItem("libs");
        QCOMPARE(libs->childCount(), 2049);
        QCOMPARE(libs->child(2048)->text(0), QString("m2048"));
    }

    void aLoadedSolutionSavesBackTheSameList() {
        const QString a = Module("Demo/Demo.zbl");
        const QString b = Module("Demo/src/b.zbl");
        const QString c = Module("Shared/c.zbl");
        const QString file = home->File("Demo/Demo.zsl");
        WriteAll(file,
                 "[Solution]\r\nName=Demo\r\nStartup=Demo.zbl\r\nBuildBatch=\r\n"
                 "FilesCount=4\r\n\r\n[Files]\r\nFile1=Demo.zbl\r\nFile2=src\\b.zbl\r\n"
                 "File3=Demo.zbl\r\nFile4=..\\Shared\\c.zbl\r\n\r\n[Tasks]\r\nCount=0\r\n");
        Load(file);
        QCOMPARE(SolutionState.SolutionPath, file);
        QCOMPARE(SolutionState.Name, QString("Demo"));
        QCOMPARE(SolutionState.Startup, a);
        QCOMPARE(SolutionState.FilesCount, 7);  // continues from the file's count
        QCOMPARE(pane->Tree1->NativeItem("root")->text(0), QString("Demo"));
        QCOMPARE(ChildTexts(pane->Tree1->NativeItem("source")), (QStringList{"Demo", "b", "c"}));
        QCOMPARE(pane->Tree1->GetItemNode("file5"), (QVariantList{3, 5, "file5", "Demo", a}));
        QVERIFY(pane->CheckFile(b));
        QVERIFY(!pane->CheckFile(home->File("Demo/Demo.zsl")));

        const QString copy = home->File("Demo/Copy.zsl");
        QVERIFY(pane->SaveSolution(copy));
        QCOMPARE(mdlIniControl::ReadIniValue(copy, "Files", "File3"), QString("../Shared/c.zbl"));
        Load(copy);
        QCOMPARE(ChildTexts(pane->Tree1->NativeItem("source")), (QStringList{"Demo", "b", "c"}));
        QCOMPARE(SolutionState.Startup, a);
        QVERIFY(pane->CheckFile(c));
    }

    void aHugeCountKeepsKeysUnique() {
        const QString a = Module("h/a.zbl");
        const QString b = Module("h/b.zbl");
        WriteAll(home->File("h/H.zsl"),
                 "[Solution]\nName=H\nFilesCount=2147483647\n[Files]\nFile1=a.zbl\nFile7=b.zbl\n");
        Load(home->File("h/H.zsl"));
        QCOMPARE(pane->Tree1->GetItemNode("file1").value(4), QVariant(a));
        QCOMPARE(pane->Tree1->GetItemNode("file2").value(4), QVariant(b));
    }

    void clicksShowThePathAndRightClicksTheMenu() {
        pane->InitializeProject();
        const QString a = Module("a.zbl");
        pane->AddProjectFile(a);
        Click("file1");
        QCOMPARE(pane->Label1->text(), a);
        QVERIFY(host.calls.isEmpty());

        Click("source", Qt::RightButton);
        QCOMPARE(pane->Label1->text(), QString());
        QCOMPARE(host.calls, QStringList{"remove off"});
        QTRY_COMPARE(host.calls, (QStringList{"remove off", "menu"}));

        host.calls.clear();
        Click("file1", Qt::RightButton);
        QCOMPARE(host.calls, QStringList{"remove on"});
        QTRY_COMPARE(host.calls, (QStringList{"remove on", "menu"}));
    }

    void aClickAfterARemovalShowsTheClickedModule() {
        pane->InitializeProject();
        pane->AddProjectFile(Module("a.zbl"));
        const QString b = Module("b.zbl");
        pane->AddProjectFile(b);
        Click("file1");
        pane->RemoveSelected();  // file2's record moves into the freed slot
        Click("file2");
        QCOMPARE(pane->Label1->text(), b);
    }

    void removingModules() {
        pane->InitializeProject();
        const QString a = Module("a.zbl");
        const QString b = Module("b.zbl");
        pane->AddProjectFile(a);
        pane->AddProjectFile(b);
        SolutionState.Startup = a;

        Click("file2");
        pane->RemoveSelected();
        QCOMPARE(SolutionState.Startup, a);
        QVERIFY(!pane->CheckFile(b));
        QCOMPARE(pane->Label1->text(), QString());

        // Folders and the root never leave, whatever enabled the command.
        for (const char* key : {"source", "root", "libs"}) {
            Click(key);
            pane->RemoveSelected();
        }
        QCOMPARE(pane->Tree1->ItemCount(), 4);

        Click("file1");
        pane->RemoveSelected();
        QCOMPARE(SolutionState.Startup, QString());
        QCOMPARE(ChildTexts(pane->Tree1->NativeItem("source")), QStringList{});
        QCOMPARE(pane->Tree1->NativeItem("root")->childCount(), 2);
    }

    void doubleClicksOpenOrActivate() {
        WriteAll(home->File("lib/gone.zlm"), "");  // its source is missing
        WriteAll(home->File("lib/here.zlm"), "");
        WriteAll(home->File("lib/here.zbl"), "");
        pane->InitializeProject();
        const QString a = Module("src/a.zbl");
        pane->AddProjectFile(a);
        pane->AddFile("file7", "");  // never saved
        host.windowFiles << home->File("lib/HERE.ZBL");

        DoubleClick("libs::gone");
        DoubleClick("libs::here");
        DoubleClick("file1");
        host.windowKeys << "FILE1";
        DoubleClick("file1");
        DoubleClick("file7");
        DoubleClick("source");
        DoubleClick("root");
        QCOMPARE(host.calls, (QStringList{"open " + home->File("lib/gone.zbl") + " as ",
                                          "activate file " + home->File("lib/here.zbl"),
                                          "open " + a + " as file1", "activate key file1"}));
    }

    void renamingTheRootAndSavedModules() {
        pane->InitializeProject();
        pane->AddFile("file3", "", ProjectExplorer::NewModuleImage);
        const QString saved = Module("saved.zbl");
        pane->UpdateFile("file3", saved);
        QCOMPARE(pane->Tree1->GetItemNode("file3"), (QVariantList{3, 4, "file3", "saved", saved}));
        pane->UpdateFile("source", saved);  // only modules take a path
        QCOMPARE(pane->Tree1->GetItemTag("source"), QVariant());
        pane->RenameRoot("Renamed");
        QCOMPARE(pane->Tree1->NativeItem("root")->text(0), QString("Renamed"));
        pane->RenameRoot("");
        QCOMPARE(pane->Tree1->NativeItem("root")->text(0), QString("Blank"));
        pane->DropFile("file3");
        pane->DropFile("libs");
        QCOMPARE(pane->Tree1->ItemCount(), 3);
    }

    void theStripHoldsThePathBelowTheTree() {
        QCOMPARE(pane->objectName(), QString("Form6"));
        QCOMPARE(pane->findChild<QLabel*>("Label2")->text(), QString("FileName"));
        pane->resize(260, 500);
        QTRY_COMPARE(pane->Shape1->geometry().bottom(), pane->height() - 1);
        QCOMPARE(pane->Shape1->height(), 1400 / 15);
        QVERIFY(pane->Tree1->geometry().bottom() < pane->Shape1->geometry().top());
        QVERIFY(pane->Tree1->height() > 350);
        // A long path does not make the pane wider.
        pane->Label1->setText(QString(400, 'x'));
        QVERIFY(pane->minimumSizeHint().width() < 260);
    }
};

ZIDE_TEST(ProjectExplorerTest)

#include "ProjectExplorerTest.moc"
