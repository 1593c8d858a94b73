// What the system asks of the command's process before it sets up a box, and where its
// catalogue is when no --catalogue names one. One backend per system.
#pragma once

#include <string>

// Called first in main, before anything loads a library. Whatever it sets up lasts until the
// process ends.
void PrepareCommandProcess();

// The catalogue the command reads when no --catalogue names one.
std::string DefaultCatalogue();
