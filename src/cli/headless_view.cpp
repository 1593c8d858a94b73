// The headless view: control state as the window's layout creates it.
#include "cli/headless_view.h"

#include <algorithm>

#include "controller/window_layout.h"

HeadlessView::HeadlessView() {
  for (const ComponentLayout& row : WindowLayout()) {
    if (row.control == Control::Count) continue;
    ControlState& state = At(row.control);
    state.visible = !row.Hidden();
    if (row.text == nullptr) continue;
    const bool edit = row.kind == ComponentKind::Edit || row.kind == ComponentKind::MaskedEdit;
    (edit ? state.text : state.caption) = Utf8ToNative(row.text);
  }
}

void HeadlessView::ClearOperators() {
  operators_.clear();
  selected_ = -1;
}

void HeadlessView::AddOperator(const NativeString& text, CatalogueEntry* entry) {
  // After the items that sort equal, as a sorted list control inserts.
  auto place = std::upper_bound(
      operators_.begin(), operators_.end(), text,
      [](const NativeString& t, const OperatorItem& item) { return OperatorItemLess(t, item.text); });
  operators_.insert(place, OperatorItem{text, entry});
}

void HeadlessView::InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) {
  operators_.insert(operators_.begin(), OperatorItem{text, entry});
}

NativeString HeadlessView::OperatorText(int index) const {
  if (index < 0 || index >= OperatorCount()) return {};
  return operators_[static_cast<std::size_t>(index)].text;
}

CatalogueEntry* HeadlessView::OperatorEntry(int index) const {
  if (index < 0 || index >= OperatorCount()) return nullptr;
  return operators_[static_cast<std::size_t>(index)].entry;
}

void HeadlessView::ShowInfo(const NativeString&, bool close_button) {
  // A message with a Close button waits for its user; the others show the box at work.
  if (close_button && on_message) on_message();
}

bool HeadlessView::SettingsPageReady() { return !on_settings_page_ready || on_settings_page_ready(); }
