// The flow of a container's children: widths first (buttons and check boxes widen, labels that
// follow their text take their row's room), then tops, in the order they stand from the top.
#include "controller/layout_flow.h"

#include <algorithm>
#include <numeric>

namespace {

struct Item {
  const ComponentLayout* row = nullptr;
  LayoutBox box;       // now: left and width settled, top still the table's
  int design = 0;      // the height it took with the English text
  int now = 0;         // the height it takes now
  bool wraps = false;
  bool shown = true;
  int shift = 0;       // how far it moves down
};

int Right(const LayoutBox& box) { return box.left + box.width; }
int Bottom(const LayoutBox& box) { return box.top + box.height; }
bool Overlap(int start, int end, int other_start, int other_end) { return start < other_end && other_start < end; }
// Side by side: more than a gap of the one beside the other (a picture's box has a clear margin).
bool SharesRow(const LayoutBox& a, const LayoutBox& b) {
  return std::min(Bottom(a), Bottom(b)) - std::max(a.top, b.top) > kFlowGap;
}
bool Inside(const LayoutBox& inner, const LayoutBox& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && Right(inner) <= Right(outer) &&
         Bottom(inner) <= Bottom(outer);
}

bool IsFrame(const ComponentLayout& row) { return row.kind == ComponentKind::Bevel || row.kind == ComponentKind::Shape; }
bool IsBackground(const ComponentLayout& row) { return row.placement == Placement::Stretch; }
bool FollowsText(const ComponentLayout& row) { return IsLabel(row.kind) && !KeepsWidth(row); }
bool Widens(const ComponentLayout& row) {
  return row.kind == ComponentKind::Button || row.kind == ComponentKind::BitButton ||
         row.kind == ComponentKind::CheckBox;
}
// A button in the right half of its container keeps its right edge, as dialogs' buttons do.
bool KeepsRightEdge(const ComponentLayout& row, const ComponentLayout& container) {
  return 2 * row.box.left + row.box.width > container.box.width;
}

// What reaches the container's bottom stays there in a grown window: it moves down with the
// bottom, or stretches with it when it reaches there from the upper half (a background, the
// notebook, the divider).
bool AtBottom(const ComponentLayout& row, const ComponentLayout& container) {
  return Bottom(row.box) >= container.box.height - kBottomReach;
}
bool Stretches(const ComponentLayout& row, const ComponentLayout& container) {
  return AtBottom(row, container) && 2 * row.box.top < container.box.height;
}

using Siblings = std::vector<const ComponentLayout*>;

// A label that follows its text and names no field (a note beside a button) moves aside for a
// widening neighbour; a field's caption stays over its field.
bool GivesWay(const ComponentLayout& label, const Siblings& siblings) {
  if (!FollowsText(label)) return false;
  return std::none_of(siblings.begin(), siblings.end(),
                      [&](const ComponentLayout* field) { return CaptionOf(*field) == &label; });
}

// How far in from its sides a frame holds what it surrounds: as far as the nearest of it.
int FrameMargin(const ComponentLayout& frame, const Siblings& siblings) {
  int margin = frame.box.width;
  for (const ComponentLayout* held : siblings) {
    if (held != &frame && Inside(held->box, frame.box)) margin = std::min(margin, held->box.left - frame.box.left);
  }
  return margin;
}

// How far right a component may reach: the container's edge, the frame around it, the next
// component beside it. Labels that
// follow their text give way when asked: they move aside with a widening button.
int RightLimit(const ComponentLayout& row, const Siblings& siblings, const ComponentLayout& container,
               bool labels_give_way) {
  int limit = container.box.width - kFlowEdge;
  for (const ComponentLayout* other : siblings) {
    if (other == &row || IsBackground(*other)) continue;
    if (IsFrame(*other)) {
      if (Inside(row.box, other->box)) limit = std::min(limit, Right(other->box) - FrameMargin(*other, siblings));
    } else if (!(labels_give_way && GivesWay(*other, siblings)) && other->box.left > row.box.left &&
               SharesRow(row.box, other->box)) {
      limit = std::min(limit, other->box.left - kFlowGap);
    }
  }
  return limit;
}

int LeftLimit(const ComponentLayout& row, const Siblings& siblings) {
  int limit = kFlowEdge;
  for (const ComponentLayout* other : siblings) {
    if (other == &row || IsBackground(*other)) continue;
    if (IsFrame(*other)) {
      if (Inside(row.box, other->box)) limit = std::max(limit, other->box.left + FrameMargin(*other, siblings));
    } else if (Right(other->box) <= row.box.left && SharesRow(row.box, other->box)) {
      limit = std::max(limit, Right(other->box) + kFlowGap);
    }
  }
  return limit;
}

// A button or check box as wide as its caption needs, where its row has the room; returns how
// far its right edge moved.
int Widen(Item& item, const Siblings& siblings, const ComponentLayout& container, const TextMeasure& measure,
          ContainerFlow& flow) {
  const ComponentLayout& row = *item.row;
  const int needed = measure.OneLineWidth(row, FlowText::kShown);
  if (needed <= row.box.width) return 0;
  int width = needed;
  if (KeepsRightEdge(row, container)) {
    width = std::min(needed, Right(row.box) - LeftLimit(row, siblings));
    item.box.left = Right(row.box) - width;
  } else {
    width = std::min(needed, RightLimit(row, siblings, container, true) - row.box.left);
  }
  width = std::max(width, row.box.width);
  if (width < needed && row.kind == ComponentKind::CheckBox) {
    // No room beside it: the caption breaks into lines, and the check box grows downwards.
    item.wraps = true;
    item.now = std::max(row.box.height, measure.HeightAt(row, width, FlowText::kShown));
    item.box.height = item.now;
  } else if (width < needed) {
    flow.too_narrow.push_back(&row);
  }
  item.box.width = width;
  return Right(item.box) - Right(row.box);
}

// A label's width, height now and height in English. One that follows its text stays on one
// line while its row has room, and breaks into lines as wide as that room when it has not.
void SizeLabel(Item& item, const Siblings& siblings, const ComponentLayout& container, const TextMeasure& measure) {
  const ComponentLayout& row = *item.row;
  if (KeepsWidth(row)) {
    item.design = measure.HeightAt(row, row.box.width, FlowText::kDesign);
    item.now = measure.HeightAt(row, row.box.width, FlowText::kShown);
    // A fixed box grows only by what the text needs beyond both the box and the English.
    item.box.height = row.Fixed() ? row.box.height + std::max(0, item.now - std::max(item.design, row.box.height))
                                  : item.now;
    item.wraps = row.Wraps();
    return;
  }
  const int design_width = measure.OneLineWidth(row, FlowText::kDesign);
  const int one_line = measure.OneLineWidth(row, FlowText::kShown);
  item.design = measure.HeightAt(row, design_width, FlowText::kDesign);
  const int room = std::max(RightLimit(row, siblings, container, false) - item.box.left, 1);
  // A text no wider than the English stays on its one line, wherever the English reached.
  item.wraps = one_line > std::max({room, design_width, row.box.width});
  item.box.width = item.wraps ? room : one_line;
  item.now = measure.HeightAt(row, item.box.width, FlowText::kShown);
  item.box.height = item.now;
}

// The notes beside a button that widened to the right move aside with it.
void MoveAside(std::vector<Item>& items, const Item& widened, int by, const Siblings& siblings) {
  for (Item& item : items) {
    if (GivesWay(*item.row, siblings) && item.row->box.left >= Right(widened.row->box) &&
        SharesRow(item.row->box, widened.row->box)) {
      item.box.left += by;
    }
  }
}

int Growth(const std::vector<Item>& items, std::size_t at);

// A frame grows with what it holds, keeping its margin below the lowest of it.
int FrameGrowth(const std::vector<Item>& items, std::size_t frame) {
  int lowest = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i != frame && items[i].shown && Inside(items[i].row->box, items[frame].row->box)) {
      lowest = std::max(lowest, items[i].shift + Growth(items, i));
    }
  }
  return std::max(0, lowest - items[frame].shift);
}

