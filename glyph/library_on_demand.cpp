#include "glyph/library_on_demand.h"

#include "glyph/font_faces.h"

#include <dlfcn.h>
#include <string>

namespace glyph {

std::vector<void*> OpenOnDemand(const char* library, std::span<const char* const> functions) {
    void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        throw FontError(std::string("cannot load ") + library + ": " +
                        (reason != nullptr ? reason : "not found"));
    }
    std::vector<void*> entries(functions.size());
    for (std::size_t i = 0; i < functions.size(); ++i) {
        entries[i] = dlsym(handle, functions[i]);
        if (entries[i] == nullptr) {
            throw FontError(std::string("cannot load ") + library + ": it has no " + functions[i]);
        }
    }
    return entries;
}

} // namespace glyph
