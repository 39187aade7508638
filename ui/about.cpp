#include "ui/about.h"

#include "ui/qt_adapters.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

// The icons are compiled into this static library; register them before first use.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace ui {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& where) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText); // keeps runs of spaces
    label->setGeometry(where);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

QIcon RastovaIcon() {
    InitIconResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/rastova-16.xpm"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/rastova-32.xpm"), QSize(32, 32));
    return icon;
}

About::About(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(tr("  О программе"));
    setWindowIcon(RastovaIcon());
    setFixedSize(TwipsToPixels(5895), TwipsToPixels(3135));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(TwipsRect(240, 240, 735, 735));
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(RastovaIcon().pixmap(32, 32));

    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    titleFont.setBold(true);
    lblTitle = MakeLabel(this, "lblTitle", tr("          Программа       Rastova"),
                         TwipsRect(1080, 240, 4092, 480));
    lblTitle->setFont(titleFont);
    lblVersion =
        MakeLabel(this, "lblVersion", tr("Версия:  тестовая ") + QStringLiteral(RASTOVA_VERSION),
                  TwipsRect(1080, 780, 4092, 228));
    lblDescription = MakeLabel(this, "lblDescription", tr("Описание:     Конвертер шрифтов"),
                               TwipsRect(1056, 1128, 4092, 1044));
    lblDescription->setWordWrap(true);

    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(TwipsRect(4200, 2520, 1467, 345));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &About::cmdOK_Click);
}

void About::cmdOK_Click() {
    close();
}

void About::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // An etched separator: a grey line with a white one just below it.
    QPainter painter(this);
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.drawLine(QPoint(TwipsToPixels(240), TwipsToPixels(2280)),
                     QPoint(TwipsToPixels(5672), TwipsToPixels(2280)));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPoint(TwipsToPixels(240), TwipsToPixels(2290) + 1),
                     QPoint(TwipsToPixels(5657), TwipsToPixels(2290) + 1));
}

} // namespace ui
