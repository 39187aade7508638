// rastova_add_font() and the CMake package: arguments refused while CMake configures, fonts
// made and remade by a project's build exactly when their declaration or font file changes, the
// converter found in a cross build, and the example drawing what the strike holds.
#include "cli/convert_options.h"
#include "glyph/font_faces.h"
#include "glyph/strike.h"
#include "tests/font_files.h"
#include "tests/packaging_support.h"
#include "tests/table_rows.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iomanip>
#include <memory>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using packaging::Quote;
using testfiles::ReadFile;
using testfiles::TempDir;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// `text` with every run of blanks and line breaks as one space, as CMake's wrapped messages
// read.
std::string Flat(const std::string& text) {
    std::string flat;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank || (!flat.empty() && flat.back() != ' ')) {
            flat += blank ? ' ' : c;
        }
    }
    return flat;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

commands::Command Configure(const std::string& source, const std::string& build,
                            const std::string& args = "") {
    return commands::Shell(Quote(RASTOVA_CMAKE) + " -S " + Quote(source) + " -B " + Quote(build) +
                           " -G Ninja -DCMAKE_MAKE_PROGRAM=" + Quote(RASTOVA_NINJA) + " " + args);
}

commands::Command Build(const std::string& build) {
    return commands::Shell(Quote(RASTOVA_CMAKE) + " --build " + Quote(build));
}

// The arguments a font was made with, as its record beside the source lists them.
std::vector<std::string> RecordedArguments(const std::string& record) {
    std::vector<std::string> args;
    std::istringstream lines(ReadFile(record));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#') {
            args.push_back(line);
        }
    }
    return args;
}

// The generated source holds exactly what rastova-convert writes for its recorded arguments.
void ExpectMadeFromRecord(const std::string& folder, const std::string& name) {
    const TempDir dir;
    std::vector<std::string> args = {"-o", dir.Path("direct.c")};
    const std::vector<std::string> recorded = RecordedArguments(folder + "/" + name + ".args");
    args.insert(args.end(), recorded.begin(), recorded.end());
    const commands::Command direct = packaging::Convert(args);
    ASSERT_EQ(direct.status, 0) << direct.output;
    EXPECT_EQ(ReadFile(folder + "/" + name + ".c"), ReadFile(dir.Path("direct.c"))) << name;
}

