#include <random>

#include "Check.h"
#include "translator/Lexer.h"

using namespace zbl::trans;

namespace {

std::vector<Token> lexOk(const std::string& src) {
    Diagnostics d;
    auto t = lex(src, 0, d);
    for (const auto& e : d)
        std::cerr << "  unexpected: " << e.message << "\n";
    CHECK(d.empty());
    return t;
}

// The tokens as "kind:text" words, statement ends as ";" and "/".
std::string shape(const std::vector<Token>& toks) {
    std::string r;
    for (const Token& t : toks) {
        if (!r.empty())
            r += ' ';
        switch (t.kind) {
            case Tok::Newline:
                r += "/";
                break;
            case Tok::Colon:
                r += ";";
                break;
            case Tok::End:
                r += "$";
                break;
            case Tok::String:
                r += "\"" + t.text + "\"";
                break;
            default:
                r += t.text + (t.suffix ? std::string(1, t.suffix) : "");
        }
    }
    return r;
}

}  // namespace

TEST(lexer_identifiers_keywords_and_suffixes) {
    auto t = lexOk("DIM Name$ As Long: n% = a& + b! * c# ' note\n");
    CHECK_EQ(shape(t), "dim Name$ as Long ; n% = a& + b! * c# / $");
    CHECK(t[0].kind == Tok::Keyword);
    CHECK(t[1].kind == Tok::Ident && t[1].suffix == '$');
    // Positions are 1-based; the colon is a statement end of its own.
    CHECK_EQ(t[4].pos.col, 18);
    CHECK(t[4].kind == Tok::Colon);
    // "a&b" is a concatenation, not a Long named a.
    CHECK_EQ(shape(lexOk("x = a&b")), "x = a & b / $");
}

TEST(lexer_numbers) {
    auto t =
        lexOk("1 32768 2147483648 1.5 .25 1E3 2.5e-2 7# 3! 9& &HFF &HFFFF &HFFFF& &O17 &H80000000");
    CHECK(t[0].kind == Tok::Integer && t[0].ival == 1);
    CHECK(t[1].kind == Tok::Integer && t[1].ival == 32768);
    CHECK(t[2].kind == Tok::Real && t[2].rval == 2147483648.0);
    CHECK(t[3].kind == Tok::Real && t[3].rval == 1.5);
    CHECK(t[4].kind == Tok::Real && t[4].rval == 0.25);
    CHECK(t[5].kind == Tok::Real && t[5].rval == 1000);
    CHECK(t[6].kind == Tok::Real && t[6].rval == 0.025);
    CHECK(t[7].kind == Tok::Real && t[7].suffix == '#');
    CHECK(t[8].kind == Tok::Real && t[8].suffix == '!');
    CHECK(t[9].kind == Tok::Integer && t[9].suffix == '&');
    CHECK_EQ(t[10].ival, 255);
    CHECK_EQ(t[11].ival, -1);  // 16 bits: an Integer
    CHECK_EQ(t[12].ival, 65535);
    CHECK_EQ(t[13].ival, 15);
    CHECK_EQ(t[14].ival, -2147483648LL);
    Diagnostics d;
    lex("x = 40000% + &H", 0, d);
    CHECK_EQ(d.size(), 2u);
}

TEST(lexer_strings_comments_and_continuation) {
    auto t = lexOk("s = \"say \"\"hi\"\"\" ' comment \"x\"\nRem whole line\nx = 1 : Rem tail\n");
    CHECK_EQ(shape(t), "s = \"say \"hi\"\" / / x = 1 ; / $");
    // " _" joins lines; positions after it are on the next line.
    t = lexOk("Call F(1, _\n   2)\r\ny = 3");
    CHECK_EQ(shape(t), "call F ( 1 , 2 ) / y = 3 / $");
    CHECK_EQ(t[5].pos.line, 2);
    CHECK_EQ(t[5].pos.col, 4);
    CHECK_EQ(t[8].pos.line, 3);
    // A name ending in _ is not a continuation.
    CHECK_EQ(shape(lexOk("a_ = 1")), "a_ = 1 / $");
}

TEST(lexer_errors_are_diagnostics) {
    Diagnostics d;
    auto t = lex("x = \"open\ny = 2 \x01\x02\x03 + 1\n", 0, d);
    CHECK_EQ(d.size(), 2u);
    CHECK_EQ(d[0].message, "unterminated string");
    CHECK_EQ(d[0].pos.line, 1);
    CHECK_EQ(d[0].pos.col, 5);
    CHECK_EQ(d[1].message, "invalid character in source");
    CHECK_EQ(d[1].pos.line, 2);
    CHECK_EQ(d[1].pos.col, 7);
    CHECK(t.back().kind == Tok::End);
}

TEST(lexer_survives_binary_input) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string src(std::size_t(rng() % 512), '\0');
        for (char& c : src)
            c = char(rng());
        Diagnostics d;
        auto t = lex(src, 0, d);
        CHECK(!t.empty() && t.back().kind == Tok::End);
    }
}
