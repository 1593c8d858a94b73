// The operator list and the APN fields it fills.
#include "controller/main_form.h"

namespace {

constexpr const char* kBoxSettingsName = "(current box settings)";

bool IsUnknownApn(const AnsiString& apn) { return apn == "unknown" || apn == "UNKNOWN"; }

}  // namespace

void TForm1::UpdateApnList(bool include_box_settings, bool no_network) {
  view_.ClearOperators();
  // Only now that the list no longer refers to it may the previous entry go.
  BoxSettingsEntry.reset();

  const bool show_all = view_.IsChecked(Control::ShowAllOperators);
  for (const auto& entry : ApnList) {
    const bool same_network = entry->Mcc == Mcc && entry->Mnc == Mnc;
    if (same_network || show_all || (no_network && entry->Mcc < 300)) {
      view_.AddOperator(AnsiToNative(entry->ListPrefix + " - " + entry->Name), entry.get());
    }
  }

  if (include_box_settings && !IsUnknownApn(BoxApn)) {
    BoxApn = Trim(BoxApn);
    BoxUser = Trim(BoxUser);
    BoxPassword = Trim(BoxPassword);
    auto box_entry = std::make_unique<CatalogueEntry>();
    box_entry->Name = kBoxSettingsName;
    box_entry->Mcc = Mcc;
    box_entry->Mnc = Mnc;
    box_entry->Apn = BoxApn;
    box_entry->User = BoxUser;
    box_entry->Password = BoxPassword;
    BoxSettingsEntry = std::move(box_entry);
    view_.InsertOperatorAtTop(AnsiToNative(kBoxSettingsName), BoxSettingsEntry.get());
  }

  if (view_.OperatorCount() > 0) view_.SelectOperator(0);
  OnOperatorChosen();
}

void TForm1::OnOperatorChosen() {
  const int selected = view_.SelectedOperator();
  if (selected < 0) return;
  if (const CatalogueEntry* entry = view_.OperatorEntry(selected)) {
    view_.SetText(Control::ApnField, AnsiToNative(entry->Apn));
    view_.SetText(Control::UserField, AnsiToNative(entry->User));
    view_.SetText(Control::PasswordField, AnsiToNative(entry->Password));
  }
  const bool credentials = !view_.Text(Control::UserField).empty() || !view_.Text(Control::PasswordField).empty();
  SetCheckBox(Control::CredentialsGiven, credentials);
}

void TForm1::OnShowAllOperatorsClick() { UpdateApnList(true, Mcc == 0); }

void TForm1::OnCredentialsGivenClick() { ShowCredentialsAsTicked(); }
