// The Win32 windows on their display: sized, lettered and pictured for the monitor's DPI (a Wine
// prefix's LogPixels for each run), rescaled at the suggested place by a move to a monitor of
// another DPI, every text against what it stands on measured from pixels, High Contrast through
// the query's seam in the system's colours, and the message window owned by the wizard rather
// than above every program.
// clang-format off: windows.h first, the other system headers build on it.
#include <windows.h>
// clang-format on
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/text_contrast.h"
#include "ui_win32/display_win32.h"
#include "ui_win32/main_window_win32.h"
#include "win32_window_probe.h"

namespace {

// As the program's manifest asks, which a test program has not.
const bool per_monitor_aware = [] {
  BecomePerMonitorDpiAware();
  return true;
}();

void PumpMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Repaint(HWND window) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
}

// What the window shows of `area` (its client area's pixels, counted from the left even in a
// mirrored window), children and all.
Pixels Capture(HWND window, RECT area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC source = ::GetDC(window);
  ::SetLayout(source, 0);
  HBITMAP bitmap = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC target = ::CreateCompatibleDC(source);
  HGDIOBJ old = ::SelectObject(target, bitmap);
  ::BitBlt(target, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
  ::GdiFlush();
  Pixels pixels{width, height, {}};
  const auto* data = static_cast<const std::uint32_t*>(bits);
  pixels.rgb.assign(data, data + static_cast<std::size_t>(width) * height);
  for (std::uint32_t& pixel : pixels.rgb) pixel &= 0xFFFFFFu;
  ::SelectObject(target, old);
  ::DeleteDC(target);
  ::DeleteObject(bitmap);
  ::ReleaseDC(window, source);
  return pixels;
}

RECT ClientRect(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return client;
}

// A child window's place in the client area of its top-level window.
RECT PlaceInWindow(HWND child) {
  RECT box{};
  ::GetWindowRect(child, &box);
  ::MapWindowPoints(nullptr, ::GetAncestor(child, GA_ROOT), reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// A window's place on the screen as pixels of `top`'s client area, counted from the left.
RECT PixelsOf(HWND top, RECT on_screen) {
  RECT client{};
  ::GetClientRect(top, &client);
  ::MapWindowPoints(top, nullptr, reinterpret_cast<POINT*>(&client), 2);
  ::OffsetRect(&on_screen, -client.left, -client.top);
  return on_screen;
}

RECT OnScreen(HWND window) {
  RECT box{};
  ::GetWindowRect(window, &box);
  return box;
}

std::uint32_t SystemColour(int index) {
  const COLORREF colour = ::GetSysColor(index);
  return static_cast<std::uint32_t>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

class Win32DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    WizardEnvironment environment;
    environment.catalogue_path = folder_.Write("apnlist.csv", "Telia;240;1;online.telia.se;;;SE\n");
    environment.usb_library = folder_.File("no-such-usblib.dll");
    environment.log_places.folder = [this] { return folder_.Path() + "\\"; };
    resources_ = std::make_unique<Win32Resources>();
    window_ = std::make_unique<Win32MainWindow>(::GetModuleHandleW(nullptr), *resources_, std::move(environment));
  }
  void TearDown() override {
    window_.reset();
    PumpMessages();
    SetHighContrastQuery(nullptr);
  }
  HWND Main() const { return window_->Handle(); }

  ScratchFolder folder_;
  std::unique_ptr<Win32Resources> resources_;
  std::unique_ptr<Win32MainWindow> window_;
};

// The test script runs this program once for each DPI and names it.
TEST_F(Win32DisplayTest, TheWindowIsTheLayoutAtItsMonitorsDpi) {
  const UINT dpi = WindowDpi(Main());
  if (const char* expected = std::getenv("RODIDUZ_TEST_DPI")) {
    EXPECT_EQ(dpi, static_cast<UINT>(std::atoi(expected)));
  }
  EXPECT_EQ(window_->Built().Display().dpi, dpi);
  const RECT client = ClientRect(Main());
  EXPECT_EQ(client.right, ::MulDiv(925, static_cast<int>(dpi), 96));
  EXPECT_EQ(client.bottom, ::MulDiv(453, static_cast<int>(dpi), 96));
  LOGFONTW headline{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window_->ControlHandle(Control::WelcomeHeadline), WM_GETFONT, 0, 0)),
               sizeof headline, &headline);
  EXPECT_EQ(headline.lfHeight, -::MulDiv(20, static_cast<int>(dpi), 72));
  ExpectViewMatchesLayout(Win32Inspector(*window_));
}

