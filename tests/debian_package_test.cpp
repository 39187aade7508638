// The Debian package CPack makes from this build: what it holds, what it depends on, and that
// its programs run from a scratch root it is unpacked into.
#include "tests/font_files.h"
#include "tests/packaging_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>

namespace {

using packaging::Quote;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The Debian package that holds a file, by dpkg's own records, which name it as its package
// ships it: with or without /usr, through a link or not.
std::string PackageOf(const std::string& path) {
    const std::string real = std::filesystem::canonical(path).string();
    for (const std::string& name :
         {path, real, real.substr(real.rfind("/usr/", 0) == 0 ? 4 : 0), "/usr" + path}) {
        const commands::Command query = commands::Shell("dpkg-query -S " + Quote(name));
        if (query.status == 0) {
            return query.output.substr(0, query.output.find(':'));
        }
    }
    return "";
}

// The packages of the shared libraries a program opens itself as it runs (dlopen), by the
// loader's own account: "file=libX.so.1 [0];  dynamically loaded by PROGRAM", and where it found
// them: "calling init: /lib/.../libX.so.1".
std::set<std::string> PackagesOpenedBy(const std::string& command) {
    const std::string log =
        commands::Shell("{ LD_DEBUG=files,libs " + command + " >/dev/null; }").output;
    std::set<std::string> sonames;
    std::map<std::string, std::string> paths;
    const std::regex opened(R"(file=(\S+) \[0\];  dynamically loaded by )");
    const std::regex init(R"(calling init: (/\S+))");
    for (const std::string& line : Lines(log)) {
        std::smatch match;
        if (std::regex_search(line, match, opened)) {
            sonames.insert(match[1]);
        } else if (std::regex_search(line, match, init)) {
            paths[std::filesystem::path(match[1].str()).filename()] = match[1];
        }
    }
    std::set<std::string> packages;
    for (const std::string& soname : sonames) {
        const std::string owner = paths.count(soname) ? PackageOf(paths[soname]) : "";
        EXPECT_FALSE(owner.empty()) << "no package holds " << soname << "\n" << log;
        packages.insert(owner);
    }
    return packages;
}

// The Debian packages holding the shared libraries `binary` names as needed, by dpkg's own
// records.
std::set<std::string> PackagesNeededBy(const std::string& binary) {
    std::set<std::string> packages;
    const std::string dynamic = commands::Shell("objdump -p " + Quote(binary)).output;
    const std::string resolved = commands::Shell("ldd " + Quote(binary)).output;
    for (const std::string& line : Lines(dynamic)) {
        const std::size_t needed = line.find("NEEDED");
        if (needed == std::string::npos) {
            continue;
        }
        std::istringstream words(line.substr(needed + 6));
        std::string soname;
        words >> soname;
        // Where the loader finds it: "libQt6Widgets.so.6 => /usr/lib/.../libQt6Widgets.so.6",
        // or the loader itself, "/lib64/ld-linux-x86-64.so.2 (0x...)".
        std::string path;
        for (const std::string& loaded : Lines(resolved)) {
            std::istringstream fields(loaded);
            std::string first, arrow, target;
            fields >> first >> arrow >> target;
            if (first == soname && arrow == "=>") {
                path = target;
            } else if (std::filesystem::path(first).filename() == soname) {
                path = first;
            }
        }
        if (path.empty()) {
            ADD_FAILURE() << soname << " not loaded:\n" << resolved;
            continue;
        }
        const std::string owner = PackageOf(path);
        EXPECT_FALSE(owner.empty()) << soname << ": no package holds " << path;
        packages.insert(owner);
    }
    return packages;
}

TEST(DebianPackage, HoldsEverythingDependsOnWhatItLoadsAndRunsFromAScratchRoot) {
    const testfiles::TempDir dir;
    const commands::Command cpack = commands::Shell(Quote(RASTOVA_CPACK) + " --config " +
                                                    Quote(RASTOVA_BUILD_DIR "/CPackConfig.cmake") +
                                                    " -G DEB -B " + Quote(dir.Path("out")));
    ASSERT_EQ(cpack.status, 0) << cpack.output;
    std::string deb;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("out"))) {
        if (entry.path().extension() == ".deb") {
            deb = entry.path().string();
        }
    }
    ASSERT_FALSE(deb.empty()) << cpack.output;

    const std::string contents = commands::Shell("dpkg-deb -c " + Quote(deb)).output;
    const char* const kPaths[] = {
        "./usr/bin/rastova",
        "./usr/bin/rastova-convert",
        "./usr/share/applications/rastova.desktop",
        "./usr/share/icons/hicolor/scalable/apps/rastova.svg",
        "./usr/share/icons/hicolor/16x16/apps/rastova.xpm",
        "./usr/share/icons/hicolor/32x32/apps/rastova.xpm",
        "./usr/lib/cmake/Rastova/RastovaConfig.cmake",
        "./usr/lib/cmake/Rastova/RastovaConfigVersion.cmake",
        "./usr/lib/cmake/Rastova/RastovaFont.cmake",
        "./usr/share/man/man1/rastova-convert.1.gz",
        "./usr/share/man/man1/rastova.1.gz",
        "./usr/share/bash-completion/completions/rastova-convert",
    };
    for (const char* path : kPaths) {
        EXPECT_TRUE(Has(contents, std::string(" ") + path + "\n")) << path << "\n" << contents;
    }
    for (const std::string& line : Lines(contents)) {
        EXPECT_TRUE(Has(line, " ./usr/")) << "outside /usr: " << line;
    }

    const auto field = [&](const std::string& name) {
        return commands::Shell("dpkg-deb -f " + Quote(deb) + " " + name).output;
    };
    EXPECT_EQ(field("Package"), "rastova\n");
    EXPECT_EQ(field("Architecture"), commands::Shell("dpkg --print-architecture").output);
    EXPECT_TRUE(Has(field("Description"), "embedded displays"));
    EXPECT_NE(field("Section"), "\n");
    EXPECT_NE(field("Maintainer"), "\n");

    // apt can install it here: every dependency is a package Debian has.
    const commands::Command simulated =
        commands::Shell("apt-get install --simulate --no-download " + Quote(deb));
    EXPECT_EQ(simulated.status, 0) << simulated.output;
    EXPECT_TRUE(Has(simulated.output, "Inst rastova ")) << simulated.output;

    const std::string root = dir.Path("root");
    const commands::Command unpack = commands::Shell("dpkg -x " + Quote(deb) + " " + Quote(root));
    ASSERT_EQ(unpack.status, 0) << unpack.output;

    // Every package a program loads a library from is a dependency, also one rastova-convert
    // opens only when a run needs it; fontconfig's settings too.
    const std::string depends = field("Depends");
    std::set<std::string> needed = {"fontconfig-config"};
    for (const char* program : {"/usr/bin/rastova", "/usr/bin/rastova-convert"}) {
        const std::set<std::string> loaded = PackagesNeededBy(root + program);
        needed.insert(loaded.begin(), loaded.end());
    }
    EXPECT_TRUE(needed.count("libqt6widgets6")) << "the window links Qt Widgets";
    // FreeType parses untrusted font files: Debian's security updates to it must reach the
    // packaged program, so it is linked, not carried inside.
    EXPECT_TRUE(PackagesNeededBy(root + "/usr/bin/rastova-convert").count("libfreetype6"));
    const std::set<std::string> opened = PackagesOpenedBy(
        Quote(root + "/usr/bin/rastova-convert") + " --font 'DejaVu Sans' --size 12 -o /dev/null" +
        " --preview " + Quote(dir.Path("run.png")) + " A");
    EXPECT_TRUE(opened.count("libfontconfig1")) << "a run by pattern opens fontconfig";
    needed.insert(opened.begin(), opened.end());
    const std::set<std::string> kerning =
        PackagesOpenedBy(Quote(root + "/usr/bin/rastova-convert") +
                         " --font 'DejaVu Sans' --size 12 --format lvgl -o /dev/null AV");
    EXPECT_TRUE(kerning.count("libharfbuzz0b")) << "a font with kerning opens HarfBuzz";
    needed.insert(kerning.begin(), kerning.end());
    for (const std::string& package : needed) {
        EXPECT_TRUE(Has(depends, package)) << package << " in " << depends;
    }

    const std::string convert = root + "/usr/bin/rastova-convert";
    const commands::Command help = commands::Shell(Quote(convert) + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: rastova-convert", 0), 0U) << help.output;
    const commands::Command table =
        commands::Shell(Quote(convert) + " --font-file " + Quote(testfonts::DejaVuSans()) +
                        " --size 12 --c-array glyphs A");
    EXPECT_EQ(table.status, 0) << table.output;
    EXPECT_TRUE(Has(table.output, "const unsigned char glyphs[] = {")) << table.output;
    const commands::Command window =
        commands::Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                        Quote(root + "/usr/bin/rastova") + " --version");
    EXPECT_EQ(window.status, 0) << window.output;
    const std::string page =
        commands::Shell("LC_ALL=C MANWIDTH=80 man -l " +
                        Quote(root + "/usr/share/man/man1/rastova-convert.1.gz"))
            .output;
    EXPECT_TRUE(Has(page, "\nFORMATS\n")) << page;
}

} // namespace
