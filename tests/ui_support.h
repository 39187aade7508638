// Helpers shared by the window tests.
#pragma once

#include "glyph/freetype_surface.h"
#include "tests/conversion_support.h"
#include "ui/about.h"
#include "ui/form1.h"
#include "ui/output_box.h"
#include "ui/picture_box.h"

#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QKeyEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

namespace test {

// DejaVu everywhere, so the results do not depend on the desktop.
inline void UseTestFonts() {
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
}

// A fresh main window, shown and active, with Qt's own font dialog so tests can drive it.
inline bool ShowForm(std::unique_ptr<ui::Form1>& form) {
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    form = std::make_unique<ui::Form1>();
    form->show();
    return QTest::qWaitForWindowActive(form.get());
}

// A window's control, found by its name; a missing one ends the test run.
template <typename T> T* Control(const QObject* window, const char* name) {
    T* control = window->findChild<T*>(QLatin1String(name));
    if (control == nullptr) {
        qFatal("no control named %s", name);
    }
    return control;
}
inline ui::PictureBox* Picture1(const ui::Form1& form) {
    return Control<ui::PictureBox>(&form, "Picture1");
}
inline ui::OutputBox* Text1(const ui::Form1& form) {
    return Control<ui::OutputBox>(&form, "Text1");
}
inline QAction* Menu(const ui::Form1& form, const char* name) {
    return Control<QAction>(&form, name);
}
// The About window the main window shows, or nullptr.
inline ui::About* AboutOf(const ui::Form1& form) {
    return form.findChild<ui::About*>();
}
// The font dialog being shown, or nullptr.
inline QFontDialog* ActiveFontDialog() {
    return qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
}

// What the core produces for c in that font and rectangle, CR LF line ends.
inline std::string CoreText(const glyph::FontSpec& font, glyph::ScanBounds bounds, char32_t c) {
    glyph::FreeTypeSurface surface(font);
    return test::ConvertToText(surface, c, bounds);
}

inline glyph::FontSpec SurfaceFont(glyph::Surface& surface) {
    return {surface.FontName(), surface.FontSize(), surface.FontBold(), surface.FontItalic()};
}

// Every pixel of the visible part of a surface.
inline std::vector<glyph::Colour> Pixels(const glyph::Surface& surface) {
    std::vector<glyph::Colour> pixels;
    for (int y = 0; y < glyph::kMinExtent; ++y) {
        for (int x = 0; x < glyph::kMinExtent; ++x) {
            pixels.push_back(surface.Point(x, y));
        }
    }
    return pixels;
}

inline int InkInRows(const glyph::Surface& surface, int from, int to) {
    int ink = 0;
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < glyph::kMinExtent; ++x) {
            ink += surface.Point(x, y) == glyph::kInk;
        }
    }
    return ink;
}

// Types text the way an input method delivers it: a key event with no key code, only text.
// (QTest::keyClicks cannot send characters outside Latin-1.)
inline void TypeText(QWidget* widget, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

inline int CountOf(const std::string& text, std::string_view what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

} // namespace test
