// TForm1: construction, the serial engine's creation, the wizard log and the window operations.
#include "controller/main_form.h"

#include <chrono>
#include <thread>

#include "common/platform.h"
#include "controller/log_masking.h"
#include "link/usb_library.h"

TForm1* Form1 = nullptr;

TForm1Registration::TForm1Registration(TForm1* form) { Form1 = form; }

namespace {

NativeString NativeNumber(int value) { return AnsiToNative(std::to_string(value)); }

}  // namespace

TForm1::TForm1(FormView& view, TForm1Environment environment) try
    : TForm1Registration(this),
      LogList(environment.clock),
      view_(view),
      environment_(std::move(environment)) {
  // The window and its controls exist already: `view` is the window.
  const std::string library =
      environment_.usb_library.empty() ? DefaultUsbLibraryName() : environment_.usb_library;
  UsbLibHandle = LoadUsbLibrary(library.c_str(), &usb_library_failure_);
  view_.ShowPage(kPageWelcome);
  if (environment_.show_log_mirror) view_.SetVisible(Control::LogMirror, true);
  log_mirror_visible_ = view_.IsVisible(Control::LogMirror);
  catalogue_mirror_visible_ = view_.IsVisible(Control::CatalogueMirror);
  view_.ClearOperators();
  CatalogueRowMirror mirror;
  if (catalogue_mirror_visible_) {
    mirror = [this](const AnsiString& name) { view_.AddDebugItem(Control::CatalogueMirror, AnsiToNative(name)); };
  }
  LoadCatalogueFromFile(environment_.catalogue_path, ApnList, mirror);
  CommState = kStateInit;
  ReplyTimeout = 100;
  view_.SetCaption(Control::VersionFooter, AnsiToNative(kVersionText));
} catch (...) {
  Form1 = nullptr;
}

TForm1::~TForm1() {
  // The worker must be gone before anything it reaches through Form1 is destroyed; it is
  // stopped while Serial still points at it, so its last callbacks are served normally.
  if (Serial) Serial->Stop();
  Serial.reset();
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::CreateSerialPort() {
  Serial = std::make_unique<SerialPort>();
  Serial->SetCallback(SerialCallback);
}

void TForm1::LogLine(const AnsiString& text) {
  // The log is sent to support: no PIN, PUK or password may reach it, nor the mirror of it.
  const AnsiString line = MaskSecretsInLogLine(text);
  LogList.Append(line);
  if (LogWindowLines.LineAdded()) view_.WakeLogWindow();
  if (log_mirror_visible_) view_.AddDebugItem(Control::LogMirror, AnsiToNative(line));
}

void TForm1::OnShown() {
  LogLine(AnsiString("Program Version: ") + kVersionText);
  // Without the library the search finds nothing for ever; the log is where to learn why.
  if (UsbLibHandle == nullptr) LogLine("USB library could not be loaded: " + usb_library_failure_);
}

void TForm1::FormClose(TObject* /*Sender*/, TCloseAction& /*Action*/) {
  LogFiles.Save(LogFolderInUse(), LogList.FileContent());
}

std::string TForm1::LogFolderInUse() const {
  return environment_.log_folder ? environment_.log_folder() : LogFolder();
}

std::string TForm1::SaveLogUnattended() {
  std::string failure;
  try {
    TCloseAction action = TCloseAction::caFree;
    FormClose(nullptr, action);
    return {};
  } catch (const std::exception& error) {
    failure = ErrorDisplayText(error);
  }
  const std::string folder = environment_.fallback_folder ? environment_.fallback_folder() : FallbackLogFolder();
  if (folder.empty()) return failure + " The log could not be saved.";
  try {
    ReplaceFile(folder + kLogFileName, LogList.FileContent());
    return failure + " The log was saved as \"" + folder + kLogFileName + "\" instead.";
  } catch (const std::exception& error) {
    return failure + " " + ErrorDisplayText(error) + " The log could not be saved.";
  }
}

void TForm1::OpenLogWindow() {
  LogWindowLines.Open();
  view_.ShowLogWindow(AnsiToNative(LogPlaceText()));
}

void TForm1::CopyWholeLog() { view_.CopyToClipboard(AnsiToNative(LogList.FileContent())); }

void TForm1::SaveLogAs() {
  const std::optional<std::string> path = view_.AskWhereToSaveLog(AnsiToNative(kLogFileName));
  if (!path) return;
  try {
    ReplaceFile(*path, LogList.FileContent());
  } catch (const std::exception& error) {
    view_.ShowError(AnsiToNative(ErrorDisplayText(error)));
  }
}

std::string TForm1::LogPlaceText() const {
  try {
    return "The log is saved as \"" + LogFolderInUse() + kLogFileName + "\" when the wizard closes.";
  } catch (const std::exception& error) {
    // The close will say so too, and ask; a copy can be kept before then.
    return ErrorDisplayText(error) + " Save as... keeps a copy of the log elsewhere.";
  }
}

void TForm1::SetCheckBox(Control check_box, bool checked) {
  if (view_.IsChecked(check_box) == checked) return;
  view_.SetChecked(check_box, checked);
  if (check_box == Control::ShowAllOperators) OnShowAllOperatorsClick();
  if (check_box == Control::CredentialsGiven) OnCredentialsGivenClick();
}

void TForm1::SetLabel(Control label, const AnsiString& text) { view_.SetCaption(label, AnsiToNative(text)); }

void TForm1::Pause(unsigned milliseconds) {
  if (environment_.pause) {
    environment_.pause(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

void TForm1::ShowBoxLink() {
  box_link_ = BoxWebLink(BoxId);
  // The log says why the page has no link, with the ID as the box gave it.
  if (!box_link_) LogLine("Box ID not valid for a link: " + BoxId);
  SetLabel(Control::BoxLink, box_link_.value_or(kNoValidBoxIdText));
  view_.SetEnabled(Control::BoxLink, box_link_.has_value());
  view_.SetEnabled(Control::CopyLink, box_link_.has_value());
}

void TForm1::OnCopyLink() {
  if (box_link_) view_.CopyToClipboard(AnsiToNative(*box_link_));
}

void TForm1::OnOpenLink() {
  if (!box_link_) return;
  const int result = view_.OpenWithShell(AnsiToNative(*box_link_));
  if (result > 32) return;
  view_.ShowPlainMessage(u"Unable to start web browser." + NativeNumber(result));
}

void TForm1::OnExit() { view_.CloseWindow(); }

void TForm1::OnNextPageForTesting() {
  view_.ShowPage((view_.CurrentPage() + 1) % kNotebookPageCount);
}
