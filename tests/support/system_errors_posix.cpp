// The POSIX wording: both are ENOENT.
#include <cerrno>

#include "common/platform.h"
#include "support/system_errors.h"

std::string MissingFileReason() { return SystemErrorText(ENOENT); }

std::string MissingFolderReason() { return SystemErrorText(ENOENT); }
