// What the packaging tests share: the built programs, shell quoting, and the options, formats
// and values that rastova-convert's own --help and error messages state.
#pragma once

#include "tests/command_support.h"
#include "tests/test_files.h"

#include <regex>
#include <set>
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
        line += (line.empty() ? "" : " ") + Quote(word);
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

// Every option a --help text lists: the words starting with '-' in the option column.
inline std::set<std::string> HelpOptions(const std::string& help) {
    static const std::regex optionLine(R"(^ {1,4}(-[^ ].*?)(?:  |$))");
    static const std::regex option(R"((?:^|[ ,])(--?[a-z][a-z0-9-]*))");
    std::set<std::string> options;
    std::size_t start = 0;
    while (start < help.size()) {
        std::size_t end = help.find('\n', start);
        end = end == std::string::npos ? help.size() : end;
        const std::string line = help.substr(start, end - start);
        std::smatch column;
        if (std::regex_search(line, column, optionLine)) {
            const std::string text = column[1];
            for (std::sregex_iterator it(text.begin(), text.end(), option), last; it != last;
                 ++it) {
                options.insert((*it)[1]);
            }
        }
        start = end + 1;
    }
    return options;
}

// The names in --help's "Formats:" list.
inline std::set<std::string> HelpFormats(const std::string& help) {
    std::set<std::string> formats;
    const std::size_t block = help.find("\nFormats:\n");
    if (block == std::string::npos) {
        return formats;
    }
    static const std::regex name(R"(^  ([a-z0-9]+)  )");
    std::size_t start = block + 10;
    while (start < help.size() && help[start] != '\n') {
        std::size_t end = help.find('\n', start);
        end = end == std::string::npos ? help.size() : end;
        const std::string line = help.substr(start, end - start);
        std::smatch match;
        if (std::regex_search(line, match, name)) {
            formats.insert(match[1]);
        }
        start = end + 1;
    }
    return formats;
}

inline std::string ConvertHelp() {
    return Convert({"--help"}).output;
}

// Whether this build's rastova-convert writes `format`: the parser refuses a name no writer
// is registered for.
inline bool HasFormat(const std::string& format) {
    return Convert({"--format", format, "--dry-run", "A"}).output.find("is not a format") ==
           std::string::npos;
}

} // namespace packaging
