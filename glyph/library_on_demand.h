// A shared library opened the first time a program calls it (see fontconfig_on_demand.cpp and
// harfbuzz_on_demand.cpp): a run that never needs the library never loads it, nor spends its
// start-up time relocating it and what it depends on.
#pragma once

#include <span>
#include <vector>

namespace glyph {

// Opens `library` (its soname) and finds every one of `functions` at once, so a library that
// cannot be used fails on its first call and never halfway through a run. Throws FontError
// naming the library, or the function it lacks.
std::vector<void*> OpenOnDemand(const char* library, std::span<const char* const> functions);

} // namespace glyph
