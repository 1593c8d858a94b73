// The operator list: filters, order, the box's own settings on top, and the APN fields.
#include <gtest/gtest.h>

#include "support/wizard_fixture.h"

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kCatalogue =
    "Vodafone;262;2;web.vodafone.de;;;DE\n"
    "telekom;262;1;internet.telekom;t-mobile;tm;DE\n"
    "Congstar;262;1;internet.t-mobile;;;DE\n"
    "NetA;1;1;net.a;;;\n"
    "Zero;0;0;zero.apn;;;XX\n"
    "Neg;-5;3;neg.apn;;;XX\n"
    "Edge;299;1;edge.apn;;;YY\n"
    "Border;300;1;border.apn;;;ZZ\n"
    "States;310;260;fast.example;;;US\n";

class OperatorSelection : public ::testing::Test {
 protected:
  OperatorSelection() : fixture_(kCatalogue) {}

  Wizard& core() { return fixture_.core(); }
  RecordingView& view() { return fixture_.view(); }

  void BoxReports(std::int32_t mcc, std::int32_t mnc, const AnsiString& apn, const AnsiString& user = "",
                  const AnsiString& password = "") {
    core().Session().report.mcc = mcc;
    core().Session().report.mnc = mnc;
    core().Session().report.apn = apn;
    core().Session().report.user = user;
    core().Session().report.password = password;
  }
  void Rebuild() { core().Operators().Rebuild(core().Session().report, true, core().Session().report.mcc == 0); }

  WizardFixture fixture_;
};

TEST_F(OperatorSelection, SameNetworkSortedWithoutCaseAndBoxSettingsOnTop) {
  BoxReports(262, 1, "box.apn", "boxuser", "boxpw");
  Rebuild();
  EXPECT_EQ(view().OperatorTexts(), (Lines{"(current box settings)", "DE - Congstar", "DE - telekom"}));
  EXPECT_EQ(view().SelectedOperator(), 0);
  EXPECT_EQ(view().TextUtf8(Control::ApnField), "box.apn");
  EXPECT_EQ(view().TextUtf8(Control::UserField), "boxuser");
  EXPECT_EQ(view().TextUtf8(Control::PasswordField), "boxpw");
  EXPECT_TRUE(view().IsChecked(Control::CredentialsGiven));
  EXPECT_TRUE(view().IsVisible(Control::UserField));
  EXPECT_TRUE(view().IsVisible(Control::PasswordCaption));
}

TEST_F(OperatorSelection, BoxSettingsEntryIsMadeFromTheBoxAndOwnedUntilTheNextRebuild) {
  BoxReports(262, 1, "box.apn", "boxuser", "boxpw");
  Rebuild();
  const CatalogueEntry* entry = view().OperatorEntry(0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry, core().Operators().BoxSettingsEntry());
  EXPECT_EQ(entry->Name, "(current box settings)");
  EXPECT_EQ(entry->Mcc, 262);
  EXPECT_EQ(entry->Mnc, 1);
  EXPECT_EQ(entry->ListPrefix, "");
  for (const auto& catalogued : core().Operators().catalogue) EXPECT_NE(catalogued.get(), entry);

  // A rebuild without the box's settings leaves no item referring to the old entry.
  core().Session().report.apn = "unknown";
  Rebuild();
  EXPECT_EQ(core().Operators().BoxSettingsEntry(), nullptr);
  for (int i = 0; i < view().OperatorCount(); ++i) {
    EXPECT_NE(view().OperatorEntry(i), nullptr);
    EXPECT_EQ(view().OperatorText(i).rfind(u"(current", 0), NativeString::npos);
  }
}

TEST_F(OperatorSelection, UnknownApnSpellings) {
  struct Row {
    const char* apn;
    bool offered;
  };
  const Row rows[] = {
      {"unknown", false}, {"UNKNOWN", false}, {"Unknown", true}, {"uNKNOWN", true}, {"", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.apn);
    BoxReports(262, 1, row.apn);
    Rebuild();
    EXPECT_EQ(view().OperatorText(0) == u"(current box settings)", row.offered);
    EXPECT_EQ(view().OperatorCount(), row.offered ? 3 : 2);
  }
}

