// Every text of the Win32 window's pages fits its control and overlaps no other, in English, in
// every shipped language and in the pseudo-translation: a label's text measured with DrawText in
// its own font against its control's client area and its page, a button's and a check box's
// caption against its width, and no two texts over each other; the message window with every
// text of the catalogue likewise.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/translations.h"
#include "support/pseudo_locale.h"
#include "support/test_files.h"
#include "ui_win32/main_window_win32.h"
#include "ui_win32/message_window_win32.h"

namespace {

struct PlacedText {
  std::string name;
  RECT rect;  // where the text is drawn, in the top-level window's client coordinates
};

std::string Utf8(const std::wstring& text) { return NativeToUtf8(Native(text)); }

std::string Size(const RECT& rect) {
  return std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
}

// The text's size as the control draws it, in the control's own font.
RECT DrawnText(HWND control, const std::wstring& text, int width, UINT format) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, width, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, DT_CALCRECT | format);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return needed;
}

// Where a static control draws its text in its client area: broken into lines of its width
// unless its style keeps it on one line.
RECT LabelTextRect(HWND label, std::string& failure) {
  RECT client{};
  ::GetClientRect(label, &client);
  const LONG style = ::GetWindowLongW(label, GWL_STYLE);
  const LONG type = style & SS_TYPEMASK;
  const bool wraps = type == SS_LEFT || type == SS_CENTER;
  const UINT format = ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0) | (wraps ? DT_WORDBREAK : DT_SINGLELINE);
  RECT needed = DrawnText(label, WindowText(label), wraps ? client.right : 0, format);
  if (needed.right > client.right || needed.bottom > client.bottom) {
    failure = "needs " + Size(needed) + ", has " + Size(client);
  }
  if (type == SS_CENTER) ::OffsetRect(&needed, (client.right - needed.right) / 2, 0);
  return needed;
}

// Where a button or check box draws its caption: beside the check box's box (broken into lines
// when it is BS_MULTILINE), or in the middle of a push button.
RECT CaptionRect(const BuiltWindow& built, const BuiltComponent& component, std::string& failure) {
  RECT client{};
  ::GetClientRect(component.hwnd, &client);
  const int chrome = built.CaptionChrome(component);
  const int room = client.right - chrome;
  const bool lines = (::GetWindowLongW(component.hwnd, GWL_STYLE) & BS_MULTILINE) != 0;
  const RECT caption = DrawnText(component.hwnd, WindowText(component.hwnd), lines ? room : 0,
                                 lines ? DT_WORDBREAK : DT_SINGLELINE);
  if (caption.right > room) failure = "needs " + std::to_string(caption.right) + " px, has " + std::to_string(room);
  if (caption.bottom > client.bottom) {
    failure = "needs " + std::to_string(caption.bottom) + " px high, has " + std::to_string(client.bottom);
  }
  const bool check_box = component.row->kind == ComponentKind::CheckBox;
  const int left = check_box ? chrome : (client.right - caption.right) / 2;
  return {left, 0, left + caption.right, client.bottom};
}

// Shown on the window: it and every container up to the window have WS_VISIBLE.
bool Shown(HWND control, HWND window) {
  for (HWND at = control; at != nullptr && at != window; at = ::GetParent(at)) {
    if ((::GetWindowLongW(at, GWL_STYLE) & WS_VISIBLE) == 0) return false;
  }
  return true;
}

RECT InWindow(HWND control, HWND window, RECT rect) {
  ::MapWindowPoints(control, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The texts the user sees now, each checked against its control and its page.
std::vector<PlacedText> VisibleTexts(const BuiltWindow& built, std::vector<std::string>& failures) {
  std::vector<PlacedText> placed;
  for (const BuiltComponent& component : built.Components()) {
    const ComponentKind kind = component.row->kind;
    const bool caption = kind == ComponentKind::Button || kind == ComponentKind::BitButton || kind == ComponentKind::CheckBox;
    if (component.hwnd == nullptr || (!IsLabel(kind) && !caption) || !Shown(component.hwnd, built.Handle())) continue;
    const std::wstring text = WindowText(component.hwnd);
    if (text.empty()) continue;
    std::string failure;
    const RECT rect = IsLabel(kind) ? LabelTextRect(component.hwnd, failure) : CaptionRect(built, component, failure);
    HWND page = ::GetParent(component.hwnd);
    RECT page_area{};
    ::GetClientRect(page, &page_area);
    const RECT in_page = InWindow(component.hwnd, page, rect);
    if (failure.empty() && (in_page.right > page_area.right || in_page.bottom > page_area.bottom)) {
      failure = "runs out of its page at " + std::to_string(in_page.right) + "," + std::to_string(in_page.bottom);
    }
    const std::string name = std::string(component.row->name) + " \"" + Utf8(text) + "\"";
    if (!failure.empty()) failures.push_back(name + " " + failure);
    placed.push_back({name, InWindow(component.hwnd, built.Handle(), rect)});
  }
  return placed;
}

void ExpectNoOverlap(const std::vector<PlacedText>& placed, std::vector<std::string>& failures) {
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      RECT common{};
      if (::IntersectRect(&common, &placed[i].rect, &placed[j].rect)) {
        failures.push_back(placed[i].name + " overlaps " + placed[j].name);
      }
    }
  }
}

