#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct SyntaxDefinition;

// Colours one line at a time by a syntax definition. It works on the editor's
// own UTF-8 bytes and writes one style per byte, so the lexer can hand a whole
// range to the editor in one call. What a line passes on to the next (an open
// block comment, an open tag, the block depth) is a small LineState, which the
// lexer keeps per line: a change restyles from its own line on, never the
// whole module.
class SyntaxScanner {
public:
    enum Style : char {
        Default,
        Comment,
        Keyword,
        Number,
        Operator,
        String,
        Attribute,
        StyleCount
    };

    struct LineState {
        bool inComment = false;
        bool inTag = false;
        int depth = 0;  // blocks open after the line
        // The flags alone; the depth travels in the fold levels.
        int Flags() const { return (inComment ? 1 : 0) | (inTag ? 2 : 0); }
        static LineState Unpack(int flags) { return {(flags & 1) != 0, (flags & 2) != 0, 0}; }
        bool operator==(const LineState&) const = default;
    };
    static constexpr int MaxDepth = 1000;
    // Listed words, operators, block symbols and comment markers longer than
    // this are never looked for: no language has them, and each byte of a
    // module would cost as much as the longest one.
    static constexpr int LongestEntry = 128;

    explicit SyntaxScanner(const SyntaxDefinition& syntax);

    // Styles `length` bytes of one line (without its line end) into `styles`
    // and returns the state after the line.
    LineState ScanLine(const char* text, int length, LineState in, char* styles) const;

    // The keyword as the syntax file spells it when `word` is one, matched
    // with the language's case rule; empty when it is none.
    QByteArray ListedKeyword(QByteArrayView word) const;

    static bool IsWordByte(unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c >= 0x80;
    }

private:
    enum WordKind : unsigned char { KeywordWord = 1, AttributeWord = 2, OperatorWord = 4 };
    struct WordInfo {
        unsigned char kinds = 0;
        std::string listed;  // the keyword as written in the file
    };
    struct WordHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    // A block entry that opens the line's code: its words ("End Sub"), or,
    // written "If...Then", a head that opens it and a tail that closes it.
    struct Phrase {
        std::string tail;
        int delta = 0;  // +1 opens a block, -1 closes one
    };
    // Operators and block symbols share one tree of bytes, and block phrases
    // have one of their own in which a blank run is a step of its own; a scan
    // follows a tree from where it stands, so a syntax file of thousands of
    // entries costs no more per byte than one of a few.
    struct Node {
        int opens = 0;         // block start symbols that end here
        int closes = 0;        // block end symbols that end here
        bool op = false;       // an operator ends here
        int phrase = -1;       // the first phrase (in entry order) that ends here
        bool wordEnd = false;  // the last byte here is a word byte
        bool leaf = true;      // no longer entry goes on from here
    };
    struct Tree {
        std::vector<Node> nodes{Node()};  // 0 is the root
        std::unordered_map<quint64, int> edges;
        int Child(int node, int step) const {
            const auto found = edges.find(Key(node, step));
            return found == edges.end() ? 0 : found->second;
        }
        int Add(int node, int step);
        static quint64 Key(int node, int step) {
            return (static_cast<quint64>(node) << 9) | static_cast<unsigned>(step);
        }
    };
    static constexpr int BlankStep = 256;  // one or more blanks between phrase words
    struct Cursor;

    void AddWords(const QString& list, WordKind kind);
    void AddBlockEntries(const QString& value, int delta);
    void AddSymbol(const std::string& text, int opens, int closes, bool op);
    const WordInfo* Lookup(const char* word, int length) const;
    int WordEnd(const char* text, int length, int from) const;
    int NumberEnd(const char* text, int length, int from) const;
    bool SameWord(const char* text, int length, std::string_view word) const;
    int StyleWord(const WordInfo* info, bool inTag, bool tagName) const;
    bool ScanComment(Cursor& c) const;
    bool ScanString(Cursor& c) const;
    void ScanSymbol(Cursor& c) const;
    void ScanCode(Cursor& c) const;
    void ScanTagged(Cursor& c) const;
    void BlockWordsAtStart(Cursor& c) const;

    bool caseSensitive = false;
    bool sgml = false;
    bool hexPrefix = false;  // "&H" numbers of the BASIC family
    std::string lineComment;
    std::string blockCommentStart;
    std::string blockCommentEnd;
    std::array<bool, 256> delimiter{};
    int escape = -1;
    int terminator = -1;
    std::array<bool, 256> wordLead{};   // non-word bytes that begin a listed word ("#include")
    std::array<bool, 256> wordTrail{};  // non-word bytes that end one ("Left$")
    std::unordered_map<std::string, WordInfo, WordHash, std::equal_to<>> words;
    size_t longestWord = 0;
    std::array<quint64, 256> wordLengths{};  // by first byte: bit n for a word of n bytes
    Tree symbols;                            // operators and block symbols
    std::array<int, 256> symbolStart{};      // the root's children, looked up on every byte
    Tree phraseTree;
    std::vector<Phrase> phrases;  // closing entries first, then opening ones, in file order
};
