// Shows the top-left corner of a drawing surface and takes typed characters.
#pragma once

#include "glyph/surface.h"

#include <QWidget>
#include <functional>

namespace ui {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(glyph::Surface& surface, QWidget* parent = nullptr);

    // Called with the code of every character typed while the box has the focus.
    std::function<void(char32_t KeyAscii)> onKeyPress;

    // Shows what is on the surface now.
    void refresh() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    glyph::Surface& surface_;
};

} // namespace ui
