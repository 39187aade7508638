// rastova-convert: one character to its bitmap table on standard output.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;

// Runs the command on the arguments after the program name. Output goes to out only when the
// whole conversion succeeded; problems go to err as one line.
int RunConvert(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace cli
