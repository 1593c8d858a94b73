// The main window for Windows: the layout's components as common controls, implementing
// WizardView, keeping the wizard's timers, and forwarding each event to the wizard.
#include "ui_win32/main_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/translations.h"
#include "common/user_text.h"
#include "link/library_search_win32.h"
#include "ui_win32/close_question_win32.h"
#include "ui_win32/error_display_win32.h"

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExtendedStyle = WS_EX_CONTROLPARENT;
// A catalogue-mirror line handed over from another thread: WPARAM the list, LPARAM a
// std::wstring the window takes over.
constexpr UINT kDebugItemMessage = WM_APP + 1;
// Lines wait in the log's debug mirror: the window applies them to its list.
constexpr UINT kLogMirrorMessage = WM_APP + 2;
// Lines wait for the log window: it takes them.
constexpr UINT kLogWindowMessage = WM_APP + 3;
// "Show wizard log" in the system menu and Ctrl+L: a system menu's own item keeps the low four
// bits clear, and no control has so low an identifier.
constexpr UINT kShowLogCommand = 0x0010;

// Each timer's identifier: one more than its number, as 0 is none.
UINT_PTR TimerId(WizardTimer timer) { return static_cast<UINT_PTR>(timer) + 1; }

// The notification by which each kind of control says the user worked it; a change made from
// code sends none.
std::optional<int> UserNotification(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::Button:
    case ComponentKind::BitButton:
    case ComponentKind::CheckBox:
      return BN_CLICKED;
    case ComponentKind::ComboBox:
      return CBN_SELCHANGE;
    case ComponentKind::Link:
      return STN_CLICKED;
    default:
      return std::nullopt;
  }
}

// The address exactly as handed over; the shell is loaded when a link is first opened. 0 when it
// opened, else the system's error.
DWORD ShellExecuteOpen(HWND owner, const std::wstring& target) {
  using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
  static const auto shell_execute =
      AsFunction<ShellExecuteExFunction>(SystemFunction(L"shell32.dll", "ShellExecuteExW"));
  if (shell_execute == nullptr) return ERROR_MOD_NOT_FOUND;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The message is the wizard's own, with the system's reason in it.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpVerb = L"open";
  info.lpFile = target.c_str();
  info.nShow = SW_SHOWNORMAL;
  return shell_execute(&info) ? ERROR_SUCCESS : ::GetLastError();
}

// Save as...'s file dialog, loaded when first asked for, as the shell is: the name chosen, or
// nothing when the user cancels; an error when the dialog cannot be shown.
std::optional<std::wstring> AskForFileName(HWND owner, const std::wstring& offered, const MessageCatalogue& texts) {
  using GetSaveFileNameFunction = BOOL(WINAPI*)(LPOPENFILENAMEW);
  using ExtendedErrorFunction = DWORD(WINAPI*)();
  static const auto get_save_file_name =
      AsFunction<GetSaveFileNameFunction>(SystemFunction(L"comdlg32.dll", "GetSaveFileNameW"));
  static const auto extended_error =
      AsFunction<ExtendedErrorFunction>(SystemFunction(L"comdlg32.dll", "CommDlgExtendedError"));
  if (get_save_file_name == nullptr) {
    throw std::runtime_error("The system's file dialog could not be loaded.");
  }
  // Each choice's name and its pattern, each ending with a zero, and one more zero at the end.
  std::wstring filter = Wide(ShownText(texts, kTextFilesFilter)) + L" (*.txt)";
  filter += std::wstring(1, L'\0') + L"*.txt" + std::wstring(1, L'\0');
  filter += Wide(ShownText(texts, kAllFilesFilter)) + L" (*.*)";
  filter += std::wstring(1, L'\0') + L"*.*" + std::wstring(2, L'\0');
  std::vector<wchar_t> name(32768, L'\0');
  offered.copy(name.data(), std::min(offered.size(), name.size() - 1));
  const std::wstring title = Wide(ShownText(texts, kSaveLogTitle));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (get_save_file_name(&dialog)) return std::wstring(name.data());
  const DWORD error = extended_error != nullptr ? extended_error() : 0;
  if (error != 0) {
    throw std::runtime_error("The system's file dialog failed (error " + std::to_string(error) + ").");
  }
  return std::nullopt;
}

