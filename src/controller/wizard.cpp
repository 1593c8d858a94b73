// The wizard: its parts put together, and the window's events and timers handed to them.
#include "controller/wizard.h"

#include "common/translations.h"

Wizard::Wizard(WizardView& view, TimerService& timers, WizardEnvironment environment)
    : view_(view),
      timers_(timers),
      texts_(TextsOf(environment)),
      log_(view, std::move(environment.clock), std::move(environment.log_places), texts_),
      channel_(log_, environment.usb_library, std::move(environment.send)),
      presenter_(view, timers, log_, texts_),
      operators_(view, presenter_),
      session_(view, timers, log_, channel_, presenter_, operators_) {
  view_.ShowPage(kPageWelcome);
  log_.ShowMirror(environment.show_log_mirror);
  operators_.ShowCountriesIn(environment.language);
  operators_.Load(environment.catalogue_path);
  view_.SetCaption(Control::VersionFooter, AnsiToNative(kVersionText));
  timers_.Start(WizardTimer::kTick);
  timers_.Start(WizardTimer::kSendPump);
}

MessageCatalogue TextsOf(const WizardEnvironment& environment) {
  return environment.texts ? *environment.texts : CatalogueFor(environment.language);
}

Wizard::~Wizard() {
  for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) timers_.Stop(static_cast<WizardTimer>(timer));
}

void Wizard::CreateSerialPort() { channel_.CreatePort(); }

void Wizard::OnShown() {
  log_.Line(AnsiString("Program Version: ") + kVersionText);
  // Without the library the search finds nothing for ever; the log is where to learn why.
  if (!channel_.UsbLibraryLoaded()) log_.Line("USB library could not be loaded: " + channel_.UsbLibraryFailure());
}

void Wizard::OnControl(Control control) {
  switch (control) {
    case Control::Start: return session_.Start();
    case Control::Next: return session_.Next();
    case Control::Restart: return session_.Restart();
    case Control::ShowAllOperators: return session_.RebuildOperatorList();
    case Control::OperatorList: return operators_.OnChosen();
    case Control::CredentialsGiven: return presenter_.ShowCredentialsAsTicked();
    case Control::CopyLink: return presenter_.CopyLink();
    case Control::BoxLink: return presenter_.OpenLink();
    case Control::Exit: return view_.CloseWindow();
    case Control::NextPageForTesting: return presenter_.ShowNextPage();
    case Control::LadderSlider: return presenter_.OnLadderSliderMoved();
    default:
      // The other controls raise nothing the wizard acts on.
      return;
  }
}

void Wizard::OnTimer(WizardTimer timer) {
  switch (timer) {
    case WizardTimer::kTick: return session_.Tick();
    case WizardTimer::kSendPump: return channel_.PumpSend();
    case WizardTimer::kDots: return presenter_.AnimateDots();
    case WizardTimer::kInfoDots: return presenter_.AnimateInfoDots();
    case WizardTimer::kLadderPause: return session_.FinishLadderPause();
    case WizardTimer::kLinkCopied: return presenter_.EndLinkCopiedNote();
    case WizardTimer::kCount: return;
  }
}

void Wizard::SetCheckBox(Control check_box, bool checked) {
  if (view_.IsChecked(check_box) == checked) return;
  view_.SetChecked(check_box, checked);
  OnControl(check_box);
}
