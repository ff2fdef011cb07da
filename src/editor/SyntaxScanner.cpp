#include "editor/SyntaxScanner.h"

#include <algorithm>
#include <cstring>

#include "editor/SyntaxDefinition.h"

namespace {
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(unsigned char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t';
}
unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}
std::string Lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
    return text;
}
std::string Utf8(const QString& text) {
    return text.toStdString();
}
// A comment marker, or none when it is longer than any language has.
std::string Marker(const QString& text) {
    std::string marker = Utf8(text);
    if (marker.size() > SyntaxScanner::LongestEntry)
        marker.clear();
    return marker;
}
bool StartsAt(const char* text, int length, int at, const std::string& what) {
    return !what.empty() && length - at >= static_cast<int>(what.size()) &&
           std::memcmp(text + at, what.data(), what.size()) == 0;
}
}  // namespace

// Where one line's scan stands.
struct SyntaxScanner::Cursor {
    const char* text;
    int length;
    char* styles;
    int pos = 0;
    LineState state;
    bool atStart = true;  // no code seen yet: block words may open the line
    int lastStart = -1;   // the line's last code token, for "If...Then" tails
    int lastEnd = -1;
    const std::string* pendingTail = nullptr;
    int pendingDelta = 0;
    bool tagName = false;  // the next word inside a tag names its element

    unsigned char At(int i) const { return i < length ? static_cast<unsigned char>(text[i]) : 0; }
    void Take(int end, char style, bool code = true) {
        std::memset(styles + pos, style, end - pos);
        if (code) {
            lastStart = pos;
            lastEnd = end;
        }
        pos = end;
    }
    void Nest(int delta) { state.depth = std::clamp(state.depth + delta, 0, MaxDepth); }
};

SyntaxScanner::SyntaxScanner(const SyntaxDefinition& syntax)
    : caseSensitive(syntax.caseSensitive),
      sgml(syntax.langStyle == 1),
      hexPrefix(!syntax.caseSensitive),
      lineComment(Marker(syntax.singleLineComment)),
      blockCommentStart(Marker(syntax.multiLineCommentStart)),
      blockCommentEnd(Marker(syntax.multiLineCommentEnd)) {
    for (const QChar c : syntax.stringDelimiters)
        if (c.unicode() < 0x80)
            delimiter[c.unicode()] = true;
    if (!syntax.escapeChar.isEmpty() && syntax.escapeChar.at(0).unicode() < 0x80)
        escape = syntax.escapeChar.at(0).unicode();
    if (!syntax.terminator.isEmpty() && syntax.terminator.at(0).unicode() < 0x80)
        terminator = syntax.terminator.at(0).unicode();
    // Operators first: a word listed as keyword as well colours as keyword.
    AddWords(syntax.operators, OperatorWord);
    AddWords(syntax.attributes, AttributeWord);
    AddWords(syntax.keywords, KeywordWord);
    // Closing entries first: where two match, the first listed wins.
    AddBlockEntries(syntax.syntaxEnd, -1);
    AddBlockEntries(syntax.syntaxStart, 1);
}

int SyntaxScanner::Tree::Add(int node, int step) {
    const auto [at, added] = edges.try_emplace(Key(node, step), static_cast<int>(nodes.size()));
    if (added) {
        nodes[node].leaf = false;
        nodes.emplace_back();
    }
    return at->second;
}

void SyntaxScanner::AddSymbol(const std::string& text, int opens, int closes, bool op) {
    const auto first = static_cast<unsigned char>(text.front());
    if (!symbolStart[first])
        symbolStart[first] = symbols.Add(0, first);
    int node = symbolStart[first];
    for (size_t i = 1; i < text.size(); ++i)
        node = symbols.Add(node, static_cast<unsigned char>(text[i]));
    Node& end = symbols.nodes[node];
    end.opens += opens;
    end.closes += closes;
    end.op = end.op || op;
}

