// The message-only window that hears of device changes, and its pump on a thread-pool thread.
#include "device_notifier_win32.h"

#include <dbt.h>

#include <utility>

// This module's base, whichever module (the DLL, a test program) the notifier is built into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// Every interface class, not only serial ports: some port drivers register no port interface,
// and a USB device's own interface comes and goes with it whatever its driver.
HDEVNOTIFY ListenForInterfaceChanges(HWND window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  return ::RegisterDeviceNotificationW(window, &filter,
                                       DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
}

// A message-only window gets no broadcasts (DBT_DEVNODES_CHANGED among them), only the events
// of the interfaces it registered for.
bool ChangesTheList(WPARAM event) { return event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE; }

}  // namespace

bool DeviceNotifier::Start(std::function<void()> on_change) {
  if (stopped_ != nullptr) return watching_;
  on_change_ = std::move(on_change);
  listening_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  stopped_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (listening_ == nullptr || stopped_ == nullptr ||
      !::TrySubmitThreadpoolCallback(RunPump, this, nullptr)) {
    CloseEvents();
    return false;
  }
  ::WaitForSingleObject(listening_, INFINITE);
  return watching_;
}

void DeviceNotifier::Stop() {
  if (stopped_ == nullptr) return;
  // Closing the window ends the pump's loop (WM_DESTROY posts the quit).
  if (window_ != nullptr) ::PostMessageW(window_, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(stopped_, INFINITE);
  CloseEvents();
  window_ = nullptr;
  watching_ = false;
}

void DeviceNotifier::CloseEvents() {
  for (HANDLE* event : {&listening_, &stopped_}) {
    if (*event != nullptr) ::CloseHandle(*event);
    *event = nullptr;
  }
}

// A pool thread rather than one of our own: a thread's exit takes the loader lock, so
// FreeLibrary's DllMain, which holds it, could never wait for our thread to end. The pool sets
// `stopped_` itself once this function has returned, when nothing of this module runs on the
// thread any more, and keeps the thread.
void CALLBACK DeviceNotifier::RunPump(PTP_CALLBACK_INSTANCE instance, void* context) {
  auto* notifier = static_cast<DeviceNotifier*>(context);
  ::SetEventWhenCallbackReturns(instance, notifier->stopped_);
  ::CallbackMayRunLong(instance);
  notifier->Pump();
}

void DeviceNotifier::Pump() {
  const HINSTANCE module = ThisModule();
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = module;
  window_class.lpszClassName = kWindowClass;
  const bool registered =
      ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  const HWND window =
      registered ? ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this)
                 : nullptr;
  const HDEVNOTIFY registration = window != nullptr ? ListenForInterfaceChanges(window) : nullptr;
  window_ = window;
  watching_ = registration != nullptr;
  ::SetEvent(listening_);

  MSG message;
  while (window != nullptr && ::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);

  if (registration != nullptr) ::UnregisterDeviceNotification(registration);
  if (window != nullptr && ::IsWindow(window)) ::DestroyWindow(window);
  // Fails while another notifier of this module still has a window, which then keeps it.
  ::UnregisterClassW(kWindowClass, module);
}

LRESULT CALLBACK DeviceNotifier::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  const auto* notifier = reinterpret_cast<const DeviceNotifier*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_DEVICECHANGE && notifier != nullptr && ChangesTheList(wparam)) {
    notifier->on_change_();
    return TRUE;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}
