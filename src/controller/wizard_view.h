// The view interface: everything the controller does to the window goes through these calls.
// The Qt window implements it; the tests use a recording view.
#pragma once

#include <optional>
#include <string>

#include "common/text.h"

class CatalogueEntry;

// The main window's components by their role; the layout table keeps each one's original
// component name as data (ControlName), which logs, screenshots and the layout contract use.
enum class Control {
  // Left half and frame
  Logo, Background, LogoFrame, FoundDeviceName, BoxIdLine, SignalLine, BoxTypeLine, WizardTitle,
  VersionFooter, Divider, Pages, CatalogueMirror, LogMirror, NextPageForTesting, LadderSlider,
  // The welcome page
  WelcomeStepsHeading, WelcomeHeadline, WelcomeStep1, WelcomeStep2, WelcomeStep3, WelcomeNote, Start,
  // The communicating page with the progress ladder
  ConnectHeadline, LadderTested, StatusLine, LadderStartupWait, LadderSearchWait, LadderConnectHeading,
  LadderSearching, LadderFound, LadderStartupHeading, LadderStarted, LadderTestHeading, LadderTesting,
  LadderFoundCheck, LadderStartedCheck, LadderTestedCheck,
  // The settings page
  ManualSettingsCaption, OperatorListCaption, ApnCaption, UserCaption, PasswordCaption, PinCaption,
  SetupHeadline, PukCaption, PinFrame, OperatorFrame, PinField, ApnField, UserField, PasswordField,
  PukField, OperatorList, ShowAllOperators, CredentialsGiven, Next,
  // The done page
  DoneHeadline, DoneStep1, DoneStep1Line2, DoneStep2, DoneStep1Line3, RestartCaption, DoneStep2Line2,
  BoxLink, DoneCheck, CopyLink, Restart, Exit, LinkCopiedNote,
  Count  // not a component
};

const char* ControlName(Control control);

// True for the components the layout creates hidden.
bool HiddenInLayout(Control control);

enum NotebookPage : int { kPageWelcome = 0, kPageCommunicating = 1, kPageSetup = 2, kPageDone = 3 };
inline constexpr int kNotebookPageCount = 4;

// The operator list's order: alphabetical, not case-sensitive (shared by every view so that
// the same tests hold for the window and for the recording view).
bool OperatorItemLess(const NativeString& a, const NativeString& b);

class WizardView {
 public:
  virtual ~WizardView() = default;

  // The pages
  virtual void ShowPage(int page) = 0;
  virtual int CurrentPage() const = 0;
  virtual void RepaintNotebook() = 0;

  // Label captions and edit-field texts (the PIN field's text is always four characters).
  virtual void SetCaption(Control label, const NativeString& text) = 0;
  virtual NativeString Caption(Control label) const = 0;
  virtual void SetText(Control edit, const NativeString& text) = 0;
  virtual NativeString Text(Control edit) const = 0;

  // The component's own visibility setting, whichever page is shown.
  virtual void SetVisible(Control control, bool visible) = 0;
  virtual bool IsVisible(Control control) const = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool IsEnabled(Control control) const = 0;
  // Puts the keyboard focus on a control, so the user can type the answer to a question at once.
  virtual void SetFocus(Control control) = 0;
  // Tells assistive technology (a screen reader) that the control's text is news to be read out.
  virtual void Announce(Control control) = 0;

  // Check boxes. Setting the state runs no handler here: the wizard applies the rule "a change
  // made from code runs the click handler" itself.
  virtual bool IsChecked(Control check_box) const = 0;
  virtual void SetChecked(Control check_box, bool checked) = 0;

  // The operator list. AddOperator puts the item at its sorted place; selecting from code runs
  // no change handler.
  virtual void ClearOperators() = 0;
  virtual void AddOperator(const NativeString& text, CatalogueEntry* entry) = 0;
  virtual void InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) = 0;
  virtual int OperatorCount() const = 0;
  virtual NativeString OperatorText(int index) const = 0;
  virtual void SelectOperator(int index) = 0;
  virtual int SelectedOperator() const = 0;  // -1 when none
  virtual CatalogueEntry* OperatorEntry(int index) const = 0;

  // The developers' slider of the ladder's level.
  virtual int TrackBarPosition() const = 0;

  // The message window: shown with its text, and its Close button or none.
  virtual void ShowInfo(const NativeString& text, bool close_button) = 0;
  // Its text changed while it shows (the dots the wizard animates).
  virtual void SetInfoText(const NativeString& text) = 0;
  virtual void HideInfo() = 0;

  // Window services.
  virtual void CopyToClipboard(const NativeString& text) = 0;
  // Opens a web address in the desktop's browser: nothing when it opened, else the system's
  // reason.
  virtual std::optional<NativeString> OpenWebLink(const NativeString& address) = 0;
  virtual void ShowPlainMessage(const NativeString& text) = 0;
  virtual void CloseWindow() = 0;

  // The "Wizard log" window. Shows it with the line saying where the log is saved, or brings
  // it to the front, and applies what the session log's window feed holds for it at once.
  virtual void ShowLogWindow(const NativeString& place) = 0;
  // Any thread: lines wait in the session log's window feed, for the window's thread to take.
  virtual void WakeLogWindow() = 0;
  // Asks where to save a copy of the log, offering `name`: the path in the system's 8-bit
  // form, or nothing when the user cancels.
  virtual std::optional<std::string> AskWhereToSaveLog(const NativeString& name) = 0;
  // An error, in a box over the window the user works in.
  virtual void ShowError(const NativeString& text) = 0;

  // The developers' mirrors of the catalogue and the log. The wizard only calls them while the
  // layout makes the list visible; a view may be called from the serial worker for the log's
  // mirror and must then hand the update to its UI thread.
  virtual void AddDebugItem(Control list_box, const NativeString& text) = 0;

  // The settings page holds what the wizard would send first, just before it goes out or the
  // wizard asks for a SIM code. A front end that answers for its user (the command line) fills
  // the fields here; a window leaves them to its user. False holds the first submission back,
  // as a refusal would: the page waits for its user (the command line ends the run instead of
  // sending settings it could not fill as asked).
  virtual bool SettingsPageReady() { return true; }
};
