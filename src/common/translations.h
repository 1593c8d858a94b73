// The translations the program carries and the marks that put a text into the catalogue.
// The English text is the key (msgid); po/<language>.po holds each language's texts.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_catalogue.h"

// Marks an English text for the catalogue where it cannot be translated yet (a table's row);
// whoever shows it translates it.
constexpr const char* N_(const char* english) { return english; }

struct ShippedTranslation {
  std::string_view language;  // "de", "pt_BR": the .po file's name
  std::span<const unsigned char> mo;
};

// Every compiled catalogue, embedded by the build (cmake/embed-translations.cmake).
std::span<const ShippedTranslation> ShippedTranslations();
std::vector<std::string_view> ShippedLanguages();

// The catalogue of one shipped language; an empty one (English) for any other.
MessageCatalogue CatalogueFor(std::string_view language);
// The empty catalogue: every text in English.
const MessageCatalogue& EnglishTexts();
// The shipped language the user reads best, from the system's preferences; "" for English.
std::string UserLanguage();
