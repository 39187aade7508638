// The font dialog the font command shows.
#pragma once

#include "glyph/surface.h"

#include <QFontDialog>
#include <QPointer>
#include <optional>

class QWidget;

namespace ui {

class CommonDialog {
public:
    // Shows the font dialog, modal to parent, starting from `current`. The chosen font, or
    // nothing when the user cancels.
    std::optional<glyph::FontSpec> ShowFont(QWidget* parent, const glyph::FontSpec& current);

    // Qt's own dialog instead of the desktop's; tests drive it through activeDialog().
    void setUseNativeDialog(bool native) { native_ = native; }
    QFontDialog* activeDialog() const { return active_; }

private:
    bool native_ = true;
    QPointer<QFontDialog> active_;
};

} // namespace ui
