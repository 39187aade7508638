#include "ui/common_dialog.h"

#include "ui/qt_adapters.h"

#include <QFontDialog>
#include <QFontInfo>

namespace ui {

namespace {

// The font to open the dialog on, named by the family and style of the face it matches. Without
// a style name Qt's dialog preselects a style of its own guessing (for DejaVu Sans, Condensed or
// Oblique), and accepting the dialog unchanged would switch to it.
QFont DialogFont(const glyph::FontSpec& choice) {
    QFont font = ToQFont(choice);
    const QFontInfo matched(font);
    font.setFamily(matched.family());
    font.setStyleName(matched.styleName());
    return font;
}

} // namespace

std::optional<glyph::FontSpec> CommonDialog::ShowFont(QWidget* parent,
                                                      const glyph::FontSpec& current) {
    QFontDialog dialog(DialogFont(current), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return ToFontSpec(dialog.selectedFont());
}

} // namespace ui
