// The About window: the program's name, version and purpose.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace ui {

class About : public QDialog {
    Q_OBJECT
public:
    // Modeless, owned by parent; destroyed when closed.
    explicit About(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void cmdOK_Click();

private:
    // The controls, each with its name as object name.
    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;
};

// The program's icon, 16 x 16 and 32 x 32.
QIcon RastovaIcon();

} // namespace ui
