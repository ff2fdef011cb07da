#include "Translator.h"

#include "CppWriter.h"
#include "Lexer.h"
#include "Parser.h"

namespace zbl::trans {

std::string translate(std::string_view source, const std::string& fileName, Diagnostics& diags) {
    // The tokens go before the C++ is written, so the writer reuses their memory.
    Module m = parse(lex(source, 0, diags), diags);
    // Writing a module with syntax errors would only add confusing follow-ups.
    if (!diags.empty())
        return {};
    return writeCpp(m, fileName, diags);
}

}  // namespace zbl::trans
