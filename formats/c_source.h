// Pieces every C source a writer makes shares: the symbol name, the comment at the top, byte
// lists, and single-byte character codes.
#pragma once

#include "formats/font_writer.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// "1 glyph", "3 glyphs": a count and the word for it.
std::string Plural(long count, std::string_view one, std::string_view many);

// The shortest decimal that reads back as `value`: "9.75", "12".
std::string ShortNumber(float value);

// "DejaVu Sans Bold (DejaVuSans-Bold.ttf)": the face, its style and its file without folder,
// with ", face N" for a face other than the first of a collection.
std::string FaceLine(const glyph::FaceFacts& face);

// The C symbol of a font: FormatOptions::name when given, else made from the family, the style
// asked for and the pixel size, such as "DejaVuSans_Bold_16px".
std::string SymbolName(const FormatOptions& options, const glyph::StrikeFacts& facts);

// Comment lines are broken between words to at most this many bytes after the comment marker,
// well within the 254 characters X11's XBM reader takes on a line.
inline constexpr std::size_t kCommentWidth = 120;

// Text safe inside a C comment (glyph::TextPlace::Comment), with no line-continuing backslash
// or space at its end.
std::string CommentText(std::string_view text);

// The text of one comment line as CommentText lines of at most kCommentWidth bytes, broken
// between words (a word longer than a line is cut).
std::vector<std::string> WrapComment(std::string_view text);

// The copyright and licence of the face, then each fallback face that draws a glyph with its
// own: "Also drawn with: FaceLine", "Copyright: ...", "Licence: ...". Unwrapped, unescaped.
std::vector<std::string> LegalLines(const glyph::StrikeFacts& facts);

// The lines every format's header comment starts with, without comment markers: the program,
// face, file, size and character count, then LegalLines.
// `lineHeight`, stated with the size, is the line height the file itself holds (GFXfont's
// yAdvance, LVGL's line_height); formats without one state none.
std::vector<std::string> FontDescription(const glyph::StrikeFacts& facts, std::size_t glyphs,
                                         std::optional<int> lineHeight = std::nullopt);

// Lines as "// " comments, each wrapped by WrapComment and ending in "\n".
std::string LineComments(const std::vector<std::string>& lines);

// Characters a byte takes in a list of hex bytes: "0xHH, ".
inline constexpr std::uint64_t kHexByteSize = 6;

// The most characters AppendHexBytes writes for `bytes` bytes, `perLine` to a line indented by
// `indent` characters (without a comment): kHexByteSize a byte, and each line's indent and end.
constexpr std::uint64_t HexBytesSize(std::uint64_t bytes, std::uint64_t perLine,
                                     std::uint64_t indent) {
    return bytes * kHexByteSize + (bytes / perLine + 1) * (indent + 1);
}

// Appends "0xHH," items, `perLine` to a line, each line indented by `indent` and ending in
// "\n". `comment`, when not empty, follows the first line's items as a "// " comment.
void AppendHexBytes(std::string& out, std::span<const std::uint8_t> bytes, int perLine,
                    std::string_view indent, std::string_view comment = {});

// Bytes of a pointer where the converter runs. A font's C structures are counted at their size
// on this machine, as `size` reports them for an object compiled here; a 32-bit MCU's pointers
// take 4 bytes, so its structures are smaller.
inline constexpr std::uint64_t kPointerBytes = sizeof(void*);

// The size C gives a struct whose members take these bytes, in order, each aligned to its own
// size (a run of bit fields as the one unit holding them): padding included.
std::uint64_t StructBytes(std::initializer_list<std::uint64_t> members);

// The bytes a variable of `bytes` bytes (an array or a struct) takes in a file of several, with
// the padding that aligns the next, as GCC lays them out on x86-64 when it optimises: 32 bytes or
// more on 32, 16 or more on 16. GCC puts a section's variables in the reverse of the order the
// file defines them, so the first defined ends its section and takes no padding.
constexpr std::uint64_t VariableBytes(std::uint64_t bytes) {
#if defined(__x86_64__)
    const std::uint64_t align = bytes >= 32 ? 32 : bytes >= 16 ? 16 : 1;
    return (bytes + align - 1) / align * align;
#else
    return bytes;
#endif
}

// The bytes of `text` once each "\n" is written as `eol`.
std::uint64_t TextBytes(std::string_view text, std::string_view eol);

// The code a single-byte format gives c: the code point up to 0xFF, or its Windows-1251 byte.
std::optional<std::uint8_t> SingleByteCode(char32_t c, Encoding encoding);

// Refuses (FormatError) the first character SingleByteCode has no code for, naming the format.
void CheckSingleByteCodes(std::u32string_view characters, Encoding encoding,
                          std::string_view format);

} // namespace formats
