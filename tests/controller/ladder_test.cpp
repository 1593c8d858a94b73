// The progress ladder: which components each level shows, and the "Testing" dots.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "support/form_fixture.h"

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

TEST(LabelVisibleLevel, EachLevelShowsItsComponents) {
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
    FormFixture fixture;
    // Start from everything shown, so that hiding is checked too.
    for (Control c : kLadder) fixture.view().SetVisible(c, true);
    fixture.form().LabelVisibleLevel(row.level);
    EXPECT_EQ(VisibleLadder(fixture.view()), row.visible);
    EXPECT_EQ(fixture.form().ShownLevel, row.level < 0 ? 0 : row.level);
    const std::vector<Control> announced =
        row.announced == C::Count ? std::vector<Control>{} : std::vector<Control>{row.announced};
    EXPECT_EQ(fixture.view().announced, announced);
  }
}

TEST(LabelVisibleLevel, RepeatedLevelChangesNothingButMinusOneRedraws) {
  FormFixture fixture;
  RecordingView& view = fixture.view();
  TForm1& form = fixture.form();
  form.LabelVisibleLevel(3);
  view.SetVisible(Control::LadderTested, true);  // a stray change the repeat must not undo
  form.LabelVisibleLevel(3);
  EXPECT_TRUE(view.IsVisible(Control::LadderTested));
  form.LabelVisibleLevel(-1);
  EXPECT_TRUE(VisibleLadder(view).empty());
  view.SetVisible(Control::LadderTested, true);
  form.LabelVisibleLevel(-1);  // -1 always redraws
  EXPECT_FALSE(view.IsVisible(Control::LadderTested));
  view.SetVisible(Control::LadderTested, true);
  form.LabelVisibleLevel(0);  // 0 after -1 is already shown
  EXPECT_TRUE(view.IsVisible(Control::LadderTested));
}

TEST(LabelVisibleLevel, TimerRunsFromFiveUntilAboveFive) {
  FormFixture fixture;
  RecordingView& view = fixture.view();
  TForm1& form = fixture.form();
  form.LabelVisibleLevel(5);
  EXPECT_TRUE(view.timer1);
  form.OnDotsTimer();
  form.OnDotsTimer();
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing..");
  form.LabelVisibleLevel(4);  // hidden, but the animation goes on
  EXPECT_FALSE(view.IsVisible(Control::LadderTesting));
  EXPECT_TRUE(view.timer1);
  form.LabelVisibleLevel(5);
  EXPECT_EQ(form.DotCount, 0);
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing..");  // last frame until the next tick
  form.LabelVisibleLevel(6);
  EXPECT_FALSE(view.timer1);
  EXPECT_EQ(view.CaptionUtf8(Control::LadderTesting), "Testing");
  form.LabelVisibleLevel(4);
  EXPECT_FALSE(view.timer1);
  EXPECT_FALSE(view.IsVisible(Control::LadderTestHeading));
}

TEST(OnDotsTimer, CyclesOneTwoThreeThenNoDots) {
  FormFixture fixture;
  std::vector<std::string> frames;
  for (int i = 0; i < 5; ++i) {
    fixture.form().OnDotsTimer();
    frames.push_back(fixture.view().CaptionUtf8(Control::LadderTesting));
  }
  EXPECT_EQ(frames, (std::vector<std::string>{"Testing.", "Testing..", "Testing...", "Testing", "Testing."}));
}

TEST(OnLadderSliderMoved, ShowsTheSlidersLevel) {
  FormFixture fixture;
  fixture.view().track_bar_position = 2;
  fixture.form().OnLadderSliderMoved();
  EXPECT_EQ(fixture.form().ShownLevel, 2);
  EXPECT_TRUE(fixture.view().IsVisible(Control::LadderFoundCheck));
}

}  // namespace
