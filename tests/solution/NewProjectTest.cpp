#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "TestSupport.h"
#include "controls/ButtonXP.h"
#include "controls/Tree.h"
#include "solution/NewProject.h"
#include "solution/ProjectExplorer.h"
#include "solution/ProjectTemplates.h"
#include "solution/SolutionState.h"

namespace {

const QString Date = "24/12/26";
const QString MissingInfo = "Type all information !";
const QString FolderError = "Error creating project folder !";

// Records what the dialog asks of the main window, in order.
class FakeHost : public NewProjectHost {
public:
    bool closes = true;
    QStringList calls;
    QString text;

    bool CloseDocuments() override {
        calls << "close";
        return closes;
    }
    void OpenProjectModule(const QString& path, const QString& key,
                           const QString& moduleText) override {
        calls << "open " + path + " as " + key;
        text = moduleText;
    }
    void RefreshCommands() override { calls << "refresh"; }
};

bool SameRecord(const SolutionRecord& a, const SolutionRecord& b) {
    return a.Name == b.Name && a.SolutionPath == b.SolutionPath && a.Startup == b.Startup &&
           a.BuildBatch == b.BuildBatch && a.FilesCount == b.FilesCount;
}

QStringList ChildTexts(QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; parent && i < parent->childCount(); ++i)
        texts << parent->child(i)->text(0);
    return texts;
}

}  // namespace

class ProjectTemplatesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void TemplatesAreExactBytes() {
        using namespace ProjectTemplates;
        QCOMPARE(GuiTemplate(Date),
                 QString("Option Explicit\r\nOption Console OFF\r\n\r\n"
                         "'Zorbel file for application\r\n'Date : 24/12/26\r\n\r\n"
                         "Sub Main 'default main procedure, start program from here\r\n\r\n"
                         "End Sub"));
        QCOMPARE(ConsoleTemplate(Date),
                 QString("Option Explicit\r\nOption Console ON\r\n\r\n"
                         "'Zorbel file for application\r\n'Date : 24/12/26\r\n\r\n"
                         "Sub Main 'default main procedure, start program from here\r\n\r\n"
                         "End Sub"));
        QCOMPARE(DllTemplate(Date),
                 QString("Option Explicit\r\nOption DLL ON\r\n\r\n'Zorbel file for dll\r\n"
                         "'Date : 24/12/26\r\n\r\n"
                         "EXPORT FUNCTION SomeName(strAny As String) As Long\r\n\r\n"
                         "End Function"));
        // Ends right after the date: no blank line, no line break.
        QCOMPARE(InterfaceTemplate(Date),
                 QString("INTERFACE NOSKIP\r\n\r\nOption Explicit\r\n\r\n"
                         "'Zorbel file for application\r\n'Date : 24/12/26"));
        QCOMPARE(TemplateFor(2, Date), ConsoleTemplate(Date));
        QCOMPARE(TemplateFor(-1, Date), QString());  // no type chosen: empty module
    }
};

class NewProjectTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ProjectExplorer> explorer;
    std::unique_ptr<ScriptedPrompt> prompt;
    FakeHost host;
    QString location;

    std::unique_ptr<NewProject> Open() {
        auto dialog = std::make_unique<NewProject>(explorer.get(), &host);
        dialog->SetDate(Date);
        return dialog;
    }
    QString Root() const { return explorer->Tree1->NativeItem("root")->text(0); }

    // After a refusal: one message with `text`, the dialog still open with
    // what was typed, and nothing of the open solution or the disk changed.
    void CheckRefused(NewProject& dialog, const QString& text, const QString& name,
                      const SolutionRecord& before) {
        QCOMPARE(prompt->asked.size(), size_t(1));
        QCOMPARE(prompt->asked[0].kind, QString("message"));
        QCOMPARE(prompt->asked[0].title, QString("Error !"));
        QCOMPARE(prompt->asked[0].text, text);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.Text2->text(), name);
        QVERIFY(SameRecord(SolutionState, before));
        QCOMPARE(Root(), QString("Old"));
        QVERIFY(host.calls.isEmpty());
        prompt->asked.clear();
    }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        prompt = std::make_unique<ScriptedPrompt>();
        explorer = std::make_unique<ProjectExplorer>();
        host = FakeHost{};
        SolutionState.Reset();
        SolutionState.Name = "Old";
        SolutionState.SolutionPath = home->File("old/Old.zsl");
        SolutionState.Startup = home->File("old/a.zbl");
        SolutionState.BuildBatch = home->File("tools/make.bat");
        SolutionState.FilesCount = 7;
        explorer->InitializeProject();
        explorer->AddFile("file7", home->File("old/a.zbl"));
        location = home->File("work");
    }
    void cleanup() {
        explorer.reset();
        prompt.reset();
        home.reset();
        SolutionState.Reset();
    }

    void OpensWithItsFieldsAndTexts() {
        const auto dialog = Open();
        QCOMPARE(dialog->objectName(), QString("Form12"));
        QCOMPARE(dialog->windowTitle(), QString(" New Project ..."));
        QCOMPARE(dialog->Text2->text(), QString("Project1"));
        QCOMPARE(dialog->Text1->text(), home->File("projects"));
        QCOMPARE(NewProject::DefaultLocation(), home->File("projects"));
        const QByteArray zideHome = qgetenv("ZIDE_HOME");
        qunsetenv("ZIDE_HOME");
        QCOMPARE(NewProject::DefaultLocation(), QDir::homePath() + "/Zorbel Projects");
        qputenv("ZIDE_HOME", zideHome);
        QCOMPARE(dialog->Combo1->currentIndex(), 0);
        QStringList types;
        for (int i = 0; i < dialog->Combo1->count(); ++i)
            types << dialog->Combo1->itemText(i);
        QCOMPARE(types, (QStringList{"GUI", "DLL", "Console", "Interface"}));
        QStringList texts;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts << label->text();
        for (const char* fixed :
             {"Create new Zorbel project.",
              "Enter name of new project and select location, where new project will be created.",
              "The new folder will be automaticaly created in defined location.",
              "Name :", "Location :", "Type :"})
            QVERIFY2(texts.contains(QString(fixed)), fixed);
        QCOMPARE(dialog->findChild<QPushButton*>("Command1")->text(), QString("Create"));
        QCOMPARE(dialog->findChild<QPushButton*>("Command2")->text(), QString("Cancel"));
        QVERIFY(dialog->findChild<ButtonXP*>("ButtonXP1"));
    }

    void BrowseFillsOrEmptiesTheLocation() {
        const auto dialog = Open();
        prompt->paths = {"  /srv/projects  ", ""};
        Q_EMIT dialog->ButtonXP1->Click();
        QCOMPARE(dialog->Text1->text(), QString("/srv/projects"));
        QCOMPARE(prompt->asked.at(0).kind, QString("folder"));
        Q_EMIT dialog->ButtonXP1->Click();
        QCOMPARE(dialog->Text1->text(), QString());
    }

    // The next dialog offers the folder the last project went to, while it
    // is there; a refused project does not move it.
    void OffersTheLastLocationUsed() {
        {
            const auto dialog = Open();
            dialog->Text2->setText("Demo");
            dialog->Text1->setText(location);
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        QCOMPARE(Open()->Text1->text(), location);
        {
            const auto refused = Open();
            refused->Text2->setText("Demo");
            refused->Text1->setText(home->File("elsewhere/Demo/x"));
            QDir().mkpath(home->File("elsewhere/Demo/x/Demo"));
            QTest::mouseClick(refused->Command1, Qt::LeftButton);
            QCOMPARE(refused->result(), int(QDialog::Rejected));
        }
        QCOMPARE(Open()->Text1->text(), location);
        QVERIFY(QDir(location).removeRecursively());
        QCOMPARE(Open()->Text1->text(), home->File("projects"));
    }

    void CreatesTheProjectAndReplacesTheSolution() {
        const auto dialog = Open();
        dialog->Text2->setText("  Demo  ");
        dialog->Text1->setText(" " + location + " ");  // not there yet: made too
        dialog->Combo1->setCurrentIndex(ProjectTemplates::Console);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);

        QVERIFY(prompt->asked.empty());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const QString folder = location + "/Demo";
        const QString module = folder + "/Demo.zbl";
        const QString solution = folder + "/Demo.zsl";
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 (QStringList{"Demo.zbl", "Demo.zsl"}));
        QCOMPARE(ReadAll(module), ProjectTemplates::ConsoleTemplate(Date).toUtf8());
        QCOMPARE(ReadAll(solution), QByteArray("[Solution]\r\nName=Demo\r\nStartup=Demo.zbl\r\n"
                                               "BuildBatch=../../tools/make.bat\r\nFilesCount=1\r\n"
                                               "[Files]\r\nFile1=Demo.zbl\r\n"));

        QCOMPARE(SolutionState.Name, QString("Demo"));
        QCOMPARE(SolutionState.SolutionPath, solution);
        QCOMPARE(SolutionState.Startup, module);
        QCOMPARE(SolutionState.BuildBatch, home->File("tools/make.bat"));
        QCOMPARE(SolutionState.FilesCount, 1);

        // The documents close before the module opens under the key the tree
        // gives it.
        QCOMPARE(host.calls, (QStringList{"close", "open " + module + " as file1", "refresh"}));
        QCOMPARE(host.text, ProjectTemplates::ConsoleTemplate(Date));
        QCOMPARE(Root(), QString("Demo"));
        QCOMPARE(ChildTexts(explorer->Tree1->NativeItem("source")), QStringList{"Demo"});
        QCOMPARE(explorer->Tree1->GetItemNode("file1").value(4), QVariant(module));
        QCOMPARE(explorer->Tree1->GetItemNode("file1").value(1),
                 QVariant(int(ProjectExplorer::NewModuleImage)));
        QVERIFY(explorer->Tree1->NativeItem("libs"));
        QVERIFY(!explorer->CheckFile(home->File("old/a.zbl")));
    }

    void ModalRunKeepsOpenAfterAMessage() {
        // The dialog as the command shows it: a refused Create leaves it
        // open for another try; the second one closes it.
        int step = 0;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<NewProject*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (step == 0) {
                dialog->SetDate(Date);
                dialog->Text2->setText("");
                dialog->Command1->click();
            } else if (step == 1) {
                dialog->Text2->setText("Shown");
                dialog->Text1->setText(location);
                dialog->Combo1->setCurrentIndex(ProjectTemplates::Interface);
                dialog->Command1->click();
            }
            ++step;
        });
        driver.start(20);
        QVERIFY(NewProject::Ask(explorer.get(), &host, nullptr));
        QCOMPARE(step, 2);
        QCOMPARE(prompt->asked.size(), size_t(1));
        QCOMPARE(prompt->asked[0].text, MissingInfo);
        QCOMPARE(ReadAll(location + "/Shown/Shown.zbl"),
                 ProjectTemplates::InterfaceTemplate(Date).toUtf8());
    }

    void RefusesWhatCannotBecomeAProject() {
        const SolutionRecord before = SolutionState;
        WriteAll(location + "/Folder/keep.zbl", "kept");
        WriteAll(location + "/Plain", "a file");
        const QString exists = "Project \"%1\" exist in specified location !";
        const struct {
            QString name, location, text;
        } cases[] = {
            {"   ", location, MissingInfo},
            {"Demo", " ", MissingInfo},
            {"Folder", location, exists.arg("Folder")},
            {" Plain ", location, exists.arg("Plain")},  // a file, not a folder
            {"Demo", location + "/Plain/sub", FolderError},
            {"a/b", location, FolderError},   // would make two folders
            {"a\\b", location, FolderError},  // so would its solution file
        };
        const auto dialog = Open();
        for (const auto& c : cases) {
            dialog->Text2->setText(c.name);
            dialog->Text1->setText(c.location);
            QVERIFY(!dialog->Create());
            CheckRefused(*dialog, c.text, c.name, before);
        }
        QCOMPARE(ReadAll(location + "/Plain"), QByteArray("a file"));
        QCOMPARE(QDir(location).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"Folder", "Plain"}));
        QCOMPARE(QDir(location + "/Folder").entryList(QDir::Files), QStringList{"keep.zbl"});
    }

    void KeptDocumentGivesUpTheProject() {
        const SolutionRecord before = SolutionState;
        host.closes = false;
        const auto dialog = Open();
        dialog->Text1->setText(location);
        dialog->Text2->setText("Demo");
        QVERIFY(!dialog->Create());
        QCOMPARE(host.calls, QStringList{"close"});
        QVERIFY(SameRecord(SolutionState, before));
        QCOMPARE(Root(), QString("Old"));
        QVERIFY(!QFileInfo::exists(location + "/Demo"));
        QVERIFY(prompt->asked.empty());
    }

    void CancelChangesNothing() {
        const SolutionRecord before = SolutionState;
        const auto dialog = Open();
        dialog->Text1->setText(location);
        dialog->Text2->setText("");
        QVERIFY(!dialog->Create());  // a failed attempt first
        dialog->Text2->setText("Demo");
        dialog->show();
        QTest::mouseClick(dialog->Command2, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(SameRecord(SolutionState, before));
        QCOMPARE(Root(), QString("Old"));
        QCOMPARE(explorer->Tree1->GetItemNode("file7").value(4), QVariant(home->File("old/a.zbl")));
        QVERIFY(!QFileInfo::exists(location));
        QVERIFY(host.calls.isEmpty());
    }
};

ZIDE_TEST(ProjectTemplatesTest)
ZIDE_TEST(NewProjectTest)

#include "NewProjectTest.moc"
