// Loading the USB enumeration library and finding its scan export (one backend per OS).
#pragma once

#include <string>

#include "link/box_device_record.h"

// The library's name for the platform's standard library search.
const char* DefaultUsbLibraryName();

// Null when the library cannot be loaded; `failure`, when given, then gets the system's reason.
void* LoadUsbLibrary(const char* name, std::string* failure = nullptr);

// Null when the library has no scan export.
UsbScanComFunction FindUsbScanExport(void* library);
