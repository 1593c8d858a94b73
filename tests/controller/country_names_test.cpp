// The countries of the operator list in each shipped language, from the table the build makes.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/translations.h"
#include "controller/country_names.h"

namespace {

TEST(CountryNames, TheCatalogueNamesInTheUsersLanguage) {
  struct Row {
    const char* why;
    std::string_view language;
    std::string_view english;
    std::string_view shown;
  };
  const Row rows[] = {
      {"same name in iso-codes", "de", "Germany", "Deutschland"},
      {"catalogue name other than iso-codes' (Türkiye)", "de", "Turkey", "Türkei"},
      {"iso-codes' own name", "de", "Türkiye", "Türkei"},
      {"iso-codes' common name", "de", "Viet Nam", "Vietnam"},
      {"catalogue name written with an escape", "pl", "Côte d'Ivoire", "Wybrzeże Kości Słoniowej"},
      {"right-to-left script", "ar", "Germany", "ألمانيا"},
      {"missing from iso-codes", "de", "Kosovo", "Kosovo"},
      {"not a country", "de", "Atlantis", "Atlantis"},
      {"English", "", "Germany", "Germany"},
      {"language not shipped", "ru", "Germany", "Germany"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(CountryNameIn(ShippedCountryNames(), row.language, row.english), row.shown);
  }
}

TEST(CountryNames, EveryShippedLanguageHasItsColumnAndAGapFallsBackToEnglish) {
  const CountryNameTable shipped = ShippedCountryNames();
  EXPECT_EQ(std::vector<std::string_view>(shipped.languages.begin(), shipped.languages.end()), ShippedLanguages());
  EXPECT_GT(shipped.rows.size(), 150u);

  const std::array<std::string_view, 2> languages = {"de", "fr"};
  const std::array<std::string_view, 2> names = {"", "Patagonie"};
  const std::array<CountryNameRow, 1> rows = {CountryNameRow{"Patagonia", "pg", names.data()}};
  const CountryNameTable table{languages, rows};
  EXPECT_EQ(CountryNameIn(table, "de", "Patagonia"), "Patagonia");
  EXPECT_EQ(CountryNameIn(table, "fr", "Patagonia"), "Patagonie");
}

}  // namespace