TEST(AddFontArguments, BadArgumentsStopCMakeNamingTheArgument) {
    const TempDir dir;
    const std::string font = testfonts::DejaVuSans();
    fs::create_directory(dir.Path("src"));
    dir.File("src/main.c", "int main(void) { return 0; }\n");
    dir.File("src/latin1.txt", "Hello\ncaf\xE9\n");
    const auto project = [&](const std::string& calls) {
        dir.File("src/CMakeLists.txt",
                 "cmake_minimum_required(VERSION 3.16)\nproject(refusals C)\n"
                 "set(RASTOVA_CONVERT_EXECUTABLE \"" RASTOVA_CONVERT_PATH "\")\n"
                 "include(\"" RASTOVA_FONT_MODULE "\")\n"
                 "add_executable(show main.c)\nadd_library(iface INTERFACE)\n" +
                     calls + "\n");
        return Configure(dir.Path("src"), dir.Path("build"));
    };
    const std::string good = "NAME ok FORMAT table FONT_FILE \"" + font + "\" SIZE 10 TEXT A";
    for (const std::string& call : {
             good,
             // Remaps, in the first source and in one that ALSO starts; the last source's TEXT
             // may start with '-'.
             "NAME ok FORMAT table FONT_FILE \"" + font + "\" SIZE 10 RANGE \"0xF000=>0xE000\"",
             good +
                 " ALSO FONT \"DejaVu Serif\" RANGE \"0x42=>0xE000\" TEXT_FILE main.c"
                 " ALSO FONT_FILE \"" +
                 font + "\" FACE_INDEX 0 SET ascii TEXT -B",
             // What names the output may follow a source.
             "FONT_FILE \"" + font + "\" SIZE 10 TEXT A ALSO FONT_FILE \"" + font +
                 "\" RANGE \"0xF000=>0xE000\" SYMBOLS_HEADER s.h FORMAT table NAME ok",
         }) {
        const commands::Command accepted = project("rastova_add_font(show " + call + ")");
        ASSERT_EQ(accepted.status, 0) << call << "\n" << accepted.output;
    }

    struct Row {
        std::string call;  // inside rastova_add_font( )
        std::string names; // what the message must say
    };
    const std::string file = "FONT_FILE \"" + font + "\"";
    // The formats are the program's: FORMAT is refused listing what it lists, in its order.
    std::string formats;
    for (const std::string& name :
         packaging::LinesOf(packaging::Convert({"--list-formats"}).output)) {
        formats += (formats.empty() ? "" : ", ") + name;
    }
    ASSERT_NE(formats.find("ssd1306"), std::string::npos) << formats;
    const Row rows[] = {
        {"show " + good + " COLOUR red", "unknown argument 'COLOUR'"},
        {"show FORMAT table " + file + " SIZE 10 TEXT A", "NAME is missing"},
        {"show NAME f " + file + " SIZE 10 TEXT A", "FORMAT is missing"},
        {"show NAME f FORMAT table " + file + " TEXT A", "SIZE is missing"},
        {"show NAME FORMAT table " + file + " SIZE 10 TEXT A", "NAME needs a value"},
        {"show NAME 9lives FORMAT table " + file + " SIZE 10 TEXT A", "NAME '9lives'"},
        {"show NAME f FORMAT png " + file + " SIZE 10 TEXT A",
         "FORMAT 'png' is not one of " + formats},
        {"show NAME f FORMAT table FONT Sans " + file + " SIZE 10 TEXT A", "FONT and FONT_FILE"},
        {"show NAME f FORMAT table SIZE 10 TEXT A", "FONT or FONT_FILE"},
        {"show NAME f FORMAT table FONT Sans FACE_INDEX 1 SIZE 10 TEXT A",
         "FACE_INDEX needs FONT_FILE"},
        {"show NAME f FORMAT table " + file + " FACE_INDEX one SIZE 10 TEXT A", "FACE_INDEX 'one'"},
        {"show NAME f FORMAT table " + file + " SIZE 12pts TEXT A", "SIZE '12pts'"},
        {"show NAME f FORMAT table " + file + " SIZE 0px TEXT A", "SIZE '0px'"},
        {"show NAME f FORMAT table " + file + " SIZE 10 SET latin1", "SET 'latin1'"},
        {"show NAME f FORMAT gfx " + file + " SIZE 10 SET ascii ENCODING koi8", "ENCODING 'koi8'"},
        {"show NAME f FORMAT table " + file + " SIZE 10 SET ascii ENCODING cp1251",
         "ENCODING applies to FORMAT gfx and ssd1306"},
        // Grey levels, compression, kerning and hinting reach the program's own checks.
        {"show NAME f FORMAT gfx " + file + " SIZE 10 SET ascii BPP 4 HINTING light NO_KERNING",
         "BPP 4 applies to FORMAT lvgl only"},
        {"show NAME f FORMAT lvgl " + file + " SIZE 10 SET ascii BPP 6", "BPP '6'"},
        {"show NAME f FORMAT vlw " + file + " SIZE 10 SET ascii COMPRESS",
         "COMPRESS applies to FORMAT lvgl only"},
        {"show NAME f FORMAT table " + file + " SIZE 10 RANGE 0x41-0x5A,zz",
         "RANGE item 'zz' is not a code point or a range of them (write 0x41"},
        {"show NAME f FORMAT table " + file + " SIZE 10", "no characters"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT_FILE", "TEXT_FILE needs a value"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT_FILE main.c nowhere.txt",
         "TEXT_FILE 'nowhere.txt' is not a file"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT_FILE .",
         "TEXT_FILE '.' is not a file"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT_FILE latin1.txt",
         "f: rastova-convert: " + dir.Path("src/latin1.txt") +
             ":2:4: not UTF-8: 0xE9 begins a 3-byte sequence that is cut short"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT A OPTIONS --text-file main.c",
         "OPTIONS: --text-file"},
        {"show NAME f FORMAT table FONT_FILE nowhere.ttf SIZE 10 TEXT A",
         "FONT_FILE 'nowhere.ttf'"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT A OPTIONS --size=12",
         "OPTIONS: --size"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT A OPTIONS --symbols-header s.h",
         "OPTIONS: --symbols-header"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT A SYMBOLS_HEADER f.h",
         "SYMBOLS_HEADER 'f.h' is a file of the font"},
        {"show NAME f FORMAT xbm " + file + " SIZE 10 TEXT A SYMBOLS_HEADER ../rastova/f.xbm",
         "SYMBOLS_HEADER '../rastova/f.xbm' is a file of the font"},
        // A further source, after ALSO: its refusals name it by its place.
        {"show " + good + " ALSO", "source 2: FONT or FONT_FILE is needed after ALSO"},
        {"show " + good + " ALSO RANGE 0x42", "source 2: FONT or FONT_FILE is needed"},
        {"show " + good + " ALSO " + file, "source 2: no characters: give TEXT, RANGE, SET"},
        {"show " + good + " ALSO " + file + " TEXT B SIZE 12",
         "source 2: SIZE is shared by every source: give it before the first ALSO"},
        {"show " + good + " ALSO " + file + " TEXT_FILE main.c BOLD",
         "source 2: BOLD is shared by every source"},
        {"show " + good + " ALSO " + file + " TEXT B COLOUR red",
         "source 2: unknown argument 'COLOUR'"},
        {"show " + good + " ALSO " + file + " TEXT B TEXT C", "source 2: TEXT is given twice"},
        {"show " + good + " ALSO " + file + " RANGE", "source 2: RANGE needs a value"},
        {"show " + good + " ALSO " + file + " TEXT_FILE RANGE 0x42",
         "source 2: TEXT_FILE needs a value"},
        {"show " + good + " ALSO " + file + " TEXT B ALSO FONT_FILE nowhere.ttf TEXT C",
         "source 3: FONT_FILE 'nowhere.ttf' is not a file"},
        {"show " + good + " ALSO " + file + " TEXT_FILE main.c nowhere.txt",
         "source 2: TEXT_FILE 'nowhere.txt' is not a file"},
        {"show " + good + " ALSO FONT Sans " + file + " TEXT B",
         "source 2: FONT and FONT_FILE exclude each other"},
        {"show " + good + " ALSO FONT Sans FACE_INDEX 1 TEXT B",
         "source 2: FACE_INDEX needs FONT_FILE"},
        {"show " + good + " ALSO " + file + " FACE_INDEX -1 TEXT B", "source 2: FACE_INDEX '-1'"},
        {"show " + good + " ALSO " + file + " SET latin1", "source 2: SET 'latin1'"},
        {"show " + good + " ALSO " + file + " RANGE 0x42,zz", "source 2: RANGE item 'zz'"},
        {"show " + good + " ALSO " + file + " TEXT_FILE main.c SYMBOLS_HEADER",
         "SYMBOLS_HEADER needs a value"},
        {"show " + good + " ALSO " + file + " TEXT_FILE SYMBOLS_HEADER s.h",
         "source 2: TEXT_FILE needs a value"},
        {"show " + good + " ALSO " + file + " TEXT B FORMAT lvgl", "FORMAT is given twice"},
        // Only the last source's TEXT is written after "--".
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT -A ALSO " + file + " TEXT B",
         "source 1: TEXT '-A' starts with '-', which only the last source's TEXT may"},
        {"show " + good + " ALSO " + file + " TEXT -B ALSO " + file + " TEXT C",
         "source 2: TEXT '-B' starts with '-'"},
        {"show " + good + " ALSO " + file + " RANGE \"0x42=>0x41\"",
         "ok: rastova-convert: --range: U+0042=>U+0041 of source 2 (" + font +
             ") and U+0041 of source 1 (" + font + ") both write at U+0041"},
        {"nothing " + good, "'nothing' is not a target"},
        {"iface " + good, "'iface' compiles no sources"},
        // What only rastova-convert knows is asked of it now, not at build time.
        {"show NAME f FORMAT table " + file + " SIZE 10 RANGE 0xD800", "surrogate"},
        {"show NAME f FORMAT table " + file + " SIZE 10 TEXT A OPTIONS --cell ink", "--cell"},
        {"show NAME f FORMAT table FONT \"DejaVu Sanz\" SIZE 10 TEXT A",
         "f: rastova-convert: no installed font family is \"DejaVu Sanz\"; did you mean "
         "\"DejaVu Sans\""},
        {"show NAME f FORMAT table FONT \"" + font + "\" SIZE 10 TEXT A",
         "is a file: give it with --font-file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        const commands::Command run = project("rastova_add_font(" + row.call + ")");
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(Has(run.output, "rastova_add_font: ")) << run.output;
        EXPECT_TRUE(Has(Flat(run.output), row.names)) << run.output;
    }
    const commands::Command twice =
        project("rastova_add_font(show " + good + ")\nrastova_add_font(show " + good + ")");
    EXPECT_TRUE(Has(twice.output, "NAME 'ok' is already a font")) << twice.output;
}

