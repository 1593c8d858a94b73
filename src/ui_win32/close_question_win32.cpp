// The question after a failed save of the log: a dialog made from a template in memory. A
// system message box cannot be used: with Yes and No and no Cancel it ignores Esc.
#include "ui_win32/close_question_win32.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/user_text.h"
#include "controller/window_layout.h"
#include "ui_win32/error_display_win32.h"
#include "ui_win32/layout_builder_win32.h"

namespace {

constexpr WORD kIconId = 10;
constexpr WORD kTextId = 11;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;
constexpr DWORD kDialogStyle = DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
// Dialog units: the margin, the space between the buttons, the text's width and a button's size.
constexpr int kMargin = 7;
constexpr int kButtonSpacing = 4;
constexpr int kTextWidth = 220;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

// A dialog template as DialogBoxIndirectParam reads it: the header, then each item on a
// DWORD boundary. The items' places are set when the dialog is laid out.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, const std::wstring& face, WORD points, DWORD extended_style) {
    Long(kDialogStyle);
    Long(extended_style);
    count_at_ = words_.size();
    Word(0);
    for (int i = 0; i < 4; ++i) Word(0);  // x, y, cx, cy
    Word(0);                              // no menu
    Word(0);                              // the dialog class
    Text(title);
    Word(points);
    Text(face);
  }

  void Add(DWORD style, WORD id, WORD class_atom, const std::wstring& text) {
    if (words_.size() % 2 != 0) Word(0);
    Long(style | WS_CHILD | WS_VISIBLE);
    Long(0);
    for (int i = 0; i < 4; ++i) Word(0);  // x, y, cx, cy
    Word(id);
    Word(0xFFFF);
    Word(class_atom);
    Text(text);
    Word(0);  // no creation data
    ++words_[count_at_];
  }

  const DLGTEMPLATE* Data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD value) { words_.push_back(value); }
  void Long(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(const std::wstring& text) {
    words_.insert(words_.end(), text.begin(), text.end());
    Word(0);
  }

  std::vector<WORD> words_;
  std::size_t count_at_ = 0;
};

// Dialog units to pixels in the dialog's font.
RECT DialogUnitsToPixels(HWND dialog, int left, int top, int width, int height) {
  RECT box{left, top, left + width, top + height};
  ::MapDialogRect(dialog, &box);
  return box;
}

// The height the question's text takes at `width` pixels in the dialog's font.
int TextHeight(HWND dialog, const std::wstring& text, int width) {
  HDC dc = ::GetDC(dialog);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
  RECT box{0, 0, width, 0};
  ::DrawTextW(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  ::SelectObject(dc, old);
  ::ReleaseDC(dialog, dc);
  return box.bottom;
}

void Place(HWND dialog, int id, int left, int top, int width, int height) {
  ::SetWindowPos(::GetDlgItem(dialog, id), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog's frame around a client area of the given size, centred over its owner.
void SizeAndCentre(HWND dialog, int client_width, int client_height) {
  RECT frame{0, 0, client_width, client_height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(dialog, GWL_EXSTYLE)));
  RECT around{};
  HWND owner = ::GetWindow(dialog, GW_OWNER);
  if (owner == nullptr || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &around)) {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(dialog, nullptr, (around.left + around.right - width) / 2,
                 (around.top + around.bottom - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The warning icon left of the text, the text as tall as it needs, Yes and No right-aligned
// below.
void LayOut(HWND dialog) {
  const int margin = DialogUnitsToPixels(dialog, 0, 0, kMargin, 0).right;
  const int spacing = DialogUnitsToPixels(dialog, 0, 0, kButtonSpacing, 0).right;
  const RECT button = DialogUnitsToPixels(dialog, 0, 0, kButtonWidth, kButtonHeight);
  const int icon = ::GetSystemMetrics(SM_CXICON);
  const int text_left = margin + icon + margin;
  const int text_width = DialogUnitsToPixels(dialog, 0, 0, kTextWidth, 0).right;
  const std::wstring text = WindowText(::GetDlgItem(dialog, kTextId));
  const int text_height = TextHeight(dialog, text, text_width);
  Place(dialog, kIconId, margin, margin, icon, icon);
  Place(dialog, kTextId, text_left, margin, text_width, text_height);

  const int client_width = text_left + text_width + margin;
  const int buttons_top = margin + std::max(icon, text_height) + margin;
  const int no_left = client_width - margin - button.right;
  Place(dialog, IDNO, no_left, buttons_top, button.right, button.bottom);
  Place(dialog, IDYES, no_left - spacing - button.right, buttons_top, button.right, button.bottom);

  SizeAndCentre(dialog, client_width, buttons_top + button.bottom + margin);
}

INT_PTR CALLBACK QuestionProc(HWND dialog, UINT message, WPARAM wparam, LPARAM /*lparam*/) {
  switch (message) {
    case WM_INITDIALOG:
      ::SendDlgItemMessageW(dialog, kIconId, STM_SETICON,
                            reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_WARNING)), 0);
      LayOut(dialog);
      ::SendMessageW(dialog, DM_SETDEFID, IDNO, 0);
      ::SetFocus(::GetDlgItem(dialog, IDNO));
      ::MessageBeep(MB_ICONWARNING);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      // Esc and the title bar's close box come as IDCANCEL: both are No.
      if (LOWORD(wparam) == IDYES || LOWORD(wparam) == IDNO || LOWORD(wparam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wparam) == IDYES ? IDYES : IDNO);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool AskToCloseWithoutLog(HWND owner) {
  // Mirrored in a language written right to left: the icon on the right, Yes and No on the left.
  DialogTemplate question(ApplicationTitle(), L"MS Shell Dlg", 8, MirroredStyleFor(ProgramTexts()));
  question.Add(SS_ICON, kIconId, kStaticClass, L"");
  const auto shown = [](const char* english) { return Wide(ShownText(ProgramTexts(), english)); };
  question.Add(SS_LEFT | SS_NOPREFIX, kTextId, kStaticClass, shown(kCloseWithoutLogQuestion));
  question.Add(BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, IDYES, kButtonClass, shown(kCloseWithoutLogYes));
  question.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, IDNO, kButtonClass, shown(kCloseWithoutLogNo));
  return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), question.Data(), owner, QuestionProc, 0) ==
         IDYES;
}
