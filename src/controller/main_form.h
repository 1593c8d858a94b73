// TForm1: the main window's controller. It owns all workflow state and every operation of the
// wizard, and reaches the window only through FormView.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/text.h"
#include "controller/catalogue.h"
#include "controller/form_view.h"
#include "controller/log_history.h"
#include "controller/log_window_feed.h"
#include "controller/refused_sim_codes.h"
#include "controller/web_link.h"
#include "controller/wizard_log.h"
#include "link/line_assembler.h"
#include "link/serial_port.h"

// The object that raised an event; no handler uses it.
using TObject = void;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// CommState values.
enum CommStateValue : std::uint32_t {
  kStateInit = 0,
  kStateSearching = 1,
  kStateFound = 2,
  kStateConnected = 3,
  kStateDisconnected = 4,
  kStateReady = 5,
  kStateUnlocked = 6,
  kStateGotQR = 7,
  kStateGotPLMN = 8,
  kStateGotGPRS = 9,
  kStateWaitUser = 10,
  kStateGPRSSet = 11,
  kStateGPRSTesting = 12,
  kStateGPRSPassed = 13,
  kStateGPRSFailed = 14,
};

// SimStatus values.
enum SimStatusValue : std::int32_t {
  kSimReady = 0,
  kSimPinRequired = 1,
  kSimPinNotNeeded = 2,
  kSimMissing = 3,
  kSimWrongPin = 4,
  kSimPukRequired = 5,
  kSimResultPending = 6,
};

inline constexpr const char* kVersionText = "Dididuz 2015 - Version 1.2.8";

// What the controller takes from its surroundings; tests replace any of it.
struct TForm1Environment {
  std::string catalogue_path = kCatalogueFileName;
  std::string usb_library;  // empty: the platform's default name
  LocalClock clock = SystemLocalTime;
  // The state machine's pauses of the UI thread.
  std::function<void(unsigned milliseconds)> pause;  // empty: really sleep
  std::function<std::string()> log_folder;           // empty: the system's log folder
  std::function<std::string()> fallback_folder;      // empty: the system's fallback log folder
  // Where the send pump hands its bytes.
  std::function<void(const void* data, std::int16_t length)> send;  // empty: Serial->Send
  // Shows the debug mirror of the log (ListBox3), which the layout hides, for developers and
  // for the measurement of what it costs.
  bool show_log_mirror = false;
};

class TForm1;

// Sets Form1 as the controller's construction begins, before any of its fields exist.
struct TForm1Registration {
  explicit TForm1Registration(TForm1* form);
};

class TForm1 : private TForm1Registration {
 public:
  // Construction loads the catalogue; a catalogue that cannot be opened throws FileOpenError.
  explicit TForm1(FormView& view, TForm1Environment environment = {});
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  void CreateSerialPort();

  // Serial engine and message channel
  void OpenCommPort();
  void AddToDutRecvList(const AnsiString& message);
  AnsiString GetFromDutRecvList();
  void ClearDutRecvList();
  // Queues the command when no other one waits (false: dropped); sets the countdown either way.
  bool SendDut(const AnsiString& command, std::uint32_t reply_timeout);
  void CheckForDutSend();
  void OnSendPumpTimer();
  // The bytes of one data event: assembled into lines in LineBuffer, logged and framed.
  void ReceiveBytes(const unsigned char* data, int count);

  // Box discovery
  std::int32_t FindDeviceAndGetCommNumber();

  // Box protocol
  void ParseQr(const AnsiString& report);
  void ParsePLMN(const AnsiString& report);
  void ParseAPN(const AnsiString& report);

  // Setup state machine
  void OnTick();
  void ChangeCommState(std::uint32_t new_state);
  AnsiString GetCommStateName(std::uint32_t state) const;

  // User actions
  void OnStart();  // Start
  void OnRestart();  // Restart
  void OnNext();  // Next
  void TestGprs();

  // Operator selection
  void UpdateApnList(bool include_box_settings, bool no_network);
  void OnOperatorChosen();
  void OnShowAllOperatorsClick();
  void OnCredentialsGivenClick();

  // Window operations
  // Copy Link and the link itself act only while the Done page shows a link.
  void OnCopyLink();  // Copy Link
  void OnExit();  // Exit
  void OnOpenLink();  // open the link
  void OnNextPageForTesting();  // Test Next

  // Progress ladder
  void LabelVisibleLevel(std::int32_t level);
  void OnDotsTimer();
  void OnLadderSliderMoved();

  // Wizard log
  void LogLine(const AnsiString& text);
  void OnShown();
  // Saves the log; a save that fails throws FileCreateError and the close is abandoned.
  void FormClose(TObject* Sender, TCloseAction& Action);
  // Saves the log when nobody can be asked (the session ends, the display is gone): where the
  // log folder fails, into the fallback folder. Returns what standard error should say: empty
  // when the log was saved where it always is. Never throws.
  std::string SaveLogUnattended();

  // The "Wizard log" window
  // Ctrl+L, and on Windows the system menu's "Show wizard log": shows the window, or brings it
  // to the front.
  void OpenLogWindow();
  // Copy all: the whole log as it stands (masked, CR LF) onto the clipboard.
  void CopyWholeLog();
  // Save as...: the log as it stands into a file the user chooses, through the replacing save;
  // a failure is shown, and the log and any file of that name stay as they were.
  void SaveLogAs();
  // Where a close saves the log: the newest log's full path, or why its folder cannot be used.
  std::string LogPlaceText() const;

