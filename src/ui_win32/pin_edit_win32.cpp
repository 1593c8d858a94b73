// The four-digit PIN field over a common edit control.
#include "ui_win32/pin_edit_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "ui_win32/layout_builder_win32.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

std::wstring Trimmed(std::wstring text) {
  const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  return {first, text.end()};
}

std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!::OpenClipboard(owner)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

}  // namespace

PinEdit::PinEdit(HWND edit) : edit_(edit) {
  ::SendMessageW(edit_, EM_SETLIMITTEXT, kPositions, 0);
  ::SetWindowSubclass(edit_, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  Render();
}

PinEdit::~PinEdit() { ::RemoveWindowSubclass(edit_, Proc, kSubclassId); }

std::wstring PinEdit::PinText() const { return Wide(digits_.Text()); }

void PinEdit::SetPinText(const std::wstring& text) {
  digits_.Assign(Native(text));
  Render();
}

// A selection that starts at the first position and covers every digit replaces them all.
bool PinEdit::WholeSelection() const {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return end > start && start == 0 && end - start >= digits_.Count();
}

bool PinEdit::InsertDigits(const std::wstring& typed) {
  if (!digits_.Insert(Native(typed), WholeSelection())) return false;
  Render();
  return true;
}

void PinEdit::DeleteBackward() {
  digits_.DeleteBackward(WholeSelection());
  Render();
}

void PinEdit::Paste() {
  if (!InsertDigits(Trimmed(ClipboardText(edit_)))) ::MessageBeep(MB_OK);
}

void PinEdit::Render() {
  const std::wstring shown = Wide(digits_.Shown(::GetFocus() == edit_));
  ::DefSubclassProc(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  const auto caret = static_cast<WPARAM>(digits_.Count());
  ::DefSubclassProc(edit_, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

bool PinEdit::Handle(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_CHAR: {
      const auto typed = static_cast<wchar_t>(wparam);
      if (typed == L'\b') {
        DeleteBackward();
      } else if (typed == 0x01) {  // Ctrl+A
        ::DefSubclassProc(edit_, EM_SETSEL, 0, -1);
      } else if (typed == 0x16) {  // Ctrl+V
        Paste();
      } else if (typed >= L' ' && !InsertDigits(std::wstring(1, typed))) {
        ::MessageBeep(MB_OK);
      }
      return true;
    }
    case WM_KEYDOWN:
      switch (wparam) {
        case VK_DELETE:
          DeleteBackward();
          return true;
        // Caret moves would place the caret among the digits, where typing could not go.
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END:
        case VK_UP:
        case VK_DOWN:
          return true;
        default:
          return false;
      }
    case WM_PASTE:
      Paste();
      return true;
    // Cut, clear, undo and the context menu would bypass the digit rules.
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case WM_CONTEXTMENU:
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK PinEdit::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                               DWORD_PTR self) {
  auto* pin = reinterpret_cast<PinEdit*>(self);
  if (pin->Handle(message, wparam, lparam)) return 0;
  const LRESULT result = ::DefSubclassProc(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      pin->Render();
      break;
    case WM_LBUTTONUP: {
      DWORD start = 0;
      DWORD end = 0;
      ::SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      if (start == end) pin->Render();
      break;
    }
    default:
      break;
  }
  return result;
}
