#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include "TestSupport.h"
#include "editor/SyntaxDefinition.h"

class SyntaxDefinitionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A file as people write them: stray lines, odd spacing, capitals,
    // repeated keys, values that do not convert, Windows line ends.
    void OddLinesFollowTheRules() {
        TestHome home(false);
        const QString path = home.File("odd.syn");
        WriteAll(path,
                 "name=BeforeAnyHeader\r\n"
                 "[MAIN]\r\n"
                 "; name=Commented\r\n"
                 " Name = Zorbel \r\n"
                 "filter=Zorbel (*.zbl)|*.zbl=x\r\n"
                 "a line without an equals sign\r\n"
                 " [unknown]\r\n"  // indented: not a header, just a line of [main]
                 "[Unknown]\r\n"
                 "name=Wrong\r\n"
                 "[options]\r\n"
                 "casesensitive=TRUE\r\n"
                 "autocase=0\r\n"
                 "autoindent=7\r\n"
                 "indentsize=&H10\r\n"
                 "indentsize=four\r\n"
                 "langstyle=SGML\r\n"
                 "escapechar=\\\r\n"
                 "stringdelimeters=\"'\r\n"
                 "argumentfile=syntax\\zbl.arg\r\n"
                 "syntaxstart=Sub|If...Then\r\n"
                 "[colors]\r\n"
                 "keywordcolor=255\r\n"
                 "numbercolor=red\r\n"
                 "commentcolor=&H8000\r\n"
                 "textcolor=1\r\n"
                 "textcolor=2\r\n"
                 "[keywords] \r\n"  // a trailing blank: no header
                 "[keywords]\r\n"
                 "Dim As\r\n"
                 "Sub  End Function\r\n");
        const SyntaxDefinition s = SyntaxDefinition::Parse(path);
        QCOMPARE(s.filePath, path);
        QCOMPARE(s.name, QString("Zorbel"));
        QCOMPARE(s.filter, QString("Zorbel (*.zbl)|*.zbl=x"));
        QVERIFY(s.caseSensitive);
        QVERIFY(!s.autoCase);
        QVERIFY(s.autoIndent);
        QCOMPARE(s.indentSize, qint16(16));
        QCOMPARE(s.langStyle, 1);
        QCOMPARE(s.escapeChar, QString("\\"));
        QCOMPARE(s.stringDelimiters, QString("\"'"));
        QCOMPARE(s.syntaxStart, QString("Sub|If...Then"));
        QCOMPARE(s.keywordColor, 255);
        QCOMPARE(s.numberColor, 0);
        QCOMPARE(s.commentColor, 0x8000);
        QCOMPARE(s.textColor, 2);
        // The last line of a word section wins; two blanks give an empty entry.
        QCOMPARE(s.keywords, QString("Sub\n\nEnd\nFunction"));
        QCOMPARE(s.KeywordList(), QStringList({"Sub", "End", "Function"}));
        QCOMPARE(BlockEntries(s.syntaxStart), QStringList({"Sub", "If...Then"}));
    }

    void ValuesThatDoNotConvertKeepTheField() {
        const SyntaxDefinition s = SyntaxDefinition::ParseText(
            "[options]\nautocase=yes\nindentsize=99999\nindentsize=-3\nlangstyle=html\n"
            "casesensitive=1\ncasesensitive=false\n[colors]\nstringcolor=&HFFFFFFFF\n"
            "attribcolor=&H1FFFFFFFF\nattribcolor=12.5\noperatorcolor= 7 \n");
        QVERIFY(!s.autoCase);
        QCOMPARE(s.indentSize, qint16(-3));
        QCOMPARE(s.langStyle, 0);
        QVERIFY(!s.caseSensitive);
        QCOMPARE(s.stringColor, -1);
        QCOMPARE(s.attribColor, 0);
        QCOMPARE(s.operatorColor, 7);

        // A value out of its field's range, last for its key, keeps the one before.
        const SyntaxDefinition last = SyntaxDefinition::ParseText(
            "[options]\nindentsize=4\nindentsize=32768\n[colors]\nnumbercolor=5\n"
            "numbercolor=4294967296\nkeywordcolor=-2147483648\nkeywordcolor=-2147483649\n");
        QCOMPARE(last.indentSize, qint16(4));
        QCOMPARE(last.numberColor, 5);
        QCOMPARE(last.keywordColor, qint32(-2147483647 - 1));
    }

    void UnreadableFilesGiveTheEmptyRecord() {
        TestHome home(false);
        for (const QString& path : {home.File("missing.syn"), home.Path(), QString()}) {
            const SyntaxDefinition s = SyntaxDefinition::Parse(path);
            QCOMPARE(s.filePath, path);
            QVERIFY(s.name.isEmpty() && s.keywords.isEmpty());
            QCOMPARE(s.keywordColor, 0);
        }
        // Latin-1 text from Windows reads as such.
        WriteAll(home.File("latin.syn"),
                 "[main]\r\nname=Fran\xe7"
                 "ais\r\n");
        QCOMPARE(SyntaxDefinition::Parse(home.File("latin.syn")).name, QString("Fran\u00e7ais"));
    }

    void StringDelimitersForTheEditor() {
        QCOMPARE(ControlStringDelimiters(""), QString(""));
        QCOMPARE(ControlStringDelimiters("\""), QString("\""));
        QCOMPARE(ControlStringDelimiters("\"'"), QString("\"\n'"));
        QCOMPARE(ControlStringDelimiters("abc"), QString("a\nb\nc"));
    }

    void ArgumentDescriptions() {
        TestHome home(false);
        WriteAll(home.File("syntax/zbl.arg"),
                 "[ArgumentsList]\r\nLeft=String As String, Length As Long\r\nLong=" +
                     QByteArray(300, 'x') + "\r\n");
        SyntaxDefinition s =
            SyntaxDefinition::ParseText("[options]\nargumentfile=syntax\\zbl.arg\n");
        QVERIFY(s.ArgumentFileExists());
        QCOMPARE(QDir::cleanPath(s.ArgumentFilePath()),
                 QDir::cleanPath(home.File("syntax/zbl.arg")));
        QCOMPARE(s.ArgumentDescription("Left"), QString("String As String, Length As Long"));
        QCOMPARE(s.ArgumentDescription("Right"), QString());
        QCOMPARE(s.ArgumentDescription("Long").size(), 254);

        s.argumentFile = "syntax/none.arg";
        QVERIFY(!s.ArgumentFileExists());
        QCOMPARE(s.ArgumentDescription("Left"), QString());
        s.argumentFile.clear();
        QCOMPARE(s.ArgumentFilePath(), QString());
        QVERIFY(!s.ArgumentFileExists());  // not the program folder itself
    }

    void ShippedSyntaxFiles() {
        TestHome home;
        const SyntaxDefinition zbl = SyntaxDefinition::Parse(home.File("syntax/zbl.syn"));
        QCOMPARE(zbl.name, QString("Zorbel"));
        QVERIFY(!zbl.caseSensitive && zbl.autoCase && zbl.autoIndent);
        QCOMPARE(zbl.singleLineComment, QString("'"));
        QCOMPARE(zbl.stringDelimiters, QString("\""));
        const QStringList keywords = zbl.KeywordList();
        for (const char* word : {"Sub", "Function", "Dim", "Long", "Select", "MsgBox", "Left$"})
            QVERIFY2(keywords.contains(word), word);
        QVERIFY(keywords.size() > 150);
        QVERIFY(zbl.keywordColor != zbl.textColor && zbl.commentColor != zbl.textColor);
        QVERIFY(zbl.ArgumentFileExists());
        // Every function the argument file describes is in the code list.
        const QStringList described = QString::fromUtf8(ReadAll(zbl.ArgumentFilePath()))
                                          .split("\r\n", Qt::SkipEmptyParts)
                                          .filter(QRegularExpression("^[^;\\[].*="));
        QVERIFY(described.size() > 50);
        for (const QString& line : described)
            QVERIFY2(keywords.contains(line.section('=', 0, 0)), qPrintable(line));
        QCOMPARE(zbl.ArgumentDescription("Mid"),
                 QString("String As String, Start As Long, [Length As Long]"));

        const SyntaxDefinition cpp = SyntaxDefinition::Parse(home.File("syntax/cpp.syn"));
        QCOMPARE(cpp.name, QString("C++"));
        QVERIFY(cpp.caseSensitive && !cpp.autoCase);
        QCOMPARE(cpp.multiLineCommentStart, QString("/*"));
        QCOMPARE(cpp.escapeChar, QString("\\"));
        QVERIFY(cpp.KeywordList().contains("#include") && cpp.KeywordList().contains("class"));
    }
};

ZIDE_TEST(SyntaxDefinitionTest)
#include "SyntaxDefinitionTest.moc"