  // Sets a check box from code; its click handler runs only when the state changes.
  void SetCheckBox(Control check_box, bool checked);

  FormView& View() { return view_; }
  const TForm1Environment& Environment() const { return environment_; }

  // Fields, in the order of the design.
  void* UsbLibHandle = nullptr;
  std::atomic<std::int32_t> CommNumber{0};
  std::atomic<bool> PortOpen{false};
  std::unique_ptr<SerialPort> Serial;
  WizardLog LogList;
  LogWindowFeed LogWindowLines{LogList};  // what the "Wizard log" window shows of it
  LogHistory LogFiles;  // the saved log and the four before it
  std::deque<AnsiString> DutRecvList;
  std::mutex DutRecvLock;
  std::deque<AnsiString> DutSendQueue;
  std::mutex DutSendLock;
  Catalogue ApnList;
  std::uint32_t CommState = kStateInit;
  std::int32_t SimStatus = kSimReady;
  // The status of the SIM's last word in this run; unlike SimStatus it stays while a
  // submission waits for its verdict.
  std::int32_t SimLastWord = kSimReady;
  std::uint32_t ReplyTimeout = 0;
  bool SimPromptArmed = false;
  AnsiString BoxApn;
  AnsiString BoxUser;
  AnsiString BoxPassword;
  AnsiString BoxPin;
  std::int32_t Mcc = 0;
  std::int32_t Mnc = 0;
  std::int32_t Rssi = 0;
  std::int32_t Cme = 0;
  std::int32_t Ta = 0;
  std::int32_t DotCount = 0;
  AnsiString BoxId;
  AnsiString BoxHw;
  AnsiString BoxSw;
  AnsiString BoxMac;

  // State kept across calls for the whole run.
  SerialOpenFailure LoggedOpenFailure;  // the reason last logged for a port that did not open
  std::int32_t ShownLevel = -1;
  std::int32_t GprsTestTries = 0;
  LineAssembler LineBuffer;

  // Every PIN and PUK a box's SIM refused, for the program's whole life.
  RefusedSimCodes RefusedCodes;

  // The box settings entry of the current operator list; replaced by each rebuild.
  std::unique_ptr<CatalogueEntry> BoxSettingsEntry;

  // How long the search has gone without a box, in milliseconds; 0 whenever a search begins.
  std::uint32_t SearchTimeWithoutBox = 0;
  bool SearchNoticeShown = false;

 private:
  // Logs why the port did not open, when the reason differs from the one logged last.
  void LogOpenFailureReason();
  // Box texts become native texts when they are put into a label.
  void SetLabel(Control label, const AnsiString& text);
  void Pause(unsigned milliseconds);
  // The folder a close saves the log in; throws when it cannot be used.
  std::string LogFolderInUse() const;
  // The Done page's link for the box's ID, or the words that the ID makes none.
  void ShowBoxLink();

  // Steps of the setup state machine and the settings submission.
  struct TickFlags;
  void PerformStateAction(const AnsiString& message, const TickFlags& flags);
  // State Init, the welcome page and the box lines as at start: shared by reset and Restart.
  void ShowWelcomeAgain();
  void ResetWizard();
  void StopForMissingSim();
  void PrepareSettingsAndSubmit();
  // What the settings page must ask before the first submission, so that no SIM code goes
  // out that cannot be right; nothing when the settings can go at once.
  std::optional<AnsiString> FirstSubmissionQuestion() const;
  void LogSimVerdict(RefusedSimCodes::Verdict verdict);
  // The settings page waiting for the code the SIM asks for (SimStatus 4 or 5); nothing is
  // sent before the user presses Next.
  void AskForSimCode();
  void ShowPukEntry();
  void CountSearchTimeWithoutBox();
  void SetStatusLine(const AnsiString& text);
  void TestPassed();
  void TestFailed();
  void ShowMessage(const AnsiString& text);        // close button shown, no dots
  void ShowAndLogMessage(const AnsiString& text);  // ... and logs it with "Show Message:"
  // Whether the PIN and PUK of a submission may go out; shows why not when they may not.
  bool SimCodesCanGo(const AnsiString& pin, const std::optional<AnsiString>& puk);
  // The SIM's last word asked for its PIN (to start, or again after a wrong one).
  bool SimAsksForPin() const;
  void SetOperatorAreaVisible(bool visible);
  // The user name and password, shown while the operator area shows and CheckBox2 is ticked.
  void ShowCredentialsAsTicked();
  void SetPinAreaVisible(bool visible);

  FormView& view_;
  std::string usb_library_failure_;  // the system's reason when the USB library did not load
  TForm1Environment environment_;
  bool log_mirror_visible_ = false;
  bool catalogue_mirror_visible_ = false;
  // What the Done page shows, copies and opens; none when the box's ID makes no link.
  std::optional<AnsiString> box_link_ = BoxWebLink(kPlaceholderBoxId);
};

// The program's one controller; set when its construction begins, cleared if it fails and
// when it is destroyed.
extern TForm1* Form1;

// The serial engine's callback: acts only for the controller's own engine.
void SerialCallback(SerialPort* engine, unsigned code);

// The state machine's timer interval, the unit of every reply countdown.
inline constexpr std::uint32_t kDeviceTimerInterval = 100;
