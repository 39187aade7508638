// Characters taken from a UTF-8 text file: the firmware's own strings, a translation, messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The characters of a UTF-8 text, fed in blocks of any size. Control characters (C0, DEL and
// C1: line ends, tabs) draw nothing and are left out, and so is U+FEFF: a byte order mark at the
// start, and elsewhere a zero width no-break space that Unicode keeps only for that use (text
// writes U+2060 instead). Every other code point is kept, format characters such as U+200B
// included, since a string holding one asks the display library for its glyph.
//
// Malformed UTF-8 throws UsageError "NAME:LINE:COLUMN: not UTF-8: ...", LINE and COLUMN from 1;
// COLUMN counts characters (code points, as an editor's cursor moves), not bytes, and a byte
// order mark at the start takes none. LF ends a line, so CR LF is one line end.
class TextCharacters {
public:
    explicit TextCharacters(std::string name);

    // Decodes `bytes`; a sequence cut short at the end of the block is left for the next one.
    // Returns how many bytes were decoded: the rest, at most 3, begin the next block.
    std::size_t Feed(std::string_view bytes);
    // The end of the text: throws if a sequence was cut short there. Returns the characters in
    // code point order, each once.
    std::u32string Finish(std::string_view rest);

private:
    [[noreturn]] void Malformed(std::string_view bytes, std::string_view problem) const;
    std::size_t Sequence(std::string_view bytes, std::size_t at, char32_t& c) const;

    std::string name_;
    std::vector<std::uint64_t> seen_; // one bit a code point
    std::uint64_t line_ = 1;
    std::uint64_t column_ = 1;
    bool start_ = true; // nothing decoded yet
};

// Reads a text file (`-`: standard input) with TextCharacters. Throws UsageError naming it for
// a file that cannot be opened or read, a folder, and malformed UTF-8.
std::u32string ReadTextFileCharacters(const std::string& path);

} // namespace cli
