// Start, Restart, Next and the GPRS settings submission. Not built yet: the setup workflow
// work fills these in.
#include "controller/main_form.h"

void TForm1::Button8Click(TObject* /*Sender*/) {}
void TForm1::Button2Click(TObject* /*Sender*/) {}
void TForm1::Button7Click(TObject* /*Sender*/) { TestGprs(); }
void TForm1::TestGprs() {}
