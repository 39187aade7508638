// rastova-convert --help and --list-formats, made from the format rows.
#pragma once

#include <string>

namespace cli {

// The text --help prints.
const std::string& ConvertUsage();

// The format names, one a line, as --list-formats prints them.
std::string FormatNameLines();

} // namespace cli
