// The controller's construction, start-up state and the window operations it owns.
#include "controller/main_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "controller/window_layout.h"
#include "controller/wizard_driver.h"
#include "support/form_fixture.h"
#include "support/system_errors.h"

namespace {

TEST(Construction, StartsInTheDocumentedState) {
  FormFixture fixture;
  const TForm1& form = fixture.form();
  EXPECT_EQ(Form1, &fixture.form());
  EXPECT_EQ(form.CommState, kStateInit);
  EXPECT_EQ(form.ReplyTimeout, 100u);
  EXPECT_EQ(form.SimStatus, 0);
  EXPECT_EQ(form.Mcc, 0);
  EXPECT_TRUE(form.BoxApn.empty() && form.BoxUser.empty() && form.BoxPassword.empty() &&
              form.BoxPin.empty() && form.BoxId.empty() && form.BoxHw.empty() &&
              form.BoxSw.empty() && form.BoxMac.empty());
  EXPECT_EQ(form.ShownLevel, -1);
  EXPECT_EQ(form.GprsTestTries, 0);
  EXPECT_EQ(form.LineBuffer.Length(), 0u);
  EXPECT_FALSE(form.PortOpen.load());
  EXPECT_EQ(form.CommNumber.load(), 0);
  EXPECT_EQ(fixture.view().CurrentPage(), kPageWelcome);
  EXPECT_EQ(fixture.view().CaptionUtf8(Control::VersionFooter), "Dididuz 2015 - Version 1.2.8");
  EXPECT_TRUE(fixture.view().operators.empty());
  // CreateSerialPort has made the engine before any tick or show.
  EXPECT_NE(form.Serial, nullptr);
  // The log stays empty until the window is shown.
  EXPECT_TRUE(fixture.LogTexts().empty());
}

TEST(Construction, MissingUsbLibraryLeavesTheHandleNullAndStartsNormally) {
  FormFixture fixture;
  EXPECT_EQ(fixture.form().UsbLibHandle, nullptr);
  EXPECT_EQ(fixture.form().FindDeviceAndGetCommNumber(), 0);
}

TEST(Construction, TheLogsDebugMirrorShowsAndTakesEveryTextOnlyWhenAskedFor) {
  for (const bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "asked for" : "as the layout has it");
    ScratchFolder folder;
    RecordingView view;
    TForm1Environment environment;
    environment.catalogue_path = folder.Write("apnlist.csv", "");
    environment.usb_library = folder.File("no-such-usblib.so");
    environment.show_log_mirror = shown;
    TForm1 form(view, environment);
    form.LogLine("[Rx]  ");
    EXPECT_EQ(view.IsVisible(Control::LogMirror), shown);
    const std::vector<std::pair<Control, NativeString>> mirrored = {{Control::LogMirror, u"[Rx]  "}};
    EXPECT_EQ(view.debug_items, shown ? mirrored : decltype(mirrored){});
  }
}

TEST(Construction, MissingCatalogueFailsWithTheFullPathAndClearsForm1) {
  ScratchFolder folder;
  RecordingView view;
  TForm1Environment environment;
  environment.catalogue_path = folder.File("apnlist.csv");
  try {
    TForm1 form(view, environment);
    FAIL() << "construction without a catalogue succeeded";
  } catch (const FileOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + folder.File("apnlist.csv") + "\". " + MissingFileReason());
  }
  EXPECT_EQ(Form1, nullptr);
}

TEST(Destruction, ClearsForm1SoTheCallbackFindsNoController) {
  {
    FormFixture fixture;
    ASSERT_EQ(Form1, &fixture.form());
  }
  EXPECT_EQ(Form1, nullptr);
  SerialCallback(nullptr, kSerialOpened);  // must do nothing at all
}

TEST(CheckBoxRule, CodeRunsTheClickHandlerOnlyOnAChange) {
  FormFixture fixture;
  RecordingView& view = fixture.view();
  TForm1& form = fixture.form();
  // CheckBox2's handler shows the user name and password fields while it is ticked.
  view.SetVisible(Control::UserField, true);
  form.SetCheckBox(Control::CredentialsGiven, false);  // already unticked: the handler does not run
  EXPECT_FALSE(view.IsChecked(Control::CredentialsGiven));
  EXPECT_TRUE(view.IsVisible(Control::UserField));
  form.SetCheckBox(Control::CredentialsGiven, true);
  EXPECT_TRUE(view.IsChecked(Control::CredentialsGiven));
  EXPECT_TRUE(view.IsVisible(Control::PasswordField));
  form.SetCheckBox(Control::CredentialsGiven, false);  // a change: the handler hides the fields
  EXPECT_FALSE(view.IsVisible(Control::UserField));
  EXPECT_FALSE(view.IsVisible(Control::PasswordField));
}

