#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "build/BuildPipeline.h"
#include "settings/ProgramFolder.h"
#include "settings/UserFiles.h"
#include "shell/MainWindow.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskListPane.h"

namespace {
// The data and cache folders of an installed IDE: apart from the program
// folder, and not there yet.
class UserFolders {
public:
    UserFolders() : oldData(qgetenv("ZIDE_DATA")), oldCache(qgetenv("ZIDE_CACHE")) {
        qputenv("ZIDE_DATA", Data().toLocal8Bit());
        qputenv("ZIDE_CACHE", Cache().toLocal8Bit());
    }
    ~UserFolders() {
        qputenv("ZIDE_DATA", oldData);
        qputenv("ZIDE_CACHE", oldCache);
    }
    QString Data() const { return dir.filePath("share/zorbel-builder"); }
    QString Cache() const { return dir.filePath("cache/zorbel-builder"); }

private:
    QTemporaryDir dir;
    QByteArray oldData, oldCache;
};

// Every file below `folder` with its bytes.
QMap<QString, QByteArray> Snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden))
        files[info.fileName()] = ReadAll(info.filePath());
    return files;
}

void SetAge(const QString& path, int secondsAgo) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                             QFileDevice::FileModificationTime));
}

// The build's copy of the shipped program folder files.
bool CopyProgramFolder(const QString& source, const QString& dest) {
    QProcess cmake;
    // An earlier test may have left the working folder in a removed one.
    cmake.setWorkingDirectory(dest.section('/', 0, -2));
    cmake.start(QStandardPaths::findExecutable("cmake"),
                {"-DSOURCE=" + source, "-DDEST=" + dest, "-P",
                 ZIDE_SOURCE_DIR "/cmake/CopyProgramFolder.cmake"});
    return cmake.waitForFinished(30000) && cmake.exitCode() == 0;
}
}  // namespace

class UserFilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a user writes lives in the data folder: a later start, even from
    // another program folder, finds the tasks there, and the program folder
    // does not change.
    void UserFilesLiveInTheDataFolder() {
        UserFolders folders;
        {
            Ide ide(false);
            const auto shipped = Snapshot(ide.home.Path());
            ide.Start();
            QCOMPARE(ReadAll(folders.Data() + "/!default.zsl"),
                     ReadAll(ide.home.File("!default.zsl")));
            QCOMPARE(TaskFile::Path(), folders.Data() + "/!default.zsl");
            QVERIFY(TaskFile::Write(TaskFile::Path(), {"Keep me"}));
            auto* tasks = ide.window->findChild<TaskListPane*>();
            QVERIFY(tasks);
            tasks->LoadTasks();
            ide.window->close();
            QVERIFY(QFileInfo(folders.Data() + "/zlay.lay").size() > 0);
            // Only the test's own settings store (and its locks) is beside them.
            auto now = Snapshot(ide.home.Path());
            const QString registry = QFileInfo(ide.home.RegistryFile()).fileName();
            now.removeIf([&](auto it) { return it.key().startsWith(registry); });
            QCOMPARE(now.keys(), shipped.keys());
            QCOMPARE(now, shipped);
        }
        Ide again;
        QCOMPARE(again.window->findChild<TaskListPane*>()->Tasks(), QStringList{"Keep me"});
    }

    // An installed default solution is read-only; the user's copy is not.
    void UserCopyOfAReadOnlyDefaultIsWritable() {
        UserFolders folders;
        TestHome home;
        QFile::setPermissions(home.File("!default.zsl"), QFileDevice::ReadOwner |
                                                             QFileDevice::ReadGroup |
                                                             QFileDevice::ReadOther);
        const QString own = UserFiles::DefaultSolution();
        QCOMPARE(own, folders.Data() + "/!default.zsl");
        QVERIFY(QFileInfo(own).permissions() & QFileDevice::WriteOwner);
        QVERIFY(TaskFile::Write(own, {"a task"}));
        // Later uses keep the user's file.
        QCOMPARE(UserFiles::DefaultSolution(), own);
        QCOMPARE(TaskFile::Read(own), QStringList{"a task"});
    }

    // Without a shipped default the first task written creates the user's.
    void MissingShippedDefaultStillGivesAPlace() {
        UserFolders folders;
        TestHome home(false);
        const QString own = UserFiles::DefaultSolution();
        QVERIFY(!QFile::exists(own));
        QVERIFY(TaskFile::Write(own, {"first"}));
        QCOMPARE(TaskFile::Read(own), QStringList{"first"});
    }

    void ScratchFilesGoToTheCacheFolder() {
        UserFolders folders;
        TestHome home;
        const QString scratch = UserFiles::ScratchFile("zqtemp001.zbl");
        QCOMPARE(scratch, folders.Cache() + "/zqtemp001.zbl");
        QVERIFY(QFileInfo(folders.Cache()).isDir());
        WriteAll(scratch, "x");
        WriteAll(folders.Cache() + "/zqtemp001.exe", "x");
        WriteAll(home.File("zqtemp001.zbl"), "a user's module of that name");
        BuildPipeline::RemoveScratchFiles();
        QVERIFY(!QFile::exists(scratch));
        QVERIFY(!QFile::exists(folders.Cache() + "/zqtemp001.exe"));
        QVERIFY(QFile::exists(home.File("zqtemp001.zbl")));
    }

    // The build copies the shipped files into its folder on every build; a
    // file changed there since is kept, an outdated one is brought up to date.
    void BuildCopyKeepsChangedFiles() {
        QTemporaryDir dir;
        const QString source = dir.filePath("shipped"), dest = dir.filePath("build");
        WriteAll(source + "/!default.zsl", "[Tasks]\r\nCount=0\r\n");
        WriteAll(source + "/syntax/zbl.syn", "new syntax");
        WriteAll(source + "/zorbel.html", "help");
        QVERIFY(CopyProgramFolder(source, dest));
        QCOMPARE(ReadAll(dest + "/syntax/zbl.syn"), QByteArray("new syntax"));

        WriteAll(dest + "/!default.zsl", "[Tasks]\r\nCount=1\r\nItem0=mine\r\n");
        WriteAll(dest + "/syntax/zbl.syn", "old syntax");
        SetAge(dest + "/syntax/zbl.syn", 3600);
        QFile::remove(dest + "/zorbel.html");
        QVERIFY(CopyProgramFolder(source, dest));
        QCOMPARE(ReadAll(dest + "/!default.zsl"),
                 QByteArray("[Tasks]\r\nCount=1\r\nItem0=mine\r\n"));
        QCOMPARE(ReadAll(dest + "/syntax/zbl.syn"), QByteArray("new syntax"));
        QCOMPARE(ReadAll(dest + "/zorbel.html"), QByteArray("help"));
    }
};

ZIDE_TEST(UserFilesTest)
#include "UserFilesTest.moc"
