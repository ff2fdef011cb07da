// A user's first program, in the window: File > New Project "Console",
// one line typed into Sub Main, F7 builds it with the shipped tool chain and
// starts it in a terminal; a mistake leads back to its line.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "IdeFixture.h"
#include "TestSupport.h"
#include "build/OutputPane.h"
#include "editor/CodeEditor.h"
#include "editor/EditorWindow.h"
#include "settings/InstallDefaults.h"
#include "settings/Registry.h"
#include "shell/MainWindow.h"

namespace {

// An IDE whose program folder holds the built tool chain, and whose only
// terminal runs its command without a window, keeping what it printed in
// terminal.out.
struct ToolChainIde : Ide {
    ToolChainIde() : Ide(false) {
        for (const char* folder : {"bin", "runtime"})
            QFile::link(QStringLiteral(ZIDE_BINARY_DIR "/") + folder, home.File(folder));
        InstallDefaults::Write();
        const QByteArray record = Record().toUtf8();
        WriteAll(home.File("term/x-terminal-emulator"),
                 "#!/bin/sh\n[ \"$1\" = -e ] && shift\n\"$@\" </dev/null >'" + record +
                     ".part' 2>&1\nmv '" + record + ".part' '" + record + "'\n");
        QFile::setPermissions(home.File("term/x-terminal-emulator"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        mdlRegistry::SetUserEnvVar("PATH", home.File("term"));
        Start();
    }
    QString Record() const { return home.File("terminal.out"); }

    // File > New Project, answered as a user would: name, location, type.
    void NewProject(const QString& name, const QString& type) {
        QTimer::singleShot(0, window.get(), [this, name, type] {
            auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(form && form->objectName() == "Form12");
            form->findChild<QLineEdit*>("Text2")->setText(name);
            form->findChild<QLineEdit*>("Text1")->setText(home.File("work"));
            form->findChild<QComboBox*>("Combo1")->setCurrentText(type);
            form->findChild<QPushButton*>("Command1")->click();
        });
        window->RunTool("FileProject");
    }
};

// Line `line` (from 0) of the editor becomes `text`; its line break stays.
void ReplaceLine(CodeEditor* editor, int line, const QString& text) {
    QString old = editor->text(line);
    while (old.endsWith('\n') || old.endsWith('\r'))
        old.chop(1);
    editor->setSelection(line, 0, line, old.length());
    editor->replaceSelectedText(text);
}

// A double-click on line `line` of the text box.
void DoubleClickLine(QsciScintilla* box, int line) {
    box->ensureLineVisible(line);
    const long at = box->positionFromLineIndex(line, 2);
    const QPoint point(
        int(box->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, at)),
        int(box->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, at)) + 2);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, point);
}

int CaretLine(CodeEditor* editor) {
    int line = -1, index = -1;
    editor->getCursorPosition(&line, &index);
    return line;
}

}  // namespace

class NewProjectFlowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void HelloWorldThenAMistake() {
        ToolChainIde ide;
        ide.NewProject("Hello", "Console");
        const QString module = ide.home.File("work/Hello/Hello.zbl");
        EditorWindow* editor = ide.window->ActiveEditor();
        QVERIFY(editor);
        QCOMPARE(editor->FileName(), module);
        CodeEditor* text = editor->Editor();
        // The template's Sub Main is line 7; its empty body line is line 8.
        QVERIFY(text->text(6).startsWith("Sub Main"));
        ReplaceLine(text, 7, "    Print \"Hello, world\"");

        ide.window->RunTool("BuildBuild");
        OutputPane* pane = ide.window->OutputForm();
        auto* output = pane->findChild<QsciScintilla*>("Text1");
        QVERIFY2(ide.prompt.asked.empty(), qPrintable(output->text()));
        QVERIFY(QFile::exists(ide.home.File("work/Hello/Release/Hello.exe")));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ide.Record()), 20000);
        QVERIFY2(ReadAll(ide.Record()).startsWith("Hello, world\n"), ReadAll(ide.Record()));

        ReplaceLine(text, 7, "    Prnt \"x\"");
        ide.window->RunTool("BuildBuild");
        QCOMPARE(ide.prompt.asked.size(), size_t(1));
        const QList<OutputPane::Message> messages = pane->Messages();
        QVERIFY2(!messages.isEmpty(), qPrintable(output->text()));
        QCOMPARE(messages.first().file, module);
        QCOMPARE(messages.first().line, 8);

        // F4 leads to the first message's line; so does a double-click on it.
        text->setCursorPosition(0, 0);
        ide.window->RunTool("BuildNextMessage");
        QCOMPARE(ide.window->ActiveEditor(), editor);
        QCOMPARE(CaretLine(text), 7);
        text->setCursorPosition(0, 0);
        ide.window->show();
        DoubleClickLine(output, messages.first().outputLine);
        QCOMPARE(ide.window->ActiveEditor(), editor);
        QCOMPARE(CaretLine(text), 7);
    }
};

ZIDE_TEST(NewProjectFlowTest)
#include "NewProjectFlowTest.moc"
