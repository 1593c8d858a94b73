// MessageWindow for Windows: the small window over the wizard with a message and a Close button.
#include "ui_win32/message_window_win32.h"

namespace {

constexpr const wchar_t* kMessageFormClass = L"RodiduzMessageForm";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// Owned by the wizard, so it stays above the wizard only, not above every other program.
constexpr DWORD kExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

MessageWindow::MessageWindow(HINSTANCE instance, HWND owner, Win32Resources& resources, const MessageCatalogue& texts)
    : owner_(owner) {
  hwnd_ = CreateTopLevelWindow(
      instance, {kMessageFormClass, Proc, kStyle, kExtendedStyle, "The message window cannot be created"},
      LayoutWindow::MessageWindow, owner, resources, texts, this);
  built_ = std::make_unique<BuiltWindow>(LayoutWindow::MessageWindow, hwnd_, resources, texts);
  label_ = built_->Find("Label1");
  button_ = built_->Find("Button1");
}

MessageWindow::~MessageWindow() {
  if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

void MessageWindow::ShowInfo(const NativeString& text, bool close_button) {
  built_->SetVisible(*button_, close_button);
  SetText(text);
  if (!placed_) {
    placed_ = true;
    CentreOverOwner();
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
  // With Close shown, Return or Space answers the message at once.
  if (close_button) ::SetFocus(button_->hwnd);
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, label_->hwnd, OBJID_WINDOW, CHILDID_SELF);
  ::NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

void MessageWindow::SetText(const NativeString& text) {
  ::SetWindowTextW(label_->hwnd, Wide(text).c_str());
  // A text longer than the label's box grows the label and the window by as much.
  built_->GrowForShownTexts();
}

void MessageWindow::Hide() { ::ShowWindow(hwnd_, SW_HIDE); }

bool MessageWindow::WaitsForClose() const { return ::IsWindowVisible(hwnd_) && CloseShown(); }

bool MessageWindow::CloseShown() const { return button_->visible; }

bool MessageWindow::TranslateDialogMessage(MSG& message) {
  return ::IsWindowVisible(hwnd_) && ::IsDialogMessageW(hwnd_, &message);
}

void MessageWindow::CentreOverOwner() {
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

LRESULT CALLBACK MessageWindow::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = static_cast<MessageWindow*>(TopLevelSelf(hwnd, message, lparam));
  if (self == nullptr || self->built_ == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT MessageWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (built_->Handle(message, wparam, lparam, result)) return result;
  switch (message) {
    // Close is the default and the cancel button, but only while it can be seen.
    case DM_GETDEFID:
      return CloseShown() ? MAKELRESULT(button_->id, DC_HASDEFID) : 0;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if ((id == button_->id || id == IDCANCEL) && CloseShown()) Hide();
      return 0;
    }
    case WM_CLOSE:
      Hide();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}