int Growth(const std::vector<Item>& items, std::size_t at) {
  if (!items[at].shown) return 0;
  if (IsFrame(*items[at].row)) return FrameGrowth(items, at);
  return std::max(0, items[at].now - items[at].design);
}

// Whether `lower` stands below `upper` in its column: under where the English text ended; a
// picture also when it shares no more than a gap with it (its box has a clear margin).
bool StandsBelow(const Item& lower, const Item& upper) {
  if (IsBackground(*upper.row)) return false;
  LayoutBox english = upper.row->box;
  english.height = upper.design;
  const bool below = lower.row->box.top >= Bottom(english) ||
                     (lower.row->kind == ComponentKind::Picture && lower.row->box.top > english.top &&
                      !SharesRow(lower.row->box, english));
  return below && Overlap(lower.box.left, Right(lower.box), upper.box.left, Right(upper.box));
}

// How far each item moves down: as far as what is shown above it grew and moved, less the free
// room of a wide gap between them. What a frame holds moves with the frame.
void Shift(std::vector<Item>& items) {
  std::vector<std::size_t> order(items.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return items[a].row->box.top < items[b].row->box.top; });
  for (std::size_t k = 0; k < order.size(); ++k) {
    Item& lower = items[order[k]];
    for (std::size_t j = 0; j < k; ++j) {
      const Item& upper = items[order[j]];
      if (IsFrame(*upper.row) && Inside(lower.row->box, upper.row->box)) lower.shift = std::max(lower.shift, upper.shift);
      // What is hidden pushes nothing: the flow runs again when it shows.
      if (!upper.shown || !StandsBelow(lower, upper)) continue;
      const int gap = lower.row->box.top - (upper.row->box.top + upper.design);
      const int free_room = std::max(0, gap - kKeptGap);
      lower.shift = std::max(lower.shift, upper.shift + Growth(items, order[j]) - free_room);
    }
  }
}

