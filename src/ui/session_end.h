// The end of the session ends the program as closing its window does: an ending signal, the
// desktop's session manager, which may ask for the program's data first and then quit it, or
// the loss of the display, after which the platform ends the program itself.
#pragma once

#include "ui/end_signals.h"
#include "ui/main_window.h"

class SessionEndWatch {
 public:
  explicit SessionEndWatch(MainWindow& window);
  ~SessionEndWatch();
  SessionEndWatch(const SessionEndWatch&) = delete;
  SessionEndWatch& operator=(const SessionEndWatch&) = delete;

 private:
  EndSignals signals_;
};
