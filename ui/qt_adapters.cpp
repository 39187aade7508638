#include "ui/qt_adapters.h"

#include <QKeyEvent>
#include <QRegularExpression>

namespace ui {

QString FamilyWithoutFoundry(const QString& family) {
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]\\s*$"));
    QString bare = family;
    bare.remove(foundry);
    return bare;
}

glyph::FontSpec ToFontSpec(const QFont& font) {
    glyph::FontSpec spec;
    spec.family = ToUtf8(FamilyWithoutFoundry(font.family()));
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0) {
        points = font.pixelSize() * 72.0 / 96.0;
    }
    spec.size = static_cast<float>(points);
    spec.bold = font.bold();
    spec.italic = font.italic();
    return spec;
}

QFont ToQFont(const glyph::FontSpec& spec) {
    QFont font(ToQString(spec.family));
    if (spec.size > 0) {
        font.setPointSizeF(spec.size);
    }
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    return font;
}

std::optional<char32_t> KeyAsciiOf(const QKeyEvent& event) {
    const int key = event.key();
    if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return static_cast<char32_t>(key - Qt::Key_A + 1);
    }
    const QList<uint> codes = event.text().toUcs4();
    if (codes.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<char32_t>(codes.front());
}

QString CrLfToLf(std::string_view text) {
    QString converted = ToQString(text);
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return converted;
}

std::string LfToCrLf(const QString& text) {
    QString converted = text;
    converted.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    converted.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return ToUtf8(converted);
}

} // namespace ui
