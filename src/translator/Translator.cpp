#include "Translator.h"

#include "CppWriter.h"
#include "Lexer.h"
#include "Parser.h"

namespace zbl::trans {

std::string translate(std::string_view source, const std::string& fileName, Diagnostics& diags) {
    std::vector<Token> tokens = lex(source, 0, diags);
    Module m = parse(tokens, diags);
    // Writing a module with syntax errors would only add confusing follow-ups.
    if (!diags.empty())
        return {};
    return writeCpp(m, fileName, diags);
}

}  // namespace zbl::trans
