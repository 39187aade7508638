#include "web/formats_json.h"

#include "cli/convert_options.h"
#include "cli/convert_usage.h"
#include "formats/format_registry.h"

#include <cstdio>
#include <span>
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

std::string QuotedList(std::span<const std::string_view> words) {
    std::string list;
    for (const std::string_view word : words) {
        list += (list.empty() ? "" : ",") + Quoted(word);
    }
    return "[" + list + "]";
}

// The options only some formats take that `row` takes, each as the command line's table and
// --help describe it: {option, help, takesValue, values, default}.
std::string Options(const formats::FormatRow& row) {
    std::string list;
    for (const cli::FormatOnlyOption& option : cli::FormatOnlyOptions()) {
        if ((row.options & option.formatOptions) == 0) {
            continue;
        }
        list += (list.empty() ? "" : ",") + ("{\"option\":" + Quoted(option.flag)) +
                ",\"help\":" + Quoted(cli::OptionHelp(option.flag)) +
                ",\"takesValue\":" + (option.takesValue ? "true" : "false") +
                ",\"values\":" + QuotedList(option.values) +
                ",\"default\":" + Quoted(option.defaultValue) + "}";
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
                ",\"singleByteCodes\":" + (row.singleByteCodes ? "true" : "false") +
                ",\"options\":" + Options(row) + "}";
    }
    return json + "]";
}

} // namespace web
