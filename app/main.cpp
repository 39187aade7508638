#include "ui/about.h"
#include "ui/form1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
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
