// A pseudo-translation for the tests that texts fit: every text of the catalogue's template 40 %
// longer and accented, its placeholders and access keys kept. Never shipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/message_catalogue.h"

// What the build extracted from the sources (po/rodiduz-setup.pot), embedded into the tests by
// cmake/embed-template.cmake.
std::string_view CatalogueTemplate();

// The template's keys: each msgid, behind its context and "\x04" where it has one.
std::vector<std::string> TemplateKeys(std::string_view pot);

// `english` with each letter accented and each word a good 40 % longer ("~" added), so that a
// text that only just fits in English shows where a longer translation would not. Placeholders
// ("{port}") and access keys ("&Yes") stay as they are, so the values and the keys still work.
std::string PseudoTranslation(std::string_view english);

// A .mo file as msgfmt writes it: header, the originals' table, the translations' table, strings.
std::vector<unsigned char> MoFileBytes(const std::vector<std::pair<std::string, std::string>>& entries,
                                       bool big_endian = false);

// Every text of the template pseudo-translated.
MessageCatalogue PseudoCatalogue();

// A key of the template in the language of `texts`: behind its context where it has one.
std::string_view TranslatedKey(const MessageCatalogue& texts, std::string_view key);

// A language the tests that texts fit check: English, a shipped one, or the pseudo-translation
// (`texts` standing in for the language's own catalogue).
struct FitLanguage {
  std::string name;
  std::string language;
  std::optional<MessageCatalogue> texts;
};

// English, every shipped language, and the pseudo-translation, which stands for the longer
// languages to come.
std::vector<FitLanguage> FitLanguages();
