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
    glyph::FontSpec choice;
    choice.family = ToUtf8(FamilyWithoutFoundry(font.family()));
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0) {
        points = font.pixelSize() * 72.0 / 96.0;
    }
    choice.size = static_cast<float>(points);
    choice.bold = font.bold();
    choice.italic = font.italic();
    return choice;
}

QFont ToQFont(const glyph::FontSpec& choice) {
    QFont font(ToQString(choice.family));
    if (choice.size > 0) {
        font.setPointSizeF(choice.size);
    }
    font.setBold(choice.bold);
    font.setItalic(choice.italic);
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
