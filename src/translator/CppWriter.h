// Writes a parsed module as C++20 against the run-time library (zbl_runtime.h).
// Every Zorbel name gets a prefix (z_ variables, p_ procedures, r_ function
// results), so none can clash with a C++ keyword or the library.
#pragma once

#include <string>

#include "Ast.h"

namespace zbl::trans {

// fileName is what the #line directives name. Problems the writer finds
// (undefined names, unsupported constructs) go to diags.
std::string writeCpp(const Module& m, const std::string& fileName, Diagnostics& diags);

}  // namespace zbl::trans