void SyntaxScanner::AddWords(const QString& list, WordKind kind) {
    for (const QString& entry : list.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const std::string word = Utf8(entry);
        if (word.size() > LongestEntry)
            continue;
        const auto first = static_cast<unsigned char>(word.front());
        const auto last = static_cast<unsigned char>(word.back());
        if (kind == OperatorWord && !IsWordByte(first)) {
            AddSymbol(word, 0, 0, true);
            continue;
        }
        if (!IsWordByte(first))
            wordLead[first] = true;
        if (!IsWordByte(last))
            wordTrail[last] = true;
        const std::string key = caseSensitive ? word : Lowered(word);
        wordLengths[static_cast<unsigned char>(key.front())] |= 1ULL
                                                                << std::min<size_t>(key.size(), 63);
        WordInfo& info = words[key];
        info.kinds |= kind;
        if (kind == KeywordWord && info.listed.empty())
            info.listed = word;
        longestWord = std::max(longestWord, word.size());
    }
}

void SyntaxScanner::AddBlockEntries(const QString& value, int delta) {
    for (const QString& entry : BlockEntries(value)) {
        std::string text = Utf8(entry);
        if (!IsWordByte(static_cast<unsigned char>(text.front()))) {
            if (text.size() <= LongestEntry)
                AddSymbol(text, delta > 0 ? 1 : 0, delta < 0 ? 1 : 0, false);
            continue;
        }
        if (!caseSensitive)
            text = Lowered(text);
        Phrase phrase;
        phrase.delta = delta;
        std::string head = text;
        if (const size_t dots = text.find("..."); dots != std::string::npos) {
            head = text.substr(0, dots);
            phrase.tail = QString::fromStdString(text.substr(dots + 3)).trimmed().toStdString();
        }
        // Words, with a blank run between them.
        int node = 0;
        bool gap = false;
        for (const char byte : head) {
            const auto b = static_cast<unsigned char>(byte);
            if (IsBlank(b)) {
                gap = node != 0;
                continue;
            }
            if (gap)
                node = phraseTree.Add(node, BlankStep);
            gap = false;
            node = phraseTree.Add(node, b);
            phraseTree.nodes[node].wordEnd = IsWordByte(b);
        }
        if (node == 0)
            continue;
        if (phraseTree.nodes[node].phrase < 0)
            phraseTree.nodes[node].phrase = static_cast<int>(phrases.size());
        phrases.push_back(std::move(phrase));
    }
}

const SyntaxScanner::WordInfo* SyntaxScanner::Lookup(const char* word, int length) const {
    if (length <= 0 || static_cast<size_t>(length) > longestWord)
        return nullptr;
    const auto first = static_cast<unsigned char>(word[0]);
    if (!(wordLengths[caseSensitive ? first : Lower(first)] & (1ULL << std::min(length, 63))))
        return nullptr;
    std::string_view key(word, length);
    char lowered[128];
    if (!caseSensitive) {
        if (length > static_cast<int>(sizeof lowered))
            return nullptr;
        for (int i = 0; i < length; ++i)
            lowered[i] = static_cast<char>(Lower(static_cast<unsigned char>(word[i])));
        key = std::string_view(lowered, length);
    }
    const auto found = words.find(key);
    return found == words.end() ? nullptr : &found->second;
}

QByteArray SyntaxScanner::ListedKeyword(QByteArrayView word) const {
    const WordInfo* info = Lookup(word.data(), static_cast<int>(word.size()));
    if (!info || !(info->kinds & KeywordWord))
        return QByteArray();
    return QByteArray(info->listed.data(), static_cast<qsizetype>(info->listed.size()));
}

int SyntaxScanner::WordEnd(const char* text, int length, int from) const {
    int i = from;
    if (!IsWordByte(static_cast<unsigned char>(text[i])))
        ++i;  // a listed word's leading "#"
    while (i < length && IsWordByte(static_cast<unsigned char>(text[i])))
        ++i;
    if (i < length && wordTrail[static_cast<unsigned char>(text[i])] &&
        Lookup(text + from, i + 1 - from))
        ++i;
    return i;
}

int SyntaxScanner::NumberEnd(const char* text, int length, int from) const {
    int i = from;
    if (text[i] == '&') {  // &HFF, &HFF&
        i += 2;
        while (i < length && IsHexDigit(static_cast<unsigned char>(text[i])))
            ++i;
        return i < length && text[i] == '&' ? i + 1 : i;
    }
    const bool hex = text[i] == '0' && i + 1 < length && (text[i + 1] == 'x' || text[i + 1] == 'X');
    while (i < length) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!hex && (c == 'e' || c == 'E') && i + 2 < length &&
            (text[i + 1] == '+' || text[i + 1] == '-') && IsDigit(text[i + 2])) {
            i += 3;
        } else if ((c < 0x80 && IsWordByte(c)) || c == '.') {
            ++i;
        } else {
            break;
        }
    }
    return i;
}

