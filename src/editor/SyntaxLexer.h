#pragma once
// QScintilla's headers still spell the Qt keywords this project switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexercustom.h>
#undef signals
#undef slots

#include <QByteArray>
#include <QColor>
#include <QFont>

#include "editor/SyntaxDefinition.h"
#include "editor/SyntaxScanner.h"

// The editor's language, made from one syntax definition: colours, plain
// fonts, and the styling itself, which runs only over what the editor asks
// for (the visible page first, the rest while the editor is idle). Each line
// keeps the state it hands to the next and its fold level, so an edit restyles
// from its own line on and stops where the editor stops asking.
class SyntaxLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    using Style = SyntaxScanner::Style;

    explicit SyntaxLexer(const SyntaxDefinition& syntax, QObject* parent = nullptr);
    ~SyntaxLexer() override;

    const char* language() const override;
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QColor defaultPaper(int style) const override;
    QFont defaultFont(int style) const override;
    bool caseSensitive() const override;
    void styleText(int start, int end) override;

    const SyntaxScanner& Scanner() const { return scanner; }

    // "Courier New CE" at 10 points where it is installed, else the system's
    // fixed-pitch font at 10 points.
    static QFont EditorFont();
    // A syntax file's colour value: red in the low byte, then green, then blue.
    static QColor ColorOf(qint32 value);

private:
    QByteArray name;
    bool sensitive;
    SyntaxScanner scanner;
    QColor colors[SyntaxScanner::StyleCount];
    QFont font;
    QByteArray styles;  // reused between calls
};
