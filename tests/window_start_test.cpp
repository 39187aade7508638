// The window program started where it cannot show a window: one line and status 2, as every
// other refusal, never Qt's page of advice and an abort.
#include "tests/packaging_support.h"

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
