// Device arrivals and removals as Windows reports them to a message-only window, pumped on a
// thread of the process's thread pool so that the scanner works in a program without a
// message loop (a console program) as well.
#pragma once

#include <windows.h>

#include <functional>

class DeviceNotifier {
 public:
  // The class of the message-only window; tests look the window up by it.
  static constexpr const wchar_t* kWindowClass = L"RodiduzUsbDeviceWatch";

  DeviceNotifier() = default;
  ~DeviceNotifier() { Stop(); }
  DeviceNotifier(const DeviceNotifier&) = delete;
  DeviceNotifier& operator=(const DeviceNotifier&) = delete;

  // Starts the pump and waits until its window is listening; `on_change` then runs on the
  // pump's thread at every device arrival or removal. False when Windows will not report
  // changes (no window, no registration); true again when already started and listening.
  bool Start(std::function<void()> on_change);

  // Ends the pump and waits until no code of this module runs on its thread any more. Safe
  // inside DllMain: the wait needs no loader lock (see RunPump).
  void Stop();

  // The pump's window while it runs, else null.
  HWND Window() const { return window_; }

 private:
  static void CALLBACK RunPump(PTP_CALLBACK_INSTANCE instance, void* context);
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Pump();
  void CloseEvents();

  std::function<void()> on_change_;
  HANDLE listening_ = nullptr;
  HANDLE stopped_ = nullptr;
  HWND window_ = nullptr;
  bool watching_ = false;
};
