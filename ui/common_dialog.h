// The font dialog the font command shows.
#pragma once

#include "glyph/surface.h"

#include <optional>

class QWidget;

namespace ui {

class CommonDialog {
public:
    // Shows the font dialog, modal to parent, starting from `current`: the desktop's own where
    // the platform has one and the application allows it (Qt::AA_DontUseNativeDialogs). The
    // chosen font, or nothing when the user cancels.
    std::optional<glyph::FontSpec> ShowFont(QWidget* parent, const glyph::FontSpec& current);
};

} // namespace ui
