#include "editor/SyntaxLexer.h"

#include <QFontDatabase>
#include "editor/CodeEditor.h"

namespace {
using Base = QsciScintillaBase;
constexpr long QuietLines = 200;

int DepthOf(long foldLevel) {
    return static_cast<int>(foldLevel & Base::SC_FOLDLEVELNUMBERMASK) - Base::SC_FOLDLEVELBASE;
}

long Send(QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
    return editor->SendScintilla(message, wParam, lParam);
}
}  // namespace

SyntaxLexer::SyntaxLexer(const SyntaxDefinition& syntax, QObject* parent)
    : QsciLexerCustom(parent),
      name(syntax.name.toUtf8()),
      sensitive(syntax.caseSensitive),
      scanner(syntax),
      font(EditorFont()) {
    colors[SyntaxScanner::Default] = ColorOf(syntax.textColor);
    colors[SyntaxScanner::Comment] = ColorOf(syntax.commentColor);
    colors[SyntaxScanner::Keyword] = ColorOf(syntax.keywordColor);
    colors[SyntaxScanner::Number] = ColorOf(syntax.numberColor);
    colors[SyntaxScanner::Operator] = ColorOf(syntax.operatorColor);
    colors[SyntaxScanner::String] = ColorOf(syntax.stringColor);
    colors[SyntaxScanner::Attribute] = ColorOf(syntax.attribColor);
    setDefaultColor(colors[SyntaxScanner::Default]);
    setDefaultPaper(Qt::white);
    setDefaultFont(font);
    setAutoIndentStyle(QsciScintilla::AiMaintain);
}

SyntaxLexer::~SyntaxLexer() = default;

const char* SyntaxLexer::language() const {
    return name.constData();
}

QString SyntaxLexer::description(int style) const {
    switch (style) {
        case SyntaxScanner::Default:
            return QStringLiteral("Text");
        case SyntaxScanner::Comment:
            return QStringLiteral("Comment");
        case SyntaxScanner::Keyword:
            return QStringLiteral("Keyword");
        case SyntaxScanner::Number:
            return QStringLiteral("Number");
        case SyntaxScanner::Operator:
            return QStringLiteral("Operator");
        case SyntaxScanner::String:
            return QStringLiteral("String");
        case SyntaxScanner::Attribute:
            return QStringLiteral("Attribute");
        default:
            return QString();
    }
}

QColor SyntaxLexer::defaultColor(int style) const {
    if (style >= 0 && style < SyntaxScanner::StyleCount)
        return colors[style];
    return colors[SyntaxScanner::Default];
}

QColor SyntaxLexer::defaultPaper(int) const {
    return Qt::white;
}

// Plain everywhere: no bold keywords, no italic comments.
QFont SyntaxLexer::defaultFont(int) const {
    return font;
}

bool SyntaxLexer::caseSensitive() const {
    return sensitive;
}

