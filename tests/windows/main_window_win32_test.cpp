// The Win32 window under Wine: the layout contract read back from its child windows, the PIN
// field's rules, the operator list's order, the debug mirror fed from another thread, the link
// and the keyboard, the message window's hold on the keyboard, the question after a failed
// save of the log, the log saved once when the session ends, and the log window.
#include "ui_win32/main_window_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <stdexcept>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "common/platform.h"
#include "support/layout_contract.h"
#include "win32_window_probe.h"
#include "ui_win32/error_display_win32.h"
#include "support/test_files.h"

namespace {

std::string Utf8(const std::wstring& text) { return NativeToUtf8(Native(text)); }

void PumpMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Runs the message loop until `done` holds or ten seconds pass.
template <typename Condition>
bool PumpUntil(Condition done) {
  const ULONGLONG deadline = ::GetTickCount64() + 10000;
  while (!done()) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

// The message boxes and dialogs of this thread as a user sees them: each one's caption, texts,
// whether it shows the error icon and which control has the focus. Read from a timer, which a
// box's own modal loop keeps running, then answered by the next of `answers`, or with OK.
struct SeenBox {
  std::wstring caption;
  std::vector<std::wstring> texts;
  bool error_icon = false;
  std::wstring focused;  // the focused control's text
};
struct SeenBoxes {
  std::vector<SeenBox> boxes;
  std::vector<std::function<void(HWND box)>> answers;

  bool Saw(std::size_t box, const std::wstring& text) const {
    return box < boxes.size() &&
           std::find(boxes[box].texts.begin(), boxes[box].texts.end(), text) != boxes[box].texts.end();
  }
};
SeenBoxes seen;
HWND answered_box = nullptr;

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM) {
  wchar_t class_name[32] = {};
  ::GetClassNameW(child, class_name, 32);
  if (std::wstring(class_name) != L"Static") return TRUE;
  SeenBox& box = seen.boxes.back();
  if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    box.error_icon =
        reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0)) == ::LoadIconW(nullptr, IDI_ERROR);
  } else {
    box.texts.push_back(WindowText(child));
  }
  return TRUE;
}

BOOL CALLBACK ReadAndAnswerBox(HWND window, LPARAM) {
  wchar_t class_name[32] = {};
  ::GetClassNameW(window, class_name, 32);
  // Each box is answered once: a posted key takes a moment to act.
  if (std::wstring(class_name) != L"#32770" || !::IsWindowVisible(window) || window == answered_box)
    return TRUE;
  answered_box = window;
  seen.boxes.push_back({WindowText(window), {}, false, WindowText(::GetFocus())});
  ::EnumChildWindows(window, ReadBoxChild, 0);
  const std::size_t index = seen.boxes.size() - 1;
  if (index < seen.answers.size()) {
    seen.answers[index](window);
  } else {
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  }
  return FALSE;
}

void CALLBACK LookForMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  ::EnumThreadWindows(::GetCurrentThreadId(), ReadAndAnswerBox, 0);
}

// Watches for boxes while it lives, answering them in turn.
class BoxWatch {
 public:
  explicit BoxWatch(std::vector<std::function<void(HWND box)>> answers = {}) {
    seen = {{}, std::move(answers)};
    answered_box = nullptr;
    timer_ = ::SetTimer(nullptr, 0, 20, LookForMessageBox);
  }
  ~BoxWatch() { ::KillTimer(nullptr, timer_); }
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

 private:
  UINT_PTR timer_ = 0;
};

