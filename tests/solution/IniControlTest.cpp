#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "solution/IniControl.h"

using namespace mdlIniControl;

class IniControlTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
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
        QCOMPARE(ReadAll(file),
                 QByteArray("[Solution]\r\nName=Demo\r\nStartup=Demo.zbl\r\n"
                            "BuildBatch=\r\nFilesCount=2\r\n\r\n"
                            "[Files]\r\nFile1=Demo.zbl\r\nFile2=..\\Shared\\util.zbl\r\n"
                            "\r\n[Tasks]\r\nCount=0\r\n"));
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
        QCOMPARE(ReadAll(crlf), QByteArray("[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n"));

        const QString lf = Path("lf.zsl");
        WriteAll(lf, "[A]\n[C]\nc=1\n\n");
        WriteIniValue(lf, "A", "y", "2");
        WriteIniValue(lf, "B", "z", "3");
        QCOMPARE(ReadAll(lf), QByteArray("[A]\ny=2\n[C]\nc=1\n\n[B]\nz=3\n"));
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
                            "\r\n[Files]\r\nFile1=b.zbl\r\n"));

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
};

ZIDE_TEST(IniControlTest)
#include "IniControlTest.moc"
