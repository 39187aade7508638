#include "web/formats_json.h"

#include "formats/format_registry.h"

#include <cstdio>
#include <string_view>

namespace web {

namespace {

// `text` as a JSON string, quotes included: any byte below 0x20 as \uXXXX.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string_view ArrayNameText(formats::ArrayName kind) {
    switch (kind) {
    case formats::ArrayName::Symbol:
        return "symbol";
    case formats::ArrayName::TablesArray:
        return "tables";
    case formats::ArrayName::FontName:
        return "font-name";
    case formats::ArrayName::FileArray:
        return "file-array";
    }
    return "symbol";
}

std::string Depths(const formats::FormatRow& row) {
    std::string list;
    for (int bits = 1; bits <= 8; ++bits) {
        if (row.TakesDepth(bits)) {
            list += (list.empty() ? "" : ",") + std::to_string(bits);
        }
    }
    return "[" + list + "]";
}

} // namespace

std::string FormatsJson() {
    std::string json = "[";
    for (const formats::FormatRow& row : formats::Formats()) {
        json += json.size() > 1 ? ",\n" : "";
        json += "{\"name\":" + Quoted(row.name) + ",\"help\":" + Quoted(row.help) +
                ",\"example\":" + Quoted(row.example) +
                ",\"default\":" + (&row == &formats::DefaultFormat() ? "true" : "false") +
                ",\"depths\":" + Depths(row) +
                ",\"arrayName\":" + Quoted(ArrayNameText(row.arrayName)) +
                ",\"binaryUnlessArray\":" + (row.binaryUnlessArray ? "true" : "false") +
                ",\"singleByteCodes\":" + (row.singleByteCodes ? "true" : "false") + "}";
    }
    return json + "]";
}

} // namespace web
