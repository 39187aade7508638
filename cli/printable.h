// User input quoted in a message, made safe to print on one line of a terminal.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// `text` with every control character and every byte that is not part of valid UTF-8 written as
// an escape, so a message that quotes it stays one line and cannot drive the terminal:
//   "a\nb"  -> a\nb   (and \t, \r, \e for ESC)    "\x7f" -> \x7f   (other C0 codes and DEL)
//   U+0085  -> \u0085 (C1 controls)               "\xff" -> \xff   (bytes that are not UTF-8)
// Printable characters, other UTF-8 included, are kept as they are, so applying it twice
// changes nothing more.
std::string Printable(std::string_view text);

} // namespace cli