// A key pressed and released as the keyboard gives it to `target`; with `alt`, a letter's key
// held with Alt, which also makes the character an access key.
void PostKey(HWND target, UINT key, bool alt = false) {
  const LPARAM down = 1 | (alt ? LPARAM{1} << 29 : 0);
  const LPARAM up = down | LPARAM{1} << 30 | LPARAM{1} << 31;
  ::PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
  if (alt) ::PostMessageW(target, WM_SYSCHAR, std::towlower(static_cast<wint_t>(key)), down);
  ::PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, up);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_folder_ = folder_.Path();
    MakeWindow();
  }
  void MakeWindow() {
    window_.reset();
    PumpMessages();
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write(
        "apnlist.csv", "Telia;240;1;online.telia.se;;;SE\nTele2;240;7;internet.tele2.se;;;SE\n");
    environment.usb_library = folder_.File("no-such-usblib.dll");
    environment.log_places.folder = [this] { return log_folder_ + "\\"; };
    environment.send = [this](const void* data, std::int16_t length) {
      if (send_) send_(std::string(static_cast<const char*>(data), static_cast<std::size_t>(length)));
    };
    resources_ = std::make_unique<Win32Resources>();
    window_ =
        std::make_unique<Win32MainWindow>(::GetModuleHandleW(nullptr), *resources_, std::move(environment));
  }
  void TearDown() override {
    window_.reset();
    PumpMessages();
  }

  HWND Handle(Control control) { return window_->ControlHandle(control); }

  // Runs the waiting messages through the window's own loop, where the dialog manager turns
  // keys into focus moves and clicks.
  void PumpWindow() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) window_->HandleMessage(message);
  }
  void Press(UINT key) {
    PostKey(::GetFocus(), key);
    PumpWindow();
  }
  // `key` pressed while Ctrl is held, as the keyboard gives it to the focused control.
  void PressWithCtrl(UINT key) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE before = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    Press(key);
    keys[VK_CONTROL] = before;
    ::SetKeyboardState(keys);
  }

  // What the send pump hands over, as the serial engine would get it.
  std::function<void(const std::string& bytes)> send_;
  std::string SavedLogPath() const { return folder_.Path() + "\\" + kLogFileName; }

  ScratchFolder folder_;
  std::string log_folder_;  // where a close saves the log
  std::unique_ptr<Win32Resources> resources_;
  std::unique_ptr<Win32MainWindow> window_;
};

// The send pump runs in a timer handler: an error escaping it is shown in a message box with the
// error icon and the application's title, and the window goes on handling its timers.
TEST_F(Win32WindowTest, AnErrorEscapingAHandlerIsShownAndTheProgramGoesOn) {
  std::vector<std::string> sent;
  send_ = [&sent](const std::string& bytes) {
    if (sent.empty()) {
      sent.push_back(bytes);
      throw std::runtime_error("the port went away");
    }
    sent.push_back(bytes);
  };
  {
    const BoxWatch watch;
    window_->Core().Session().SendToBox("[FIRST]", 1000);
    ASSERT_TRUE(PumpUntil([&] { return !seen.boxes.empty(); })) << "no message box appeared";
    EXPECT_EQ(seen.boxes[0].caption, ApplicationTitle());
    EXPECT_TRUE(seen.boxes[0].error_icon);
    EXPECT_TRUE(seen.Saw(0, L"An unexpected error occurred (the port went away)"));

    window_->Core().Session().SendToBox("[SECOND]", 1000);
    EXPECT_TRUE(PumpUntil([&] { return sent.size() == 2; })) << "the timer handler stopped after the error";
  }
  EXPECT_EQ(seen.boxes.size(), 1u);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_NE(sent[1].find("[SECOND]"), std::string::npos);
  EXPECT_TRUE(::IsWindow(window_->Handle()));
}

int ChildWindows(HWND parent) {
  int count = 0;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) ++count;
  return count;
}

BOOL CALLBACK NoteToolTips(HWND window, LPARAM found) {
  wchar_t class_name[32] = {};
  ::GetClassNameW(window, class_name, 32);
  if (std::wstring(class_name) != TOOLTIPS_CLASSW) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The tool tip window of this thread and how many fields it has a hint for; nullptr if none.
std::pair<HWND, LRESULT> ToolTips() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), NoteToolTips, reinterpret_cast<LPARAM>(&found));
  return {found, found == nullptr ? 0 : ::SendMessageW(found, TTM_GETTOOLCOUNT, 0, 0)};
}

// Only what the first page shows is made at start; a hidden page is built when it is shown or
// when one of its components is first asked for, and then holds all its controls.
TEST_F(Win32WindowTest, HiddenPagesAreBuiltWhenFirstNeeded) {
  BuiltWindow& built = window_->Built();
  const auto windowed_rows = [](const char* page) {
    int count = 0;
    for (const ComponentLayout* row : ChildrenOf(LayoutWindow::Main, page)) {
      if (row->kind != ComponentKind::Picture && row->kind != ComponentKind::Shape &&
          row->kind != ComponentKind::Bevel && row->kind != ComponentKind::Panel) {
        ++count;
      }
    }
    return count;
  };
  HWND setup = built.Find("Setup_")->hwnd;
  HWND done = built.Find("Done_")->hwnd;
  EXPECT_EQ(ChildWindows(built.Find("Welcome")->hwnd), windowed_rows("Welcome"));
  EXPECT_EQ(ChildWindows(setup), 0);
  EXPECT_EQ(ChildWindows(done), 0);
  EXPECT_EQ(ToolTips().first, nullptr) << "only the setup page's fields have hints";

  window_->SetVisible(Control::PukCaption, true);
  EXPECT_EQ(ChildWindows(setup), windowed_rows("Setup_"));
  EXPECT_EQ(ToolTips().second, 4) << "the PIN, APN name, user name and password hints";
  window_->SetText(Control::PinField, u"12");
  EXPECT_EQ(window_->Text(Control::PinField), u"  12") << "the PIN field has its rules";
  window_->ShowPage(kPageDone);
  EXPECT_EQ(ChildWindows(done), windowed_rows("Done_"));
  EXPECT_NE(::GetWindowLongW(done, GWL_STYLE) & WS_VISIBLE, 0);
}

