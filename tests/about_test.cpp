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
        form->MenuAbout_Click();
        About* about = form->about;
        QVERIFY(about != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->windowTitle(), QStringLiteral("  О программе"));
        QCOMPARE(about->size(), QSize(393, 209));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("          Программа       Rastova"));
        QVERIFY(about->lblVersion->text().startsWith(QStringLiteral("Версия:  тестовая")));
        QCOMPARE(about->lblDescription->text(), QStringLiteral("Описание:     Конвертер шрифтов"));
        QCOMPARE(about->cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(about->cmdOK->geometry(), QRect(280, 168, 98, 23));
        const QList<QSize> sizes = about->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(!about->picIcon->pixmap().isNull());
    }

    void labelsAreNotClipped() {
        form->MenuAbout_Click();
        About* about = form->about;
        for (QLabel* label : {about->lblTitle, about->lblVersion, about->lblDescription}) {
            const QSize needed = label->sizeHint();
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                     qPrintable(label->objectName()));
            QVERIFY2(about->rect().contains(label->geometry()), qPrintable(label->objectName()));
        }
    }

    void isModelessOwnedAndSingle() {
        form->MenuAbout_Click();
        QPointer<About> first = form->about;
        QVERIFY(QTest::qWaitForWindowExposed(first));
        form->MenuAbout_Click();
        QCOMPARE(form->about, first);
        QCOMPARE(form->findChildren<About*>().size(), 1);
        QVERIFY(!first->isModal());
        QCOMPARE(first->parentWidget(), form.get());
        QCOMPARE(first->windowHandle()->transientParent(), form->windowHandle());
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        // The main window still converts while About is open.
        form->Picture1->setFocus();
        QTest::keyClick(form->Picture1, 'k');
        QVERIFY(form->Text1->text().find("pixels wide") != std::string::npos);
        QVERIFY(first->isVisible());
    }

    void okDestroysItAndTheNextOneIsFresh() {
        form->MenuAbout_Click();
        QPointer<About> first = form->about;
        QTest::mouseClick(first->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(first.isNull());
        QVERIFY(form->about.isNull());
        form->MenuAbout_Click();
        QVERIFY(!form->about.isNull());
        QVERIFY(form->about->isVisible());
        QCOMPARE(form->findChildren<About*>().size(), 1);
    }

    void returningToTheMainWindowChangesNothing() {
        QTest::keyClick(form->Picture1, 'z');
        const std::string text = form->Text1->text();
        const auto pixels = test::Pixels(form->surface());
        form->MenuAbout_Click();
        QVERIFY(QTest::qWaitForWindowActive(form->about));
        form->about->cmdOK_Click();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(form->Text1->text(), text);
        QVERIFY(test::Pixels(form->surface()) == pixels);
    }
};

QTEST_MAIN(AboutTest)
#include "about_test.moc"
