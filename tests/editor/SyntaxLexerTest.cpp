#include <QTest>

#include "TestSupport.h"
#include "editor/EditorWindow.h"
#include "editor/SyntaxLexer.h"

namespace {
using Base = QsciScintillaBase;
using State = SyntaxScanner::LineState;

const char* const BasicSyntax =
    "[options]\n"
    "singlelinecomment='\n"
    "stringdelimeters=\"\n"
    "syntaxstart=Sub|Private Sub|Function|If...Then|For\n"
    "syntaxend=End Sub|End Function|End If|Next\n"
    "[keywords]\n"
    "Dim As Long Sub End If Then For To Next Left$ Private Function Exit Declare\n"
    "[attributes]\n"
    "Attribute\n"
    "[operators]\n"
    "= < > <= <> + & And\n";

const char* const CSyntax =
    "[options]\n"
    "casesensitive=true\n"
    "singlelinecomment=//\n"
    "multilinecommentstart=/*\n"
    "multilinecommentend=*/\n"
    "escapechar=\\\n"
    "stringdelimeters=\"'\n"
    "terminatorchar=;\n"
    "syntaxstart={\n"
    "syntaxend=}\n"
    "[keywords]\n"
    "int return #include\n"
    "[operators]\n"
    "+ = == ( ) { }\n";

// One line's styles as letters: . text, c comment, k keyword, n number,
// o operator, s string, a attribute.
QString Styles(const SyntaxScanner& scanner, const QByteArray& line, State& state) {
    QByteArray styles(line.size(), '\0');
    state = scanner.ScanLine(line.constData(), static_cast<int>(line.size()), state, styles.data());
    QString letters;
    for (const char style : styles)
        letters += QLatin1Char(".cknosa"[static_cast<int>(style)]);
    return letters;
}

// The block depth after each line.
QList<int> Depths(const SyntaxScanner& scanner, const QList<QByteArray>& lines) {
    QList<int> depths;
    State state;
    for (const QByteArray& line : lines) {
        Styles(scanner, line, state);
        depths += state.depth;
    }
    return depths;
}

long Send(CodeEditor* editor, unsigned int message, unsigned long w = 0, long l = 0) {
    return editor->SendScintilla(message, w, l);
}

int StyleAt(CodeEditor* editor, int line, int column) {
    return static_cast<int>(
        Send(editor, Base::SCI_GETSTYLEAT, editor->positionFromLineIndex(line, column)));
}

// Styles as painting does: on from where the styling stopped.
void StyleUpTo(CodeEditor* editor, int line) {
    Send(editor, Base::SCI_COLOURISE,
         static_cast<unsigned long>(Send(editor, Base::SCI_GETENDSTYLED)),
         editor->positionFromLineIndex(line, 0));
}

int LevelOf(CodeEditor* editor, int line) {
    return static_cast<int>(Send(editor, Base::SCI_GETFOLDLEVEL, line));
}

constexpr int Base0 = Base::SC_FOLDLEVELBASE;
constexpr int Header = Base::SC_FOLDLEVELHEADERFLAG;
}  // namespace

class SyntaxLexerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void BasicLines() {
        const SyntaxScanner basic(SyntaxDefinition::ParseText(BasicSyntax));
        State state;
        QCOMPARE(Styles(basic, "Dim x As Long ' it's", state), QString("kkk...kk.kkkk.cccccc"));
        // Keywords in any case; a comment mark inside a string is text of it.
        QCOMPARE(Styles(basic, "dim s = \"a ' b\" & Left$(s)", state),
                 QString("kkk...o.sssssss.o.kkkkk..."));
        // Longest operator first, &H numbers, word operators, no keyword
        // inside a longer word.
        QCOMPARE(Styles(basic, "x<=&HFF& And Subtotal<>2.5e-3", state),
                 QString(".oonnnnn.ooo.........oonnnnnn"));
        QCOMPARE(Styles(basic, "Attribute VB_Name = \"M", state),
                 QString("aaaaaaaaa.........o.ss"));
        QCOMPARE(state, State());