// CMake splits lists at ';': TEXT holding one is still one text, its characters in order.
TEST(AddFontArguments, TextKeepsItsSemicolons) {
    const TempDir dir;
    fs::create_directory(dir.Path("src"));
    dir.File("src/main.c", "extern const unsigned char f[];\nint main(void) { return f[0]; }\n");
    dir.File("src/CMakeLists.txt", "cmake_minimum_required(VERSION 3.16)\nproject(semicolons C)\n"
                                   "set(RASTOVA_CONVERT_EXECUTABLE \"" RASTOVA_CONVERT_PATH "\")\n"
                                   "include(\"" RASTOVA_FONT_MODULE "\")\n"
                                   "add_executable(show main.c)\n"
                                   "rastova_add_font(show NAME f FORMAT table FONT_FILE \"" +
                                       testfonts::DejaVuSans() + "\" SIZE 10 TEXT \"a;b;;\")\n");
    const commands::Command configured = Configure(dir.Path("src"), dir.Path("build"));
    ASSERT_EQ(configured.status, 0) << configured.output;
    const commands::Command built = Build(dir.Path("build"));
    ASSERT_EQ(built.status, 0) << built.output;
    const std::string folder = dir.Path("build/rastova");
    const std::vector<std::string> args = RecordedArguments(folder + "/f.args");
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(args.back(), "a;b;;");
    const std::string made = ReadFile(folder + "/f.c");
    const std::size_t a = made.find("U+0061");
    const std::size_t semicolon = made.find("U+003B");
    const std::size_t b = made.find("U+0062");
    ASSERT_NE(semicolon, std::string::npos) << made;
    EXPECT_LT(a, semicolon);
    EXPECT_LT(semicolon, b);
    EXPECT_NE(b, std::string::npos);
    ExpectMadeFromRecord(folder, "f");
}

