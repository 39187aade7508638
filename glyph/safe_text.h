// Text a font supplies (family, style, copyright, licence, glyph names) made safe for the place
// it is written. A font file is untrusted input: its names may hold line breaks, "*/", trigraphs,
// bidirectional controls or bytes that are not UTF-8, any of which could end a comment, change
// the code around it or hide what it says.
#pragma once

#include <string>
#include <string_view>

namespace glyph {

enum class TextPlace {
    // Inside a C comment ("//" or "/* */"), the window's header line among them. Tabs and line
    // breaks become spaces; other control, format and bidirectional characters become
    // "<U+202E>", bytes that are not UTF-8 "<0xFF>"; "*/" and "/*" get a space between their
    // two characters and a trigraph's "??" one between its question marks ("? ?/"). Printable
    // text, other scripts included, is kept as it is.
    Comment,
    // Between the quotes of a C string literal: the same bytes, with '"', '\\', '?' and every
    // byte that is not printable ASCII written as escapes ("\"", "\\", "\?", "\342").
    CString,
    // A BDF property value or COMMENT: printable ASCII only. Control characters become
    // spaces, '©' "(c)", and any other character '?'.
    Bdf,
};

// `text` written so that it is safe in `place` (see TextPlace).
std::string SafeText(std::string_view text, TextPlace place);

// Characters that draw nothing or change how the text around them reads: C0 and C1 controls,
// DEL, Unicode format characters (bidirectional controls, zero-width characters, the byte order
// mark), line and paragraph separators. Text shows them by code, never as themselves.
bool IsInvisible(char32_t c);

} // namespace glyph
