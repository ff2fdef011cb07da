#include <QTest>

#include "TestSupport.h"
#include "solution/PathRules.h"

using namespace mdlFunctions;

class PathRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void RelativePaths_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in the folder") << "/Work/Demo"
                                       << "/Work/Demo/Demo.zbl"
                                       << "Demo.zbl";
        QTest::newRow("below the folder") << "/Work/Demo"
                                          << "/Work/Demo/src/a.zbl"
                                          << "src/a.zbl";
        QTest::newRow("sibling folder") << "/Work/Demo"
                                        << "/Work/Shared/util.zbl"
                                        << "../Shared/util.zbl";
        QTest::newRow("only the root shared") << "/Demo"
                                              << "/Shared/util.zbl"
                                              << "../Shared/util.zbl";
        QTest::newRow("several levels up") << "/Work/Demo/a/b"
                                           << "/Other/x.zbl"
                                           << "../../../../Other/x.zbl";
        QTest::newRow("empty target") << "/Work/Demo"
                                      << ""
                                      << "";
        QTest::newRow("other drive") << "/Work/Demo"
                                     << "D:\\x.zbl"
                                     << "D:\\x.zbl";
        QTest::newRow("relative from Windows") << "/Work/Demo"
                                               << "src\\a.zbl"
                                               << "src\\a.zbl";
        QTest::newRow("case differs") << "/work/DEMO"
                                      << "/Work/Demo/src/A.zbl"
                                      << "src/A.zbl";
        QTest::newRow("base is a name prefix") << "/Work/Dem"
                                               << "/Work/Demo/a.zbl"
                                               << "../Demo/a.zbl";
        QTest::newRow("target is a name prefix") << "/Work/Demo"
                                                 << "/Work/Dem/a.zbl"
                                                 << "../Dem/a.zbl";
        QTest::newRow("trailing slash on base") << "/Work/Demo/"
                                                << "/Work/Demo/a.zbl"
                                                << "a.zbl";
        QTest::newRow("Windows drive only") << "C:\\Demo"
                                            << "c:\\Shared\\util.zbl"
                                            << "../Shared/util.zbl";
    }
    void RelativePaths() {
        QFETCH(QString, base);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        const QString relative = RelativePath(base, target);
        QCOMPARE(relative, expected);
        // What is written relative reads back as the same file.
        if (relative != target && base.startsWith('/'))
            QCOMPARE(CanonicalPath(base + "/" + relative).toLower(), target.toLower());
    }

    void CanonicalPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dots") << "/Work/Demo/./src/../a.zbl"
                              << "/Work/Demo/a.zbl";
        QTest::newRow("up to a sibling") << "/Work/Demo/../Shared/util.zbl"
                                         << "/Work/Shared/util.zbl";
        QTest::newRow("Windows separators") << "/Work/Demo/..\\Shared\\util.zbl"
                                            << "/Work/Shared/util.zbl";
        QTest::newRow("above the root") << "/Work/../../../x.zbl"
                                        << "/x.zbl";
        QTest::newRow("doubled separators") << "/Work//Demo/"
                                            << "/Work/Demo/";
        QTest::newRow("relative climbs") << "a/../../b"
                                         << "../b";
        QTest::newRow("relative climbs two levels past its start") << "a/b/../../../x"
                                                                   << "../x";
        QTest::newRow("absolute climbs two levels past the root") << "/a/b/../../../x"
                                                                  << "/x";
        QTest::newRow("climbs back over kept climbs") << "../a/b/../../../x"
                                                      << "../../x";
        QTest::newRow("relative to nothing") << "a/.."
                                             << ".";
        QTest::newRow("drive root") << "C:\\Work\\..\\.."
                                    << "C:/";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("cut at NUL") << QString("/Work/a.zbl") + QChar(0) + "/../junk"
                                    << "/Work/a.zbl";
    }
    void CanonicalPaths() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(CanonicalPath(path), expected);
    }
};

ZIDE_TEST(PathRulesTest)
#include "PathRulesTest.moc"