bool SyntaxScanner::SameWord(const char* text, int length, std::string_view word) const {
    if (length != static_cast<int>(word.size()))
        return false;
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((caseSensitive ? c : Lower(c)) != static_cast<unsigned char>(word[i]))
            return false;
    }
    return true;
}

// Block words count only where a statement begins: "End Sub" closes,
// "Exit Sub" and "Declare Function" open nothing.
void SyntaxScanner::BlockWordsAtStart(Cursor& c) const {
    // Follow the phrase tree as far as the line goes; of the phrases that end
    // on a word boundary on the way, the first listed wins.
    int best = -1;
    int node = 0;
    int i = c.pos;
    for (;;) {
        if (const Node& here = phraseTree.nodes[node]; here.phrase >= 0 &&
                                                       (best < 0 || here.phrase < best) &&
                                                       !(here.wordEnd && IsWordByte(c.At(i))))
            best = here.phrase;
        if (phraseTree.nodes[node].leaf || i >= c.length)
            break;
        const unsigned char b = c.At(i);
        if (IsBlank(b)) {
            node = node ? phraseTree.Child(node, BlankStep) : 0;
            while (i < c.length && IsBlank(c.At(i)))
                ++i;
        } else {
            node = phraseTree.Child(node, caseSensitive ? b : Lower(b));
            ++i;
        }
        if (!node)
            break;
    }
    if (best < 0)
        return;
    const Phrase& phrase = phrases[best];
    if (phrase.tail.empty()) {
        c.Nest(phrase.delta);
    } else {
        c.pendingTail = &phrase.tail;
        c.pendingDelta = phrase.delta;
    }
}

bool SyntaxScanner::ScanComment(Cursor& c) const {
    if (StartsAt(c.text, c.length, c.pos, blockCommentStart)) {
        const int end = c.pos + static_cast<int>(blockCommentStart.size());
        c.Take(end, Comment, false);
        c.state.inComment = !blockCommentEnd.empty();
        if (!c.state.inComment)
            c.Take(c.length, Comment, false);
        return true;
    }
    if (StartsAt(c.text, c.length, c.pos, lineComment)) {
        c.Take(c.length, Comment, false);
        return true;
    }
    return false;
}

bool SyntaxScanner::ScanString(Cursor& c) const {
    const unsigned char open = c.At(c.pos);
    if (!delimiter[open])
        return false;
    int i = c.pos + 1;
    bool escaped = false;
    while (i < c.length) {
        const auto b = static_cast<unsigned char>(c.text[i++]);
        if (escaped) {
            escaped = false;
        } else if (b == open) {
            // Where the delimiter is its own escape, a doubled one stays inside.
            if (b == escape && c.At(i) == open) {
                ++i;
                continue;
            }
            break;
        } else if (b == escape) {
            escaped = true;
        }
    }
    c.Take(i, String);
    return true;
}

int SyntaxScanner::StyleWord(const WordInfo* info, bool inTag, bool tagName) const {
    const int kinds = info ? info->kinds : 0;
    if (inTag)
        return tagName ? (kinds & KeywordWord ? Keyword : Default)
                       : (kinds & AttributeWord ? Attribute : Default);
    return kinds & KeywordWord     ? Keyword
           : kinds & AttributeWord ? Attribute
           : kinds & OperatorWord  ? Operator
                                   : Default;
}

