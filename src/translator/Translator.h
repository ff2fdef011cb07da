// The whole pipeline: a module's source text in, C++ and diagnostics out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Diagnostic.h"

namespace zbl::trans {

// Translates a module and every module it brings in with #Include "file"
// (looked for beside the including module, then in libDir; each file once).
// Returns the C++ text of the whole program; it is only usable when diags
// stays empty. A diagnostic's position indexes `files` when given: the
// module itself first, then the included ones in the order they were read.
std::string translate(std::string_view source, const std::string& fileName, Diagnostics& diags,
                      std::vector<std::string>* files = nullptr, const std::string& libDir = "");

}  // namespace zbl::trans
