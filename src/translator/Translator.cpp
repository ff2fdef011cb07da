#include "Translator.h"

#include <pthread.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "CppWriter.h"
#include "Interface.h"
#include "Lexer.h"
#include "Parser.h"

namespace zbl::trans {

namespace {

namespace fs = std::filesystem;

// Reads the main module and, depth first, every module it includes.
class Loader {
public:
    Loader(const std::string& libDir, Diagnostics& diags) : libDir_(libDir), diags_(diags) {}

    void load(std::string_view source, const std::string& name) {
        add(source, name, key(name), SourcePos{0, 1, 1});
        include(0);
    }

    std::vector<Module> modules;
    std::vector<std::string> files;
    std::vector<SourcePos> includedAt;  // where each module was brought in

private:
    static std::string key(const std::string& path) {
        std::error_code error;
        fs::path p = fs::weakly_canonical(fs::absolute(path, error), error);
        return error ? path : p.string();
    }

    void add(std::string_view source, const std::string& name, const std::string& canonical,
             SourcePos at) {
        const int index = int(modules.size());
        files.push_back(name);
        includedAt.push_back(at);
        keys_.push_back(canonical);
        // The tokens go before the next module is read, so memory is reused.
        modules.push_back(parse(lex(source, index, diags_), diags_));
    }

    // The includes of module `index`, and theirs.
    void include(int index) {
        stack_.push_back(index);
        const std::vector<Include> includes = modules[index].includes;
        for (const Include& inc : includes) {
            std::string path = find(inc.path, fs::path(files[index]).parent_path());
            if (path.empty()) {
                diags_.push_back({inc.pos, "cannot find '" + inc.path +
                                               "' beside the module or in the library folder"});
                continue;
            }
            const std::string canonical = key(path);
            bool onStack = false;
            std::string chain;
            for (int k : stack_) {
                onStack = onStack || keys_[k] == canonical;
                if (onStack)
                    chain += fs::path(files[k]).filename().string() + " -> ";
            }
            if (onStack) {
                diags_.push_back({inc.pos, "#Include goes round in a circle: " + chain +
                                               fs::path(path).filename().string()});
                continue;
            }
            if (std::find(keys_.begin(), keys_.end(), canonical) != keys_.end())
                continue;  // each module once
            std::ifstream in(path, std::ios::binary);
            if (!in || fs::is_directory(path)) {
                diags_.push_back({inc.pos, "cannot read '" + inc.path + "'"});
                continue;
            }
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            add(text, path, canonical, inc.pos);
            include(int(modules.size()) - 1);
        }
        stack_.pop_back();
    }

    std::string find(const std::string& name, const fs::path& besides) const {
        std::error_code error;
        if (fs::path(name).is_absolute())
            return fs::exists(name, error) ? name : std::string();
        if (fs::path here = besides / name; fs::exists(here, error))
            return here.string();
        if (fs::path lib = fs::path(libDir_) / name; !libDir_.empty() && fs::exists(lib, error))
            return lib.string();
        return {};
    }

    std::string libDir_;
    Diagnostics& diags_;
    std::vector<std::string> keys_;
    std::vector<int> stack_;
};

// The parser and the writer recurse once a nesting level; the deepest
// nesting they accept needs more than a usual thread's stack in a build with
// sanitizers. A thread of its own gets plenty: only the pages used are ever
// touched.
template <class F>
void onBigStack(F work) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, std::size_t(512) << 20);
    pthread_t thread;
    auto run = [](void* f) -> void* {
        (*static_cast<F*>(f))();
        return nullptr;
    };
    if (pthread_create(&thread, &attr, run, &work) == 0)
        pthread_join(thread, nullptr);
    else
        work();
    pthread_attr_destroy(&attr);
}

// A declarations module's procedures and variables are in the library of
// its name beside it, which the program's link needs.
void findLibraries(const Loader& loader, Translation& t, Diagnostics& diags) {
    for (std::size_t k = 0; k < loader.modules.size(); ++k) {
        const Module& m = loader.modules[k];
        if (!m.isInterface)
            continue;
        bool needsCode = false;
        for (const Proc& p : m.procs)
            needsCode = needsCode || p.isPrototype;
        for (const StmtPtr& s : m.decls)
            needsCode = needsCode || s->kind == Stmt::Kind::Dim;
        if (!needsCode)
            continue;
        fs::path lib = fs::path(loader.files[k]).replace_extension(".lib");
        std::error_code error;
        if (fs::is_regular_file(lib, error))
            t.libraries.push_back(lib.string());
        else
            diags.push_back(
                {loader.includedAt[k], "the library '" + lib.filename().string() + "' that '" +
                                           fs::path(loader.files[k]).filename().string() +
                                           "' declares is missing"});
    }
}

}  // namespace

Translation translate(std::string_view source, const std::string& fileName, Diagnostics& diags,
                      const std::string& libDir) {
    Translation t;
    onBigStack([&] {
        Loader loader(libDir, diags);
        loader.load(source, fileName);
        t.files = loader.files;
        // Writing modules with syntax errors would only add confusing follow-ups.
        if (!diags.empty())
            return;
        t.isDll = loader.modules[0].optionDll;
        findLibraries(loader, t, diags);
        t.units = writeCpp(loader.modules, loader.files, diags, &t.hasMain);
        t.dialogs = t.hasMain && !loader.modules[0].optionConsole;
        if (!diags.empty())
            t.units.clear();
    });
    return t;
}

std::string libraryInterface(std::string_view source, const std::string& fileName,
                             Diagnostics& diags, const std::string& libDir,
                             std::vector<std::string>* files) {
    std::string text;
    onBigStack([&] {
        Loader loader(libDir, diags);
        loader.load(source, fileName);
        if (files)
            *files = loader.files;
        if (diags.empty())
            text = writeInterface(loader.modules, fs::path(fileName).stem().string());
    });
    return text;
}

}  // namespace zbl::trans