// The shell is loaded when the link is first opened; its reason for a failure comes back in the
// system's words.
TEST_F(Win32WindowTest, TheShellOpensTheLinkAndItsReasonComesBack) {
  EXPECT_EQ(window_->OpenWebLink(AnsiToNative(folder_.File("no-such-page.html"))),
            AnsiToNative(SystemErrorText(ERROR_FILE_NOT_FOUND)));
}

TEST_F(Win32WindowTest, WindowsMatchTheLayout) { ExpectViewMatchesLayout(Win32Inspector(*window_)); }

// Overlapping labels show the later row on top, as the layout stacks them: an earlier, taller
// label must not paint its background over a later one.
TEST_F(Win32WindowTest, LaterLabelsStandAboveTheEarlierOnesTheyOverlap) {
  HWND earlier = Handle(Control::ManualSettingsCaption);
  HWND later = Handle(Control::ApnCaption);
  bool later_seen_first = false;
  for (HWND at = ::GetWindow(::GetParent(earlier), GW_CHILD); at != nullptr;
       at = ::GetWindow(at, GW_HWNDNEXT)) {
    if (at == earlier) break;
    if (at == later) later_seen_first = true;
  }
  EXPECT_TRUE(later_seen_first);
}

// What a screen reader reads for a field, through the system's accessibility layer.
std::wstring AccessibleName(HWND hwnd) {
  IAccessible* accessible = nullptr;
  const HRESULT found =
      ::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&accessible));
  if (FAILED(found)) return L"(no accessible object: " + std::to_wstring(static_cast<unsigned long>(found)) + L")";
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring result = SUCCEEDED(accessible->get_accName(self, &name)) && name != nullptr ? name : L"";
  ::SysFreeString(name);
  accessible->Release();
  return result;
}

std::wstring WithoutColon(std::wstring text) {
  if (!text.empty() && text.back() == L':') text.pop_back();
  return text;
}

// The fields have no text of their own to be named by: a screen reader names each by its
// caption, the label just before it in the stacking order.
TEST_F(Win32WindowTest, ScreenReadersNameEachFieldByItsCaption) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  int fields = 0;
  for (const ComponentLayout& row : WindowLayout()) {
    const ComponentLayout* caption = CaptionOf(row);
    if (caption == nullptr || row.window != LayoutWindow::Main) continue;
    SCOPED_TRACE(row.name);
    ++fields;
    window_->ShowPage(kPageSetup);
    window_->SetVisible(caption->control, true);
    window_->SetVisible(row.control, true);
    EXPECT_EQ(::GetWindow(Handle(row.control), GW_HWNDPREV), Handle(caption->control));
    // Wine's accessibility layer reads the caption for edits only; Windows does for lists too.
    if (row.kind == ComponentKind::ComboBox) continue;
    EXPECT_EQ(WithoutColon(AccessibleName(Handle(row.control))), WithoutColon(WideFromUtf8(caption->text)));
  }
  EXPECT_EQ(fields, 6) << "PIN, PUK, operator, APN name, user name and password";
  EXPECT_EQ(WithoutColon(AccessibleName(window_->LogForm().ControlHandle(kLogTextName))), L"Log so far");
  ::CoUninitialize();
}

// The windows are named by their titles and the pages by their headlines, as the headline
// reads now (the wizard changes the welcome page's).
TEST_F(Win32WindowTest, ScreenReadersNameTheWindowsByTheirTitlesAndThePagesByTheirHeadlines) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  EXPECT_EQ(AccessibleName(window_->Handle()), L"Rodiduz Box Setup Wizard");
  window_->ShowInfo(u"Searching", true);
  EXPECT_EQ(AccessibleName(window_->Messages().Handle()), L"Information");
  for (Control headline : {Control::WelcomeHeadline, Control::ConnectHeadline, Control::SetupHeadline, Control::DoneHeadline}) {
    SCOPED_TRACE(ControlName(headline));
    EXPECT_EQ(AccessibleName(::GetParent(Handle(headline))), WideFromUtf8(LayoutOf(headline).text));
  }
  window_->SetCaption(Control::WelcomeHeadline, u"Welcome. Press start to begin");
  EXPECT_EQ(AccessibleName(::GetParent(Handle(Control::WelcomeHeadline))), L"Welcome. Press start to begin");
  ::CoUninitialize();
}

