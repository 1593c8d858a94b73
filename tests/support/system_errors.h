// The system's own wording of the file errors tests provoke, so one expectation holds on every
// system (one file per OS, chosen by the build).
#pragma once

#include <string>

// The reason the system gives for a file that is not there, in a folder that is.
std::string MissingFileReason();
// ... and for a file whose folder is not there.
std::string MissingFolderReason();