// The symbols header is made with the font, before the sources that include it are compiled,
// and made again when it is gone.
TEST(AddFontArguments, SymbolsHeaderIsMadeWithTheFont) {
    const TempDir dir;
    fs::create_directory(dir.Path("src"));
    dir.File("src/main.c", "#include \"icons_symbols.h\"\n"
                           "int main(void) { return ICONS_U_F000[0] == '\\xEF' ? 0 : 1; }\n");
    dir.File("src/CMakeLists.txt", "cmake_minimum_required(VERSION 3.16)\nproject(symbols C)\n"
                                   "set(RASTOVA_CONVERT_EXECUTABLE \"" RASTOVA_CONVERT_PATH "\")\n"
                                   "include(\"" RASTOVA_FONT_MODULE "\")\n"
                                   "add_executable(show main.c)\n"
                                   "rastova_add_font(show NAME icons FORMAT table FONT_FILE \"" +
                                       testfonts::DejaVuSans() +
                                       "\" SIZE 10 RANGE 0x41,0xF000 "
                                       "SYMBOLS_HEADER icons_symbols.h)\n");
    const commands::Command configured = Configure(dir.Path("src"), dir.Path("build"));
    ASSERT_EQ(configured.status, 0) << configured.output;
    const std::string header = dir.Path("build/rastova/icons_symbols.h");
    for (const char* when : {"first", "once the header is gone"}) {
        SCOPED_TRACE(when);
        const commands::Command built = Build(dir.Path("build"));
        ASSERT_EQ(built.status, 0) << built.output;
        EXPECT_TRUE(Has(ReadFile(header), "#define ICONS_U_F000 \"\\xEF\\x80\\x80\""))
            << built.output;
        EXPECT_EQ(commands::Shell(Quote(dir.Path("build/show"))).status, 0);
        fs::remove(header);
    }
}

