#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <csignal>

#include "TestSupport.h"
#include "settings/LayoutStore.h"

namespace {
QByteArray EveryByte() {
    QByteArray blob;
    for (int i = 0; i < 3 * 256; ++i)
        blob.append(static_cast<char>(i & 0xFF));
    return blob;
}

// A saved file whose "Version" text is replaced by another of the same length.
QByteArray WithVersion(QByteArray file, const QString& from, const QString& to) {
    const qsizetype at = file.indexOf(from.toUtf8());
    if (at >= 0)
        file.replace(at, from.size(), to.toUtf8());
    return file;
}

QByteArray Header(quint16 tag, quint16 dimensions, quint32 count, quint32 lowerBound) {
    char bytes[12];
    qToLittleEndian(tag, bytes);
    qToLittleEndian(dimensions, bytes + 2);
    qToLittleEndian(count, bytes + 4);
    qToLittleEndian(lowerBound, bytes + 8);
    return QByteArray(bytes, 12);
}
}  // namespace

class LayoutStoreTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString File() const { return dir.filePath(QStringLiteral("zlay.lay")); }

private Q_SLOTS:
    void init() { QFile::remove(File()); }

    void versionIsTwoTwoFourDigits() {
        const QString version = clsLayout().LayoutVersion();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{2}\\.\\d{2}\\.\\d{4}$"))
                     .match(version)
                     .hasMatch(),
                 qPrintable(version));
        const QStringList parts = version.split(QLatin1Char('.'));
        QCOMPARE(parts[0].toInt(), ZIDE_VERSION_MAJOR);
        QCOMPARE(parts[1].toInt(), ZIDE_VERSION_MINOR);
        QCOMPARE(parts[2].toInt(), ZIDE_VERSION_PATCH);
    }

    void roundTripKeepsEveryByte() {
        clsLayout saved;
        saved.SetLayout(EveryByte());
        saved.Save(File());

        clsLayout loaded;
        loaded.Load(File());
        QCOMPARE(loaded.VersionRead(), loaded.LayoutVersion());
        QCOMPARE(loaded.Layout(), EveryByte());

        // Saving again over a longer file leaves no trailing bytes behind.
        clsLayout shorter;
        shorter.SetLayout("ab");
        shorter.Save(File());
        loaded.Load(File());
        QCOMPARE(loaded.Layout(), QByteArray("ab"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"zlay.lay"});
    }

    void writtenFileIsOneByteArrayRecord() {
        clsLayout layout;
        layout.SetLayout(EveryByte());
        layout.Save(File());
        const QByteArray file = ReadAll(File());
        QVERIFY(file.size() > 12 + EveryByte().size());
        QCOMPARE(file.left(12), Header(0x2011, 1, file.size() - 12, 0));
        QCOMPARE(file.left(4), QByteArray("\x11\x20\x01\x00", 4));
    }

    void otherVersionIsIgnored_data() {
        QTest::addColumn<int>("field");
        QTest::newRow("major") << 0;
        QTest::newRow("minor") << 1;
        QTest::newRow("revision") << 2;
    }
    void otherVersionIsIgnored() {
        QFETCH(int, field);
        clsLayout layout;
        layout.SetLayout("docked panes");
        layout.Save(File());
        QStringList parts = layout.LayoutVersion().split(QLatin1Char('.'));
        parts[field] =
            QString(parts[field].size(),
                    parts[field].endsWith(QLatin1Char('9')) ? QLatin1Char('8') : QLatin1Char('9'));
        const QString other = parts.join(QLatin1Char('.'));
        WriteAll(File(), WithVersion(ReadAll(File()), layout.LayoutVersion(), other));

        clsLayout fresh;
        fresh.Load(File());
        QCOMPARE(fresh.VersionRead(), other);
        QVERIFY(fresh.Layout().isEmpty());

        // A layout already held is kept, and the next save stamps our version.
        clsLayout holding;
        holding.SetLayout("current");
        holding.Load(File());
        QCOMPARE(holding.Layout(), QByteArray("current"));
        holding.Save(File());
        fresh.Load(File());
        QCOMPARE(fresh.VersionRead(), fresh.LayoutVersion());
        QCOMPARE(fresh.Layout(), QByteArray("current"));
    }

    void emptyLayoutSavesOnlyTheVersion() {
        clsLayout empty;
        empty.Save(File());
        const QByteArray file = ReadAll(File());
        QVERIFY(file.contains("Version"));
        QVERIFY(file.contains(empty.LayoutVersion().toUtf8()));
        QVERIFY(!file.contains("Layout"));

        // Our version without a "Layout" entry means no layout at all.
        clsLayout loaded;
        loaded.SetLayout("stale");
        loaded.Load(File());
        QCOMPARE(loaded.VersionRead(), loaded.LayoutVersion());
        QVERIFY(loaded.Layout().isEmpty());
    }

    void badFilesLoadEmpty_data() {
        QTest::addColumn<QByteArray>("content");  // "<missing>" for no file at all
        clsLayout layout;
        layout.SetLayout(EveryByte());
        layout.Save(File());
        const QByteArray good = ReadAll(File());

        QByteArray shortBag = good.left(good.size() - 10);  // header agrees, last entry overruns
        qToLittleEndian<quint32>(shortBag.size() - 12, shortBag.data() + 4);
        QByteArray noMagic = good;
        noMagic[12] = 'X';

        QTest::newRow("missing") << QByteArray("<missing>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut") << good.left(7);
        QTest::newRow("bag cut") << good.left(good.size() - 1);
        QTest::newRow("entry runs past bag") << shortBag;
        QTest::newRow("bag not ours") << noMagic;
        QTest::newRow("huge count") << Header(0x2011, 1, 0xFFFFFFF0u, 0) + good.mid(12);
        QTest::newRow("other variant type")
            << Header(0x2008, 1, good.size() - 12, 0) + good.mid(12);
        QTest::newRow("two dimensions") << Header(0x2011, 2, good.size() - 12, 0) + good.mid(12);
        QTest::newRow("lower bound 1") << Header(0x2011, 1, good.size() - 12, 1) + good.mid(12);
        QByteArray garbage;
        for (int i = 0; i < 5000; ++i)
            garbage.append(static_cast<char>((i * 7919) >> 3));
        QTest::newRow("garbage") << garbage;
    }
    void badFilesLoadEmpty() {
        QFETCH(QByteArray, content);
        QFile::remove(File());
        if (content != "<missing>")
            WriteAll(File(), content);
        ScriptedPrompt prompt;
        clsLayout layout;
        layout.Load(File());
        QVERIFY(layout.Layout().isEmpty());
        QVERIFY(prompt.asked.empty());
    }

    // A header claiming four gigabytes is refused before anything is
    // allocated: in a process that cannot get even one gigabyte more, the load
    // still ends normally.
    void hugeCountAllocatesNothing() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer reserves more address space than the limit allows");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        QSKIP("the address sanitizer reserves more address space than the limit allows");
