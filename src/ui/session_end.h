// The end of the session ends the program as closing its window does: an ending signal, or the
// desktop's session manager, which may ask for the program's data first and then quit it.
#pragma once

#include "ui/end_signals.h"
#include "ui/main_window.h"

class SessionEndWatch {
 public:
  explicit SessionEndWatch(MainWindow& window);

 private:
  EndSignals signals_;
};
