#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "solution/IniControl.h"

using namespace mdlIniControl;

// Writes flush to disk, which costs milliseconds each on a real disk; these
// tests make hundreds, so they run in memory where there is one.
QString MemoryTempTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString root = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return root + QStringLiteral("/zide-ini-XXXXXX");
}

class IniControlTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir{MemoryTempTemplate()};
    QString Path(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    void Reads_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaced name and value") << "Solution"
                                               << "Name"
                                               << "Demo Project";
        QTest::newRow("case and blanks in the names") << " solution "
                                                      << " NAME "
                                                      << "Demo Project";
        QTest::newRow("double quotes") << "Solution"
                                       << "Startup"
                                       << "Demo.zbl";
        QTest::newRow("single quotes keep inner blanks") << "Solution"
                                                         << "Quoted"
                                                         << " spaced ";
        QTest::newRow("unmatched quotes kept") << "Solution"
                                               << "Mixed"
                                               << "\"a'";
        QTest::newRow("second = is value") << "Solution"
                                           << "Equals"
                                           << "a=b";
        QTest::newRow("comment") << "Solution"
                                 << "Commented"
                                 << "";
        QTest::newRow("empty value") << "Solution"
                                     << "Empty"
                                     << "";
        QTest::newRow("key without =") << "Solution"
                                       << "BareKey"
                                       << "";
        QTest::newRow("before first section") << "Solution"
                                              << "Orphan"
                                              << "";
        QTest::newRow("spaced header, first of two") << "FILES"
                                                     << "File1"
                                                     << "src\\a.zbl";
        QTest::newRow("missing section") << "Tasks"
                                         << "Count"
                                         << "";
    }
    void Reads() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString file = Path("read.zsl");
        WriteAll(file,
                 "Orphan=before any section\n"
                 "[Solution]\n"
                 "  Name  =   Demo Project   \n"
                 "startup=\"Demo.zbl\"\n"
                 "Quoted=' spaced '\n"
                 "Half=\"open\n"
                 "Mixed=\"a'\n"
                 "Equals=a=b\n"
                 ";Commented=yes\n"
                 "\t; Indented=comment\n"
                 "Empty=\n"
                 "BareKey\n"
                 "[ Files ]  trailing\n"
                 "File1 = src\\a.zbl\n"
                 "[files]\n"
                 "File1=second\n");
        QCOMPARE(ReadIniValue(file, section, key), expected);
    }

    void ReadsOtherFileShapes() {
        QCOMPARE(ReadIniValue(Path("missing.zsl"), "Solution", "Name"), QString());
        QCOMPARE(ReadIniValue(dir.path(), "Solution", "Name"), QString());

        const QString file = Path("shapes.zsl");
        WriteAll(file, "[A]\rx=cr only\r[B]\ry=2");
        QCOMPARE(ReadIniValue(file, "A", "x"), "cr only");
        QCOMPARE(ReadIniValue(file, "B", "y"), "2");

        WriteAll(file, "\xEF\xBB\xBF[A]\r\nutf8=Caf\xC3\xA9\r\nlatin1=Caf\xE9\r\n");
        QCOMPARE(ReadIniValue(file, "A", "utf8"), QString::fromUtf8("Café"));
        QCOMPARE(ReadIniValue(file, "A", "latin1"), QString::fromUtf8("Café"));
    }

    void ValuesAreCutAt254Characters() {
        const QString file = Path("long.zsl");
        const QString longValue = QString(300, 'x');
        QVERIFY(WriteIniValue(file, "A", "Long", longValue));
        QCOMPARE(ReadIniValue(file, "A", "Long"), longValue.left(254));
        QVERIFY(ReadAll(file).contains(longValue.toUtf8()));  // the file holds it all

        WriteAll(file, "[A]\nQuoted=\"" + QByteArray(254, 'y') +
                           "\"\nExact=" + QByteArray(254, 'z') + "\n");
        QCOMPARE(ReadIniValue(file, "A", "Quoted"), QString(254, 'y'));
        QCOMPARE(ReadIniValue(file, "A", "Exact"), QString(254, 'z'));
    }

    // The writes SaveSolution makes, in its order, give the example file.
    void WritesBuildASolutionFile() {
        const QString file = Path("Demo.zsl");
        QVERIFY(WriteIniValue(file, "Solution", "Name", "Demo"));
        QCOMPARE(ReadAll(file), QByteArray("[Solution]\r\nName=Demo\r\n"));
        WriteIniValue(file, "Solution", "Startup", "Demo.zbl");
        WriteIniValue(file, "Solution", "BuildBatch", "");
        WriteIniValue(file, "Solution", "FilesCount", "0");
        QVERIFY(DeleteIniSection(file, "Files"));
        WriteIniValue(file, "Files", "File1", "Demo.zbl");
        WriteIniValue(file, "Files", "File2", "..\\Shared\\util.zbl");
        WriteIniValue(file, "Solution", "FilesCount", "2");
        WriteIniValue(file, "Tasks", "Count", "0");
        // A new section follows the last line directly, as the profile services add it.
        QCOMPARE(ReadAll(file),
                 QByteArray("[Solution]\r\nName=Demo\r\nStartup=Demo.zbl\r\n"
                            "BuildBatch=\r\nFilesCount=2\r\n"
                            "[Files]\r\nFile1=Demo.zbl\r\nFile2=..\\Shared\\util.zbl\r\n"
                            "[Tasks]\r\nCount=0\r\n"));
    }

    void WritesKeepEveryOtherByte() {
        const QString file = Path("kept.zsl");
        const QByteArray before =
            "; made by hand\xFF\xFE\n"
            "[Solution]\n"
            "   Name =  Old  \n"
            "Startup=\xE9t\xE9.zbl\n"
            "\n"
            "; about Files\n"
            "\n"
            "[Files]\n"
            "File1=a.zbl";
        WriteAll(file, before);

        // A rewritten key keeps its place, spelling and indentation.
        QVERIFY(WriteIniValue(file, "SOLUTION", "name", "New"));
        QByteArray expected = before;
        expected.replace("   Name =  Old  \n", "   Name=New\n");
        QCOMPARE(ReadAll(file), expected);

        // A new key follows the section's last key, before blank lines and comments.
        QVERIFY(WriteIniValue(file, "Solution", "BuildBatch", "make.bat"));
        expected.replace("t\xE9.zbl\n", "t\xE9.zbl\nBuildBatch=make.bat\n");
        QCOMPARE(ReadAll(file), expected);

        // The last line gets its line end before a key is added after it.
        QVERIFY(WriteIniValue(file, "Files", "File2", "b.zbl"));
        expected += "\nFile2=b.zbl\n";
        QCOMPARE(ReadAll(file), expected);

        // Writing the value a key already holds leaves the file alone.
        QVERIFY(WriteIniValue(file, "Files", "File2", "b.zbl"));
        QCOMPARE(ReadAll(file), expected);
        QCOMPARE(ReadIniValue(file, "Solution", "Startup"), QString::fromUtf8("été.zbl"));
    }

    void NewLinesTakeTheFilesLineEnd() {
        const QString crlf = Path("crlf.zsl");
        WriteAll(crlf, "[A]\r\nx=1\r\n");
        WriteIniValue(crlf, "A", "y", "2");
        WriteIniValue(crlf, "B", "z", "3");
        QCOMPARE(ReadAll(crlf), QByteArray("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"));

        const QString lf = Path("lf.zsl");
        WriteAll(lf, "[A]\n[C]\nc=1\n\n");
        WriteIniValue(lf, "A", "y", "2");
        WriteIniValue(lf, "B", "z", "3");
        QCOMPARE(ReadAll(lf), QByteArray("[A]\ny=2\n[C]\nc=1\n\n[B]\nz=3\n"));

        // A last line without a line end gets the file's own before anything follows it.
        const QByteArray cases[][2] = {
            {"[A]\r\nx=1", "[A]\r\nx=1\r\n[B]\r\nz=3\r\n"},
            {"[A]\nx=1", "[A]\nx=1\n[B]\nz=3\n"},
            {"; one line", "; one line\r\n[B]\r\nz=3\r\n"},
            {"[A]\rx=1\r[B]", "[A]\rx=1\r[B]\rz=3\r"},
            {"\xEF\xBB\xBF", "\xEF\xBB\xBF[B]\r\nz=3\r\n"},
        };
        const QString file = Path("ends.zsl");
        for (const auto& [before, after] : cases) {
            WriteAll(file, before);
            QVERIFY(WriteIniValue(file, "B", "z", "3"));
            QCOMPARE(ReadAll(file), after);
        }
    }

    void DeletedSectionWrittenAgainMovesToEnd() {
        const QString file = Path("delete.zsl");
        WriteAll(file,
                 "[Solution]\r\nFilesCount=1\r\n\r\n[Files]\r\nFile1=a.zbl\r\n\r\n"
                 "[Tasks]\r\nCount=0\r\n[files]\r\nFile9=old\r\n");
        QVERIFY(DeleteIniSection(file, " FILES "));
        QCOMPARE(ReadAll(file),
                 QByteArray("[Solution]\r\nFilesCount=1\r\n\r\n[Tasks]\r\nCount=0\r\n"));
        QCOMPARE(ReadIniValue(file, "Files", "File1"), QString());

        WriteIniValue(file, "Files", "File1", "b.zbl");
        QCOMPARE(ReadAll(file),
                 QByteArray("[Solution]\r\nFilesCount=1\r\n\r\n[Tasks]\r\nCount=0\r\n"
                            "[Files]\r\nFile1=b.zbl\r\n"));

        // Nothing to delete: the file stays as it is, a missing file stays missing.
        const QByteArray now = ReadAll(file);
        QVERIFY(DeleteIniSection(file, "Other"));
        QCOMPARE(ReadAll(file), now);
        QVERIFY(DeleteIniSection(Path("none.zsl"), "Files"));
        QVERIFY(!QFile::exists(Path("none.zsl")));
    }

    void BadInputIsRefusedOrSurvived() {
        const QString file = Path("bad.zsl");
        WriteAll(file, "[A]\nx=1\n");
        QVERIFY(!WriteIniValue(file, "A", "a=b", "v"));
        QVERIFY(!WriteIniValue(file, "A", "[B]", "v"));
        QVERIFY(!WriteIniValue(file, " ", "x", "v"));
        QVERIFY(!WriteIniValue(file, "A\n[B", "x", "v"));
        QCOMPARE(ReadAll(file), QByteArray("[A]\nx=1\n"));

        // A value is one line: what follows a line break cannot become a section.
        QVERIFY(WriteIniValue(file, "A", "x", "kept\n[Files]\nFile1=evil"));
        QCOMPARE(ReadAll(file), QByteArray("[A]\nx=kept\n"));

        // No folder to write in, or a folder in the file's place: nothing is made.
        QVERIFY(!WriteIniValue(Path("no/such/folder.zsl"), "A", "x", "1"));
        QVERIFY(!QFile::exists(Path("no/such/folder.zsl")));
        QVERIFY(!WriteIniValue(dir.path(), "A", "x", "1"));

        // Binary garbage and a huge line are read, kept and added to.
        QByteArray garbage(64 * 1024, '\0');
        QRandomGenerator random(2024);
        for (char& c : garbage)
            c = static_cast<char>(random.bounded(256));
        garbage.replace('[', '{').replace('\r', '\n');  // no headers, LF line ends
        const QByteArray huge = "[A]\nHuge=" + QByteArray(4 * 1024 * 1024, 'h') + "\n";
        WriteAll(file, garbage + "\n" + huge);
        QCOMPARE(ReadIniValue(file, "A", "Huge"), QString(254, 'h'));
        QVERIFY(WriteIniValue(file, "A", "Small", "s"));
        QCOMPARE(ReadIniValue(file, "A", "Small"), "s");
        QCOMPARE(ReadAll(file), garbage + "\n" + huge + "Small=s\n");
    }

    // A byte-order mark or ^Z at either end of a name is trimmed alike when a
    // name is written and when it is looked for, so a write finds its line.
    void NamesAreTrimmedAlikeBothWays() {
        const QString file = Path("trim.zsl");
        const QString bom = QString(QChar(0xFEFF));
        const QString eof = QString(QChar(0x1A));
        WriteAll(file, "[A]\r\n");
        QVERIFY(WriteIniValue(file, "A", bom + "Key", "1"));
        QVERIFY(WriteIniValue(file, "A", bom + "Key", "2"));
        QVERIFY(WriteIniValue(file, "A", "Other" + eof, "3"));
        QVERIFY(WriteIniValue(file, "A", "Other" + eof, "4"));
        QVERIFY(WriteIniValue(file, bom + "Sec" + eof, "k", "5"));
        QVERIFY(WriteIniValue(file, "Sec", "k", "6"));
        QCOMPARE(ReadAll(file), QByteArray("[A]\r\nKey=2\r\nOther=4\r\n[Sec]\r\nk=6\r\n"));
        QCOMPARE(ReadIniValue(file, "A", bom + "Key"), "2");
        QCOMPARE(ReadIniValue(file, "A", "Other" + eof), "4");
        QCOMPARE(ReadIniValue(file, bom + "SEC", "K" + eof), "6");

        // Lines that carry a mark themselves, as files joined together do.
        WriteAll(file, "[A]\r\n\xEF\xBB\xBF[B]\r\n\xEF\xBB\xBFk\x1A=1\r\n");
        QCOMPARE(ReadIniValue(file, "B", "k"), "1");
        QVERIFY(WriteIniValue(file, "b", bom + "K", "2"));
        QCOMPARE(ReadAll(file), QByteArray("[A]\r\n\xEF\xBB\xBF[B]\r\n\xEF\xBB\xBFk=2\r\n"));
        QCOMPARE(ReadIniSection(file, "B"), (QList<std::pair<QString, QString>>{{"k", "2"}}));
    }

    // A batch leaves the file byte for byte as the single calls in the same
    // order do, from files of every shape.
    void BatchEqualsSingleCalls() {
        const QByteArray starts[] = {
            "",
            "[Solution]\r\nName=Old\r\nFilesCount=3\r\n\r\n[Files]\r\nFile1=a.zbl\r\n"
            "File3=c.zbl\r\n\r\n; tasks\r\n[Tasks]\r\nCount=1\r\nItem0=x\r\n[files]\r\nFile9=z",
            "\xEF\xBB\xBF; header\n[solution]\n  name = Old \n[Other]\nk=v\n",
            "[Files]\rFile1=a\r[Solution]\rName=x",
            "Orphan=1\n[Tasks]\r\nCount=0\n\n[Solution]\r\nName=mixed\n",
            "[Files]\nFile1=a\n[Solution]\r\nName=x\r\n",
        };
        const char* sections[] = {"Solution", "Files", "Tasks", "files", " Other "};
        const char* keys[] = {"Name", "FilesCount", "File1", "file2", "Count", "Item0"};
        QRandomGenerator random(31);
        const QString single = Path("single.zsl");
        const QString batched = Path("batched.zsl");
        for (int round = 0; round < 200; ++round) {
            const QByteArray start = starts[round % std::size(starts)];
            WriteAll(single, start);
            WriteAll(batched, start);
            IniBatch batch(batched);
            const int count = 1 + random.bounded(12);
            for (int i = 0; i < count; ++i) {
                const QString section = sections[random.bounded(int(std::size(sections)))];
                if (random.bounded(5) == 0) {
                    DeleteIniSection(single, section);
                    batch.DeleteSection(section);
                } else {
                    const QString key = keys[random.bounded(int(std::size(keys)))];
                    const QString value = QString::number(random.bounded(3));
                    WriteIniValue(single, section, key, value);
                    batch.WriteValue(section, key, value);
                }
            }
            QVERIFY(batch.Commit());
            QCOMPARE(ReadAll(batched), ReadAll(single));
        }
    }

    void BatchSkipsOnlyWhatItRefuses() {
        const QString file = Path("refused.zsl");
        WriteAll(file, "[A]\r\nx=1\r\n");
        IniBatch batch(file);
        batch.WriteValue("A", "a=b", "refused");
        batch.WriteValue("A", "y", "2");
        batch.DeleteSection(" ");
        QVERIFY(!batch.Commit());
        QCOMPARE(ReadAll(file), QByteArray("[A]\r\nx=1\r\ny=2\r\n"));
        QVERIFY(batch.Commit());  // nothing left to do

        // Deleting from a file that is not there makes neither the file nor a lock.
        IniBatch nothing(Path("absent.zsl"));
        nothing.DeleteSection("Files");
        QVERIFY(nothing.Commit());
        QVERIFY(!QFile::exists(Path("absent.zsl")));
        QVERIFY(!QFile::exists(Path(".absent.zsl.lock")));
    }

    // Two processes writing different keys of one file at once lose nothing.
    void TwoWritersLoseNothing() {
        const QString file = Path("Shared.zsl");
        WriteAll(file, "[Solution]\r\nName=Shared\r\n");
        QProcess first;
        QProcess second;
        first.start(QStringLiteral(ZIDE_REGWRITER), {"ini", file, "one", "300"});
        second.start(QStringLiteral(ZIDE_REGWRITER), {"ini", file, "two", "300"});
        QVERIFY(first.waitForFinished(60000));
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);
        QSet<std::pair<QString, QString>> expected;
        for (const char* prefix : {"one", "two"})
            for (int i = 0; i < 300; ++i)
                expected.insert({prefix + QString::number(i), QString::number(i)});
        const auto entries = ReadIniSection(file, "Stress");
        QCOMPARE(QSet(entries.begin(), entries.end()), expected);
        QVERIFY(QFile::exists(Path(".Shared.zsl.lock")));
    }

    // A lock that cannot be had does not stop a write; what would fail
    // without it still fails.
    void LockTroubleDoesNotStopAWrite() {
        const QString file = Path("Blocked.zsl");
        QVERIFY(QDir(dir.path()).mkdir(".Blocked.zsl.lock"));
        QVERIFY(WriteIniValue(file, "A", "x", "1"));
        QCOMPARE(ReadIniValue(file, "A", "x"), "1");
    }

    // A write that may not grow the file (as on a full disk) leaves it whole.
    void FailedSaveLeavesTheOldFile() {
        const QString file = Path("Full.zsl");
        QByteArray before = "[Stress]\r\n";
        for (int i = 0; i < 50; ++i)
            before += "Item" + QByteArray::number(i) + "=" + QByteArray(100, 'v') + "\r\n";
        WriteAll(file, before);
        QProcess writer;
        writer.start(QStringLiteral(ZIDE_REGWRITER), {"--limit", "1024", "ini", file, "big", "1"});
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.exitCode(), 1);
        QCOMPARE(ReadAll(file), before);
        QCOMPARE(QDir(dir.path()).entryList({".Full.zsl.zide-tmp-*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }
};

ZIDE_TEST(IniControlTest)
#include "IniControlTest.moc"
