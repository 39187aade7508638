// The manual pages made at build time: they render without warnings and hold every option the
// programs' --help lists, every format with its layout, the exit statuses and examples.
#include "tests/packaging_support.h"

#include <gtest/gtest.h>

namespace {

using packaging::Quote;

struct Page {
    std::string program; // as built
    std::string page;    // the page made from it
};

const Page kPages[] = {
    {RASTOVA_CONVERT_PATH, RASTOVA_MAN_DIR "/rastova-convert.1"},
    {RASTOVA_WINDOW_PATH, RASTOVA_MAN_DIR "/rastova.1"},
};

// The program run with no display at all, as help2man runs it in a build.
commands::Command NoDisplay(const std::string& program, const std::string& args) {
    return commands::Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                           Quote(program) + " " + args);
}

// The page as man renders it: ASCII, no hyphenation, no justification, so each option is one
// word.
std::string Rendered(const std::string& page) {
    return commands::Shell("LC_ALL=C MANWIDTH=80 man --nh --nj -l " + Quote(page)).output;
}

TEST(ManPages, RenderWithoutWarnings) {
    for (const Page& page : kPages) {
        for (const char* locale : {"C", "C.UTF-8"}) {
            SCOPED_TRACE(page.page + " in " + locale);
            // Only standard error is kept.
            const commands::Command run = commands::Shell(std::string("LC_ALL=") + locale +
                                                          " MANWIDTH=80 man --warnings -l " +
                                                          Quote(page.page) + " 2>&1 >/dev/null");
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.output, "");
        }
    }
}

TEST(ManPages, HoldEveryOptionTheProgramLists) {
    for (const Page& page : kPages) {
        SCOPED_TRACE(page.page);
        const commands::Command help = NoDisplay(page.program, "--help");
        ASSERT_EQ(help.status, 0) << help.output;
        const std::set<std::string> options = packaging::HelpOptions(help.output);
        ASSERT_TRUE(options.count("--help") && options.count("--version"));
        const std::string text = Rendered(page.page);
        for (const std::string& option : options) {
            EXPECT_NE(text.find(option), std::string::npos) << option;
        }
    }
}

TEST(ManPages, ConvertPageDescribesEachFormatExitStatusAndExamples) {
    const std::string text = Rendered(RASTOVA_MAN_DIR "/rastova-convert.1");
    const std::size_t formats = text.find("\nFORMATS\n");
    const std::size_t exit = text.find("\nEXIT STATUS\n");
    ASSERT_NE(formats, std::string::npos);
    ASSERT_NE(exit, std::string::npos);
    ASSERT_NE(text.find("\nEXAMPLES\n"), std::string::npos);
    const std::string section = text.substr(formats, exit - formats);
    const std::set<std::string> names = packaging::HelpFormats(packaging::ConvertHelp());
    ASSERT_GE(names.size(), 8U);
    for (const std::string& name : names) {
        // A tagged paragraph: the name, then its layout on the same or the next line.
        EXPECT_TRUE(section.find("\n       " + name + " ") != std::string::npos ||
                    section.find("\n       " + name + "\n") != std::string::npos)
            << name;
    }
    for (const char* status : {"\n       0 ", "\n       1 ", "\n       2 "}) {
        EXPECT_NE(text.find(status, exit), std::string::npos) << status;
    }
}

TEST(ManPages, ProgramsAnswerHelpAndVersionWithoutADisplay) {
    for (const Page& page : kPages) {
        SCOPED_TRACE(page.program);
        const commands::Command help = NoDisplay(page.program, "--help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.output.rfind("Usage: ", 0), 0U) << help.output;
        const commands::Command version = NoDisplay(page.program, "--version");
        EXPECT_EQ(version.status, 0);
        EXPECT_NE(version.output.find(" " RASTOVA_VERSION "\n"), std::string::npos)
            << version.output;
    }
}

} // namespace
