#include "ui/qt_adapters.h"

#include <QKeyEvent>
#include <QTest>

class QtAdaptersTest : public QObject {
    Q_OBJECT
private slots:
    void familyWithoutFoundry_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("bare");
        QTest::newRow("foundry") << "Courier [Adobe]"
                                 << "Courier";
        QTest::newRow("plain") << "DejaVu Sans"
                               << "DejaVu Sans";
        QTest::newRow("brackets inside") << "Font [x] Name"
                                         << "Font [x] Name";
        QTest::newRow("trailing space") << "Fixed [Misc] "
                                        << "Fixed";
    }
    void familyWithoutFoundry() {
        QFETCH(QString, family);
        QFETCH(QString, bare);
        QCOMPARE(ui::FamilyWithoutFoundry(family), bare);
    }

    void keyAscii_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code"); // -1: none
        QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a" << int('a');
        QTest::newRow("ctrl+a") << int(Qt::Key_A) << int(Qt::ControlModifier) << "" << 1;
        QTest::newRow("ctrl+c") << int(Qt::Key_C) << int(Qt::ControlModifier) << "\x03" << 3;
        QTest::newRow("cyrillic") << 0 << 0 << "Ж" << 0x416;
        QTest::newRow("astral") << 0 << 0 << "\U0001F600" << 0x1F600;
        QTest::newRow("enter") << int(Qt::Key_Return) << 0 << "\r" << 13;
        QTest::newRow("arrow") << int(Qt::Key_Left) << 0 << "" << -1;
        QTest::newRow("shift") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "" << -1;
    }
    void keyAscii() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(int, code);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        const std::optional<char32_t> got = ui::KeyAsciiOf(event);
        QCOMPARE(got ? static_cast<int>(*got) : -1, code);
    }

    void lineEnds() {
        const std::string text = "// X (8 pixels wide)\r\n0x00, //         \r\n";
        const QString plain = ui::CrLfToLf(text);
        QVERIFY(!plain.contains(QLatin1Char('\r')));
        QCOMPARE(ui::LfToCrLf(plain), text);
        QCOMPARE(ui::LfToCrLf(QStringLiteral("a") + QChar::ParagraphSeparator + "b"),
                 std::string("a\r\nb"));
    }

    void fontSpec() {
        QFont pixels(QStringLiteral("DejaVu Sans"));
        pixels.setPixelSize(16);
        QCOMPARE(ui::ToFontSpec(pixels).size, 12.0F);
        const glyph::FontSpec original{"DejaVu Serif", 9.75F, true, true};
        const glyph::FontSpec back = ui::ToFontSpec(ui::ToQFont(original));
        QCOMPARE(back.family, original.family);
        QCOMPARE(back.size, original.size);
        QVERIFY(back.bold && back.italic);
    }
};

QTEST_MAIN(QtAdaptersTest)
#include "qt_adapters_test.moc"
