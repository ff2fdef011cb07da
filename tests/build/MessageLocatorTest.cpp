#include <QTest>

#include "TestSupport.h"
#include "build/MessageLocator.h"

using MessageLocator::Severity;

class MessageLocatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void recognisedForms_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("lineNumber");
        QTest::addColumn<int>("column");
        QTest::addColumn<Severity>("severity");
        QTest::addColumn<QString>("text");

        QTest::newRow("gcc error") << "main.cpp:12:5: error: 'x' was not declared in this scope"
                                   << "main.cpp" << 12 << 5 << Severity::Error
                                   << "error: 'x' was not declared in this scope";
        QTest::newRow("clang warning, absolute path")
            << "/usr/src/p/a.h:3:1: warning: unused variable 'n' [-Wunused-variable]"
            << "/usr/src/p/a.h" << 3 << 1 << Severity::Warning
            << "warning: unused variable 'n' [-Wunused-variable]";
        QTest::newRow("note") << "a.cc:7:2: note: declared here"
                              << "a.cc" << 7 << 2 << Severity::Note << "note: declared here";
        QTest::newRow("fatal error") << "a.cpp:1:10: fatal error: x.h: No such file or directory"
                                     << "a.cpp" << 1 << 10 << Severity::Error
                                     << "fatal error: x.h: No such file or directory";
        QTest::newRow("line only, no severity")
            << "build.sh:4: syntax error near unexpected token"
            << "build.sh" << 4 << 0 << Severity::None << "syntax error near unexpected token";
        QTest::newRow("translator, folder with a blank")
            << "/home/u/Zorbel Projects/p/main.zbl:3:7: error: Undefined name 'y'"
            << "/home/u/Zorbel Projects/p/main.zbl" << 3 << 7 << Severity::Error
            << "error: Undefined name 'y'";
        QTest::newRow("translator, Windows path with a drive")
            << "C:\\s\\Release\\main.zbl:30:1: Error: Missing End If"
            << "C:\\s\\Release\\main.zbl" << 30 << 1 << Severity::Error << "Error: Missing End If";
        QTest::newRow("indented") << "  sub/m.zbl:2:4: warning: x never used"
                                  << "sub/m.zbl" << 2 << 4 << Severity::Warning
                                  << "warning: x never used";
        QTest::newRow("borland error")
            << "Error E2451 main.cpp 12: Undefined symbol 'x' in function main()"
            << "main.cpp" << 12 << 0 << Severity::Error
            << "Undefined symbol 'x' in function main()";
        QTest::newRow("borland warning, path with blanks")
            << "Warning W8004 C:\\Zorbel Projects\\a b.cpp 40: 'n' is assigned a value that "
               "is never used"
            << "C:\\Zorbel Projects\\a b.cpp" << 40 << 0 << Severity::Warning
            << "'n' is assigned a value that is never used";
        QTest::newRow("borland fatal")
            << "Fatal F1003 a.cpp 5: Error directive: stop"
            << "a.cpp" << 5 << 0 << Severity::Error << "Error directive: stop";
    }
    void recognisedForms() {
        QFETCH(QString, line);
        const std::optional<MessageLocator::Message> m = MessageLocator::ParseMessage(line);
        QVERIFY(m.has_value());
        QTEST(m->file, "file");
        QTEST(m->line, "lineNumber");
        QTEST(m->column, "column");
        QTEST(m->severity, "severity");
        QTEST(m->text, "text");
    }

    // Lines a build prints that have colons and numbers but name no place.
    void lookAlikesRejected_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("time of day") << "12:30:45: build started";
        QTest::newRow("url with port") << "http://example.com:8080: connection refused";
        QTest::newRow("version") << "version 1.2:3: ready";
        QTest::newRow("include chain") << "In file included from main.cpp:3:";
        QTest::newRow("function header") << "main.cpp: In function 'int main()':";
        QTest::newRow("linker section") << "main.o:main.cpp:(.text+0x1a): undefined reference";
        QTest::newRow("line 0") << "a.cpp:0: error: x";
        QTest::newRow("line too big") << "a.cpp:99999999999: error: x";
        QTest::newRow("no text after") << "a.cpp:3:4:";
        QTest::newRow("no extension") << "Makefile:12: recipe for target 'all' failed";
        QTest::newRow("borland without file") << "Error E2451 12: Undefined symbol";
        QTest::newRow("borland linker")
            << "Warning: Unresolved external '_x' referenced from A.OBJ";
        QTest::newRow("banner") << "Borland C++ 5.5.1 for Win32 Copyright (c) 1993, 2000 Borland";
        QTest::newRow("empty") << "";
    }
    void lookAlikesRejected() {
        QFETCH(QString, line);
        QVERIFY(!MessageLocator::ParseMessage(line).has_value());
    }

    void messagesInText() {
        const QString text = QStringLiteral(
            "Borland C++ 5.5\r\n\r\nmain.cpp:\r\nError E2451 main.cpp 4: Undefined symbol 'x'\r\n"
            "../lib/u.zbl:2:1: warning: w\n*** 1 errors in Compile ***");
        const QList<MessageLocator::Message> found =
            MessageLocator::FindMessages(text, QStringLiteral("/s/Release"));
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].file, QStringLiteral("/s/Release/main.cpp"));
        QCOMPARE(found[0].outputLine, 3);
        QCOMPARE(found[1].file, QStringLiteral("/s/lib/u.zbl"));
        QCOMPARE(found[1].outputLine, 4);
    }

    void resolvePath_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("relative") << "main.zbl"
                                  << "/p/Release"
                                  << "/p/Release/main.zbl";
        QTest::newRow("up a folder") << "../src/./m.zbl"
                                     << "/p/Release"
                                     << "/p/src/m.zbl";
        QTest::newRow("absolute") << "/q//x.cpp"
                                  << "/p"
                                  << "/q/x.cpp";
        QTest::newRow("backslashes") << "sub\\m.zbl"
                                     << "/p"
                                     << "/p/sub/m.zbl";
    }
    void resolvePath() {
        QFETCH(QString, file);
        QFETCH(QString, folder);
        QTEST(MessageLocator::ResolvePath(file, folder), "path");
    }

    void releaseCopyOpensTheModule_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("solutionFolder");
        QTest::addColumn<QString>("opened");
        const QString main = QStringLiteral("/elsewhere/p/main.zbl");
        QTest::newRow("copy of a module elsewhere") << "/s/Release/main.zbl"
                                                    << "/s" << main;
        QTest::newRow("solution folder with a slash") << "/s/Release/main.zbl"
                                                      << "/s/" << main;
        QTest::newRow("module itself") << main << "/s" << main;
        QTest::newRow("another solution's Release") << "/t/Release/main.zbl"
                                                    << "/t2"
                                                    << "/t/Release/main.zbl";
        QTest::newRow("below Release") << "/s/Release/x/main.zbl"
                                       << "/s"
                                       << "/s/Release/x/main.zbl";
        QTest::newRow("file of no module") << "/s/Release/main.cpp"
                                           << "/s"
                                           << "/s/Release/main.cpp";
        QTest::newRow("name differs in case") << "/s/Release/Main.zbl"
                                              << "/s"
                                              << "/s/Release/Main.zbl";
        QTest::newRow("no solution") << "/s/Release/main.zbl"
                                     << ""
                                     << "/s/Release/main.zbl";
    }
    void releaseCopyOpensTheModule() {
        QFETCH(QString, path);
        QFETCH(QString, solutionFolder);
        const QStringList modules{QStringLiteral("/s/util.zbl"),
                                  QStringLiteral("/elsewhere/p/main.zbl")};
        QTEST(MessageLocator::SourceOfReleaseCopy(path, solutionFolder, modules), "opened");
    }
};

ZIDE_TEST(MessageLocatorTest)
#include "MessageLocatorTest.moc"
