// The layout of both windows as data, and the questions the views ask of it.
#include "controller/window_layout.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "common/translations.h"
#include "common/user_text.h"

namespace {

using C = Control;
using K = ComponentKind;

constexpr LayoutWindow kMain = LayoutWindow::Main;
constexpr LayoutWindow kMessage = LayoutWindow::MessageWindow;
constexpr LayoutWindow kLog = LayoutWindow::LogForm;
constexpr C kNoKey = Control::Count;

constexpr LayoutFont OpenSans(int points) { return {FontFace::OpenSans, points, false, 0x000000}; }
constexpr LayoutFont OpenSansBold(int points) { return {FontFace::OpenSans, points, true, 0x000000}; }
constexpr LayoutFont Arial(int points) { return {FontFace::Arial, points, false, 0x000000}; }
constexpr LayoutFont Tahoma(int points) { return {FontFace::Tahoma, points, false, 0x000000}; }
constexpr LayoutFont kInherited{};
constexpr LayoutFont kLinkFont{FontFace::OpenSans, 12, false, 0x0000FF};
// The title stands on the dark top of the background: white, where black would not be read.
constexpr LayoutFont kTitleFont{FontFace::OpenSans, 16, false, 0xFFFFFF};

constexpr const char* kWaitText = N_("Please wait, this might take a moment...");
// The pictures' names for screen readers.
constexpr const char* kLogoName = N_("Rodiduz Box logo");
// Translators: what the green check mark picture says: this step is done.
constexpr const char* kCheckMarkName = N_("Done");

// clang-format off
const ComponentLayout kRows[] = {
  // The main window. Its left half and frame, back to front.
  {kMain, "Form1", kNoKey, K::Window, "", {0, 0, 925, 453}, N_("Rodiduz Box Setup Wizard"), Arial(8)},
  {kMain, "Image2", C::Background, K::Picture, "Form1", {0, 0, 925, 453}, nullptr, kInherited, 0, kNoTabStop, nullptr,
   Placement::Stretch, LayoutPicture::Background},
  {kMain, "Shape1", C::LogoFrame, K::Shape, "Form1", {102, 60, 174, 198}, nullptr, kInherited},
  {kMain, "Image1", C::Logo, K::Picture, "Form1", {115, 78, 145, 165}, nullptr, kInherited, 0, kNoTabStop, nullptr,
   Placement::Centre, LayoutPicture::Logo},
  {kMain, "Label2", C::FoundDeviceName, K::Label, "Form1", {8, 414, 31, 13}, "Label2", Tahoma(8), kHidden},
  {kMain, "Label21", C::WizardTitle, K::Label, "Form1", {52, 20, 283, 30}, N_("Rodiduz setup wizard"), kTitleFont,
   kFixed | kWraps, kNoTabStop, nullptr, Placement::TopCentre},
  // The footer's place is ours to choose: under the box lines, across the left half.
  {kMain, "Label27", C::VersionFooter, K::Label, "Form1", {8, 432, 361, 14}, "Label27", Arial(8), kFixed, kNoTabStop,
   nullptr, Placement::TopCentre},
  {kMain, "Label19", C::SignalLine, K::Label, "Form1", {8, 364, 361, 22}, N_("Signal Strength:"), OpenSans(12), kFixed,
   kNoTabStop, nullptr, Placement::TopCentre},
  {kMain, "Label20", C::BoxTypeLine, K::Label, "Form1", {8, 336, 361, 22}, N_("Box Type:"), OpenSans(12), kFixed, kNoTabStop,
   nullptr, Placement::TopCentre},
  {kMain, "Label18", C::BoxIdLine, K::Label, "Form1", {8, 308, 361, 22}, N_("Box ID:"), OpenSans(12), kFixed, kNoTabStop,
   nullptr, Placement::TopCentre},
  {kMain, "ListBox1", C::CatalogueMirror, K::ListBox, "Form1", {88, 251, 74, 47}, nullptr, Tahoma(8), kHidden, 0},
  {kMain, "Notebook1", C::Pages, K::Notebook, "Form1", {412, 8, 505, 436}, nullptr, OpenSans(8), 0, 2},
  {kMain, "Panel2", C::Divider, K::Panel, "Form1", {375, 8, 3, 435}, nullptr, Tahoma(8), 0, 3},
  {kMain, "ListBox3", C::LogMirror, K::ListBox, "Form1", {8, 8, 113, 137}, nullptr, Tahoma(8), kHidden, 1},
  {kMain, "BitBtn1", C::NextPageForTesting, K::BitButton, "Form1", {294, 418, 75, 25}, "Test Next", kInherited, kHidden, 4},
  {kMain, "TrackBar1", C::LadderSlider, K::Slider, "Form1", {138, 382, 150, 45}, nullptr, kInherited, kHidden, 5},

  // The notebook's pages fill it; their names are never shown.
  {kMain, "Welcome", kNoKey, K::Page, "Notebook1", {0, 0, 505, 436}, nullptr, kInherited, 0, 0},
  {kMain, "Communicating", kNoKey, K::Page, "Notebook1", {0, 0, 505, 436}, nullptr, kInherited, 0, 1},
  {kMain, "Setup_", kNoKey, K::Page, "Notebook1", {0, 0, 505, 436}, nullptr, kInherited, 0, 2},
  {kMain, "Done_", kNoKey, K::Page, "Notebook1", {0, 0, 505, 436}, nullptr, kInherited, 0, 3},

  // Page 0 "Welcome"
  {kMain, "Label14", C::WelcomeHeadline, K::Label, "Welcome", {16, 27, 465, 76}, N_("Welcome to the Rodiduz Mobile Setup Wizard"),
   OpenSansBold(20), kFixed | kWraps},
  {kMain, "Label8", C::WelcomeStepsHeading, K::Label, "Welcome", {16, 120, 473, 64},
   N_("The Wizard will take you through the following steps:"), OpenSansBold(16), kFixed | kWraps},
  {kMain, "Label26", C::WelcomeStep1, K::Label, "Welcome", {16, 204, 328, 22}, N_("1.   Connect the Rodiduz to the computer"),
   OpenSansBold(12)},
  {kMain, "Label28", C::WelcomeStep2, K::Label, "Welcome", {16, 236, 299, 22}, N_("2.   Fill in SIM card/Connection details"),
   OpenSansBold(12)},
  {kMain, "Label31", C::WelcomeStep3, K::Label, "Welcome", {16, 268, 261, 22}, N_("3.   Return to Rodiduz WEB guide"),
   OpenSansBold(12)},
  {kMain, "Label46", C::WelcomeNote, K::Label, "Welcome", {16, 320, 465, 71},
   N_("If the operator has it's own network and the pin code is deactivated, the box might work without running the "
   "setup wizard"),
   OpenSansBold(10), kFixed | kWraps},
  {kMain, "Button8", C::Start, K::Button, "Welcome", {386, 397, 97, 29}, N_("Start"), OpenSans(12), 0, 0},

  // Page 1 "Communicating": the progress ladder starts hidden.
  {kMain, "Label9", C::ConnectHeadline, K::Label, "Communicating", {16, 27, 473, 74}, N_("Connect Rodiduz to the computer"),
   OpenSansBold(20), kWraps},
  {kMain, "Label24", C::StatusLine, K::Label, "Communicating", {16, 88, 4, 22}, "", OpenSans(12)},
  {kMain, "Label33", C::LadderConnectHeading, K::Label, "Communicating", {16, 120, 481, 62},
   N_("1.   Please connect Rodiduz to the computer"), OpenSansBold(16), kFixed | kWraps},
  {kMain, "Label34", C::LadderSearching, K::Label, "Communicating", {52, 151, 211, 22}, N_("Searching for Rodiduz Box"),
   OpenSansBold(12), kHidden},
  {kMain, "Label32", C::LadderSearchWait, K::Label, "Communicating", {52, 176, 325, 22}, kWaitText, OpenSansBold(12), kHidden},
  {kMain, "Label35", C::LadderFound, K::Label, "Communicating", {52, 179, 153, 22}, N_("Rodiduz Box found"), OpenSansBold(12),
   kHidden},
  {kMain, "Image3", C::LadderFoundCheck, K::Picture, "Communicating", {421, 151, 68, 64}, nullptr, kInherited, kHidden,
   kNoTabStop, nullptr, Placement::TopLeft, LayoutPicture::CheckMark},
  {kMain, "Label39", C::LadderStartupHeading, K::Label, "Communicating", {16, 230, 359, 28}, N_("2.   Waiting for Rodiduz to start up"),
   OpenSansBold(16), kHidden},
  {kMain, "Label25", C::LadderStartupWait, K::Label, "Communicating", {52, 260, 325, 22}, kWaitText, OpenSansBold(12), kHidden},
  {kMain, "Label40", C::LadderStarted, K::Label, "Communicating", {52, 261, 129, 22}, N_("Rodiduz started"), OpenSansBold(12),
   kHidden},
  {kMain, "Image4", C::LadderStartedCheck, K::Picture, "Communicating", {421, 230, 65, 73}, nullptr, kInherited, kHidden,
   kNoTabStop, nullptr, Placement::TopLeft, LayoutPicture::CheckMark},
  {kMain, "Label42", C::LadderTestHeading, K::Label, "Communicating", {16, 316, 351, 28}, N_("3.   Testing connection to network"),
   OpenSansBold(16), kHidden},
  {kMain, "Label44", C::LadderTesting, K::Label, "Communicating", {52, 350, 58, 22}, N_("Testing"), OpenSansBold(12), kHidden},
  {kMain, "Label13", C::LadderTested, K::Label, "Communicating", {52, 378, 146, 22}, N_("Connection tested"), OpenSansBold(12),
   kHidden},
  {kMain, "Image5", C::LadderTestedCheck, K::Picture, "Communicating", {421, 320, 73, 72}, nullptr, kInherited, kHidden,
   kNoTabStop, nullptr, Placement::TopLeft, LayoutPicture::CheckMark},

  // Page 2 "Setup_". The frames stand behind everything, so they never hide what they surround.
  {kMain, "Bevel2", C::OperatorFrame, K::Bevel, "Setup_", {16, 154, 464, 231}, nullptr, kInherited},
  {kMain, "Bevel1", C::PinFrame, K::Bevel, "Setup_", {16, 71, 464, 73}, nullptr, kInherited},
  {kMain, "Label10", C::SetupHeadline, K::Label, "Setup_", {16, 27, 473, 50}, N_("Fill in SIM card details:"), OpenSansBold(20),
   kFixed | kWraps},
  {kMain, "Label7", C::PinCaption, K::Label, "Setup_", {34, 85, 92, 18}, N_("Enter PIN code:"), OpenSans(10)},
  {kMain, "MaskEdit1", C::PinField, K::MaskedEdit, "Setup_", {34, 104, 57, 26}, "    ", OpenSans(10), 0, 0,
   N_("If no PIN code provided - leave this field blank")},
  {kMain, "Label30", C::PukCaption, K::Label, "Setup_", {272, 85, 60, 18}, N_("PUK code:"), OpenSans(10), kHidden},
  {kMain, "Edit4", C::PukField, K::Edit, "Setup_", {272, 104, 137, 30}, "", OpenSans(12), kHidden, 1},
  {kMain, "Label3", C::OperatorListCaption, K::Label, "Setup_", {34, 165, 431, 22}, N_("Select operator from list:"), OpenSansBold(12),
   kFixed},
  {kMain, "ComboBox1", C::OperatorList, K::ComboBox, "Setup_", {34, 186, 431, 26}, nullptr, OpenSans(10), 0, 2},
  {kMain, "CheckBox1", C::ShowAllOperators, K::CheckBox, "Setup_", {34, 215, 137, 17}, N_("Show all operators"), OpenSans(8), 0,
   3},
  {kMain, "Label1", C::ManualSettingsCaption, K::Label, "Setup_", {34, 251, 439, 44}, N_("Or manually enter settings provided by operator:"),
   OpenSansBold(12), kFixed | kWraps},
  {kMain, "Label4", C::ApnCaption, K::Label, "Setup_", {34, 277, 66, 18}, N_("APN name:"), OpenSans(10)},
  {kMain, "Edit1", C::ApnField, K::Edit, "Setup_", {34, 297, 191, 26}, "", OpenSans(10), 0, 4,
   N_("APN name from operator - normally \"internet\"")},
  {kMain, "Label5", C::UserCaption, K::Label, "Setup_", {272, 277, 93, 18}, N_("APN Username:"), OpenSans(10), kHidden},
  {kMain, "Edit2", C::UserField, K::Edit, "Setup_", {272, 297, 185, 26}, "", OpenSans(10), kHidden, 6,
   N_("APN username from operator - normally blank")},
  {kMain, "CheckBox2", C::CredentialsGiven, K::CheckBox, "Setup_", {34, 325, 232, 24}, N_("APN Username/Password provided"),
   OpenSans(8), 0, 5},
  {kMain, "Label6", C::PasswordCaption, K::Label, "Setup_", {272, 327, 90, 18}, N_("APN Password:"), OpenSans(10), kHidden},
  {kMain, "Edit3", C::PasswordField, K::Edit, "Setup_", {272, 347, 185, 26}, "", OpenSans(10), kHidden, 7,
   N_("APN password from Operator - normally blank")},
  {kMain, "Button7", C::Next, K::Button, "Setup_", {384, 396, 97, 29}, N_("Next"), OpenSans(12), 0, 8},

  // Page 3 "Done_". The link takes the focus before Copy Link, as it stands above it.
  {kMain, "Label11", C::DoneHeadline, K::Label, "Done_", {15, 27, 474, 110},
   N_("Congratulations, your Rodiduz is now connected to the internet"), OpenSansBold(20), kFixed | kWraps},
  {kMain, "Label12", C::DoneStep1, K::Label, "Done_", {15, 117, 393, 28}, N_("1.   Now move the USB cable from the "),
   OpenSansBold(16), kWraps},
  {kMain, "s", C::DoneStep1Line2, K::Label, "Done_", {49, 151, 407, 28}, N_("computer to the power supply/adaptor"), OpenSansBold(16)},
  {kMain, "Label17", C::DoneStep1Line3, K::Label, "Done_", {49, 183, 298, 28}, N_("to start transmission of data"),
   OpenSansBold(16)},
  {kMain, "Label16", C::DoneStep2, K::Label, "Done_", {15, 223, 399, 28}, N_("2.   Click on the 'Copy Link' button and "),
   OpenSansBold(16), kWraps},
  {kMain, "Label23", C::DoneStep2Line2, K::Label, "Done_", {49, 253, 383, 28}, N_("paste the link into your web-browser"),
   OpenSansBold(16)},
  {kMain, "Label29", C::BoxLink, K::Link, "Done_", {49, 296, 246, 22}, "http://www.rodiduz.com/id/00000000", kLinkFont,
   0, 0},
  {kMain, "Image6", C::DoneCheck, K::Picture, "Done_", {376, 280, 105, 105}, nullptr, kInherited, 0, kNoTabStop, nullptr,
   Placement::TopLeft, LayoutPicture::CheckMark},
  {kMain, "Button1", C::CopyLink, K::Button, "Done_", {49, 332, 97, 29}, N_("Copy Link"), OpenSans(12), 0, 1},
  // Beside Copy Link, for a moment after each press.
  {kMain, "LinkCopied", C::LinkCopiedNote, K::Label, "Done_", {154, 336, 200, 22}, N_("Link copied"), OpenSans(12), kHidden},
  {kMain, "Label22", C::RestartCaption, K::Label, "Done_", {15, 366, 257, 22}, N_("4) Press here to restart the wizard"),
   OpenSans(12), kHidden},
  {kMain, "Button2", C::Restart, K::Button, "Done_", {15, 394, 116, 25}, N_("Restart"), OpenSans(12), kHidden, 2},
  {kMain, "Button3", C::Exit, K::Button, "Done_", {384, 396, 97, 29}, N_("Exit"), OpenSans(12), 0, 3},

  // The message window, back to front.
  {kMessage, "MessageForm", kNoKey, K::Window, "", {0, 0, 400, 160}, N_("Information"), Tahoma(8)},
  {kMessage, "Image2", kNoKey, K::Picture, "MessageForm", {0, 0, 400, 160}, nullptr, kInherited, 0, kNoTabStop,
   nullptr, Placement::Stretch, LayoutPicture::MessageBackground},
  {kMessage, "Label1", kNoKey, K::Label, "MessageForm", {23, 40, 314, 74}, "Label1", Tahoma(12), kFixed | kWraps},
  {kMessage, "Button1", kNoKey, K::Button, "MessageForm", {160, 127, 75, 25}, N_("Close"), kInherited, 0, 0},

  // The "Wizard log" window. The caption stands just before the text it names for screen
  // readers; the note says how many earlier lines the text leaves out, when it does.
  {kLog, "LogForm", kNoKey, K::Window, "", {0, 0, 720, 480}, N_("Wizard log"), Tahoma(8)},
  {kLog, kLogNoteName, kNoKey, K::Label, "LogForm", {150, 8, 562, 14}, "", kInherited, kFixed | kHidden},
  {kLog, "LogCaption", kNoKey, K::Label, "LogForm", {8, 8, 136, 14}, N_("Log so far:"), kInherited, kFixed},
  {kLog, kLogTextName, kNoKey, K::Memo, "LogForm", {8, 26, 704, 358}, nullptr, kInherited, 0, 0},
  {kLog, kLogPlaceName, kNoKey, K::Label, "LogForm", {8, 392, 704, 42}, "", kInherited, kFixed | kWraps},
  {kLog, kLogCopyAllName, kNoKey, K::Button, "LogForm", {8, 446, 90, 25}, N_("Copy all"), kInherited, 0, 1},
  {kLog, kLogSaveAsName, kNoKey, K::Button, "LogForm", {106, 446, 90, 25}, N_("Save as..."), kInherited, 0, 2},
  {kLog, kLogCloseName, kNoKey, K::Button, "LogForm", {622, 446, 90, 25}, N_("Close"), kInherited, 0, 3},
};
// clang-format on

using ControlIndex = std::array<const ComponentLayout*, static_cast<std::size_t>(Control::Count)>;

ControlIndex IndexByControl() {
  ControlIndex index{};
  for (const ComponentLayout& row : kRows) {
    if (row.control != kNoKey) index[static_cast<std::size_t>(row.control)] = &row;
  }
  return index;
}

void AppendTabStops(LayoutWindow window, std::string_view parent,
                    std::vector<const ComponentLayout*>& chain) {
  std::vector<const ComponentLayout*> stops = ChildrenOf(window, parent);
  std::erase_if(stops, [](const ComponentLayout* row) { return row->tab_order == kNoTabStop; });
  std::stable_sort(stops.begin(), stops.end(), [](const ComponentLayout* a, const ComponentLayout* b) {
    return a->tab_order < b->tab_order;
  });
  for (const ComponentLayout* stop : stops) {
    if (TakesFocus(stop->kind)) chain.push_back(stop);
    AppendTabStops(window, stop->name, chain);
  }
}

}  // namespace

