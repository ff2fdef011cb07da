#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "editor/EditorWindow.h"
#include "settings/FileLock.h"
#include "shell/BackupFile.h"
#include "shell/DockHost.h"
#include "shell/LeftBehindBackups.h"
#include "shell/MainWindow.h"
#include "shell/ModuleBackup.h"

namespace {
const QByteArray Original = "Sub Main\r\nEnd Sub\r\n";
const QString RestoreTitle = QStringLiteral("Restore unsaved modules");

QString BackupRoot(const Ide& ide) {
    return ide.home.File("backup");
}

QStringList BackupFiles(const QString& root) {
    QStringList files;
    QDirIterator it(root, {"*.zbk"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

void Type(EditorWindow* editor, const QString& text) {
    editor->Editor()->insertAt(text, 0, 0);
}

void Flush(Ide& ide) {
    ide.window->Backups()->BackUpNow();
    ide.window->Backups()->WaitForWrites();
}

int Asked(const Ide& ide, const QString& title) {
    return static_cast<int>(std::count_if(ide.prompt.asked.begin(), ide.prompt.asked.end(),
                                          [&](const auto& a) { return a.title == title; }));
}

EditorWindow* EditorFor(const Ide& ide, const QString& path) {
    DocWindow* window = ide.WindowFor(path);
    return window ? qobject_cast<EditorWindow*>(window->Form()) : nullptr;
}

// A backup as a run that died would have left it, in a folder of its own.
QString LeaveBackup(const QString& root, const QString& run, const BackupRecord& record) {
    const QString path = root + "/" + run + "/module-1.zbk";
    WriteAll(path, BackupFile::Encode(record));
    return path;
}
}  // namespace

class BackupFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void RoundTripKeepsOddPathsAndText() {
        const BackupRecord record{"/home/u/my dir/line\nbreak %41 ü.zbl",
                                  QByteArray("a\0b\nc\r\n\xe2\x82\xac", 10)};
        const auto back = BackupFile::Decode(BackupFile::Encode(record));
        QVERIFY(back);
        QCOMPARE(back->modulePath, record.modulePath);
        QCOMPARE(back->text, record.text);
        const auto untitled = BackupFile::Decode(BackupFile::Encode({QString(), "x"}));
        QVERIFY(untitled && untitled->modulePath.isEmpty());
    }

    void DamagedBackupsAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray whole = BackupFile::Encode({"/tmp/a.zbl", "Sub Main\n"});
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << whole.left(whole.size() - 1);
        QTest::newRow("longer") << whole + "x";
        QTest::newRow("header only") << whole.left(whole.indexOf("size"));
        QTest::newRow("other format") << QByteArray("ZIDE-BACKUP 2\npath /a\nsize 0\n\n");
        QTest::newRow("relative path") << BackupFile::Encode({"a.zbl", "x"});
        QTest::newRow("negative size") << QByteArray("ZIDE-BACKUP 1\npath /a\nsize -1\n\n");
        QTest::newRow("no blank line") << QByteArray("ZIDE-BACKUP 1\npath /a\nsize 1\nx");
    }
    void DamagedBackupsAreRefused() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!BackupFile::Decode(bytes));
    }
};
ZIDE_TEST(BackupFileTest)

class ModuleBackupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The IDE is killed with a changed module and one never saved; the next
    // start offers both, and restores their text without touching the file.
    void KilledIdeOffersUnsavedModulesBack() {
        Ide ide;
        const QString a = ide.Write("a.zbl", Original);
        ide.Open(a);
        Type(ide.window->ActiveEditor(), "' edited\n");
        ide.window->RunTool("FileFile");
        EditorWindow* untitled = ide.window->ActiveEditor();
        QVERIFY(untitled && untitled->FileName().isEmpty());
        Type(untitled, "Dim kept\n");
        // The delay passes without a flush: the timer writes them.
        QTRY_COMPARE_WITH_TIMEOUT(BackupFiles(BackupRoot(ide)).size(), 2,
                                  4 * ModuleBackup::DelayMs);
        const QStringList before = BackupFiles(BackupRoot(ide));

        ide.window.reset();  // no clean exit
        QCOMPARE(ReadAll(a), Original);
        ide.prompt.buttons = {QMessageBox::Yes};
        ide.Start();

        QCOMPARE(Asked(ide, RestoreTitle), 1);
        const auto question = std::find_if(ide.prompt.asked.begin(), ide.prompt.asked.end(),
                                           [](const auto& q) { return q.title == RestoreTitle; });
        QVERIFY(question->text.contains(a));
        QVERIFY(question->text.contains("(never saved)"));

        EditorWindow* restored = EditorFor(ide, a);
        QVERIFY(restored);
        QCOMPARE(restored->Editor()->Text(), "' edited\r\nSub Main\r\nEnd Sub\r\n");
        QVERIFY(restored->Editor()->isModified());
        QCOMPARE(ReadAll(a), Original);
        EditorWindow* blank = EditorFor(ide, QString());
        QVERIFY(blank);
        QVERIFY(blank->Editor()->Text().startsWith("Dim kept\r\n"));
        QVERIFY(blank->Editor()->isModified());

        // This run holds its own backups of both; the old ones are gone.
        const QStringList after = BackupFiles(BackupRoot(ide));
        QCOMPARE(after.size(), 2);
        for (const QString& old : before)
            QVERIFY(!after.contains(old));
        // Undo goes back to the text on disk, and the module is no longer changed.
        restored->Editor()->undo();
        QCOMPARE(restored->Editor()->Text(), QString::fromUtf8(Original));
        QVERIFY(!restored->Editor()->isModified());
        QTRY_COMPARE(BackupFiles(BackupRoot(ide)).size(), 1);
    }

    // A module deleted since its backup comes back under its name, and
    // saving writes it there.
    void ModuleGoneFromDiskComesBackUnderItsName() {
        Ide ide(false);
        const QString gone = ide.home.File("gone.zbl");
        LeaveBackup(BackupRoot(ide), "dead-1", {gone, "Sub Gone\nEnd Sub\n"});
        ide.prompt.buttons = {QMessageBox::Yes};
        ide.Start();
        EditorWindow* editor = EditorFor(ide, gone);
        QVERIFY(editor);
        QVERIFY(!QFile::exists(gone));
        ide.window->RunTool("FileSave");
        QCOMPARE(ReadAll(gone), QByteArray("Sub Gone\nEnd Sub\n"));
    }

    // Two dead runs with the same module changed: neither text is lost.
    void SameModuleInTwoRunsKeepsBothTexts() {
        Ide ide(false);
        const QString a = ide.Write("a.zbl", Original);
        LeaveBackup(BackupRoot(ide), "dead-1", {a, "Dim first\n"});
        LeaveBackup(BackupRoot(ide), "dead-2", {a, "Dim second\n"});
        ide.prompt.buttons = {QMessageBox::Yes};
        ide.Start();
        QCOMPARE(ide.OpenFiles(), QStringList({a, QString()}));
        QStringList texts;
        for (DocWindow* window : ide.host()->Windows())
            if (auto* editor = qobject_cast<EditorWindow*>(window->Form()))
                texts << editor->Editor()->Text();
        texts.sort();
        QCOMPARE(texts, QStringList({"Dim first\r\n", "Dim second\r\n"}));
        QCOMPARE(ReadAll(a), Original);
    }

    void AnswersDecideWhatHappensToBackups() {
        Ide ide(false);
        const QString root = BackupRoot(ide);
        const QString left = LeaveBackup(root, "dead-1", {QString(), "Dim x\n"});
        // Cancel: asked again at the next start.
        ide.prompt.buttons = {QMessageBox::Cancel};
        ide.Start();
        QVERIFY(ide.OpenFiles().isEmpty());
        QVERIFY(QFile::exists(left));
        ide.window.reset();
        // No: the changes are discarded, with the dead run's folder.
        ide.prompt.buttons = {QMessageBox::No};
        ide.Start();
        QCOMPARE(Asked(ide, RestoreTitle), 2);
        QVERIFY(ide.OpenFiles().isEmpty());
        QVERIFY(!QDir(root + "/dead-1").exists());
        ide.window.reset();
        ide.Start();
        QCOMPARE(Asked(ide, RestoreTitle), 2);
    }

    void BackupGoesWhenTheChangesDo() {
        Ide ide;
        const QString a = ide.Write("a.zbl", Original);
        ide.Open(a);
        EditorWindow* editor = ide.window->ActiveEditor();
        const QString backup = ide.window->Backups()->BackupFileOf(editor);
        const auto change = [&] {
            Type(editor, "x");
            Flush(ide);
            QVERIFY(QFile::exists(backup));
        };

        change();
        ide.window->RunTool("FileSave");
        QTRY_VERIFY(!QFile::exists(backup));
        QCOMPARE(ReadAll(a), "x" + Original);

        change();
        editor->Editor()->undo();
        QTRY_VERIFY(!QFile::exists(backup));

        change();
        ide.prompt.buttons = {QMessageBox::No};
        QVERIFY(ide.host()->CloseWindow(ide.WindowFor(a)));
        QTRY_VERIFY(!QFile::exists(backup));
        QCOMPARE(ReadAll(a), "x" + Original);

        // A clean exit leaves no backup, and no folder of this run.
        ide.window->RunTool("FileFile");
        Type(ide.window->ActiveEditor(), "y");
        Flush(ide);
        QCOMPARE(BackupFiles(BackupRoot(ide)).size(), 1);
        ide.prompt.buttons = {QMessageBox::No};
        QVERIFY(ide.window->close());
        QVERIFY(QDir(BackupRoot(ide)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    // Changes made while a backup is being written are not lost: once the
    // writes settle, the backup holds the text as it is now.
    void BackupKeepsUpWithTyping() {
        Ide ide;
        QByteArray text;
        for (int i = 0; i < 20000; ++i)
            text += "Dim v" + QByteArray::number(i) + "\r\n";
        ide.Open(ide.Write("big.zbl", text));
        EditorWindow* editor = ide.window->ActiveEditor();
        const QString backup = ide.window->Backups()->BackupFileOf(editor);
        for (int i = 0; i < 30; ++i) {
            Type(editor, QString("k%1 ").arg(i));
            ide.window->Backups()->BackUpNow();
            QCoreApplication::processEvents();
        }
        ide.window->Backups()->WaitForWrites();
        const auto record = BackupFile::Read(backup);
        QVERIFY(record);
        QVERIFY(record->text.startsWith("k29 k28 "));
        QCOMPARE(QString::fromUtf8(record->text).replace("\n", "\r\n"), editor->Editor()->Text());
    }

    // Backups of a run that is alive are its own: another start leaves them.
    void LiveRunsBackupsAreNotOffered() {
        Ide ide;
        ide.Open(ide.Write("a.zbl", Original));
        Type(ide.window->ActiveEditor(), "x");
        Flush(ide);
        QVERIFY(LeftBehindBackups(BackupRoot(ide)).Items().empty());
        ide.window.reset();
        QCOMPARE(LeftBehindBackups(BackupRoot(ide)).Items().size(), size_t(1));
    }

    // Garbage in the backup folder is skipped and left alone; only the real
    // backup is offered.
    void GarbageInTheBackupFolderIsSkipped() {
        Ide ide(false);
        const QString root = BackupRoot(ide);
        const QString good = LeaveBackup(root, "dead-1", {QString(), "Dim good\n"});
        const QString run = root + "/dead-1/";
        WriteAll(run + "garbage.zbk",
                 "\x7f"
                 "ELF and so on");
        const QByteArray whole = BackupFile::Encode({QString(), "Dim cut\n"});
        WriteAll(run + "truncated.zbk", whole.left(whole.size() - 2));
        QFile huge(run + "huge.zbk");
        QVERIFY(huge.open(QIODevice::WriteOnly));
        huge.write(BackupFile::Encode({QString(), QByteArray()}));
        QVERIFY(huge.resize(BackupFile::MaxBytes + 1));  // sparse: costs no disk
        huge.close();
        QVERIFY(QFile::link(good, run + "link.zbk"));
        WriteAll(root + "/a file, not a run", "x");
        QDir().mkpath(run + "folder.zbk");
        QString foreign;
        if (::getuid() == 0) {
            foreign = LeaveBackup(root, "dead-2", {QString(), "Dim theirs\n"});
            QVERIFY(::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0);
        }

        ide.prompt.buttons = {QMessageBox::Yes};
        ide.Start();
        QCOMPARE(Asked(ide, RestoreTitle), 1);
        QCOMPARE(ide.OpenFiles(), QStringList({QString()}));
        QVERIFY(ide.window->ActiveEditor()->Editor()->Text().startsWith("Dim good"));
        QVERIFY(!QFile::exists(good));
        for (const char* name : {"garbage.zbk", "truncated.zbk", "huge.zbk"})
            QVERIFY2(QFile::exists(run + name), name);
        if (!foreign.isEmpty())
            QVERIFY(QFile::exists(foreign));
    }

    // A data folder that cannot be written: editing goes on, and the user is
    // told once, however many backups fail.
    void UnwritableDataFolderIsToldOnce() {
        QTemporaryDir dir;
        WriteAll(dir.filePath("file"), "x");
        qputenv("ZIDE_DATA", QFile::encodeName(dir.filePath("file/data")));
        const auto restore = qScopeGuard([] { qunsetenv("ZIDE_DATA"); });
        Ide ide(false);
        ide.Start();
        const QString a = ide.Write("a.zbl", Original);
        ide.Open(a);
        EditorWindow* editor = ide.window->ActiveEditor();
        const auto warnings = [&] {
            return std::count_if(
                ide.prompt.asked.begin(), ide.prompt.asked.end(),
                [](const auto& q) { return q.text.contains("cannot be backed up"); });
        };
        Type(editor, "x");
        Flush(ide);
        QCOMPARE(warnings(), 1);
        Type(editor, "y");
        Flush(ide);
        QCOMPARE(warnings(), 1);
        QCOMPARE(editor->Editor()->Text(), "yx" + QString::fromUtf8(Original));
        // Nor does the session that cannot be kept at exit tell again.
        ide.prompt.buttons = {QMessageBox::No};
        QVERIFY(ide.window->close());
        QCOMPARE(warnings(), 1);
        QCOMPARE(ReadAll(a), Original);
    }
};
ZIDE_TEST(ModuleBackupTest)

#include "ModuleBackupTest.moc"
