// Texts of any length in the layout's boxes: a label whose text needs more lines than the
// English did grows downwards and what stands below it in its column moves down by as much
// (a wide gap gives way first); a label that follows its text breaks into lines where its row
// has no more room; a button or check box widens into the room beside it. Each window measures
// its texts in its own fonts; the flow itself knows no toolkit.
#pragma once

#include <vector>

#include "controller/window_layout.h"

// Which text of a component a window measures.
enum class FlowText {
  kShown,   // what it shows now, in the user's language
  kDesign,  // the table's own English text, which its box was drawn for
};

// What a window knows of its components' texts, in its own fonts and in the layout's pixels
// (rounded up).
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // The width a component needs for its text on one line: a label's text itself; the whole
  // control for a button (frame and margins) or a check box (its box and the space after it).
  virtual int OneLineWidth(const ComponentLayout& row, FlowText text) const = 0;
  // The height of a label's text broken into lines `width` wide.
  virtual int HeightAt(const ComponentLayout& row, int width, FlowText text) const = 0;
  virtual bool IsShown(const ComponentLayout& row) const = 0;
};

struct FlowedComponent {
  const ComponentLayout* row = nullptr;
  LayoutBox box;       // where it stands now within its parent, from the left
  bool wraps = false;  // its text breaks into lines (a wrapping label, or a following one that must)
};

struct ContainerFlow {
  std::vector<FlowedComponent> components;  // the container's children, in the table's order
  // How far the shown texts run past the container's bottom: the page has no room left.
  int overflow = 0;
  // Buttons and check boxes whose caption their row has no room for.
  std::vector<const ComponentLayout*> too_narrow;

  const FlowedComponent* Find(const ComponentLayout& row) const;
};

// The boxes of a container's children (a window, a page) for the texts they show now. With the
// English texts every box is the table's (a label that follows its text has its text's size).
ContainerFlow FlowContainer(const ComponentLayout& container, const TextMeasure& measure);

// The space the flow keeps between a text and what it pushes, and from the container's edge.
inline constexpr int kFlowGap = 8;
inline constexpr int kFlowEdge = 16;
// A gap wider than this between a text and what stands below it is free room: a longer text
// takes it before it pushes anything.
inline constexpr int kKeptGap = 12;
