// Windows-1251, the Cyrillic code page: its bytes and the characters they stand for.
#pragma once

#include <cstdint>
#include <optional>

namespace glyph {

// The character byte b stands for; nullopt for 0x98, the one byte with none. Bytes below 0x80
// are ASCII.
std::optional<char32_t> Cp1251Char(std::uint8_t b);

// The byte that stands for c; nullopt when the code page has no byte for it.
std::optional<std::uint8_t> Cp1251Byte(char32_t c);

} // namespace glyph
