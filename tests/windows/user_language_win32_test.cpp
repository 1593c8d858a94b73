// The user's preferred UI languages as Windows reports them, read into names the choice matches.
#include <gtest/gtest.h>

#include "common/translations.h"
#include "common/user_language.h"

namespace {

TEST(SystemPreferredLanguages, ReadsTheWholeListAsLanguageNames) {
  const std::vector<std::string> languages = SystemPreferredLanguages();
  ASSERT_FALSE(languages.empty());  // Windows always has a UI language
  for (const std::string& name : languages) {
    SCOPED_TRACE(name);
    EXPECT_GE(name.size(), 2u);
    EXPECT_EQ(name.find('\0'), std::string::npos);
  }
  const std::vector<std::string_view> shipped = ShippedLanguages();
  const std::string chosen = ChooseLanguage(languages, shipped);
  EXPECT_TRUE(chosen.empty() || CatalogueFor(chosen).size() > 0) << chosen;
}

}  // namespace
