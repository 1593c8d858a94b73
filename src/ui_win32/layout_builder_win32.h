// Builds a window's components from the layout table: a common control for every component
// that takes input or shows text, and drawn components (pictures, the shape, bevels, the
// panel) painted by their container under the controls, as the layout stacks them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "controller/layout_flow.h"
#include "controller/window_layout.h"
#include "ui_win32/resources_win32.h"

class Canvas;

// How a window is drawn on its display: at its monitor's DPI, in the system's colours when
// the user asked for High Contrast, and mirrored (WS_EX_LAYOUTRTL) in a language written right
// to left.
struct DisplayState {
  UINT dpi = 96;
  bool high_contrast = false;
  bool mirrored = false;
  // The script the fonts must write (ARABIC_CHARSET); DEFAULT_CHARSET for the layout's own faces.
  BYTE script = DEFAULT_CHARSET;
  int Scaled(int layout_pixels) const;
};

struct BuiltComponent {
  const ComponentLayout* row = nullptr;
  HWND hwnd = nullptr;       // nullptr for a drawn component
  Canvas* canvas = nullptr;  // the container it stands in (or, for a container, its own)
  RECT box{};                // in the container's client coordinates, in pixels at the window's DPI
  bool visible = true;
  LayoutFont font;  // resolved: never Inherited
  int id = 0;       // the control identifier its notifications carry
};

// A window that draws its own background: the window itself, the notebook, a page. What the
// whole window shows under its controls is composed once into one bitmap of the outermost
// canvas: its background, then for it and each shown canvas inside it the drawn components
// back to front and the focus frame. Every canvas paints its part of that bitmap, and it also
// serves as the brush of the transparent labels, so they show exactly what lies behind them.
// The bitmap holds the pixels as the screen shows them, left to right: in a mirrored window each
// drawn component is placed at its mirrored box, its picture unflipped, and the bitmap is copied
// into the windows unflipped. (Device contexts are not mirrored for this: Windows and Wine differ
// by a pixel in where a mirrored context puts a box.)
// In High Contrast it is the system's window colour, with no picture behind the texts, and the
// texts take the system's text colours.
class Canvas {
 public:
  Canvas(HWND hwnd, Canvas* parent, const Win32Resources& resources, const DisplayState& display);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HWND Handle() const { return hwnd_; }
  void AddDrawn(const BuiltComponent* component) {
    drawn_.push_back(component);
    Root().stale_ = true;
  }
  void AddChild(Canvas* child) { children_.push_back(child); }
  // The font its children inherit, kept as a control keeps its own (WM_SETFONT, WM_GETFONT).
  void SetFont(HFONT font) { font_ = font; }
  // Marks the composition stale and repaints this canvas and every one inside it.
  void Invalidate();
  // The control around which the focus frame is drawn; nullptr for none.
  void SetFocusFrame(HWND control);
  // WM_ERASEBKGND, WM_PAINT and the colour messages of the children; false when not handled.
  bool Handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

 private:
  Canvas& Root() { return parent_ == nullptr ? *this : parent_->Root(); }
  const Canvas& Root() const { return parent_ == nullptr ? *this : parent_->Root(); }
  // Where `window`'s client area lies in the composed bitmap's pixels, mirrored or not.
  POINT PlaceInComposition(HWND window) const;
  // A box in this canvas's layout coordinates as its pixels show it: measured from the right in
  // a mirrored window.
  RECT Shown(RECT box) const;
  void ComposeIfStale();
  void Compose();
  // This canvas's drawn components and focus frame, then those of the shown canvases inside it.
  void DrawLayers(HDC dc) const;
  void Draw(HDC dc, const BuiltComponent& component) const;
  void DrawFocusFrame(HDC dc) const;
  HBRUSH BrushFor(HDC dc, HWND child);

  HWND hwnd_;
  Canvas* parent_;
  const Win32Resources& resources_;
  const DisplayState& display_;
  std::vector<const BuiltComponent*> drawn_;
  std::vector<Canvas*> children_;
  HWND focus_ = nullptr;
  HFONT font_ = nullptr;
  // The composition, kept by the outermost canvas only.
  HBITMAP composed_ = nullptr;
  HBRUSH brush_ = nullptr;
  SIZE size_{};
  bool stale_ = true;
};

