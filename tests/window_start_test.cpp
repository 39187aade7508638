// Starting the window: scripts/run.sh builds only what it needs, and the program started where
// it cannot show a window says so in one line with status 2, as every other refusal, never with
// Qt's page of advice and an abort.
#include "tests/packaging_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(WindowStart, WithoutADisplaySaysSoInOneLineAndExitsTwo) {
    struct Row {
        const char* name;
        const char* environment; // after every display variable is unset
    };
    const Row kRows[] = {
        {"nothing set", ""},
        {"a display nobody serves", "DISPLAY=:7919"},
        {"a platform Qt does not have", "QT_QPA_PLATFORM=no-such-platform"},
    };
    for (const Row& row : kRows) {
        const commands::Command run =
            commands::Shell(std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") +
                            row.environment + " " + packaging::Quote(RASTOVA_WINDOW_PATH));
        EXPECT_EQ(run.status, 2) << row.name << "\n" << run.output;
        EXPECT_EQ(run.output, "rastova: no display: set DISPLAY, or use rastova-convert\n")
            << row.name;
    }
}

} // namespace

// scripts/run.sh, run in a copy of the scripts with stand-ins for dpkg-query and cmake that log
// their arguments: it configures once, builds the window's target alone (not the tests and
// benchmarks, which take many minutes) and starts the window it built.
TEST(WindowStart, RunScriptBuildsOnlyTheWindowThenStartsIt) {
    const testfiles::TempDir dir;
    std::filesystem::create_directories(dir.Path("tree/scripts"));
    std::filesystem::create_directories(dir.Path("bin"));
    for (const char* script : {"run.sh", "deps.sh", "font-packages.txt"}) {
        std::filesystem::copy_file(std::string(RASTOVA_SOURCE_DIR "/scripts/") + script,
                                   dir.Path(std::string("tree/scripts/") + script));
    }
    const std::string log = dir.Path("cmake.log");
    dir.File("bin/dpkg-query", "#!/bin/sh\necho 'install ok installed'\n");
    dir.File("bin/cmake", "#!/bin/sh\necho \"$*\" >>" + packaging::Quote(log) +
                              "\n"
                              "if [ \"$1\" = --build ]; then mkdir -p build/app && printf "
                              "'#!/bin/sh\\necho window \"$@\"\\n' >build/app/rastova && "
                              "chmod +x build/app/rastova; else mkdir -p build && : "
                              ">build/build.ninja; fi\n");
    std::filesystem::permissions(dir.Path("bin/dpkg-query"), std::filesystem::perms::owner_all);
    std::filesystem::permissions(dir.Path("bin/cmake"), std::filesystem::perms::owner_all);

    const std::string run = "PATH=" + packaging::Quote(dir.Path("bin")) + ":\"$PATH\" " +
                            packaging::Quote(dir.Path("tree/scripts/run.sh")) + " -x";
    const commands::Command first = commands::Shell(run);
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_EQ(first.output, "window -x\n");
    const commands::Command again = commands::Shell(run);
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(testfiles::ReadFile(log), "-S . -B build -G Ninja\n"
                                        "--build build --target rastova\n"
                                        "--build build --target rastova\n");
}
