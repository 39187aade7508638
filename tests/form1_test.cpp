// The main window, driven as a user would, offscreen.
#include "ui/output_box.h"
#include "ui/picture_box.h"
#include "ui/qt_adapters.h"
#include "ui_support.h"

#include <QClipboard>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <memory>

using ui::Form1;

class Form1Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form;

    std::string CoreTextNow(char32_t c) {
        return test::CoreText(test::SurfaceFont(form->surface()), form->scanBounds(), c);
    }

private slots:
    void initTestCase() { test::UseTestFonts(); }

    void init() { QVERIFY(test::ShowForm(form)); }
    void cleanup() { form.reset(); }

    void layout() {
        QCOMPARE(form->windowTitle(), QStringLiteral("Rastova"));
        QCOMPARE(form->centralWidget()->size(), QSize(473, 241));
        QCOMPARE(test::Picture1(*form)->geometry(), QRect(8, 8, 134, 134));
        QCOMPARE(test::Text1(*form)->geometry(), QRect(160, 8, 305, 209));
        QCOMPARE(test::Menu(*form, "mnuFont")->text(), QStringLiteral("Шрифт"));
        QCOMPARE(test::Menu(*form, "MenuAbout")->text(), QStringLiteral("О Программе"));
        QVERIFY(test::Menu(*form, "mnuFont")->menu() == nullptr);
        QVERIFY(test::Menu(*form, "MenuAbout")->menu() == nullptr);
        QCOMPARE(test::Text1(*form)->text(),
                 std::string("Для пометки таблицы\r\nкликните по этому полю.\r\n"));
        QVERIFY(QFontInfo(test::Text1(*form)->font()).fixedPitch());
        QVERIFY(test::Text1(*form)->isReadOnly());
    }

    void startPrintsPromptAndSizesTheScan() {
        const int lineHeight = 20;
        QVERIFY(test::InkInRows(form->surface(), 0, lineHeight) > 20);
        QVERIFY(test::InkInRows(form->surface(), lineHeight, 3 * lineHeight) > 40);
        glyph::ScanBounds expected;
        expected.UpdateScanSize(9, false); // the application font's size
        QCOMPARE(form->scanBounds(), expected);
        QCOMPARE(QApplication::focusWidget(), test::Picture1(*form));
    }

    void keyTypedAtStartConverts() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::NoModifier);
        QCOMPARE(test::Text1(*form)->text(), CoreTextNow(U'a'));
        QCOMPARE(test::InkInRows(form->surface(), 30, glyph::kMinExtent), 0);
    }

    void cyrillicKeyConverts() {
        test::TypeText(test::Picture1(*form), QStringLiteral("Ж"));
        const std::string text = test::Text1(*form)->text();
        QCOMPARE(text, CoreTextNow(U'\u0416'));
        QVERIFY(text.find('#') != std::string::npos);
    }

    void keyTypedIntoText1MovesFocusAndConverts() {
        QTest::keyClick(test::Picture1(*form), Qt::Key_X);
        test::Text1(*form)->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), test::Text1(*form));
        QTest::keyClick(test::Text1(*form), 'B');
        QCOMPARE(QApplication::focusWidget(), test::Picture1(*form));
        QCOMPARE(test::Text1(*form)->text(), CoreTextNow(U'B'));
        QCOMPARE(test::CountOf(test::Text1(*form)->text(), "pixels wide"), 1);
    }

    void selectAll_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("tab") << "tab";
        QTest::newRow("click") << "click";
        QTest::newRow("double-click") << "double-click";
        QTest::newRow("ctrl+a") << "ctrl+a";
    }
    void selectAll() {
        QFETCH(QString, how);
        QTest::keyClick(test::Picture1(*form), Qt::Key_M);
        QWidget* viewport = test::Text1(*form)->viewport();
        if (how == "tab") {
            QTest::keyClick(test::Picture1(*form), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), test::Text1(*form));
        } else if (how == "click") {
            QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(40, 40));
        } else {
            // Focus first, then place the caret so nothing is selected.
            test::Text1(*form)->setFocus(Qt::OtherFocusReason);
            QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(40, 40));
            QVERIFY(!test::Text1(*form)->isAllSelected());
            if (how == "double-click") {
                QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(40, 40));
            } else {
                QTest::keyClick(test::Text1(*form), Qt::Key_A, Qt::ControlModifier);
            }
        }
        QVERIFY(test::Text1(*form)->isAllSelected());
        QVERIFY(test::Text1(*form)->textCursor().selectedText().size() > 100);
        QCOMPARE(test::Text1(*form)->verticalScrollBar()->value(), 0); // the view stays at the top
    }

    void copyGivesTheTextAsHeld() {
        QTest::keyClick(test::Picture1(*form), Qt::Key_M);
        test::Text1(*form)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(test::Text1(*form), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ui::ToUtf8(QApplication::clipboard()->text()), test::Text1(*form)->text());
    }

    void controlKeysChangeNothing_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("intoText1");
        const std::pair<const char*, std::pair<int, int>> keys[] = {
            {"enter", {Qt::Key_Return, Qt::NoModifier}},
            {"backspace", {Qt::Key_Backspace, Qt::NoModifier}},
            {"escape", {Qt::Key_Escape, Qt::NoModifier}},
            {"ctrl+c", {Qt::Key_C, Qt::ControlModifier}},
            {"ctrl+a", {Qt::Key_A, Qt::ControlModifier}},
        };
        for (const auto& [name, key] : keys) {
            for (bool intoText1 : {false, true}) {
                QTest::addRow("%s into %s", name, intoText1 ? "Text1" : "Picture1")
                    << key.first << key.second << intoText1;
            }
        }
    }
    void controlKeysChangeNothing() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, intoText1);
        QTest::keyClick(test::Picture1(*form), Qt::Key_Q);
        const std::string text = test::Text1(*form)->text();
        const auto pixels = test::Pixels(form->surface());
        QWidget* target =
            intoText1 ? static_cast<QWidget*>(test::Text1(*form)) : test::Picture1(*form);
        target->setFocus();
        QTest::keyClick(target, static_cast<Qt::Key>(key),
                        static_cast<Qt::KeyboardModifiers>(modifiers));
        QCOMPARE(test::Text1(*form)->text(), text);
        QVERIFY(test::Pixels(form->surface()) == pixels);
    }

    void secondActivationPrintsNoPrompt() {
        QTest::keyClick(test::Picture1(*form), Qt::Key_Period);
        const auto pixels = test::Pixels(form->surface());
        const glyph::ScanBounds bounds = form->scanBounds();
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(form.get(), &activate);
        QVERIFY(test::Pixels(form->surface()) == pixels);
        QCOMPARE(form->scanBounds(), bounds);
    }

    // A key typed while rows are still appearing, into either box, stops that table at its next
    // row and converts the new key in its place.
    void keyDuringConversionRestartsIt_data() {
        QTest::addColumn<bool>("intoText1");
        QTest::newRow("into Picture1") << false;
        QTest::newRow("into Text1") << true;
    }
    void keyDuringConversionRestartsIt() {
        QFETCH(bool, intoText1);
        QVERIFY(form->ApplyFontChoice({"DejaVu Sans", 72}));
        const int fullTable = form->scanBounds().ScanHeight;
        int typed = 0;
        // Looking between two rows: the lines in the box and the ink of the character drawn,
        // which changes when the second conversion begins.
        int seenLines = 0;
        int seenInk = -1;
        int firstTable = -1; // lines the first table had when the second replaced it
        QTimer timer;
        connect(&timer, &QTimer::timeout, form.get(), [&] {
            if (!form->isConverting()) {
                return;
            }
            const int ink = test::InkInRows(form->surface(), 0, glyph::kMinExtent);
            if (firstTable < 0 && seenInk >= 0 && ink != seenInk) {
                firstTable = seenLines;
            }
            seenInk = ink;
            seenLines = test::CountOf(test::Text1(*form)->text(), "\r\n");
            if (typed == 0) {
                ++typed;
                QTest::keyClick(intoText1 ? static_cast<QWidget*>(test::Text1(*form))
                                          : test::Picture1(*form),
                                'W');
            }
        });
        timer.start(0);
        QTest::keyClick(test::Picture1(*form), 'I');
        QCOMPARE(typed, 1);
        QVERIFY2(firstTable > 0 && firstTable < fullTable / 4,
                 qPrintable(QStringLiteral("the first table ran to %1 lines of %2")
                                .arg(firstTable)
                                .arg(fullTable)));
        const std::string text = test::Text1(*form)->text();
        QCOMPARE(test::CountOf(text, "pixels wide"), 1);
        QCOMPARE(text, CoreTextNow(U'W'));
    }

    // The rectangle and face of a table are those in force when its conversion started.
    void fontChangeDuringConversionKeepsTheTableWhole() {
        QVERIFY(form->ApplyFontChoice({"DejaVu Sans", 72}));
        const std::string expected = CoreTextNow(U'H');
        bool changed = false;
        QTimer timer;
        connect(&timer, &QTimer::timeout, form.get(), [&] {
            if (!changed && form->isConverting()) {
                changed = true;
                QVERIFY(form->ApplyFontChoice({"DejaVu Serif", 20, false, true}));
            }
        });
        timer.start(0);
        QTest::keyClick(test::Picture1(*form), 'H');
        QVERIFY(changed);
        QCOMPARE(test::Text1(*form)->text(), expected);
        QCOMPARE(form->scanBounds().ScanWidth, 40);
    }

    void closingDuringConversionEndsCleanly() {
        QVERIFY(form->ApplyFontChoice({"DejaVu Sans", 300}));
        QTimer::singleShot(0, form.get(), [&] { form->close(); });
        QTest::keyClick(test::Picture1(*form), 'O');
        QVERIFY(!form->isConverting());
        QVERIFY(!form->isVisible());
        const std::string text = test::Text1(*form)->text();
        QVERIFY(test::CountOf(text, "\r\n") < form->scanBounds().ScanHeight + 2);
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
