// Writes a parsed module as C++20 against the run-time library (zbl_runtime.h).
// Every Zorbel name gets a prefix (z_ variables, p_ procedures, r_ function
// results), so none can clash with a C++ keyword or the library.
#pragma once

#include <string>
#include <vector>

#include "Ast.h"

namespace zbl::trans {

// The modules of one program, the first the one translated, and their file
// names, which the #line directives name. Problems the writer finds
// (undefined names, unsupported constructs) go to diags.
std::string writeCpp(const std::vector<Module>& modules, const std::vector<std::string>& files,
                     Diagnostics& diags);

}  // namespace zbl::trans
