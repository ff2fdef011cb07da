#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "TestSupport.h"
#include "settings/AtomicFile.h"
#include "settings/FileLock.h"
#include "settings/Registry.h"
#include "solution/IniControl.h"

namespace {

// The kill test makes hundreds of writes, each flushed to disk; in memory
// where there is a file system there, so it stays quick.
QString MemoryTempTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString root = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return root + QStringLiteral("/zide-kill-XXXXXX");
}

QStringList Temporaries(const QString& folder) {
    return QDir(folder).entryList({".*.zide-tmp-*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

class AtomicFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void LockIsHeldOnlyByTheLiving() {
        const QString path = dir.filePath("held.lock");
        WriteAll(path, "");  // left by a writer killed before it wrote its note
        FileLock first(path);
        QCOMPARE(first.TryLock(0), FileLock::Result::Locked);
        QVERIFY(first.IsLocked());
        QVERIFY(ReadAll(path).startsWith(QByteArray::number(getpid()) + "\n"));

        FileLock second(path);
        QCOMPARE(second.TryLock(0), FileLock::Result::Busy);
        QCOMPARE(second.TryLock(30), FileLock::Result::Busy);
        first.Unlock();
        QCOMPARE(second.TryLock(0), FileLock::Result::Locked);

        FileLock nowhere(dir.filePath("no/such/folder.lock"));
        QCOMPARE(nowhere.TryLock(0), FileLock::Result::Unavailable);

        // A lock file planted as a link to someone's file is not followed.
        WriteAll(dir.filePath("precious"), "keep me");
        QFile::link(dir.filePath("precious"), dir.filePath("planted.lock"));
        FileLock planted(dir.filePath("planted.lock"));
        QCOMPARE(planted.TryLock(0), FileLock::Result::Unavailable);
        QCOMPARE(ReadAll(dir.filePath("precious")), QByteArray("keep me"));
    }

    void ReplacesKeepingModeAndLinks() {
        const QString path = dir.filePath("module.zbl");
        QVERIFY(WriteFileAtomically(path, "one"));
        QCOMPARE(ReadAll(path), QByteArray("one"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        QVERIFY(WriteFileAtomically(path, "two"));
        QCOMPARE(ReadAll(path), QByteArray("two"));
        QCOMPARE(QFile::permissions(path) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        const QString link = dir.filePath("link.zbl");
        QFile::link(path, link);
        QVERIFY(WriteFileAtomically(link, "three"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadAll(path), QByteArray("three"));

        QVERIFY(QDir(dir.path()).mkdir("folder.zbl"));
        QVERIFY(!WriteFileAtomically(dir.filePath("folder.zbl"), "x"));
        QVERIFY(!WriteFileAtomically(dir.filePath("no/such/folder/x.zbl"), "x"));
        QCOMPARE(Temporaries(dir.path()), QStringList());
    }

    // A temporary whose writer died goes at the next write of its file; one
    // whose writer still holds it, and everything else, stays.
    void DeadWritersTemporariesAreRemoved() {
        QTemporaryDir folder;
        const QString path = folder.filePath("Demo.zsl");
        WriteAll(folder.filePath(".Demo.zsl.zide-tmp-dead01"), "half");
        WriteAll(folder.filePath(".Demo.zsl.zide-tmp-alive1"), "busy");
        WriteAll(folder.filePath(".Other.zsl.zide-tmp-dead02"), "not this file's");
        WriteAll(folder.filePath("Demo.zsl.ab12CD"), "a user's file");
        const int alive =
            ::open(QFile::encodeName(folder.filePath(".Demo.zsl.zide-tmp-alive1")), O_RDWR);
        QVERIFY(alive >= 0);
        QCOMPARE(::flock(alive, LOCK_EX), 0);

        QVERIFY(WriteFileAtomically(path, "[Solution]\r\n"));
        QCOMPARE(Temporaries(folder.path()),
                 QStringList({".Demo.zsl.zide-tmp-alive1", ".Other.zsl.zide-tmp-dead02"}));
        QVERIFY(QFile::exists(folder.filePath("Demo.zsl.ab12CD")));
        ::close(alive);
        QVERIFY(WriteFileAtomically(path, "[Solution]\r\n"));
        QCOMPARE(Temporaries(folder.path()), QStringList({".Other.zsl.zide-tmp-dead02"}));
    }
};

// Writers killed at random points of their writes, over and over: the files
// stay whole and the next write neither waits nor fails.
class WriterKillTest : public QObject {
    Q_OBJECT

    static constexpr int Keys = 20;

    // True when `text` is a whole value as the writer makes them.
    static bool Whole(const QString& text) {
        static const QRegularExpression form(QStringLiteral("^gen(\\d+):(x+):end$"));
        const QRegularExpressionMatch match = form.match(text);
        if (!match.hasMatch())
            return text == QLatin1String("initial");
        return match.capturedLength(2) == 100 + match.captured(1).toInt() % 50;
    }

private Q_SLOTS:
    void KilledWritersLeaveWholeFiles() {
        using namespace mdlRegistry;
        TestHome home(false);
        QTemporaryDir folder(MemoryTempTemplate());
        const QString registry = folder.filePath("registry.reg");
        qputenv("ZIDE_REGISTRY", QFile::encodeName(registry));
        const QString ini = folder.filePath("Demo.zsl");
        for (int k = 0; k < Keys; ++k) {
            const QString key = QStringLiteral("K%1").arg(k);
            QVERIFY(SetRegString(RegRoot::LocalMachine, "Stress", key, "initial"));
            for (int s = 0; s < 3; ++s)
                QVERIFY(mdlIniControl::WriteIniValue(ini, QStringLiteral("S%1").arg(s), key,
                                                     "initial"));
        }
        QRandomGenerator random(8);
        for (int round = 0; round < 100; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(ZIDE_REGWRITER), {"loop", ini});
            QVERIFY(writer.waitForReadyRead(30000));
            QThread::usleep(random.bounded(20000));
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));

            FileLock settingsLock(registry + ".lock");
            QCOMPARE(settingsLock.TryLock(0), FileLock::Result::Locked);
            FileLock iniLock(folder.filePath(".Demo.zsl.lock"));
            QCOMPARE(iniLock.TryLock(0), FileLock::Result::Locked);
            settingsLock.Unlock();
            iniLock.Unlock();

            QVERIFY(ReadAll(registry).startsWith("REGEDIT4\n"));
            for (int k = 0; k < Keys; ++k) {
                const QString key = QStringLiteral("K%1").arg(k);
                const QString value = GetRegString(RegRoot::LocalMachine, "Stress", key);
                QVERIFY2(Whole(value),
                         qPrintable(QStringLiteral("round %1: %2").arg(round).arg(value)));
                for (int s = 0; s < 3; ++s) {
                    const QString text =
                        mdlIniControl::ReadIniValue(ini, QStringLiteral("S%1").arg(s), key);
                    QVERIFY2(Whole(text), qPrintable(text));
                }
            }
            QVERIFY(SetRegString(RegRoot::LocalMachine, "Stress", "After", QString::number(round)));
            QVERIFY(mdlIniControl::WriteIniValue(ini, "S0", "After", QString::number(round)));
            QCOMPARE(Temporaries(folder.path()), QStringList());
        }
        QCOMPARE(mdlIniControl::ReadIniValue(ini, "S0", "After"), "99");
    }
};

ZIDE_TEST(AtomicFileTest)
ZIDE_TEST(WriterKillTest)
#include "AtomicFileTest.moc"
