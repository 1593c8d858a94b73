// The layout contract: one set of checks that holds any view to the layout table. A view
// takes part through an inspector that reads its components back (a recording view from its
// state, the Qt window from its widgets, a native window from its child windows); what a view
// cannot report it leaves empty, and that check is skipped for it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controller/window_layout.h"

struct InspectedFont {
  std::string face;  // the face asked for, before any stand-in replaces it
  int pixel_height = 0;
  bool bold = false;
  std::optional<std::uint32_t> colour;  // 0xRRGGBB, where the view sets a text colour
};

struct InspectedComponent {
  std::optional<std::string> parent;  // the parent's name; "" for a window
  std::optional<LayoutBox> box;       // within the parent; a window's left and top are not compared
  std::optional<std::string> text;    // UTF-8: caption, field text or window title
  std::optional<InspectedFont> font;  // compared where the layout gives the component a font
  bool hidden = false;                // its own setting, whichever page is shown
};

class ComponentInspector {
 public:
  virtual ~ComponentInspector() = default;
  // The windows the view shows.
  virtual bool Shows(LayoutWindow window) const = 0;
  // Every component of the window under that name: none, one, or (a fault) more.
  virtual std::vector<InspectedComponent> Find(LayoutWindow window, std::string_view name) const = 0;
  // The components that take the focus, in the order Tab visits them, from any one of them.
  virtual std::optional<std::vector<std::string>> TabOrder(LayoutWindow window) const = 0;
  // The named children of a parent, back to front.
  virtual std::optional<std::vector<std::string>> StackingOrder(LayoutWindow window,
                                                                std::string_view parent) const = 0;
};

// The texts the controller gives at start-up, which replace the layout's.
std::map<std::string, std::string, std::less<>> TextsAfterStartUp();

// Expects every component of every window the view shows to be there once, on its parent, at
// its place and size, with its text (or the one start-up gives it), font and layout visibility,
// stacked and visited by Tab in the table's order.
void ExpectViewMatchesLayout(const ComponentInspector& view);
