// Box discovery among the USB serial devices. Not built yet: the box link work fills this in.
#include "controller/main_form.h"

std::int32_t TForm1::FindDeviceAndGetCommNumber() { return 0; }
