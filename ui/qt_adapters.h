// Conversions between Qt types and the glyph core's types, kept in one place.
#pragma once

#include "glyph/surface.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

class QKeyEvent;

namespace ui {

inline QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// Window layouts are given in twips, 1/1440 inch: 15 twips a pixel at 96 dpi.
constexpr int TwipsToPixels(int twips) {
    return (twips + 7) / 15;
}
inline QRect TwipsRect(int left, int top, int width, int height) {
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

// "Courier [Adobe]" -> "Courier": Qt names a family with its foundry when several foundries
// offer it; fontconfig looks up the bare family.
QString FamilyWithoutFoundry(const QString& family);

// The four properties the drawing surface takes from a Qt font. A font sized in pixels is
// converted to points at 96 dpi.
glyph::FontSpec ToFontSpec(const QFont& font);
QFont ToQFont(const glyph::FontSpec& font);

// The character code a key press types: the Unicode code point of its text, or for Ctrl with a
// letter the control code (Ctrl+A is 1). Keys that type nothing (arrows, Shift alone) give none.
std::optional<char32_t> KeyAsciiOf(const QKeyEvent& event);

// Text with CR LF line ends, as the output box hands it out, to the LF-separated text a Qt
// document takes, and back.
QString CrLfToLf(std::string_view text);
std::string LfToCrLf(const QString& text);

} // namespace ui