#endif
#endif
        clsLayout layout;
        layout.SetLayout("docked");
        layout.Save(File());
        QByteArray file = ReadAll(File());
        qToLittleEndian<quint32>(0xFFFFFFF0u, file.data() + 4);
        WriteAll(File(), file);

        const pid_t child = fork();
        if (child == 0) {
            // The child only loads: a failed allocation ends it plainly, and
            // nothing keeps it alive past a few seconds.
            for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGALRM})
                std::signal(sig, SIG_DFL);
            alarm(20);
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            const QByteArray text = status.readAll();
            const qsizetype at = text.indexOf("VmSize:");
            const rlim_t used = text.mid(at + 7).trimmed().split(' ').first().toULongLong() * 1024;
            limit.rlim_cur = used + (rlim_t(1) << 30);
            setrlimit(RLIMIT_AS, &limit);
            try {
                clsLayout loaded;
                loaded.Load(File());
                QBuffer buffer(&file);
                buffer.open(QIODevice::ReadOnly);
                loaded.Load(buffer);
                _exit(loaded.Layout().isEmpty() ? 0 : 2);
            } catch (...) {
                _exit(3);
            }
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status), "the load died");
        QCOMPARE(WEXITSTATUS(status), 0);  // 3: it tried to allocate the claimed size
    }

    void saveIntoMissingFolderWritesNothing() {
        const QString path = dir.filePath(QStringLiteral("no such folder/zlay.lay"));
        clsLayout layout;
        layout.SetLayout("x");
        layout.Save(path);
        QVERIFY(!QFile::exists(path));
    }
};

ZIDE_TEST(LayoutStoreTest)
#include "LayoutStoreTest.moc"
