// The operator list and the APN fields it fills.
#include "controller/operator_choice.h"

#include "common/translations.h"
#include "controller/country_names.h"

namespace {

// The top of the operator list: the settings the box holds now.
constexpr const char* kBoxSettingsName = N_("(current box settings)");

bool IsUnknownApn(const AnsiString& apn) { return apn == "unknown" || apn == "UNKNOWN"; }

}  // namespace

OperatorChoice::OperatorChoice(WizardView& view, PagePresenter& presenter) : view_(view), presenter_(presenter) {}

void OperatorChoice::Load(const std::string& path) {
  view_.ClearOperators();
  CatalogueRowMirror mirror;
  if (view_.IsVisible(Control::CatalogueMirror)) {
    mirror = [this](const AnsiString& name) { view_.AddDebugItem(Control::CatalogueMirror, AnsiToNative(name)); };
  }
  LoadCatalogueFromFile(path, catalogue, mirror);
}

void OperatorChoice::Rebuild(BoxReport& box, bool include_box_settings, bool no_network) {
  view_.ClearOperators();
  // Only now that the list no longer refers to it may the previous entry go.
  box_entry_.reset();

  const bool show_all = view_.IsChecked(Control::ShowAllOperators);
  for (const auto& entry : catalogue) {
    const bool same_network = entry->Mcc == box.mcc && entry->Mnc == box.mnc;
    if (same_network || show_all || (no_network && entry->Mcc < 300)) {
      view_.AddOperator(ShownCountry(entry->ListPrefix) + AnsiToNative(" - " + entry->Name), entry.get());
    }
  }

  if (include_box_settings && !IsUnknownApn(box.apn)) {
    box.apn = Trim(box.apn);
    box.user = Trim(box.user);
    box.password = Trim(box.password);
    auto box_entry = std::make_unique<CatalogueEntry>();
    box_entry->Name = kBoxSettingsName;
    box_entry->Mcc = box.mcc;
    box_entry->Mnc = box.mnc;
    box_entry->Apn = box.apn;
    box_entry->User = box.user;
    box_entry->Password = box.password;
    box_entry_ = std::move(box_entry);
    view_.InsertOperatorAtTop(presenter_.Shown(kBoxSettingsName), box_entry_.get());
  }

  if (view_.OperatorCount() > 0) view_.SelectOperator(0);
  OnChosen();
}

AnsiString OperatorChoice::EnglishLine(const CatalogueEntry& entry) const {
  if (&entry == box_entry_.get()) return entry.Name;
  return entry.ListPrefix + " - " + entry.Name;
}

NativeString OperatorChoice::ShownCountry(const AnsiString& country) const {
  if (language_.empty()) return AnsiToNative(country);
  // The table is UTF-8; the catalogue's names are 8-bit.
  return Utf8ToNative(CountryNameIn(ShippedCountryNames(), language_, NativeToUtf8(AnsiToNative(country))));
}

void OperatorChoice::OnChosen() {
  const int selected = view_.SelectedOperator();
  if (selected < 0) return;
  if (const CatalogueEntry* entry = view_.OperatorEntry(selected)) {
    view_.SetText(Control::ApnField, AnsiToNative(entry->Apn));
    view_.SetText(Control::UserField, AnsiToNative(entry->User));
    view_.SetText(Control::PasswordField, AnsiToNative(entry->Password));
  }
  const bool credentials = !view_.Text(Control::UserField).empty() || !view_.Text(Control::PasswordField).empty();
  presenter_.SetCredentialsGiven(credentials);
}
