#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "TestSupport.h"
#include "settings/InstallDefaults.h"
#include "settings/Registry.h"

using namespace mdlRegistry;

class RegistryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void AbsentAndWrongTypeReadEmpty() {
        TestHome home(false);
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "CompilerPath"), QString());
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "Number", RegType::DWord,
                    QByteArray("\x2a\0\0\0", 4));
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "Bytes", RegType::Binary, "abc");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "Number"), QString());
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "Bytes"), QString());
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "Missing"), QString());
        QCOMPARE(GetRegString(RegRoot::CurrentUser, SettingsKey, "Number"), QString());
    }

    void StringFormsReadBackTheSameText() {
        TestHome home(false);
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "WithZero", RegType::String,
                    QByteArray("C:\\bcc\\bin", 10) + '\0');
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "Without", RegType::String, "C:\\bcc\\bin");
        SetRegValue(RegRoot::LocalMachine, SettingsKey, "Expand", RegType::ExpandString,
                    QByteArray("%HOME%\\x") + '\0');
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "WithZero"), "C:\\bcc\\bin");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "Without"), "C:\\bcc\\bin");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "Expand"), "%HOME%\\x");

        // Text with quotes, backslashes and non-ASCII letters survives the file.
        const QString odd = "say \"hi\" \\ to Ž and ß ";
        SetRegString(RegRoot::LocalMachine, SettingsKey, "Odd", odd);
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "odd"), odd);
    }

    void EmptyStringCreatesKeyAndReadsEmpty() {
        TestHome home(false);
        SetRegString(RegRoot::LocalMachine, FormsKey, "Main.State", "");
        RegType type;
        QByteArray data;
        QVERIFY(GetRegValue(RegRoot::LocalMachine, FormsKey, "Main.State", &type, &data));
        QCOMPARE(type, RegType::String);
        QCOMPARE(data, QByteArray());
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, ProductKeyPath), "Forms");
    }

    void RewriteKeepsPlaceAndOtherLines() {
        TestHome home(false);
        WriteAll(home.RegistryFile(),
                 "REGEDIT4\n\n; kept comment\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TORVANE\\Zorbel "
                 "Builder\\Settings]\n\"A\"=\"1\"\n\"B\"=\"2\"\nnot a value line\n\n"
                 "[HKEY_CURRENT_USER\\Environment]\n\"PATH\"=hex(2):2f,62,69,6e,00\n");
        SetRegString(RegRoot::LocalMachine, SettingsKey, "a", "one");
        SetRegString(RegRoot::LocalMachine, SettingsKey, "C", "3");
        QCOMPARE(ReadAll(home.RegistryFile()),
                 QByteArray("REGEDIT4\n\n; kept comment\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TORVANE\\Zorbel "
                            "Builder\\Settings]\n\"a\"=\"one\"\n\"B\"=\"2\"\nnot a value line\n\"C\"=\"3\"\n\n"
                            "[HKEY_CURRENT_USER\\Environment]\n\"PATH\"=hex(2):2f,62,69,6e,00\n"));
        QCOMPARE(GetUserEnvVar("path"), "/bin");
    }

    void SwitchesAndEnvironment() {
        TestHome home(false);
        auto isOn = [](const QString& name) {
            return GetRegString(RegRoot::LocalMachine, SettingsKey, name).toLower() == "true";
        };
        const std::pair<const char*, bool> cases[] = {
            {"True", true}, {"true", true}, {"tRUE", true}, {"1", false}, {"yes", false}};
        for (const auto& [text, on] : cases) {
            SetRegString(RegRoot::LocalMachine, SettingsKey, "UseLinker", text);
            QCOMPARE(isOn("UseLinker"), on);
        }
        SetUserEnvVar("PATH", "  /opt/bcc/bin;/usr/bin  ");
        QCOMPARE(GetUserEnvVar("PATH"), "/opt/bcc/bin;/usr/bin");
        BroadcastEnvChange();
    }

    void SubkeysAndDeletion() {
        TestHome home(false);
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, "SOFTWARE\\Help"), QString());
        SetRegString(RegRoot::LocalMachine, "SOFTWARE\\Help\\zeta", "", "z");
        SetRegString(RegRoot::LocalMachine, "SOFTWARE\\Help\\Alpha\\deep", "", "a");
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, "SOFTWARE\\Help"), "Alpha");
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, "SOFTWARE\\Help\\zeta"), QString());

        // A key with subkeys stays; a leaf goes with its values.
        DeleteRegKey(RegRoot::LocalMachine, "SOFTWARE\\Help\\Alpha");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "SOFTWARE\\Help\\Alpha\\deep", ""), "a");
        DeleteRegKey(RegRoot::LocalMachine, "SOFTWARE\\Help\\Alpha\\deep");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "SOFTWARE\\Help\\Alpha\\deep", ""), QString());
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, "SOFTWARE\\Help"), "zeta");
        DeleteRegKey(RegRoot::ClassesRoot, ".zbl");  // absent: nothing happens
    }

    void ForeignOrMalformedFilesReadAsAbsent() {
        TestHome home(false);
        const QByteArray foreign = "this is not a registry\n\"A\"=\"1\"\n";
        WriteAll(home.RegistryFile(), foreign);
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "A"), QString());
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, ""), QString());
        QCOMPARE(ReadAll(home.RegistryFile()), foreign);  // reads never change the file

        // A write sets the foreign file aside instead of overwriting it.
        SetRegString(RegRoot::LocalMachine, SettingsKey, "A", "2");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SettingsKey, "A"), "2");
        const QStringList aside = QDir(home.Path()).entryList({"test-registry.reg.foreign-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(ReadAll(home.File(aside.first())), foreign);

        // Broken value lines are skipped; good ones still read.
        WriteAll(home.RegistryFile(),
                 "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"Bad\"=hex(2):zz,00\n\"Half\"=\"open\n"
                 "\"Num\"=dword:123456789\n\"Good\"=\"yes\"\n[broken\n");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "Bad"), QString());
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "Half"), QString());
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "Good"), "yes");
    }

    void TwoProcessesWritingAtOnceLoseNothing() {
        TestHome home(false);
        // Each child writes 40 values of its own as fast as it can.
        auto start = [](const QString& prefix) {
            auto* child = new QProcess;
            child->start(QStringLiteral(ZIDE_REGWRITER), {prefix, "40"});
            return child;
        };
        QProcess* first = start("one");
        QProcess* second = start("two");
        QVERIFY(first->waitForFinished(60000));
        QVERIFY(second->waitForFinished(60000));
        delete first;
        delete second;
        for (const char* prefix : {"one", "two"})
            for (int i = 0; i < 40; ++i)
                QCOMPARE(GetRegString(RegRoot::LocalMachine, "Stress",
                                      QStringLiteral("%1%2").arg(prefix).arg(i)),
                         QString::number(i));
    }

    void InstallDefaultsNeverOverwrite() {
        TestHome home(false);
        SetRegString(RegRoot::LocalMachine, SyntaxKey, "zbl", "mine.syn");
        SetRegString(RegRoot::LocalMachine, SyntaxKey, "c", "");
        const int written = InstallDefaults::Write();
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SyntaxKey, "zbl"), "mine.syn");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SyntaxKey, "c"), QString());
        QCOMPARE(GetRegString(RegRoot::LocalMachine, SyntaxKey, "zlm"), "zbl.syn");
        QVERIFY(written >= 1);
        QCOMPARE(InstallDefaults::Write(), 0);
    }
};

ZIDE_TEST(RegistryTest)
#include "RegistryTest.moc"
