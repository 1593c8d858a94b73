// The operator drop-down's own list model.
#include "ui/operator_list_model.h"

#include <QListView>
#include <QSignalBlocker>
#include <algorithm>
#include <iterator>

namespace {

template <typename ItemType>
bool TextLess(const ItemType& a, const ItemType& b) {
  return OperatorItemLess(a.text, b.text);
}

}  // namespace

OperatorListModel::OperatorListModel(QComboBox* combo) : QAbstractListModel(combo), combo_(combo) {
  combo_->setModel(this);
}

int OperatorListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant OperatorListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return QString::fromStdU16String(items_[static_cast<std::size_t>(index.row())].text);
}

void OperatorListModel::Clear() {
  beginResetModel();
  // Released, not kept: a list of every operator need not stay allocated after it is gone.
  std::vector<Item>().swap(items_);
  std::vector<Item>().swap(added_);
  top_count_ = 0;
  endResetModel();
}

void OperatorListModel::Add(NativeString text, CatalogueEntry* entry) {
  added_.push_back({std::move(text), entry});
  SettleLater();
}

void OperatorListModel::InsertAtTop(NativeString text, CatalogueEntry* entry) {
  const int selected = combo_->currentIndex();
  const QSignalBlocker quiet(combo_);
  beginInsertRows({}, 0, 0);
  items_.insert(items_.begin(), {std::move(text), entry});
  ++top_count_;
  endInsertRows();
  // Qt selects the first item put into an empty list; the list keeps "nothing selected".
  if (selected < 0) combo_->setCurrentIndex(-1);
}

int OperatorListModel::Count() {
  Settle();
  return rowCount();
}

NativeString OperatorListModel::Text(int index) {
  const Item* item = At(index);
  return item != nullptr ? item->text : NativeString{};
}

CatalogueEntry* OperatorListModel::Entry(int index) {
  const Item* item = At(index);
  return item != nullptr ? item->entry : nullptr;
}

void OperatorListModel::Select(int index) {
  Settle();
  combo_->setCurrentIndex(index >= 0 && index < rowCount() ? index : -1);
}

// Added items are not selectable before they are settled, so the selection is already current.
int OperatorListModel::Selected() const { return combo_->currentIndex(); }

const OperatorListModel::Item* OperatorListModel::At(int index) {
  Settle();
  return index >= 0 && index < rowCount() ? &items_[static_cast<std::size_t>(index)] : nullptr;
}

void OperatorListModel::SettleLater() {
  if (settle_posted_) return;
  settle_posted_ = true;
  // So that the drop-down shows what was added even when nothing reads the list afterwards.
  QMetaObject::invokeMethod(
      this,
      [this] {
        settle_posted_ = false;
        Settle();
      },
      Qt::QueuedConnection);
}

void OperatorListModel::Settle() {
  if (added_.empty()) return;
  if (!uniform_item_sizes_) UseUniformItemSizes();
  // Equal texts keep the order they came in, after the equal ones already listed.
  std::stable_sort(added_.begin(), added_.end(), TextLess<Item>);
  const int selected = combo_->currentIndex();
  const QSignalBlocker quiet(combo_);
  const int first_new = rowCount();
  beginInsertRows({}, first_new, first_new + static_cast<int>(added_.size()) - 1);
  items_.insert(items_.end(), std::make_move_iterator(added_.begin()), std::make_move_iterator(added_.end()));
  std::vector<Item>().swap(added_);
  endInsertRows();
  MergeNewRows(first_new);
  if (selected < 0) combo_->setCurrentIndex(-1);
}

// Every item is one line in the same font: the drop-down need not measure each one again to lay
// out its list, half the cost of opening it on every operator of a large catalogue. Set with the
// first items rather than at start-up, since asking for the list makes the drop-down build it.
void OperatorListModel::UseUniformItemSizes() {
  uniform_item_sizes_ = true;
  if (auto* list = qobject_cast<QListView*>(combo_->view())) list->setUniformItemSizes(true);
}

void OperatorListModel::MergeNewRows(int first_new) {
  // Nothing sorted was there before: the new rows are in their places already.
  if (first_new == top_count_) return;
  emit layoutAboutToBeChanged();
  const int end = rowCount();
  std::vector<int> new_row(static_cast<std::size_t>(end));
  std::vector<Item> merged;
  merged.reserve(static_cast<std::size_t>(end));
  auto take = [&](int row) {
    new_row[static_cast<std::size_t>(row)] = static_cast<int>(merged.size());
    merged.push_back(std::move(items_[static_cast<std::size_t>(row)]));
  };
  for (int row = 0; row < top_count_; ++row) take(row);
  int old_row = top_count_;
  int added_row = first_new;
  while (old_row < first_new || added_row < end) {
    const bool take_added =
        old_row == first_new || (added_row < end && TextLess(items_[static_cast<std::size_t>(added_row)],
                                                             items_[static_cast<std::size_t>(old_row)]));
    take(take_added ? added_row++ : old_row++);
  }
  items_ = std::move(merged);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  for (const QModelIndex& index : before)
    after.push_back(this->index(new_row[static_cast<std::size_t>(index.row())]));
  changePersistentIndexList(before, after);
  emit layoutChanged();
}
