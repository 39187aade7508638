// The About window.
#include "ui/about.h"
#include "ui/output_box.h"
#include "ui_support.h"

#include <QLabel>
#include <QPushButton>
#include <QWindow>
#include <memory>

using ui::About;
using ui::Form1;

class AboutTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form;

private slots:
    void initTestCase() { test::UseTestFonts(); }
    void init() { QVERIFY(test::ShowForm(form)); }
    void cleanup() { form.reset(); }

    void showsTheProgram() {
        test::Menu(*form, "MenuAbout")->trigger();
        About* about = test::AboutOf(*form);
        QVERIFY(about != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->windowTitle(), QStringLiteral("  О программе"));
        QCOMPARE(about->size(), QSize(393, 209));
        QCOMPARE(test::Control<QLabel>(about, "lblTitle")->text(),
                 QStringLiteral("          Программа       Rastova"));
        QVERIFY(test::Control<QLabel>(about, "lblVersion")
                    ->text()
                    .startsWith(QStringLiteral("Версия:  тестовая")));
        QCOMPARE(test::Control<QLabel>(about, "lblDescription")->text(),
                 QStringLiteral("Описание:     Конвертер шрифтов"));
        QCOMPARE(test::Control<QPushButton>(about, "cmdOK")->text(), QStringLiteral("OK"));
        QCOMPARE(test::Control<QPushButton>(about, "cmdOK")->geometry(), QRect(280, 168, 98, 23));
        const QList<QSize> sizes = about->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(!test::Control<QLabel>(about, "picIcon")->pixmap().isNull());
    }

    void labelsAreNotClipped() {
        test::Menu(*form, "MenuAbout")->trigger();
        About* about = test::AboutOf(*form);
        for (QLabel* label :
             {test::Control<QLabel>(about, "lblTitle"), test::Control<QLabel>(about, "lblVersion"),
              test::Control<QLabel>(about, "lblDescription")}) {
            const QSize needed = label->sizeHint();
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                     qPrintable(label->objectName()));
            QVERIFY2(about->rect().contains(label->geometry()), qPrintable(label->objectName()));
        }
    }

    void isModelessOwnedAndSingle() {
        test::Menu(*form, "MenuAbout")->trigger();
        QPointer<About> first = test::AboutOf(*form);
        QVERIFY(QTest::qWaitForWindowExposed(first));
        test::Menu(*form, "MenuAbout")->trigger();
        QCOMPARE(test::AboutOf(*form), first.data());
        QCOMPARE(form->findChildren<About*>().size(), 1);
        QVERIFY(!first->isModal());
        QCOMPARE(first->parentWidget(), form.get());
        QCOMPARE(first->windowHandle()->transientParent(), form->windowHandle());
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        // The main window still converts while About is open.
        test::Picture1(*form)->setFocus();
        QTest::keyClick(test::Picture1(*form), 'k');
        QVERIFY(test::Text1(*form)->text().find("pixels wide") != std::string::npos);
        QVERIFY(first->isVisible());
    }

    void okDestroysItAndTheNextOneIsFresh() {
        test::Menu(*form, "MenuAbout")->trigger();
        QPointer<About> first = test::AboutOf(*form);
        QTest::mouseClick(test::Control<QPushButton>(first, "cmdOK"), Qt::LeftButton);
        QTRY_VERIFY(first.isNull());
        QVERIFY(test::AboutOf(*form) == nullptr);
        test::Menu(*form, "MenuAbout")->trigger();
        QVERIFY(test::AboutOf(*form) != nullptr);
        QVERIFY(test::AboutOf(*form)->isVisible());
        QCOMPARE(form->findChildren<About*>().size(), 1);
    }

    void returningToTheMainWindowChangesNothing() {
        QTest::keyClick(test::Picture1(*form), 'z');
        const std::string text = test::Text1(*form)->text();
        const auto pixels = test::Pixels(form->surface());
        test::Menu(*form, "MenuAbout")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(test::AboutOf(*form)));
        test::Control<QPushButton>(test::AboutOf(*form), "cmdOK")->click();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(test::Text1(*form)->text(), text);
        QVERIFY(test::Pixels(form->surface()) == pixels);
    }
};

QTEST_MAIN(AboutTest)
#include "about_test.moc"
