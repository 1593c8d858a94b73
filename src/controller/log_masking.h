// Secrets out of the log: the values of the SIM codes and the APN password in the commands
// sent to the box and in the box's settings report.
#pragma once

#include <string_view>

#include "common/text.h"

// For a "[Tx]  " or "[Rx]  " line, each character other than a space of the values after
// "PIN:", "PUK:" and "PW:" becomes "*"; a value runs to the next key (after a space) or to
// "]". An empty value stays empty, so a reader still sees whether one was given. Every other
// line, and everything else in these, is returned as it is.
AnsiString MaskSecretsInLogLine(std::string_view line);
