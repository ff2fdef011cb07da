#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>

#include "TestSupport.h"
#include "settings/FileLock.h"
#include "settings/Registry.h"

using namespace mdlRegistry;

namespace {

QString Setting(const QString& name) {
    return GetRegString(RegRoot::LocalMachine, SettingsKey, name);
}

bool SetSetting(const QString& name, const QString& text) {
    return SetRegString(RegRoot::LocalMachine, SettingsKey, name, text);
}

QStringList Temporaries(const QString& folder) {
    return QDir(folder).entryList({".*.zide-tmp-*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

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
        QCOMPARE(
            ReadAll(home.RegistryFile()),
            QByteArray(
                "REGEDIT4\n\n; kept comment\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TORVANE\\Zorbel "
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

    // Kept bytes: a BOM, CR LF line ends, Latin-1 text, a hex value over two
    // lines, a last key with no lines and no final line end.
    void OtherBytesStayAsTheyWere() {
        TestHome home(false);
        QByteArray expected =
            "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"Latin\"=\"caf\xE9\"\r\n"
            "\"Bin\"=hex:01,\\\r\n  02\r\n\r\n[HKEY_LOCAL_MACHINE\\Empty]";
        WriteAll(home.RegistryFile(), expected);
        QVERIFY(SetRegString(RegRoot::LocalMachine, "K", "New", "n"));
        expected.replace("  02\r\n", "  02\r\n\"New\"=\"n\"\r\n");
        QCOMPARE(ReadAll(home.RegistryFile()), expected);
        QVERIFY(SetRegString(RegRoot::LocalMachine, "Other", "x", "1"));
        expected += "\r\n\r\n[HKEY_LOCAL_MACHINE\\Other]\r\n\"x\"=\"1\"\r\n";
        QCOMPARE(ReadAll(home.RegistryFile()), expected);
        RegType type;
        QByteArray data;
        QVERIFY(GetRegValue(RegRoot::LocalMachine, "K", "Bin", &type, &data));
        QCOMPARE(data, QByteArray("\x01\x02"));
    }

    void LastOfTwoLinesForOneValueWins() {
        TestHome home(false);
        WriteAll(home.RegistryFile(),
                 "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=\"first\"\n\"B\"=\"b\"\n"
                 "\"a\"=\"second\"\n");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "A"), "second");
        QVERIFY(SetRegString(RegRoot::LocalMachine, "K", "A", "third"));
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "A"), "third");
        QCOMPARE(ReadAll(home.RegistryFile()),
                 QByteArray("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=\"first\"\n\"B\"=\"b\"\n"
                            "\"A\"=\"third\"\n"));
    }

    void FileOfBlankLinesBecomesARegistry() {
        TestHome home(false);
        for (const QByteArray& blank : {QByteArray("\n"), QByteArray(" \r\n\t\r\n")}) {
            WriteAll(home.RegistryFile(), blank);
            QVERIFY(SetSetting("A", "1"));
            QVERIFY(ReadAll(home.RegistryFile()).startsWith("REGEDIT4"));
            QVERIFY(SetSetting("B", "2"));
            QCOMPARE(Setting("A"), "1");
            QCOMPARE(Setting("B"), "2");
        }
        QCOMPARE(QDir(home.Path()).entryList({"*.foreign-*"}), QStringList());
    }

    // A "\" at the end of a hex value's last line continues nothing.
    void DanglingContinuationEndsItsValue() {
        TestHome home(false);
        const QByteArray key = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n";
        WriteAll(home.RegistryFile(), key + "\"Bin\"=hex:01,02,\\\n  03,\\\n\"Next\"=\"n\"\n");
        RegType type;
        QByteArray data;
        QVERIFY(GetRegValue(RegRoot::LocalMachine, "K", "Bin", &type, &data));
        QCOMPARE(data, QByteArray("\x01\x02\x03"));
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "Next"), "n");

