// UTF-8 to code points and back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace glyph {

// Decodes well-formed UTF-8; nullopt for malformed input (overlong forms, surrogates, code
// points above U+10FFFF, truncated sequences).
std::optional<std::u32string> DecodeUtf8(std::string_view text);

// Encodes one code point; code points that are not Unicode scalar values become U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
std::string EncodeUtf8(std::u32string_view text);

// "U+0041": the code point in hex, at least four digits.
std::string CodeName(char32_t c);
// "'Ж' U+0416": the character as itself and by code; only "U+202E" for a character that must
// not be written as itself (IsInvisible: controls, bidirectional and other format characters).
std::string CharacterName(char32_t c);

} // namespace glyph
