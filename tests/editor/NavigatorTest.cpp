#include <QComboBox>
#include <QFocusEvent>
#include <QTest>

#include "TestSupport.h"
#include "editor/CodeEditor.h"
#include "editor/ProcedureNavigator.h"

namespace {
// The navigator's rule written the plain way: split at CR LF, cut the head at
// "(", trim, lower-case, try the prefixes in order; select on the first line
// at or after the caret that is not line 0.
ProcedureScan Reference(const QString& text, int caretLine) {
    static const std::pair<const char*, const char*> prefixes[] = {
        {"function ", ""},
        {"public function ", ""},
        {"sub ", ""},
        {"public sub ", ""},
        {"private function ", ""},
        {"private sub ", ""},
        {"property let ", "(PropertyLet)"},
        {"property get ", "(PropertyGet)"},
        {"private property let ", "(PropertyLet)"},
        {"private property get ", "(PropertyGet)"},
        {"public property let ", "(PropertyLet)"},
        {"public property get ", "(PropertyGet)"},
    };
    ProcedureScan scan;
    const QStringList lines = text.split("\r\n");
    scan.lineCount = lines.size();
    bool selected = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString head = lines[i].section('(', 0, 0).trimmed();
        const QString test = head.toLower().trimmed();
        for (const auto& [prefix, suffix] : prefixes) {
            if (test.startsWith(QLatin1String(prefix))) {
                scan.entries.append({head.mid(qstrlen(prefix)).trimmed() + suffix, i});
                break;
            }
        }
        if (!selected && i >= caretLine && i > 0) {
            scan.selection = scan.entries.size();
            selected = true;
        }
    }
    return scan;
}

QStringList Items(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

QList<int> Lines(const QComboBox& combo) {
    QList<int> lines;
    for (int i = 0; i < combo.count(); ++i)
        lines << combo.itemData(i).toInt();
    return lines;
}

void Focus(QWidget* widget, QEvent::Type type, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent event(type, reason);
    QCoreApplication::sendEvent(widget, &event);
}

const char* const Module =
    "Option Explicit\r\n"                               // 0
    "Sub Main()\r\n"                                    // 1
    "  Print Area(2)\r\n"                               // 2
    "End Sub\r\n"                                       // 3
    "\r\n"                                              // 4
    "Private Function Area(r As Double) As Double\r\n"  // 5
    "  Area = r * r\r\n"                                // 6
    "End Function\r\n"                                  // 7
    "Public Property Get Value() As Long\r\n"           // 8
    "End Property";                                     // 9
}  // namespace

class NavigatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void PrefixTable_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("entry");
        auto row = [](const char* line, const char* entry) {
            QTest::newRow(line) << QString::fromUtf8(line)
                                << (entry ? QString::fromUtf8(entry) : QString());
        };
        row("Function F1(a)", "F1");
        row("Public Function F2()", "F2");
        row("Sub S1()", "S1");
        row("Public Sub S2", "S2");
        row("Private Function F3() As Long", "F3");
        row("Private Sub Form_Load()", "Form_Load");
        row("Property Let Value(v)", "Value(PropertyLet)");
        row("Property Get Value()", "Value(PropertyGet)");
        row("Private Property Let P1(v)", "P1(PropertyLet)");
        row("Private Property Get P2()", "P2(PropertyGet)");
        row("Public Property Let P3(v)", "P3(PropertyLet)");
        row("Public Property Get Value() As Long", "Value(PropertyGet)");
        // Headers found however they are written.
        row("SUB Shout()", "Shout");
        row("    sub indented()", "indented");
        row("sub   Spaced   (x)", "Spaced");
        row("Function Foo As Long", "Foo As Long");
        row("Sub Ünïcode()", "Ünïcode");
        row("\xc2\xa0Sub NoBreak\xc2\xa0(x)", "NoBreak");
        // Lines that only look like headers.
        row("End Sub", nullptr);
        row("Declare Function X Lib \"k\" ()", nullptr);
        row("Public Declare Function X Lib \"k\" ()", nullptr);
        row("Property Set Obj(o)", nullptr);
        row("Private Static Sub X()", nullptr);
        row("Friend Function Y()", nullptr);
        row("' Sub Commented()", nullptr);
        row("Sub\tTabbed()", nullptr);
        row("Subroutine()", nullptr);
        row("Sub ()", nullptr);
        row("Function", nullptr);
        row("x = Sub(1)", nullptr);
        row("", nullptr);
    }
    void PrefixTable() {
        QFETCH(QString, line);
        QFETCH(QString, entry);
        const QString found = ProcedureEntryText(line);
        QCOMPARE(found.isNull(), entry.isNull());
        QCOMPARE(found, entry);
        // The byte scan of the editor's buffer agrees.
        const ProcedureScan scan = ScanProceduresUtf8(line.toUtf8(), 0);
        QCOMPARE(scan.entries.size(), entry.isNull() ? 0 : 1);
        if (!entry.isNull())
            QCOMPARE(scan.entries.first().text, entry);
    }

    void ScanFollowsTheRuleOnEveryCaretLine() {
        const QString text = QString::fromUtf8(
            "' header\r\nSub A()\r\n  x = 1\r\nEnd Sub\r\n\r\n  Private Sub B_1(ByVal y)\r\n"
            "\tFunction Tab()\r\nProperty Get P()\r\nFunction Ü (x) As Long\r\n"
            "Public Property Let Q(v)\r\n\xe3\x80\x80Sub Wide()\r\nsub\r\n"
            "Sub Last");
        const int lines = text.count("\r\n") + 1;
        for (int caret = -1; caret <= lines + 1; ++caret) {
            const ProcedureScan want = Reference(text, caret);
            for (const ProcedureScan& got :
                 {ScanProcedures(text, caret), ScanProceduresUtf8(text.toUtf8(), caret)}) {
                QCOMPARE(got.entries, want.entries);
                QCOMPARE(got.lineCount, want.lineCount);
                QCOMPARE(got.selection, want.selection);
            }
        }
    }

    void SelectionRule() {
        // Caret on line 0: the header on line 1 is selected.
        QCOMPARE(ScanProcedures(u"x\r\nSub A()\r\n", 0).selection, 1);
        // Inside a body: the last header above; above every header: "(Declarations)".
        const QString text = Module;
        QCOMPARE(ScanProcedures(text, 6).selection, 2);
        QCOMPARE(ScanProcedures(text, 5).selection, 2);
        QCOMPARE(ScanProcedures(text, 4).selection, 1);
        QCOMPARE(ScanProcedures(u"a\r\nb\r\nSub A()", 1).selection, 0);
        // A single line never gets a selection, nor does a caret past the end.
        QCOMPARE(ScanProcedures(u"Sub A()", 0).selection, -1);
        QCOMPARE(ScanProcedures(u"", 0).selection, -1);
        QCOMPARE(ScanProcedures(u"a\r\nb", 2).selection, -1);
    }

    void LineEndsAsTheEditorCountsThem() {
        const ProcedureScan scan = ScanProceduresUtf8("a\nSub B()\rSub C()\r\n\r\nSub D", 0);
        QCOMPARE(scan.lineCount, 5);
        QCOMPARE(scan.entries, (QList<ProcedureEntry>{{"B", 1}, {"C", 2}, {"D", 4}}));
        QCOMPARE(ScanProceduresUtf8("a\r\n", 0).lineCount, 2);
    }

    void ListsFollowTheCaret() {
        CodeEditor editor;
        QComboBox combo1;
        QComboBox combo2;
        ProcedureNavigator navigator(&editor, &combo1, &combo2);
        editor.SetText(Module);
        editor.setCursorPosition(6, 2);
        navigator.Scan();

        QCOMPARE(Items(combo1), QStringList{"(General)"});
        QCOMPARE(combo1.currentIndex(), 0);
        QCOMPARE(Items(combo2),
                 (QStringList{"(Declarations)", "Main", "Area", "Value(PropertyGet)"}));
        QCOMPARE(Lines(combo2), (QList<int>{0, 1, 5, 8}));
        QCOMPARE(combo2.currentText(), QString("Area"));
        QVERIFY(combo2.updatesEnabled());
        QVERIFY(!navigator.Busy());

        // The caret moved and the text changed: the next scan shows both.
        editor.setCursorPosition(2, 0);
        editor.insert("Sub Extra()\n");
        navigator.Scan();
        QCOMPARE(Items(combo2).size(), 5);
        QCOMPARE(combo2.currentText(), QString("Extra"));
        QCOMPARE(Lines(combo2), (QList<int>{0, 1, 2, 6, 9}));

        // One line: nothing selected in either list.
        editor.SetText("Sub Only()");
        navigator.Scan();
        QCOMPARE(Items(combo2), (QStringList{"(Declarations)", "Only"}));
        QCOMPARE(combo1.currentIndex(), -1);
        QCOMPARE(combo2.currentIndex(), -1);
    }

    // As many procedures as before, but renamed and moved: the list shows the
    // new names, and a pick goes to where a header stands now.
    void RenamedAndMovedProceduresReplaceTheListed() {
        CodeEditor editor;
        QComboBox combo1;
        QComboBox combo2;
        ProcedureNavigator navigator(&editor, &combo1, &combo2);
        editor.SetText(Module);
        editor.setCursorPosition(6, 0);
        navigator.Scan();
        QCOMPARE(Items(combo2),
                 (QStringList{"(Declarations)", "Main", "Area", "Value(PropertyGet)"}));

        editor.SetSel({5, 17, 5, 21});
        editor.ReplaceSelection("Volume");
        editor.SetSel({0, 0, 0, 0});
        editor.ReplaceSelection("' one\n' two\n");
        navigator.Scan();
        QCOMPARE(Items(combo2),
                 (QStringList{"(Declarations)", "Main", "Volume", "Value(PropertyGet)"}));
        QCOMPARE(Lines(combo2), (QList<int>{0, 3, 7, 10}));

        Focus(&combo2, QEvent::FocusIn);
        navigator.Navigate(2);
        QCOMPARE(editor.GetSel(false), (EditorRange{7, 0, 7, 0}));
        QVERIFY(editor.LineText(7).contains("Volume"));
    }

    void PickingMovesTheCaretOnlyWhileArmed() {
        CodeEditor editor;
        QComboBox combo1;
        QComboBox combo2;
        ProcedureNavigator navigator(&editor, &combo1, &combo2);
        editor.SetText(Module);
        editor.setCursorPosition(2, 3);
        navigator.Scan();
        QCOMPARE(combo2.currentText(), QString("Main"));

        // Not focused: a pick changes the list but not the caret.
        QTest::keyClick(&combo2, Qt::Key_Down);
        QCOMPARE(combo2.currentText(), QString("Area"));
        QCOMPARE(editor.GetSel(false).endLine, 2);

        // Gaining the focus rescans first, then arms.
        editor.setCursorPosition(7, 0);
        Focus(&combo2, QEvent::FocusIn);
        QVERIFY(navigator.Armed());
        QCOMPARE(combo2.currentText(), QString("Area"));
        QCOMPARE(editor.GetSel(false).endLine, 7);

        QTest::keyClick(&combo2, Qt::Key_Down);
        QCOMPARE(editor.GetSel(false), (EditorRange{8, 0, 8, 0}));
        QTest::keyClick(&combo2, Qt::Key_Home);
        QCOMPARE(combo2.currentText(), QString("(Declarations)"));
        QCOMPARE(editor.GetSel(false), (EditorRange{0, 0, 0, 0}));

        // The list's own drop-down is no loss of focus; leaving the list is.
        Focus(&combo2, QEvent::FocusOut, Qt::PopupFocusReason);
        QVERIFY(navigator.Armed());
        Focus(&combo2, QEvent::FocusOut);
        QVERIFY(!navigator.Armed());
        QTest::keyClick(&combo2, Qt::Key_End);
        QCOMPARE(editor.GetSel(false).endLine, 0);
        // A module without procedures: "(Declarations)" alone, still a way to line 0,
        // also in lists that held their design entries before the first scan.
        QComboBox designed1;
        QComboBox designed2;
        designed1.addItem("(General)");
        designed2.addItem("(Declarations)");
        ProcedureNavigator fresh(&editor, &designed1, &designed2);
        editor.SetText("x = 1\r\ny = 2");
        editor.setCursorPosition(1, 3);
        Focus(&designed2, QEvent::FocusIn);
        QCOMPARE(Items(designed2), QStringList{"(Declarations)"});
        QCOMPARE(designed2.currentIndex(), 0);
        fresh.Navigate(0);
        QCOMPARE(editor.GetSel(false), (EditorRange{0, 0, 0, 0}));

        // Out-of-range picks do nothing.
        Focus(&combo2, QEvent::FocusIn);
        navigator.Navigate(-1);
        navigator.Navigate(99);
        QCOMPARE(editor.GetSel(false).endLine, 0);
    }
};

ZIDE_TEST(NavigatorTest)
#include "NavigatorTest.moc"
