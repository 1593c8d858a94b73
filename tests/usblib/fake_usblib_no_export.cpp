// A library that loads but lacks the scan export.
extern "C" __attribute__((visibility("default"))) int usblib_version() { return 1; }
