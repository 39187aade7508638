// rastova-convert --help and --list-formats, made from the format rows.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// The text --help prints.
const std::string& ConvertUsage();

// The format names, one a line, as --list-formats prints them.
std::string FormatNameLines();

// What --help says of `flag` after its name and argument, its lines joined by single spaces;
// empty when --help lists no such option.
std::string OptionHelp(std::string_view flag);

} // namespace cli
