// The translator on any bytes: it returns, every message has a position
// inside the module, and a module it accepts gives a unit a module, the
// first with a main when the module has a Sub Main.
#include <algorithm>
#include <string>

#include "FuzzSupport.h"
#include "translator/Translator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    zbl::trans::Diagnostics diags;
    const zbl::trans::Translation t = zbl::trans::translate(source, "fuzz.zbl", diags);
    const int lines = int(std::count(source.begin(), source.end(), '\n') +
                          std::count(source.begin(), source.end(), '\r')) +
                      1;
    for (const auto& d : diags) {
        if (d.message.empty() || d.pos.line < 1 || d.pos.line > lines || d.pos.col < 1)
            FuzzSupport::Fail("a message with a position inside the module",
                              QString::number(d.pos.line) + ":" + QString::number(d.pos.col) + " " +
                                  QString::fromStdString(d.message));
    }
    if (diags.empty() && t.units.size() != t.files.size())
        FuzzSupport::Fail("one unit a module", QString::number(t.units.size()));
    if (diags.empty() && t.hasMain && t.units[0].find("int main(") == std::string::npos)
        FuzzSupport::Fail("a program with a main",
                          QString::fromStdString(t.units[0].substr(0, 200)));
    return 0;
}
