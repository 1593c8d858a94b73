// The wizard's construction, start-up state, the one entry point of the window's events, and
// the window operations it owns.
#include "controller/wizard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "controller/window_layout.h"
#include "controller/wizard_driver.h"
#include "support/wizard_fixture.h"
#include "support/system_errors.h"

namespace {

TEST(Construction, StartsInTheDocumentedState) {
  WizardFixture fixture;
  Wizard& form = fixture.core();
  EXPECT_EQ(form.Session().state, kStateInit);
  EXPECT_EQ(form.Session().reply_timeout, 100u);
  EXPECT_EQ(form.Session().sim_status, 0);
  EXPECT_EQ(form.Session().report.mcc, 0);
  EXPECT_TRUE(form.Session().report.apn.empty() && form.Session().report.user.empty() && form.Session().report.password.empty() &&
              form.Session().report.pin.empty() && form.Session().report.id.empty() && form.Session().report.hardware.empty() &&
              form.Session().report.software.empty() && form.Session().report.mac.empty());
  EXPECT_EQ(form.Presenter().ShownLevel(), -1);
  EXPECT_EQ(form.Session().gprs_test_tries, 0);
  EXPECT_FALSE(form.Channel().port_open.load());
  EXPECT_EQ(form.Channel().port_number.load(), 0);
  EXPECT_EQ(fixture.view().CurrentPage(), kPageWelcome);
  EXPECT_EQ(fixture.view().CaptionUtf8(Control::VersionFooter), "Dididuz 2015 - Version 1.2.8");
  EXPECT_TRUE(fixture.view().operators.empty());
  // CreateSerialPort has made the port before any tick or show, and the wizard keeps its tick
  // and send pump running from the start.
  EXPECT_NE(form.Channel().Port(), nullptr);
  EXPECT_EQ(fixture.view().timer_starts, (std::vector<WizardTimer>{WizardTimer::kTick, WizardTimer::kSendPump}));
  // The log stays empty until the window is shown.
  EXPECT_TRUE(fixture.LogTexts().empty());
}

TEST(Construction, MissingUsbLibraryLeavesTheHandleNullAndStartsNormally) {
  WizardFixture fixture;
  EXPECT_FALSE(fixture.core().Channel().UsbLibraryLoaded());
  EXPECT_EQ(fixture.core().Channel().FindBox().number, 0);
}

TEST(Construction, TheLogsDebugMirrorShowsAndTakesEveryTextOnlyWhenAskedFor) {
  for (const bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "asked for" : "as the layout has it");
    ScratchFolder folder;
    RecordingView view;
    WizardEnvironment environment;
    environment.catalogue_path = folder.Write("apnlist.csv", "");
    environment.usb_library = folder.File("no-such-usblib.so");
    environment.show_log_mirror = shown;
    Wizard form(view, view, environment);
    form.Log().Line("[Rx]  ");
    EXPECT_EQ(view.IsVisible(Control::LogMirror), shown);
    const std::vector<std::pair<Control, NativeString>> mirrored = {{Control::LogMirror, u"[Rx]  "}};
    EXPECT_EQ(view.debug_items, shown ? mirrored : decltype(mirrored){});
  }
}

TEST(Construction, MissingCatalogueFailsWithTheFullPath) {
  ScratchFolder folder;
  RecordingView view;
  WizardEnvironment environment;
  environment.catalogue_path = folder.File("apnlist.csv");
  try {
    Wizard form(view, view, environment);
    FAIL() << "construction without a catalogue succeeded";
  } catch (const FileOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + folder.File("apnlist.csv") + "\". " + MissingFileReason());
  }
}

// Every control the user works reaches its part through the wizard's one entry point; the
// controls that act on nothing change nothing. A timer that runs out is handed on likewise.
TEST(EntryPoint, EachControlAndTimerReachesItsPart) {
  WizardFixture fixture;
  RecordingView& view = fixture.view();
  Wizard& wizard = fixture.core();
  wizard.OnControl(Control::WelcomeHeadline);
  wizard.OnControl(Control::Count);
  EXPECT_TRUE(fixture.LogTexts().empty());
  wizard.OnControl(Control::Start);
  EXPECT_EQ(fixture.LogTexts(), (std::vector<std::string>{"==== NEW ====", "(State Init->Searching)"}));
  view.track_bar_position = 2;
  wizard.OnControl(Control::LadderSlider);
  EXPECT_EQ(wizard.Presenter().ShownLevel(), 2);
  wizard.Presenter().ShowLadderLevel(5);
  ASSERT_TRUE(view.Running(WizardTimer::kDots));
  wizard.OnTimer(WizardTimer::kDots);
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing.");
  wizard.Session().SendToBox("[UNLOCK]", 500);
  wizard.OnTimer(WizardTimer::kSendPump);
  EXPECT_FALSE(wizard.Channel().CommandWaiting());
}

