// A four-digit PIN field whose text keeps its blanks in front of the typed digits.
#pragma once

#include <QLineEdit>
#include <QString>

#include "controller/pin_digits.h"

// Qt's input masks fill positions from the left and cannot put the blanks first, so the field
// keeps the typed digits itself, by the PIN field's rules (PinDigits).
class PinEdit : public QLineEdit {
 public:
  static constexpr int kPositions = static_cast<int>(PinDigits::kPositions);

  explicit PinEdit(QWidget* parent = nullptr);

  // Always kPositions characters: blanks in front of the typed digits.
  QString PinText() const;
  // Keeps the digits of `text` in their order, at most four; everything else is dropped.
  void SetPinText(const QString& text);
  // The typed digits without the blanks.
  QString Digits() const { return QString::fromStdU16String(digits_.Digits()); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  // Inserts digits in place of a whole selection (or at the end); false when refused.
  bool InsertDigits(const QString& typed);
  void DeleteBackward();
  void Render();
  bool WholeSelection() const;

  PinDigits digits_;
};
