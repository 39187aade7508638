// The format registry as JSON, for the web page's "Format" control and each format's options.
#pragma once

#include <string>

namespace web {

// [{"name": "gfx", "help": "...", "example": "...", "default": false, "depths": [1],
//   "arrayName": "symbol", "binaryUnlessArray": false, "singleByteCodes": true,
//   "options": [{"option": "--encoding", "help": "...", "takesValue": true,
//                "values": ["unicode", "cp1251"], "default": "unicode"}, ...]},
//  ...]: the rows in --help's order, the first the default; "options" are those only some
// formats take, "values" empty for any text, "default" empty for none (or a switch).
std::string FormatsJson();

} // namespace web
