// The four-digit PIN field over a common edit control: its text keeps the blanks in front of
// the typed digits, as the Qt window's PIN field does.
#pragma once

#include <windows.h>

#include <string>

#include "controller/pin_digits.h"

// The edit control cannot put blanks first, so the field keeps the typed digits itself, by the
// PIN field's rules (PinDigits); what is refused is answered with a beep.
class PinEdit {
 public:
  static constexpr std::size_t kPositions = PinDigits::kPositions;

  // Takes over the edit control's keyboard and text.
  explicit PinEdit(HWND edit);
  ~PinEdit();
  PinEdit(const PinEdit&) = delete;
  PinEdit& operator=(const PinEdit&) = delete;

  // Always kPositions characters: blanks in front of the typed digits.
  std::wstring PinText() const;
  // Keeps the digits of `text` in their order, at most four; everything else is dropped.
  void SetPinText(const std::wstring& text);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                               DWORD_PTR self);
  bool Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // Inserts digits in place of a whole selection (or at the end); false when refused.
  bool InsertDigits(const std::wstring& typed);
  void DeleteBackward();
  void Paste();
  void Render();
  bool WholeSelection() const;

  HWND edit_;
  PinDigits digits_;
};
