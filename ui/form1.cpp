#include "ui/form1.h"

#include "glyph/conversion.h"
#include "glyph/utf8.h"
#include "ui/about.h"
#include "ui/output_box.h"
#include "ui/picture_box.h"
#include "ui/qt_adapters.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>

namespace ui {

namespace {

// About one frame of a 60 Hz display.
constexpr int kRepaintIntervalMs = 16;

constexpr char kInitialText[] =
    QT_TRANSLATE_NOOP("ui::Form1", "Для пометки таблицы\r\nкликните по этому полю.\r\n");
constexpr const char* kPrompt[] = {QT_TRANSLATE_NOOP("ui::Form1", "(нажать клавишу"),
                                   QT_TRANSLATE_NOOP("ui::Form1", "для сканирования"),
                                   QT_TRANSLATE_NOOP("ui::Form1", "символа)")};

QFont OutputFont() {
    QFont font(QStringLiteral("Courier"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    // Where no Courier is installed, any fixed-pitch face keeps the '#' columns aligned.
    font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    font.setFixedPitch(true);
    return font;
}

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent),
      surface_(std::make_unique<glyph::FreeTypeSurface>(ToFontSpec(QApplication::font()))) {
    setWindowTitle(QStringLiteral("Rastova"));

    mnuFont = menuBar()->addAction(tr("Шрифт"));
    mnuFont->setObjectName(QStringLiteral("mnuFont"));
    MenuAbout = menuBar()->addAction(tr("О Программе"));
    MenuAbout->setObjectName(QStringLiteral("MenuAbout"));
    connect(mnuFont, &QAction::triggered, this, &Form1::mnuFont_Click);
    connect(MenuAbout, &QAction::triggered, this, &Form1::MenuAbout_Click);

    auto* client = new QWidget(this);
    client->setFixedSize(TwipsToPixels(7095), TwipsToPixels(3615));
    setCentralWidget(client);

    Picture1 = new PictureBox(*surface_, client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(TwipsRect(120, 120, 2016, 2016));
    connect(Picture1, &PictureBox::keyPressed, this, &Form1::Picture1_KeyPress);

    Text1 = new OutputBox(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(TwipsRect(2400, 120, 4575, 3135));
    Text1->setFont(OutputFont());
    Text1->setText(ToUtf8(tr(kInitialText)));
    connect(Text1, &OutputBox::keyPressed, this, &Form1::Text1_KeyPress);
    connect(Text1, &OutputBox::focusGained, this, &Form1::Text1_GotFocus);
    connect(Text1, &OutputBox::doubleClicked, this, &Form1::Text1_DblClick);

    setTabOrder(Picture1, Text1);
    Picture1->setFocus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form1::~Form1() = default;

bool Form1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void Form1::closeEvent(QCloseEvent* event) {
    // A conversion yielding to the event loop sees this and stops before its next row.
    closing_ = true;
    if (about) {
        about->close();
    }
    QMainWindow::closeEvent(event);
}

void Form1::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Form1::Form_Activate() {
    if (bounds_.ScanHeight > 0) {
        return;
    }
    for (const char* line : kPrompt) {
        surface_->Print(glyph::DecodeUtf8(ToUtf8(tr(line))).value_or(std::u32string()));
    }
    Picture1->refresh();
    bounds_.UpdateScanSize(surface_->FontSize(), false);
}

void Form1::Picture1_KeyPress(char32_t KeyAscii) {
    if (KeyAscii < glyph::kFirstPrintable) {
        return;
    }
    if (converting_) {
        // The running conversion stops at its next row and this one starts in its place.
        pendingKey_ = KeyAscii;
        return;
    }
    converting_ = true;
    // Rows come much faster than a screen refreshes. The event loop runs after every row, but
    // the output box repaints at most once a frame: repainting it (scroll bars included) for
    // every row would cost more than the conversion itself.
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    const auto allowRepaint = [&](bool allow) {
        Text1->setUpdatesEnabled(allow);
        if (allow) {
            sinceRepaint.restart();
        }
    };
    std::optional<char32_t> key = KeyAscii;
    std::string line;
    while (key && !closing_) {
        pendingKey_.reset();
        glyph::Conversion conversion(*surface_, *key, bounds_);
        Picture1->refresh();
        Text1->setText(conversion.header());
        for (int row = 0; row < conversion.rowCount() && !closing_ && !pendingKey_; ++row) {
            line.clear();
            conversion.NextRow(line);
            Text1->appendText(line);
            const bool last = row + 1 == conversion.rowCount();
            if (last || sinceRepaint.elapsed() >= kRepaintIntervalMs) {
                allowRepaint(true);
            }
            DoEvents();
            allowRepaint(last);
        }
        key = pendingKey_;
    }
    allowRepaint(true);
    converting_ = false;
}

void Form1::Text1_KeyPress(char32_t KeyAscii) {
    if (KeyAscii == 1) {
        Text1_GotFocus();
    }
    if (KeyAscii >= glyph::kFirstPrintable) {
        Picture1->setFocus();
        Picture1_KeyPress(KeyAscii);
    }
}

void Form1::Text1_GotFocus() {
    Text1->selectAll();
}

void Form1::Text1_DblClick() {
    Text1_GotFocus();
}

void Form1::mnuFont_Click() {
    const glyph::FontSpec current{surface_->FontName(), surface_->FontSize(), surface_->FontBold(),
                                  surface_->FontItalic()};
    if (const std::optional<glyph::FontSpec> chosen = CommonDialog1.ShowFont(this, current)) {
        ApplyFontChoice(*chosen);
    }
    // Cancelled: font and scan rectangle stay as they were.
}

bool Form1::ApplyFontChoice(const glyph::FontSpec& font) {
    glyph::ScanBounds bounds;
    try {
        bounds.UpdateScanSize(font.size, font.italic);
    } catch (const glyph::ScanSizeError& error) {
        QMessageBox::warning(this, windowTitle(), ToQString(error.what()));
        return false;
    }
    glyph::ApplyFont(*surface_, font);
    // The surface may round the size; the rectangle follows the size it really uses.
    bounds.UpdateScanSize(surface_->FontSize(), font.italic);
    bounds_ = bounds;
    return true;
}

void Form1::MenuAbout_Click() {
    if (!about) {
        about = new About(this);
    }
    about->show();
    about->raise();
    about->activateWindow();
}

} // namespace ui
