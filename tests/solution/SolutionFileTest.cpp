#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "solution/IniControl.h"
#include "solution/PathRules.h"
#include "solution/SolutionFile.h"

using namespace mdlSolutionFile;
using mdlIniControl::ReadIniValue;

namespace {

using Items = QList<SolutionItem>;

// The writes of a save one by one, as the profile services make them; a save
// must leave the file exactly as these do.
void SaveBySingleWrites(const QString& path, const SolutionRecord& state, const Items& items) {
    using namespace mdlIniControl;
    const QString folder = QFileInfo(path).path();
    WriteIniValue(path, "Solution", "Name", state.Name);
    WriteIniValue(path, "Solution", "Startup", mdlFunctions::RelativePath(folder, state.Startup));
    WriteIniValue(path, "Solution", "BuildBatch",
                  mdlFunctions::RelativePath(folder, state.BuildBatch));
    WriteIniValue(path, "Solution", "FilesCount", "0");
    DeleteIniSection(path, "Files");
    int n = 1;
    for (const SolutionItem& item : items) {
        if (item.key.left(4) == "file" && !item.tag.trimmed().isEmpty())
            WriteIniValue(path, "Files", QString("File%1").arg(n++),
                          mdlFunctions::RelativePath(folder, item.tag));
    }
    WriteIniValue(path, "Solution", "FilesCount", QString::number(n - 1));
}

QByteArray Digest(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

}  // namespace

class SolutionSaveTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }

    // A tree as the Project Explorer holds it: folders, a library, modules,
    // one never saved.
    Items TreeItems() const {
        return {{"root", ""},
                {"source", ""},
                {"libs", ""},
                {"libs::strings", ""},
                {"file3", Path("Demo/Demo.zbl")},
                {"file4", "  "},
                {"file5", Path("Demo/src/a.zbl")},
                {"file9", Path("Shared/util.zbl")}};
    }

