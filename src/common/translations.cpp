// Looks up the embedded catalogues by language.
#include "common/translations.h"

#include <utility>

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