void SyntaxLexer::styleText(int start, int end) {
    QsciScintilla* e = editor();
    if (!e || end <= start)
        return;
    const long length = Send(e, Base::SCI_GETLENGTH);
    const long firstLine = Send(e, Base::SCI_LINEFROMPOSITION, start);
    const long lastLine = Send(e, Base::SCI_LINEFROMPOSITION, std::min<long>(end, length) - 1);
    const long from = Send(e, Base::SCI_POSITIONFROMLINE, firstLine);
    // Whole lines only: the styling of a line depends on nothing after it.
    const long to = lastLine + 1 < Send(e, Base::SCI_GETLINECOUNT)
                        ? Send(e, Base::SCI_POSITIONFROMLINE, lastLine + 1)
                        : length;
    // An empty last line is the whole range when an edit leaves one.
    const auto* text =
        to > from ? reinterpret_cast<const char*>(Send(e, Base::SCI_GETRANGEPOINTER,
                                                       static_cast<unsigned long>(from), to - from))
                  : "";
    if (!text)
        return;
    if (styles.size() < to - from)
        styles.resize(to - from);

    // Every changed fold level asks for a repaint of the margin on its own;
    // over many lines those requests cost more than the styling, so a long
    // range repaints the page once at its end instead.
    QWidget* view = e->viewport();
    const bool quiet = lastLine - firstLine >= QuietLines && view->updatesEnabled();
    if (quiet)
        view->setUpdatesEnabled(false);

    // What the line before hands on: an open comment or tag in its line
    // state, the block depth in this line's fold level, which is set from it
    // (see below). Line states stay 0 outside comments and tags, so the
    // editor, which repaints for every changed line state, rarely sees one.
    SyntaxScanner::LineState state;
    if (firstLine > 0) {
        state = SyntaxScanner::LineState::Unpack(
            static_cast<int>(Send(e, Base::SCI_GETLINESTATE, firstLine - 1)));
        state.depth = DepthOf(Send(e, Base::SCI_GETFOLDLEVEL, firstLine));
    }
    long line = firstLine;
    long offset = 0;
    const long total = to - from;
    while (offset < total) {
        long eol = offset;
        while (eol < total && text[eol] != '\n' && text[eol] != '\r')
            ++eol;
        long next = eol;
        if (next < total && text[next] == '\r')
            ++next;
        if (next < total && text[next] == '\n')
            ++next;
        const SyntaxScanner::LineState after = scanner.ScanLine(
            text + offset, static_cast<int>(eol - offset), state, styles.data() + offset);
        std::fill(styles.data() + eol, styles.data() + next,
                  after.inComment ? SyntaxScanner::Comment : SyntaxScanner::Default);

        int level = Base::SC_FOLDLEVELBASE + state.depth;
        if (after.depth > state.depth)
            level |= Base::SC_FOLDLEVELHEADERFLAG;
        if (Send(e, Base::SCI_GETFOLDLEVEL, line) != level)
            Send(e, Base::SCI_SETFOLDLEVEL, line, level);
        Send(e, Base::SCI_SETLINESTATE, line, after.Flags());
        state = after;
        offset = next;
        ++line;
    }
    const long lineCount = Send(e, Base::SCI_GETLINECOUNT);
    if (to == length && line == lineCount - 1) {
        // An empty last line has nothing to style, yet its fold level and
        // state follow the lines above like any other's: an edit may have
        // left it those of a line that is gone, a block start among them.
        const int level = Base::SC_FOLDLEVELBASE + state.depth;
        if (Send(e, Base::SCI_GETFOLDLEVEL, line) != level)
            Send(e, Base::SCI_SETFOLDLEVEL, line, level);
        Send(e, Base::SCI_SETLINESTATE, line, state.Flags());
    } else if (line < lineCount && DepthOf(Send(e, Base::SCI_GETFOLDLEVEL, line)) != state.depth) {
        // The next line, styled later, starts from the depth this range leaves.
        Send(e, Base::SCI_SETFOLDLEVEL, line, Base::SC_FOLDLEVELBASE + state.depth);
    }
    if (total > 0) {
        startStyling(static_cast<int>(from));
        Send(e, Base::SCI_SETSTYLINGEX, static_cast<unsigned long>(total),
             reinterpret_cast<long>(styles.constData()));
    }
    if (quiet)
        view->setUpdatesEnabled(true);
}

QFont SyntaxLexer::EditorFont() {
    static const QFont chosen = [] {
        QFont f;
        if (QFontDatabase::families().contains(QStringLiteral("Courier New CE"))) {
            f = QFont(QStringLiteral("Courier New CE"));
        } else {
            f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        }
        f.setPointSize(10);
        f.setBold(false);
        f.setItalic(false);
        f.setUnderline(false);
        return f;
    }();
    return chosen;
}

QColor SyntaxLexer::ColorOf(qint32 value) {
    const auto bits = static_cast<quint32>(value);
    return QColor(bits & 0xff, (bits >> 8) & 0xff, (bits >> 16) & 0xff);
}
