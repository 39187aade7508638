// rastova-convert: characters to bitmap tables.
#pragma once

#include "cli/text_stream.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitClipped = 1; // --strict and some glyph's ink was cut off
inline constexpr int kExitUsage = 2;

// Runs the command on the arguments after the program name. Tables go to `out` (or the -o file),
// notes and problems to `err`, one line each. Bad input is found before any table is written;
// an -o file is replaced only when every table was written.
int RunConvert(std::span<const std::string_view> args, TextStream& out, TextStream& err);

// Told, while a run draws, how many of its characters are drawn: after every kProgressStep and
// after the last. For a caller that shows it (the web page); none by default.
using ProgressHook = void (*)(std::size_t done, std::size_t total);
inline constexpr std::size_t kProgressStep = 64;
void SetProgressHook(ProgressHook hook);

} // namespace cli