        // Odd bytes and a huge line are just text.
        QCOMPARE(Styles(basic,
                        QByteArray("Dim\0\xff\x01"
                                   "Dim",
                                   9),
                        state),
                 QString("kkk...kkk"));
        const QByteArray huge = "Dim " + QByteArray(200000, 'x') + " \"" + QByteArray(50000, '(');
        const QString styles = Styles(basic, huge, state);
        QVERIFY(styles.startsWith("kkk.") && styles.endsWith("sss"));
    }

    void CLines() {
        const SyntaxScanner c(SyntaxDefinition::ParseText(CSyntax));
        State state;
        QCOMPARE(Styles(c, "#include \"a.h\" // x", state), QString("kkkkkkkk.sssss.cccc"));
        QCOMPARE(Styles(c, "int Int = 0x1F; /* open", state), QString("kkk.....o.nnnno.ccccccc"));
        QVERIFY(state.inComment);
        QCOMPARE(Styles(c, "still", state), QString("ccccc"));
        // An escaped delimiter does not end the string.
        QCOMPARE(Styles(c, "*/ return \"a\\\"b\" == 'c';", state),
                 QString("cc.kkkkkk.ssssss.oo.ssso"));
        QVERIFY(!state.inComment);
    }

    void MarkupLines() {
        const SyntaxScanner sgml(SyntaxDefinition::ParseText(
            "[options]\nlangstyle=sgml\nmultilinecommentstart=<!--\nmultilinecommentend=-->\n"
            "stringdelimeters=\"\n[keywords]\nhtml body\n[attributes]\nclass\n"));
        State state;
        QCOMPARE(Styles(sgml, "<body class=\"x\" id=y>body</body> <!-- c -->", state),
                 QString(".kkkk.aaaaa.sss............kkkk..cccccccccc"));
        QCOMPARE(Styles(sgml, "<html", state), QString(".kkkk"));
        QVERIFY(state.inTag);
        QCOMPARE(Styles(sgml, "class=\"a>b\">html", state), QString("aaaaa.sssss....."));
        QVERIFY(!state.inTag);
    }

    void BlockWordsOpenAndCloseAtStatementStart() {
        const SyntaxScanner basic(SyntaxDefinition::ParseText(BasicSyntax));
        QCOMPARE(Depths(basic, {"Sub Main()", "  If a Then", "    If b Then c = 1", "  End If",
                                "  Exit Sub", "  For i = 1 To 3", "  Next", "End Sub"}),
                 QList<int>({1, 2, 2, 1, 1, 2, 1, 0}));
        QCOMPARE(Depths(basic, {"Private Sub X ' If y Then", "Declare Function F Lib \"k\"",
                                "  If x Then ' note", "  End If", "End Sub", "End Sub",
                                "Subtotal = 1", "' Sub Commented"}),
                 QList<int>({1, 1, 2, 1, 0, 0, 0, 0}));
        const SyntaxScanner c(SyntaxDefinition::ParseText(CSyntax));
        QCOMPARE(Depths(c, {"int f() { if (x) { y(); } }", "int g() {{", "  \"}\" // }", "}}"}),
                 QList<int>({0, 2, 2, 0}));
    }

    // Entries that share their start, among thousands more: the first listed
    // of those that match a line's start wins, only on a word boundary, and
    // every symbol that starts at a place counts.
    void BlockEntriesSharingTheirStart() {
        QString syntax = "[options]\ncasesensitive=false\nsyntaxend=End If|End Sub|End|";
        for (int i = 0; i < 2000; ++i)
            syntax += QString("End Sub%1|}%1|").arg(i);
        syntax += "}\nsyntaxstart=Sub|Sub Main|If...Then|End Function|";
        for (int i = 0; i < 2000; ++i)
            syntax += QString("Begin %1|{%1|").arg(i);
        syntax += "{|{{\n";
        const SyntaxScanner scanner(SyntaxDefinition::ParseText(syntax));
        QCOMPARE(Depths(scanner, {"Sub Main", "  if x then", "  END  \t IF", "Endless = 1",
                                  "End Sub7 ' the later entry, longer", "begin 1999", "end",
                                  "Sub X", "End Function ' an opening entry, listed later"}),
                 QList<int>({1, 2, 1, 1, 0, 1, 0, 1, 0}));
        // "{" and "{{" both start at the first brace: two blocks, and the
        // second brace is taken with the first. "{1" counts as "{" and "{1".
        QCOMPARE(Depths(scanner, {"x = {{", "y = {1", "}}}}}", "}1999 }"}),
                 QList<int>({2, 4, 0, 0}));
    }

    void ListedKeywordCase() {
        const SyntaxScanner basic(SyntaxDefinition::ParseText(BasicSyntax));
        QCOMPARE(basic.ListedKeyword("LEFT$"), QByteArray("Left$"));
        QCOMPARE(basic.ListedKeyword("attribute"), QByteArray());  // an attribute, not a keyword
        const SyntaxScanner c(SyntaxDefinition::ParseText(CSyntax));
        QCOMPARE(c.ListedKeyword("Int"), QByteArray());
        QCOMPARE(c.ListedKeyword("int"), QByteArray("int"));
    }

    // What the syntax file says reaches the editor's styles and surfaces.
    void ColoursReachTheEditorStyles() {
        TestHome home(false);
        WriteAll(home.File("syntax/colours.syn"),
                 QByteArray(BasicSyntax) +
                     "[colors]\ntextcolor=&H010203\ncommentcolor=&H008000\n"
                     "keywordcolor=255\nnumbercolor=&H020304\noperatorcolor=&H030405\n"
                     "stringcolor=&H040506\nattribcolor=&H050607\n");
        EditorWindow window;
        window.LoadSettings(home.File("syntax/colours.syn"));
        CodeEditor* editor = window.Editor();
        const std::pair<int, int> expected[] = {
            {SyntaxScanner::Default, 0x010203},   {SyntaxScanner::Comment, 0x008000},
            {SyntaxScanner::Keyword, 255},        {SyntaxScanner::Number, 0x020304},
            {SyntaxScanner::Operator, 0x030405},  {SyntaxScanner::String, 0x040506},
            {SyntaxScanner::Attribute, 0x050607},
        };
        const QFont font = SyntaxLexer::EditorFont();
        for (const auto& [style, color] : expected) {
            QCOMPARE(Send(editor, Base::SCI_STYLEGETFORE, style), long(color));
            QCOMPARE(Send(editor, Base::SCI_STYLEGETBACK, style), long(0xffffff));
            QCOMPARE(Send(editor, Base::SCI_STYLEGETBOLD, style), 0L);
            QCOMPARE(Send(editor, Base::SCI_STYLEGETITALIC, style), 0L);
            QCOMPARE(Send(editor, Base::SCI_STYLEGETSIZE, style), 10L);
        }
        const QFontMetrics metrics(font);
        QCOMPARE(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('W'));
        QCOMPARE(Send(editor, Base::SCI_STYLEGETBACK, Base::STYLE_LINENUMBER), long(0xc8d0d4));
        QCOMPARE(Send(editor, Base::SCI_GETMARGINBACKN, 3), long(0x404040));

        editor->SetText("Attribute x = \"s\" ' c\nSub Main\n  y = 1 + 2\nEnd Sub\n");
        Send(editor, Base::SCI_COLOURISE, 0, -1);
        QCOMPARE(StyleAt(editor, 0, 0), int(SyntaxScanner::Attribute));
        QCOMPARE(StyleAt(editor, 0, 10), int(SyntaxScanner::Default));
        QCOMPARE(StyleAt(editor, 0, 12), int(SyntaxScanner::Operator));
        QCOMPARE(StyleAt(editor, 0, 15), int(SyntaxScanner::String));
        QCOMPARE(StyleAt(editor, 0, 19), int(SyntaxScanner::Comment));
        QCOMPARE(StyleAt(editor, 1, 0), int(SyntaxScanner::Keyword));
        QCOMPARE(StyleAt(editor, 2, 6), int(SyntaxScanner::Number));
        QCOMPARE(LevelOf(editor, 1), Base0 | Header);
        QCOMPARE(LevelOf(editor, 2), Base0 + 1);
        QCOMPARE(LevelOf(editor, 3), Base0 + 1);
        QCOMPARE(LevelOf(editor, 4), Base0);
    }

    void MissingSyntaxFileLeavesTextUncoloured() {
        TestHome home(false);
        EditorWindow window;
        window.LoadSettings(home.File("syntax/none.syn"));
        CodeEditor* editor = window.Editor();
        editor->SetText("Dim x As Long ' note \"s\"\n");
        Send(editor, Base::SCI_COLOURISE, 0, -1);
        for (int column = 0; column < 20; ++column)
            QCOMPARE(StyleAt(editor, 0, column), int(SyntaxScanner::Default));
        for (int style = 0; style < SyntaxScanner::StyleCount; ++style)
            QCOMPARE(Send(editor, Base::SCI_STYLEGETFORE, style), 0L);
        QVERIFY(window.Syntax().name.isEmpty());
    }

    // An edit restyles from its own line and only as far as the editor asks;
    // the lines after it carry on from what the lines before them left.
    void EditsRestyleFromTheirLineOnly() {
        CodeEditor editor;
        editor.setLexer(new SyntaxLexer(SyntaxDefinition::ParseText(BasicSyntax), &editor));
        QByteArray text = "Sub A\nx = 1\nEnd Sub\nSub B\ny = 2\nEnd Sub\n";
        for (int i = 0; i < 3000; ++i)
            text += "z = 1\n";
        editor.SetText(QString::fromLatin1(text));
        const long length = Send(&editor, Base::SCI_GETLENGTH);
        Send(&editor, Base::SCI_COLOURISE, 0, -1);
        QCOMPARE(Send(&editor, Base::SCI_GETENDSTYLED), length);
        QCOMPARE(LevelOf(&editor, 3), Base0 | Header);
        QCOMPARE(LevelOf(&editor, 4), Base0 + 1);

        editor.SetSel({4, 0, 4, 0});
        editor.ReplaceSelection("If y Then\n");
        QVERIFY(Send(&editor, Base::SCI_GETENDSTYLED) <= editor.positionFromLineIndex(4, 0));
        StyleUpTo(&editor, 9);
        QVERIFY(Send(&editor, Base::SCI_GETENDSTYLED) < length / 2);
        QCOMPARE(LevelOf(&editor, 4), (Base0 + 1) | Header);
        QCOMPARE(LevelOf(&editor, 5), Base0 + 2);
        QCOMPARE(LevelOf(&editor, 6), Base0 + 2);  // End Sub closes one block
        QCOMPARE(LevelOf(&editor, 7), Base0 + 1);

        // Restyling a later stretch on its own starts from the depth the
        // lines above left.
        Send(&editor, Base::SCI_COLOURISE, 0, -1);
        editor.SetSel({2000, 0, 2000, 5});
        editor.ReplaceSelection("Dim q");
        StyleUpTo(&editor, 2002);
        QCOMPARE(LevelOf(&editor, 2000), Base0 + 1);
        QCOMPARE(StyleAt(&editor, 2000, 0), int(SyntaxScanner::Keyword));
    }

    // Painting asks for a page at a time; each page carries on from the last.
    void StylingResumesWhereItStopped() {
        CodeEditor editor;
        editor.setLexer(new SyntaxLexer(SyntaxDefinition::ParseText(CSyntax), &editor));
        editor.SetText("int f() {\n  /* a\n  b */ int x;\n  {\n  }\n}\nint y;\n");
        for (int line = 1; line <= 7; ++line)
            StyleUpTo(&editor, line);
        QCOMPARE(LevelOf(&editor, 0), Base0 | Header);
        QCOMPARE(StyleAt(&editor, 2, 2), int(SyntaxScanner::Comment));
        QCOMPARE(StyleAt(&editor, 2, 8), int(SyntaxScanner::Keyword));
        QCOMPARE(LevelOf(&editor, 2), Base0 + 1);
        QCOMPARE(LevelOf(&editor, 3), (Base0 + 1) | Header);
        QCOMPARE(LevelOf(&editor, 4), Base0 + 2);
        QCOMPARE(LevelOf(&editor, 5), Base0 + 1);
        QCOMPARE(LevelOf(&editor, 6), Base0);
    }

    void BlockCommentsCarryAcrossLines() {
        CodeEditor editor;
        editor.setLexer(new SyntaxLexer(SyntaxDefinition::ParseText(CSyntax), &editor));
        editor.SetText("int a;\nint b;\nint c; */ int d;\n");
        Send(&editor, Base::SCI_COLOURISE, 0, -1);
        QCOMPARE(StyleAt(&editor, 1, 0), int(SyntaxScanner::Keyword));
        editor.SetSel({0, 6, 0, 6});
        editor.ReplaceSelection(" /*");
        Send(&editor, Base::SCI_COLOURISE, 0, -1);
        QCOMPARE(StyleAt(&editor, 0, 0), int(SyntaxScanner::Keyword));
        QCOMPARE(StyleAt(&editor, 1, 0), int(SyntaxScanner::Comment));
        QCOMPARE(StyleAt(&editor, 2, 8), int(SyntaxScanner::Comment));
        QCOMPARE(StyleAt(&editor, 2, 10), int(SyntaxScanner::Keyword));
    }

    // Edits that remove or add block lines anywhere, the last line too:
    // styles and fold levels always end as colouring the text afresh gives.
    void EditsEndAsAFreshColouring_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");     // the line the edit starts on
        QTest::addColumn<int>("from");     // column
        QTest::addColumn<int>("removed");  // characters, -1 for all to the end
        QTest::addColumn<QString>("inserted");
        const QString endsInBlock = "Sub A\nx = 1\nEnd Sub\nSub B";
        QTest::newRow("the last line, a block start, emptied") << endsInBlock << 3 << 0 << -1 << "";
        QTest::newRow("the last line removed with its line break")
            << endsInBlock << 2 << 7 << -1 << "";
        QTest::newRow("everything removed") << endsInBlock << 0 << 0 << -1 << "";
        QTest::newRow("a block start removed before the last line")
            << endsInBlock + "\ny = 2" << 3 << 0 << 6 << "";
        QTest::newRow("lines joined into one") << endsInBlock << 0 << 5 << 7 << " ";
        QTest::newRow("a block start typed at the end") << endsInBlock << 3 << 5 << 0 << "\nFor i";
        QTest::newRow("a comment opened over the end")
            << QString("int f() {\n  {\n  }\n}\nint g() {") << 3 << 0 << 0 << "/* ";
    }
    void EditsEndAsAFreshColouring() {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(int, from);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        const char* syntax = text.startsWith("int") ? CSyntax : BasicSyntax;
        CodeEditor edited;
        edited.setLexer(new SyntaxLexer(SyntaxDefinition::ParseText(syntax), &edited));
        edited.SetText(text);
        Send(&edited, Base::SCI_COLOURISE, 0, -1);
        const long at = edited.positionFromLineIndex(line, from);
        Send(&edited, Base::SCI_SETSEL, at,
             removed < 0 ? Send(&edited, Base::SCI_GETLENGTH) : at + removed);
        edited.ReplaceSelection(inserted);
        StyleUpTo(&edited, edited.LineCount());
        Send(&edited, Base::SCI_COLOURISE, Send(&edited, Base::SCI_GETENDSTYLED), -1);

        CodeEditor fresh;
        fresh.setLexer(new SyntaxLexer(SyntaxDefinition::ParseText(syntax), &fresh));
        fresh.SetText(edited.Text());
        Send(&fresh, Base::SCI_COLOURISE, 0, -1);
        QCOMPARE(edited.LineCount(), fresh.LineCount());
        for (int i = 0; i < fresh.LineCount(); ++i)
            QCOMPARE(LevelOf(&edited, i), LevelOf(&fresh, i));
        const long length = Send(&fresh, Base::SCI_GETLENGTH);
        for (long p = 0; p < length; ++p)
            QCOMPARE(Send(&edited, Base::SCI_GETSTYLEAT, p), Send(&fresh, Base::SCI_GETSTYLEAT, p));
    }
};

ZIDE_TEST(SyntaxLexerTest)
#include "SyntaxLexerTest.moc"