std::span<const ComponentLayout> WindowLayout() { return kRows; }

const ComponentLayout& LayoutOf(Control control) {
  static const ControlIndex index = IndexByControl();
  const auto at = static_cast<std::size_t>(control);
  // Every key has its row (a table test holds the table to that); Count falls back to the window.
  return at < index.size() && index[at] != nullptr ? *index[at] : kRows[0];
}

const ComponentLayout* FindLayout(LayoutWindow window, std::string_view name) {
  const auto row = std::find_if(std::begin(kRows), std::end(kRows), [&](const ComponentLayout& candidate) {
    return candidate.window == window && name == candidate.name;
  });
  return row == std::end(kRows) ? nullptr : &*row;
}

const ComponentLayout& WindowRow(LayoutWindow window) {
  return *std::find_if(std::begin(kRows), std::end(kRows), [&](const ComponentLayout& row) {
    return row.window == window && row.kind == ComponentKind::Window;
  });
}

std::vector<const ComponentLayout*> ChildrenOf(LayoutWindow window, std::string_view parent) {
  std::vector<const ComponentLayout*> children;
  for (const ComponentLayout& row : kRows) {
    if (row.window == window && parent == row.parent) children.push_back(&row);
  }
  return children;
}

std::vector<const ComponentLayout*> TabChain(LayoutWindow window) {
  std::vector<const ComponentLayout*> chain;
  AppendTabStops(window, WindowRow(window).name, chain);
  return chain;
}

