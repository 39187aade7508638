// The bash completion for rastova-convert, driven as bash drives it: COMP_WORDS and COMP_CWORD
// set, the function called, COMPREPLY read back.
#include "tests/packaging_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using packaging::Quote;
using packaging::SetOf;

// COMPREPLY after completing the last of `words` (the command line so far, the program first).
std::vector<std::string> Complete(const std::vector<std::string>& words,
                                  const std::string& folder = ".") {
    // The formats come from the program being completed, found on the PATH as a user's is.
    const std::string program = RASTOVA_CONVERT_PATH;
    std::string script = "PATH=" + Quote(program.substr(0, program.rfind('/'))) + ":\"$PATH\"\n" +
                         "cd " + Quote(folder) + " || exit 9\n" + "source " +
                         Quote(RASTOVA_BASH_COMPLETION_MAIN) + " || exit 9\n" + "source " +
                         Quote(RASTOVA_COMPLETION_SCRIPT) + " || exit 9\n" + "COMP_WORDS=(";
    std::string line;
    for (const std::string& word : words) {
        script += Quote(word) + " ";
        line += (line.empty() ? "" : " ") + word;
    }
    script += ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) + "\n";
    script += "COMP_LINE=" + Quote(line) + "\nCOMP_POINT=${#COMP_LINE}\n";
    script += "_rastova_convert rastova-convert \"${COMP_WORDS[COMP_CWORD]}\" "
              "\"${COMP_WORDS[COMP_CWORD-1]}\"\n";
    script += "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
    const commands::Command run = commands::Shell("bash -c " + Quote(script));
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<std::string> replies;
    std::size_t start = 0;
    while (start < run.output.size()) {
        const std::size_t end = run.output.find('\n', start);
        if (end > start) {
            replies.push_back(run.output.substr(start, end - start));
        }
        start = end == std::string::npos ? run.output.size() : end + 1;
    }
    return replies;
}

TEST(Completion, OffersEveryOptionHelpListsAndNoOther) {
    const std::set<std::string> help = packaging::HelpOptions(packaging::ConvertHelp());
    ASSERT_GT(help.size(), 20U);
    EXPECT_EQ(SetOf(Complete({"rastova-convert", "-"})), help);
}

TEST(Completion, OffersTheFormatsHelpLists) {
    const std::string help = packaging::ConvertHelp();
    const std::set<std::string> formats = packaging::HelpFormats(help);
    ASSERT_GE(formats.size(), 8U);
    const std::set<std::string> offered = SetOf(Complete({"rastova-convert", "--format", ""}));
    EXPECT_EQ(offered, formats);
    // Every format the program writes: its refusal of an unknown one lists them.
    const std::string refusal = packaging::Convert({"--format", "nonesuch", "A"}).output;
    const std::size_t open = refusal.find('(');
    ASSERT_NE(open, std::string::npos) << refusal;
    std::string list = refusal.substr(open + 1, refusal.find(')') - open - 1);
    std::replace(list.begin(), list.end(), ',', ' ');
    std::istringstream names(list);
    for (std::string name; names >> name;) {
        EXPECT_TRUE(offered.count(name)) << name << " is written but not offered";
    }
}

TEST(Completion, EveryValueOfferedIsOneTheProgramTakes) {
    struct Row {
        std::string option;
        std::size_t count; // values offered
    };
    const Row rows[] = {
        {"--set", 2}, {"--encoding", 2}, {"--lvgl-version", 2}, {"--bit-order", 2}, {"--scan", 2},
        {"--eol", 2}, {"--cell", 2},     {"--bpp", 5},          {"--hinting", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.option);
        const std::vector<std::string> values = Complete({"rastova-convert", row.option, ""});
        EXPECT_EQ(values.size(), row.count);
        for (const std::string& value : values) {
            // A value the parser refuses is named in its message as "--option: 'value'".
            const commands::Command run = packaging::Convert({row.option, value, "--dry-run", "A"});
            EXPECT_EQ(run.output.find(row.option + ": '" + value + "'"), std::string::npos)
                << run.output;
        }
        // And the parser's own list of values, in its refusal of a wrong one, holds them all.
        const std::string refusal = packaging::Convert({row.option, "zz", "A"}).output;
        ASSERT_NE(refusal.find(row.option + ": 'zz'"), std::string::npos) << refusal;
        for (const std::string& value : values) {
            EXPECT_NE(refusal.find(value), std::string::npos) << value << " in " << refusal;
        }
    }
}

TEST(Completion, CompletesWordsInPlace) {
    const testfiles::TempDir dir;
    dir.File("DejaVuCopy.ttf", "");
    dir.File("notes.txt", "");
    struct Row {
        std::vector<std::string> words; // after the program name
        std::vector<std::string> offered;
    };
    const Row rows[] = {
        {{"--format", "l"}, {"lvgl"}},
        {{"--format=u"}, {"u8g2"}},
        {{"--set", ""}, {"ascii", "cp1251"}},
        {{"--fo"}, {"--font", "--font-file", "--format"}},
        {{"--bold", "--it"}, {"--italic"}},
        {{"--size", ""}, {}},
        {{"--c-array", "-"}, {}},
        {{"--font-file", "Dej"}, {"DejaVuCopy.ttf"}},
        {{"-o", "no"}, {"notes.txt"}},
        {{"--preview", "n"}, {"notes.txt"}},
        {{"--text-file", "no"}, {"notes.txt"}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> words = {"rastova-convert"};
        words.insert(words.end(), row.words.begin(), row.words.end());
        SCOPED_TRACE(testing::PrintToString(row.words));
        EXPECT_EQ(SetOf(Complete(words, dir.Path())), SetOf(row.offered));
    }
}

TEST(Completion, FontCompletesInstalledFamiliesWithSpaces) {
    // The shell hands the function the word as typed: escaped, quoted or neither.
    for (const std::string typed : {"DejaVu\\ S", "\"DejaVu S", "'DejaVu S", "DejaVu"}) {
        SCOPED_TRACE(typed);
        const std::vector<std::string> offered = Complete({"rastova-convert", "--font", typed});
        const std::set<std::string> families = SetOf(offered);
        for (const char* family : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"}) {
            EXPECT_TRUE(families.count(family)) << family;
        }
        for (const std::string& family : offered) {
            EXPECT_EQ(family.rfind("DejaVu", 0), 0U) << family;
        }
    }
    EXPECT_EQ(Complete({"rastova-convert", "--font", "NoSuchFamilyAnywhere"}).size(), 0U);
}

} // namespace
