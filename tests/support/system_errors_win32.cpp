// The Windows wording: a missing folder has an error of its own.
#include <windows.h>

#include "common/platform.h"
#include "support/system_errors.h"

std::string MissingFileReason() { return SystemErrorText(ERROR_FILE_NOT_FOUND); }

std::string MissingFolderReason() { return SystemErrorText(ERROR_PATH_NOT_FOUND); }
