#include "ui/about.h"
#include "ui/form1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

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

constexpr char kNoDisplay[] = "rastova: no display: set DISPLAY, or use rastova-convert\n";

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// True when Qt has nowhere to show the window: no X or Wayland display and no platform chosen by
// QT_QPA_PLATFORM or -platform.
bool NoDisplay(int argc, char** argv) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) {
        return false;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform") {
            return false;
        }
    }
    return true;
}

// While Qt opens its platform (a display that does not answer, a missing plugin), its messages
// are held back: when it gives up, only one line is printed and the status is 2, as for every
// other refusal, instead of Qt's page of advice and an abort.
class StartupMessages {
public:
    StartupMessages() { previous_ = qInstallMessageHandler(&StartupMessages::Hold); }
    ~StartupMessages() { Release(); }
    StartupMessages(const StartupMessages&) = delete;
    StartupMessages& operator=(const StartupMessages&) = delete;

    // Qt started: the messages held are shown as Qt would have shown them.
    void Release() {
        if (released_) {
            return;
        }
        released_ = true;
        qInstallMessageHandler(previous_);
        for (const Held& message : held_) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
            previous_(message.type, context, message.text);
        }
        held_.clear();
    }

private:
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString text;
    };

    static void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtFatalMsg) {
            std::fputs(kNoDisplay, stderr);
            std::_Exit(2);
        }
        held_.push_back({type, QByteArray(context.category), text});
    }

    static inline std::vector<Held> held_;
    QtMessageHandler previous_ = nullptr;
    bool released_ = false;
};

} // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv)) {
        return 0;
    }
    if (NoDisplay(argc, argv)) {
        std::fputs(kNoDisplay, stderr);
        return 2;
    }
    StartupMessages startup;
    QApplication app(argc, argv);
    startup.Release();
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
