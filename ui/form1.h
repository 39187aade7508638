// The main window: drawing surface, output box, font command and About.
#pragma once

#include "glyph/freetype_surface.h"
#include "glyph/scan_geometry.h"
#include "ui/common_dialog.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class QAction;

namespace ui {

class About;
class OutputBox;
class PictureBox;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Puts a font chosen in the dialog on the surface and sizes the scan rectangle for it. A
    // size too large for the rectangle is refused with a message and changes nothing.
    bool ApplyFontChoice(const glyph::FontSpec& font);

    glyph::ScanBounds scanBounds() const { return bounds_; }
    glyph::Surface& surface() { return *surface_; }
    bool isConverting() const { return converting_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void Form_Activate();
    void Picture1_KeyPress(char32_t KeyAscii);
    void Text1_KeyPress(char32_t KeyAscii);
    void Text1_GotFocus();
    void Text1_DblClick();
    void mnuFont_Click();
    void MenuAbout_Click();

private:
    void DoEvents();

    // The controls, each with its name as object name.
    PictureBox* Picture1 = nullptr;
    OutputBox* Text1 = nullptr;
    CommonDialog CommonDialog1;
    QAction* mnuFont = nullptr;
    QAction* MenuAbout = nullptr;
    QPointer<About> about;

    std::unique_ptr<glyph::FreeTypeSurface> surface_;
    glyph::ScanBounds bounds_;
    bool converting_ = false;
    bool closing_ = false;
    // A key typed while a conversion is yielding; it replaces that conversion.
    std::optional<char32_t> pendingKey_;
};

} // namespace ui
