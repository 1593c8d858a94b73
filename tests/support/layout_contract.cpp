// The layout contract: the table's checks, run against any view through its inspector.
#include "support/layout_contract.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "controller/wizard.h"

namespace {

std::vector<std::string> Names(const std::vector<const ComponentLayout*>& rows) {
  std::vector<std::string> names;
  for (const ComponentLayout* row : rows) names.emplace_back(row->name);
  return names;
}

std::string ExpectedText(const ComponentLayout& row) {
  static const auto after_start_up = TextsAfterStartUp();
  if (row.window == LayoutWindow::Main) {
    if (const auto changed = after_start_up.find(row.name); changed != after_start_up.end())
      return changed->second;
  }
  return row.text;
}

void ExpectBox(const ComponentLayout& row, const LayoutBox& box) {
  if (row.kind != ComponentKind::Window) {
    EXPECT_EQ(box.left, row.box.left) << "left";
    EXPECT_EQ(box.top, row.box.top) << "top";
  }
  if (KeepsWidth(row)) {
    EXPECT_EQ(box.width, row.box.width) << "width";
  }
  if (KeepsHeight(row)) {
    EXPECT_EQ(box.height, row.box.height) << "height";
  }
}

void ExpectFont(const LayoutFont& expected, const InspectedFont& font) {
  EXPECT_EQ(font.face, FaceName(expected.face)) << "font face";
  EXPECT_EQ(font.pixel_height, PixelHeight(expected)) << "font height";
  EXPECT_EQ(font.bold, expected.bold) << "bold";
  if (font.colour) {
    EXPECT_EQ(*font.colour, expected.colour) << "text colour";
  }
}

void ExpectComponent(const ComponentInspector& view, const ComponentLayout& row) {
  SCOPED_TRACE(row.name);
  const std::vector<InspectedComponent> found = view.Find(row.window, row.name);
  ASSERT_EQ(found.size(), 1u) << "components under this name";
  const InspectedComponent& component = found.front();
  if (component.parent) {
    EXPECT_EQ(*component.parent, row.parent);
  }
  if (component.box) ExpectBox(row, *component.box);
  if (component.text && row.text != nullptr) {
    EXPECT_EQ(*component.text, ExpectedText(row));
  }
  if (component.font && row.font.face != FontFace::Inherited) ExpectFont(row.font, *component.font);
  if (row.kind != ComponentKind::Window && row.kind != ComponentKind::Page) {
    EXPECT_EQ(component.hidden, row.Hidden()) << "hidden";
  }
}

// Tab order is a cycle: the view's may start anywhere in it.
void ExpectTabOrder(const ComponentInspector& view, LayoutWindow window) {
  const std::optional<std::vector<std::string>> seen = view.TabOrder(window);
  if (!seen) return;
  const std::vector<std::string> expected = Names(TabChain(window));
  std::vector<std::string> cycle = *seen;
  if (!expected.empty()) {
    const auto first = std::find(cycle.begin(), cycle.end(), expected.front());
    if (first != cycle.end()) std::rotate(cycle.begin(), first, cycle.end());
  }
  EXPECT_EQ(cycle, expected) << "tab order";
}

void ExpectStacking(const ComponentInspector& view, const ComponentLayout& parent) {
  const std::optional<std::vector<std::string>> seen = view.StackingOrder(parent.window, parent.name);
  if (!seen) return;
  EXPECT_EQ(*seen, Names(ChildrenOf(parent.window, parent.name))) << "stacking order in " << parent.name;
}

}  // namespace

std::map<std::string, std::string, std::less<>> TextsAfterStartUp() { return {{"Label27", kVersionText}}; }

void ExpectViewMatchesLayout(const ComponentInspector& view) {
  for (const ComponentLayout& window_row : WindowLayout()) {
    if (window_row.kind != ComponentKind::Window) continue;
    const LayoutWindow window = window_row.window;
    if (!view.Shows(window)) continue;
    SCOPED_TRACE(WindowRow(window).name);
    for (const ComponentLayout& row : WindowLayout()) {
      if (row.window != window) continue;
      ExpectComponent(view, row);
      if (!ChildrenOf(window, row.name).empty()) ExpectStacking(view, row);
    }
    ExpectTabOrder(view, window);
  }
}