// A FONT that was installed when CMake first ran and is gone when it runs again stops CMake;
// it does not become whatever family fontconfig offers instead.
TEST(AddFontArguments, AFontUninstalledSinceTheLastRunStopsCMake) {
    const TempDir dir;
    fs::create_directory(dir.Path("fonts"));
    fs::copy_file(testfonts::DejaVuSans(), dir.Path("fonts/sans.ttf"));
    fs::copy_file(testfonts::FileFor("DejaVu Serif:style=Book"), dir.Path("fonts/serif.ttf"));
    // The fonts this test installs and removes, and no others.
    const std::string conf =
        dir.File("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" +
                                   dir.Path("fonts") + "</dir>\n  <cachedir>" + dir.Path("cache") +
                                   "</cachedir>\n</fontconfig>\n");
    fs::create_directory(dir.Path("src"));
    dir.File("src/main.c", "int main(void) { return 0; }\n");
    dir.File(
        "src/CMakeLists.txt",
        "cmake_minimum_required(VERSION 3.16)\nproject(uninstalled C)\n"
        "set(RASTOVA_CONVERT_EXECUTABLE \"" RASTOVA_CONVERT_PATH "\")\n"
        "include(\"" RASTOVA_FONT_MODULE "\")\n"
        "add_executable(show main.c)\n"
        "rastova_add_font(show NAME serif FORMAT table FONT \"DejaVu Serif\" SIZE 10 TEXT A)\n");
    const auto configure = [&] {
        return commands::Shell("FONTCONFIG_FILE=" + Quote(conf) + " " + Quote(RASTOVA_CMAKE) +
                               " -S " + Quote(dir.Path("src")) + " -B " + Quote(dir.Path("build")) +
                               " -G Ninja -DCMAKE_MAKE_PROGRAM=" + Quote(RASTOVA_NINJA));
    };
    const commands::Command installed = configure();
    ASSERT_EQ(installed.status, 0) << installed.output;
    fs::remove(dir.Path("fonts/serif.ttf"));
    const commands::Command removed = configure();
    EXPECT_NE(removed.status, 0) << removed.output;
    EXPECT_TRUE(Has(Flat(removed.output),
                    "rastova_add_font: serif: rastova-convert: no installed font "
                    "family is \"DejaVu Serif\"; did you mean \"DejaVu Sans\"?"))
        << removed.output;
}

// '#' art of the ink at (x, y), trimmed to it.
std::vector<std::string> ArtOf(const std::vector<std::pair<int, int>>& ink) {
    if (ink.empty()) {
        return {};
    }
    int left = ink[0].first, right = left, top = ink[0].second, bottom = top;
    for (const auto& [x, y] : ink) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    std::vector<std::string> rows(bottom - top + 1, std::string(right - left + 1, ' '));
    for (const auto& [x, y] : ink) {
        rows[y - top][x - left] = '#';
    }
    return rows;
}

// '#' art of `text` drawn from the strike, trimmed to its ink as the example prints it.
std::vector<std::string> StrikeArt(const std::string& pattern, const std::string& size, bool bold,
                                   const std::u32string& text) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::Pattern(pattern), {pattern, cli::ParseSize(size), bold, false});
    const glyph::Strike strike = glyph::DrawStrike(faces, text);
    std::vector<std::pair<int, int>> ink;
    int pen = 0;
    for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
        for (int y = 0; y < glyph.ink.height(); ++y) {
            for (int x = 0; x < glyph.ink.width(); ++x) {
                if (glyph.ink.At(x, y)) {
                    ink.emplace_back(pen + glyph.left + x, y - glyph.top);
                }
            }
        }
        pen += glyph.advance;
    }
    return ArtOf(ink);
}

