#include "ui/about.h"
#include "ui/form1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <string_view>

namespace {

const char* const kUsage = R"(Usage: rastova [OPTIONS]

Opens Rastova's window: pick a font, type a character, and the window draws it and writes it as
a monochrome bitmap table for embedded displays, one line per pixel row (hex byte literals and a
comment drawing the row), ready to copy into C source. rastova-convert converts whole character
sets from the command line.

Options:
  -h, --help        show this help and exit
  --version         show the version and exit

Qt's own options apply as well, for example -platform offscreen or -style fusion.
)";

// --help and --version, answered before Qt starts so they need no display. Returns true when
// one was given.
bool AnswerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (arg == "--version") {
            std::fputs("rastova " RASTOVA_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv)) {
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rastova"));
    QApplication::setDesktopFileName(QStringLiteral("rastova"));
    QApplication::setWindowIcon(ui::RastovaIcon());

    // The window speaks Russian; so should the dialogs Qt provides.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    ui::Form1 form;
    form.show();
    return QApplication::exec();
}