        WriteAll(home.RegistryFile(), key + "\"Bin\"=hex:01,02,\\\n");
        QVERIFY(SetRegString(RegRoot::LocalMachine, "K", "After", "a"));
        QVERIFY(SetRegString(RegRoot::LocalMachine, "K", "Later", "b"));
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "After"), "a");
        QCOMPARE(GetRegString(RegRoot::LocalMachine, "K", "Later"), "b");
        QVERIFY(GetRegValue(RegRoot::LocalMachine, "K", "Bin", &type, &data));
        QCOMPARE(data, QByteArray("\x01\x02"));
    }

    void ForeignFilesAreSetAsideUnderNamesOfTheirOwn() {
        TestHome home(false);
        QSet<QByteArray> foreign;
        for (int i = 0; i < 3; ++i) {
            foreign << "not ours " + QByteArray::number(i) + "\n";
            WriteAll(home.RegistryFile(), "not ours " + QByteArray::number(i) + "\n");
            QVERIFY(SetSetting("A", QString::number(i)));
        }
        QSet<QByteArray> aside;
        for (const QString& name : QDir(home.Path()).entryList({"test-registry.reg.foreign-*"}))
            aside << ReadAll(home.File(name));
        QCOMPARE(aside, foreign);
        QCOMPARE(Setting("A"), "2");

        // No name for the set-aside file fits beside this one: it stays, unwritten.
        const QString longName = home.File(QString(240, 'r'));
        qputenv("ZIDE_REGISTRY", longName.toLocal8Bit());
        WriteAll(longName, "not ours\n");
        QVERIFY(!SetSetting("A", "1"));
        QCOMPARE(ReadAll(longName), QByteArray("not ours\n"));
    }

    void NamesWithLineBreaksAreRefused() {
        TestHome home(false);
        QVERIFY(SetSetting("A", "1"));
        const QByteArray before = ReadAll(home.RegistryFile());
        QVERIFY(!SetSetting("two\nlines", "x"));
        QVERIFY(!SetSetting("cr\r", "x"));
        QVERIFY(!SetSetting(QStringLiteral("nul") + QChar(0) + "x", "x"));
        QVERIFY(!SetRegString(RegRoot::LocalMachine,
                              SettingsKey + "]\n[HKEY_LOCAL_MACHINE\\Injected", "B", "x"));
        QCOMPARE(ReadAll(home.RegistryFile()), before);
        QCOMPARE(GetFirstRegSubKey(RegRoot::LocalMachine, QString()), "SOFTWARE");

        // Line breaks in a value are the value's own: stored and read back.
        QVERIFY(SetSetting("Multi", "one\r\ntwo\n"));
        QCOMPARE(Setting("Multi"), "one\r\ntwo\n");
    }

    // A lock file left by a writer killed mid-write (empty), or with another
    // host's note in it, locks nothing: only a living holder does.
    void LeftoverLocksCostNothing() {
        TestHome home(false);
        const QString lock = home.RegistryFile() + ".lock";
        WriteAll(lock, "");
        QVERIFY(SetSetting("A", "1"));
        QCOMPARE(Setting("A"), "1");
        WriteAll(lock, "4242\nsome-other-host\n");
        QVERIFY(SetSetting("B", "2"));
        QCOMPARE(Setting("B"), "2");
    }

    // A holder that keeps the lock for seconds is stuck: the write goes ahead.
    void StuckHolderDoesNotCostTheValue() {
        TestHome home(false);
        QProcess holder;
        holder.start(QStringLiteral(ZIDE_REGWRITER), {"hold", home.RegistryFile() + ".lock"});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
        QVERIFY(SetSetting("A", "1"));
        QCOMPARE(Setting("A"), "1");
        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
        // Its lock went with it.
        FileLock lock(home.RegistryFile() + ".lock");
        QCOMPARE(lock.TryLock(0), FileLock::Result::Locked);
    }

    // A writer whose file may grow no further fails, as on a full disk.
    void FailedSaveLeavesTheOldFile() {
        TestHome home(false);
        QByteArray before = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Stress]\n";
        for (int i = 0; i < 40; ++i)
            before += "\"V" + QByteArray::number(i) + "\"=\"" + QByteArray(100, 'v') + "\"\n";
        WriteAll(home.RegistryFile(), before);
        QProcess writer;
        writer.start(QStringLiteral(ZIDE_REGWRITER), {"--limit", "1024", "big", "1"});
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.exitCode(), 1);
        QCOMPARE(ReadAll(home.RegistryFile()), before);
        QCOMPARE(Temporaries(home.Path()), QStringList());
    }
};

ZIDE_TEST(RegistryTest)
#include "RegistryTest.moc"
