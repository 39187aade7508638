// Names the C standard library keeps for itself with external linkage.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli {

// Why the C library reserves `name` as an identifier with external linkage, or nothing when it
// does not: a function or object of a standard header (C11 and C17 clause 7), errno, or a name
// of a future library direction (7.31), such as "str" and a lowercase letter. A font array of
// such a name links in place of the library's own and breaks the program.
std::optional<std::string> CLibraryReservation(std::string_view name);

} // namespace cli
