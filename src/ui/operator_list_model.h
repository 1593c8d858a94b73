// The operator drop-down's own list: a plain vector of {text, entry} behind one combo box, with
// the items inserted at the top first (newest first) and the others sorted by OperatorItemLess,
// so filling, clearing and tearing down cost what the items cost and no item object per row.
#pragma once

#include <QAbstractListModel>
#include <QComboBox>
#include <vector>

#include "controller/wizard_view.h"

class OperatorListModel final : public QAbstractListModel {
 public:
  // Becomes the model of `combo`, which owns it from then on.
  explicit OperatorListModel(QComboBox* combo);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // The operations of the view interface; none of them runs a handler (the controller's are
  // bound to `activated`, which comes only from the user).
  void Clear();
  // Held back and merged in with the others that came since, on the next read or from the
  // event loop: inserting one by one into a sorted vector would move half of it per item.
  void Add(NativeString text, CatalogueEntry* entry);
  void InsertAtTop(NativeString text, CatalogueEntry* entry);
  int Count();
  NativeString Text(int index);
  CatalogueEntry* Entry(int index);
  void Select(int index);
  int Selected() const;

 private:
  struct Item {
    NativeString text;
    CatalogueEntry* entry = nullptr;
  };

  // Brings the held-back items into the list; the drop-down's current item follows its item,
  // and an empty selection stays empty.
  void Settle();
  void SettleLater();
  void UseUniformItemSizes();
  // Rows [top_count_, first_new) and [first_new, end) of items_ are each sorted.
  void MergeNewRows(int first_new);
  const Item* At(int index);

  QComboBox* combo_;
  std::vector<Item> items_;
  std::vector<Item> added_;
  int top_count_ = 0;
  bool settle_posted_ = false;
  bool uniform_item_sizes_ = false;
};
