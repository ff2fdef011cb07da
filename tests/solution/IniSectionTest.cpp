#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "solution/IniControl.h"

using namespace mdlIniControl;

using Entries = QList<std::pair<QString, QString>>;

class IniSectionTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void entriesInFileOrderReadAsSingleReadsReadThem() {
        const QString file = dir.filePath("section.zsl");
        const QByteArray longValue(300, 'v');
        WriteAll(file,
                 "[Tasks]\r\nCount=9\r\n"
                 "[ tasks ]\r\n"
                 "  Item1  =  spaced  \r\n"
                 "Item0=\"quoted \"\r\n"
                 "; Item2=comment\r\n"
                 "=no name\r\n"
                 "Bare\r\n"
                 "item1=second of two\r\n"
                 "Long=" +
                     longValue + "\r\n" +
                     QByteArrayLiteral("Nul=a\0b\r\n"
                                       "Latin=caf\xe9\r\n"
                                       "[Other]\r\nItem9=x\r\n"));
        // Only the first section of the name counts, as for single reads.
        QCOMPARE(ReadIniSection(file, "TASKS"), (Entries{{"Count", "9"}}));
        QVERIFY(ReadIniSection(file, "Files").isEmpty());
        QVERIFY(ReadIniSection("/dev/zero", "Tasks").isEmpty());
        WriteAll(file, ReadAll(file).replace("[Tasks]\r\nCount=9\r\n", ""));
        const Entries entries = ReadIniSection(file, "Tasks");
        const Entries expected = {{"Item1", "spaced"},
                                  {"Item0", "quoted "},
                                  {"Bare", ""},
                                  {"item1", "second of two"},
                                  {"Long", QString(254, 'v')},
                                  {"Nul", "a"},
                                  {"Latin", QString::fromLatin1("caf\xe9")}};
        QCOMPARE(entries, expected);
        for (const auto& [key, value] : entries) {
            if (key != "item1")  // a single read finds the first Item1
                QCOMPARE(ReadIniValue(file, "Tasks", key), value);
        }
    }
};

ZIDE_TEST(IniSectionTest)

#include "IniSectionTest.moc"
