// Looks up the embedded catalogues by language.
#include "common/translations.h"

#include <utility>

#include "common/user_language.h"

std::vector<std::string_view> ShippedLanguages() {
  std::vector<std::string_view> languages;
  for (const ShippedTranslation& shipped : ShippedTranslations()) languages.push_back(shipped.language);
  return languages;
}

MessageCatalogue CatalogueFor(std::string_view language) {
  for (const ShippedTranslation& shipped : ShippedTranslations()) {
    if (shipped.language != language) continue;
    // The build checked and compiled it; a reader failure would be a build fault, so English shows.
    if (auto catalogue = MessageCatalogue::FromMo(shipped.mo, nullptr)) return std::move(*catalogue);
  }
  return {};
}

const MessageCatalogue& EnglishTexts() {
  static const MessageCatalogue english;
  return english;
}

std::string UserLanguage() {
  const std::vector<std::string> preferred = SystemPreferredLanguages();
  const std::vector<std::string_view> shipped = ShippedLanguages();
  return ChooseLanguage(preferred, shipped);
}
