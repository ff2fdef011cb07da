#include "Lexer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zbl::trans {

namespace {

// Words the parser gives meaning to. Type and built-in function names stay
// identifiers: they are looked up by name where they are allowed.
constexpr std::array kKeywords = {
    "and",    "as",     "byref",    "byval", "call",  "case",    "const",  "dim",   "do",
    "each",   "else",   "elseif",   "end",   "eqv",   "exit",    "false",  "for",   "function",
    "global", "if",     "imp",      "is",    "let",   "like",    "loop",   "mod",   "next",
    "not",    "option", "optional", "or",    "print", "private", "public", "redim", "rem",
    "select", "set",    "static",   "step",  "sub",   "then",    "to",     "true",  "until",
    "wend",   "while",  "xor",      "type",  "enum",  "with",    "goto",
};

bool isIdentStart(unsigned char c) {
    return std::isalpha(c) || c == '_';
}
bool isIdentChar(unsigned char c) {
    return std::isalnum(c) || c == '_';
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

class Lexer {
public:
    Lexer(std::string_view src, int file, Diagnostics& diags)
        : src_(src), file_(file), diags_(diags) {}

    std::vector<Token> run() {
        toks_.reserve(src_.size() / 2 + 16);
        while (i_ < src_.size())
            step();
        if (!toks_.empty() && toks_.back().kind != Tok::Newline)
            push(Tok::Newline, "", pos());
        push(Tok::End, "", pos());
        return std::move(toks_);
    }

private:
    SourcePos pos() const { return {file_, line_, int(i_ - lineStart_) + 1}; }
    char peek(std::size_t k = 0) const { return i_ + k < src_.size() ? src_[i_ + k] : '\0'; }

    void error(SourcePos p, std::string msg) { diags_.push_back({p, std::move(msg)}); }

    Token& push(Tok k, std::string text, SourcePos p) {
        toks_.push_back(Token{k, std::move(text), 0, 0, 0, p});
        return toks_.back();
    }

    bool atStatementStart() const {
        return toks_.empty() || toks_.back().kind == Tok::Newline ||
               toks_.back().kind == Tok::Colon;
    }

    void newline() {
        ++line_;
        lineStart_ = i_;
    }

    void skipToLineEnd() {
        while (i_ < src_.size() && src_[i_] != '\n' && src_[i_] != '\r')
            ++i_;
    }

    void step() {
        unsigned char c = static_cast<unsigned char>(src_[i_]);
        SourcePos p = pos();
        if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
            ++i_;
        } else if (c == '\r' || c == '\n') {
            ++i_;
            if (c == '\r' && peek() == '\n')
                ++i_;
            push(Tok::Newline, "", p);
            newline();
        } else if (c == '_' && !isIdentChar(static_cast<unsigned char>(peek(1))) &&
                   continuation()) {
        } else if (c == '\'') {
            skipToLineEnd();
        } else if (c == '"') {
            string(p);
        } else if (c == '#' && dateLiteral(p)) {
        } else if (std::isdigit(c) ||
                   (c == '.' && std::isdigit(static_cast<unsigned char>(peek(1))))) {
            decimal(p);
        } else if (c == '&' &&
                   (peek(1) == 'H' || peek(1) == 'h' || peek(1) == 'O' || peek(1) == 'o' ||
                    std::isdigit(static_cast<unsigned char>(peek(1))))) {
            radix(p);
        } else if (isIdentStart(c)) {
            identifier(p);
        } else if (c == ':') {
            ++i_;
            if (peek() == '=') {
                ++i_;
                push(Tok::Op, ":=", p);
            } else {
                push(Tok::Colon, ":", p);
            }
        } else if (std::string_view("+-*/\\^&=<>(),;.#").find(char(c)) != std::string_view::npos) {
            ++i_;
            std::string op(1, char(c));
            if ((c == '<' && (peek() == '=' || peek() == '>')) || (c == '>' && peek() == '='))
                op += src_[i_++];
            push(Tok::Op, op, p);
        } else {
            // Report a run of unusable bytes once, not byte by byte.
            while (i_ < src_.size() && !validStart(static_cast<unsigned char>(src_[i_])))
                ++i_;
            error(p, "invalid character in source");
        }
    }

    static bool validStart(unsigned char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\'' || c == '"' ||
               std::isalnum(c) || c == '_' ||
               std::string_view("+-*/\\^&=<>(),;.:#").find(char(c)) != std::string_view::npos;
    }

    // " _" at the end of a line joins the next line to this one.
    bool continuation() {
        bool spaceBefore = i_ == 0 || src_[i_ - 1] == ' ' || src_[i_ - 1] == '\t';
        std::size_t j = i_ + 1;
        while (j < src_.size() && (src_[j] == ' ' || src_[j] == '\t'))
            ++j;
        if (!spaceBefore || (j < src_.size() && src_[j] != '\r' && src_[j] != '\n'))
            return false;
        i_ = j;
        if (i_ < src_.size()) {
            if (src_[i_] == '\r' && peek(1) == '\n')
                ++i_;
            ++i_;
            newline();
        }
        return true;
    }

    // #2026-12-05#, #12/5/2026 13:45#: a date. The text between the marks
    // is kept for the run-time library to read; "#1, x" (a file number) is
    // not one, having no closing mark, a comma, or no date separator.
    bool dateLiteral(SourcePos p) {
        std::size_t j = i_ + 1;
        bool separator = false, digit = false;
        for (; j < src_.size() && src_[j] != '#'; ++j) {
            unsigned char c = static_cast<unsigned char>(src_[j]);
            if (!std::isalnum(c) &&
                std::string_view(" /:-.").find(char(c)) == std::string_view::npos)
                return false;
            separator =
                separator || std::string_view("/:-").find(char(c)) != std::string_view::npos;
            digit = digit || std::isdigit(c);
        }
        if (j >= src_.size() || !separator || !digit ||
            !std::isalnum(static_cast<unsigned char>(peek(1))))
            return false;
        Token& t = push(Tok::String, std::string(src_.substr(i_ + 1, j - i_ - 1)), p);
        t.suffix = '#';
        i_ = j + 1;
        return true;
    }

    void string(SourcePos p) {
        ++i_;
        std::string text;
        for (;;) {
            if (i_ >= src_.size() || src_[i_] == '\n' || src_[i_] == '\r') {
                error(p, "unterminated string");
                break;
            }
            if (src_[i_] == '"') {
                if (peek(1) == '"') {
                    text += '"';
                    i_ += 2;
                    continue;
                }
                ++i_;
                break;
            }
            text += src_[i_++];
        }
        push(Tok::String, std::move(text), p);
    }

    char numberSuffix(std::string_view allowed) {
        char s = peek();
        if (s && allowed.find(s) != std::string_view::npos) {
            ++i_;
            return s;
        }
        return 0;
    }

    void decimal(SourcePos p) {
        std::size_t b = i_;
        bool real = false;
        while (std::isdigit(static_cast<unsigned char>(peek())))
            ++i_;
        if (peek() == '.' && std::isdigit(static_cast<unsigned char>(peek(1)))) {
            real = true;
            ++i_;
            while (std::isdigit(static_cast<unsigned char>(peek())))
                ++i_;
        } else if (peek() == '.' && !isIdentStart(static_cast<unsigned char>(peek(1)))) {
            real = true;
            ++i_;
        }
        std::string text(src_.substr(b, i_ - b));
        char e = peek();
        if (e == 'e' || e == 'E' || e == 'd' || e == 'D') {
            std::size_t j = 1;
            if (peek(j) == '+' || peek(j) == '-')
                ++j;
            if (std::isdigit(static_cast<unsigned char>(peek(j)))) {
                real = true;
                text += 'E';
                ++i_;
                if (peek() == '+' || peek() == '-')
                    text += src_[i_++];
                while (std::isdigit(static_cast<unsigned char>(peek())))
                    text += src_[i_++];
            }
        }
        double v = std::strtod(text.c_str(), nullptr);
        char suffix = numberSuffix("%&!#@");
        if (!real && (suffix == 0 || suffix == '%' || suffix == '&') && v <= 2147483647.0) {
            Token& t = push(Tok::Integer, text, p);
            t.ival = std::int64_t(v);
            t.suffix = suffix;
            if (suffix == '%' && v > 32767)
                error(p, "overflow in number");
        } else {
            if (suffix == '%' || suffix == '&')
                error(p, "overflow in number");
            Token& t = push(Tok::Real, text, p);
            t.rval = v;
            t.suffix = (suffix == '%' || suffix == '&') ? 0 : suffix;
        }
    }

    // &Hxx and &Oxx (or &xx, octal). Up to 16 bits is an Integer, so &HFFFF
    // is -1; with a & suffix, or wider, a Long.
    void radix(SourcePos p) {
        std::size_t b = i_;
        ++i_;
        int base = 8;
        if (peek() == 'H' || peek() == 'h') {
            base = 16;
            ++i_;
        } else if (peek() == 'O' || peek() == 'o') {
            ++i_;
        }
        std::uint64_t v = 0;
        std::size_t digits = 0;
        bool tooBig = false;
        for (;; ++i_, ++digits) {
            unsigned char c = static_cast<unsigned char>(peek());
            int d = std::isdigit(c) ? c - '0' : std::isxdigit(c) ? std::tolower(c) - 'a' + 10 : 99;
            if (d >= base)
                break;
            v = v * base + d;
            if (v > 0xFFFFFFFFull)
                tooBig = true, v = 0xFFFFFFFFull;
        }
        char suffix = numberSuffix("%&");
        if (digits == 0)
            error(p, "malformed number");
        if (tooBig || (suffix == '%' && v > 0xFFFF))
            error(p, "overflow in number");
        Token& t = push(Tok::Integer, std::string(src_.substr(b, i_ - b)), p);
        if (suffix != '&' && v <= 0xFFFF) {
            t.ival = std::int16_t(std::uint16_t(v));
            t.suffix = '%';
        } else {
            t.ival = std::int32_t(std::uint32_t(v));
            t.suffix = '&';
        }
    }

    void identifier(SourcePos p) {
        std::size_t b = i_;
        while (isIdentChar(static_cast<unsigned char>(peek())))
            ++i_;
        std::string text(src_.substr(b, i_ - b));
        std::string low = lower(text);
        if (low == "rem" && atStatementStart()) {
            skipToLineEnd();
            return;
        }
        char suffix = 0;
        if (std::string_view("%&!#$@").find(peek()) != std::string_view::npos && peek() != 0) {
            // "a&b" is a concatenation, "a& " a Long: a suffix ends the name.
            unsigned char after = static_cast<unsigned char>(peek(1));
            if (peek() != '&' || !isIdentChar(after))
                suffix = src_[i_++];
        }
        if (suffix == 0 && isKeyword(low)) {
            push(Tok::Keyword, low, p);
            return;
        }
        Token& t = push(Tok::Ident, text, p);
        t.suffix = suffix;
    }

    std::string_view src_;
    int file_;
    Diagnostics& diags_;
    std::vector<Token> toks_;
    std::size_t i_ = 0;
    std::size_t lineStart_ = 0;
    int line_ = 1;
};

}  // namespace

bool isKeyword(std::string_view lowerName) {
    static const auto sorted = [] {
        std::array<std::string_view, kKeywords.size()> k;
        std::copy(kKeywords.begin(), kKeywords.end(), k.begin());
        std::sort(k.begin(), k.end());
        return k;
    }();
    return std::binary_search(sorted.begin(), sorted.end(), lowerName);
}

std::vector<Token> lex(std::string_view source, int file, Diagnostics& diags) {
    return Lexer(source, file, diags).run();
}

}  // namespace zbl::trans
