// The running wizard's window to the front: Qt's show, raise and activate, with the desktop's
// token on Wayland and, on X11, the activation asked of the window manager with the launch's
// user time, which Qt's own request (with the time of the program's last X event) lacks.
#include "ui/window_front_posix.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool IsWayland(const QString& platform) { return platform.startsWith(QLatin1String("wayland")); }

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

xcb_window_t RootOf(xcb_connection_t* connection, xcb_window_t window) {
  xcb_query_tree_reply_t* reply =
      xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
  const xcb_window_t root = reply != nullptr ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
  std::free(reply);
  return root;
}

// An EWMH window manager names its check window on the root window.
bool HasWindowManager(xcb_connection_t* connection, xcb_window_t root) {
  const xcb_atom_t check = Atom(connection, "_NET_SUPPORTING_WM_CHECK");
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
  const bool present = reply != nullptr && xcb_get_property_value_length(reply) == 4;
  std::free(reply);
  return present;
}

void SendToRoot(xcb_connection_t* connection, xcb_window_t root, std::uint32_t mask,
                const xcb_client_message_event_t& event) {
  xcb_send_event(connection, 0, root, mask, reinterpret_cast<const char*>(&event));
}

// Asks the window manager to activate `window`. With the launch's user time the request is the
// application's own (source 1), which focus-stealing prevention weighs against the user's last
// input elsewhere; without one it is made on the user's behalf (source 2), as a task bar makes
// it: starting the wizard again is the user's request to see it.
void RequestActivation(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                       unsigned user_time) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atom(connection, "_NET_ACTIVE_WINDOW");
  event.data.data32[0] = user_time != 0 ? 1 : 2;
  event.data.data32[1] = user_time;
  SendToRoot(connection, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
             event);
}

// Ends the launcher's startup notification (its busy cursor), which the later start's own
// window would have ended: "remove: ID=<id>" in pieces of 20 bytes, the id escaped as the
// startup-notification protocol asks.
void EndStartupNotification(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                            const std::string& startup_id) {
  std::string message = "remove: ID=";
  for (const char character : startup_id) {
    if (character == ' ' || character == '"' || character == '\\') message += '\\';
    message += character;
  }
  message += '\0';
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 8;
  event.window = window;
  const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
  constexpr std::size_t kPiece = sizeof event.data.data8;
  for (std::size_t sent = 0; sent < message.size(); sent += kPiece) {
    event.type = sent == 0 ? begin : more;
    std::memset(event.data.data8, 0, kPiece);
    std::memcpy(event.data.data8, message.data() + sent, std::min(kPiece, message.size() - sent));
    SendToRoot(connection, root, XCB_EVENT_MASK_PROPERTY_CHANGE, event);
  }
}

void ActivateOnX11(QWidget& target, const std::string& startup_id) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr) return;
  xcb_connection_t* connection = x11->connection();
  const auto window = static_cast<xcb_window_t>(target.winId());
  const xcb_window_t root = RootOf(connection, window);
  if (root == XCB_WINDOW_NONE) return;
  if (HasWindowManager(connection, root)) {
    RequestActivation(connection, root, window, StartupUserTime(startup_id));
  } else {
    // Nobody else gives the focus: the program takes it, at the current time, since the time of
    // its own last X event lies before the focus change it undoes and would be refused.
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
  }
  if (!startup_id.empty()) EndStartupNotification(connection, root, window, startup_id);
  xcb_flush(connection);
}

// Qt's Wayland platform hands the compositor the token found in this variable when a window
// asks to be activated; it is this request's alone, so it goes again afterwards.
void ActivateOnWayland(QWidget& target, const std::string& token) {
  qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
  target.activateWindow();
  qunsetenv("XDG_ACTIVATION_TOKEN");
}

// A modal question over the window (the failed save's) is what the user has to answer first.
QWidget& ActivationTarget(QWidget& window) {
  QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr ? *modal : window;
}

}  // namespace

OwnDisplay CurrentDisplay() {
  return {QGuiApplication::platformName(), Variable("DISPLAY"), Variable("WAYLAND_DISPLAY")};
}

bool CanComeToFront(const OwnDisplay& display, const FrontRequest& request) {
  if (request.x_display != display.x_display || request.wayland_display != display.wayland_display)
    return false;
  return !IsWayland(display.platform) || !request.activation_token.empty();
}

FrontAnswer BringToFront(QWidget& window, const FrontRequest& request) {
  const OwnDisplay display = CurrentDisplay();
  if (!CanComeToFront(display, request)) {
    QApplication::alert(&window);
    return FrontAnswer::kCannotRaise;
  }
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
  QWidget& target = ActivationTarget(window);
  target.raise();
  if (IsWayland(display.platform)) {
    ActivateOnWayland(target, request.activation_token);
    return FrontAnswer::kRaised;
  }
  target.activateWindow();
  if (display.platform == QLatin1String("xcb")) ActivateOnX11(target, request.startup_id);
  return FrontAnswer::kRaised;
}

unsigned StartupUserTime(const std::string& startup_id) {
  const std::size_t at = startup_id.rfind("_TIME");
  if (at == std::string::npos) return 0;
  const std::string digits = startup_id.substr(at + 5);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  const unsigned long long time = std::strtoull(digits.c_str(), nullptr, 10);
  return time <= 0xffffffffull ? static_cast<unsigned>(time) : 0;
}
