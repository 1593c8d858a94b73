// What the pages show: the ladder, the fields of the settings page, the lines, the messages, the link.
#include "controller/page_presenter.h"

#include <algorithm>
#include <array>

#include "common/translations.h"

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

// The box's type, such as "GSM" (a network standard, the same in every language); empty until
// the box tells it.
UserText BoxTypeLine(std::string_view type) {
  // Translators: {type} is a mobile network standard such as GSM, or nothing before the box
  // reports one.
  return UserText(N_("Box Type: {type}")).With("type", type);
}

// The ladder's line while the box tests, followed by up to three dots.
constexpr const char* kTesting = N_("Testing");

}  // namespace

const char* SignalStrengthText(const BoxReport& box) {
  if (box.mcc == 0 || box.mnc == 0) return N_("Signal Strength: Unknown");
  if (box.rssi > -60) return N_("Signal Strength: Excellent");
  if (box.rssi >= -72) return N_("Signal Strength: Good");
  if (box.rssi >= -84) return N_("Signal Strength: Okay");
  if (box.rssi >= -99) return N_("Signal Strength: Poor");
  return N_("Signal Strength: Bad");
}

PagePresenter::PagePresenter(WizardView& view, TimerService& timers, SessionLog& log, const MessageCatalogue& texts)
    : view_(view), timers_(timers), log_(log), texts_(texts) {}

void PagePresenter::ShowLadderLevel(std::int32_t level) {
  if (level == shown_level_ && level != -1) return;
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
    timers_.Start(WizardTimer::kDots);
    dot_count_ = 0;
  }
  if (level > 5) {
    view_.SetVisible(Control::LadderTesting, true);
    view_.SetCaption(Control::LadderTesting, ShownText(texts_, kTesting));
    timers_.Stop(WizardTimer::kDots);
    dot_count_ = 0;
    view_.SetVisible(Control::LadderTested, true);
    view_.SetVisible(Control::LadderTestedCheck, true);
  }
  shown_level_ = level;
  if (level > 0) {
    const auto step = std::min(static_cast<std::size_t>(level), kCurrentStepOfLevel.size());
    view_.Announce(kCurrentStepOfLevel[step - 1]);
  }
}

void PagePresenter::AnimateDots() {
  ++dot_count_;
  if (dot_count_ > 3) dot_count_ = 0;
  view_.SetCaption(Control::LadderTesting, ShownText(texts_, kTesting) + NativeString(static_cast<std::size_t>(dot_count_), u'.'));
}

bool PagePresenter::ShowsDuringARun(Control control) {
  constexpr std::array kShownLater = {
      Control::PukCaption,      Control::PukField,      Control::UserCaption,    Control::UserField,
      Control::PasswordCaption, Control::PasswordField, Control::LinkCopiedNote, Control::LogMirror};
  return std::find(kLadderComponents.begin(), kLadderComponents.end(), control) != kLadderComponents.end() ||
         std::find(kShownLater.begin(), kShownLater.end(), control) != kShownLater.end();
}

void PagePresenter::OnLadderSliderMoved() { ShowLadderLevel(view_.TrackBarPosition()); }

void PagePresenter::SetOperatorAreaVisible(bool visible) {
  for (Control control : {Control::OperatorList, Control::ShowAllOperators, Control::CredentialsGiven,
                          Control::ManualSettingsCaption, Control::OperatorListCaption, Control::ApnCaption,
                          Control::ApnField, Control::OperatorFrame}) {
    view_.SetVisible(control, visible);
  }
  ShowCredentialsAsTicked();
}

void PagePresenter::ShowCredentialsAsTicked() {
  // What is shown is what is sent: the user name and password go out only while the box is
  // ticked, and they belong to the operator area, hidden with it whatever the tick.
  const bool visible = view_.IsChecked(Control::CredentialsGiven) && view_.IsVisible(Control::OperatorList);
  for (Control control : {Control::UserCaption, Control::PasswordCaption, Control::UserField, Control::PasswordField}) {
    view_.SetVisible(control, visible);
  }
}

void PagePresenter::SetCredentialsGiven(bool given) {
  if (view_.IsChecked(Control::CredentialsGiven) == given) return;
  view_.SetChecked(Control::CredentialsGiven, given);
  ShowCredentialsAsTicked();
}

void PagePresenter::SetPinAreaVisible(bool visible) {
  for (Control control : {Control::PinField, Control::PinCaption, Control::PinFrame}) view_.SetVisible(control, visible);
}

void PagePresenter::ShowPukEntry() {
  if (!view_.IsVisible(Control::PukField)) view_.SetText(Control::PukField, u"");
  view_.SetVisible(Control::PukField, true);
  view_.SetVisible(Control::PukCaption, true);
}

