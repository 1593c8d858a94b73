// A four-digit PIN field whose text keeps its blanks in front of the typed digits.
#include "ui/pin_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>

PinEdit::PinEdit(QWidget* parent) : QLineEdit(parent) {
  setMaxLength(kPositions);
  // Paste and drop would bypass the key filter; paste stays available through Ctrl+V.
  setContextMenuPolicy(Qt::NoContextMenu);
  setDragEnabled(false);
  setAcceptDrops(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  Render();
}

QString PinEdit::PinText() const { return QString::fromStdU16String(digits_.Text()); }

void PinEdit::SetPinText(const QString& text) {
  digits_.Assign(text.toStdU16String());
  Render();
}

// A selection that starts at the first position and covers every digit replaces them all.
bool PinEdit::WholeSelection() const {
  return hasSelectedText() && selectionStart() == 0 &&
         static_cast<std::size_t>(selectionLength()) >= digits_.Count();
}

bool PinEdit::InsertDigits(const QString& typed) {
  if (!digits_.Insert(typed.toStdU16String(), WholeSelection())) return false;
  Render();
  return true;
}

void PinEdit::DeleteBackward() {
  digits_.DeleteBackward(WholeSelection());
  Render();
}

void PinEdit::Render() {
  QLineEdit::setText(QString::fromStdU16String(digits_.Shown(hasFocus())));
  setCursorPosition(static_cast<int>(digits_.Count()));
}

void PinEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    if (!InsertDigits(QApplication::clipboard()->text().trimmed())) QApplication::beep();
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    event->accept();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      DeleteBackward();
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      // Left to the window: default buttons and focus moves.
      QLineEdit::keyPressEvent(event);
      return;
    default:
      break;
  }
  const QString typed = event->text();
  if (!typed.isEmpty() && typed.at(0).isPrint()) {
    if (!InsertDigits(typed)) QApplication::beep();
  }
  // Caret moves and other editing keys would place the caret among the digits, where typing
  // could not go; they are swallowed.
  event->accept();
}

void PinEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  Render();
  if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
    setSelection(0, static_cast<int>(digits_.Count()));
  }
}

void PinEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  Render();
}

void PinEdit::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (!hasSelectedText()) setCursorPosition(static_cast<int>(digits_.Count()));
}

void PinEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && !InsertDigits(event->commitString())) QApplication::beep();
  event->accept();
}
