// Texts of any length in the layout's boxes: a label whose text needs more lines than the
// English did grows downwards and what stands below it in its column moves down by as much
// (a wide gap gives way first); a label that follows its text breaks into lines where its row
// has no more room; a button or check box widens into the room beside it, and a check box whose
// row has no more room breaks its caption into lines and grows downwards as a label does. A
// window a page needs more height in grows by that much: what stands at its bottom moves down
// with it and what reaches from its top to its bottom stretches. Each window measures its texts
// in its own fonts; the flow itself knows no toolkit.
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
  // The height of a label's text broken into lines `width` wide; of a check box `width` wide
  // (its box beside its caption), its caption's.
  virtual int HeightAt(const ComponentLayout& row, int width, FlowText text) const = 0;
  virtual bool IsShown(const ComponentLayout& row) const = 0;
};

struct FlowedComponent {
  const ComponentLayout* row = nullptr;
  LayoutBox box;       // where it stands now within its parent, from the left
  bool wraps = false;  // its text breaks into lines (a label, a check box) where the flow says
};

struct ContainerFlow {
  std::vector<FlowedComponent> components;  // the container's children, in the table's order
  // How far the shown texts run past the container's bottom (grown by the window's growth):
  // the page has no room left.
  int overflow = 0;
  // Buttons and check boxes whose caption their row has no room for.
  std::vector<const ComponentLayout*> too_narrow;

  const FlowedComponent* Find(const ComponentLayout& row) const;
};

// The boxes of a container's children (a window, a page) for the texts they show now, in a
// window `grown_by` pixels taller than the table's. With the English texts every box is the
// table's (a label that follows its text has its text's size).
ContainerFlow FlowContainer(const ComponentLayout& container, const TextMeasure& measure, int grown_by = 0);

// How much taller than the table's the window must be for every container of it to hold its
// texts with every component shown that the table shows or a run may show (`shown_later`, for
// one the table hides), as each may be at some point of the run: 0 in English. A window built
// this tall keeps its size for the whole run.
int HeightNeeded(LayoutWindow window, const TextMeasure& measure, bool (*shown_later)(Control));

// How much taller than the table's a window that shows one text at a time (the message window)
// must be for the text it shows now: as much as its fixed labels grew for their texts, so that
// what stands below them moves down with the window's bottom and keeps its margin. 0 while the
// texts fit the table's boxes, so the window never shrinks below the table's size.
int HeightForShownTexts(LayoutWindow window, const TextMeasure& measure);

// The space the flow keeps between a text and what it pushes, and from the container's edge.
inline constexpr int kFlowGap = 8;
inline constexpr int kFlowEdge = 16;
// A gap wider than this between a text and what stands below it is free room: a longer text
// takes it before it pushes anything.
inline constexpr int kKeptGap = 12;
// A component reaching this close to its container's bottom stands at the bottom: it moves down
// with a grown window, or stretches with it when it reaches there from the upper half.
inline constexpr int kBottomReach = kFlowEdge + kFlowGap;