const ComponentLayout* CaptionOf(const ComponentLayout& field) {
  if (field.kind != ComponentKind::Edit && field.kind != ComponentKind::MaskedEdit &&
      field.kind != ComponentKind::ComboBox && field.kind != ComponentKind::Memo) {
    return nullptr;
  }
  const std::vector<const ComponentLayout*> siblings = ChildrenOf(field.window, field.parent);
  const auto at = std::find(siblings.begin(), siblings.end(), &field);
  if (at == siblings.begin() || at == siblings.end()) return nullptr;
  const ComponentLayout* behind = *(at - 1);
  return behind->kind == ComponentKind::Label ? behind : nullptr;
}

const ComponentLayout* HeadlineOf(const ComponentLayout& page) {
  if (page.kind != ComponentKind::Page) return nullptr;
  for (const ComponentLayout* row : ChildrenOf(page.window, page.name)) {
    if (row->kind == ComponentKind::Label) return row;
  }
  return nullptr;
}

const char* PictureName(LayoutPicture picture) {
  switch (picture) {
    case LayoutPicture::Logo: return kLogoName;
    case LayoutPicture::CheckMark: return kCheckMarkName;
    case LayoutPicture::Background:
    case LayoutPicture::MessageBackground:
    case LayoutPicture::None: break;
  }
  return nullptr;
}