// The window's own measure, with every component shown that a run may show.
class EveryComponentShown : public TextMeasure {
 public:
  EveryComponentShown(const TextMeasure& measure, bool (*shown_later)(Control))
      : measure_(measure), shown_later_(shown_later) {}
  int OneLineWidth(const ComponentLayout& row, FlowText text) const override {
    return measure_.OneLineWidth(row, text);
  }
  int HeightAt(const ComponentLayout& row, int width, FlowText text) const override {
    return measure_.HeightAt(row, width, text);
  }
  bool IsShown(const ComponentLayout& row) const override {
    return !row.Hidden() || shown_later_(row.control);
  }

 private:
  const TextMeasure& measure_;
  bool (*shown_later_)(Control);
};

}  // namespace

int HeightNeeded(LayoutWindow window, const TextMeasure& measure, bool (*shown_later)(Control)) {
  const EveryComponentShown every(measure, shown_later);
  int needed = 0;
  for (const ComponentLayout& row : WindowLayout()) {
    if (row.window != window || ChildrenOf(window, row.name).empty()) continue;
    needed = std::max(needed, FlowContainer(row, every).overflow);
  }
  return needed;
}

int HeightForShownTexts(LayoutWindow window, const TextMeasure& measure) {
  int grown = 0;
  for (const FlowedComponent& component : FlowContainer(WindowRow(window), measure).components) {
    if (IsLabel(component.row->kind) && component.row->Fixed()) {
      grown = std::max(grown, component.box.height - component.row->box.height);
    }
  }
  return grown;
}

const FlowedComponent* ContainerFlow::Find(const ComponentLayout& row) const {
  for (const FlowedComponent& component : components) {
    if (component.row == &row) return &component;
  }
  return nullptr;
}

ContainerFlow FlowContainer(const ComponentLayout& container, const TextMeasure& measure, int grown_by) {
  ContainerFlow flow;
  const Siblings siblings = ChildrenOf(container.window, container.name);
  std::vector<Item> items;
  for (const ComponentLayout* row : siblings) {
    Item& item = items.emplace_back(
        Item{row, row->box, row->box.height, row->box.height, false, measure.IsShown(*row), 0});
    if (Stretches(*row, container)) {
      item.box.height += grown_by;
    } else if (AtBottom(*row, container)) {
      item.shift = grown_by;
    }
  }
  for (Item& item : items) {
    if (!Widens(*item.row)) continue;
    const int moved = Widen(item, siblings, container, measure, flow);
    if (moved > 0 && !KeepsRightEdge(*item.row, container)) MoveAside(items, item, moved, siblings);
  }
  for (Item& item : items) {
    if (IsLabel(item.row->kind)) SizeLabel(item, siblings, container, measure);
  }
  Shift(items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    Item& item = items[i];
    item.box.top += item.shift;
    if (IsFrame(*item.row)) item.box.height += Growth(items, i);
    if (item.shown && !IsBackground(*item.row)) {
      const int bottom = item.box.top + (IsLabel(item.row->kind) ? item.now : item.box.height);
      flow.overflow = std::max(flow.overflow, bottom - (container.box.height + grown_by));
    }
    flow.components.push_back({item.row, item.box, item.wraps});
  }
  return flow;
}
