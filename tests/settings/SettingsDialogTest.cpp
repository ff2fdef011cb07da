#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "TestSupport.h"
#include "controls/List.h"
#include "settings/FileAssociations.h"
#include "settings/InstallDefaults.h"
#include "settings/Registry.h"
#include "settings/SettingsDialog.h"
#include "settings/ValueDialog.h"

using namespace mdlRegistry;

namespace {

QString Setting(const QString& name) {
    return GetRegString(RegRoot::LocalMachine, SettingsKey, name);
}

void SetSetting(const QString& name, const QString& text) {
    SetRegString(RegRoot::LocalMachine, SettingsKey, name, text);
}

// A clean store and a temporary desktop data folder, so OK never registers
// file types for the real user.
struct Fixture {
    TestHome home{false};
    QTemporaryDir data;
    const bool dataWasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    ScriptedPrompt prompt;
    Fixture() { qputenv("XDG_DATA_HOME", data.path().toLocal8Bit()); }
    ~Fixture() {
        FileAssociations::WaitForRefresh(20000);
        if (dataWasSet)
            qputenv("XDG_DATA_HOME", oldData);
        else
            qunsetenv("XDG_DATA_HOME");
    }
};

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    T* child = dialog->findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

QLineEdit* Text(QWidget* dialog, const char* name) {
    return Child<QLineEdit>(dialog, name);
}

QStringList Entries(QWidget* dialog) {
    const List* list = Child<List>(dialog, "List2");
    QStringList entries;
    for (int i = 0; i < list->ListCount(); ++i)
        entries << list->ListText(i);
    return entries;
}

// Answers the value dialog once it is shown modally: types `text` and
// presses OK or Cancel; `seen` gets the form's name, caption and the text it
// offered.
void AnswerValueDialog(const std::shared_ptr<QStringList>& seen, const QString& text, bool ok) {
    auto* form = qobject_cast<ValueDialog*>(QApplication::activeModalWidget());
    if (!form) {
        QTimer::singleShot(10, [=] { AnswerValueDialog(seen, text, ok); });
        return;
    }
    auto* box = form->findChild<QLineEdit*>("Text1");
    *seen << form->objectName() << form->windowTitle() << box->text();
    box->setText(text);
    form->findChild<QPushButton*>(ok ? "Command2" : "Command1")->click();
}

std::shared_ptr<QStringList> TypeIntoValueDialog(const QString& text, bool ok) {
    auto seen = std::make_shared<QStringList>();
    QTimer::singleShot(0, [=] { AnswerValueDialog(seen, text, ok); });
    return seen;
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void OpensOnTheStoredValuesAndOkWritesThemBack() {
        Fixture fixture;
        // Box, setting and stored text; every text comes back trimmed.
        const QList<std::tuple<const char*, QString, QString>> boxes{
            {"Text1", "CompilerPath", " /opt/bcc32\t"}, {"Text2", "Param0", "-c %FULL%"},
            {"Text4", "LinkerPath", "/opt/ilink32"},    {"Text3", "LinkParam0", " -Gn "},
            {"Text6", "ResPath", "/opt/brc"},           {"Text5", "ResParam0", "-r"},
            {"Text10", "ProcPath", "/opt/zt"},          {"Text11", "ProcParam", " %FILE% "},
            {"Text8", "SyntaxFile", "cpp.syn"}};
        for (const auto& [box, name, text] : boxes)
            SetSetting(name, text);
        SetSetting("Param1", "-v");
        SetSetting("UseProcessor", "tRuE");
        SetSetting("UseCompiler", "1");
        SetSetting("UseLinker", "TRUE");
        SetRegValue(RegRoot::CurrentUser, "Environment", "PATH", RegType::ExpandString,
                    QByteArray("%HOME%/bin; ;  ;/b/bin;;  /c d/bin  ;") + '\0');
        SetRegString(RegRoot::ClassesRoot, ".zsl", "", "Other.Solution");

        SettingsDialog dialog;
        QCOMPARE(dialog.objectName(), "Form4");
        QCOMPARE(dialog.windowTitle(), " Settings");
        for (const auto& [box, name, text] : boxes)
            QCOMPARE(Text(&dialog, box)->text(), text);
        QVERIFY(Child<QCheckBox>(&dialog, "Check2")->isChecked());
        QVERIFY(Child<QCheckBox>(&dialog, "Check3")->isChecked());
        QVERIFY(!Child<QCheckBox>(&dialog, "Check4")->isChecked());
        QVERIFY(!Child<QCheckBox>(&dialog, "Check1")->isChecked());
        QCOMPARE(Entries(&dialog), QStringList({"%HOME%/bin", "/b/bin", "/c d/bin"}));
        for (const char* combo : {"Combo1", "Combo2", "Combo3"})
            QCOMPARE(Child<QComboBox>(&dialog, combo)->currentText(), "Win32 Release");
        QCOMPARE(Setting("CompilerPath"), " /opt/bcc32\t");  // opening writes nothing

        Child<QPushButton>(&dialog, "Command2")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        for (const auto& [box, name, text] : boxes)
            QCOMPARE(Setting(name), text.trimmed());
        QCOMPARE(Setting("Param1"), "-v");
        QCOMPARE(Setting("UseProcessor"), "True");
        QCOMPARE(Setting("UseCompiler"), "1");  // written only when clicked
        RegType type;
        QByteArray data;
        QVERIFY(GetRegValue(RegRoot::CurrentUser, "Environment", "PATH", &type, &data));
        QCOMPARE(type, RegType::String);
        QCOMPARE(GetUserEnvVar("PATH"), "%HOME%/bin;/b/bin;/c d/bin");
        // With the box clear the extensions go, even another program's.
        QCOMPARE(GetRegString(RegRoot::ClassesRoot, ".zsl", ""), QString());

        // Any program owning ".zbl" checks the box; OK then registers this one.
        SetRegString(RegRoot::ClassesRoot, ".zbl", "", "Other.Editor");
        SettingsDialog again;
        QVERIFY(Child<QCheckBox>(&again, "Check1")->isChecked());
        again.accept();
        QCOMPARE(GetRegString(RegRoot::ClassesRoot, ".zbl", ""), "ZBL.File");
        QCOMPARE(GetRegString(RegRoot::ClassesRoot, "ZBL.File\\shell\\open\\command", ""),
                 "\"" + fixture.home.File("zide") + "\" \"%1\"");
        QVERIFY(QFile::exists(FileAssociations::DesktopFile()));
    }

    // OK stores what the user changed; the installation's values stay
    // beneath, so a moved installation is followed.
    void OkKeepsUntouchedDefaultsOutOfTheUsersFile() {
        Fixture fixture;
        QVERIFY(InstallDefaults::Write());
        SettingsDialog dialog;
        Text(&dialog, "Text1")->setText("/opt/cc");
        dialog.accept();
        const QByteArray user = ReadAll(fixture.home.RegistryFile());
        QVERIFY(user.contains("/opt/cc"));
        QVERIFY(!user.contains("ProcPath") && !user.contains("LinkerPath"));
        QVERIFY(Setting("ProcPath").endsWith("bin/zbltrans"));
    }

    void PagesFollowTheList() {
        Fixture fixture;
        SettingsDialog dialog;
        dialog.show();
        auto* pages = Child<List>(&dialog, "List1");
        QCOMPARE(pages->ListText(5), " Enviroment");
        auto visible = [&] {
            QList<int> shown;
            for (int i = 0; i < SettingsDialog::PageCount; ++i)
                if (Child<QWidget>(&dialog, qPrintable(QString("Picture2_%1").arg(i)))->isVisible())
                    shown << i;
            return shown;
        };
        QCOMPARE(visible(), QList<int>{0});
        pages->SetListIndex(5);
        QCOMPARE(dialog.CurrentPage(), 5);
        QCOMPARE(visible(), QList<int>{5});
        QVERIFY(Child<QWidget>(&dialog, "List2")->isVisible());
        pages->SetListIndex(2);
        QCOMPARE(visible(), QList<int>{2});
    }

    void EarlyWritesSurviveCancel() {
        Fixture fixture;
        SetSetting("Param0", "release");
        SetSetting("Param1", "debug");
        SetSetting("UseProcessor", "False");
        SetUserEnvVar("PATH", "/a");
        SettingsDialog dialog;

        auto* combo = Child<QComboBox>(&dialog, "Combo1");
        combo->setCurrentIndex(1);
        QCOMPARE(Text(&dialog, "Text2")->text(), "debug");
        QCOMPARE(Setting("Param0"), "release");
        Text(&dialog, "Text2")->setText("  -v -y  ");
        Text(&dialog, "Text1")->setText(" /new/bcc32 ");
        combo->setCurrentIndex(0);
        QCOMPARE(Setting("Param1"), "-v -y");
        QCOMPARE(Setting("CompilerPath"), "/new/bcc32");
        QCOMPARE(Text(&dialog, "Text2")->text(), "release");
        QCOMPARE(Text(&dialog, "Text1")->text(), "/new/bcc32");

        auto* linker = Child<QComboBox>(&dialog, "Combo2");
        Text(&dialog, "Text3")->setText("-Gn");
        linker->setCurrentIndex(2);
        QCOMPARE(Setting("LinkParam0"), "-Gn");

        Child<QCheckBox>(&dialog, "Check4")->click();
        QCOMPARE(Setting("UseCompiler"), "True");
        Child<QCheckBox>(&dialog, "Check3")->click();
        QCOMPARE(Setting("UseLinker"), "True");
        Child<QCheckBox>(&dialog, "Check3")->click();
        QCOMPARE(Setting("UseLinker"), "False");

        // What waits for OK is not written on Cancel.
        Child<QCheckBox>(&dialog, "Check2")->click();
        Child<QCheckBox>(&dialog, "Check1")->click();
        Text(&dialog, "Text8")->setText("other.syn");
        Text(&dialog, "Text6")->setText("/rc");
        TypeIntoValueDialog("/b", true);
        dialog.NewItem();
        QCOMPARE(Entries(&dialog), QStringList({"/a", "/b"}));
        Child<QPushButton>(&dialog, "Command1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        QCOMPARE(Setting("UseProcessor"), "False");
        QCOMPARE(Setting("SyntaxFile"), QString());
        QCOMPARE(Setting("ResPath"), QString());
        QCOMPARE(GetUserEnvVar("PATH"), "/a");
        QVERIFY(!FileAssociations::IsRegistered());
        QVERIFY(!QFile::exists(FileAssociations::DesktopFile()));
        QCOMPARE(Setting("UseCompiler"), "True");
        QCOMPARE(Setting("Param1"), "-v -y");
    }

    void OkStoresTheShownConfigurations() {
        Fixture fixture;
        SettingsDialog dialog;
        Child<QComboBox>(&dialog, "Combo1")->setCurrentIndex(1);
        Text(&dialog, "Text2")->setText("debug params");
        Text(&dialog, "Text3")->setText("release link");
        Child<QComboBox>(&dialog, "Combo3")->setCurrentIndex(2);
        Text(&dialog, "Text5")->setText("res params");
        Child<QPushButton>(&dialog, "Command2")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Setting("Param1"), "debug params");
        QCOMPARE(Setting("Param0"), QString());
        QCOMPARE(Setting("LinkParam0"), "release link");
        QCOMPARE(Setting("ResParam0"), "res params");
        QCOMPARE(Setting("ResParam2"), QString());
    }

    void PathPiecesAndRebuild_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("rebuilt");
        QTest::newRow("two semicolons with blanks")
            << "/opt/a;  ;/opt/b" << QStringList{"/opt/a", "/opt/b"} << "/opt/a;/opt/b";
        QTest::newRow("blanks around pieces")
            << "  /x y/bin  ; /z " << QStringList{"/x y/bin", "/z"} << "/x y/bin;/z";
        QTest::newRow("only separators") << " ;;; " << QStringList{} << "";
        QTest::newRow("empty") << "" << QStringList{} << "";
        QTest::newRow("one") << "C:\\bcc\\bin;" << QStringList{"C:\\bcc\\bin"} << "C:\\bcc\\bin";
    }
    void PathPiecesAndRebuild() {
        QFETCH(QString, stored);
        QFETCH(QStringList, entries);
        QFETCH(QString, rebuilt);
        QCOMPARE(SettingsDialog::SplitPath(stored), entries);
        QCOMPARE(SettingsDialog::JoinPath(entries), rebuilt);
    }

