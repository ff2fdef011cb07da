// Declare ... Lib: C functions of shared libraries, found when first called.
#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "zbl_runtime.h"

namespace zbl {

void* dll_symbol(const char* library, const char* name) {
    static std::mutex lock;
    static std::map<std::string, void*> libraries;
    std::lock_guard<std::mutex> guard(lock);
    void*& handle = libraries[library];
    if (!handle)
        handle = dlopen(library, RTLD_NOW | RTLD_GLOBAL);
    if (!handle)
        raise_with(48, std::string("Error in loading DLL: ") + library);
    void* symbol = dlsym(handle, name);
    if (!symbol)
        raise_with(453, std::string("Can't find DLL entry point ") + name + " in " + library);
    return symbol;
}

}  // namespace zbl
