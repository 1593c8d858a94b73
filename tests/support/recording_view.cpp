// The recording view: control state as the window's layout creates it, and every change.
#include "support/recording_view.h"

#include <algorithm>

#include "controller/window_layout.h"

RecordingView::RecordingView() {
  for (const ComponentLayout& row : WindowLayout()) {
    if (row.control == Control::Count) continue;
    ControlState& state = At(row.control);
    state.visible = !row.Hidden();
    if (row.text == nullptr) continue;
    const bool edit = row.kind == ComponentKind::Edit || row.kind == ComponentKind::MaskedEdit;
    (edit ? state.text : state.caption) = Utf8ToNative(row.text);
  }
}

void RecordingView::ShowPage(int page) {
  page_ = page;
  page_history.push_back(page);
}

void RecordingView::ClearOperators() {
  operators.clear();
  selected_operator = -1;
}

void RecordingView::AddOperator(const NativeString& text, CatalogueEntry* entry) {
  // After the items that sort equal, as a sorted list control inserts.
  auto place = std::upper_bound(operators.begin(), operators.end(), text,
                                [](const NativeString& t, const OperatorItem& item) {
                                  return OperatorItemLess(t, item.text);
                                });
  operators.insert(place, OperatorItem{text, entry});
}

void RecordingView::InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) {
  operators.insert(operators.begin(), OperatorItem{text, entry});
}

NativeString RecordingView::OperatorText(int index) const {
  if (index < 0 || index >= OperatorCount()) return {};
  return operators[static_cast<std::size_t>(index)].text;
}

void RecordingView::SelectOperator(int index) {
  selected_operator = (index >= 0 && index < OperatorCount()) ? index : -1;
}

CatalogueEntry* RecordingView::OperatorEntry(int index) const {
  if (index < 0 || index >= OperatorCount()) return nullptr;
  return operators[static_cast<std::size_t>(index)].entry;
}

void RecordingView::Start(WizardTimer timer) {
  bool& running = timers[static_cast<std::size_t>(timer)];
  if (!running) timer_starts.push_back(timer);
  running = true;
}

void RecordingView::ShowInfo(const NativeString& text, bool close_button) {
  info = InfoWindow{true, text, close_button};
  info_history.push_back(text);
}

std::optional<NativeString> RecordingView::OpenWebLink(const NativeString& address) {
  opened.push_back(address);
  return open_failure;
}

void RecordingView::AddDebugItem(Control list_box, const NativeString& text) {
  debug_items.emplace_back(list_box, text);
}

std::optional<std::string> RecordingView::AskWhereToSaveLog(const NativeString& name) {
  save_log_offers.push_back(name);
  return save_log_answer;
}

std::vector<std::string> RecordingView::OperatorTexts() const {
  std::vector<std::string> texts;
  for (const auto& item : operators) texts.push_back(NativeToUtf8(item.text));
  return texts;
}