bool TakesFocus(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::Link:
    case ComponentKind::Button:
    case ComponentKind::BitButton:
    case ComponentKind::Edit:
    case ComponentKind::MaskedEdit:
    case ComponentKind::ComboBox:
    case ComponentKind::CheckBox:
    case ComponentKind::ListBox:
    case ComponentKind::Memo:
    case ComponentKind::Slider:
      return true;
    default:
      return false;
  }
}

bool IsLabel(ComponentKind kind) { return kind == ComponentKind::Label || kind == ComponentKind::Link; }

bool KeepsWidth(const ComponentLayout& row) { return !IsLabel(row.kind) || row.Fixed() || row.Wraps(); }
bool KeepsHeight(const ComponentLayout& row) { return !IsLabel(row.kind) || row.Fixed(); }

int PixelHeight(const LayoutFont& font) { return (font.points * 96 + 36) / 72; }

const char* FaceName(FontFace face) {
  switch (face) {
    case FontFace::OpenSans:
      return "Open Sans";
    case FontFace::Arial:
      return "Arial";
    case FontFace::Tahoma:
      return "Tahoma";
    case FontFace::Inherited:
      break;
  }
  return "";
}

NativeString ShownCaption(const ComponentLayout& row, const MessageCatalogue& texts) {
  return row.text == nullptr ? NativeString() : ShownText(texts, row.text);
}

NativeString ShownHint(const ComponentLayout& row, const MessageCatalogue& texts) {
  return row.hint == nullptr ? NativeString() : ShownText(texts, row.hint);
}
