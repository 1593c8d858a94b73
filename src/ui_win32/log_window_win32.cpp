// The "Wizard log" window for Windows: the log so far, growing while the wizard runs, to read,
// select, copy and save, and where the log is saved; built from its rows of the layout table.
#include "ui_win32/log_window_win32.h"

#include <string_view>

#include "ui_win32/error_display_win32.h"

namespace {

constexpr const wchar_t* kLogWindowClass = L"RodiduzLogWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExtendedStyle = WS_EX_CONTROLPARENT;

}  // namespace

Win32LogWindow::Win32LogWindow(HINSTANCE instance, HWND owner, Win32Resources& resources, Wizard& wizard)
    : owner_(owner), wizard_(wizard) {
  hwnd_ = CreateTopLevelWindow(
      instance, {kLogWindowClass, Proc, kStyle, kExtendedStyle, "The log window cannot be created"},
      LayoutWindow::LogForm, owner, resources, wizard.Texts(), this);
  built_ = std::make_unique<BuiltWindow>(LayoutWindow::LogForm, hwnd_, resources, wizard.Texts());
  note_ = built_->Find(kLogNoteName);
  text_ = built_->Find(kLogTextName);
  place_ = built_->Find(kLogPlaceName);
}

Win32LogWindow::~Win32LogWindow() {
  if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

HWND Win32LogWindow::ControlHandle(const char* name) const {
  const BuiltComponent* component = built_->Find(name);
  return component != nullptr ? component->hwnd : nullptr;
}

void Win32LogWindow::ShowWithPlace(const std::wstring& place) {
  built_->SetLabelText(*place_, place);
  const bool opening = !::IsWindowVisible(hwnd_);
  if (!placed_) {
    placed_ = true;
    CentreOverOwner();
  }
  ::ShowWindow(hwnd_, ::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(hwnd_);
  TakeLines();
  if (opening) {
    // The newest line in sight, and the keyboard in the text, ready to select.
    ::SetFocus(text_->hwnd);
    ShowNewestLine();
  }
}

void Win32LogWindow::TakeLines() {
  const LogWindowFeed::Batch batch = wizard_.Log().window_feed.Take();
  built_->SetLabelText(*note_, Wide(batch.note));
  built_->SetVisible(*note_, !batch.note.empty());
  if (batch.remove_oldest == 0 && batch.add.empty()) return;
  HWND edit = text_->hwnd;
  // The text follows the newest line while it is scrolled to the end; otherwise it keeps the
  // lines in sight and the user's selection where they are.
  SCROLLINFO scroll{sizeof scroll, SIF_ALL, 0, 0, 0, 0, 0};
  const bool following =
      !::GetScrollInfo(edit, SB_VERT, &scroll) || scroll.nPos + static_cast<int>(scroll.nPage) > scroll.nMax;
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const auto first_visible = static_cast<long>(::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  ::SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
  const std::size_t removed = RemoveOldestLines(batch.remove_oldest);
  AppendLines(batch.add);
  const auto shifted = [removed](DWORD at) { return at > removed ? static_cast<WPARAM>(at - removed) : 0; };
  ::SendMessageW(edit, EM_SETSEL, shifted(start), static_cast<LPARAM>(shifted(end)));
  if (following) {
    ::SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
  } else {
    const long wanted = first_visible > static_cast<long>(batch.remove_oldest)
                            ? first_visible - static_cast<long>(batch.remove_oldest)
                            : 0;
    ::SendMessageW(edit, EM_LINESCROLL, 0,
                   wanted - static_cast<long>(::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0)));
  }
  ::SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(edit, nullptr, TRUE);
}

std::size_t Win32LogWindow::RemoveOldestLines(std::size_t count) {
  if (count == 0) return 0;
  HWND edit = text_->hwnd;
  // Every line when the text holds no more than that.
  LRESULT kept_from = ::SendMessageW(edit, EM_LINEINDEX, count, 0);
  if (kept_from < 0) kept_from = ::GetWindowTextLengthW(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, kept_from);
  ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  return static_cast<std::size_t>(kept_from);
}

void Win32LogWindow::AppendLines(const std::vector<NativeString>& lines) {
  if (lines.empty()) return;
  HWND edit = text_->hwnd;
  const int length = ::GetWindowTextLengthW(edit);
  std::wstring joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0 || length > 0) joined += L"\r\n";
    joined += Wide(lines[i]);
  }
  ::SendMessageW(edit, EM_SETSEL, length, length);
  ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(joined.c_str()));
}

// The caret at the start of the last line, scrolled into sight.
void Win32LogWindow::ShowNewestLine() {
  HWND edit = text_->hwnd;
  const LRESULT last = ::SendMessageW(edit, EM_GETLINECOUNT, 0, 0) - 1;
  const LRESULT at = ::SendMessageW(edit, EM_LINEINDEX, last > 0 ? last : 0, 0);
  ::SendMessageW(edit, EM_SETSEL, at, at);
  ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

bool Win32LogWindow::TranslateDialogMessage(MSG& message) {
  return ::IsWindowVisible(hwnd_) && ::IsDialogMessageW(hwnd_, &message);
}

LRESULT CALLBACK Win32LogWindow::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = static_cast<Win32LogWindow*>(TopLevelSelf(hwnd, message, lparam));
  if (self == nullptr || self->built_ == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT Win32LogWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (built_->Handle(message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case DM_GETDEFID:
      return DefaultButton();
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

void Win32LogWindow::OnCommand(int id, int code) {
  // Esc, through the dialog manager.
  if (id == IDCANCEL) {
    Close();
    return;
  }
  const BuiltComponent* component = built_->FindById(id);
  if (component == nullptr || code != BN_CLICKED) return;
  const std::string_view name = component->row->name;
  if (name == kLogCloseName) {
    Close();
    return;
  }
  Guarded(hwnd_, [&] {
    if (name == kLogCopyAllName) wizard_.CopyWholeLog();
    if (name == kLogSaveAsName) wizard_.SaveLogAs();
  });
}

// As a dialog does: the control that had the focus gets it back with the window; at first the text.
void Win32LogWindow::OnActivate(bool active) {
  HWND focused = ::GetFocus();
  if (!active) {
    if (focused != nullptr && ::IsChild(hwnd_, focused)) focus_before_deactivation_ = focused;
    return;
  }
  ::SetFocus(focus_before_deactivation_ != nullptr ? focus_before_deactivation_ : text_->hwnd);
}

void Win32LogWindow::Close() {
  ::ShowWindow(hwnd_, SW_HIDE);
  // Closed, it takes no lines; reopened, it takes what came meanwhile.
  wizard_.Log().window_feed.Close();
}

// Return presses the focused button, as Space does; in the text it presses nothing.
LRESULT Win32LogWindow::DefaultButton() const {
  const BuiltComponent* focused = built_->FindByHandle(::GetFocus());
  if (focused == nullptr || focused->row->kind != ComponentKind::Button) return 0;
  return MAKELRESULT(focused->id, DC_HASDEFID);
}

void Win32LogWindow::CentreOverOwner() {
  RECT area{};
  if (owner_ != nullptr && ::IsWindowVisible(owner_)) {
    ::GetWindowRect(owner_, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own{};
  ::GetWindowRect(hwnd_, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  ::SetWindowPos(hwnd_, nullptr, (area.left + area.right - width) / 2, (area.top + area.bottom - height) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
