// What the system asks of the command's process before it sets up a box, and where its
// catalogue is when no --catalogue names one. One backend per system.
#pragma once

#include <string>

#include "common/text.h"

// Called first in main, before anything loads a library. Whatever it sets up lasts until the
// process ends.
void PrepareCommandProcess();

// The catalogue the command reads when no --catalogue names one.
std::string DefaultCatalogue();

// An option's text (an APN, a user name, an operator's name) in UTF-8, as the run reads it:
// Linux passes the arguments as they were typed, in UTF-8; Windows hands a program's `main`
// its arguments in the ANSI code page, in which the core also names its files.
std::string TextFromCommandLine(const std::string& argument);

// An argument or a file's path, in the system's form as above, as a line for people carries it.
inline NativeString ShownSystemText(const std::string& text) {
  return Utf8ToNative(TextFromCommandLine(text));
}
