// Recursive descent over the token list into a Module. Errors are collected
// with their positions; after one, the parser skips to the next statement.
#pragma once

#include <vector>

#include "Ast.h"
#include "Lexer.h"

namespace zbl::trans {

Module parse(const std::vector<Token>& tokens, Diagnostics& diags);

// One expression alone, for tests and tools.
ExprPtr parseExpression(const std::vector<Token>& tokens, Diagnostics& diags);

}  // namespace zbl::trans
