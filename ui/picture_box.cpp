#include "ui/picture_box.h"

#include "ui/qt_adapters.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <vector>

namespace ui {

PictureBox::PictureBox(glyph::Surface& surface, QWidget* parent)
    : QWidget(parent), surface_(surface) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
    QImage image(width(), height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    std::vector<glyph::Colour> row(static_cast<std::size_t>(width()));
    const int rows = std::min(height(), surface_.Height());
    const int columns = std::min(width(), surface_.Width());
    for (int y = 0; y < rows; ++y) {
        surface_.ReadRow(y, columns, row.data());
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < columns; ++x) {
            const glyph::Colour c = row[x];
            line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    const std::optional<char32_t> code = KeyAsciiOf(*event);
    if (!code) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit keyPressed(*code);
}

} // namespace ui
