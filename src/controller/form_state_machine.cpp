// The setup state machine. Not built yet: the setup workflow work fills this in.
#include "controller/main_form.h"

void TForm1::DeviceTimerTimer(TObject* /*Sender*/) {}
void TForm1::ChangeCommState(std::uint32_t /*new_state*/) {}
AnsiString TForm1::GetCommStateName(std::uint32_t /*state*/) const { return "?"; }
