// rastova-convert: characters to bitmap tables.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitClipped = 1; // --strict and some glyph's ink was cut off
inline constexpr int kExitUsage = 2;

// Runs the command on the arguments after the program name. Tables go to `out` (or the -o file),
// notes and problems to `err`, one line each. Bad input is found before any table is written;
// an -o file is replaced only when every table was written.
int RunConvert(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace cli
