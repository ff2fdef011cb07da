#include "build/OutputTarget.h"

// QScintilla's headers still spell the Qt keywords this project switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots

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

ScintillaTarget::ScintillaTarget(QsciScintilla* box) : box(box) {
    if (box)
        box->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0UL);
}

QString ScintillaTarget::Text() const {
    return box ? box->text() : QString();
}

long ScintillaTarget::BytePosition(long from, int characters) const {
    const long length = box->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    if (characters <= 0)
        return from;
    // Past the end the relative position comes back as 0.
    const long to =
        box->SendScintilla(QsciScintillaBase::SCI_POSITIONRELATIVE,
                           static_cast<unsigned long>(from), static_cast<long>(characters));
    return to > from ? to : length;
}

void ScintillaTarget::SetSelStart(int start) {
    if (!box)
        return;
    const long at = BytePosition(0, start);
    box->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(at), at);
}

void ScintillaTarget::SetSelLength(int length) {
    if (!box)
        return;
    const long start = box->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    box->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(start),
                       BytePosition(start, length));
}

QByteArray ScintillaTarget::Normalised(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines.toUtf8();
}

void ScintillaTarget::SetSelText(const QString& text) {
    if (!box)
        return;
    const long start = box->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long end = box->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    const bool atEnd = end == box->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const QByteArray bytes = Normalised(text);
    const bool readOnly = box->isReadOnly();
    box->setReadOnly(false);
    box->SendScintilla(QsciScintillaBase::SCI_REPLACESEL, 0UL, bytes.constData());
    box->setReadOnly(readOnly);
    box->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    endsWithCarriageReturn = atEnd && text.endsWith(QLatin1Char('\r'));
    if (Changed)
        Changed(start);
}

void ScintillaTarget::Append(const QString& text) {
    if (!box || text.isEmpty())
        return;
    const bool skipFirst = endsWithCarriageReturn && text.startsWith(QLatin1Char('\n'));
    endsWithCarriageReturn = text.endsWith(QLatin1Char('\r'));
    const QByteArray bytes = Normalised(skipFirst ? text.mid(1) : text);
    const long start = box->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const bool readOnly = box->isReadOnly();
    box->setReadOnly(false);
    box->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()),
                       bytes.constData());
    box->setReadOnly(readOnly);
    // The caret after the output, and the view following it down.
    box->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                       static_cast<unsigned long>(start + bytes.size()));
    if (Changed)
        Changed(start);
}

void ScintillaTarget::ReplaceAll(const QString& text) {
    if (!box)
        return;
    const bool readOnly = box->isReadOnly();
    box->setReadOnly(false);
    box->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
    box->setReadOnly(readOnly);
    endsWithCarriageReturn = false;
    if (text.isEmpty()) {
        if (Changed)
            Changed(0);
        return;
    }
    Append(text);
}
