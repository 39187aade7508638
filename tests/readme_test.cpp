// The README and --help as a new user follows them: every rastova-convert command in them runs as
// written, in a scratch folder with the built program first on the PATH, and every C and C++
// example compiles against the files those commands made. The display libraries' headers are not
// installed: readme_include/ holds stand-ins declaring what the examples use, as the libraries
// declare it.
#include "tests/packaging_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace {

using packaging::LinesOf;
using packaging::Quote;

struct CodeBlock {
    int line;           // of the opening fence, for messages
    std::string info;   // what follows the opening fence: c, cpp, sh, ...
    std::string marker; // from a "<!-- readme-test: ... -->" line just before it
    std::string text;
};

std::vector<CodeBlock> CodeBlocks(const std::string& markdown) {
    std::vector<CodeBlock> blocks;
    const std::vector<std::string> lines = LinesOf(markdown);
    const std::regex marker("<!-- readme-test: (.*) -->");
    std::string pending;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch match;
        if (std::regex_match(lines[i], match, marker)) {
            pending = match[1];
            continue;
        }
        if (lines[i].rfind("```", 0) != 0) {
            continue;
        }
        CodeBlock block{static_cast<int>(i + 1), lines[i].substr(3), pending, {}};
        pending.clear();
        for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i) {
            block.text += lines[i] + "\n";
        }
        blocks.push_back(block);
    }
    return blocks;
}

// The rastova-convert command lines of a text, in order: lines of code blocks (a trailing
// backslash continues one) and inline code spans.
std::vector<std::string> ConvertCommands(const std::string& markdown) {
    std::vector<std::string> found;
    for (const CodeBlock& block : CodeBlocks(markdown)) {
        std::string command;
        for (const std::string& line : LinesOf(block.text)) {
            if (command.empty() && line.rfind("rastova-convert -", 0) != 0) {
                continue;
            }
            command += line + "\n";
            if (line.empty() || line.back() != '\\') {
                found.push_back(command);
                command.clear();
            }
        }
    }
    const std::regex span("`(rastova-convert -[^`]*)`");
    for (std::sregex_iterator it(markdown.begin(), markdown.end(), span), end; it != end; ++it) {
        found.push_back((*it)[1]);
    }
    return found;
}

// Runs a command line with sh in `folder`, the built rastova-convert first on the PATH.
commands::Command RunIn(const std::string& folder, const std::string& command) {
    const std::string bin = std::filesystem::path(RASTOVA_CONVERT_PATH).parent_path().string();
    return commands::Shell("cd " + Quote(folder) + " && PATH=" + Quote(bin) + ":\"$PATH\" sh -c " +
                           Quote(command));
}

commands::Command Compile(const std::string& folder, const std::string& file, bool cxx) {
    const std::string compiler =
        cxx ? RASTOVA_CXX_COMPILER " -std=c++17" : RASTOVA_C_COMPILER " -std=c99";
    return commands::Shell(compiler + " -Wall -Wextra -Werror -DLV_LVGL_H_INCLUDE_SIMPLE -I" +
                           Quote(folder) + " -I" +
                           Quote(RASTOVA_SOURCE_DIR "/tests/readme_include") + " -I" +
                           Quote(RASTOVA_SOURCE_DIR "/examples/terminal_text/include") +
                           " -c -o /dev/null " + Quote(folder + "/" + file));
}

TEST(Readme, EveryCommandRunsAndEveryExampleCompilesAgainstWhatItMade) {
    const std::string readme = testfiles::ReadFile(RASTOVA_SOURCE_DIR "/README.md");
    const testfiles::TempDir work;

    // Text files the commands read, each shown in a block marked with its name.
    for (const CodeBlock& block : CodeBlocks(readme)) {
        if (block.info != "c" && block.info != "cpp" && block.marker.rfind("file ", 0) == 0) {
            work.File(block.marker.substr(5), block.text);
        }
    }
    const std::vector<std::string> commands = ConvertCommands(readme);
    EXPECT_GE(commands.size(), 12U);
    for (const char* format : {"bdf", "gfx", "lvgl", "u8g2", "xbm", "ssd1306", "raw"}) {
        const std::string option = std::string("--format ") + format;
        EXPECT_TRUE(std::any_of(commands.begin(), commands.end(),
                                [&](const std::string& c) { return c.find(option) != c.npos; }))
            << "no README command writes " << format;
    }
    for (const std::string& command : commands) {
        const commands::Command run = RunIn(work.Path(), command);
        EXPECT_EQ(run.status, 0) << command << run.output;
    }

    int examples = 0;
    for (const CodeBlock& block : CodeBlocks(readme)) {
        if (block.info != "c" && block.info != "cpp") {
            continue;
        }
        const std::string prefix = "file ";
        if (block.marker.rfind(prefix, 0) == 0) {
            work.File(block.marker.substr(prefix.size()), block.text);
            continue;
        }
        const std::string name = "readme_line_" + std::to_string(block.line) + "." + block.info;
        work.File(name, block.text);
        const commands::Command compiled = Compile(work.Path(), name, block.info == "cpp");
        EXPECT_EQ(compiled.status, 0) << "README line " << block.line << ":\n"
                                      << block.text << compiled.output;
        ++examples;
    }
    EXPECT_GE(examples, 8);
    // The fonts made as C sources compile on their own too.
    for (const std::string& entry : work.Entries()) {
        if (entry.ends_with(".c") && entry.rfind("readme_line_", 0) != 0) {
            const commands::Command compiled = Compile(work.Path(), entry, false);
            EXPECT_EQ(compiled.status, 0) << entry << ":\n" << compiled.output;
        }
    }
}

// Fits a terminal, says where the rest is, and ends with examples that run as written.
TEST(Readme, HelpFitsEightyColumnsAndEndsWithExamplesThatRun) {
    const commands::Command help = commands::Shell(Quote(RASTOVA_CONVERT_PATH) + " --help");
    ASSERT_EQ(help.status, 0) << help.output;
    const std::vector<std::string> lines = LinesOf(help.output);
    for (const std::string& line : lines) {
        const auto columns =
            std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
        EXPECT_LT(columns, 80) << line;
    }
    EXPECT_NE(help.output.find("man rastova-convert"), std::string::npos);

    const auto heading = std::find(lines.begin(), lines.end(), "Examples:");
    ASSERT_NE(heading, lines.end()) << help.output;
    const std::vector<std::string> examples(heading + 1, lines.end());
    EXPECT_EQ(examples.size(), 3U) << help.output;
    const testfiles::TempDir work;
    for (const std::string& example : examples) {
        const std::string prompt = "  $ rastova-convert ";
        ASSERT_EQ(example.rfind(prompt, 0), 0U) << example;
        const commands::Command run = RunIn(work.Path(), example.substr(4));
        EXPECT_EQ(run.status, 0) << example << "\n" << run.output;
    }
}

} // namespace
