// The wizard: the one object a window builds and talks to. It owns the parts of the core (the
// session log, the box channel, the page presenter, the operator choice and the setup session)
// and is the single entry point for the window's events and timers.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/message_catalogue.h"
#include "controller/box_channel.h"
#include "controller/operator_choice.h"
#include "controller/page_presenter.h"
#include "controller/session_log.h"
#include "controller/setup_session.h"
#include "controller/timers.h"
#include "controller/wizard_view.h"

inline constexpr const char* kVersionText = "Dididuz 2015 - Version 1.2.8";

// What the wizard takes from its surroundings; tests replace any of it.
struct WizardEnvironment {
  std::string catalogue_path = kCatalogueFileName;
  std::string usb_library;  // empty: the platform's default name
  LocalClock clock = SystemLocalTime;
  LogPlaces log_places;
  SendBytes send;  // empty: the serial port
  // Shows the developers' mirror of the log, which the layout hides, for developers and for
  // the measurement of what it costs.
  bool show_log_mirror = false;
  // The shipped language the window speaks (UserLanguage()); empty: English.
  std::string language;
  // The texts in place of that language's shipped catalogue (the tests' pseudo-translation).
  std::optional<MessageCatalogue> texts;
};

// The catalogue the window and the wizard speak in.
MessageCatalogue TextsOf(const WizardEnvironment& environment);

class Wizard {
 public:
  // Loads the USB library and the catalogue (a catalogue that cannot be opened throws
  // FileOpenError) and starts the tick and the send pump. The window and its controls exist.
  Wizard(WizardView& view, TimerService& timers, WizardEnvironment environment = {});
  ~Wizard();
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  // Makes the serial port; the window calls it once its own set-up is done.
  void CreateSerialPort();
  // The window has shown for the first time: the log starts with the version.
  void OnShown();
  // The user clicked, chose or moved a control: Start, Next, Restart, Copy Link, Exit, the
  // link, the operator list, the two check boxes, and the developers' button and slider.
  void OnControl(Control control);
  // A timer the wizard started has run out.
  void OnTimer(WizardTimer timer);
  // Ticks or unticks a check box from code; as a click would, a change runs its action.
  void SetCheckBox(Control check_box, bool checked);

  // Saves the log as the window closes; a save that fails throws FileCreateError.
  void SaveLog() { log_.Save(); }
  std::string SaveLogUnattended() { return log_.SaveUnattended(); }
  // Ctrl+L, and on Windows the system menu's "Show wizard log".
  void OpenLogWindow() { log_.OpenWindow(); }
  void CopyWholeLog() { log_.CopyAll(); }
  void SaveLogAs() { log_.SaveCopy(); }

  SessionLog& Log() { return log_; }
  BoxChannel& Channel() { return channel_; }
  PagePresenter& Presenter() { return presenter_; }
  OperatorChoice& Operators() { return operators_; }
  SetupSession& Session() { return session_; }
  WizardView& View() { return view_; }
  // The user's language, in which the core hands every text to the window.
  const MessageCatalogue& Texts() const { return texts_; }

 private:
  WizardView& view_;
  TimerService& timers_;
  MessageCatalogue texts_;
  // In the order they depend on each other; the channel's worker ends before the log goes.
  SessionLog log_;
  BoxChannel channel_;
  PagePresenter presenter_;
  OperatorChoice operators_;
  SetupSession session_;
};
