#include <QTest>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "editor/EditorWindow.h"
#include "shell/DockHost.h"
#include "shell/MainWindow.h"
#include "shell/Session.h"

namespace {
QByteArray Lines(int count) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "Dim v" + QByteArray::number(i) + " As Long\r\n";
    return text;
}

EditorWindow* EditorFor(const Ide& ide, const QString& path) {
    DocWindow* window = ide.WindowFor(path);
    return window ? qobject_cast<EditorWindow*>(window->Form()) : nullptr;
}

EditorRange Caret(EditorWindow* editor) {
    const EditorRange sel = editor->Editor()->GetSel(false);
    return {sel.endLine, sel.endColumn, sel.endLine, sel.endColumn};
}
}  // namespace

class SessionFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void RoundTrip() {
        Session::State state;
        state.modules = {
            {"/a b/one.zbl", 3, 4, 1}, {"/x/line\nbreak.zbl", 0, 0, 0}, {"/x/ü.zbl", 99, 1, 80}};
        state.active = 1;
        QCOMPARE(Session::Decode(Session::Encode(state)), state);
    }

    // Damaged lines go; the active mark stays with its module.
    void DamagedLinesAreDropped() {
        const QByteArray bytes =
            "ZIDE-SESSION 1\n"
            "module 1 2 0 relative.zbl\n"
            "module x 2 0 /bad/number.zbl\n"
            "module -1 0 0 /negative.zbl\n"
            "module 1 2 0\n"
            "\x01\x02 binary\n"
            "active 5 6 2 /kept/active.zbl\n"
            "module 7 8 3 /kept/other.zbl";
        const Session::State state = Session::Decode(bytes);
        QCOMPARE(state.modules.size(), 2);
        QCOMPARE(state.modules[0], Session::Module({"/kept/active.zbl", 5, 6, 2}));
        QCOMPARE(state.active, 0);
        QCOMPARE(state.modules[1].path, "/kept/other.zbl");
        QCOMPARE(Session::Decode("module 1 2 0 /no/header.zbl\n").modules.size(), 0);
        QCOMPARE(Session::Decode(QByteArray(4096, '\xff')).modules.size(), 0);
    }
};
ZIDE_TEST(SessionFileTest)

class SessionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ThreeModulesComeBackWithActiveAndCarets() {
        Ide ide;
        const QString a = ide.Write("a.zbl", Lines(10));
        const QString b = ide.Write("b.zbl", Lines(300));
        const QString c = ide.Write("c.zbl", Lines(20));
        for (const QString& path : {a, b, c})
            ide.Open(path);
        EditorFor(ide, a)->Editor()->SetSel({4, 3, 4, 3});
        EditorFor(ide, b)->Editor()->SetSel({250, 7, 250, 7});
        EditorFor(ide, c)->Editor()->SetSel({2, 0, 2, 0});
        const int firstVisible = EditorFor(ide, b)->Editor()->firstVisibleLine();
        ide.host()->Activate(ide.WindowFor(b));
        QVERIFY(ide.window->close());
        ide.window.reset();

        ide.Start();
        QCOMPARE(ide.OpenFiles(), QStringList({a, b, c}));
        QCOMPARE(ide.window->ActiveEditor(), EditorFor(ide, b));
        QCOMPARE(Caret(EditorFor(ide, a)), EditorRange({4, 3, 4, 3}));
        QCOMPARE(Caret(EditorFor(ide, b)), EditorRange({250, 7, 250, 7}));
        QCOMPARE(Caret(EditorFor(ide, c)), EditorRange({2, 0, 2, 0}));
        QCOMPARE(EditorFor(ide, b)->Editor()->firstVisibleLine(), firstVisible);
        QVERIFY(firstVisible > 0);
        for (const QString& path : {a, b, c})
            QVERIFY(!EditorFor(ide, path)->Editor()->isModified());
    }

    // Modules gone since, and a caret beyond a module that shrank, cost
    // nothing: the rest comes back and nobody is asked anything.
    void MissingModulesAreLeftOut() {
        Ide ide(false);
        const QString kept = ide.Write("kept.zbl", Lines(3));
        Session::State state;
        state.modules = {{ide.home.File("gone.zbl"), 0, 0, 0},
                         {kept, 50, 40, 45},
                         {ide.home.File("a folder"), 0, 0, 0}};
        state.active = 0;
        QDir().mkpath(ide.home.File("a folder"));
        QVERIFY(Session::Write(Session::FilePath(), state));
        ide.Start();
        QCOMPARE(ide.OpenFiles(), QStringList({kept}));
        QVERIFY(ide.prompt.asked.empty());
        QCOMPARE(Caret(EditorFor(ide, kept)).endLine, 3);
    }

    void GarbageSessionFileOpensNothing() {
        Ide ide(false);
        WriteAll(Session::FilePath(), QByteArray(100000, '\0') + "\nmodule 1 1 1 /etc/passwd\n");
        ide.Start();
        QVERIFY(ide.OpenFiles().isEmpty());
        QVERIFY(ide.prompt.asked.empty());
    }

    // The module named on the command line opens besides the session, in front.
    void CommandLineModuleIsActive() {
        Ide ide(false);
        const QString a = ide.Write("a.zbl"), b = ide.Write("b.zbl"), start = ide.Write("s.zbl");
        QVERIFY(Session::Write(Session::FilePath(), {{{a, 0, 0, 0}, {b, 0, 0, 0}}, 1}));
        ide.Start(start);
        QCOMPARE(ide.OpenFiles(), QStringList({a, b, start}));
        QCOMPARE(ide.window->ActiveEditor(), EditorFor(ide, start));
    }
};
ZIDE_TEST(SessionTest)

#include "SessionTest.moc"