struct PinCase {
  const char* name;
  std::wstring clipboard;
  std::wstring typed;  // characters sent as WM_CHAR; \x01 is Ctrl+A, \x16 is Ctrl+V
  std::wstring expected;
};

TEST_F(Win32WindowTest, PinFieldKeepsBlanksInFrontOfAtMostFourDigits) {
  const PinCase cases[] = {
      {"four digits", L"", L"1234", L"1234"},
      {"letters refused", L"", L"1a2", L"  12"},
      {"a fifth digit refused", L"", L"12345", L"1234"},
      {"backspace takes the last digit", L"", L"123\b", L"  12"},
      {"a whole selection is replaced", L"",
       L"12\x01"
       L"9",
       L"   9"},
      {"a pasted PIN is trimmed", L" 56 ", L"\x16", L"  56"},
      {"a paste with a letter is refused whole", L"5x", L"1\x16", L"   1"},
      {"a paste beyond four digits is refused whole", L"123", L"12\x16", L"  12"},
  };
  HWND pin = Handle(Control::PinField);
  for (const PinCase& row : cases) {
    SCOPED_TRACE(row.name);
    window_->SetText(Control::PinField, u"");
    if (!row.clipboard.empty()) window_->CopyToClipboard(Native(row.clipboard));
    for (wchar_t c : row.typed) ::SendMessageW(pin, WM_CHAR, c, 0);
    EXPECT_EQ(window_->Text(Control::PinField), Native(row.expected));
  }
  window_->SetText(Control::PinField, u"4x2 9");
  EXPECT_EQ(window_->Text(Control::PinField), u" 429");
  window_->SetText(Control::PinField, u"1 2 3 4 5");
  EXPECT_EQ(window_->Text(Control::PinField), u"1234");
}

TEST_F(Win32WindowTest, OperatorsAreSortedAndSelectingFromCodeRunsNoHandler) {
  window_->ClearOperators();
  for (const char16_t* name : {u"telia", u"Comviq", u"Tele2", u"3"}) window_->AddOperator(name, nullptr);
  window_->InsertOperatorAtTop(u"Zz first", nullptr);
  std::vector<NativeString> shown;
  for (int i = 0; i < window_->OperatorCount(); ++i) shown.push_back(window_->OperatorText(i));
  EXPECT_EQ(shown, (std::vector<NativeString>{u"Zz first", u"3", u"Comviq", u"Tele2", u"telia"}));
  EXPECT_EQ(window_->SelectedOperator(), -1);
  window_->SelectOperator(2);
  EXPECT_EQ(window_->SelectedOperator(), 2);
  EXPECT_EQ(WindowText(Handle(Control::OperatorList)), L"Comviq") << "the closed list shows the selection";
  window_->SelectOperator(99);
  EXPECT_EQ(window_->SelectedOperator(), -1);
}

TEST_F(Win32WindowTest, DebugLinesFromTheSerialWorkerReachTheListOnTheWindowsThread) {
  HWND list = Handle(Control::LogMirror);
  const LRESULT before = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  std::thread worker([this] { window_->AddDebugItem(Control::LogMirror, u"from the worker"); });
  worker.join();
  EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), before) << "changed off the window's thread";
  PumpMessages();
  ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), before + 1);
  wchar_t line[64] = {};
  ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(before), reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::wstring(line), L"from the worker");
}

TEST_F(Win32WindowTest, CaptionsThatFollowTheirTextResizeAndFixedOnesKeepTheirBox) {
  window_->SetCaption(Control::LadderTesting, u"Testing the connection for a long while");
  window_->SetCaption(Control::SignalLine, u"Signal Strength: Good and a long tail");
  RECT follows{};
  RECT fixed{};
  ::GetWindowRect(Handle(Control::LadderTesting), &follows);
  ::GetWindowRect(Handle(Control::SignalLine), &fixed);
  EXPECT_GT(follows.right - follows.left, LayoutOf(Control::LadderTesting).box.width);
  EXPECT_EQ(fixed.right - fixed.left, LayoutOf(Control::SignalLine).box.width);
  EXPECT_EQ(window_->Caption(Control::LadderTesting), u"Testing the connection for a long while");
}

