// The progress ladder: which components each level shows, and the "Testing" dots.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "support/form_fixture.h"

namespace {

const Control kLadder[] = {Control::Label34, Control::Label32, Control::Label35, Control::Image3,
                           Control::Label39, Control::Label25, Control::Label40, Control::Image4,
                           Control::Label42, Control::Label44, Control::Label13, Control::Image5};

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
      {1, {C::Label34, C::Label32}, C::Label34},
      {2, {C::Label34, C::Label35, C::Image3, C::Label25}, C::Label35},
      {3, {C::Label34, C::Label35, C::Image3, C::Label39, C::Label25}, C::Label39},
      {4, {C::Label34, C::Label35, C::Image3, C::Label39, C::Label40, C::Image4}, C::Label40},
      {5, {C::Label34, C::Label35, C::Image3, C::Label39, C::Label40, C::Image4, C::Label42, C::Label44}, C::Label42},
      {6,
       {C::Label34, C::Label35, C::Image3, C::Label39, C::Label40, C::Image4, C::Label42, C::Label44, C::Label13,
        C::Image5},
       C::Label13},
      {-5, {}, C::Count},
      {7,
       {C::Label34, C::Label35, C::Image3, C::Label39, C::Label40, C::Image4, C::Label42, C::Label44, C::Label13,
        C::Image5},
       C::Label13},
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
  view.SetVisible(Control::Label13, true);  // a stray change the repeat must not undo
  form.LabelVisibleLevel(3);
  EXPECT_TRUE(view.IsVisible(Control::Label13));
  form.LabelVisibleLevel(-1);
  EXPECT_TRUE(VisibleLadder(view).empty());
  view.SetVisible(Control::Label13, true);
  form.LabelVisibleLevel(-1);  // -1 always redraws
  EXPECT_FALSE(view.IsVisible(Control::Label13));
  view.SetVisible(Control::Label13, true);
  form.LabelVisibleLevel(0);  // 0 after -1 is already shown
  EXPECT_TRUE(view.IsVisible(Control::Label13));
}

TEST(LabelVisibleLevel, TimerRunsFromFiveUntilAboveFive) {
  FormFixture fixture;
  RecordingView& view = fixture.view();
  TForm1& form = fixture.form();
  form.LabelVisibleLevel(5);
  EXPECT_TRUE(view.timer1);
  form.Timer1Timer(nullptr);
  form.Timer1Timer(nullptr);
  EXPECT_EQ(view.CaptionUtf8(Control::Label44), "Testing..");
  form.LabelVisibleLevel(4);  // hidden, but the animation goes on
  EXPECT_FALSE(view.IsVisible(Control::Label44));
  EXPECT_TRUE(view.timer1);
  form.LabelVisibleLevel(5);
  EXPECT_EQ(form.DotCount, 0);
  EXPECT_EQ(view.CaptionUtf8(Control::Label44), "Testing..");  // last frame until the next tick
  form.LabelVisibleLevel(6);
  EXPECT_FALSE(view.timer1);
  EXPECT_EQ(view.CaptionUtf8(Control::Label44), "Testing");
  form.LabelVisibleLevel(4);
  EXPECT_FALSE(view.timer1);
  EXPECT_FALSE(view.IsVisible(Control::Label42));
}

TEST(Timer1Timer, CyclesOneTwoThreeThenNoDots) {
  FormFixture fixture;
  std::vector<std::string> frames;
  for (int i = 0; i < 5; ++i) {
    fixture.form().Timer1Timer(nullptr);
    frames.push_back(fixture.view().CaptionUtf8(Control::Label44));
  }
  EXPECT_EQ(frames, (std::vector<std::string>{"Testing.", "Testing..", "Testing...", "Testing", "Testing."}));
}

TEST(TrackBar1Change, ShowsTheSlidersLevel) {
  FormFixture fixture;
  fixture.view().track_bar_position = 2;
  fixture.form().TrackBar1Change(nullptr);
  EXPECT_EQ(fixture.form().ShownLevel, 2);
  EXPECT_TRUE(fixture.view().IsVisible(Control::Image3));
}

}  // namespace
