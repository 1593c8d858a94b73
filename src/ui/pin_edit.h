// A four-digit PIN field whose text keeps its blanks in front of the typed digits.
#pragma once

#include <QLineEdit>
#include <QString>

// Qt's input masks fill positions from the left and cannot put the blanks first, so the field
// keeps the typed digits itself: the text is always four characters (blanks, then the digits),
// and while the field has the focus each untyped position shows as "_". Anything but a digit,
// and a digit beyond the fourth, is refused.
class PinEdit : public QLineEdit {
 public:
  static constexpr int kPositions = 4;

  explicit PinEdit(QWidget* parent = nullptr);

  // Always kPositions characters: blanks in front of the typed digits.
  QString PinText() const;
  // Keeps the digits of `text` in their order, at most four; everything else is dropped.
  void SetPinText(const QString& text);
  // The typed digits without the blanks.
  const QString& Digits() const { return digits_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  // Inserts digits in place of the selection (or at the end); refuses the whole insertion
  // when it holds anything but digits or would make more than four.
  bool InsertDigits(const QString& typed);
  void DeleteBackward();
  void Render();
  bool WholeSelection() const;

  QString digits_;
};