    void EnvironmentPageEditsEntries() {
        Fixture fixture;
        SetUserEnvVar("PATH", "/a;/b");
        SettingsDialog dialog;
        auto* list = Child<List>(&dialog, "List2");

        // New: trimmed and appended; blank or cancelled adds nothing.
        auto seen = TypeIntoValueDialog("  /c  ", true);
        dialog.NewItem();
        QCOMPARE(*seen, QStringList({"Form10", " Add Value ... ", ""}));
        TypeIntoValueDialog("   ", true);
        dialog.NewItem();
        TypeIntoValueDialog("/never", false);
        dialog.NewItem();
        QCOMPARE(Entries(&dialog), QStringList({"/a", "/b", "/c"}));

        // Edit: the selected entry is offered and replaced.
        list->SetListIndex(1);
        seen = TypeIntoValueDialog(" /B2 ", true);
        dialog.EditItem();
        QCOMPARE(seen->value(2), "/b");
        TypeIntoValueDialog("/x", false);
        dialog.EditItem();
        QCOMPARE(Entries(&dialog), QStringList({"/a", "/B2", "/c"}));

        // Remove asks first; No keeps the entry.
        fixture.prompt.buttons << QMessageBox::No << QMessageBox::Yes;
        list->SetListIndex(0);
        dialog.RemoveItem();
        QCOMPARE(Entries(&dialog), QStringList({"/a", "/B2", "/c"}));
        QCOMPARE(fixture.prompt.asked.size(), size_t(1));
        QCOMPARE(fixture.prompt.asked[0].title, "Remove");
        QCOMPARE(fixture.prompt.asked[0].text, " Are you sure to remove this item ?!   ");
        list->SetListIndex(0);
        dialog.RemoveItem();
        QCOMPARE(Entries(&dialog), QStringList({"/B2", "/c"}));

        // Without a selection nothing is edited or removed.
        list->SetListIndex(-1);
        dialog.RemoveItem();
        dialog.EditItem();
        QCOMPARE(Entries(&dialog), QStringList({"/B2", "/c"}));

        dialog.accept();
        QCOMPARE(GetUserEnvVar("PATH"), "/B2;/c");
    }

