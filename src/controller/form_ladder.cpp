// The progress ladder of the "Communicating" page and its "Testing" dots.
#include "controller/main_form.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kLadderComponents = {
    Control::Label32, Control::Label25, Control::Label34, Control::Label35,
    Control::Label39, Control::Label40, Control::Label42, Control::Label44,
    Control::Label13, Control::Image3,  Control::Image4,  Control::Image5,
};

// The line that tells the newest step at each level, 1 to 6, read out when the level is drawn.
constexpr std::array kCurrentStepOfLevel = {
    Control::Label34, Control::Label35, Control::Label39, Control::Label40, Control::Label42, Control::Label13,
};

}  // namespace

void TForm1::LabelVisibleLevel(std::int32_t level) {
  if (level == ShownLevel && level != -1) return;
  if (level < 0) level = 0;
  for (Control component : kLadderComponents) view_.SetVisible(component, false);
  if (level > 0) {
    view_.SetVisible(Control::Label34, true);
    view_.SetVisible(Control::Label32, true);
  }
  if (level > 1) {
    view_.SetVisible(Control::Label35, true);
    view_.SetVisible(Control::Image3, true);
    view_.SetVisible(Control::Label32, false);
    view_.SetVisible(Control::Label25, true);
  }
  if (level > 2) view_.SetVisible(Control::Label39, true);
  if (level > 3) {
    view_.SetVisible(Control::Label40, true);
    view_.SetVisible(Control::Image4, true);
    view_.SetVisible(Control::Label25, false);
  }
  if (level > 4) view_.SetVisible(Control::Label42, true);
  if (level == 5) {
    view_.SetVisible(Control::Label44, true);
    view_.SetTimerEnabled(FormTimer::Timer1, true);
    DotCount = 0;
  }
  if (level > 5) {
    view_.SetVisible(Control::Label44, true);
    view_.SetCaption(Control::Label44, u"Testing");
    view_.SetTimerEnabled(FormTimer::Timer1, false);
    DotCount = 0;
    view_.SetVisible(Control::Label13, true);
    view_.SetVisible(Control::Image5, true);
  }
  ShownLevel = level;
  if (level > 0) {
    const auto step = std::min(static_cast<std::size_t>(level), kCurrentStepOfLevel.size());
    view_.Announce(kCurrentStepOfLevel[step - 1]);
  }
}

void TForm1::Timer1Timer(TObject* /*Sender*/) {
  ++DotCount;
  if (DotCount > 3) DotCount = 0;
  view_.SetCaption(Control::Label44, u"Testing" + NativeString(static_cast<std::size_t>(DotCount), u'.'));
}

void TForm1::TrackBar1Change(TObject* /*Sender*/) { LabelVisibleLevel(view_.TrackBarPosition()); }
