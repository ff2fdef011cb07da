// The translator on any bytes: it returns, every message has a position
// inside the module, and a module it accepts gives a program with a main.
#include <algorithm>
#include <string>

#include "FuzzSupport.h"
#include "translator/Translator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    zbl::trans::Diagnostics diags;
    const std::string cpp = zbl::trans::translate(source, "fuzz.zbl", diags);
    const int lines = int(std::count(source.begin(), source.end(), '\n') +
                          std::count(source.begin(), source.end(), '\r')) + 1;
    for (const auto& d : diags) {
        if (d.message.empty() || d.pos.line < 1 || d.pos.line > lines || d.pos.col < 1)
            FuzzSupport::Fail("a message with a position inside the module",
                              QString::number(d.pos.line) + ":" + QString::number(d.pos.col) +
                                  " " + QString::fromStdString(d.message));
    }
    if (diags.empty() && cpp.find("int main(") == std::string::npos)
        FuzzSupport::Fail("a program with a main", QString::fromStdString(cpp.substr(0, 200)));
    return 0;
}
