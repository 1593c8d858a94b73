// The box protocol's report parsers. Not built yet: the setup workflow work fills these in.
#include "controller/main_form.h"

void TForm1::ParseQr(const AnsiString& /*report*/) {}
void TForm1::ParsePLMN(const AnsiString& /*report*/) {}
void TForm1::ParseAPN(const AnsiString& /*report*/) {}
