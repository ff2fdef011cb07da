#pragma once
#include <QPointer>
#include <QString>
#include <functional>

class QPlainTextEdit;
class QsciScintilla;

// What the process runner writes a tool's output into: a text box seen
// through its whole text and its selection. Setting SelStart collapses the
// selection there; SelLength extends it from SelStart; SelText replaces the
// selection and leaves the caret after the inserted text.
class OutputTarget {
public:
    virtual ~OutputTarget() = default;

    virtual QString Text() const = 0;
    virtual void SetSelStart(int start) = 0;
    virtual void SetSelLength(int length) = 0;
    virtual void SetSelText(const QString& text) = 0;

    // Replaces the whole content; the caret ends after it. The default goes
    // through the selection; a text box overrides it so that emptying a
    // long output does not read it first.
    virtual void ReplaceAll(const QString& text);

    // Adds text after the current content with the caret after it. The
    // default goes through the selection; a text box overrides it so that a
    // long run costs time in proportion to its output, not its square.
    virtual void Append(const QString& text);
};

// The Output pane's text box as a target. Appends insert at the end of the
// document (a "\r\n" split between two appends stays one line break), move
// the caret there and scroll to it. A deleted text box is ignored.
class TextBoxTarget : public OutputTarget {
public:
    explicit TextBoxTarget(QPlainTextEdit* edit);

    QString Text() const override;
    void SetSelStart(int start) override;
    void SetSelLength(int length) override;
    void SetSelText(const QString& text) override;
    void Append(const QString& text) override;

private:
    QPointer<QPlainTextEdit> edit;
    bool endsWithCarriageReturn = false;
};

// A QScintilla text box as a target: the Output pane's, where a tool's
// megabytes must go in fast. Line ends are kept as "\n" ("\r\n" and a lone
// "\r" each become one, also when split between two appends), positions count
// characters, and writes go in although the box is read only. The box's own
// change notifications are off (they cost time in proportion to the whole text
// at every append): whoever needs to know is told through Changed. A deleted
// box is ignored.
class ScintillaTarget : public OutputTarget {
public:
    explicit ScintillaTarget(QsciScintilla* box);

    QString Text() const override;
    void SetSelStart(int start) override;
    void SetSelLength(int length) override;
    void SetSelText(const QString& text) override;
    void Append(const QString& text) override;
    void ReplaceAll(const QString& text) override;

    // Called after every write with the byte position where it began.
    std::function<void(long position)> Changed;

private:
    QByteArray Normalised(const QString& text);
    long BytePosition(long from, int characters) const;

    QPointer<QsciScintilla> box;
    bool endsWithCarriageReturn = false;
};
