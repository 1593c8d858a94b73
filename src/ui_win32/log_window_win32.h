// The "Wizard log" window for Windows: the log so far, growing while the wizard runs, to read,
// select, copy and save, and where the log is saved; built from its rows of the layout table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "controller/wizard.h"
#include "ui_win32/layout_builder_win32.h"

class Win32LogWindow {
 public:
  // `owner`: the main window it belongs to and is first centred on; `wizard`: whose log it shows.
  Win32LogWindow(HINSTANCE instance, HWND owner, Win32Resources& resources, Wizard& wizard);
  ~Win32LogWindow();
  Win32LogWindow(const Win32LogWindow&) = delete;
  Win32LogWindow& operator=(const Win32LogWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  const BuiltWindow& Built() const { return *built_; }
  // The window of a component of the log window, by its layout name.
  HWND ControlHandle(const char* name) const;

  // Shows the window with `place` as the line saying where the log is saved, or brings it to
  // the front, and adds what waits for it.
  void ShowWithPlace(const std::wstring& place);
  // Applies what waits for the window in the session log's window feed: the oldest lines leave, the
  // new ones come at the end, and the note says what is not shown.
  void TakeLines();
  // The dialog manager's keys for this window; true when the message was its.
  bool TranslateDialogMessage(MSG& message);
  // Draws the focus frame around the control that has the keyboard focus, if it is one of ours.
  void FollowFocus(HWND focused) { built_->FollowFocus(focused); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int id, int code);
  void OnActivate(bool active);
  void Close();
  LRESULT DefaultButton() const;
  // Removes the text's first `count` lines; the characters removed.
  std::size_t RemoveOldestLines(std::size_t count);
  void AppendLines(const std::vector<NativeString>& lines);
  void ShowNewestLine();
  void CentreOverOwner();

  HWND owner_;
  Wizard& wizard_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<BuiltWindow> built_;
  BuiltComponent* note_ = nullptr;
  BuiltComponent* text_ = nullptr;
  BuiltComponent* place_ = nullptr;
  HWND focus_before_deactivation_ = nullptr;
  bool placed_ = false;
};
