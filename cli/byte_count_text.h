// Byte counts in words, for messages.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// "1.9 GB", "640 KB", "100 bytes": powers of 1024, one decimal below 10.
std::string ByteCountText(std::uint64_t bytes);

} // namespace cli
