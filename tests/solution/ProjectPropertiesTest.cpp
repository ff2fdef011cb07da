#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "TestSupport.h"
#include "controls/Tree.h"
#include "solution/IniControl.h"
#include "solution/ProjectExplorer.h"
#include "solution/ProjectProperties.h"
#include "solution/PropertyList.h"
#include "solution/SolutionProperties.h"
#include "solution/SolutionState.h"

namespace {

const QByteArray SolutionText =
    "[Solution]\r\nName=Demo\r\nStartup=a.zbl\r\nBuildBatch=\r\nFilesCount=2\r\n\r\n"
    "[Files]\r\nFile1=a.zbl\r\nFile2=b.zbl\r\n\r\n[Tasks]\r\nCount=1\r\nTask1=check it\r\n";

const QString UnsavedWarning = " File must be saved before select it !    ";

QStringList EntryTexts(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

}  // namespace

class ProjectPropertiesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ProjectExplorer> explorer;
    std::unique_ptr<ScriptedPrompt> prompt;

    std::unique_ptr<ProjectProperties> Open() {
        return std::make_unique<ProjectProperties>(explorer.get());
    }
    // A solution "Demo" with modules a and b saved beside its file, and the
    // module "file3" never saved between them in the tree.
    QString SolutionWithModules() {
        const QString file = home->File("Demo/Demo.zsl");
        WriteAll(home->File("Demo/a.zbl"), "Sub Main()\nEnd Sub\n");
        WriteAll(home->File("Demo/b.zbl"), "");
        WriteAll(file, SolutionText);
        explorer->LoadSolution(file);
        explorer->AddFile("file1", home->File("Demo/a.zbl"));
        explorer->AddNewModule("file3");
        explorer->AddFile("file2", home->File("Demo/b.zbl"));
        return file;
    }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        SolutionState.Reset();
        explorer = std::make_unique<ProjectExplorer>();
        explorer->InitializeProject();
        prompt = std::make_unique<ScriptedPrompt>();
    }
    void cleanup() {
        prompt.reset();
        explorer.reset();
        home.reset();
        SolutionState.Reset();
    }

    void pagesAndTheirProperties() {
        auto dialog = Open();
        QCOMPARE(dialog->objectName(), QString("Form9"));
        QCOMPARE(dialog->windowTitle(), QString(" Project Properties"));
        for (const char* name : {"Tree1", "Label5", "Prop", "Label2", "Label3", "Combo1", "Combo2",
                                 "Text2", "Command6", "Command3", "Command1", "Command2", "Text1"})
            QVERIFY2(dialog->findChild<QWidget*>(name), name);
        QCOMPARE(EntryTexts(dialog->Combo2), (QStringList{"Debug", "Release"}));
        QCOMPARE(dialog->Combo2->currentIndex(), 0);

        Tree* tree = dialog->Tree1;
        QCOMPARE(tree->ItemCount(), 11);
        QCOMPARE(tree->NativeItem("prSteps")->text(0), QString("Custom Buils Steps"));
        QCOMPARE(tree->NativeItem("coVersion")->parent(), tree->NativeItem("prCompiler"));
        QCOMPARE(tree->NativeItem("root")->childCount(), 5);
        QCOMPARE(tree->GetItemNode("prGeneral").value(1), QVariant(3));
        QCOMPARE(tree->ItemKey(), QString("prGeneral"));

        PropertyList* grid = dialog->Prop;
        QCOMPARE(grid->Count(), 9);
        QCOMPARE(grid->Name(0), QString("Configuration Type"));
        QCOMPARE(grid->KindOf(1), int(PropertyList::Check));
        QCOMPARE(grid->Choices(3),
                 (QStringList{"Don't Use Exception Handling", "Allow Exception Handling"}));
        QCOMPARE(grid->KindOf(8), int(PropertyList::Text));
        for (int i = 0; i < grid->Count(); ++i)
            QCOMPARE(grid->Value(i), QString());

        // The description follows the selected property.
        grid->Select(4);
        QCOMPARE(dialog->Label2->text(), QString("Generate C++ header"));
        QCOMPARE(dialog->Label3->text(), QString("Zorbel generate header [.h] file.    (-h)"));

        tree->SelectItem("prDebugging");
        QCOMPARE(dialog->Label5->text(), QString("Debugging"));
        QCOMPARE(grid->Count(), 3);
        QCOMPARE(grid->KindOf(0), int(PropertyList::Path));
        QCOMPARE(grid->KindOf(2), int(PropertyList::Path));
        QCOMPARE(dialog->Label2->text(), QString("Description"));

        tree->SelectItem("coCommand");
        QCOMPARE(dialog->Label5->text(), QString("Command Line"));
        QCOMPARE(grid->Count(), 0);
    }

    void aSolutionWithoutModulesOffersOnlyNone() {
        SolutionState.Startup = "/gone/x.zbl";
        auto dialog = Open();
        QCOMPARE(EntryTexts(dialog->Combo1), QStringList{"[None]"});
        QCOMPARE(dialog->Combo1->currentIndex(), 0);
        dialog->Command3->click();
        QCOMPARE(SolutionState.Startup, QString());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));

        // Without an explorer at all the list is the same.
        ProjectProperties lone(nullptr);
        QCOMPARE(EntryTexts(lone.Combo1), QStringList{"[None]"});
    }

    void theStartupModuleIsPreselectedAndCommitted() {
        SolutionWithModules();
        SolutionState.BuildBatch = "/old/make.bat";
        SolutionState.Name = "Renamed";
        auto dialog = Open();
        QCOMPARE(EntryTexts(dialog->Combo1), (QStringList{"[None]", "a", "blank", "b"}));
        QCOMPARE(dialog->Combo1->currentText(), QString("a"));
        QCOMPARE(dialog->Text2->text(), QString("/old/make.bat"));
        QVERIFY(prompt->asked.empty());  // loading never warns

        dialog->Combo1->setCurrentIndex(3);
        dialog->Text2->setText("  /new/build.sh  ");
        dialog->Command3->click();
        QCOMPARE(SolutionState.Startup, home->File("Demo/b.zbl"));
        QCOMPARE(SolutionState.BuildBatch, QString("/new/build.sh"));
        QCOMPARE(explorer->Tree1->NativeItem("root")->text(0), QString("Renamed"));
        QVERIFY(prompt->asked.empty());

        dialog = Open();
        dialog->Combo1->setCurrentIndex(0);
        dialog->Command3->click();
        QCOMPARE(SolutionState.Startup, QString());
    }

    void anUnsavedModuleCannotBeTheStartup() {
        SolutionWithModules();
        SolutionState.Startup.clear();
        auto dialog = Open();
        // No start-up module: "[None]", not the module without a path.
        QCOMPARE(dialog->Combo1->currentIndex(), 0);
        dialog->Combo1->setCurrentIndex(2);
        QCOMPARE(prompt->asked.size(), size_t(1));
        QCOMPARE(prompt->asked[0].kind, QString("message"));
        QCOMPARE(prompt->asked[0].title, QString("Warning !"));
        QCOMPARE(prompt->asked[0].text, UnsavedWarning);
        QCOMPARE(dialog->Combo1->currentIndex(), -1);
        dialog->Command3->click();
        QCOMPARE(SolutionState.Startup, QString());
    }

    void cancelChangesNothing() {
        const QString file = SolutionWithModules();
        SolutionState.BuildBatch = "make.bat";
        const SolutionRecord before = SolutionState;
        auto dialog = Open();
        dialog->Text2->setText("other.bat");
        dialog->Combo1->setCurrentIndex(3);
        dialog->Prop->SetValue("Description", "never kept");
        dialog->Command1->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(SolutionState.BuildBatch, before.BuildBatch);
        QCOMPARE(SolutionState.Startup, before.Startup);
        QCOMPARE(ReadAll(file), SolutionText);
        dialog->Command2->click();  // Help does nothing, not even close
    }

    void browsingForTheBatch() {
        prompt->paths << "  /home/me/make.sh "
                      << "   ";
        auto dialog = Open();
        dialog->Text2->setText("kept.bat");
        dialog->Command6->click();
        QCOMPARE(dialog->Text2->text(), QString("/home/me/make.sh"));
        QCOMPARE(prompt->asked[0].kind, QString("open"));
        QCOMPARE(prompt->asked[0].title, QString("Open File ..."));
        QVERIFY(prompt->asked[0].text.startsWith("Executable Files (*.exe *.com *.bat)"));
        dialog->Command6->click();
        QCOMPARE(dialog->Text2->text(), QString("/home/me/make.sh"));
    }

    void propertiesAreKeptInTheSolutionFile() {
        const QString file = SolutionWithModules();
        auto dialog = Open();
        PropertyList* grid = dialog->Prop;
        grid->SetValue("Configuration Type", "Win32 Aplication");
        grid->SetValue("Use of COM", "True");
        grid->SetValue("Redirect Outputs", "False");
        grid->SetValue("Description", " \"quoted\" and blank ");
        dialog->Tree1->SelectItem("prDebugging");
        grid->SetValue("Command", "/usr/bin/env");
        grid->SetValue("Command Arguments", "'one' two");
        grid->SetValue("Working Directory", "/tmp/run here");
        // Values survive a change of page while the dialog is open.
        dialog->Tree1->SelectItem("prGeneral");
        QCOMPARE(grid->Value("Use of COM"), QString("True"));
        dialog->Command3->click();

        const QByteArray written = ReadAll(file);
        QVERIFY2(written.startsWith(SolutionText), written.constData());
        QCOMPARE(mdlIniControl::ReadIniValue(file, "Properties", "UseCOM"), QString("True"));
        QCOMPARE(mdlIniControl::ReadIniValue(file, "Properties", "UseActiveX"), QString());
        QVERIFY(!written.contains("UseActiveX"));

        const auto run = SolutionProperties::ReadRunSettings(file);
        QCOMPARE(run.command, QString("/usr/bin/env"));
        QCOMPARE(run.arguments, QString("'one' two"));
        QCOMPARE(run.workingDirectory, QString("/tmp/run here"));

        // A saved solution keeps the section.
        explorer->SaveSolution(file);
        dialog = Open();
        grid = dialog->Prop;
        QCOMPARE(grid->Value("Configuration Type"), QString("Win32 Aplication"));
        QCOMPARE(grid->Value("Use of COM"), QString("True"));
        QCOMPARE(grid->Value("Redirect Outputs"), QString("False"));
        QCOMPARE(grid->Value("Use Exception Handling"), QString());
        QCOMPARE(grid->Value("Description"), QString(" \"quoted\" and blank "));
        dialog->Tree1->SelectItem("prDebugging");
        QCOMPARE(grid->Value("Working Directory"), QString("/tmp/run here"));

        // Emptying a value takes it out of what is read back.
        grid->SetValue("Command", "");
        dialog->Command3->click();
        QCOMPARE(SolutionProperties::ReadRunSettings(file).command, QString());
        QCOMPARE(SolutionProperties::ReadRunSettings(file).arguments, QString("'one' two"));
        QCOMPARE(mdlIniControl::ReadIniValue(file, "Tasks", "Task1"), QString("check it"));
    }

    void nothingIsWrittenWithoutASolutionFile() {
        SolutionState.SolutionPath = home->File("nowhere/New.zsl");
        auto dialog = Open();
        dialog->Prop->SetValue("Description", "lost");
        dialog->Command3->click();
        QVERIFY(!QFileInfo::exists(SolutionState.SolutionPath));
        dialog = Open();
        QCOMPARE(dialog->Prop->Value("Description"), QString());

        // The default solution is never written.
        const QString defaultFile = home->File("!default.zsl");
        WriteAll(defaultFile, "[Solution]\nName=Default\n");
        SolutionState.SolutionPath = defaultFile;
        dialog = Open();
        dialog->Prop->SetValue("Description", "not here");
        dialog->Command3->click();
        QCOMPARE(ReadAll(defaultFile), QByteArray("[Solution]\nName=Default\n"));
    }
};