// The core spells paths in the ANSI code page: a folder it cannot spell goes by its short name.
std::string CorePath(const std::wstring& path) {
  const std::string spelled = NativeToAnsi(Native(path));
  const std::size_t separator = path.find_last_of(L"\\/");
  if (AnsiToNative(spelled) == Native(path) || separator == std::wstring::npos) return spelled;
  std::vector<wchar_t> folder(32768, L'\0');
  const DWORD length = ::GetShortPathNameW(path.substr(0, separator).c_str(), folder.data(),
                                           static_cast<DWORD>(folder.size()));
  if (length == 0 || length >= folder.size()) return spelled;
  return NativeToAnsi(Native(std::wstring(folder.data(), length) + path.substr(separator)));
}

bool IsPushButton(ComponentKind kind) {
  return kind == ComponentKind::Button || kind == ComponentKind::BitButton || kind == ComponentKind::Link;
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, Win32Resources& resources, WizardEnvironment environment)
    : instance_(instance),
      resources_(resources),
      texts_(TextsOf(environment)),
      ui_thread_(::GetCurrentThreadId()) {
  RegisterContainerClass(instance);
  hwnd_ = CreateTopLevelWindow(
      instance, {kWindowClass, Proc, kStyle, kExtendedStyle, "The main window cannot be created"},
      LayoutWindow::Main, nullptr, resources_, texts_, this);
  // The PIN field gets its rules as it is made, whenever its page is built.
  built_ = std::make_unique<BuiltWindow>(LayoutWindow::Main, hwnd_, resources_, texts_,
                                         [this](BuiltComponent& component) {
                                           if (component.row->control == Control::PinField)
                                             pin_ = std::make_unique<PinEdit>(component.hwnd);
                                         });
  for (BuiltComponent& component : built_->Components()) {
    if (component.row->kind == ComponentKind::Page) pages_.push_back(&component);
  }
  ::SendMessageW(ControlHandle(Control::LadderSlider), TBM_SETRANGE, TRUE, MAKELPARAM(0, kTrackBarLast));

  wizard_ = std::make_unique<Wizard>(*this, *this, std::move(environment));
  wizard_->CreateSerialPort();
  OfferLogWindow();
}

Win32MainWindow::~Win32MainWindow() {
  // The log window shows the wizard's log; the serial worker ends before the window it reports
  // to.
  log_window_.reset();
  wizard_.reset();
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
  message_window_.reset();
  if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

void Win32MainWindow::Show() {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT own{};
  ::GetWindowRect(hwnd_, &own);
  ::SetWindowPos(hwnd_, nullptr, (area.left + area.right - (own.right - own.left)) / 2,
                 (area.top + area.bottom - (own.bottom - own.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  FocusFirstControlIfLost();
  Guarded(hwnd_, [this] { wizard_->OnShown(); });
}

int Win32MainWindow::Run() {
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) HandleMessage(message);
  return static_cast<int>(message.wParam);
}

void Win32MainWindow::HandleMessage(MSG& message) {
  // Ctrl+L, whichever of the program's windows has the keyboard.
  if (accelerators_ != nullptr && ::IsWindow(hwnd_) &&
      ::TranslateAcceleratorW(hwnd_, accelerators_, &message)) {
    return;
  }
  const bool for_message_window = message_window_ != nullptr && message_window_->TranslateDialogMessage(message);
  const bool for_log_window =
      !for_message_window && log_window_ != nullptr && log_window_->TranslateDialogMessage(message);
  if (!for_message_window && !for_log_window && !::IsDialogMessageW(hwnd_, &message)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (::IsWindow(hwnd_) && ::GetFocus() != framed_focus_) {
    framed_focus_ = ::GetFocus();
    built_->FollowFocus(framed_focus_);
    if (log_window_ != nullptr) log_window_->FollowFocus(framed_focus_);
  }
}

void Win32MainWindow::OfferLogWindow() {
  if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::wstring item = Wide(ShownText(texts_, kShowLogMenuItem)) + L"\tCtrl+L";
    ::AppendMenuW(menu, MF_STRING, kShowLogCommand, item.c_str());
  }
  ACCEL show_log{FVIRTKEY | FCONTROL, 'L', static_cast<WORD>(kShowLogCommand)};
  accelerators_ = ::CreateAcceleratorTableW(&show_log, 1);
}

LRESULT CALLBACK Win32MainWindow::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = static_cast<Win32MainWindow*>(TopLevelSelf(hwnd, message, lparam));
  if (self == nullptr || self->built_ == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (built_->Handle(message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lparam) == ControlHandle(Control::LadderSlider) && wizard_ != nullptr) {
        const int position = TrackBarPosition();
        if (position != track_bar_position_) {
          track_bar_position_ = position;
          Guarded(hwnd_, [this] { wizard_->OnControl(Control::LadderSlider); });
        }
      }
      return 0;
    case WM_TIMER:
      if (wizard_ == nullptr || wparam == 0 || wparam > kWizardTimerCount) return 0;
      Guarded(hwnd_, [this, wparam] { wizard_->OnTimer(static_cast<WizardTimer>(wparam - 1)); });
      return 0;
    case DM_GETDEFID:
      return DefaultButton();
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back with the window.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focused = ::GetFocus();
        if (focused != nullptr && ::IsChild(hwnd_, focused)) focus_before_deactivation_ = focused;
      } else if (focus_before_deactivation_ != nullptr && ::IsWindowVisible(focus_before_deactivation_)) {
        ::SetFocus(focus_before_deactivation_);
      } else {
        FocusFirstControlIfLost();
      }
      return 0;
    case kDebugItemMessage: {
      std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lparam));
      AddDebugItemHere(static_cast<Control>(wparam), *text);
      return 0;
    }
    case kLogMirrorMessage:
      ApplyLogMirror();
      return 0;
    case kLogWindowMessage:
      if (log_window_ != nullptr) log_window_->TakeLines();
      return 0;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) != kShowLogCommand) break;
      Guarded(hwnd_, [this] { wizard_->OpenLogWindow(); });
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    // Windows may end the process as soon as WM_ENDSESSION returns, without a close: the log is
    // saved there, as a close saves it. Until then the session may still be cancelled.
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wparam != FALSE) SaveLogOnce();
      return 0;
    case WM_DESTROY:
      for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) Stop(static_cast<WizardTimer>(timer));
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

