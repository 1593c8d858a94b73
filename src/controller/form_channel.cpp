// The box message channel: receive queue, send slot and send pump, and the serial callback.
// Not built yet: the box link work fills these in.
#include "controller/main_form.h"

void SerialCallback(WinSerial* /*engine*/, unsigned /*code*/) {}
void TForm1::AddToDutRecvList(const AnsiString& /*message*/) {}
AnsiString TForm1::GetFromDutRecvList() { return {}; }
void TForm1::ClearDutRecvList() {}
void TForm1::SendDut(const AnsiString& /*command*/, std::uint32_t /*reply_timeout*/) {}
void TForm1::CheckForDutSend() {}
void TForm1::DutSendQueueTimerTimer(TObject* /*Sender*/) { CheckForDutSend(); }
