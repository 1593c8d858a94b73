// The .mo reader, the choice of the user's language and the catalogues the build embeds.
#include "common/translations.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/message_catalogue.h"
#include "common/user_language.h"
#include "common/user_text.h"
#include "support/pseudo_locale.h"

namespace {

const std::vector<std::pair<std::string, std::string>> kGerman = {
    {"", "Language: de\nContent-Type: text/plain; charset=UTF-8\n"},
    {"Next", "Weiter"},
    {"Testing", ""},
    {std::string("button\x04") + "Close", "Schließen"},
    {"Check the PIN", "PIN prüfen"},
};

TEST(MessageCatalogue, ReadsBothByteOrdersAndKeepsEnglishWhereNothingIsTranslated) {
  for (const bool big_endian : {false, true}) {
    SCOPED_TRACE(big_endian ? "big endian" : "little endian");
    std::string error;
    const auto catalogue = MessageCatalogue::FromMo(MoFileBytes(kGerman, big_endian), &error);
    ASSERT_TRUE(catalogue.has_value()) << error;
    EXPECT_EQ(catalogue->Translate("Next"), "Weiter");
    EXPECT_EQ(catalogue->Translate("Check the PIN"), "PIN prüfen");
    EXPECT_EQ(catalogue->Translate("Testing"), "Testing");  // an empty translation is no translation
    EXPECT_EQ(catalogue->Translate("Exit"), "Exit");
    EXPECT_EQ(catalogue->Translate("button", "Close"), "Schließen");
    EXPECT_EQ(catalogue->Translate("Close"), "Close");
    EXPECT_EQ(catalogue->Translate(""), "");  // the header is not a text
    EXPECT_EQ(catalogue->size(), 3u);
    EXPECT_EQ(catalogue->Language(), "de");
  }
}

TEST(MessageCatalogue, RefusesBrokenFilesWithAReason) {
  const std::vector<unsigned char> good = MoFileBytes(kGerman, false);
  std::vector<unsigned char> wrong_magic = good;
  wrong_magic[0] = 0;
  std::vector<unsigned char> future_revision = good;
  future_revision[6] = 1;
  std::vector<unsigned char> huge_count = good;
  huge_count[11] = 0x7f;
  struct Row {
    const char* name;
    std::vector<unsigned char> bytes;
    const char* error;
  };
  const Row rows[] = {
      {"empty", {}, "not a .mo file"},
      {"wrong magic", wrong_magic, "not a .mo file"},
      {"header cut short", std::vector<unsigned char>(good.begin(), good.begin() + 16),
       "the .mo header is cut short"},
      {"future revision", future_revision, "unknown .mo revision"},
      {"strings cut off", std::vector<unsigned char>(good.begin(), good.end() - 3),
       "a .mo entry points past the end of the file"},
      {"count beyond the tables", huge_count, "a .mo entry points past the end of the file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string error;
    EXPECT_FALSE(MessageCatalogue::FromMo(row.bytes, &error).has_value());
    EXPECT_EQ(error, row.error);
  }
}

TEST(UserLanguage, FollowsGettextsOrderAndFallsBackToEnglish) {
  struct Row {
    const char* name;
    LocaleVariables variables;
    std::string expected;
  };
  const std::vector<std::string_view> shipped = {"de", "pt_BR", "fr"};
  const Row rows[] = {
      {"nothing set", {}, ""},
      {"LANG alone", {"", "", "", "de_DE.UTF-8"}, "de"},
      {"LC_MESSAGES over LANG", {"", "", "fr_FR.UTF-8", "de_DE.UTF-8"}, "fr"},
      {"LC_ALL over LC_MESSAGES", {"", "de_AT.UTF-8@euro", "fr_FR.UTF-8", ""}, "de"},
      {"LANGUAGE over the locale", {"fr:de", "", "", "de_DE.UTF-8"}, "fr"},
      {"LANGUAGE skips what is not shipped", {"sv:nb::de", "", "", "en_GB.UTF-8"}, "de"},
      {"C locale ignores LANGUAGE", {"de", "C", "", "de_DE.UTF-8"}, ""},
      {"C.UTF-8 locale ignores LANGUAGE", {"de", "", "", "C.UTF-8"}, ""},
      {"POSIX locale", {"", "", "POSIX", "de_DE.UTF-8"}, ""},
      {"LANGUAGE without a locale", {"de", "", "", ""}, ""},
      {"country kept when shipped", {"", "", "", "pt_BR.UTF-8"}, "pt_BR"},
      {"country not shipped", {"", "", "", "pt_PT.UTF-8"}, ""},
      {"country dropped", {"", "", "", "fr_CA.UTF-8"}, "fr"},
      {"English listed first", {"en:de", "", "", "de_DE.UTF-8"}, ""},
      {"English listed after", {"de:en", "", "", "en_US.UTF-8"}, "de"},
      {"none shipped", {"", "", "", "ar_EG.UTF-8"}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ChooseLanguage(PreferredLanguages(row.variables), shipped), row.expected);
  }
}

TEST(UserLanguage, ReadsWindowsLanguageNames) {
  const std::vector<std::string_view> shipped = {"de", "pt_BR"};
  const std::vector<std::string> preferred = {"ar-EG", "pt-BR", "de-DE"};
  EXPECT_EQ(ChooseLanguage(preferred, shipped), "pt_BR");
}

TEST(UserLanguage, KnowsWhichLanguagesAreWrittenRightToLeft) {
  struct Row {
    std::string_view language;
    bool right_to_left;
  };
  const Row rows[] = {
      {"ar", true},  {"ar_EG", true}, {"ar-SA", true}, {"he", true}, {"fa_IR.UTF-8", true}, {"", false},
      {"de", false}, {"pt_BR", false}, {"fi", false},  {"nb", false}, {"arn", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.language);
    EXPECT_EQ(IsRightToLeft(row.language), row.right_to_left);
  }
  // Every shipped language but Arabic is written left to right.
  for (const std::string_view language : ShippedLanguages()) EXPECT_EQ(IsRightToLeft(language), language == "ar") << language;
}

// The English texts of the template the build extracted (written without wrapping).
std::vector<std::string> TemplateTexts() {
  std::ifstream pot(RODIDUZ_BINARY_DIR "/po/rodiduz-setup.pot");
  std::vector<std::string> texts;
  std::string line;
  while (std::getline(pot, line)) {
    if (!line.starts_with("msgid \"") || line == "msgid \"\"") continue;
    std::string text;
    for (std::size_t at = 7; at + 1 < line.size(); ++at) {
      if (line[at] == '\\') ++at;
      text += line[at];
    }
    texts.push_back(text);
  }
  return texts;
}

TEST(ShippedTranslations, EveryTextHasATranslationInEveryLanguage) {
  const std::vector<std::string> texts = TemplateTexts();
  ASSERT_GT(texts.size(), 50u);
  ASSERT_FALSE(ShippedLanguages().empty());
  for (const std::string_view language : ShippedLanguages()) {
    SCOPED_TRACE(language);
    const MessageCatalogue catalogue = CatalogueFor(language);
    for (const std::string& text : texts) EXPECT_TRUE(catalogue.Contains(text)) << text;
  }
  EXPECT_EQ(CatalogueFor("de").Translate("Enter PIN code:"), "PIN eingeben:");
  EXPECT_EQ(CatalogueFor("xx").size(), 0u);
  // The header names the language, which tells the direction it is written in.
  for (const std::string_view language : ShippedLanguages()) EXPECT_EQ(CatalogueFor(language).Language(), language);
  EXPECT_EQ(EnglishTexts().Language(), "");
}

// A text keeps its English for the log and shows the translation with the same values, which
// a translation may put in another order; the values are never looked up themselves.
TEST(UserText, FillsNamedPlaceholdersInEnglishAndInTheUsersLanguage) {
  const auto catalogue = MessageCatalogue::FromMo(
      MoFileBytes({{"", "Content-Type: text/plain; charset=UTF-8\n"},
                   {"Cannot open file \"{path}\". {reason}", "{reason}: „{path}“ lässt sich nicht öffnen."},
                   {"It is a folder, not a file", "Das ist ein Ordner"},
                   {"Next", "Weiter"},
                   {"Box ID: {id}", "Box-ID: {id}"}},
                  false),
      nullptr);
  ASSERT_TRUE(catalogue.has_value());
  const UserText open_error = UserText("Cannot open file \"{path}\". {reason}")
                                  .With("path", "/tmp/Next")
                                  .With("reason", UserText("It is a folder, not a file"));
  EXPECT_EQ(open_error.English(), "Cannot open file \"/tmp/Next\". It is a folder, not a file");
  EXPECT_EQ(NativeToUtf8(open_error.Shown(*catalogue)), "Das ist ein Ordner: „/tmp/Next“ lässt sich nicht öffnen.");
  EXPECT_EQ(open_error.Shown(EnglishTexts()), Utf8ToNative(open_error.English()));

  // A value from the box or a file is 8-bit; a window's reason is already the window's own.
  EXPECT_EQ(UserText("Box ID: {id}").With("id", "AB{id}").Shown(*catalogue), u"Box-ID: AB{id}");
  EXPECT_EQ(UserText("Unable to start web browser. {reason}").With("reason", NativeString(u"\u00e9")).English(),
            AnsiString("Unable to start web browser. ") + NativeToAnsi(u"\u00e9"));
  // Braces that name no value stay; the empty text is not the catalogue's header.
  EXPECT_EQ(UserText("{kept} {id}").With("id", "7").English(), "{kept} 7");
  EXPECT_EQ(UserText().Shown(*catalogue), u"");
  EXPECT_EQ(UserText("").Shown(*catalogue), u"");
}

// In a sentence written right to left each value is isolated, so that a path or an ID keeps its
// own order; a text written left to right and the English log get the values as they are.
TEST(UserText, IsolatesEachValueOnlyInARightToLeftLanguage) {
  const auto arabic = MessageCatalogue::FromMo(
      MoFileBytes({{"", "Language: ar\nContent-Type: text/plain; charset=UTF-8\n"},
               {"Cannot open file \"{path}\". {reason}", "\u062a\u0639\u0630\u0631 \"{path}\". {reason}"},
               {"It is a folder, not a file", "\u0645\u062c\u0644\u062f"}},
              false),
      nullptr);
  const auto german = MessageCatalogue::FromMo(MoFileBytes(kGerman, false), nullptr);
  ASSERT_TRUE(arabic.has_value() && german.has_value());
  const UserText open_error = UserText("Cannot open file \"{path}\". {reason}")
                                  .With("path", "C:\\Box/1")
                                  .With("reason", UserText("It is a folder, not a file"));
  EXPECT_EQ(open_error.Shown(*arabic),
            u"\u062a\u0639\u0630\u0631 \"\u2068C:\\Box/1\u2069\". \u2068\u0645\u062c\u0644\u062f\u2069");
  EXPECT_EQ(open_error.English(), "Cannot open file \"C:\\Box/1\". It is a folder, not a file");
  EXPECT_EQ(UserText("Box ID: {id}").With("id", "AB12").Shown(*german), u"Box ID: AB12");
  EXPECT_EQ(UserText("Box ID: {id}").With("id", "AB12").Shown(EnglishTexts()), u"Box ID: AB12");
  EXPECT_EQ(UserText("Next").Shown(*arabic), u"Next");
}

// What the pseudo-translation keeps of a text: its placeholders, access keys and line breaks.
std::vector<std::string> KeptParts(std::string_view text) {
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && text.find('}', i) != std::string_view::npos) {
      kept.emplace_back(text.substr(i, text.find('}', i) + 1 - i));
    } else if (text[i] == '&' && i + 1 < text.size()) {
      kept.emplace_back(text.substr(i, 2));
    } else if (text[i] == '\n') {
      kept.emplace_back("\n");
    }
  }
  return kept;
}

// Characters, not bytes, outside the placeholders, which the values replace.
std::size_t ShownLength(std::string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && text.find('}', i) != std::string_view::npos) {
      i = text.find('}', i);
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++length;
    }
  }
  return length;
}

// The tests that texts fit read every text of the program in the pseudo-translation: each must
// be there, 40 % longer, with the values, access keys and lines of its English.
TEST(PseudoTranslation, GivesEveryTextFortyPercentMoreKeepingItsValuesKeysAndLines) {
  EXPECT_EQ(PseudoTranslation("&Yes, {port}."), "&Yéš~~~, {port}.");
  const std::vector<std::string> keys = TemplateKeys(CatalogueTemplate());
  ASSERT_GT(keys.size(), 100u);
  const MessageCatalogue pseudo = PseudoCatalogue();
  EXPECT_EQ(pseudo.size(), keys.size());
  for (const std::string& english : keys) {
    SCOPED_TRACE(english);
    const std::string shown = PseudoTranslation(english);
    EXPECT_EQ(KeptParts(shown), KeptParts(english));
    EXPECT_GE(ShownLength(shown) * 10, ShownLength(english) * 14);
    EXPECT_EQ(pseudo.Translate(english), shown);
  }
}

}  // namespace
