#include "ui/output_box.h"

#include "ui/qt_adapters.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

namespace ui {

OutputBox::OutputBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUndoRedoEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
}

void OutputBox::setText(std::string_view text) {
    setPlainText(CrLfToLf(text));
}

void OutputBox::appendText(std::string_view text) {
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(CrLfToLf(text));
}

std::string OutputBox::text() const {
    return LfToCrLf(toPlainText());
}

void OutputBox::selectAll() {
    // Anchor at the end so the view stays where the selection started: at the top.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

bool OutputBox::isAllSelected() const {
    const QTextCursor cursor = textCursor();
    return cursor.selectionStart() == 0 &&
           cursor.selectionEnd() == document()->characterCount() - 1;
}

void OutputBox::keyPressEvent(QKeyEvent* event) {
    const std::optional<char32_t> code = KeyAsciiOf(*event);
    if (code) {
        emit keyPressed(*code);
        if (*code >= 32) {
            return; // a read-only box does nothing with a typed character
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void OutputBox::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    focusedByClick_ = event->reason() == Qt::MouseFocusReason;
    emit focusGained();
}

void OutputBox::mousePressEvent(QMouseEvent* event) {
    // The click that brings the focus keeps the whole text selected, so one click is enough to
    // select the table; later clicks place the caret and select as usual.
    if (focusedByClick_) {
        focusedByClick_ = false;
        event->accept();
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
}

void OutputBox::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit doubleClicked();
}

QMimeData* OutputBox::createMimeDataFromSelection() const {
    // Copy the text as the box holds it, CR LF included.
    auto* data = new QMimeData;
    data->setText(ToQString(LfToCrLf(textCursor().selectedText())));
    return data;
}

} // namespace ui