// Every component of one window of the layout, built over an existing top-level window.
class BuiltWindow {
  friend class Win32TextMeasure;

 public:
  // The focus frame: 2 px black inside 2 px white at 96 DPI, so one of the two stands out on
  // the dark and on the light end of the background pictures alike.
  static constexpr int kFrameLine = 2;
  static constexpr int kFrameMargin = 2 * kFrameLine;
  static constexpr int kFirstControlId = 100;

  // Called for each control as it is made, with its window.
  using ControlBuilt = std::function<void(BuiltComponent& component)>;

  // Builds the window and its first page; the other pages are built when first needed. The
  // texts are in the language of `texts`, which outlives the window.
  BuiltWindow(LayoutWindow window, HWND handle, Win32Resources& resources, const MessageCatalogue& texts,
              ControlBuilt control_built = {});
  ~BuiltWindow();

  HWND Handle() const { return handle_; }
  Canvas& WindowCanvas() { return *canvases_.front(); }
  const DisplayState& Display() const { return display_; }
  // The top-level window's messages about its display, then its canvas's: a change of DPI
  // (WM_DPICHANGED rescales every component and takes the suggested place), of the system's
  // colours or High Contrast, and the keyboard cues (the controls draw no dotted focus
  // rectangle of their own beside the focus frame). False when the message is not handled.
  bool Handle(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
  // Every component brought to `dpi`, as after a move to a monitor of that DPI.
  void ApplyDpi(UINT dpi);
  // A component of a page not yet built builds that page first.
  BuiltComponent* Find(Control control);
  BuiltComponent* Find(std::string_view name);
  // nullptr for a component of a page not built yet, which stays unbuilt.
  BuiltComponent* FindIfBuilt(Control control);
  // Builds a page's components if they are not built yet.
  void BuildPage(BuiltComponent& page);
  void BuildEveryPage();
  BuiltComponent* FindById(int id);
  BuiltComponent* FindByHandle(HWND hwnd);
  std::vector<BuiltComponent>& Components() { return components_; }
  const std::vector<BuiltComponent>& Components() const { return components_; }

  void SetVisible(BuiltComponent& component, bool visible);
  // Sets a label's text and, unless the layout fixes its box, fits the box to the text.
  void SetLabelText(BuiltComponent& component, const std::wstring& text);

  // Draws the focus frame around the control that has the keyboard focus, if it is ours.
  void FollowFocus(HWND focused);

  // Places the children of the container that holds `row` for the texts they show now.
  void Reflow(const ComponentLayout& row);
  // The last flow of a container, for the tests that texts fit; nullptr before its first.
  const ContainerFlow* FlowOf(const ComponentLayout& container) const;
  // How much taller than the table's the window was made for its fullest page, in layout pixels.
  int GrownBy() const { return grown_by_; }
  // Makes the window as much taller than the table's as its labels' texts need now (a window
  // that shows one text at a time; never shorter than the table's) and flows it for that height.
  void GrowForShownTexts();
  // What a control keeps beside its caption, in pixels at the window's DPI: a push button's
  // frame and margins, a check box's box and the space after it.
  int CaptionChrome(const BuiltComponent& component) const;
  // The size of a component's text in its font, in pixels at the window's DPI: on one line, or
  // broken into lines `width` wide when `width` is not 0. The table's English (`kDesign`) in the
  // font the table was drawn with, not the one made for the language's script, whose lines may
  // be taller.
  SIZE TextSize(const BuiltComponent& component, const std::wstring& text, int width,
                FlowText which = FlowText::kShown) const;

 private:
  void Build(const ComponentLayout& row, BuiltComponent* container);
  void BuildComponents(const ComponentLayout& row, BuiltComponent* container);
  RECT Scaled(const LayoutBox& box) const;
  // The top-level window's client area as the layout's, at the window's DPI.
  void FitWindowToLayout();
  void PlaceControl(BuiltComponent& component);
  void RefreshColours();
  HWND CreateControl(const BuiltComponent& component, HWND parent);
  LayoutFont ResolveFont(const ComponentLayout& row) const;
  BuiltComponent& NewComponent(const ComponentLayout& row, const BuiltComponent& container);
  void BuildControl(BuiltComponent& component, BuiltComponent& container);
  void FitSelectionField(const BuiltComponent& component);
  // `wrap_width`: the width a label that follows its text breaks into lines at; 0 for none.
  void FitToText(BuiltComponent& component, int wrap_width = 0);
  // Moves and sizes a control to its box, showing again what it covered before.
  void ApplyBox(BuiltComponent& component, const RECT& before);
  void FlowContainerOf(const ComponentLayout& container);
  void Place(BuiltComponent& component, const FlowedComponent& flowed);
  // BS_MULTILINE while the flow breaks the check box's caption into lines.
  int MeasureGrowth();
  static void BreakCaption(const BuiltComponent& check_box, bool wraps);
  // The window's box as the table has it, as much taller as its fullest page needs.
  LayoutBox GrownBox(const ComponentLayout& window_row) const;
  void BuildPagesHolding(const ComponentLayout& row);
  BuiltComponent* FindBuilt(const ComponentLayout* row);
  // The component of `row`, building the page that holds it first if need be.
  BuiltComponent* FindOrBuild(const ComponentLayout* row);
  HWND Tooltips();

  LayoutWindow window_;
  HWND handle_;
  Win32Resources& resources_;
  const MessageCatalogue& texts_;
  DisplayState display_;
  std::vector<BuiltComponent> components_;  // never reallocated: canvases point into it
  std::vector<std::unique_ptr<Canvas>> canvases_;
  HWND tooltips_ = nullptr;
  Canvas* focus_canvas_ = nullptr;
  // Hidden pages whose components are not made yet: each creation is a round trip to the
  // window system, and most pages are never seen in a run that ends early.
  std::vector<BuiltComponent*> unbuilt_pages_;
  ControlBuilt control_built_;
  std::vector<std::pair<const ComponentLayout*, ContainerFlow>> flows_;
  int grown_by_ = 0;  // layout pixels beyond the table's height
};

// The window class of the notebook and its pages: containers that draw their background and
// hand their children's notifications to the top-level window.
const wchar_t* ContainerClassName();
void RegisterContainerClass(HINSTANCE instance);

// A top-level window of the layout: its class registered with the program's icon, the window
// created with a client area of the layout row's size; `self` reaches `proc` at WM_NCCREATE.
struct TopLevelWindow {
  const wchar_t* class_name;
  WNDPROC proc;
  DWORD style;
  DWORD extended_style;
  const char* failure;  // the error's text when the window cannot be created
};
// In the language of `texts`: mirrored when it is written right to left.
HWND CreateTopLevelWindow(HINSTANCE instance, const TopLevelWindow& kind, LayoutWindow window, HWND owner,
                          const Win32Resources& resources, const MessageCatalogue& texts, void* self);

// WS_EX_LAYOUTRTL for a window in a language written right to left, else 0.
DWORD MirroredStyleFor(const MessageCatalogue& texts);

// The object behind a top-level window's procedure: the `self` given to CreateTopLevelWindow,
// kept in the window's extra bytes at WM_NCCREATE; nullptr before that.
void* TopLevelSelf(HWND hwnd, UINT message, LPARAM lparam);

// A control's GWLP_USERDATA holds its component.
BuiltComponent* ComponentOf(HWND control);

// A link turned off is a plain label, black like the others: it takes no click and no tab stop
// and shows no hand. (A disabled static would grey its text past reading.)
void SetLinkActive(HWND link, bool active);
bool IsLinkActive(HWND link);

std::wstring Wide(const NativeString& text);
NativeString Native(const std::wstring& text);
std::wstring WideFromUtf8(const char* text);
std::wstring WindowText(HWND hwnd);
