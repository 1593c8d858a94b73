// The main window for Windows: the layout's components as common controls, implementing
// WizardView, keeping the wizard's timers, and forwarding each event to the wizard.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controller/log_mirror_feed.h"
#include "controller/timers.h"
#include "controller/wizard.h"
#include "controller/wizard_view.h"
#include "ui_win32/layout_builder_win32.h"
#include "ui_win32/log_window_win32.h"
#include "ui_win32/message_window_win32.h"
#include "ui_win32/pin_edit_win32.h"
#include "ui_win32/resources_win32.h"

class Win32MainWindow : public WizardView, public TimerService {
 public:
  static constexpr int kDebugListLimit = static_cast<int>(LogMirrorFeed::kMaxItems);
  static constexpr int kTrackBarLast = 6;
  // The main window's class, by which a later start finds the running wizard.
  static constexpr const wchar_t* kWindowClass = L"RodiduzSetupWizard";
  // What opening a link comes to: the shell's "open" of the text, its result code back.
  // Opens an address: 0 when it opened, else the system's error.
  using ShellOpen = std::function<DWORD(const std::wstring& target)>;

  // Builds the layout, then the controller (which loads the catalogue and may throw), runs
  // CreateSerialPort and starts the timers the layout enables.
  Win32MainWindow(HINSTANCE instance, Win32Resources& resources, WizardEnvironment environment = {});
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  Wizard& Core() { return *wizard_; }
  MessageWindow& Messages();
  // The "Wizard log" window, made when it is first needed.
  Win32LogWindow& LogForm();
  // The components as built, for tests that read the window back.
  const BuiltWindow& Built() const { return *built_; }
  BuiltWindow& Built() { return *built_; }
  // The window of a control; a control on a page not built yet builds that page.
  HWND ControlHandle(Control control) const;
  // Centres the window on the desktop, shows it, gives the first control the focus and runs
  // OnShown.
  void Show();
  // The message loop, with the dialog manager's keyboard handling in both windows; returns
  // when the window is closed.
  int Run();
  // One message of that loop, for a test to feed keys through it.
  void HandleMessage(MSG& message);
  // ShellExecuteW unless replaced; tests record what would be opened.
  void SetShellOpen(ShellOpen open) { shell_open_ = std::move(open); }

  void ShowPage(int page) override;
  int CurrentPage() const override;
  void RepaintNotebook() override;
  void SetCaption(Control label, const NativeString& text) override;
  NativeString Caption(Control label) const override;
  void SetText(Control edit, const NativeString& text) override;
  NativeString Text(Control edit) const override;
  void SetVisible(Control control, bool visible) override;
  bool IsVisible(Control control) const override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) const override;
  void SetFocus(Control control) override;
  void Announce(Control control) override;
  bool IsChecked(Control check_box) const override;
  void SetChecked(Control check_box, bool checked) override;
  void ClearOperators() override;
  void AddOperator(const NativeString& text, CatalogueEntry* entry) override;
  void InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) override;
  int OperatorCount() const override;
  NativeString OperatorText(int index) const override;
  void SelectOperator(int index) override;
  int SelectedOperator() const override;
  CatalogueEntry* OperatorEntry(int index) const override;
  int TrackBarPosition() const override;
  void ShowInfo(const NativeString& text, bool close_button) override;
  void SetInfoText(const NativeString& text) override;
  void HideInfo() override;
  void CopyToClipboard(const NativeString& text) override;
  std::optional<NativeString> OpenWebLink(const NativeString& address) override;
  void Start(WizardTimer timer) override;
  void Stop(WizardTimer timer) override;
  bool Running(WizardTimer timer) const override;
  void ShowPlainMessage(const NativeString& text) override;
  void CloseWindow() override;
  // May be called from any thread; the list is changed on the window's thread.
  void AddDebugItem(Control list_box, const NativeString& text) override;
  void ShowLogWindow(const NativeString& place) override;
  // May be called from any thread; the log window takes its lines on the window's thread.
  void WakeLogWindow() override;
  std::optional<std::string> AskWhereToSaveLog(const NativeString& name) override;
  void ShowError(const NativeString& text) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int id, int code);
  void OnClose();
  // "Show wizard log" in the system menu, and Ctrl+L for the program's windows.
  void OfferLogWindow();
  // What a box or a file dialog asked for from the log window stands over.
  HWND DialogOwner() const;
  // The save of the log as the window closes, at most once: a failure is shown and the log
  // stays in memory.
  bool SaveLogOnce();
  LRESULT DefaultButton() const;
  // The message window waits for its Close and has the keyboard: the page's focus is only
  // noted then, and given when the main window is active again.
  bool MessageHasKeyboard() const;
  void FocusFirstControlIfLost();
  void AddDebugItemHere(Control list_box, const std::wstring& text);
  // Applies what waits in the log's debug mirror to its list.
  void ApplyLogMirror();
  BuiltComponent* Component(Control control) const;
  PinEdit& Pin() const;

  HINSTANCE instance_;
  Win32Resources& resources_;
  // The user's language, the same the wizard speaks; from before the controls are made.
  MessageCatalogue texts_;
  HWND hwnd_ = nullptr;
  DWORD ui_thread_ = 0;
  std::unique_ptr<BuiltWindow> built_;
  std::vector<BuiltComponent*> pages_;
  int current_page_ = 0;
  std::unique_ptr<PinEdit> pin_;
  std::unique_ptr<MessageWindow> message_window_;
  std::unique_ptr<Win32LogWindow> log_window_;
  HACCEL accelerators_ = nullptr;
  std::array<bool, kWizardTimerCount> timers_running_{};
  int track_bar_position_ = 0;
  HWND focus_before_deactivation_ = nullptr;
  HWND framed_focus_ = nullptr;  // the control the focus frame was last drawn around
  ShellOpen shell_open_;
  bool log_saved_ = false;
  LogMirrorFeed log_mirror_;
  std::unique_ptr<Wizard> wizard_;
};
