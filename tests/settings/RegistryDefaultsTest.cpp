// The installation's defaults.reg beneath the user's settings file.
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "TestSupport.h"
#include "editor/EditorWindow.h"
#include "settings/InstallDefaults.h"
#include "settings/Registry.h"

using namespace mdlRegistry;

namespace {

constexpr RegRoot Machine = RegRoot::LocalMachine;

QString Setting(const QString& name) {
    return GetRegString(Machine, SettingsKey, name);
}

}  // namespace

class RegistryDefaultsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A user with no settings file gets colouring and the tool chain at once.
    void FreshUserReadsTheInstallation() {
        TestHome home;
        QVERIFY(InstallDefaults::Write());
        QCOMPARE(GetRegString(Machine, SyntaxKey, "zlm"), "zbl.syn");
        for (const char* module : {"Module.zbl", "Main.ZBL", "x.h"})
            QVERIFY2(QFileInfo(EditorWindow::SyntaxPathFor(home.File(module))).isFile(), module);
        QCOMPARE(Setting("ProcPath"), home.File("bin/zbltrans"));
        QCOMPARE(Setting("LinkParam2"), "library \"%FULL%\"");
        QCOMPARE(GetFirstRegSubKey(Machine, ProductKeyPath), "Settings");
        QVERIFY(!QFileInfo::exists(home.RegistryFile()));
    }

    void UserValuesWinAndWritesStayInTheUsersFile() {
        TestHome home(false);
        QVERIFY(InstallDefaults::Write());
        const QByteArray defaults = ReadAll(home.File("defaults.reg"));
        QVERIFY(SetRegString(Machine, SyntaxKey, "zbl", "mine.syn"));
        QVERIFY(SetRegString(Machine, SyntaxKey, "C", ""));  // an empty text overrides too
        QCOMPARE(GetRegString(Machine, SyntaxKey, "zbl"), "mine.syn");
        QCOMPARE(GetRegString(Machine, SyntaxKey, "c"), QString());
        QCOMPARE(GetRegString(Machine, SyntaxKey, "h"), "cpp.syn");

        QVERIFY(SetRegString(Machine, SettingsKey, "UseLinker", "False"));
        QCOMPARE(Setting("UseLinker"), "False");

        // Subkeys of both files enumerate together.
        SetRegString(Machine, ProductKeyPath + "Zeta", "z", "1");
        QCOMPARE(GetFirstRegSubKey(Machine, ProductKeyPath), "Settings");
        SetRegString(Machine, FormsKey, "Main.State", "0");
        QCOMPARE(GetFirstRegSubKey(Machine, ProductKeyPath), "Forms");

        // Deleting the user's key brings the installation's values back.
        QVERIFY(DeleteRegKey(Machine, SyntaxKey));
        QCOMPARE(GetRegString(Machine, SyntaxKey, "zbl"), "zbl.syn");
        QCOMPARE(ReadAll(home.File("defaults.reg")), defaults);
    }

    void BrokenOrMissingDefaultsAreSkipped() {
        TestHome home(false);
        QVERIFY(SetRegString(Machine, "K", "Mine", "m"));
        const QString file = home.File("defaults.reg");
        WriteAll(file,
                 "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"Bad\"=hex(2):zz\n\"Half\"=\"open\n"
                 "junk \xff\xfe\n\"Good\"=\"yes\"\n\"Mine\"=\"theirs\"\n[broken\n");
        QCOMPARE(GetRegString(Machine, "K", "Good"), "yes");
        QCOMPARE(GetRegString(Machine, "K", "Bad"), QString());
        QCOMPARE(GetRegString(Machine, "K", "Half"), QString());
        QCOMPARE(GetRegString(Machine, "K", "Mine"), "m");

        // A changed file is read again; one that is not a registry holds nothing.
        WriteAll(file, "not a registry\n[HKEY_LOCAL_MACHINE\\A]\n\"Good\"=\"yes\"\n");
        QCOMPARE(GetRegString(Machine, "K", "Good"), QString());
        QCOMPARE(GetRegString(Machine, "A", "Good"), QString());
        QCOMPARE(GetFirstRegSubKey(Machine, QString()), "K");

        // Gone, or a folder in its place: no defaults, and writes still work.
        QVERIFY(QFile::remove(file));
        QCOMPARE(GetRegString(Machine, "K", "Good"), QString());
        QVERIFY(QDir().mkpath(file));
        QVERIFY(SetRegString(Machine, "K", "Good", "mine"));
        QCOMPARE(GetRegString(Machine, "K", "Good"), "mine");
    }

    // The build writes defaults into its own program folder (the build
    // folder) that name the tool chain it built there.
    void TheBuildsDefaultsNameItsToolChain() {
        TestHome home(false);
        qputenv("ZIDE_HOME", ZIDE_BINARY_DIR);
        const QDir bin(QStringLiteral(ZIDE_BINARY_DIR "/bin"));
        for (const char* name : {"ProcPath", "CompilerPath", "LinkerPath"}) {
            const QFileInfo tool(Setting(name));
            QVERIFY2(tool.isFile() && tool.isExecutable(), name);
            QCOMPARE(tool.absoluteDir(), bin);
        }
        QCOMPARE(Setting("UseCompiler"), "True");
        QVERIFY(QFileInfo(EditorWindow::SyntaxPathFor("Module.zbl")).isFile());
        QVERIFY(QFileInfo(EditorWindow::SyntaxPathFor("main.cpp")).isFile());
    }
};

ZIDE_TEST(RegistryDefaultsTest)
#include "RegistryDefaultsTest.moc"
