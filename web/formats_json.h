// The format registry as JSON, for the web page's "Format" control and each format's options.
#pragma once

#include <string>

namespace web {

// [{"name": "gfx", "help": "...", "example": "...", "default": false, "options": ["--encoding"],
//   "depths": [1], "arrayName": "symbol", "binaryUnlessArray": false, "singleByteCodes": true},
//  ...]: the rows in --help's order, the first the default.
std::string FormatsJson();

} // namespace web
