// The progress ladder: which components each level shows, and the "Testing" dots.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "support/wizard_fixture.h"

namespace {

const Control kLadder[] = {Control::LadderSearching, Control::LadderSearchWait, Control::LadderFound, Control::LadderFoundCheck,
                           Control::LadderStartupHeading, Control::LadderStartupWait, Control::LadderStarted, Control::LadderStartedCheck,
                           Control::LadderTestHeading, Control::LadderTesting, Control::LadderTested, Control::LadderTestedCheck};

std::set<Control> VisibleLadder(const RecordingView& view) {
  std::set<Control> visible;
  for (Control c : kLadder) {
    if (view.IsVisible(c)) visible.insert(c);
  }
  return visible;
}

TEST(LadderLevel, EachLevelShowsItsComponents) {
  using C = Control;
  // `announced`: the newest step, read out to screen-reader users; Count for none.
  const struct {
    int level;
    std::set<Control> visible;
    Control announced;
  } rows[] = {
      {0, {}, C::Count},
      {1, {C::LadderSearching, C::LadderSearchWait}, C::LadderSearching},
      {2, {C::LadderSearching, C::LadderFound, C::LadderFoundCheck, C::LadderStartupWait}, C::LadderFound},
      {3, {C::LadderSearching, C::LadderFound, C::LadderFoundCheck, C::LadderStartupHeading, C::LadderStartupWait}, C::LadderStartupHeading},
      {4, {C::LadderSearching, C::LadderFound, C::LadderFoundCheck, C::LadderStartupHeading, C::LadderStarted, C::LadderStartedCheck}, C::LadderStarted},
      {5, {C::LadderSearching, C::LadderFound, C::LadderFoundCheck, C::LadderStartupHeading, C::LadderStarted, C::LadderStartedCheck, C::LadderTestHeading, C::LadderTesting}, C::LadderTestHeading},
      {6,
       {C::LadderSearching, C::LadderFound, C::LadderFoundCheck, C::LadderStartupHeading, C::LadderStarted, C::LadderStartedCheck, C::LadderTestHeading, C::LadderTesting, C::LadderTested,
        C::LadderTestedCheck},
       C::LadderTested},
      {-5, {}, C::Count},
      {7,
       {C::LadderSearching, C::LadderFound, C::LadderFoundCheck, C::LadderStartupHeading, C::LadderStarted, C::LadderStartedCheck, C::LadderTestHeading, C::LadderTesting, C::LadderTested,
        C::LadderTestedCheck},
       C::LadderTested},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    WizardFixture fixture;
    // Start from everything shown, so that hiding is checked too.
    for (Control c : kLadder) fixture.view().SetVisible(c, true);
    fixture.core().Presenter().ShowLadderLevel(row.level);
    EXPECT_EQ(VisibleLadder(fixture.view()), row.visible);
    EXPECT_EQ(fixture.core().Presenter().ShownLevel(), row.level < 0 ? 0 : row.level);
    const std::vector<Control> announced =
        row.announced == C::Count ? std::vector<Control>{} : std::vector<Control>{row.announced};
    EXPECT_EQ(fixture.view().announced, announced);
  }
}

TEST(LadderLevel, RepeatedLevelChangesNothingButMinusOneRedraws) {
  WizardFixture fixture;
  RecordingView& view = fixture.view();
  Wizard& form = fixture.core();
  form.Presenter().ShowLadderLevel(3);
  view.SetVisible(Control::LadderTested, true);  // a stray change the repeat must not undo
  form.Presenter().ShowLadderLevel(3);
  EXPECT_TRUE(view.IsVisible(Control::LadderTested));
  form.Presenter().ShowLadderLevel(-1);
  EXPECT_TRUE(VisibleLadder(view).empty());
  view.SetVisible(Control::LadderTested, true);
  form.Presenter().ShowLadderLevel(-1);  // -1 always redraws
  EXPECT_FALSE(view.IsVisible(Control::LadderTested));
  view.SetVisible(Control::LadderTested, true);
  form.Presenter().ShowLadderLevel(0);  // 0 after -1 is already shown
  EXPECT_TRUE(view.IsVisible(Control::LadderTested));
}

TEST(LadderLevel, TimerRunsFromFiveUntilAboveFive) {
  WizardFixture fixture;
  RecordingView& view = fixture.view();
  Wizard& form = fixture.core();
  form.Presenter().ShowLadderLevel(5);
  EXPECT_TRUE(view.Running(WizardTimer::kDots));
  form.OnTimer(WizardTimer::kDots);
  form.OnTimer(WizardTimer::kDots);
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing..");
  form.Presenter().ShowLadderLevel(4);  // hidden, but the animation goes on
  EXPECT_FALSE(view.IsVisible(Control::LadderTesting));
  EXPECT_TRUE(view.Running(WizardTimer::kDots));
  form.Presenter().ShowLadderLevel(5);
  EXPECT_EQ(form.Presenter().DotCount(), 0);
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing..");  // last frame until the next tick
  form.Presenter().ShowLadderLevel(6);
  EXPECT_FALSE(view.Running(WizardTimer::kDots));
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing");
  form.Presenter().ShowLadderLevel(4);
  EXPECT_FALSE(view.Running(WizardTimer::kDots));
  EXPECT_FALSE(view.IsVisible(Control::LadderTestHeading));
}

TEST(OnDotsTimer, CyclesOneTwoThreeThenNoDots) {
  WizardFixture fixture;
  std::vector<std::string> frames;
  for (int i = 0; i < 5; ++i) {
    fixture.core().OnTimer(WizardTimer::kDots);
    frames.push_back(fixture.view().CaptionUtf8(Control::LadderTesting));
  }
  EXPECT_EQ(frames, (std::vector<std::string>{"Testing.", "Testing..", "Testing...", "Testing", "Testing."}));
}

TEST(OnLadderSliderMoved, ShowsTheSlidersLevel) {
  WizardFixture fixture;
  fixture.view().track_bar_position = 2;
  fixture.core().OnControl(Control::LadderSlider);
  EXPECT_EQ(fixture.core().Presenter().ShownLevel(), 2);
  EXPECT_TRUE(fixture.view().IsVisible(Control::LadderFoundCheck));
}

// The message window's dots count up to three and start again while the box works; a message
// without them stops them and stands exactly as given; one with no text shows only the dots.
TEST(InfoDots, CountUpToThreeAndStopForAMessageWithout) {
  WizardFixture fixture;
  RecordingView& view = fixture.view();
  Wizard& form = fixture.core();
  for (const NativeString& text : {NativeString(u"Testing GPRS settings"), NativeString()}) {
    form.Presenter().ShowInfo(text, false, true);
    EXPECT_EQ(view.info.text, text);
    ASSERT_TRUE(view.Running(WizardTimer::kInfoDots));
    for (const char16_t* dots : {u".", u"..", u"...", u"", u"."}) {
      form.OnTimer(WizardTimer::kInfoDots);
      EXPECT_EQ(view.info.text, text + dots);
    }
  }
  form.Presenter().ShowInfo(u"Connection failed. Please check operator/APN settings and try again", true, false);
  EXPECT_FALSE(view.Running(WizardTimer::kInfoDots));
  EXPECT_EQ(view.info.text, u"Connection failed. Please check operator/APN settings and try again");
  form.Presenter().ShowInfo(u"Testing GPRS settings", false, true);
  form.Presenter().HideInfo();
  EXPECT_FALSE(view.Running(WizardTimer::kInfoDots));
  EXPECT_FALSE(view.info.visible);
}

}  // namespace