// A move to a monitor of twice the DPI: the window takes the suggested place and size, every
// component its scaled box and font, the picture is the former one brought to scale, and the
// logo is drawn for the new DPI, not enlarged. The message window follows its own monitor.
TEST_F(Win32DisplayTest, AMoveToAMonitorOfAnotherDpiRescalesEverythingAtTheSuggestedPlace) {
  window_->Show();
  // From the run's DPI to 96 first, then to twice that, whatever the run's DPI.
  const UINT run_dpi = window_->Built().Display().dpi;
  const UINT from = 96;
  const UINT to = from * 2;
  const auto move_to = [this](UINT dpi) {
    RECT frame{};
    ::GetWindowRect(Main(), &frame);
    const RECT client = ClientRect(Main());
    RECT place{10, 20, 10 + (frame.right - frame.left) - client.right + ::MulDiv(925, static_cast<int>(dpi), 96),
               20 + (frame.bottom - frame.top) - client.bottom + ::MulDiv(453, static_cast<int>(dpi), 96)};
    ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
    return place;
  };
  if (run_dpi != from) move_to(from);
  Repaint(Main());
  const Pixels before = Capture(Main(), ClientRect(Main()));
  // The system suggests the frame around the client area at the new DPI; Wine, with one DPI
  // for every monitor, keeps the frame it has, so the test suggests that one around it.
  RECT suggested = move_to(to);
  RECT now{};
  ::GetWindowRect(Main(), &now);
  EXPECT_TRUE(::EqualRect(&now, &suggested));
  EXPECT_EQ(ClientRect(Main()).right, 2 * before.width);
  EXPECT_EQ(window_->Built().Display().dpi, to);
  ExpectViewMatchesLayout(Win32Inspector(*window_));

  Repaint(Main());
  const Pixels after = Capture(Main(), ClientRect(Main()));
  EXPECT_LT(MeanDifference(Reduced(after, 2), before), 8.0);
  const RECT logo_after = window_->Built().Find(Control::Logo)->box;
  const Pixels logo_at_2x = Capture(Main(), logo_after);
  move_to(from);
  Repaint(Main());
  const Pixels logo_at_1x = Capture(Main(), window_->Built().Find(Control::Logo)->box);
  EXPECT_GT(Sharpness(logo_at_2x), 1.4 * Sharpness(Enlarged(logo_at_1x, 2)));

  window_->ShowInfo(u"Enter correct PIN code", true);
  HWND message = window_->Messages().Handle();
  const int message_width = ClientRect(message).right;
  RECT message_place{};
  ::GetWindowRect(message, &message_place);
  ::SendMessageW(message, WM_DPICHANGED, MAKEWPARAM(from * 3 / 2, from * 3 / 2), reinterpret_cast<LPARAM>(&message_place));
  EXPECT_EQ(window_->Messages().Built().Display().dpi, from * 3 / 2);
  HWND close = nullptr;
  for (const BuiltComponent& component : window_->Messages().Built().Components()) {
    if (std::string(component.row->name) == "Button1") close = component.hwnd;
  }
  EXPECT_EQ(PlaceInWindow(close).left, ::MulDiv(160, static_cast<int>(from * 3 / 2), 96));
  EXPECT_EQ(ClientRect(message).right, message_width) << "the suggested place was taken as it came";
}