// The section on its own, as the build reads it.
class SolutionPropertiesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(false); }
    void cleanup() { home.reset(); }

    void missingFilesAndSectionsReadEmpty() {
        const auto none = SolutionProperties::ReadRunSettings(home->File("missing.zsl"));
        QVERIFY(none.command.isEmpty() && none.arguments.isEmpty() &&
                none.workingDirectory.isEmpty());
        QVERIFY(SolutionProperties::ReadRunSettings("").command.isEmpty());
        WriteAll(home->File("s.zsl"), "[Solution]\nName=S\n");
        QVERIFY(SolutionProperties::ReadProperties(home->File("s.zsl")).isEmpty());

        QVERIFY(
            !SolutionProperties::WriteProperties(home->File("missing.zsl"), {{"Command", "x"}}));
        QVERIFY(!QFileInfo::exists(home->File("missing.zsl")));
        QVERIFY(!SolutionProperties::WriteProperties(home->File(""), {{"Command", "x"}}));
    }

    void keysMatchInAnyCaseAndOthersAreKept() {
        const QString file = home->File("s.zsl");
        WriteAll(file,
                 "[properties]\ncommand = ./app \nWORKINGDIRECTORY=\"  dir  \"\nFuture=keep\n"
                 "Command=second\n[Solution]\nName=S\n");
        const auto run = SolutionProperties::ReadRunSettings(file);
        QCOMPARE(run.command, QString("./app"));
        QCOMPARE(run.workingDirectory, QString("  dir  "));
        QVERIFY(!SolutionProperties::ReadProperties(file).contains("Future"));

        QVERIFY(SolutionProperties::WriteProperties(
            file, {{"Command", "new\r\nline"}, {"CommandArguments", "\"a b\""}, {"Bogus", "x"}}));
        QCOMPARE(SolutionProperties::ReadRunSettings(file).command, QString("new"));
        QCOMPARE(SolutionProperties::ReadRunSettings(file).arguments, QString("\"a b\""));
        QCOMPARE(mdlIniControl::ReadIniValue(file, "Properties", "Future"), QString("keep"));
        QCOMPARE(mdlIniControl::ReadIniValue(file, "Solution", "Name"), QString("S"));
        QVERIFY(!ReadAll(file).contains("Bogus"));
        // Nothing to write leaves the file alone.
        const QByteArray before = ReadAll(file);
        QVERIFY(SolutionProperties::WriteProperties(file, {{"Description", ""}}));
        QCOMPARE(ReadAll(file), before);
    }
};

ZIDE_TEST(ProjectPropertiesTest)
ZIDE_TEST(SolutionPropertiesTest)
#include "ProjectPropertiesTest.moc"