TEST_F(Win32WindowTest, TimersAndPagesKeepTheirOwnSettings) {
  EXPECT_TRUE(window_->Running(WizardTimer::kTick));
  window_->Start(WizardTimer::kDots);
  EXPECT_TRUE(window_->Running(WizardTimer::kDots));
  window_->Stop(WizardTimer::kDots);
  EXPECT_FALSE(window_->Running(WizardTimer::kDots));
  window_->ShowPage(kPageSetup);
  EXPECT_EQ(window_->CurrentPage(), kPageSetup);
  EXPECT_TRUE(window_->IsVisible(Control::Next));
  EXPECT_FALSE(::IsWindowVisible(Handle(Control::Start)));
  window_->SetVisible(Control::DoneCheck, false);
  EXPECT_FALSE(window_->IsVisible(Control::DoneCheck));
}

// Windows may end the process right after WM_ENDSESSION without closing the window: the log is
// saved there, and a close that still follows does not save it again.
TEST_F(Win32WindowTest, EndOfSessionSavesTheLogOnceBeforeAnyClose) {
  HWND main = window_->Handle();
  window_->Core().Log().Line("before the end of the session");
  EXPECT_EQ(::SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  ::SendMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(std::filesystem::exists(SavedLogPath())) << "saved although the session went on";

  ::SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  ASSERT_TRUE(std::filesystem::exists(SavedLogPath()));
  EXPECT_EQ(ReadFileForTest(SavedLogPath()), window_->Core().Log().lines.FileContent());
  EXPECT_NE(ReadFileForTest(SavedLogPath()).find("before the end of the session"), std::string::npos);

  std::filesystem::remove(SavedLogPath());
  ::SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  ::SendMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(main)) << "the close after the end of the session did not end the window";
  EXPECT_FALSE(std::filesystem::exists(SavedLogPath())) << "the log was saved a second time";
}

// The box's GPRS test passes, the box having reported `id` as its ID.
void PassTheTest(Wizard& form, const std::string& id) {
  form.Channel().port_open = true;
  form.Session().report.id = id;
  form.Session().ChangeState(kStateGPRSTesting);
  form.Channel().AddMessage("GPRSTEST OK");
  form.OnTimer(WizardTimer::kTick);
}

std::wstring ClipboardText() {
  std::wstring text = L"(no text)";
  if (!::OpenClipboard(nullptr)) return L"(the clipboard could not be opened)";
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* characters = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = characters;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

bool HandPointerOver(HWND control) {
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return ::GetCursor() == ::LoadCursorW(nullptr, IDC_HAND);
}

// The link and Copy Link act on exactly the address the controller built: a click on the link,
// and from Exit, Tab to the link and Return on it, Tab to Copy Link and Return on that focused
// button. An ID that makes no link leaves nothing to open, to reach with Tab or to copy.
TEST_F(Win32WindowTest, TheLinkOpensAndCopiesOnlyAnAddressBuiltFromAValidId) {
  const struct {
    const char* name;
    const char* id;
    const wchar_t* link;  // nullptr: none
  } rows[] = {
      {"a valid ID", "AB12CD34", L"http://www.rodiduz.com/id/AB12CD34"},
      {"a path up to a program", "../../ab", nullptr},
      {"an option", "x --foo", nullptr},
      {"a share", "\\\\server\\share", nullptr},
      {"a scheme", "file:x", nullptr},
      {"empty", "", nullptr},
      {"a valid ID again", "ab12cd34", L"http://www.rodiduz.com/id/ab12cd34"},
  };
  std::vector<std::wstring> opened;
  window_->SetShellOpen([&opened](const std::wstring& target) {
    opened.push_back(target);
    return DWORD{ERROR_SUCCESS};
  });
  window_->Show();
  HWND link = Handle(Control::BoxLink);
  HWND copy = Handle(Control::CopyLink);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PassTheTest(window_->Core(), row.id);
    ASSERT_EQ(window_->CurrentPage(), kPageDone);
    opened.clear();
    window_->CopyToClipboard(u"before");
    ::PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    PumpWindow();
    ::SetFocus(Handle(Control::Exit));
    std::vector<HWND> reached;
    for (int i = 0; i < 2; ++i) {
      Press(VK_TAB);
      reached.push_back(::GetFocus());
      if (reached.back() == link || reached.back() == copy) Press(VK_RETURN);
    }
    HWND note = Handle(Control::LinkCopiedNote);
    if (row.link != nullptr) {
      EXPECT_EQ(reached, (std::vector<HWND>{link, copy}));
      EXPECT_EQ(opened, (std::vector<std::wstring>{row.link, row.link}));
      EXPECT_EQ(ClipboardText(), row.link);
      EXPECT_TRUE(HandPointerOver(link));
      // The copy is said beside the button until the wizard's timer for it runs out.
      EXPECT_TRUE(::IsWindowVisible(note));
      EXPECT_EQ(WindowText(note), L"Link copied");
      ASSERT_TRUE(window_->Running(WizardTimer::kLinkCopied));
      ::SendMessageW(window_->Handle(), WM_TIMER, static_cast<WPARAM>(WizardTimer::kLinkCopied) + 1, 0);
      EXPECT_FALSE(::IsWindowVisible(note));
      EXPECT_FALSE(window_->Running(WizardTimer::kLinkCopied));
    } else {
      EXPECT_EQ(std::count(reached.begin(), reached.end(), link), 0);
      EXPECT_EQ(std::count(reached.begin(), reached.end(), copy), 0);
      EXPECT_TRUE(opened.empty());
      EXPECT_EQ(ClipboardText(), L"before");
      EXPECT_EQ(WindowText(link), L"The box reported no valid ID.");
      EXPECT_FALSE(HandPointerOver(link));
      EXPECT_FALSE(::IsWindowVisible(note));
    }
  }
}