// '#' art of the glyph a table font holds at `code` ("U+E000"), trimmed to its ink: read from
// the bytes of its rows, item k of a row holding columns 8k+1..8k+8, the leftmost in bit 0.
std::vector<std::string> TableGlyphArt(const std::string& table, const std::string& code) {
    const std::size_t start = table.find(" " + code + "\n");
    if (start == std::string::npos) {
        return {};
    }
    std::size_t end = table.find("\n// '", start);
    end = end == std::string::npos ? table.find("};", start) : end;
    std::vector<std::pair<int, int>> ink;
    const std::vector<tablerows::Row> rows = tablerows::Parse(table.substr(start, end - start));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t k = 0; k < rows[y].bytes.size(); ++k) {
            for (int bit = 0; bit < 8; ++bit) {
                if ((rows[y].bytes[k] >> bit) & 1) {
                    ink.emplace_back(static_cast<int>(8 * k) + 1 + bit, static_cast<int>(y));
                }
            }
        }
    }
    return ArtOf(ink);
}

// Rastova installed from this build into a prefix of its own, as `cmake --install` does.
class InstalledPackage : public testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = std::make_unique<TempDir>();
        const commands::Command install =
            commands::Shell(Quote(RASTOVA_CMAKE) + " --install " + Quote(RASTOVA_BUILD_DIR) +
                            " --prefix " + Quote(prefix_->Path()));
        ASSERT_EQ(install.status, 0) << install.output;
    }
    static void TearDownTestSuite() { prefix_.reset(); }

    static std::string Prefix() { return fs::path(prefix_->Path()).parent_path().string(); }
    // The project in `source` copied into `dir`/src, so a test may edit it.
    static std::string CopyProject(const TempDir& dir, const std::string& source) {
        fs::copy(source, dir.Path("src"), fs::copy_options::recursive);
        return dir.Path("src");
    }

private:
    static std::unique_ptr<TempDir> prefix_;
};

std::unique_ptr<TempDir> InstalledPackage::prefix_;