    void BrowseFillsTheBoxBesideTheButton() {
        Fixture fixture;
        SettingsDialog dialog;
        fixture.prompt.paths << "  /opt/tools/bcc32  "
                             << ""
                             << "/opt/zt";
        Text(&dialog, "Text4")->setText("/kept");
        Child<QPushButton>(&dialog, "Command3")->click();
        Child<QPushButton>(&dialog, "Command4")->click();  // cancelled
        Child<QPushButton>(&dialog, "Command9")->click();
        QCOMPARE(Text(&dialog, "Text1")->text(), "/opt/tools/bcc32");
        QCOMPARE(Text(&dialog, "Text4")->text(), "/kept");
        QCOMPARE(Text(&dialog, "Text10")->text(), "/opt/zt");
        QCOMPARE(fixture.prompt.asked.size(), size_t(3));
        QCOMPARE(fixture.prompt.asked[0].kind, "open");
        QCOMPARE(fixture.prompt.asked[0].title, "Open File ...");
        QVERIFY(fixture.prompt.asked[0].text.startsWith("Executable Files (*.exe *.com *.bat)"));
    }

    void OddStoreValuesDoNotBreakTheDialog() {
        Fixture fixture;
        const QString huge(200000, QChar('x'));
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "CompilerPath", RegType::DWord,
                    QByteArray("\x2a\0\0\0", 4));
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "UseCompiler", RegType::Binary, "True");
        SetRegValue(RegRoot::CurrentUser, "Environment", "PATH", RegType::Binary, "/a;/b");
        SetSetting("Param0", huge);
        SetSetting("LinkParam0", "a\"b\\c ; %PATH% Ž");

        SettingsDialog dialog;
        QCOMPARE(Text(&dialog, "Text1")->text(), QString());
        QVERIFY(!Child<QCheckBox>(&dialog, "Check4")->isChecked());
        QCOMPARE(Entries(&dialog), QStringList());
        QCOMPARE(Text(&dialog, "Text2")->text().size(), huge.size());
        dialog.accept();
        QCOMPARE(Setting("Param0"), huge);
        QCOMPARE(Setting("LinkParam0"), "a\"b\\c ; %PATH% Ž");
        QCOMPARE(Setting("CompilerPath"), QString());
        QCOMPARE(GetUserEnvVar("PATH"), QString());

        // A registry file that is not one at all reads as empty.
        WriteAll(fixture.home.RegistryFile(), QByteArray("\0\xff garbage [[[\n\"=", 18));
        SettingsDialog broken;
        QCOMPARE(Text(&broken, "Text2")->text(), QString());
        broken.reject();
    }

    void ValueDialogKeepsTheTextAsTyped() {
        ScriptedPrompt prompt;
        ValueDialog form;
        form.SetValue("/old");
        QCOMPARE(form.findChild<QLineEdit*>("Text1")->text(), "/old");
        form.findChild<QLineEdit*>("Text1")->setText("  spaced  ");
        form.accept();
        QCOMPARE(form.Value(), "  spaced  ");
        form.SetValue("/old");
        form.reject();
        QCOMPARE(form.Value(), QString());
    }
};

ZIDE_TEST(SettingsDialogTest)
#include "SettingsDialogTest.moc"
