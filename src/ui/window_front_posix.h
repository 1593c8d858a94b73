// Bringing the running wizard's window to the front at a later start's request, as far as the
// window system lets a program that the user did not just click on.
#pragma once

#include <QString>
#include <string>

#include "ui/wizard_channel_posix.h"

class QWidget;

// Where this program shows its windows, as a later start's request is compared with it.
struct OwnDisplay {
  QString platform;  // Qt's platform name: "xcb", "wayland", "offscreen"...
  std::string x_display;
  std::string wayland_display;
};

OwnDisplay CurrentDisplay();

// Whether `request` can bring a window on `display` to the front: it comes from the same
// display (another session of the user would not see the window), and on Wayland it carries
// the desktop's activation token, without which the compositor keeps the window where it is.
bool CanComeToFront(const OwnDisplay& display, const FrontRequest& request);

// Un-minimises, shows, raises and activates `window`, or the modal window over it, handing the
// request's token or startup id to the window system; kCannotRaise where CanComeToFront says no
// (the window then only asks for the user's attention).
FrontAnswer BringToFront(QWidget& window, const FrontRequest& request);

// The user time in an X11 startup id ("..._TIME<n>"), the moment the user asked for the
// program; 0 (X11's "current time") when it carries none.
unsigned StartupUserTime(const std::string& startup_id);
