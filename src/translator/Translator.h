// The whole pipeline for one module: source text in, C++ and diagnostics out.
#pragma once

#include <string>
#include <string_view>

#include "Diagnostic.h"

namespace zbl::trans {

// Returns the C++ text; it is only usable when diags stays empty.
std::string translate(std::string_view source, const std::string& fileName, Diagnostics& diags);

}  // namespace zbl::trans