void PagePresenter::HidePukEntry() {
  view_.SetVisible(Control::PukField, false);
  view_.SetVisible(Control::PukCaption, false);
}

void PagePresenter::SetLabel(Control label, const AnsiString& text) { view_.SetCaption(label, AnsiToNative(text)); }

void PagePresenter::SetLabel(Control label, const UserText& text) { view_.SetCaption(label, text.Shown(texts_)); }

void PagePresenter::SetStatusLine(const UserText& text) {
  SetLabel(Control::StatusLine, text);
  if (!text.empty()) view_.Announce(Control::StatusLine);
}

void PagePresenter::ShowSignal(const BoxReport& box) { SetLabel(Control::SignalLine, UserText(SignalStrengthText(box))); }

void PagePresenter::ShowIdentity(const BoxReport& box) {
  // Translators: {id} is the box's ID as the box reports it, such as "AB12CD34".
  SetLabel(Control::BoxIdLine, UserText(N_("Box ID: {id}")).With("id", box.id));
  if (box.hardware.starts_with("014")) SetLabel(Control::BoxTypeLine, BoxTypeLine("GSM"));
}

void PagePresenter::ShowWelcome() {
  EndLinkCopiedNote();
  SetLabel(Control::WelcomeHeadline, UserText(N_("Welcome. Press start to begin")));
  view_.ShowPage(kPageWelcome);
  SetLabel(Control::BoxIdLine, UserText(N_("Box ID:")));
  SetLabel(Control::SignalLine, UserText(N_("Signal Strength:")));
  SetLabel(Control::BoxTypeLine, BoxTypeLine(""));
}

void PagePresenter::ShowInfo(const NativeString& text, bool close_button, bool dots) {
  info_text_ = text;
  info_dot_count_ = 0;
  view_.ShowInfo(text, close_button);
  if (dots) {
    timers_.Start(WizardTimer::kInfoDots);
  } else {
    timers_.Stop(WizardTimer::kInfoDots);
  }
}

void PagePresenter::HideInfo() {
  timers_.Stop(WizardTimer::kInfoDots);
  view_.HideInfo();
}

void PagePresenter::AnimateInfoDots() {
  ++info_dot_count_;
  if (info_dot_count_ > 3) info_dot_count_ = 0;
  view_.SetInfoText(info_text_ + NativeString(static_cast<std::size_t>(info_dot_count_), u'.'));
}

void PagePresenter::ShowMessage(const UserText& text) {
  last_message_ = text;
  ShowInfo(text.Shown(texts_), true, false);
}

void PagePresenter::ShowAndLogMessage(const UserText& text) {
  ShowMessage(text);
  log_.Line("Show Message:" + text.English());
}

void PagePresenter::ShowBoxLink(const AnsiString& box_id) {
  EndLinkCopiedNote();
  box_link_ = BoxWebLink(box_id);
  // The log says why the page has no link, with the ID as the box gave it.
  if (!box_link_) log_.Line("Box ID not valid for a link: " + box_id);
  if (box_link_) {
    SetLabel(Control::BoxLink, *box_link_);
  } else {
    SetLabel(Control::BoxLink, UserText(kNoValidBoxIdText));
  }
  view_.SetEnabled(Control::BoxLink, box_link_.has_value());
  view_.SetEnabled(Control::CopyLink, box_link_.has_value());
}

void PagePresenter::CopyLink() {
  if (!box_link_) return;
  view_.CopyToClipboard(AnsiToNative(*box_link_));
  view_.SetVisible(Control::LinkCopiedNote, true);
  view_.Announce(Control::LinkCopiedNote);
  // Started anew, so the moment counts from this press.
  timers_.Stop(WizardTimer::kLinkCopied);
  timers_.Start(WizardTimer::kLinkCopied);
}

void PagePresenter::EndLinkCopiedNote() {
  // The note shows while its timer runs; hiding it otherwise would build an unseen page.
  if (!timers_.Running(WizardTimer::kLinkCopied)) return;
  timers_.Stop(WizardTimer::kLinkCopied);
  view_.SetVisible(Control::LinkCopiedNote, false);
}

void PagePresenter::OpenLink() {
  if (!box_link_) return;
  if (const auto failure = view_.OpenWebLink(AnsiToNative(*box_link_))) {
    // Translators: {reason} is the system's or the window's own sentence saying why.
    view_.ShowPlainMessage(UserText(N_("Unable to start web browser. {reason}")).With("reason", *failure).Shown(texts_));
  }
}

void PagePresenter::ShowNextPage() {
  EndLinkCopiedNote();
  view_.ShowPage((view_.CurrentPage() + 1) % kNotebookPageCount);
}
