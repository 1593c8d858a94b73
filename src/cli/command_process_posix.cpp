// On Linux the installed command's launcher names the catalogue; without one the command
// reads it from the working folder, as the wizard does.
#include "cli/command_process.h"

#include "controller/catalogue.h"

void PrepareCommandProcess() {}

std::string DefaultCatalogue() { return kCatalogueFileName; }

std::string TextFromCommandLine(const std::string& argument) { return argument; }