// Operators, the terminator and block symbols; anything else is plain.
void SyntaxScanner::ScanSymbol(Cursor& c) const {
    const unsigned char ch = c.At(c.pos);
    int end = c.pos + 1;
    char style = ch == terminator ? Operator : Default;
    // Every entry that starts here lies on one path of the tree: the longest
    // operator colours, and every block symbol counts.
    int opens = 0;
    int closes = 0;
    int symbolEnd = -1;
    int at = c.pos + 1;
    for (int node = symbolStart[ch]; node;) {
        const Node& here = symbols.nodes[node];
        if (here.op) {
            end = at;
            style = Operator;
        }
        if (here.opens || here.closes) {
            opens += here.opens;
            closes += here.closes;
            symbolEnd = at;
        }
        if (here.leaf || at >= c.length)
            break;
        node = symbols.Child(node, c.At(at++));
    }
    if (!c.state.inTag && symbolEnd > 0) {
        // Openings count before closings, each within the depth's bounds.
        c.state.depth = std::max(std::min(c.state.depth + opens, MaxDepth) - closes, 0);
        // The symbol is taken whole, so "{{" counts twice, not thrice.
        end = std::max(end, symbolEnd);
    }
    c.Take(end, style);
}

void SyntaxScanner::ScanCode(Cursor& c) const {
    if (ScanComment(c))
        return;
    if (c.atStart) {
        c.atStart = false;
        BlockWordsAtStart(c);
    }
    if (ScanString(c))
        return;
    const unsigned char ch = c.At(c.pos);
    const unsigned char next = c.At(c.pos + 1);
    if (IsDigit(ch) || (ch == '.' && IsDigit(next)) ||
        (hexPrefix && ch == '&' && (next == 'h' || next == 'H') && IsHexDigit(c.At(c.pos + 2)))) {
        c.Take(NumberEnd(c.text, c.length, c.pos), Number);
        return;
    }
    if (IsWordByte(ch) || (wordLead[ch] && IsWordByte(next))) {
        const int end = WordEnd(c.text, c.length, c.pos);
        const WordInfo* info = Lookup(c.text + c.pos, end - c.pos);
        if (info || IsWordByte(ch)) {
            c.Take(end, static_cast<char>(StyleWord(info, false, false)));
            return;
        }
    }
    ScanSymbol(c);
}

// Markup: names only count inside tags; between tags everything is text.
void SyntaxScanner::ScanTagged(Cursor& c) const {
    if (ScanComment(c))
        return;
    const unsigned char ch = c.At(c.pos);
    if (!c.state.inTag) {
        if (ch == '<') {
            c.state.inTag = true;
            c.tagName = true;
            const unsigned char next = c.At(c.pos + 1);
            c.Take(c.pos + (next == '/' || next == '!' || next == '?' ? 2 : 1), Default);
        } else {
            c.Take(c.pos + 1, Default);
        }
        return;
    }
    if (ch == '>') {
        c.state.inTag = false;
        c.tagName = false;
        c.Take(c.pos + 1, Default);
        return;
    }
    if (ScanString(c))
        return;
    if (IsWordByte(ch)) {
        const int end = WordEnd(c.text, c.length, c.pos);
        const WordInfo* info = Lookup(c.text + c.pos, end - c.pos);
        c.Take(end, static_cast<char>(StyleWord(info, true, c.tagName)));
        c.tagName = false;
        return;
    }
    ScanSymbol(c);
}

SyntaxScanner::LineState SyntaxScanner::ScanLine(const char* text, int length, LineState in,
                                                 char* styles) const {
    Cursor c{text, length, styles, 0, in};
    c.state = in;
    c.state.depth = std::clamp(in.depth, 0, MaxDepth);
    while (c.pos < length) {
        if (c.state.inComment) {
            // memmem is linear whatever the marker looks like.
            const void* found = blockCommentEnd.empty()
                                    ? nullptr
                                    : memmem(text + c.pos, static_cast<size_t>(length - c.pos),
                                             blockCommentEnd.data(), blockCommentEnd.size());
            if (!found) {
                c.Take(length, Comment, false);
            } else {
                c.Take(static_cast<int>(static_cast<const char*>(found) - text) +
                           static_cast<int>(blockCommentEnd.size()),
                       Comment, false);
                c.state.inComment = false;
            }
        } else if (IsBlank(c.At(c.pos))) {
            c.Take(c.pos + 1, Default, false);
        } else if (sgml) {
            ScanTagged(c);
        } else {
            ScanCode(c);
        }
    }
    if (c.pendingTail && c.lastStart >= 0 &&
        SameWord(text + c.lastStart, c.lastEnd - c.lastStart, *c.pendingTail))
        c.Nest(c.pendingDelta);
    return c.state;
}