bool ShowsText(const BuiltComponent& component) {
  switch (component.row->kind) {
    case ComponentKind::Label:
    case ComponentKind::Link:
    case ComponentKind::Button:
    case ComponentKind::CheckBox:
    case ComponentKind::Edit:
    case ComponentKind::MaskedEdit:
      return component.hwnd != nullptr && ::IsWindowVisible(component.hwnd) &&
             ::GetWindowTextLengthW(component.hwnd) > 0;
    case ComponentKind::ComboBox:
      return ::IsWindowVisible(component.hwnd) && ::SendMessageW(component.hwnd, CB_GETCURSEL, 0, 0) >= 0;
    default:
      return false;
  }
}

// The control's text taken away for a rendering, and given back.
std::function<void()> TakeTextAway(HWND control, ComponentKind kind) {
  if (kind == ComponentKind::ComboBox) {
    const LRESULT selected = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
    ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return [control, selected] { ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(selected), 0); };
  }
  const std::wstring text = WindowText(control);
  ::SetWindowTextW(control, L"");
  return [control, text] { ::SetWindowTextW(control, text.c_str()); };
}

// Each shown text of the window rendered with and without its text, the texts that share its
// place hidden meanwhile.
void ExpectReadable(const BuiltWindow& built, const std::string& what) {
  // Neither a caret nor a focus mark comes and goes between the two renderings.
  ::SetFocus(nullptr);
  std::vector<const BuiltComponent*> texts;
  for (const BuiltComponent& component : built.Components()) {
    if (ShowsText(component)) texts.push_back(&component);
  }
  ASSERT_FALSE(texts.empty()) << what;
  for (const BuiltComponent* text : texts) {
    RECT place = PlaceInWindow(text->hwnd);
    // A check box's square stands left of its caption, no wider than the box is tall; Wine
    // places it by the caption's line, so it moves when the caption goes.
    if (text->row->kind == ComponentKind::CheckBox) place.left += place.bottom - place.top;
    std::vector<HWND> hidden;
    for (const BuiltComponent* other : texts) {
      RECT other_place = PlaceInWindow(other->hwnd);
      RECT shared{};
      if (other != text && ::IntersectRect(&shared, &other_place, &place)) {
        ::ShowWindow(other->hwnd, SW_HIDE);
        hidden.push_back(other->hwnd);
      }
    }
    Repaint(built.Handle());
    const Pixels with_text = Capture(built.Handle(), place);
    const std::function<void()> give_back = TakeTextAway(text->hwnd, text->row->kind);
    Repaint(built.Handle());
    const Pixels without_text = Capture(built.Handle(), place);
    give_back();
    for (HWND other : hidden) ::ShowWindow(other, SW_SHOWNA);
    const std::optional<MeasuredText> measured = MeasureText(with_text, without_text);
    ASSERT_TRUE(measured.has_value()) << what << ": " << text->row->name << " shows nothing";
    EXPECT_GE(measured->contrast, RequiredContrast(text->font))
        << what << ": " << text->row->name << ", text #" << std::hex << measured->colour << " on #"
        << measured->worst_background;
  }
}

void ShowWholePage(Win32MainWindow& window, int page) {
  window.ShowPage(page);
  for (const ComponentLayout& row : WindowLayout()) {
    const ComponentLayout* parent = FindLayout(LayoutWindow::Main, row.parent);
    if (row.window == LayoutWindow::Main && parent != nullptr && parent->kind == ComponentKind::Page &&
        row.control != Control::Count) {
      window.SetVisible(row.control, true);
    }
  }
  window.SetCaption(Control::StatusLine, u"Can't connect to the box");
  window.SetText(Control::PinField, u"1234");
  window.SetText(Control::PukField, u"12345678");
  window.SetText(Control::ApnField, u"online.telia.se");
  window.SetText(Control::UserField, u"user");
  window.SetText(Control::PasswordField, u"secret");
  window.AddOperator(u"Telia (SE)", nullptr);
  window.SelectOperator(0);
}

