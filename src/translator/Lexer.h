// Splits a module into tokens. Line continuations are joined and comments
// dropped here; ":" and line ends come out as separate statement ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Diagnostic.h"

namespace zbl::trans {

enum class Tok {
    Ident,    // text without suffix; suffix in Token::suffix
    Keyword,  // text lower-cased
    Integer,  // ival; suffix '%', '&' or 0
    Real,     // rval; suffix '!', '#', '@' or 0
    String,   // text with "" already collapsed
    Op,       // text: + - * / \ ^ & = < > <= >= <> ( ) , ; . :=
    Colon,    // ":" statement separator
    Newline,
    End,
};

struct Token {
    Tok kind = Tok::End;
    std::string text;
    char suffix = 0;
    std::int64_t ival = 0;
    double rval = 0;
    SourcePos pos;

    bool is(Tok k, std::string_view t) const { return kind == k && text == t; }
    bool isKw(std::string_view t) const { return is(Tok::Keyword, t); }
    bool isOp(std::string_view t) const { return is(Tok::Op, t); }
    bool endsStatement() const {
        return kind == Tok::Colon || kind == Tok::Newline || kind == Tok::End;
    }
};

bool isKeyword(std::string_view lowerName);

// Always returns a token list ending with Tok::End; problems go to diags.
std::vector<Token> lex(std::string_view source, int file, Diagnostics& diags);

}  // namespace zbl::trans
