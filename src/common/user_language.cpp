// The user's language in gettext's order, matched against the shipped translations.
#include "common/user_language.h"

#include <algorithm>
#include <iterator>

namespace {

std::vector<std::string> SplitColons(std::string_view list) {
  std::vector<std::string> parts;
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const std::string_view part = list.substr(0, colon);
    if (!part.empty()) parts.emplace_back(part);
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return parts;
}

// "de_DE.UTF-8@euro" -> "de_DE"; Windows' "de-DE" -> "de_DE".
std::string LanguageAndCountry(std::string_view name) {
  std::string cut(name.substr(0, name.find_first_of(".@")));
  std::replace(cut.begin(), cut.end(), '-', '_');
  return cut;
}

bool IsShipped(std::string_view language, std::span<const std::string_view> shipped) {
  return !language.empty() && std::find(shipped.begin(), shipped.end(), language) != shipped.end();
}

}  // namespace

std::vector<std::string> PreferredLanguages(const LocaleVariables& variables) {
  const std::string& locale = !variables.lc_all.empty()        ? variables.lc_all
                              : !variables.lc_messages.empty() ? variables.lc_messages
                                                               : variables.lang;
  if (locale.empty() || locale == "C" || locale.starts_with("C.") || locale == "POSIX") return {};
  if (!variables.language.empty()) return SplitColons(variables.language);
  return {locale};
}

std::string ChooseLanguage(std::span<const std::string> preferred,
                           std::span<const std::string_view> shipped) {
  for (const std::string& name : preferred) {
    const std::string full = LanguageAndCountry(name);
    if (IsShipped(full, shipped)) return full;
    const std::string language = full.substr(0, full.find('_'));
    if (IsShipped(language, shipped)) return language;
    // English is the source: asking for it ends the search rather than falling to the next.
    if (language == "en") return {};
  }
  return {};
}

bool IsRightToLeft(std::string_view language) {
  // The scripts of these languages run right to left; the country does not change that.
  static constexpr std::string_view kRightToLeft[] = {"ar", "fa", "he", "ps", "ur", "yi"};
  const std::string_view base = language.substr(0, language.find_first_of("_-.@"));
  return std::find(std::begin(kRightToLeft), std::end(kRightToLeft), base) != std::end(kRightToLeft);
}
