// The user's languages on Linux: gettext's locale variables.
#include "common/user_language.h"

#include <cstdlib>

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::vector<std::string> SystemPreferredLanguages() {
  return PreferredLanguages(
      {Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG")});
}
