// A library's public declarations written back as Zorbel: the declarations
// module (.zlm) that programs #Include to use the library.
#pragma once

#include <string>
#include <vector>

#include "Ast.h"

namespace zbl::trans {

// The Types, Enums and constants of every module, and the public variables
// and procedures, under INTERFACE NOSKIP; `name` names the library.
std::string writeInterface(const std::vector<Module>& modules, const std::string& name);

}  // namespace zbl::trans