// A message with its Close button keeps the keyboard although the controller shows the page
// and focuses its field right after it: Return, Esc or Space closes it, and the field it was
// about has the keyboard then.
TEST_F(Win32WindowTest, AMessageKeepsTheKeyboardUntilItIsClosedThenThePageHasIt) {
  const struct {
    const char* name;
    UINT key;
    bool asked_first;  // the SIM's word came before the submission, not during the test
  } rows[] = {{"Return after a failed test", VK_RETURN, false},
              {"Esc after the question first", VK_ESCAPE, true},
              {"Space after a failed test", VK_SPACE, false}};
  window_->Show();
  Wizard& form = window_->Core();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // The SIM refuses the PIN: the message, the settings page shown, the PIN field focused.
    form.Channel().port_open = true;
    form.Session().reply_timeout = 60000;
    form.Session().sim_prompt_armed = true;
    form.Session().ChangeState(row.asked_first ? kStateWaitUser : kStateGPRSTesting);
    form.Channel().AddMessage("SIM PIN WRONG");
    form.OnTimer(WizardTimer::kTick);
    if (!row.asked_first) {
      form.Channel().AddMessage("GPRSTEST FAIL");
      form.OnTimer(WizardTimer::kTick);
    }
    PumpWindow();
    HWND message = window_->Messages().Handle();
    ASSERT_TRUE(::IsWindowVisible(message));
    const BuiltComponent* focused = ComponentOf(::GetFocus());
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(::GetAncestor(::GetFocus(), GA_ROOT), message);
    EXPECT_STREQ(focused->row->name, "Button1");
    Press(row.key);
    EXPECT_FALSE(::IsWindowVisible(message));
    EXPECT_EQ(::GetFocus(), Handle(Control::PinField));
  }
}

// The save's error first, then the question: No (the default: Return, Esc) keeps the window and
// the log for the next close, which tries again; Yes (Alt+Y) closes without the log.
TEST_F(Win32WindowTest, AFailedSaveShowsTheErrorThenAsksWhetherToCloseWithoutTheLog) {
  const struct {
    const char* name;
    UINT key;
    bool alt;
    bool closes;
  } rows[] = {
      {"Return: No, the default", VK_RETURN, false, false},
      {"Esc: No", VK_ESCAPE, false, false},
      {"Alt+Y: Yes", 'Y', true, true},
  };
  const std::string missing = folder_.File("missing-folder");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    log_folder_ = missing;
    MakeWindow();
    window_->Show();
    HWND main = window_->Handle();
    {
      const BoxWatch watch({[](HWND box) { ::PostMessageW(box, WM_COMMAND, IDOK, 0); },
                            [&row](HWND) { PostKey(::GetFocus(), row.key, row.alt); }});
      ::SendMessageW(main, WM_CLOSE, 0, 0);
    }
    ASSERT_EQ(seen.boxes.size(), 2u);
    EXPECT_TRUE(seen.boxes[0].error_icon);
    EXPECT_NE(Utf8(seen.boxes[0].texts.back()).find(missing), std::string::npos)
        << Utf8(seen.boxes[0].texts.back());
    EXPECT_EQ(seen.boxes[1].caption, ApplicationTitle());
    EXPECT_TRUE(seen.Saw(1, WideFromUtf8(kCloseWithoutLogQuestion)));
    EXPECT_EQ(seen.boxes[1].focused, L"&No");
    EXPECT_EQ(::IsWindow(main) != FALSE, !row.closes);
    if (!row.closes) {
      EXPECT_TRUE(window_->Core().Log().lines.FileContent().find("Program Version") != std::string::npos);
      // Once the folder is there, the same window closes and the log is written.
      log_folder_ = folder_.Path();
      ::SendMessageW(main, WM_CLOSE, 0, 0);
      EXPECT_FALSE(::IsWindow(main));
      EXPECT_FALSE(ReadFileForTest(SavedLogPath()).empty());
      std::filesystem::remove(SavedLogPath());
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
  }
}

