// A shared library opened the first time a program calls it (see fontconfig_on_demand.cpp and
// harfbuzz_on_demand.cpp): a run that never needs the library never loads it, nor spends its
// start-up time relocating it and what it depends on.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace glyph {

// Opens `library` (its soname) and finds every one of `functions` at once, so a library that
// cannot be used fails on its first call and never halfway through a run. Throws FontError
// naming the library, or the function it lacks.
std::vector<void*> OpenOnDemand(const char* library, std::span<const char* const> functions);

} // namespace glyph

// Defines every function of LIST, an X-macro list of rows X(return type, name, (parameters),
// (arguments)), with C linkage: the first call opens LIBRARY (a soname) and finds them all,
// every call goes straight through to the library's own. Used once in a file of its own.
#define RASTOVA_LIBRARY_ON_DEMAND(LIST, LIBRARY)                                                   \
    namespace {                                                                                    \
    constexpr const char* kFunctions[] = {LIST(RASTOVA_ON_DEMAND_NAME)};                           \
    enum Slot : std::size_t { LIST(RASTOVA_ON_DEMAND_SLOT) };                                      \
    /* Thread-safe, and tried again on the next call if opening failed. */                         \
    void* Entry(Slot slot) {                                                                       \
        static const std::vector<void*> entries = glyph::OpenOnDemand(LIBRARY, kFunctions);        \
        return entries[slot];                                                                      \
    }                                                                                              \
    }                                                                                              \
    LIST(RASTOVA_ON_DEMAND_FORWARD)

#define RASTOVA_ON_DEMAND_NAME(ret, name, params, args) #name,
#define RASTOVA_ON_DEMAND_SLOT(ret, name, params, args) k##name,
#define RASTOVA_ON_DEMAND_FORWARD(ret, name, params, args)                                         \
    extern "C" ret name params {                                                                   \
        return reinterpret_cast<decltype(&name)>(Entry(k##name)) args;                             \
    }