// Return presses the focused button or link, as Space does; elsewhere it presses nothing.
LRESULT Win32MainWindow::DefaultButton() const {
  const BuiltComponent* focused = built_->FindByHandle(::GetFocus());
  if (focused == nullptr || !IsPushButton(focused->row->kind)) return 0;
  return MAKELRESULT(focused->id, DC_HASDEFID);
}

// Every control the user works reaches the wizard through one call, whatever its kind.
void Win32MainWindow::OnCommand(int id, int code) {
  if (id == static_cast<int>(kShowLogCommand) && wizard_ != nullptr) {
    Guarded(hwnd_, [this] { wizard_->OpenLogWindow(); });
    return;
  }
  const BuiltComponent* component = built_->FindById(id);
  if (component == nullptr || wizard_ == nullptr) return;
  if (UserNotification(component->row->kind) != code) return;
  // A clicked link takes the focus, as a clicked button does.
  if (component->row->kind == ComponentKind::Link) ::SetFocus(component->hwnd);
  const Control control = component->row->control;
  Guarded(hwnd_, [this, control] { wizard_->OnControl(control); });
}

void Win32MainWindow::OnClose() {
  // After a failed save the user decides: No keeps the window, and the log for the next try.
  if (!SaveLogOnce() && !AskToCloseWithoutLog(hwnd_)) return;
  // The program ends with its main window; the message window goes with it.
  HideInfo();
  ::DestroyWindow(hwnd_);
}

bool Win32MainWindow::SaveLogOnce() {
  if (log_saved_) return true;
  try {
    wizard_->SaveLog();
  } catch (const std::exception& error) {
    ShowErrorDisplay(hwnd_, error);
    return false;
  } catch (...) {
    ShowUnknownErrorDisplay(hwnd_);
    return false;
  }
  log_saved_ = true;
  return true;
}

bool Win32MainWindow::MessageHasKeyboard() const {
  return message_window_ != nullptr && message_window_->WaitsForClose() &&
         ::GetActiveWindow() == message_window_->Handle();
}