// The log window's text, line by line.
std::vector<std::wstring> LogWindowLines(Win32LogWindow& log) {
  const std::wstring text = WindowText(log.ControlHandle(kLogTextName));
  std::vector<std::wstring> lines;
  for (std::size_t begin = 0;;) {
    const std::size_t end = text.find(L"\r\n", begin);
    lines.push_back(text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin));
    if (end == std::wstring::npos) return lines;
    begin = end + 2;
  }
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The identifier of the system menu's item of that text; 0 when there is none.
UINT SystemMenuItem(HWND window, const std::wstring& text) {
  HMENU menu = ::GetSystemMenu(window, FALSE);
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t item[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), item, 64, MF_BYPOSITION);
    if (text == item) return ::GetMenuItemID(menu, i);
  }
  return 0;
}

// Ctrl+L and the system menu's "Show wizard log" open the log so far, masked; it grows as lines
// are logged on either thread; Tab visits the text and the buttons, Space on Copy all copies the
// whole log, Esc closes the window, and Ctrl+L in the main window brings the open one to the front.
TEST_F(Win32WindowTest, TheLogWindowOpensFromTheKeyboardAndTheSystemMenuAndGrowsMasked) {
  window_->Show();
  Wizard& form = window_->Core();
  form.Log().Line("[Tx]  [GPRSSET APN:web USER:bob PW:secret PIN:1234]");
  PressWithCtrl('L');
  Win32LogWindow& log = window_->LogForm();
  HWND text = log.ControlHandle(kLogTextName);
  ASSERT_TRUE(::IsWindowVisible(log.Handle()));
  EXPECT_EQ(WindowText(log.Handle()), L"Wizard log");
  EXPECT_EQ(::GetFocus(), text);
  EXPECT_TRUE(EndsWith(LogWindowLines(log).back(), L"[GPRSSET APN:web USER:bob PW:****** PIN:****]"));
  EXPECT_EQ(WindowText(text).find(L"secret"), std::wstring::npos);
  EXPECT_EQ(Utf8(WindowText(log.ControlHandle(kLogPlaceName))),
            "The log is saved as \"" + SavedLogPath() + "\" when the wizard closes.");
  EXPECT_FALSE(::IsWindowVisible(log.ControlHandle(kLogNoteName)));

  const std::size_t before = LogWindowLines(log).size();
  std::thread worker([&form] {
    for (int i = 0; i < 100; ++i) form.Log().Line("from the worker " + std::to_string(i));
  });
  worker.join();
  ASSERT_TRUE(PumpUntil([&] { return LogWindowLines(log).size() == before + 100; }));
  const std::vector<std::wstring> lines = LogWindowLines(log);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(
        EndsWith(lines[before + static_cast<std::size_t>(i)], L"from the worker " + std::to_wstring(i)));
  }

  std::vector<HWND> visited;
  for (int i = 0; i < 4; ++i) {
    Press(VK_TAB);
    visited.push_back(::GetFocus());
  }
  EXPECT_EQ(visited, (std::vector<HWND>{log.ControlHandle(kLogCopyAllName), log.ControlHandle(kLogSaveAsName),
                                        log.ControlHandle(kLogCloseName), text}));
  ::SetFocus(log.ControlHandle(kLogCopyAllName));
  window_->CopyToClipboard(u"before");
  Press(VK_SPACE);
  EXPECT_EQ(Utf8(ClipboardText()), form.Log().lines.FileContent());
  ::SetFocus(text);
  Press(VK_ESCAPE);
  EXPECT_FALSE(::IsWindowVisible(log.Handle()));

  const UINT item = SystemMenuItem(window_->Handle(), L"Show wizard log\tCtrl+L");
  ASSERT_NE(item, 0u);
  ::SendMessageW(window_->Handle(), WM_SYSCOMMAND, item, 0);
  EXPECT_TRUE(::IsWindowVisible(log.Handle()));
  ::SetActiveWindow(window_->Handle());
  ASSERT_EQ(::GetActiveWindow(), window_->Handle());
  PressWithCtrl('L');
  EXPECT_EQ(::GetActiveWindow(), log.Handle()) << "not brought to the front";
  ::SetFocus(log.ControlHandle(kLogCloseName));
  Press(VK_RETURN);
  EXPECT_FALSE(::IsWindowVisible(log.Handle()));
}

