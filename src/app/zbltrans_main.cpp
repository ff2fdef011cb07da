// zbltrans FILE.zbl: translates a module to FILE.cpp beside it. Errors are
// printed as file:line:col: error: message, and then no .cpp is written.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "translator/Translator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zbltrans FILE.zbl\n");
        return 2;
    }
    std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::printf("%s:1:1: error: cannot open the file\n", path.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();

    zbl::trans::Diagnostics diags;
    std::string cpp = zbl::trans::translate(text.str(), path, diags);
    if (!diags.empty()) {
        std::stable_sort(diags.begin(), diags.end(), [](const auto& a, const auto& b) {
            return a.pos.line != b.pos.line ? a.pos.line < b.pos.line : a.pos.col < b.pos.col;
        });
        for (const auto& d : diags)
            std::printf("%s:%d:%d: error: %s\n", path.c_str(), d.pos.line, d.pos.col,
                        d.message.c_str());
        return 1;
    }
    std::string out = path;
    auto dot = out.find_last_of('.');
    auto slash = out.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        out.erase(dot);
    out += ".cpp";
    std::ofstream o(out, std::ios::binary | std::ios::trunc);
    o << cpp;
    if (!o.flush()) {
        std::printf("%s:1:1: error: cannot write %s\n", path.c_str(), out.c_str());
        return 1;
    }
    return 0;
}
