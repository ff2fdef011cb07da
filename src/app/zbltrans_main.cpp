// zbltrans FILE.zbl: translates a module to FILE.cpp beside it. Errors are
// printed as file:line:col: error: message, and then no .cpp is written.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "translator/Translator.h"

namespace {

// A big module makes many small allocations; on machines where a page fault
// is costly, glibc's huge pages make translation several times faster, and
// one arena keeps the translating thread on the main heap that has them.
// The settings are read only at start-up, so the program starts itself
// again once.
void useHugePages(char** argv) {
    if (std::getenv("ZBLTRANS_TUNED"))
        return;
    std::string tunables = "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1";
    if (const char* old = std::getenv("GLIBC_TUNABLES"); old && *old)
        tunables = std::string(old) + ":" + tunables;
    setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
    setenv("ZBLTRANS_TUNED", "1", 1);
    execv("/proc/self/exe", argv);
    // Without /proc the translator simply runs as it is.
}

constexpr std::size_t kMaxShown = 100;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zbltrans FILE.zbl\n");
        return 2;
    }
    useHugePages(argv);
    std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::printf("%s:1:1: error: cannot open the file\n", path.c_str());
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    zbl::trans::Diagnostics diags;
    // Included modules are looked for beside the module, then in the program
    // folder's lib/ (this program lives in its bin/).
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string lib =
        error ? std::string() : (self.parent_path().parent_path() / "lib").string();
    std::vector<std::string> files;
    std::string cpp = zbl::trans::translate(text, path, diags, &files, lib);
    // The messages also go to zbltrans.err in the build folder, where the
    // compiler step finds them when there is no C++ to compile.
    std::ofstream errors("zbltrans.err", std::ios::binary | std::ios::trunc);
    errors << "Zorbel translator\r\n";
    if (!diags.empty()) {
        std::stable_sort(diags.begin(), diags.end(), [](const auto& a, const auto& b) {
            return a.pos.line != b.pos.line ? a.pos.line < b.pos.line : a.pos.col < b.pos.col;
        });
        // A file that is not a module at all would bury the first messages.
        const std::size_t shown = std::min(diags.size(), kMaxShown);
        for (std::size_t i = 0; i <= shown && i < diags.size(); ++i) {
            const auto& d = diags[i];
            const std::string& file = d.pos.file >= 0 && std::size_t(d.pos.file) < files.size()
                                          ? files[d.pos.file]
                                          : path;
            const std::string line =
                file + ":" + std::to_string(d.pos.line) + ":" + std::to_string(d.pos.col) +
                ": error: " +
                (i < shown ? d.message
                           : std::to_string(diags.size() - shown) + " more errors not shown");
            std::printf("%s\n", line.c_str());
            errors << "Error " << line << "\r\n";
        }
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
