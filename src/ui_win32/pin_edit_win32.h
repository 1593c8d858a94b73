// The four-digit PIN field over a common edit control: its text keeps the blanks in front of
// the typed digits, as the Qt window's PIN field does.
#pragma once

#include <windows.h>

#include <string>

// The edit control cannot put blanks first, so the field keeps the typed digits itself: the
// text is always four characters (blanks, then the digits), and while the field has the focus
// each untyped position shows as "_". Anything but a digit, and a digit beyond the fourth, is
// refused with a beep.
class PinEdit {
 public:
  static constexpr std::size_t kPositions = 4;

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
  // Inserts digits in place of a whole selection (or at the end); refuses the whole insertion
  // when it holds anything but digits or would make more than four.
  bool InsertDigits(const std::wstring& typed);
  void DeleteBackward();
  void Paste();
  void Render();
  bool WholeSelection() const;

  HWND edit_;
  std::wstring digits_;
};
