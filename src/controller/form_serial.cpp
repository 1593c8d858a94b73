// Opening the box's port. Not built yet: the box link work fills this in.
#include "controller/main_form.h"

void TForm1::OpenCommPort() {}
