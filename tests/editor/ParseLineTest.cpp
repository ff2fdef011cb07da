#include <QTest>

#include "TestSupport.h"
#include "editor/ParseLine.h"

namespace {
// The call open at the end of `line`, with "\"" and "'" as string delimiters
// and "\" as the escape character unless told otherwise.
OpenCall At(const QString& line, const QString& escape = QStringLiteral("\\"),
            const QString& delimiters = QStringLiteral("\"'")) {
    return ParseLine(line, line.size(), escape, delimiters);
}
}  // namespace

class ParseLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void CallsAndArgumentPositions() {
        OpenCall call = At("x = foo(a, ");
        QVERIFY(call.open);
        QCOMPARE(call.function, QString("foo"));
        QCOMPARE(call.argument, 1);
        QCOMPARE(call.nameStart, 4);
        QCOMPARE(call.openParen, 7);

        // The inner call is closed again; the outer one holds the caret.
        call = At("foo(bar(1), ");
        QCOMPARE(call.function, QString("foo"));
        QCOMPARE(call.argument, 1);
        call = At("foo(bar(1, ");
        QCOMPARE(call.function, QString("bar"));
        QCOMPARE(call.argument, 1);

        // Only what stands before the caret counts.
        call = ParseLine(u"foo(a, b, c)", 5, u"", u"\"");
        QCOMPARE(call.function, QString("foo"));
        QCOMPARE(call.argument, 0);
        QVERIFY(!ParseLine(u"foo(a)", 0, u"", u"").open);
        QCOMPARE(ParseLine(u"foo(a,", 500, u"", u"").argument, 1);
        QVERIFY(!ParseLine(u"foo(a,", -3, u"", u"").open);
    }

    void ClosedCallsShowNothing() {
        for (const char* line : {"foo(1)", "foo(bar(1))", "x = 1", "", "a) + b)"}) {
            const OpenCall call = At(line);
            QVERIFY2(!call.open, line);
            QCOMPARE(call.argument, -1);
            QVERIFY(call.function.isEmpty());
        }
    }

    void NameBeforeTheParenthesis() {
        // Blanks between name and parenthesis stay part of the name.
        QCOMPARE(At("foo (").function, QString("foo "));
        QCOMPARE(At("x = foo  (").function, QString("foo  "));
        QCOMPARE(At("call\tfoo(").function, QString("foo"));
        QCOMPARE(At("foo\t(").function, QString("foo\t"));
        // Separators end a name; other characters belong to it.
        QCOMPARE(At("obj.method(").function, QString("method"));
        QCOMPARE(At("a+foo(").function, QString("a+foo"));
        for (const char* separator : {"!", ".", "<", "=", ">", "@", "|"}) {
            const QString line = QString("a%1b(").arg(separator);
            QCOMPARE(At(line).function, QString("b"));
        }
        // Right after a separator the name reaches back to the last blank.
        QCOMPARE(At("x=(").function, QString("x="));
        QCOMPARE(At("(").function, QString(""));
    }

    void StringsHideTheirContents() {
        QCOMPARE(At("foo(\"a(,b\", ").argument, 1);
        QCOMPARE(At("foo(\"a(,b\", ").function, QString("foo"));
        // A string ends only at its own delimiter.
        QCOMPARE(At("foo(\"it's, (\", ").argument, 1);
        QCOMPARE(At("foo('say \"(\", ', ").argument, 1);
        // Characters that are no delimiter open no string.
        QCOMPARE(At("foo('a, b", "\\", "\"").argument, 1);
        QCOMPARE(At("foo('a, b", "\\", "\"'").argument, 0);
        // An unterminated string swallows the rest of the line.
        const OpenCall open = At("foo(\"a, bar(");
        QCOMPARE(open.function, QString("foo"));
        QCOMPARE(open.argument, 0);
    }

    void EscapedDelimiterDoesNotEndTheString() {
        // With "\" escaping, the string runs to the second quote and the
        // comma after it counts.
        QCOMPARE(At("foo(\"a\\\"\", b").argument, 1);
        // Without an escape character the backslash is ordinary and the comma
        // ends up inside a new string.
        QCOMPARE(At("foo(\"a\\\"\", b", "").argument, 0);
        // An escaped escape character is itself only a character.
        QCOMPARE(At("foo(\"a\\\\\", b").argument, 1);
        // Only the escape character's first character counts.
        QCOMPARE(At("foo(\"a^\"\", b", "^x").argument, 1);
    }

    void HugeLines() {
        // Ten thousand open parentheses: the innermost is named by everything before it.
        const QString deep(10000, QLatin1Char('('));
        const OpenCall call = At(deep);
        QVERIFY(call.open);
        QCOMPARE(call.function.size(), 9999);
        QCOMPARE(call.argument, 0);

        QString commas = "foo(" + QString(20000, QLatin1Char(','));
        QCOMPARE(At(commas).argument, 20000);
    }
};

ZIDE_TEST(ParseLineTest)
#include "ParseLineTest.moc"
