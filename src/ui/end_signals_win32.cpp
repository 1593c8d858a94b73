// Windows sends no ending signals to a window program: the end of the session comes as
// WM_QUERYENDSESSION and WM_ENDSESSION, which Qt turns into its session management's
// commitDataRequest and aboutToQuit, and the program watches those on every system.
#include "ui/end_signals.h"

struct EndSignals::Backend {};

EndSignals::EndSignals(std::function<void()> /*ended*/) : backend_(std::make_unique<Backend>()) {}

EndSignals::~EndSignals() = default;