TEST(Destruction, StopsEveryTimerTheWizardStarted) {
  RecordingView view;
  {
    ScratchFolder folder;
    WizardEnvironment environment;
    environment.catalogue_path = folder.Write("apnlist.csv", "");
    environment.usb_library = folder.File("no-such-usblib.so");
    Wizard wizard(view, view, environment);
    wizard.Presenter().ShowLadderLevel(5);
  }
  for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) EXPECT_FALSE(view.timers[timer]) << timer;
}

TEST(CheckBoxRule, CodeRunsTheClickHandlerOnlyOnAChange) {
  WizardFixture fixture;
  RecordingView& view = fixture.view();
  Wizard& form = fixture.core();
  // "APN Username/Password provided" shows the user name and password fields while ticked.
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
  WizardFixture fixture;
  RecordingView& view = fixture.view();
  ASSERT_EQ(BoxWebLink(kPlaceholderBoxId), AnsiString(LayoutOf(Control::BoxLink).text));
  fixture.core().OnControl(Control::CopyLink);
  EXPECT_EQ(NativeToUtf8(view.clipboard), "http://www.rodiduz.com/id/00000000");
  fixture.core().OnControl(Control::BoxLink);
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

    wizard.core().Session().report.id = row.id;
    wizard.core().Session().ChangeState(kStateGPRSTesting);
    wizard.Tick("GPRSTEST OK");
    ASSERT_EQ(view.CurrentPage(), kPageDone);
    view.clipboard = u"before";
    view.opened.clear();
    wizard.core().OnControl(Control::CopyLink);
    wizard.core().OnControl(Control::BoxLink);
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
    // The note of the row before went with its page; only a copy made shows it.
    EXPECT_EQ(view.IsVisible(Control::LinkCopiedNote), row.link != nullptr);
  }
}

// Copy Link says beside the button, and reads out, that the link was copied; the note stays
// for its moment, which another press starts anew, and goes when the moment is over or the
// page is left.
TEST(WindowOperations, CopyLinkSaysForAMomentThatTheLinkWasCopied) {
  const struct {
    const char* name;
    Control ending;  // Count: the moment runs out
  } rows[] = {{"the moment runs out", Control::Count}, {"Restart", Control::Restart},
              {"the developers' next page", Control::NextPageForTesting}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WizardDriver wizard;
    RecordingView& view = wizard.view();
    wizard.RunTo(kStateGPRSTesting);
    wizard.Tick("GPRSTEST OK");
    ASSERT_EQ(view.CurrentPage(), kPageDone);
    ASSERT_FALSE(view.IsVisible(Control::LinkCopiedNote));
    EXPECT_STREQ(LayoutOf(Control::LinkCopiedNote).text, "Link copied");
    view.announced.clear();
    view.timer_starts.clear();
    for (int press = 0; press < 2; ++press) wizard.core().OnControl(Control::CopyLink);
    EXPECT_TRUE(view.IsVisible(Control::LinkCopiedNote));
    EXPECT_EQ(view.announced, (std::vector<Control>{Control::LinkCopiedNote, Control::LinkCopiedNote}));
    EXPECT_EQ(view.timer_starts, (std::vector<WizardTimer>{WizardTimer::kLinkCopied, WizardTimer::kLinkCopied}));
    if (row.ending == Control::Count) {
      wizard.core().OnTimer(WizardTimer::kLinkCopied);
    } else {
      wizard.core().OnControl(row.ending);
      EXPECT_NE(view.CurrentPage(), kPageDone);
    }
    EXPECT_FALSE(view.IsVisible(Control::LinkCopiedNote));
    EXPECT_FALSE(view.Running(WizardTimer::kLinkCopied));
  }
}

TEST(WindowOperations, ALinkThatDoesNotOpenSaysTheSystemsReason) {
  const struct {
    std::optional<NativeString> failure;
    const char* message;
  } rows[] = {{u"No browser.", "Unable to start web browser. No browser."}, {std::nullopt, nullptr}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message == nullptr ? "opened" : row.message);
    WizardFixture fixture;
    fixture.view().open_failure = row.failure;
    fixture.core().OnControl(Control::BoxLink);
    if (row.message == nullptr) {
      EXPECT_TRUE(fixture.view().plain_messages.empty());
    } else {
      ASSERT_EQ(fixture.view().plain_messages.size(), 1u);
      EXPECT_EQ(NativeToUtf8(fixture.view().plain_messages[0]), row.message);
    }
  }
}

TEST(WindowOperations, TestNextStepsThePagesModuloFour) {
  WizardFixture fixture;
  std::vector<int> pages;
  for (int i = 0; i < 5; ++i) {
    fixture.core().OnControl(Control::NextPageForTesting);
    pages.push_back(fixture.view().CurrentPage());
  }
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 0, 1}));
  EXPECT_EQ(fixture.core().Session().state, kStateInit);
}

TEST(WindowOperations, ExitClosesTheWindow) {
  WizardFixture fixture;
  fixture.core().OnControl(Control::Exit);
  EXPECT_EQ(fixture.view().close_requests, 1);
}

}  // namespace
