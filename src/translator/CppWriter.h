// Writes a parsed module as C++20 against the run-time library (zbl_runtime.h).
// Every Zorbel name gets a prefix (z_ variables, p_ procedures, r_ function
// results), so none can clash with a C++ keyword or the library.
#pragma once

#include <string>
#include <vector>

#include "Ast.h"

namespace zbl::trans {

// The modules of one program, the first the one translated, and their file
// names, which the #line directives name. Returns one C++ translation unit a
// module, in the same order; hasMain tells whether the first has the
// program's main (built unless ZBL_NO_MAIN is defined). Problems the writer
// finds (undefined names, unsupported constructs) go to diags.
std::vector<std::string> writeCpp(const std::vector<Module>& modules,
                                  const std::vector<std::string>& files, Diagnostics& diags,
                                  bool* hasMain = nullptr);

}  // namespace zbl::trans
