#include "build/OutputTarget.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

void OutputTarget::ReplaceAll(const QString& text) {
    SetSelStart(0);
    SetSelLength(static_cast<int>(Text().size()));
    SetSelText(text);
}

void OutputTarget::Append(const QString& text) {
    SetSelStart(static_cast<int>(Text().size()));
    SetSelLength(0);
    SetSelText(text);
}

TextBoxTarget::TextBoxTarget(QPlainTextEdit* edit) : edit(edit) {}

namespace {
int LastPosition(const QPlainTextEdit* edit) {
    return edit->document()->characterCount() - 1;
}
}  // namespace

QString TextBoxTarget::Text() const {
    return edit ? edit->toPlainText() : QString();
}

void TextBoxTarget::SetSelStart(int start) {
    if (!edit)
        return;
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(qBound(0, start, LastPosition(edit)));
    edit->setTextCursor(cursor);
}

void TextBoxTarget::SetSelLength(int length) {
    if (!edit)
        return;
    QTextCursor cursor = edit->textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(qBound(0, start + length, LastPosition(edit)), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

void TextBoxTarget::SetSelText(const QString& text) {
    if (!edit)
        return;
    QTextCursor cursor = edit->textCursor();
    cursor.insertText(text);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    endsWithCarriageReturn = text.endsWith(QLatin1Char('\r')) && cursor.atEnd();
}

void TextBoxTarget::Append(const QString& text) {
    if (!edit || text.isEmpty())
        return;
    // The document turns "\r", "\n" and "\r\n" each into one line break, so a
    // "\n" right after an appended "\r" is the second half of one break.
    const bool skipFirst = endsWithCarriageReturn && text.startsWith(QLatin1Char('\n'));
    endsWithCarriageReturn = text.endsWith(QLatin1Char('\r'));
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(skipFirst ? text.mid(1) : text);
    edit->setTextCursor(cursor);
    // Follow the output down to its last line.
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}
