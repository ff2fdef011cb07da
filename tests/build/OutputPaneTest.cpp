#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "build/OutputPane.h"
#include "editor/CodeEditor.h"  // QScintilla, with the keywords this project spells

namespace {

// Makes a folder current for a while, as a build does.
class InFolder {
public:
    explicit InFolder(const QString& folder) : old(QDir::currentPath()) {
        QDir::setCurrent(folder);
    }
    ~InFolder() { QDir::setCurrent(old); }

private:
    QString old;
};

QComboBox* Combo(OutputPane& pane) {
    return pane.findChild<QComboBox*>(QStringLiteral("Combo1"));
}

QsciScintilla* Text(OutputPane& pane) {
    return pane.findChild<QsciScintilla*>(QStringLiteral("Text1"));
}

// A point on a line of Text1's first screenful, a little into its text.
QPoint PointOfLine(QsciScintilla* box, int line) {
    const unsigned long start = static_cast<unsigned long>(box->SendScintilla(
        QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)));
    const long x = box->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, start);
    const long y = box->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, start);
    return QPoint(static_cast<int>(x) + 4, static_cast<int>(y) + box->textHeight(line) / 2);
}

int CaretLine(QsciScintilla* box) {
    int line = -1, index = -1;
    box->getCursorPosition(&line, &index);
    return line;
}

}  // namespace

class OutputPaneViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadShowsOutputWithFourViews() {
        OutputPane pane;
        QCOMPARE(pane.objectName(), QStringLiteral("Form5"));
        QComboBox* combo = Combo(pane);
        QVERIFY(combo && Text(pane));
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, (QStringList{QStringLiteral(" Output"), QStringLiteral(" Compiler"),
                                     QStringLiteral(" Linker"), QStringLiteral(" Library")}));
        QCOMPARE(combo->currentText(), QStringLiteral(" Output"));
        QVERIFY(Text(pane)->isReadOnly());

        // As the runner writes: a CR LF split between two reads is one line
        // end, the caret follows the output, and the next run replaces it all.
        OutputTarget* target = pane.Target();
        target->ReplaceAll(QStringLiteral("d\u00e9but\r"));
        target->Append(QStringLiteral("\nsecond\r\nthird"));
        QCOMPARE(Text(pane)->text(), QStringLiteral("d\u00e9but\nsecond\nthird"));
        QCOMPARE(target->Text(), Text(pane)->text());
        QCOMPARE(CaretLine(Text(pane)), 2);
        target->ReplaceAll(QStringLiteral("next run"));
        QCOMPARE(Text(pane)->text(), QStringLiteral("next run"));
        target->ReplaceAll(QString());
        QCOMPARE(Text(pane)->text(), QString());
    }

    void errorFileRules_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        const QByteArray banner("Borland C++ 5.5.1 for Win32 Copyright (c) 1993, 2000 Borland");
        QTest::newRow("banner alone") << banner << QString();
        QTest::newRow("banner and line end") << banner + "\r\n" << QString();
        QTest::newRow("second line blank, messages after")
            << banner + "\r\n   \r\nError E2451 a.cpp 1: Undefined symbol 'x'\r\n"
            << QString();
        QTest::newRow("messages")
            << banner + "\r\na.cpp:\r\nError E2451 a.cpp 1: Undefined symbol 'x'\r\n"
            << QString::fromLatin1(banner) +
                   "\na.cpp:\nError E2451 a.cpp 1: Undefined symbol 'x'\n";
        QTest::newRow("LF line ends") << QByteArray("banner\nError E2451 a.cpp 3: x\n")
                                      << QStringLiteral("banner\nError E2451 a.cpp 3: x\n");
        QTest::newRow("NUL bytes") << QByteArray("b\na\0c", 5) << QStringLiteral("b\na\uFFFDc");
    }
    void errorFileRules() {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        WriteAll(dir.filePath(QStringLiteral("bcc32.err")), file);
        InFolder in(dir.path());
        OutputPane pane;
        pane.Target()->ReplaceAll(QStringLiteral("tool output"));
        pane.SelectView(OutputPane::CompilerView);
        QCOMPARE(Combo(pane)->currentText(), QStringLiteral(" Compiler"));
        QTEST(Text(pane)->text(), "shown");
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("bcc32.err"))), file);
    }

    void missingFileEmptiesTheView() {
        QTemporaryDir dir;
        InFolder in(dir.path());
        OutputPane pane;
        pane.Target()->ReplaceAll(QStringLiteral("tool output"));
        pane.SelectView(OutputPane::LinkerView);
        QCOMPARE(Text(pane)->text(), QString());
    }

    void outputComesBackUnlessResized() {
        QTemporaryDir dir;
        WriteAll(dir.filePath(QStringLiteral("ilink32.err")), "banner\r\nError: x\r\n");
        InFolder in(dir.path());
        OutputPane pane;
        pane.resize(400, 200);
        pane.show();
        pane.Target()->ReplaceAll(QStringLiteral("line 1\n"));
        pane.Target()->Append(QStringLiteral("line 2"));

        pane.SelectView(OutputPane::LinkerView);
        QCOMPARE(Text(pane)->text(), QStringLiteral("banner\nError: x\n"));
        pane.SelectView(OutputPane::OutputView);
        QCOMPARE(Text(pane)->text(), QStringLiteral("line 1\nline 2"));

        // The build asks for " Output" while an error file shows.
        pane.SelectView(OutputPane::LinkerView);
        pane.SelectOutputView();
        QCOMPARE(Combo(pane)->currentText(), QStringLiteral(" Output"));
        QCOMPARE(Text(pane)->text(), QStringLiteral("line 1\nline 2"));

        pane.SelectView(OutputPane::LinkerView);
        pane.resize(500, 260);
        pane.SelectView(OutputPane::OutputView);
        QCOMPARE(Text(pane)->text(), QString());
    }

    // Focus on the selector keeps the text " Output" shows, as picking by
    // keyboard does.
    void keyboardPickKeepsOutput() {
        QTemporaryDir dir;
        WriteAll(dir.filePath(QStringLiteral("bcc32.err")), "banner\r\nError E2451 a.cpp 1: x\r\n");
        InFolder in(dir.path());
        OutputPane pane;
        pane.Target()->ReplaceAll(QStringLiteral("built"));
        QFocusEvent focus(QEvent::FocusIn);
        QCoreApplication::sendEvent(Combo(pane), &focus);
        QTest::keyClick(Combo(pane), Qt::Key_Down);
        QCOMPARE(Combo(pane)->currentText(), QStringLiteral(" Compiler"));
        QVERIFY(Text(pane)->text().contains(QStringLiteral("E2451")));
        QTest::keyClick(Combo(pane), Qt::Key_Up);
        QCOMPARE(Text(pane)->text(), QStringLiteral("built"));
    }

    void errorFileReadFromFolderCurrentAtSwitch() {
        QTemporaryDir a, b;
        WriteAll(a.filePath(QStringLiteral("bcc32.err")), "banner\r\nfrom a\r\n");
        WriteAll(b.filePath(QStringLiteral("bcc32.err")), "banner\r\nfrom b\r\n");
        OutputPane pane;
        {
            InFolder in(a.path());
            pane.SelectView(OutputPane::CompilerView);
            QCOMPARE(Text(pane)->text(), QStringLiteral("banner\nfrom a\n"));
        }
        InFolder in(b.path());
        pane.SelectView(OutputPane::CompilerView);
        QCOMPARE(Text(pane)->text(), QStringLiteral("banner\nfrom b\n"));
    }

    // A huge binary file shows capped, in lines short enough to lay out; a
    // pipe or a folder under the file's name shows nothing and does not block.
    void hugeBinaryAndOddFiles() {
        QTemporaryDir dir;
        QByteArray bytes(3 * OutputPane::MaxErrorFileBytes, '\0');
        QRandomGenerator random(7);
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        // Control characters, NULs and bytes that are no UTF-8; no line ends.
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = i % 97 == 0 ? char(0xFF) : char(bytes[i] & 0x7F);
        bytes.replace('\n', 'n');
        bytes.replace('\r', 'r');
        bytes.prepend("banner\nsecond\n");
        WriteAll(dir.filePath(QStringLiteral("tlib.err")), bytes);
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("bcc32.err"))), 0600) == 0);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ilink32.err")));
        InFolder in(dir.path());

        OutputPane pane;
        pane.resize(400, 200);
        pane.show();
        pane.SelectView(OutputPane::LibraryView);
        const QString shown = Text(pane)->text();
        QVERIFY(shown.startsWith(QStringLiteral("banner\nsecond\n")));
        QVERIFY(shown.size() <= OutputPane::MaxErrorFileBytes +
                                    OutputPane::MaxErrorFileBytes / OutputPane::MaxShownLine +
                                    1000);
        QVERIFY(shown.contains(
            QStringLiteral(" Only the first 4 MB of the %1 bytes of ").arg(bytes.size())));
        qsizetype longest = 0;
        for (const QStringView line : QStringView(shown).tokenize(QLatin1Char('\n')))
            longest = std::max(longest, line.size());
        QVERIFY(longest <= OutputPane::MaxShownLine);

        pane.SelectView(OutputPane::CompilerView);
        QCOMPARE(Text(pane)->text(), QString());
        pane.SelectView(OutputPane::LinkerView);
        QCOMPARE(Text(pane)->text(), QString());
    }
};

class OutputPaneMessageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Messages split over the runner's pieces; relative names are the
    // folder's that was current when the output started.
    void messagesOfOutputResolveInBuildFolder() {
        QTemporaryDir build, later;
        OutputPane pane;
        {
            InFolder in(build.path());
            pane.Target()->ReplaceAll(QStringLiteral("Zorbel translator 1.0\nmain.zb"));
            pane.Target()->Append(QStringLiteral("l:4:2: error: Undefined name 'y'\nother "));
            pane.Target()->Append(QStringLiteral("line\r"));
            pane.Target()->Append(QStringLiteral("\nError E2451 main.cpp 9: Undefined symbol"));
        }
        InFolder in(later.path());
        const QList<OutputPane::Message> found = pane.Messages();
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].file, build.filePath(QStringLiteral("main.zbl")));
        QCOMPARE(found[0].line, 4);
        QCOMPARE(found[0].column, 2);
        QCOMPARE(found[0].outputLine, 1);
        QCOMPARE(found[1].file, build.filePath(QStringLiteral("main.cpp")));
        QCOMPARE(found[1].outputLine, 3);

        // The next tool's output replaces the text, and its messages the old.
        pane.Target()->ReplaceAll(QStringLiteral("b.zbl:1:1: warning: w\n"));
        QCOMPARE(pane.Messages().size(), 1);
        QCOMPARE(pane.Messages()[0].file, later.filePath(QStringLiteral("b.zbl")));
    }

    void messagesOfErrorFileResolveInItsFolder() {
        QTemporaryDir dir;
        WriteAll(dir.filePath(QStringLiteral("bcc32.err")),
                 "banner\r\nmain.cpp:\r\nWarning W8004 main.cpp 7: 'n' never used\r\n");
        InFolder in(dir.path());
        OutputPane pane;
        pane.SelectView(OutputPane::CompilerView);
        QCOMPARE(pane.Messages().size(), 1);
        QCOMPARE(pane.Messages()[0].file, dir.filePath(QStringLiteral("main.cpp")));
        QCOMPARE(pane.Messages()[0].severity, MessageLocator::Severity::Warning);
    }

    void releaseCopyMapsToModule() {
        QTemporaryDir solution;
        const QString release = solution.filePath(QStringLiteral("Release"));
        QDir().mkpath(release);
        const QString module = QStringLiteral("/projects/p/main.zbl");
        OutputPane pane;
        pane.SetSourceMap([&](const QString& path) {
            return MessageLocator::SourceOfReleaseCopy(path, solution.path(), {module});
        });
        InFolder in(release);
        pane.Target()->ReplaceAll(
            QStringLiteral("main.zbl:3:1: error: x\n%1/lib.zbl:2:1: error: y\n").arg(release));
        const QList<OutputPane::Message> found = pane.Messages();
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].file, module);
        QCOMPARE(found[1].file, release + QStringLiteral("/lib.zbl"));
    }

    void doubleClickOpensTheMessage() {
        QTemporaryDir dir;
        InFolder in(dir.path());
        OutputPane pane;
        pane.resize(600, 300);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        pane.Target()->ReplaceAll(
            QStringLiteral("compiling\nError E2451 a.cpp 12: x\nsub/b.zbl:5:3: note: n\n"));
        QSignalSpy opened(&pane, &OutputPane::OpenLocation);
        QsciScintilla* text = Text(pane);

        QTest::mouseDClick(text->viewport(), Qt::LeftButton, {}, PointOfLine(text, 2));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0], (QVariantList{dir.filePath(QStringLiteral("sub/b.zbl")), 5, 3}));
        QCOMPARE(pane.CurrentMessage(), 1);
        QCOMPARE(CaretLine(text), 2);

        QTest::mouseDClick(text->viewport(), Qt::LeftButton, {}, PointOfLine(text, 0));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(pane.CurrentMessage(), 1);
    }

    void nextAndPreviousGoRound() {
        QTemporaryDir dir;
        InFolder in(dir.path());
        OutputPane pane;
        QSignalSpy opened(&pane, &OutputPane::OpenLocation);
        pane.NextMessage();
        pane.PreviousMessage();
        QCOMPARE(opened.size(), 0);

        pane.Target()->ReplaceAll(
            QStringLiteral("a.zbl:1:1: error: e\nplain\nb.zbl:2:0: warning: w\nc.zbl:3: x\n"));
        const auto lineOf = [&](int i) { return opened[i][1].toInt(); };
        pane.PreviousMessage();  // nothing picked yet: the last
        QCOMPARE(lineOf(0), 3);
        QCOMPARE(opened[0][2].toInt(), 0);
        pane.NextMessage();  // round to the first
        QCOMPARE(lineOf(1), 1);
        pane.NextMessage();
        QCOMPARE(lineOf(2), 2);
        QCOMPARE(CaretLine(Text(pane)), 2);
        pane.PreviousMessage();
        pane.PreviousMessage();
        QCOMPARE(lineOf(3), 1);
        QCOMPARE(lineOf(4), 3);

        // A new tool run forgets the pick.
        pane.Target()->ReplaceAll(QStringLiteral("x.zbl:7:1: error: e\ny.zbl:8:1: error: e\n"));
        QCOMPARE(pane.CurrentMessage(), -1);
        pane.NextMessage();
        QCOMPARE(lineOf(5), 7);
    }
};

ZIDE_TEST(OutputPaneViewTest)
ZIDE_TEST(OutputPaneMessageTest)
#include "OutputPaneTest.moc"
