// Reading the row lines of rastova-convert's tables back, for tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace tablerows {

struct Row {
    std::vector<std::uint8_t> bytes; // the hex items as written
    std::string pattern;             // what follows "//": '#' and ' ', column 0 first
};

// Every row line of `text` (a line that starts with a byte item), line ends stripped.
inline std::vector<Row> Parse(const std::string& text) {
    std::vector<Row> rows;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("0x", 0) != 0) {
            continue;
        }
        Row row;
        const std::size_t comment = line.find("//");
        for (std::size_t at = 0; at < comment; at += 6) {
            row.bytes.push_back(
                static_cast<std::uint8_t>(std::strtoul(line.substr(at, 4).c_str(), nullptr, 16)));
        }
        row.pattern = line.substr(comment + 2);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The bytes the pattern's columns make: item k holds columns 8k+1..8k+8, the leftmost in bit 0.
inline std::vector<std::uint8_t> BytesOf(const std::string& pattern) {
    std::vector<std::uint8_t> bytes((pattern.size() - 1) / 8, 0);
    for (std::size_t column = 1; column < pattern.size(); ++column) {
        if (pattern[column] == '#') {
            bytes[(column - 1) / 8] |= static_cast<std::uint8_t>(1U << ((column - 1) % 8));
        }
    }
    return bytes;
}

} // namespace tablerows
