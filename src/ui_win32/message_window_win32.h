// MessageWindow for Windows: the small window over the wizard with a message and a Close button,
// built from its rows of the layout table.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "common/text.h"
#include "ui_win32/layout_builder_win32.h"

class MessageWindow {
 public:
  // `owner` is the window it stays above and is centred on when first shown.
  // `texts`: the language of its own texts, which outlives the window.
  MessageWindow(HINSTANCE instance, HWND owner, Win32Resources& resources, const MessageCatalogue& texts);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  const BuiltWindow& Built() const { return *built_; }
  // Sets the text, shows or hides Close, and shows the window without blocking the caller.
  void ShowInfo(const NativeString& text, bool close_button);
  // Replaces the text while the window shows (the wizard animates dots after it).
  void SetText(const NativeString& text);
  void Hide();
  // Shown with its Close button: the message waits for the user, who answers it with Return,
  // Esc or Space, so it keeps the keyboard until then.
  bool WaitsForClose() const;
  // The dialog manager's keys for this window; true when the message was its.
  bool TranslateDialogMessage(MSG& message);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CentreOverOwner();
  bool CloseShown() const;

  HWND owner_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<BuiltWindow> built_;
  BuiltComponent* label_ = nullptr;
  BuiltComponent* button_ = nullptr;
  bool placed_ = false;
};