TEST_F(Win32DisplayTest, EveryTextMeetsItsContrastInEveryWindow) {
  window_->Show();
  for (int page = kPageWelcome; page <= kPageDone; ++page) {
    SCOPED_TRACE(page);
    ShowWholePage(*window_, page);
    ExpectReadable(window_->Built(), "page " + std::to_string(page));
  }
  window_->ShowInfo(u"Connection failed. Please check operator/APN settings and try again", true);
  ExpectReadable(window_->Messages().Built(), "message window");
  window_->Core().Log().Line("[Tx]  [GPRSSET APN:online.telia.se]");
  window_->Core().OpenLogWindow();
  ExpectReadable(window_->LogForm().Built(), "log window");
}

// Arabic shows the English window in a mirror: the logo panel right of the page, the logo at the
// mirrored place but not flipped, the labels' backgrounds taken from where they stand, the focus
// frame around the focused control, a growing label keeping its right edge; the message window
// and the log window mirrored too.
TEST_F(Win32DisplayTest, ARightToLeftLanguageMirrorsTheWindowsButNotThePictures) {
  const auto logo_pixels = [this](bool mirrored) {
    window_->Show();
    Repaint(Main());
    RECT logo = window_->Built().Find(Control::Logo)->box;
    if (mirrored) logo = {ClientRect(Main()).right - logo.right, logo.top, ClientRect(Main()).right - logo.left, logo.bottom};
    return Capture(Main(), logo);
  };
  const Pixels english_logo = logo_pixels(false);
  EXPECT_EQ(::GetWindowLongW(Main(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
  window_.reset();
  WizardEnvironment environment;
  environment.catalogue_path = folder_.Write("apnlist.csv", "Telia;240;1;online.telia.se;;;SE\n");
  environment.usb_library = folder_.File("no-such-usblib.dll");
  environment.log_places.folder = [this] { return folder_.Path() + "\\"; };
  environment.language = "ar";
  window_ = std::make_unique<Win32MainWindow>(::GetModuleHandleW(nullptr), *resources_, std::move(environment));
  EXPECT_NE(::GetWindowLongW(Main(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
  const Pixels arabic_logo = logo_pixels(true);
  Pixels flipped = english_logo;
  for (int y = 0; y < flipped.height; ++y) {
    for (int x = 0; x < flipped.width; ++x) flipped.rgb[y * flipped.width + x] = english_logo.At(flipped.width - 1 - x, y);
  }
  EXPECT_LT(MeanDifference(arabic_logo, english_logo), 1.0);
  EXPECT_GT(MeanDifference(arabic_logo, flipped), 10.0) << "the logo is flipped, or shows the same both ways";

  EXPECT_GE(OnScreen(window_->ControlHandle(Control::WizardTitle)).left,
            OnScreen(window_->ControlHandle(Control::Pages)).right);
  // A transparent label shows exactly what the window shows where it stands.
  for (const Control label : {Control::WizardTitle, Control::WelcomeHeadline}) {
    SCOPED_TRACE(ControlName(label));
    HWND handle = window_->ControlHandle(label);
    const RECT place = PixelsOf(Main(), OnScreen(handle));
    const std::function<void()> give_back = TakeTextAway(handle, ComponentKind::Label);
    Repaint(Main());
    const Pixels blank_label = Capture(Main(), place);
    ::ShowWindow(handle, SW_HIDE);
    Repaint(Main());
    EXPECT_LT(MeanDifference(blank_label, Capture(Main(), place)), 0.5);
    ::ShowWindow(handle, SW_SHOWNA);
    give_back();
  }
  // The frame: its inner black line right outside the control on both sides.
  HWND start = window_->ControlHandle(Control::Start);
  ::SetFocus(start);
  window_->Built().FollowFocus(start);
  Repaint(Main());
  const RECT start_place = PixelsOf(Main(), OnScreen(start));
  const Pixels framed = Capture(Main(), {start_place.left - 1, start_place.top, start_place.right + 1, start_place.top + 1});
  EXPECT_EQ(framed.At(0, 0), 0u);
  EXPECT_EQ(framed.At(framed.width - 1, 0), 0u);

  window_->ShowPage(kPageCommunicating);
  HWND status = window_->ControlHandle(Control::StatusLine);
  window_->SetCaption(Control::StatusLine, u"x");
  const RECT short_status = OnScreen(status);
  window_->SetCaption(Control::StatusLine, u"Can't connect to the box");
  EXPECT_EQ(OnScreen(status).right, short_status.right);
  EXPECT_LT(OnScreen(status).left, short_status.left);

  window_->ShowInfo(u"Enter correct PIN code", true);
  HWND message = window_->Messages().Handle();
  EXPECT_NE(::GetWindowLongW(message, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
  for (const BuiltComponent& close : window_->Messages().Built().Components()) {
    if (std::string(close.row->name) != "Button1") continue;
    EXPECT_EQ(PixelsOf(message, OnScreen(close.hwnd)).right, ClientRect(message).right - close.box.left);
  }
  window_->Core().OpenLogWindow();
  EXPECT_NE(::GetWindowLongW(window_->LogForm().Handle(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
  // The log itself is English, read left to right.
  EXPECT_EQ(::GetWindowLongW(window_->LogForm().ControlHandle(kLogTextName), GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
}

bool AlwaysHighContrast() { return true; }
bool NeverHighContrast() { return false; }

// High Contrast, through the seam Wine needs (it always reports it off), in the system's colours
// of the run (the test script sets a scheme's colours in the prefix): no picture behind the texts,
// the texts in the window's text colour, the link in the hot-light colour; and back again when
// the setting changes while the window runs.
TEST_F(Win32DisplayTest, HighContrastDrawsInTheSystemsColoursAndFollowsAChange) {
  window_->Show();
  window_->ShowPage(kPageDone);
  SetHighContrastQuery(AlwaysHighContrast);
  ::SendMessageW(Main(), WM_SYSCOLORCHANGE, 0, 0);
  Repaint(Main());
  const RECT client = ClientRect(Main());
  const Pixels shown = Capture(Main(), client);
  // The top left corner, where the gradient's dark blue would be.
  EXPECT_EQ(shown.At(2, 2), SystemColour(COLOR_WINDOW));
  EXPECT_EQ(shown.At(client.right - 3, client.bottom - 3), SystemColour(COLOR_WINDOW));
  const auto colour_of = [](HWND text) {
    const Pixels with_text = Capture(::GetAncestor(text, GA_ROOT), PlaceInWindow(text));
    const std::function<void()> give_back = TakeTextAway(text, ComponentKind::Label);
    Repaint(::GetAncestor(text, GA_ROOT));
    const Pixels without_text = Capture(::GetAncestor(text, GA_ROOT), PlaceInWindow(text));
    give_back();
    Repaint(::GetAncestor(text, GA_ROOT));
    return MeasureText(with_text, without_text);
  };
  const std::optional<MeasuredText> headline = colour_of(window_->ControlHandle(Control::DoneHeadline));
  ASSERT_TRUE(headline.has_value());
  EXPECT_EQ(headline->colour, SystemColour(COLOR_WINDOWTEXT));
  EXPECT_EQ(headline->worst_background, SystemColour(COLOR_WINDOW));
  const std::optional<MeasuredText> link = colour_of(window_->ControlHandle(Control::BoxLink));
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->colour, SystemColour(COLOR_HOTLIGHT));

  SetHighContrastQuery(NeverHighContrast);
  ::SendMessageW(Main(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  Repaint(Main());
  const std::uint32_t top = Capture(Main(), client).At(2, 2);
  EXPECT_LT(RelativeLuminance(top), 0.05) << "the gradient's dark blue is back: #" << std::hex << top;
}

// The message window stays above the wizard that owns it, not above every other program.
TEST_F(Win32DisplayTest, TheMessageWindowIsOwnedByTheWizardNotOnTopOfEveryProgram) {
  window_->Show();
  window_->ShowInfo(u"Enter correct PIN code", true);
  HWND message = window_->Messages().Handle();
  EXPECT_EQ(::GetWindowLongW(message, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(::GetWindow(message, GW_OWNER), Main());
}

}  // namespace
