// The whole pipeline: a module's source text in, C++ and diagnostics out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Diagnostic.h"

namespace zbl::trans {

struct Translation {
    std::vector<std::string> files;      // the modules read, the translated one first
    std::vector<std::string> units;      // one C++ unit a module, same order; empty on errors
    bool hasMain = false;                // the first unit holds the program's main
    bool isDll = false;                  // Option DLL On: built as a shared object
    bool dialogs = false;                // Option Console Off: its main shows Qt dialogs
    std::vector<std::string> libraries;  // what the included declarations modules need
};

// Translates a module and every module it brings in with #Include "file"
// (looked for beside the including module, then in libDir; each file once).
// The units are only usable when diags stays empty. A diagnostic's position
// indexes `files`.
Translation translate(std::string_view source, const std::string& fileName, Diagnostics& diags,
                      const std::string& libDir = "");

// The public declarations of a library made of the module and its includes,
// as a declarations module (INTERFACE NOSKIP) that programs #Include; its
// code is in the library `name`.lib beside it.
std::string libraryInterface(std::string_view source, const std::string& fileName,
                             Diagnostics& diags, const std::string& libDir = "",
                             std::vector<std::string>* files = nullptr);

}  // namespace zbl::trans