private Q_SLOTS:
    void sameBytesAsTheWritesOneByOne_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("no file yet") << QByteArray();
        QTest::newRow("written on Windows") << QByteArray(
            "[Solution]\r\nName=Old\r\nStartup=Old.zbl\r\nBuildBatch=\r\n"
            "FilesCount=2\r\n\r\n[Files]\r\nFile1=Old.zbl\r\nFile2=..\\x.zbl\r\n"
            "\r\n[Tasks]\r\nCount=1\r\nItem0=ship it\r\n");
        QTest::newRow("files first, comments, other keys")
            << QByteArray("; kept\n[files]\nFILE1=a.zbl\n[Solution]\nname = Old\nExtra=kept\n");
        QTest::newRow("two Files sections")
            << QByteArray("[Files]\nFile1=a\n[Solution]\nName=x\n[Files]\nFile2=b\n[Tasks]\n");
        QTest::newRow("no Solution section, no line end")
            << QByteArray("[Tasks]\nCount=0\nItem0=last line");
        QTest::newRow("garbage lines") << QByteArray("\x01\x02garbage\n==\n[\n]]\n[Solution\n");
    }
    void sameBytesAsTheWritesOneByOne() {
        QFETCH(QByteArray, before);
        SolutionRecord state;
        state.Name = "Demo";
        state.Startup = Path("Demo/Demo.zbl");
        state.BuildBatch = Path("tools/make.sh");
        const QString saved = Path("Demo/saved.zsl");
        const QString expected = Path("Demo/expected.zsl");
        QFile::remove(saved);
        QFile::remove(expected);
        if (!before.isNull()) {
            WriteAll(saved, before);
            WriteAll(expected, before);
        }
        QDir().mkpath(Path("Demo"));
        QVERIFY(SaveSolution(saved, state, TreeItems()));
        SaveBySingleWrites(expected, state, TreeItems());
        QCOMPARE(ReadAll(saved), ReadAll(expected));
    }

    void writesModulesInOrderWithoutGapsAndRelative() {
        const QString file = Path("Demo/Demo.zsl");
        QDir().mkpath(Path("Demo"));
        SolutionRecord state;
        state.Name = "Demo";
        QVERIFY(SaveSolution(file, state, TreeItems()));
        QCOMPARE(ReadIniValue(file, "Solution", "FilesCount"), QString("3"));
        QCOMPARE(ReadIniValue(file, "Files", "File1"), QString("Demo.zbl"));
        QCOMPARE(ReadIniValue(file, "Files", "File2"), QString("src/a.zbl"));
        QCOMPARE(ReadIniValue(file, "Files", "File3"), QString("../Shared/util.zbl"));
        QCOMPARE(ReadIniValue(file, "Files", "File4"), QString());
        QCOMPARE(ReadIniValue(file, "Solution", "Startup"), QString());
    }

    void onlyUnsavedModulesLeaveNoFilesSection() {
        const QString file = Path("unsaved.zsl");
        WriteAll(file, "[Solution]\nName=Old\nFilesCount=1\n[Files]\nFile1=gone.zbl\n");
        SolutionRecord state;
        state.Name = "New";
        QVERIFY(SaveSolution(file, state, {{"root", ""}, {"file1", ""}, {"file2", " \t"}}));
        QCOMPARE(ReadIniValue(file, "Solution", "FilesCount"), QString("0"));
        QVERIFY(!ReadAll(file).contains("[Files]"));
    }

    void startupAndBatchComeBackAsTheSamePaths_data() {
        QTest::addColumn<QString>("solution");
        QTest::addColumn<QString>("startup");
        QTest::addColumn<QString>("batch");
        QTest::newRow("beside the solution") << "p/Demo.zsl"
                                             << "p/Demo.zbl"
                                             << "p/make.sh";
        QTest::newRow("below and above") << "p/q/Demo.zsl"
                                         << "p/q/src/main.zbl"
                                         << "p/make.sh";
        QTest::newRow("another folder tree") << "deep/er/still/Demo.zsl"
                                             << "other/tree/main.zbl"
                                             << "";
        QTest::newRow("none set") << "p/Demo.zsl"
                                  << ""
                                  << "";
    }
    void startupAndBatchComeBackAsTheSamePaths() {
        QFETCH(QString, solution);
        QFETCH(QString, startup);
        QFETCH(QString, batch);
        auto full = [this](const QString& name) { return name.isEmpty() ? name : Path(name); };
        QDir().mkpath(QFileInfo(full(solution)).path());
        SolutionRecord state;
        state.Name = "Round trip";
        state.Startup = full(startup);
        state.BuildBatch = full(batch);
        QVERIFY(SaveSolution(full(solution), state, {}));
        const SolutionLoad load = LoadSolution(full(solution));
        QCOMPARE(load.Name, state.Name);
        QCOMPARE(load.Startup, state.Startup);
        QCOMPARE(load.BuildBatch, state.BuildBatch);
    }

    void aFailedSaveKeepsWhatIsThere() {
        // A folder where the file should be, and a file where a folder should
        // be: both fail for every user, root included.
        QDir().mkpath(Path("taken.zsl"));
        WriteAll(Path("taken.zsl/inside"), "keep");
        WriteAll(Path("plain"), "keep");
        SolutionRecord state;
        state.Name = "Demo";
        QVERIFY(!SaveSolution(Path("taken.zsl"), state, TreeItems()));
        QVERIFY(!SaveSolution(Path("plain/Demo.zsl"), state, TreeItems()));
        QCOMPARE(ReadAll(Path("taken.zsl/inside")), QByteArray("keep"));
        QCOMPARE(ReadAll(Path("plain")), QByteArray("keep"));
    }

    void checkFileFindsModulesByTheirTrimmedPath() {
        const Items items = {{"root", "/w/a.zbl"},
                             {"libs::a", "/w/b.zbl"},
                             {"file1", " /w/Demo.zbl "},
                             {"File2", "/w/c.zbl"}};
        QVERIFY(CheckFile(items, "/w/Demo.zbl"));
        QVERIFY(CheckFile(items, "  /w/Demo.zbl"));
        QVERIFY(!CheckFile(items, "/w/demo.zbl"));  // case counts
        QVERIFY(!CheckFile(items, "/w/a.zbl"));     // not a module
        QVERIFY(!CheckFile(items, "/w/b.zbl"));
        QVERIFY(!CheckFile(items, "/w/c.zbl"));  // "File" is not "file"
        QVERIFY(!CheckFile({}, ""));
    }
};

class SolutionLoadTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }

    void Module(const QString& name) { WriteAll(Path(name), "Sub Main()\nEnd Sub\n"); }
    static QString LongName() { return QString(130, 'x') + "/" + QString(130, 'y') + ".zbl"; }

private Q_SLOTS:
    void initTestCase() {
        for (const char* name : {"s/Demo.zbl", "s/src/a.zbl", "Shared/util.zbl", "abs.zbl"})
            Module(name);
    }

    void entriesResolveAgainstTheSolutionFolder() {
        const QString file = Path("s/Demo.zsl");
        WriteAll(file, QString("[Solution]\r\nName=Demo\r\nStartup=src\\a.zbl\r\n"
                               "BuildBatch=..\\tools\\make.sh\r\nFilesCount=6\r\n\r\n"
                               "[Files]\r\nFile1=Demo.zbl\r\nFile2=src\\a.zbl\r\n"
                               "File3=..\\Shared\\.\\util.zbl\r\nFile4=%1\r\n"
                               "File5=./src/../Demo.zbl\r\nFile6=missing.zbl\r\n")
                           .arg(Path("abs.zbl"))
                           .toUtf8());
        const QByteArray before = ReadAll(file);
        const SolutionLoad load = LoadSolution(file);
        QCOMPARE(load.Name, QString("Demo"));
        QCOMPARE(load.Startup, Path("s/src/a.zbl"));
        QCOMPARE(load.BuildBatch, Path("tools/make.sh"));  // made absolute, not checked
        QCOMPARE(load.FilesCount, 6);
        // A module listed twice is there twice: its second entry finds it open.
        QCOMPARE(load.Modules,
                 (QStringList{Path("s/Demo.zbl"), Path("s/src/a.zbl"), Path("Shared/util.zbl"),
                              Path("abs.zbl"), Path("s/Demo.zbl")}));
        QCOMPARE(ReadAll(file), before);
    }

    void theCountDecidesWhichKeysAreRead_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QStringList>("modules");
        const QStringList all = {"1", "3", "5", "9"};
        QTest::newRow("gaps, more than present") << "5" << 5 << QStringList{"1", "3", "5"};
        QTest::newRow("largest count") << "2147483647" << 2147483647 << all;
        QTest::newRow("beyond 32 bits") << "99999999999999999999" << 2147483647 << all;
        QTest::newRow("stops at the count") << "3" << 3 << QStringList{"1", "3"};
        QTest::newRow("digits then text") << "4 files" << 4 << QStringList{"1", "3"};
        QTest::newRow("plus sign") << "+1" << 1 << QStringList{"1"};
        QTest::newRow("zero") << "0" << 0 << QStringList{};
        QTest::newRow("negative") << "-3" << 0 << QStringList{};
        QTest::newRow("most negative") << "-2147483648" << 0 << QStringList{};
        QTest::newRow("not a number") << "many" << 0 << QStringList{};
        QTest::newRow("empty") << "" << 0 << QStringList{};
    }
    void theCountDecidesWhichKeysAreRead() {
        QFETCH(QString, count);
        QFETCH(int, counter);
        QFETCH(QStringList, modules);
        for (const char* name : {"c/m1.zbl", "c/m3.zbl", "c/m5.zbl", "c/m9.zbl"})
            Module(name);
        const QString file = Path("c/Count.zsl");
        WriteAll(file, QString("[Solution]\nFilesCount=%1\n[Files]\nFile1=m1.zbl\n"
                               "file3 = m3.zbl\nFILE5=m5.zbl\nFile04=m9.zbl\nFile 2=m9.zbl\n"
                               "File3=m9.zbl\nFile9=m9.zbl\n")
                           .arg(count)
                           .toUtf8());
        const SolutionLoad load = LoadSolution(file);
        QStringList expected;
        for (const QString& n : modules)
            expected << Path("c/m" + n + ".zbl");
        QCOMPARE(load.Modules, expected);
        QCOMPARE(load.FilesCount, counter);
    }

    void entriesThatAreNoReadableModuleAreSkipped_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << "   ";
        QTest::newRow("missing") << "nothing.zbl";
        QTest::newRow("folder") << "src";
        QTest::newRow("parent folder") << "..";
        QTest::newRow("device") << "/dev/zero";
        QTest::newRow("null device") << "/dev/null";
        QTest::newRow("pipe") << "fifo.zbl";
        QTest::newRow("broken link") << "dangling.zbl";
        QTest::newRow("the solution itself") << "Bad.zsl";
        QTest::newRow("itself by another way") << "src/../Bad.zsl";
        QTest::newRow("over 254 characters") << "src/" + LongName();
    }
    void entriesThatAreNoReadableModuleAreSkipped() {
        QFETCH(QString, entry);
        QDir().mkpath(Path("b/src"));
        Module("b/ok.zbl");
        Module("b/src/" + LongName());
        if (!QFileInfo::exists(Path("b/fifo.zbl")))
            QVERIFY(mkfifo(Path("b/fifo.zbl").toLocal8Bit().constData(), 0644) == 0);
        QFile::link(Path("b/gone.zbl"), Path("b/dangling.zbl"));
        const QString file = Path("b/Bad.zsl");
        WriteAll(file, "[Solution]\nFilesCount=3\n[Files]\nFile1=" + entry.toUtf8() +
                           "\nFile2=ok.zbl\nFile3=" + entry.toUtf8() + "\n");
        QCOMPARE(LoadSolution(file).Modules, QStringList{Path("b/ok.zbl")});
    }

    void unreadableModulesAreSkipped() {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        Module("u/locked.zbl");
        QFile::setPermissions(Path("u/locked.zbl"), QFileDevice::WriteOwner);
        WriteAll(Path("u/U.zsl"), "[Solution]\nFilesCount=1\n[Files]\nFile1=locked.zbl\n");
        QVERIFY(LoadSolution(Path("u/U.zsl")).Modules.isEmpty());
    }

    void aSolutionThatCannotBeReadLoadsEmpty_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << Path("none/None.zsl");
        QTest::newRow("folder") << Path("s");
        QTest::newRow("device") << "/dev/zero";
        QTest::newRow("empty path") << "";
    }
    void aSolutionThatCannotBeReadLoadsEmpty() {
        QFETCH(QString, file);
        const SolutionLoad load = LoadSolution(file);
        QCOMPARE(load.Name, QString());
        QCOMPARE(load.Startup, QString());
        QCOMPARE(load.FilesCount, 0);
        QVERIFY(load.Modules.isEmpty());
    }

    void withoutASolutionSectionNothingIsListed() {
        const QString file = Path("s/NoHeader.zsl");
        WriteAll(file, "Name=Lost\nFilesCount=1\n[Files]\nFile1=Demo.zbl\n[Tasks]\nCount=0\n");
        const SolutionLoad load = LoadSolution(file);
        QCOMPARE(load.Name, QString());
        QVERIFY(load.Modules.isEmpty());
    }

    void garbageNeverCrashesNorChangesTheFile() {
        // Random bytes, and random bytes around a valid solution: whatever
        // parses is used, the rest is skipped, the file stays as it was.
        QRandomGenerator random(20261206);
        const QByteArray valid = "[Solution]\nName=G\nFilesCount=2\n[Files]\nFile1=Demo.zbl\n";
        for (int round = 0; round < 40; ++round) {
            QByteArray noise(random.bounded(1, 3000), Qt::Uninitialized);
            for (char& c : noise)
                c = char(random.bounded(256));
            const QByteArray bytes = round % 2 ? noise + "\n" + valid + noise : noise;
            const QString file = Path("s/Garbage.zsl");
            WriteAll(file, bytes);
            const QByteArray before = Digest(file);
            const SolutionLoad load = LoadSolution(file);
            QCOMPARE(Digest(file), before);
            if (round % 2) {
                QVERIFY2(load.Modules.contains(Path("s/Demo.zbl")), qPrintable(load.Name));
            }
        }
    }

    void resolvingEntries_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rooted on Windows") << "\\x\\y.zbl"
                                           << "/x/y.zbl";
        QTest::newRow("drive") << "C:\\Work\\x.zbl"
                               << "C:/Work/x.zbl";
        QTest::newRow("above the root") << "../../../x.zbl"
                                        << "/x.zbl";
        QTest::newRow("empty") << ""
                               << "";
    }
    void resolvingEntries() {
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        QCOMPARE(ResolveEntry("/w/s", entry), expected);
    }
};

ZIDE_TEST(SolutionSaveTest)
ZIDE_TEST(SolutionLoadTest)

#include "SolutionFileTest.moc"
