// Key press to last row shown, in the real window drawn offscreen.
#include "ui/form1.h"
#include "ui/output_box.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

void Type(QWidget* widget, QChar c) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    ui::Form1 form;
    form.show();
    QApplication::processEvents();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);
    auto* const Picture1 = form.findChild<ui::PictureBox*>(QStringLiteral("Picture1"));
    auto* const Text1 = form.findChild<ui::OutputBox*>(QStringLiteral("Text1"));
    if (Picture1 == nullptr || Text1 == nullptr) {
        std::fputs("the window has no Picture1 or Text1\n", stderr);
        return 1;
    }

    std::printf("%-6s %6s %8s %12s %12s\n", "size", "rows", "chars", "median ms", "us per row");
    const struct {
        float size;
        int runs;
    } cases[] = {{10, 41}, {72, 21}, {300, 7}};
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (const auto& c : cases) {
        form.ApplyFontChoice({"DejaVu Sans", c.size, false, false});
        Type(Picture1, QLatin1Char('W')); // warm-up: font lookup, first layout
        std::vector<double> times;
        for (int run = 0; run < c.runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            Type(Picture1, letters[run % letters.size()]);
            const auto end = std::chrono::steady_clock::now();
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        const int rows = form.scanBounds().ScanHeight + 1;
        std::printf("%-6.0f %6d %8zu %12.2f %12.1f\n", c.size, rows, Text1->text().size(), median,
                    median * 1000.0 / rows);
    }
    return 0;
}
