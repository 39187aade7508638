// The multi-line output box: read-only text the user selects and copies.
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

namespace ui {

// Holds text with CR LF line ends. Appending is linear in the length of what is appended.
class OutputBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit OutputBox(QWidget* parent = nullptr);

    void setText(std::string_view text);
    void appendText(std::string_view text);
    // The whole text, CR LF line ends.
    std::string text() const;
    // Selects the whole text.
    void selectAll();
    bool isAllSelected() const;

signals:
    // A character typed into the box; a printable one goes no further.
    void keyPressed(char32_t KeyAscii);
    void focusGained();
    void doubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    bool focusedByClick_ = false;
};

} // namespace ui
