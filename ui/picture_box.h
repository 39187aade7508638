// Shows the top-left corner of a drawing surface and takes typed characters.
#pragma once

#include "glyph/surface.h"

#include <QWidget>

namespace ui {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(glyph::Surface& surface, QWidget* parent = nullptr);

    // Shows what is on the surface now.
    void refresh() { update(); }

signals:
    // The code of every character typed while the box has the focus.
    void keyPressed(char32_t KeyAscii);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    glyph::Surface& surface_;
};

} // namespace ui
