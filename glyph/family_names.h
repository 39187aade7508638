// Family names as fontconfig knows them: which name the user gave is one fontconfig's own
// configuration resolves (a generic name or an alias), and which installed families come
// closest to one that is not installed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glyph {

// Family names compare as fontconfig compares them: ignoring case (ASCII) and blanks.
bool SameFamily(std::string_view a, std::string_view b);

// Names fontconfig's configuration maps to whatever the system prefers: "sans-serif", "serif",
// "monospace" and the like.
bool IsGenericFamily(std::string_view family);

// Whether fontconfig's configuration has rules for `family` of its own: a generic name, or an
// alias such as "Arial" or "Courier" that it maps to families like it. A name it has no rule for
// gets only the defaults every unknown name gets. fontconfig must be initialised.
bool IsConfiguredFamily(std::string_view family);

// The first family a fontconfig pattern names that is not a generic name; "" when none is, or
// the text is no pattern.
std::string NamedFamily(std::string_view pattern);

// Up to `most` installed families closest to `family` by edit distance, ignoring case, the
// closest first (ties in alphabetical order). fontconfig must be initialised.
std::vector<std::string> ClosestFamilies(std::string_view family, std::size_t most);

} // namespace glyph
