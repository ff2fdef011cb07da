#include <QTest>

#include "TestSupport.h"
#include "settings/PathHelpers.h"

class PathHelpersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void Parts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("extension");
        QTest::newRow("full path") << "/Work/Demo/Demo.zbl"
                                   << "Demo.zbl"
                                   << "/Work/Demo"
                                   << "Demo"
                                   << "zbl";
        QTest::newRow("Windows path") << "C:\\Work\\Demo.zsl"
                                      << "Demo.zsl"
                                      << "C:\\Work"
                                      << "Demo"
                                      << "zsl";
        QTest::newRow("mixed separators") << "/Work\\src/a.zbl"
                                          << "a.zbl"
                                          << "/Work\\src"
                                          << "a"
                                          << "zbl";
        QTest::newRow("two dots") << "/Work/lib.tar.gz"
                                  << "lib.tar.gz"
                                  << "/Work"
                                  << "lib.tar"
                                  << "gz";
        QTest::newRow("dot in folder only") << "/Work/v1.2/make"
                                            << "make"
                                            << "/Work/v1.2"
                                            << "make"
                                            << "make";
        QTest::newRow("name only") << "Demo.zbl"
                                   << "Demo.zbl"
                                   << ""
                                   << "Demo"
                                   << "zbl";
        QTest::newRow("ends in separator") << "/Work/Demo/"
                                           << ""
                                           << "/Work/Demo"
                                           << ""
                                           << "";
        QTest::newRow("default solution") << "/home/u/!default.zsl"
                                          << "!default.zsl"
                                          << "/home/u"
                                          << "!default"
                                          << "zsl";
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << ""
                               << "";
    }
    void Parts() {
        QFETCH(QString, path);
        QFETCH(QString, fileName);
        QFETCH(QString, folder);
        QFETCH(QString, baseName);
        QFETCH(QString, extension);
        QCOMPARE(FileNameOf(path), fileName);
        QCOMPARE(FolderOf(path), folder);
        QCOMPARE(BaseNameOf(path), baseName);
        QCOMPARE(ExtensionOf(path), extension);
    }

    void StripAtNulCutsAtTheFirstNul() {
        QCOMPARE(StripAtNul("/Work/a.zbl"), "/Work/a.zbl");
        QCOMPARE(StripAtNul(QString("/Work/a.zbl") + QChar(0) + "b" + QChar(0)), "/Work/a.zbl");
        QCOMPARE(StripAtNul(QString(QChar(0)) + "x"), "");
        QCOMPARE(StripAtNul(""), "");
    }
};

ZIDE_TEST(PathHelpersTest)
#include "PathHelpersTest.moc"
