// Fills the "%s" and "%d" of a text constant in order; the values come as text.
#pragma once

#include <string>
#include <vector>

std::string FormatText(const char* pattern, const std::vector<std::string>& values);
