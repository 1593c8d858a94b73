// The progress ladder of the "Communicating" page and its "Testing" dots.
#include "controller/main_form.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kLadderComponents = {
    Control::LadderSearchWait, Control::LadderStartupWait, Control::LadderSearching, Control::LadderFound,
    Control::LadderStartupHeading, Control::LadderStarted, Control::LadderTestHeading, Control::LadderTesting,
    Control::LadderTested, Control::LadderFoundCheck,  Control::LadderStartedCheck,  Control::LadderTestedCheck,
};

// The line that tells the newest step at each level, 1 to 6, read out when the level is drawn.
constexpr std::array kCurrentStepOfLevel = {
    Control::LadderSearching, Control::LadderFound, Control::LadderStartupHeading, Control::LadderStarted, Control::LadderTestHeading, Control::LadderTested,
};

}  // namespace

void TForm1::LabelVisibleLevel(std::int32_t level) {
  if (level == ShownLevel && level != -1) return;
  if (level < 0) level = 0;
  for (Control component : kLadderComponents) view_.SetVisible(component, false);
  if (level > 0) {
    view_.SetVisible(Control::LadderSearching, true);
    view_.SetVisible(Control::LadderSearchWait, true);
  }
  if (level > 1) {
    view_.SetVisible(Control::LadderFound, true);
    view_.SetVisible(Control::LadderFoundCheck, true);
    view_.SetVisible(Control::LadderSearchWait, false);
    view_.SetVisible(Control::LadderStartupWait, true);
  }
  if (level > 2) view_.SetVisible(Control::LadderStartupHeading, true);
  if (level > 3) {
    view_.SetVisible(Control::LadderStarted, true);
    view_.SetVisible(Control::LadderStartedCheck, true);
    view_.SetVisible(Control::LadderStartupWait, false);
  }
  if (level > 4) view_.SetVisible(Control::LadderTestHeading, true);
  if (level == 5) {
    view_.SetVisible(Control::LadderTesting, true);
    view_.SetTimerEnabled(FormTimer::Timer1, true);
    DotCount = 0;
  }
  if (level > 5) {
    view_.SetVisible(Control::LadderTesting, true);
    view_.SetCaption(Control::LadderTesting, u"Testing");
    view_.SetTimerEnabled(FormTimer::Timer1, false);
    DotCount = 0;
    view_.SetVisible(Control::LadderTested, true);
    view_.SetVisible(Control::LadderTestedCheck, true);
  }
  ShownLevel = level;
  if (level > 0) {
    const auto step = std::min(static_cast<std::size_t>(level), kCurrentStepOfLevel.size());
    view_.Announce(kCurrentStepOfLevel[step - 1]);
  }
}

void TForm1::OnDotsTimer() {
  ++DotCount;
  if (DotCount > 3) DotCount = 0;
  view_.SetCaption(Control::LadderTesting, u"Testing" + NativeString(static_cast<std::size_t>(DotCount), u'.'));
}

void TForm1::OnLadderSliderMoved() { LabelVisibleLevel(view_.TrackBarPosition()); }
