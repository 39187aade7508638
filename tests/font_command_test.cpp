// The font command, driving Qt's own font dialog offscreen.
#include "ui/output_box.h"
#include "ui/qt_adapters.h"
#include "ui_support.h"

#include <QFontDatabase>
#include <QTimer>
#include <memory>

using ui::Form1;

class FontCommandTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form;

    // Runs the font command, answering its dialog with `font`, or cancelling it.
    void ChooseFont(const std::optional<QFont>& font) {
        bool answered = false;
        QTimer::singleShot(0, form.get(), [&] {
            QFontDialog* dialog = test::ActiveFontDialog();
            QVERIFY(dialog != nullptr);
            QVERIFY(dialog->isModal());
            answered = true;
            if (font) {
                dialog->setCurrentFont(*font);
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        test::Menu(*form, "mnuFont")->trigger();
        QVERIFY(answered);
    }

    // A font as the dialog offers it: a family's style, picked by name.
    static QFont Font(const QString& family, int points, bool bold, bool italic) {
        const bool sans = family.contains(QLatin1String("Sans"));
        const QString slant = italic ? (sans ? "Oblique" : "Italic") : "";
        QString style = bold ? "Bold" : "";
        style = (style + " " + slant).trimmed();
        QFont font = QFontDatabase::font(family, style.isEmpty() ? "Book" : style, points);
        if (font.bold() != bold || font.italic() != italic) {
            qWarning() << "no such style" << family << style;
        }
        return font;
    }

private slots:
    void initTestCase() { test::UseTestFonts(); }
    void init() { QVERIFY(test::ShowForm(form)); }
    void cleanup() { form.reset(); }

    void choiceSizesTheScan_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("width");
        QTest::newRow("10 pt") << Font("DejaVu Sans", 10, false, false) << 18 << 16;
        QTest::newRow("10 pt italic") << Font("DejaVu Sans", 10, false, true) << 18 << 24;
        QTest::newRow("10 pt bold") << Font("DejaVu Sans", 10, true, false) << 18 << 16;
        QTest::newRow("24 pt serif bold italic")
            << Font("DejaVu Serif", 24, true, true) << 43 << 48;
    }
    void choiceSizesTheScan() {
        QFETCH(QFont, font);
        QFETCH(int, height);
        QFETCH(int, width);
        ChooseFont(font);
        QCOMPARE(form->scanBounds().ScanHeight, height);
        QCOMPARE(form->scanBounds().ScanWidth, width);
        glyph::Surface& surface = form->surface();
        QCOMPARE(ui::ToQString(surface.FontName()), font.family());
        QCOMPARE(surface.FontSize(), static_cast<float>(font.pointSizeF()));
        QCOMPARE(surface.FontBold(), font.bold());
        QCOMPARE(surface.FontItalic(), font.italic());
    }

    // Opening the dialog and accepting it as it stands keeps the font.
    void acceptingUnchangedKeepsTheFont_data() {
        QTest::addColumn<QFont>("font");
        QTest::newRow("regular") << Font("DejaVu Sans", 10, false, false);
        QTest::newRow("bold") << Font("DejaVu Sans", 12, true, false);
        QTest::newRow("italic") << Font("DejaVu Serif", 14, false, true);
    }
    void acceptingUnchangedKeepsTheFont() {
        QFETCH(QFont, font);
        ChooseFont(font);
        const glyph::FontSpec before = test::SurfaceFont(form->surface());
        bool answered = false;
        QTimer::singleShot(0, form.get(), [&] {
            answered = true;
            test::ActiveFontDialog()->accept();
        });
        test::Menu(*form, "mnuFont")->trigger();
        QVERIFY(answered);
        const glyph::FontSpec after = test::SurfaceFont(form->surface());
        QCOMPARE(after.family, before.family);
        QCOMPARE(after.size, before.size);
        QCOMPARE(after.bold, before.bold);
        QCOMPARE(after.italic, before.italic);
    }

    void choiceLeavesTheSurfaceAsDrawn() {
        const auto pixels = test::Pixels(form->surface());
        ChooseFont(Font("DejaVu Serif", 30, false, false));
        QVERIFY(test::Pixels(form->surface()) == pixels);
    }

    void cancelChangesNothing() {
        ChooseFont(Font("DejaVu Serif", 14, false, true));
        const glyph::FontSpec before = test::SurfaceFont(form->surface());
        const glyph::ScanBounds bounds = form->scanBounds();
        ChooseFont(std::nullopt);
        const glyph::FontSpec after = test::SurfaceFont(form->surface());
        QCOMPARE(after.family, before.family);
        QCOMPARE(after.size, before.size);
        QCOMPARE(after.italic, before.italic);
        QCOMPARE(form->scanBounds(), bounds);
    }

    void cancelBeforeAnyChoiceKeepsTheStartFont() {
        const glyph::ScanBounds bounds = form->scanBounds();
        ChooseFont(std::nullopt);
        QCOMPARE(form->scanBounds(), bounds);
        QCOMPARE(form->surface().FontSize(), 9.0F);
    }

    void nextHeaderNamesTheFace() {
        ChooseFont(Font("DejaVu Serif", 12, false, false));
        QTest::keyClick(test::Picture1(*form), 'g');
        QVERIFY(test::Text1(*form)->text().starts_with("// DejaVu Serif (24 pixels wide)\r\n"));
    }

    void familyWithFoundryFindsItsFace() {
        QVERIFY(form->ApplyFontChoice(ui::ToFontSpec(QFont("DejaVu Sans Mono [PfEd]", 12))));
        QCOMPARE(form->surface().FontName(), std::string("DejaVu Sans Mono"));
    }

    void oversizedChoiceIsRefused() {
        const glyph::ScanBounds bounds = form->scanBounds();
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();
            }
        });
        QVERIFY(!form->ApplyFontChoice({"DejaVu Sans", 30000}));
        QCOMPARE(form->scanBounds(), bounds);
        QCOMPARE(form->surface().FontSize(), 9.0F);
    }
};

QTEST_MAIN(FontCommandTest)
#include "font_command_test.moc"
