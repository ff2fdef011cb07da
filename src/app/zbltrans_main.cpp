// zbltrans FILE.zbl: translates a module, and the modules it includes, to
// C++ beside it: FILE.cpp for the module, FILE.<name>.cpp for each included
// one, and FILE.units listing them for the compiler and linker steps.
// zbltrans --interface FILE.zbl: writes FILE.zlm, the public declarations of
// the library FILE.
// Errors are printed as file:line:col: error: message, and then nothing is
// written.
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

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    o << text;
    return bool(o.flush());
}

// The C++ file of each module: the first FILE.cpp, the others named after
// their module, distinct even when two included modules share a name.
std::vector<std::string> unitNames(const std::string& base, const std::vector<std::string>& files) {
    std::vector<std::string> names{base + ".cpp"};
    for (std::size_t k = 1; k < files.size(); ++k) {
        const std::string stem = std::filesystem::path(files[k]).stem().string();
        std::string name = base + "." + stem + ".cpp";
        for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n)
            name = base + "." + stem + "." + std::to_string(n) + ".cpp";
        names.push_back(name);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    const bool interface = argc == 3 && std::strcmp(argv[1], "--interface") == 0;
    if (argc != 2 && !interface) {
        std::fprintf(stderr, "usage: zbltrans [--interface] FILE.zbl\n");
        return 2;
    }
    useHugePages(argv);
    std::string path = argv[argc - 1];
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
    zbl::trans::Translation t;
    std::string declarations;
    if (interface)
        declarations = zbl::trans::libraryInterface(text, path, diags, lib, &t.files);
    else
        t = zbl::trans::translate(text, path, diags, lib);
    const std::vector<std::string>& files = t.files;
    // The messages also go to zbltrans.err in the build folder, where the
    // compiler step finds them when there is no C++ to compile.
    std::ofstream errors("zbltrans.err", std::ios::binary | std::ios::trunc);
    errors << "Zorbel translator\r\n";
    std::string base = path;
    auto dot = base.find_last_of('.');
    auto slash = base.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        base.erase(dot);
    if (!diags.empty()) {
        // The compiler step must not take the last build's units for this one's.
        if (!interface)
            std::remove((base + ".units").c_str());
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
    if (interface) {
        if (!writeFile(base + ".zlm", declarations)) {
            std::printf("%s:1:1: error: cannot write %s.zlm\n", path.c_str(), base.c_str());
            return 1;
        }
        return 0;
    }
    const std::vector<std::string> names = unitNames(base, files);
    std::string manifest = std::string("main ") + (t.hasMain ? "yes" : "no") + "\ndll " +
                           (t.isDll ? "yes" : "no") + "\ndialogs " + (t.dialogs ? "yes" : "no") +
                           "\n";
    for (std::size_t k = 0; k < t.units.size(); ++k) {
        if (!writeFile(names[k], t.units[k])) {
            std::printf("%s:1:1: error: cannot write %s\n", path.c_str(), names[k].c_str());
            return 1;
        }
        manifest += "unit " + std::filesystem::path(names[k]).filename().string() + "\n";
    }
    for (const std::string& library : t.libraries)
        manifest += "lib " + library + "\n";
    // Written last, so a manifest exists only for a translation that
    // worked; one older than the module is last build's.
    if (!writeFile(base + ".units", manifest)) {
        std::printf("%s:1:1: error: cannot write %s.units\n", path.c_str(), base.c_str());
        return 1;
    }
    return 0;
}