BOOL CALLBACK NoteFileNameField(HWND child, LPARAM found) {
  wchar_t class_name[32] = {};
  ::GetClassNameW(child, class_name, 32);
  if (std::wstring(class_name) != L"Edit" || !::IsWindowVisible(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// Answers the system's file dialog: `path` typed as the file name, then Save.
std::function<void(HWND)> ChooseFile(const std::string& path) {
  return [path](HWND dialog) {
    HWND field = nullptr;
    ::EnumChildWindows(dialog, NoteFileNameField, reinterpret_cast<LPARAM>(&field));
    if (field != nullptr) ::SetWindowTextW(field, WideFromUtf8(path.c_str()).c_str());
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
}

// Save as... goes through the system's file dialog and the replacing save: the log as it
// stands; a file that cannot be replaced (held open by another program) is left as it was, the
// error names it, and the window stays.
TEST_F(Win32WindowTest, SaveAsWritesTheLogAndAFailedSaveShowsWhyAndLosesNothing) {
  window_->Show();
  window_->Core().OpenLogWindow();
  Win32LogWindow& log = window_->LogForm();
  HWND save_as = log.ControlHandle(kLogSaveAsName);
  const std::string saved = folder_.File("saved log.txt");
  {
    const BoxWatch watch({ChooseFile(saved)});
    ::SendMessageW(save_as, BM_CLICK, 0, 0);
  }
  ASSERT_EQ(seen.boxes.size(), 1u);
  EXPECT_EQ(seen.boxes[0].caption, L"Save the wizard log as");
  EXPECT_EQ(ReadFileForTest(saved), window_->Core().Log().lines.FileContent());

  const std::string held = folder_.Write("held.txt", "an older copy");
  const HANDLE holder = ::CreateFileW(WideFromUtf8(held.c_str()).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  {
    const BoxWatch watch(
        {ChooseFile(held), [](HWND question) { ::PostMessageW(question, WM_COMMAND, IDYES, 0); }});
    ::SendMessageW(save_as, BM_CLICK, 0, 0);
  }
  ::CloseHandle(holder);
  ASSERT_EQ(seen.boxes.size(), 3u) << "the file dialog, the question whether to replace the file, the error";
  EXPECT_TRUE(seen.boxes[2].error_icon);
  EXPECT_NE(Utf8(seen.boxes[2].texts.back()).find("Cannot create file \"" + held + "\""), std::string::npos)
      << Utf8(seen.boxes[2].texts.back());
  EXPECT_EQ(ReadFileForTest(held), "an older copy");
  EXPECT_TRUE(::IsWindowVisible(log.Handle()));
}

// A box chattering for long: the window holds the newest 10000 lines and says how many it
// leaves out, also as more come.
TEST_F(Win32WindowTest, TheLogWindowShowsAtMostTheNewest10000LinesAndSaysSo) {
  Wizard& form = window_->Core();
  for (int i = 0; i < 10005; ++i) form.Log().Line("line " + std::to_string(i));
  form.OpenLogWindow();
  Win32LogWindow& log = window_->LogForm();
  std::vector<std::wstring> lines = LogWindowLines(log);
  ASSERT_EQ(lines.size(), 10000u);
  EXPECT_TRUE(EndsWith(lines.front(), L"  line 5"));
  EXPECT_TRUE(EndsWith(lines.back(), L"  line 10004"));
  HWND note = log.ControlHandle(kLogNoteName);
  EXPECT_TRUE(::IsWindowVisible(note));
  EXPECT_EQ(WindowText(note),
            L"5 earlier lines are not shown here. Copy all and Save as... take the whole log.");
  for (int i = 10005; i < 10008; ++i) form.Log().Line("line " + std::to_string(i));
  ASSERT_TRUE(PumpUntil([&] { return EndsWith(LogWindowLines(log).back(), L"  line 10007"); }));
  lines = LogWindowLines(log);
  EXPECT_EQ(lines.size(), 10000u);
  EXPECT_TRUE(EndsWith(lines.front(), L"  line 8"));
  EXPECT_EQ(WindowText(note),
            L"8 earlier lines are not shown here. Copy all and Save as... take the whole log.");
}

}  // namespace