// What the flow said it had no room for on a page; empty when all fits.
std::string NoRoomOn(const BuiltWindow& built, const ComponentLayout& page) {
  const ContainerFlow* placed = built.FlowOf(page);
  if (placed == nullptr) return "";
  std::string no_room = placed->overflow > 0 ? std::to_string(placed->overflow) + " px past its bottom" : "";
  for (const ComponentLayout* control : placed->too_narrow) no_room += std::string(" ") + control->name + " too narrow";
  return no_room;
}

constexpr int kLadderPage = 1;
constexpr int kWholeLadder = 6;

// As in the Qt window's test: every language fits everywhere, the pseudo-translation too, in a
// window grown as tall as its fullest page needs (English never grows).
TEST(Win32TextFitTest, EveryTextFitsItsControlAndOverlapsNoneInEveryLanguage) {
  const ScratchFolder folder;
  for (FitLanguage& row : FitLanguages()) {
    SCOPED_TRACE(row.name);
    WizardEnvironment environment;
    environment.language = row.language;
    environment.texts = std::move(row.texts);
    environment.catalogue_path = folder.Write("apnlist.csv", "Telia;240;1;online.telia.se;;;SE\n");
    environment.usb_library = folder.File("no-such-usblib.dll");
    environment.log_places.folder = [&folder] { return folder.Path() + "\\"; };
    Win32Resources resources;
    Win32MainWindow window(::GetModuleHandleW(nullptr), resources, std::move(environment));
    std::cout << row.name << ": the window grows by " << window.Built().GrownBy() << " px\n";
    if (row.name == "English") {
      EXPECT_EQ(window.Built().GrownBy(), 0);
    }
    window.Built().BuildEveryPage();
    window.Core().Presenter().SetCredentialsGiven(true);
    window.Core().Presenter().ShowPukEntry();
    const std::vector<const ComponentLayout*> pages = ChildrenOf(LayoutWindow::Main, "Notebook1");
    for (int page = 0; page < static_cast<int>(pages.size()); ++page) {
      window.ShowPage(page);
      for (int level = page == kLadderPage ? 1 : kWholeLadder; level <= kWholeLadder; ++level) {
        SCOPED_TRACE(testing::Message() << "page " << page << ", ladder level " << level);
        window.Core().Presenter().ShowLadderLevel(level);
        std::vector<std::string> failures;
        ExpectNoOverlap(VisibleTexts(window.Built(), failures), failures);
        const ComponentLayout& shown_page = *pages[static_cast<std::size_t>(page)];
        EXPECT_EQ(NoRoomOn(window.Built(), shown_page), "")
            << "the flow found no room on " << shown_page.name;
        for (const std::string& failure : failures) ADD_FAILURE() << failure;
      }
    }
  }
}

// As in the Qt window's test: every text of the catalogue (the controller's messages among them)
// fits the message window in every language, the window growing with its label; a text the
// table's box holds keeps the table's size.
TEST(Win32TextFitTest, EveryMessageFitsTheMessageWindowInEveryLanguage) {
  const std::vector<std::string> keys = TemplateKeys(CatalogueTemplate());
  ASSERT_FALSE(keys.empty());
  const ComponentLayout& label_row = *FindLayout(LayoutWindow::MessageWindow, "Label1");
  for (FitLanguage& row : FitLanguages()) {
    SCOPED_TRACE(row.name);
    const MessageCatalogue texts = row.texts ? *row.texts : CatalogueFor(row.language);
    Win32Resources resources;
    MessageWindow messages(::GetModuleHandleW(nullptr), nullptr, resources, texts);
    messages.ShowInfo(u"", true);
    const BuiltWindow& built = messages.Built();
    HWND label = nullptr;
    for (const BuiltComponent& component : built.Components()) {
      if (component.row == &label_row) label = component.hwnd;
    }
    ASSERT_NE(label, nullptr);
    int most_grown = 0;
    for (const std::string& key : keys) {
      const std::string_view shown = TranslatedKey(texts, key);
      SCOPED_TRACE(std::string(shown));
      messages.SetText(Utf8ToNative(shown));
      most_grown = std::max(most_grown, built.GrownBy());
      const RECT needed =
          DrawnText(label, WindowText(label), built.Display().Scaled(label_row.box.width), DT_WORDBREAK | DT_NOPREFIX);
      if (needed.bottom <= built.Display().Scaled(label_row.box.height)) {
        EXPECT_EQ(built.GrownBy(), 0) << "the table's box holds it";
      }
      std::vector<std::string> failures;
      ExpectNoOverlap(VisibleTexts(built, failures), failures);
      for (const std::string& failure : failures) ADD_FAILURE() << failure;
    }
    std::cout << row.name << ": the message window grows by up to " << most_grown << " px\n";
  }
}

}  // namespace
