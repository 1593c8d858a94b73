// Which of the shipped translations the user reads: their preferred languages, best first,
// matched against what the program carries; English when none matches.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The locale variables gettext reads, as the environment holds them (empty when unset).
struct LocaleVariables {
  std::string language;     // LANGUAGE: a colon list of languages, best first
  std::string lc_all;       // LC_ALL
  std::string lc_messages;  // LC_MESSAGES
  std::string lang;         // LANG
};

// The languages the user asked for, best first, in gettext's order: the locale is the first
// set of LC_ALL, LC_MESSAGES and LANG; the C or POSIX locale means English whatever LANGUAGE
// says; otherwise LANGUAGE, when set, overrides the locale's language.
std::vector<std::string> PreferredLanguages(const LocaleVariables& variables);

// The first preferred language that is shipped, tried as given ("pt_BR") and then without its
// country ("pt"); codesets and modifiers ("de_DE.UTF-8@euro") are ignored. "" means English.
std::string ChooseLanguage(std::span<const std::string> preferred, std::span<const std::string_view> shipped);

// Whether a language ("ar", "ar_EG", "fa-IR") is written right to left, so that its windows are
// laid out mirrored. "" (English) is not.
bool IsRightToLeft(std::string_view language);

// The user's preferred UI languages from the system (one backend file per OS), best first.
std::vector<std::string> SystemPreferredLanguages();
