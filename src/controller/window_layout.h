// The layout of both windows as data: every component with its kind, parent, place, text,
// font, visibility, tab order and stacking order. Each view builds its window from this table,
// so it is the one place where a place or a caption is written.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "common/translations.h"
#include "controller/wizard_view.h"

enum class LayoutWindow { Main, MessageWindow, LogForm };

enum class ComponentKind {
  Window,  // the window itself: its caption, client size and font
  Label,
  Link,  // a label that is clicked
  Picture,
  Shape,  // a white rectangle with a thin black outline
  Button,
  BitButton,
  Edit,
  MaskedEdit,
  ComboBox,  // a sorted drop-down list, no typing
  CheckBox,
  ListBox,
  Memo,      // read-only lines of text to select and copy, with scroll bars
  Slider,    // horizontal, ticks below
  Bevel,     // a lowered frame around other components
  Panel,     // a raised divider
  Notebook,  // pages without tabs
  Page,
};

enum class FontFace { Inherited, OpenSans, Arial, Tahoma };

struct LayoutFont {
  FontFace face = FontFace::Inherited;  // Inherited: the window's font, size and all
  int points = 0;
  bool bold = false;
  std::uint32_t colour = 0x000000;  // 0xRRGGBB
};

struct LayoutBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const LayoutBox&, const LayoutBox&) = default;
};

// Where a text or a picture sits in its box.
enum class Placement { TopLeft, TopCentre, Centre, Stretch };

enum class LayoutPicture { None, Background, MessageBackground, Logo, CheckMark };

// Labels: a fixed label keeps its box; a wrapping one breaks its text inside the width. Any
// other label takes the size of its text (a wrapping one keeps its width and grows downwards).
// A text longer than the English grows any of them as controller/layout_flow.h says.
inline constexpr unsigned kFixed = 1u << 0;
inline constexpr unsigned kWraps = 1u << 1;
inline constexpr unsigned kHidden = 1u << 2;

inline constexpr int kNoTabStop = -1;

struct ComponentLayout {
  LayoutWindow window;
  const char* name;
  Control control;  // Control::Count where the controller has no key for it
  ComponentKind kind;
  const char* parent;  // the window, the notebook or a page, by name; "" for a window
  LayoutBox box;       // client size for a window; left and top within the parent otherwise
  const char* text;    // UTF-8; nullptr where the component shows no text
  LayoutFont font;
  unsigned flags = 0;
  int tab_order = kNoTabStop;  // within the parent
  const char* hint = nullptr;  // the tool tip
  Placement placement = Placement::TopLeft;
  LayoutPicture picture = LayoutPicture::None;

  bool Fixed() const { return (flags & kFixed) != 0; }
  bool Wraps() const { return (flags & kWraps) != 0; }
  bool Hidden() const { return (flags & kHidden) != 0; }
};

// Every component of both windows. Within a parent the rows run from back to front (the
// stacking order); a parent's row comes before its children's.
std::span<const ComponentLayout> WindowLayout();

const ComponentLayout& LayoutOf(Control control);
// nullptr when the window has no component of that name.
const ComponentLayout* FindLayout(LayoutWindow window, std::string_view name);
const ComponentLayout& WindowRow(LayoutWindow window);

// The children of `parent`, back to front.
std::vector<const ComponentLayout*> ChildrenOf(LayoutWindow window, std::string_view parent);
// The components that take the keyboard focus, in the order Tab visits them: each parent's
// tab stops in their order, a container's own stops where the container stands.
std::vector<const ComponentLayout*> TabChain(LayoutWindow window);

// The label that names a field for assistive technology: the label just behind the field among
// its parent's rows. nullptr for anything but a field, and for a field without one.
const ComponentLayout* CaptionOf(const ComponentLayout& field);

// The label that names a page for assistive technology: its headline, the page's first label.
// nullptr for anything but a page.
const ComponentLayout* HeadlineOf(const ComponentLayout& page);
// What assistive technology calls a picture that shows something; nullptr for decoration (the
// gradients behind the texts).
const char* PictureName(LayoutPicture picture);
// A row's text and hint as every window shows them: in the user's language.
NativeString ShownCaption(const ComponentLayout& row, const MessageCatalogue& texts);
NativeString ShownHint(const ComponentLayout& row, const MessageCatalogue& texts);

bool TakesFocus(ComponentKind kind);
bool IsLabel(ComponentKind kind);
// Which sides of the box a view must keep whatever the text (labels that follow their text
// keep only their corner, and a wrapping one its width too).
bool KeepsWidth(const ComponentLayout& row);
bool KeepsHeight(const ComponentLayout& row);
// The character height in pixels at 96 dots per inch, as a window system asks for it.
int PixelHeight(const LayoutFont& font);
// The face's own name, as a font installer or a system font call knows it.
const char* FaceName(FontFace face);

// What a later start of the wizard says, on both systems, when it ends without a window of its
// own: the running wizard's window could not be brought to the front (Wayland without the
// desktop's activation token, another session of the same user), or it did not answer in time.
inline constexpr const char* kAlreadyOpenMessage = N_("The Rodiduz Box Setup Wizard is already open.");
inline constexpr const char* kAlreadyOpenNoAnswerMessage =
    N_("The Rodiduz Box Setup Wizard is already open, but its window does not answer.\n\n"
       "Wait for it, or close it and start the wizard again.");

// The "Wizard log" window's components, as both windows and their tests find them.
inline constexpr const char* kLogNoteName = "LogNote";
inline constexpr const char* kLogTextName = "LogText";
inline constexpr const char* kLogPlaceName = "LogPlace";
inline constexpr const char* kLogCopyAllName = "CopyAll";
inline constexpr const char* kLogSaveAsName = "SaveAs";
inline constexpr const char* kLogCloseName = "Close";
// The title of the file dialog of Save as..., and the Windows system menu's item that opens the
// window (Ctrl+L does in both windows).
inline constexpr const char* kSaveLogTitle = N_("Save the wizard log as");
inline constexpr const char* kShowLogMenuItem = N_("Show wizard log");
// The file dialog's two choices of file type, each followed by its pattern.
inline constexpr const char* kTextFilesFilter = N_("Text files");
inline constexpr const char* kAllFilesFilter = N_("All files");

// The question both windows ask when the log could not be saved as the window closes; No, the
// default, keeps the window open. The answers carry their own access keys, so Alt+Y answers
// whatever the platform's button texts are.
inline constexpr const char* kCloseWithoutLogQuestion =
    N_("The wizard's log could not be saved. If the program closes now, the log is lost.\n\n"
       "Close without saving the log?\n\n"
       "No keeps the window open; closing it again tries to save the log once more.");
inline constexpr const char* kCloseWithoutLogYes = N_("&Yes");
inline constexpr const char* kCloseWithoutLogNo = N_("&No");
