#include "Translator.h"

#include <pthread.h>

#include "CppWriter.h"
#include "Lexer.h"
#include "Parser.h"

namespace zbl::trans {

namespace {

std::string translateHere(std::string_view source, const std::string& fileName,
                          Diagnostics& diags) {
    // The tokens go before the C++ is written, so the writer reuses their memory.
    Module m = parse(lex(source, 0, diags), diags);
    // Writing a module with syntax errors would only add confusing follow-ups.
    if (!diags.empty())
        return {};
    return writeCpp(m, fileName, diags);
}

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

}  // namespace

std::string translate(std::string_view source, const std::string& fileName, Diagnostics& diags) {
    std::string cpp;
    onBigStack([&] { cpp = translateHere(source, fileName, diags); });
    return cpp;
}

}  // namespace zbl::trans
