// The operator list and the APN fields. Not built yet: the setup workflow work fills these in.
#include "controller/main_form.h"

void TForm1::UpdateApnList(bool /*include_box_settings*/, bool /*no_network*/) {}
void TForm1::ComboBox1Change(TObject* /*Sender*/) {}
void TForm1::CheckBox1Click(TObject* /*Sender*/) {}
void TForm1::CheckBox2Click(TObject* /*Sender*/) {}