TEST_F(OperatorSelection, UnknownBoxApnSelectsTheAlphabeticallyFirstOperator) {
  BoxReports(262, 1, "UNKNOWN");
  view().SetChecked(Control::CredentialsGiven, true);
  Rebuild();
  EXPECT_EQ(view().OperatorTexts(), (Lines{"DE - Congstar", "DE - telekom"}));
  EXPECT_EQ(view().SelectedOperator(), 0);
  EXPECT_EQ(view().TextUtf8(Control::ApnField), "internet.t-mobile");
  EXPECT_FALSE(view().IsChecked(Control::CredentialsGiven));
  EXPECT_FALSE(view().IsVisible(Control::UserField));
  EXPECT_FALSE(view().IsVisible(Control::UserCaption));
}

TEST_F(OperatorSelection, NoNetworkOffersEveryEntryBelowCountryCode300) {
  BoxReports(0, 0, "box.apn");
  Rebuild();
  EXPECT_EQ(view().OperatorTexts(),
            (Lines{"(current box settings)", " - NetA", "DE - Congstar", "DE - telekom", "DE - Vodafone",
                   "XX - Neg", "XX - Zero", "YY - Edge"}));
}

TEST_F(OperatorSelection, ShowAllOffersEveryEntry) {
  BoxReports(0, 0, "unknown");
  view().SetChecked(Control::ShowAllOperators, true);
  Rebuild();
  EXPECT_EQ(view().OperatorTexts(),
            (Lines{" - NetA", "DE - Congstar", "DE - telekom", "DE - Vodafone", "US - States", "XX - Neg",
                   "XX - Zero", "YY - Edge", "ZZ - Border"}));
}

TEST_F(OperatorSelection, NetworkWithoutCatalogueEntry) {
  BoxReports(999, 9, "box.apn");
  Rebuild();
  EXPECT_EQ(view().OperatorTexts(), Lines{"(current box settings)"});

  // Nothing offered: nothing selected, and the fields keep what they held.
  BoxReports(999, 9, "unknown");
  view().SetText(Control::ApnField, u"typed");
  view().SetText(Control::UserField, u"user");
  view().SetChecked(Control::CredentialsGiven, true);
  Rebuild();
  EXPECT_TRUE(view().operators.empty());
  EXPECT_EQ(view().SelectedOperator(), -1);
  EXPECT_EQ(view().TextUtf8(Control::ApnField), "typed");
  EXPECT_EQ(view().TextUtf8(Control::UserField), "user");
  EXPECT_TRUE(view().IsChecked(Control::CredentialsGiven));
}

TEST_F(OperatorSelection, BoxSettingsAreTrimmedInPlace) {
  BoxReports(262, 1, " \tweb.apn \x01", "  me ", "\x1Fsecret ");
  Rebuild();
  EXPECT_EQ(core().Session().report.apn, "web.apn");
  EXPECT_EQ(core().Session().report.user, "me");
  EXPECT_EQ(core().Session().report.password, "secret");
  EXPECT_EQ(view().TextUtf8(Control::ApnField), "web.apn");
}

TEST_F(OperatorSelection, ToggleShowAllRebuildsAndOverwritesTypedFields) {
  BoxReports(262, 1, "box.apn");
  Rebuild();
  view().SetText(Control::ApnField, u"typed");
  view().SetChecked(Control::ShowAllOperators, true);
  core().OnControl(Control::ShowAllOperators);
  EXPECT_EQ(view().OperatorCount(), 10);
  EXPECT_EQ(view().SelectedOperator(), 0);
  EXPECT_EQ(view().TextUtf8(Control::ApnField), "box.apn");
}