void Win32MainWindow::FocusFirstControlIfLost() {
  if (MessageHasKeyboard()) return;
  HWND focused = ::GetFocus();
  const BuiltComponent* component = built_->FindByHandle(focused);
  if (component != nullptr && ::IsWindowVisible(focused) &&
      (::GetWindowLongW(focused, GWL_STYLE) & WS_TABSTOP)) {
    return;
  }
  if (HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE)) ::SetFocus(first);
}

BuiltComponent* Win32MainWindow::Component(Control control) const { return built_->Find(control); }

PinEdit& Win32MainWindow::Pin() const {
  Component(Control::PinField);  // builds its page, which makes the PIN field's rules
  return *pin_;
}

HWND Win32MainWindow::ControlHandle(Control control) const {
  const BuiltComponent* component = Component(control);
  return component != nullptr ? component->hwnd : nullptr;
}

void Win32MainWindow::ShowPage(int page) {
  if (page < 0 || page >= static_cast<int>(pages_.size())) return;
  current_page_ = page;
  built_->BuildPage(*pages_[static_cast<std::size_t>(page)]);
  // The new page first, so the notebook never shows its bare background in between.
  built_->SetVisible(*pages_[static_cast<std::size_t>(page)], true);
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (static_cast<int>(i) != page) built_->SetVisible(*pages_[i], false);
  }
  FocusFirstControlIfLost();
}

int Win32MainWindow::CurrentPage() const { return current_page_; }

// At once: the state machine pauses right after some changes and they must be seen first.
void Win32MainWindow::RepaintNotebook() {
  ::RedrawWindow(ControlHandle(Control::Pages), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32MainWindow::SetCaption(Control label, const NativeString& text) {
  BuiltComponent* component = Component(label);
  if (component != nullptr && component->hwnd != nullptr && IsLabel(component->row->kind)) {
    built_->SetLabelText(*component, Wide(text));
  }
}

NativeString Win32MainWindow::Caption(Control label) const {
  const BuiltComponent* component = Component(label);
  if (component == nullptr || component->hwnd == nullptr || !IsLabel(component->row->kind)) return {};
  return Native(WindowText(component->hwnd));
}

void Win32MainWindow::SetText(Control edit, const NativeString& text) {
  if (edit == Control::PinField) {
    Pin().SetPinText(Wide(text));
  } else if (const BuiltComponent* component = Component(edit);
             component != nullptr && component->row->kind == ComponentKind::Edit) {
    ::SetWindowTextW(component->hwnd, Wide(text).c_str());
  }
}

NativeString Win32MainWindow::Text(Control edit) const {
  if (edit == Control::PinField) return Native(Pin().PinText());
  const BuiltComponent* component = Component(edit);
  if (component == nullptr || component->row->kind != ComponentKind::Edit) return {};
  return Native(WindowText(component->hwnd));
}

void Win32MainWindow::SetVisible(Control control, bool visible) {
  if (BuiltComponent* component = Component(control)) built_->SetVisible(*component, visible);
}

bool Win32MainWindow::IsVisible(Control control) const {
  const BuiltComponent* component = Component(control);
  return component != nullptr && component->visible;
}

void Win32MainWindow::SetEnabled(Control control, bool enabled) {
  const BuiltComponent* component = Component(control);
  if (component == nullptr || component->hwnd == nullptr) return;
  if (component->row->kind == ComponentKind::Link) {
    SetLinkActive(component->hwnd, enabled);
  } else {
    ::EnableWindow(component->hwnd, enabled ? TRUE : FALSE);
  }
}

bool Win32MainWindow::IsEnabled(Control control) const {
  const BuiltComponent* component = Component(control);
  if (component == nullptr || component->hwnd == nullptr) return component != nullptr;
  if (component->row->kind == ComponentKind::Link) return IsLinkActive(component->hwnd);
  return ::IsWindowEnabled(component->hwnd) != FALSE;
}

// Focusing a control activates its window: while a message waits for its Close, that would
// take the keyboard from the message, and Return would no longer close it.
void Win32MainWindow::SetFocus(Control control) {
  HWND hwnd = ControlHandle(control);
  if (hwnd == nullptr) return;
  if (MessageHasKeyboard()) {
    focus_before_deactivation_ = hwnd;
  } else {
    ::SetFocus(hwnd);
  }
}

void Win32MainWindow::Announce(Control control) {
  HWND hwnd = ControlHandle(control);
  if (hwnd == nullptr) return;
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_WINDOW, CHILDID_SELF);
  ::NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

bool Win32MainWindow::IsChecked(Control check_box) const {
  HWND hwnd = ControlHandle(check_box);
  return hwnd != nullptr && ::SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// BM_SETCHECK sends no notification, so no handler runs here.
void Win32MainWindow::SetChecked(Control check_box, bool checked) {
  if (HWND hwnd = ControlHandle(check_box))
    ::SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A list not made yet is empty already: clearing it does not build its page.
void Win32MainWindow::ClearOperators() {
  if (const BuiltComponent* list = built_->FindIfBuilt(Control::OperatorList)) {
    ::SendMessageW(list->hwnd, CB_RESETCONTENT, 0, 0);
  }
}

// After the items that sort equal, as a sorted list inserts; the list's own sorting would not
// follow the order every view shares.
void Win32MainWindow::AddOperator(const NativeString& text, CatalogueEntry* entry) {
  int low = 0;
  int high = OperatorCount();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (OperatorItemLess(text, OperatorText(middle))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  HWND combo = ControlHandle(Control::OperatorList);
  const std::wstring wide = Wide(text);
  const LRESULT at = ::SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(low),
                                    reinterpret_cast<LPARAM>(wide.c_str()));
  if (at >= 0)
    ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(entry));
}

void Win32MainWindow::InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) {
  HWND combo = ControlHandle(Control::OperatorList);
  const std::wstring wide = Wide(text);
  if (::SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())) >= 0) {
    ::SendMessageW(combo, CB_SETITEMDATA, 0, reinterpret_cast<LPARAM>(entry));
  }
}