// Before a box has passed its test, the page shows the placeholder link of the layout, and
// Copy Link and the link use that very link.
TEST(WindowOperations, CopyLinkAndOpenLinkUseThePlaceholderLinkAtFirst) {
  FormFixture fixture;
  RecordingView& view = fixture.view();
  ASSERT_EQ(BoxWebLink(kPlaceholderBoxId), AnsiString(LayoutOf(Control::BoxLink).text));
  fixture.form().OnCopyLink();
  EXPECT_EQ(NativeToUtf8(view.clipboard), "http://www.rodiduz.com/id/00000000");
  fixture.form().OnOpenLink();
  ASSERT_EQ(view.opened.size(), 1u);
  EXPECT_EQ(NativeToUtf8(view.opened[0]), "http://www.rodiduz.com/id/00000000");
  EXPECT_TRUE(view.plain_messages.empty());
}

// The link is built from the ID the box reported only when that ID is eight letters and
// digits; any other ID makes no link, so nothing can be copied or opened, the page says why
// and so does the log. The rows run one after another in one run, so the page also goes from
// a link to none and back.
TEST(WindowOperations, OnlyAnIdOfEightLettersAndDigitsMakesALink) {
  const struct {
    const char* name;
    std::string id;
    const char* link;  // nullptr: no link
  } rows[] = {
      {"a valid ID", "AB12CD34", "http://www.rodiduz.com/id/AB12CD34"},
      {"a path up to a program", "../../ab", nullptr},
      {"lower case letters", "ab12cd34", "http://www.rodiduz.com/id/ab12cd34"},
      {"an option", "x --foo", nullptr},
      {"a share", "\\\\server\\share", nullptr},
      {"a scheme", "file:x", nullptr},
      {"the placeholder", kPlaceholderBoxId, "http://www.rodiduz.com/id/00000000"},
      {"empty", "", nullptr},
      {"seven characters", "AB12CD3", nullptr},
      {"nine characters", "AB12CD345", nullptr},
      {"a space inside", "AB12 D34", nullptr},
      {"a trailing space", "AB12CD3 ", nullptr},
      {"a byte beyond ASCII", "AB12CD3\xE9", nullptr},
      {"a NUL inside", std::string("AB12\0D34", 8), nullptr},
  };
  WizardDriver wizard;
  wizard.RunTo(kStateGPRSTesting);
  RecordingView& view = wizard.view();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<AnsiString> link = BoxWebLink(row.id);
    EXPECT_EQ(link, row.link == nullptr ? std::nullopt : std::optional<AnsiString>(row.link));

    wizard.form().BoxId = row.id;
    wizard.form().ChangeCommState(kStateGPRSTesting);
    wizard.Tick("GPRSTEST OK");
    ASSERT_EQ(view.CurrentPage(), kPageDone);
    view.clipboard = u"before";
    view.opened.clear();
    wizard.form().OnCopyLink();
    wizard.form().OnOpenLink();
    const bool refused = wizard.Logged("Box ID not valid for a link: " + row.id);
    if (row.link != nullptr) {
      EXPECT_EQ(view.CaptionUtf8(Control::BoxLink), row.link);
      EXPECT_EQ(NativeToUtf8(view.clipboard), row.link);
      ASSERT_EQ(view.opened.size(), 1u);
      EXPECT_EQ(NativeToUtf8(view.opened[0]), row.link);
      EXPECT_FALSE(refused);
    } else {
      EXPECT_EQ(view.CaptionUtf8(Control::BoxLink), "The box reported no valid ID.");
      EXPECT_EQ(view.clipboard, u"before");
      EXPECT_TRUE(view.opened.empty());
      EXPECT_TRUE(refused) << wizard.fixture().Trace();
    }
    EXPECT_EQ(view.IsEnabled(Control::BoxLink), row.link != nullptr);
    EXPECT_EQ(view.IsEnabled(Control::CopyLink), row.link != nullptr);
  }
}

TEST(WindowOperations, ShellResultUpTo32IsAFailureMessage) {
  const struct {
    int result;
    const char* message;
  } rows[] = {{2, "Unable to start web browser.2"}, {32, "Unable to start web browser.32"}, {33, nullptr}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result);
    FormFixture fixture;
    fixture.view().shell_result = row.result;
    fixture.form().OnOpenLink();
    if (row.message == nullptr) {
      EXPECT_TRUE(fixture.view().plain_messages.empty());
    } else {
      ASSERT_EQ(fixture.view().plain_messages.size(), 1u);
      EXPECT_EQ(NativeToUtf8(fixture.view().plain_messages[0]), row.message);
    }
  }
}

TEST(WindowOperations, TestNextStepsThePagesModuloFour) {
  FormFixture fixture;
  std::vector<int> pages;
  for (int i = 0; i < 5; ++i) {
    fixture.form().OnNextPageForTesting();
    pages.push_back(fixture.view().CurrentPage());
  }
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 0, 1}));
  EXPECT_EQ(fixture.form().CommState, kStateInit);
}

TEST(WindowOperations, ExitClosesTheWindow) {
  FormFixture fixture;
  fixture.form().OnExit();
  EXPECT_EQ(fixture.view().close_requests, 1);
}

}  // namespace