TEST_F(OperatorSelection, PickingEntriesShowsAndHidesTheCredentialFields) {
  BoxReports(262, 1, "unknown");
  Rebuild();
  view().SelectOperator(1);  // DE - telekom, with user name and password
  core().OnControl(Control::OperatorList);
  EXPECT_EQ(view().TextUtf8(Control::UserField), "t-mobile");
  EXPECT_EQ(view().TextUtf8(Control::PasswordField), "tm");
  EXPECT_TRUE(view().IsChecked(Control::CredentialsGiven));
  for (Control control : {Control::UserCaption, Control::PasswordCaption, Control::UserField, Control::PasswordField}) {
    EXPECT_TRUE(view().IsVisible(control)) << ControlName(control);
  }
  view().SelectOperator(0);
  core().OnControl(Control::OperatorList);
  EXPECT_FALSE(view().IsChecked(Control::CredentialsGiven));
  for (Control control : {Control::UserCaption, Control::PasswordCaption, Control::UserField, Control::PasswordField}) {
    EXPECT_FALSE(view().IsVisible(control)) << ControlName(control);
  }
}

TEST_F(OperatorSelection, UntickingCredentialsHidesButKeepsTheFields) {
  view().SetText(Control::UserField, u"me");
  view().SetChecked(Control::CredentialsGiven, true);
  core().OnControl(Control::CredentialsGiven);
  EXPECT_TRUE(view().IsVisible(Control::UserField));
  view().SetChecked(Control::CredentialsGiven, false);
  core().OnControl(Control::CredentialsGiven);
  EXPECT_FALSE(view().IsVisible(Control::UserField));
  EXPECT_EQ(view().TextUtf8(Control::UserField), "me");
}

TEST_F(OperatorSelection, ChangeWithoutSelectionDoesNothing) {
  view().SetText(Control::ApnField, u"typed");
  view().SetChecked(Control::CredentialsGiven, true);
  core().OnControl(Control::OperatorList);
  EXPECT_EQ(view().TextUtf8(Control::ApnField), "typed");
  EXPECT_TRUE(view().IsChecked(Control::CredentialsGiven));
}

TEST_F(OperatorSelection, WithoutTheBoxSettingsArgumentNoBoxItem) {
  BoxReports(262, 1, " box.apn ");
  core().Operators().Rebuild(core().Session().report, false, false);
  EXPECT_EQ(view().OperatorTexts(), (Lines{"DE - Congstar", "DE - telekom"}));
  EXPECT_EQ(core().Session().report.apn, " box.apn ");
}


// The countries in the language the window speaks, sorted by what the list shows; the entry
// chosen still fills the fields with the catalogue's own values.
TEST(OperatorSelectionInTheUsersLanguage, CountriesTranslatedAndSortedByTheShownText) {
  constexpr const char* kCountries =
      "Telekom;262;1;internet.telekom;;;Germany\n"
      "Turkcell;286;1;internet.turkcell;;;Turkey\n"
      "Vala;221;1;vala.apn;;;Kosovo\n"
      "A1;232;1;a1.net;;;Austria\n"
      "Orange;208;1;orange.fr;;;France\n";
  ScratchFolder folder;
  RecordingView view;
  WizardEnvironment environment;
  environment.catalogue_path = folder.Write("apnlist.csv", kCountries);
  environment.usb_library = folder.File("no-such-usblib.so");
  environment.language = "de";
  Wizard core(view, view, std::move(environment));
  core.Session().report.apn = "unknown";
  view.SetChecked(Control::ShowAllOperators, true);
  core.Operators().Rebuild(core.Session().report, true, false);
  EXPECT_EQ(view.OperatorTexts(), (Lines{"Deutschland - Telekom", "Frankreich - Orange", "Kosovo - Vala",
                                         "Türkei - Turkcell", "Österreich - A1"}));
  view.SelectOperator(3);
  core.OnControl(Control::OperatorList);
  EXPECT_EQ(view.TextUtf8(Control::ApnField), "internet.turkcell");

  WizardFixture english(kCountries);
  english.view().SetChecked(Control::ShowAllOperators, true);
  english.core().Session().report.apn = "unknown";
  english.core().Operators().Rebuild(english.core().Session().report, true, false);
  EXPECT_EQ(english.view().OperatorTexts(),
            (Lines{"Austria - A1", "France - Orange", "Germany - Telekom", "Kosovo - Vala", "Turkey - Turkcell"}));
}

}  // namespace