int Win32MainWindow::OperatorCount() const {
  return static_cast<int>(::SendMessageW(ControlHandle(Control::OperatorList), CB_GETCOUNT, 0, 0));
}

NativeString Win32MainWindow::OperatorText(int index) const {
  if (index < 0 || index >= OperatorCount()) return {};
  HWND combo = ControlHandle(Control::OperatorList);
  const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
  return Native(text);
}

void Win32MainWindow::SelectOperator(int index) {
  const int chosen = index >= 0 && index < OperatorCount() ? index : -1;
  ::SendMessageW(ControlHandle(Control::OperatorList), CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

int Win32MainWindow::SelectedOperator() const {
  const LRESULT selected = ::SendMessageW(ControlHandle(Control::OperatorList), CB_GETCURSEL, 0, 0);
  return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

CatalogueEntry* Win32MainWindow::OperatorEntry(int index) const {
  if (index < 0 || index >= OperatorCount()) return nullptr;
  const LRESULT data =
      ::SendMessageW(ControlHandle(Control::OperatorList), CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<CatalogueEntry*>(data);
}

void Win32MainWindow::Start(WizardTimer timer) {
  bool& running = timers_running_[static_cast<std::size_t>(timer)];
  // Setting a running timer again would restart its interval; it keeps its rhythm instead.
  if (running) return;
  ::SetTimer(hwnd_, TimerId(timer), static_cast<UINT>(IntervalOf(timer).count()), nullptr);
  running = true;
}

void Win32MainWindow::Stop(WizardTimer timer) {
  ::KillTimer(hwnd_, TimerId(timer));
  timers_running_[static_cast<std::size_t>(timer)] = false;
}

bool Win32MainWindow::Running(WizardTimer timer) const { return timers_running_[static_cast<std::size_t>(timer)]; }

int Win32MainWindow::TrackBarPosition() const {
  return static_cast<int>(::SendMessageW(ControlHandle(Control::LadderSlider), TBM_GETPOS, 0, 0));
}

void Win32MainWindow::ShowInfo(const NativeString& text, bool close_button) {
  Messages().ShowInfo(text, close_button);
}

void Win32MainWindow::SetInfoText(const NativeString& text) {
  if (message_window_ != nullptr) message_window_->SetText(text);
}

void Win32MainWindow::HideInfo() {
  if (message_window_ != nullptr) message_window_->Hide();
}

// Made on its first use: a start that never shows a message does not pay for the window.
MessageWindow& Win32MainWindow::Messages() {
  if (message_window_ == nullptr) message_window_ = std::make_unique<MessageWindow>(instance_, hwnd_, resources_, texts_);
  return *message_window_;
}

void Win32MainWindow::CopyToClipboard(const NativeString& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return;
  if (void* target = ::GlobalLock(memory)) {
    const std::wstring wide = Wide(text);
    std::memcpy(target, wide.c_str(), bytes);
    ::GlobalUnlock(memory);
  }
  if (!::OpenClipboard(hwnd_)) {
    ::GlobalFree(memory);
    return;
  }
  ::EmptyClipboard();
  // The clipboard owns the memory once it has taken it.
  if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) ::GlobalFree(memory);
  ::CloseClipboard();
}

std::optional<NativeString> Win32MainWindow::OpenWebLink(const NativeString& address) {
  const DWORD error = shell_open_ ? shell_open_(Wide(address)) : ShellExecuteOpen(hwnd_, Wide(address));
  if (error == ERROR_SUCCESS) return std::nullopt;
  return AnsiToNative(SystemErrorText(static_cast<int>(error)));
}

void Win32MainWindow::ShowPlainMessage(const NativeString& text) {
  ::MessageBoxW(hwnd_, Wide(text).c_str(), ApplicationTitle().c_str(), MB_OK);
}

void Win32MainWindow::CloseWindow() { ::SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

void Win32MainWindow::AddDebugItem(Control list_box, const NativeString& text) {
  if (list_box == Control::LogMirror) {
    // One posted message at a time, whatever the lines waiting: a box that talks faster than
    // the window draws cannot fill the message queue.
    const bool wake = log_mirror_.Push(text);
    if (::GetCurrentThreadId() == ui_thread_) {
      ApplyLogMirror();
    } else if (wake && !::PostMessageW(hwnd_, kLogMirrorMessage, 0, 0)) {
      log_mirror_.WakeLost();
    }
    return;
  }
  if (::GetCurrentThreadId() == ui_thread_) {
    AddDebugItemHere(list_box, Wide(text));
    return;
  }
  auto line = std::make_unique<std::wstring>(Wide(text));
  // Dropped if the window is gone by then.
  if (::PostMessageW(hwnd_, kDebugItemMessage, static_cast<WPARAM>(list_box),
                     reinterpret_cast<LPARAM>(line.get()))) {
    line.release();
  }
}

Win32LogWindow& Win32MainWindow::LogForm() {
  if (log_window_ == nullptr) {
    log_window_ = std::make_unique<Win32LogWindow>(instance_, hwnd_, resources_, *wizard_);
  }
  return *log_window_;
}

void Win32MainWindow::ShowLogWindow(const NativeString& place) { LogForm().ShowWithPlace(Wide(place)); }

// Posted also from the window's thread: the lines of one step of the wizard come as one batch.
void Win32MainWindow::WakeLogWindow() {
  if (!::PostMessageW(hwnd_, kLogWindowMessage, 0, 0)) wizard_->Log().window_feed.WakeLost();
}

std::optional<std::string> Win32MainWindow::AskWhereToSaveLog(const NativeString& name) {
  const std::optional<std::wstring> chosen = AskForFileName(DialogOwner(), Wide(name), texts_);
  if (!chosen) return std::nullopt;
  return CorePath(*chosen);
}

void Win32MainWindow::ShowError(const NativeString& text) { ShowErrorDisplay(DialogOwner(), Wide(text)); }

HWND Win32MainWindow::DialogOwner() const {
  if (log_window_ != nullptr && ::GetActiveWindow() == log_window_->Handle()) return log_window_->Handle();
  return hwnd_;
}

void Win32MainWindow::AddDebugItemHere(Control list_box, const std::wstring& text) {
  HWND list = ControlHandle(list_box);
  if (list == nullptr || list_box != Control::CatalogueMirror) return;
  ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32MainWindow::ApplyLogMirror() {
  const LogMirrorFeed::Batch batch = log_mirror_.Take();
  HWND list = ControlHandle(Control::LogMirror);
  if (list == nullptr) return;
  const auto count = static_cast<std::size_t>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
  if (batch.remove_oldest >= count) {
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  } else {
    for (std::size_t i = 0; i < batch.remove_oldest; ++i) ::SendMessageW(list, LB_DELETESTRING, 0, 0);
  }
  LRESULT at = LB_ERR;
  for (const NativeString& text : batch.add)
    at = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  if (at >= 0) ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
}
