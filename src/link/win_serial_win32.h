// The Windows backend's pure pieces of WinSerial: the device path and the line settings.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>

// "\\.\COM<n>", the number in decimal without leading zeros.
std::wstring SerialPortPath(unsigned port);

// The DCB that Open applies: the given speed, data bits and parity (0 none, 1 odd, 2 even,
// any other none), one stop bit, binary, no flow control, DTR and RTS on; the rest zero.
DCB PrepareLineSettings(std::int32_t baud_rate, std::int32_t parity, std::uint8_t data_bits);
