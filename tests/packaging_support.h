// What the packaging tests share: the built programs, shell quoting, and the options, formats
// and values that rastova-convert's own --help and error messages state.
#pragma once

#include "tests/command_support.h"
#include "tests/test_files.h"

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace packaging {

// One shell word.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline std::string Words(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) {
            line += ' ';
        }
        line += Quote(word);
    }
    return line;
}

// The built rastova-convert with `args`; standard error joined to standard output.
inline commands::Command Convert(const std::vector<std::string>& args) {
    return commands::Shell(Quote(RASTOVA_CONVERT_PATH) + " " + Words(args));
}

inline std::set<std::string> SetOf(const std::vector<std::string>& words) {
    return {words.begin(), words.end()};
}

inline std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Every option a --help text lists: the words starting with '-' in the option column of the
// lines that start, indented, with one.
inline std::set<std::string> HelpOptions(const std::string& help) {
    std::set<std::string> options;
    for (const std::string& line : LinesOf(help)) {
        const std::size_t first = line.find_first_not_of(' ');
        if (first == 0 || first > 4 || first == std::string::npos || line[first] != '-') {
            continue;
        }
        std::string column = line.substr(first, line.find("  ", first) - first);
        std::replace(column.begin(), column.end(), ',', ' ');
        std::istringstream words(column);
        for (std::string word; words >> word;) {
            if (word.size() > 1 && word[0] == '-' && word.back() != '-' &&
                word.find_first_not_of("-abcdefghijklmnopqrstuvwxyz0123456789") ==
                    std::string::npos) {
                options.insert(word);
            }
        }
    }
    return options;
}

// The names in --help's "Formats:" list: each line of it starts with one, indented by two.
inline std::set<std::string> HelpFormats(const std::string& help) {
    std::set<std::string> formats;
    bool inList = false;
    for (const std::string& line : LinesOf(help)) {
        if (line == "Formats:") {
            inList = true;
        } else if (line.empty()) {
            inList = false;
        } else if (inList && line.rfind("  ", 0) == 0 && line[2] != ' ') {
            formats.insert(line.substr(2, line.find(' ', 2) - 2));
        }
    }
    return formats;
}

inline std::string ConvertHelp() {
    return Convert({"--help"}).output;
}

} // namespace packaging