TEST_F(InstalledPackage, FontsAreRemadeWhenTheirDeclarationOrFileChangesAndOnlyThen) {
    const TempDir dir;
    const std::string source = CopyProject(dir, RASTOVA_SOURCE_DIR "/tests/packaging/font_project");
    const std::string build = dir.Path("build");
    const std::string made = build + "/rastova";
    const std::string fontFile = dir.Path("copy.ttf");
    fs::copy_file(testfonts::DejaVuSans(), fontFile);
    // The font of the icons' source, a second source after ALSO.
    const std::string iconFile = dir.Path("icons.ttf");
    fs::copy_file(testfonts::FileFor("DejaVu Serif:style=Bold"), iconFile);

    const commands::Command configure =
        Configure(source, build,
                  "-DCMAKE_PREFIX_PATH=" + Quote(Prefix()) + " -DFONT_FILE=" + Quote(fontFile) +
                      " -DICON_FONT_FILE=" + Quote(iconFile));
    ASSERT_EQ(configure.status, 0) << configure.output;
    EXPECT_TRUE(Has(ReadFile(build + "/CMakeCache.txt"),
                    "RASTOVA_CONVERT_EXECUTABLE:FILEPATH=" + Prefix() + "/bin/rastova-convert"));
    const commands::Command first = Build(build);
    ASSERT_EQ(first.status, 0) << first.output;
    EXPECT_TRUE(Has(first.output, "rastova-convert: sans"));
    EXPECT_TRUE(Has(first.output, "rastova-convert: mono"));
    ExpectMadeFromRecord(made, "sans");
    ExpectMadeFromRecord(made, "mono");
    ExpectMadeFromRecord(made, "icons");
    EXPECT_EQ(commands::Shell(Quote(build + "/show")).status, 0);
    // A glyph of each source, drawn by its own font: the first's 'H', the second's 'B' at U+E000.
    const std::string icons = ReadFile(made + "/icons.c");
    const std::vector<std::string> serifB = StrikeArt("DejaVu Serif", "12", true, U"B");
    ASSERT_FALSE(serifB.empty());
    EXPECT_EQ(TableGlyphArt(icons, "U+0048"), StrikeArt("DejaVu Sans", "12", false, U"H"));
    EXPECT_EQ(TableGlyphArt(icons, "U+E000"), serifB);

    // The font a FONT pattern names is a dependency, as a FONT_FILE is.
    const std::string inputs =
        commands::Shell(Quote(RASTOVA_NINJA) + " -C " + Quote(build) + " -t query rastova/sans.c")
            .output;
    EXPECT_TRUE(Has(inputs, testfonts::FileFor("DejaVu Sans"))) << inputs;

    struct Step {
        std::string what;
        std::function<void()> change;
        std::vector<std::string> remade; // fonts the build must remake; the others it must not
    };
    const std::string lists = source + "/CMakeLists.txt";
    const Step steps[] = {
        {"nothing changed", [] {}, {}},
        {"CMake runs again, the declarations as they were",
         [&] { dir.File("src/CMakeLists.txt", ReadFile(lists) + "# a comment\n"); },
         {}},
        {"a font's SIZE",
         [&] { dir.File("src/CMakeLists.txt", Replaced(ReadFile(lists), "SIZE 12", "SIZE 14")); },
         {"sans"}},
        {"a font's TEXT",
         [&] {
             dir.File("src/CMakeLists.txt",
                      Replaced(ReadFile(lists), "TEXT \"Ab\"", "TEXT \"Abc\""));
         },
         {"sans"}},
        {"the font file",
         [&] { fs::last_write_time(fontFile, fs::file_time_type::clock::now()); },
         {"mono", "ui_text", "icons"}},
        {"the second source's font file",
         [&] { fs::last_write_time(iconFile, fs::file_time_type::clock::now()); },
         {"icons"}},
        {"a TEXT_FILE gains a character",
         [&] { dir.File("src/ui_strings.txt", "Hello, world\n\xD0\x96\n"); },
         {"ui_text"}},
        {"a font's OPTIONS",
         [&] {
             dir.File("src/CMakeLists.txt", Replaced(ReadFile(lists), "FORMAT table FONT_FILE",
                                                     "FORMAT table OPTIONS --eol crlf FONT_FILE"));
         },
         {"mono"}},
        {"nothing changed again", [] {}, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const commands::Command run = Build(build);
        ASSERT_EQ(run.status, 0) << run.output;
        for (const char* font : {"sans", "mono", "ui_text", "icons"}) {
            const bool remade =
                std::find(step.remade.begin(), step.remade.end(), font) != step.remade.end();
            EXPECT_EQ(Has(run.output, std::string("rastova-convert: ") + font + " "), remade)
                << font << "\n"
                << run.output;
            if (remade) {
                ExpectMadeFromRecord(made, font);
            }
        }
        // A font's header changes only with its NAME or FORMAT.
        EXPECT_FALSE(Has(run.output, "main.cpp.o")) << run.output;
        if (step.remade.empty()) {
            EXPECT_FALSE(Has(run.output, "Linking")) << run.output;
        }
    }
    // The character the strings gained is in the font, as a table of its own.
    EXPECT_TRUE(Has(ReadFile(made + "/ui_text.c"), "U+0416"));
}

TEST_F(InstalledPackage, FindsTheConverterOnTheBuildMachineInACrossBuild) {
    const TempDir dir;
    const std::string source = CopyProject(dir, RASTOVA_SOURCE_DIR "/tests/packaging/font_project");
    fs::create_directory(dir.Path("sysroot"));
    // As a cross toolchain file sets it: programs, packages and libraries only in the sysroot.
    const commands::Command configure = Configure(
        source, dir.Path("build"),
        "-DRastova_DIR=" + Quote(Prefix() + "/lib/cmake/Rastova") +
            " -DCMAKE_FIND_ROOT_PATH=" + Quote(dir.Path("sysroot")) +
            " -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY"
            " -DCMAKE_C_COMPILER=" RASTOVA_C_COMPILER " -DCMAKE_CXX_COMPILER=" RASTOVA_CXX_COMPILER
            " -DFONT_FILE=" +
            Quote(testfonts::DejaVuSans()) + " -DICON_FONT_FILE=" + Quote(testfonts::DejaVuSans()));
    ASSERT_EQ(configure.status, 0) << configure.output;
    EXPECT_TRUE(Has(ReadFile(dir.Path("build/CMakeCache.txt")),
                    "RASTOVA_CONVERT_EXECUTABLE:FILEPATH=" + Prefix() + "/bin/rastova-convert"));
}

// The rows the example printed under `heading`, up to the next blank line.
std::vector<std::string> PrintedArt(const std::string& output, const std::string& heading) {
    std::vector<std::string> rows;
    std::size_t start = output.find(heading + "\n");
    if (start == std::string::npos) {
        return rows;
    }
    start += heading.size() + 1;
    while (start < output.size() && output[start] != '\n') {
        const std::size_t end = output.find('\n', start);
        rows.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return rows;
}

TEST_F(InstalledPackage, ExampleDrawsTheStrikeAndRemakesOnlyWhatChanged) {
    const TempDir dir;
    const std::string source = CopyProject(dir, RASTOVA_SOURCE_DIR "/examples/terminal_text");
    const std::string build = dir.Path("build");
    const std::string lists = source + "/CMakeLists.txt";
    const commands::Command configure =
        Configure(source, build, "-DCMAKE_PREFIX_PATH=" + Quote(Prefix()));
    ASSERT_EQ(configure.status, 0) << configure.output;

    // The example's declarations, read from its CMakeLists.txt.
    struct Font {
        std::string name, format, pattern, size;
        bool bold;
    };
    const auto declared = [&] {
        // rastova_add_font(terminal_text NAME n FORMAT f FONT "pattern" [BOLD] SIZE s ...)
        std::vector<Font> fonts;
        const std::string text = ReadFile(lists);
        const std::string opening = "rastova_add_font(terminal_text ";
        for (std::size_t at = text.find(opening); at != std::string::npos;
             at = text.find(opening, at + 1)) {
            const std::size_t from = at + opening.size();
            std::istringstream call(text.substr(from, text.find(')', from) - from));
            Font font{};
            for (std::string keyword; call >> keyword;) {
                if (keyword == "NAME") {
                    call >> font.name;
                } else if (keyword == "FORMAT") {
                    call >> font.format;
                } else if (keyword == "FONT") {
                    call >> std::quoted(font.pattern);
                } else if (keyword == "BOLD") {
                    font.bold = true;
                } else if (keyword == "SIZE") {
                    call >> font.size;
                }
            }
            fonts.push_back(font);
        }
        return fonts;
    };
    const std::string text = "Hg, Rastova 0.1!";
    const auto expectArt = [&] {
        const commands::Command run =
            commands::Shell(Quote(build + "/terminal_text") + " " + Quote(text));
        ASSERT_EQ(run.status, 0) << run.output;
        const std::vector<Font> fonts = declared();
        ASSERT_EQ(fonts.size(), 2U);
        for (const Font& font : fonts) {
            SCOPED_TRACE(font.name);
            const std::u32string characters(text.begin(), text.end());
            const std::vector<std::string> expected =
                StrikeArt(font.pattern, font.size, font.bold, characters);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(PrintedArt(run.output, font.format + " " + font.name + ":"), expected)
                << run.output;
        }
    };

    const commands::Command first = Build(build);
    ASSERT_EQ(first.status, 0) << first.output;
    expectArt();
    EXPECT_TRUE(Has(Build(build).output, "no work to do"));

    dir.File("src/CMakeLists.txt", Replaced(ReadFile(lists), "SIZE 16px", "SIZE 20px"));
    const commands::Command remade = Build(build);
    ASSERT_EQ(remade.status, 0) << remade.output;
    EXPECT_TRUE(Has(remade.output, "rastova-convert: sans_gfx ")) << remade.output;
    EXPECT_FALSE(Has(remade.output, "rastova-convert: serif_u8g2 ")) << remade.output;
    expectArt();
    EXPECT_TRUE(Has(Build(build).output, "no work to do"));
}

} // namespace
