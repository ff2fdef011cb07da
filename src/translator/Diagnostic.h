// A problem found in a module, with its position. Stages collect these and
// keep going; nothing is thrown.
#pragma once

#include <string>
#include <vector>

namespace zbl::trans {

struct SourcePos {
    int file = 0;  // index into the translation's file names
    int line = 1;
    int col = 1;
};

struct Diagnostic {
    SourcePos pos;
    std::string message;
};

using Diagnostics = std::vector<Diagnostic>;

}  // namespace zbl::trans
