// The operator list of the settings page and the APN fields its choice fills, from the
// operator catalogue and the box's own settings.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "controller/box_protocol.h"
#include "controller/catalogue.h"
#include "controller/page_presenter.h"
#include "controller/wizard_view.h"

class OperatorChoice {
 public:
  OperatorChoice(WizardView& view, PagePresenter& presenter);

  // Reads the catalogue file; throws FileOpenError when it cannot be opened. Every row goes to
  // the developers' mirror when the layout shows it.
  void Load(const std::string& path);

  // Fills the list with the operators of the box's network (all of them with "Show all
  // operators"; those of the first 300 country codes when the box reports no network), the
  // box's own settings first when asked and known, and chooses the first.
  void Rebuild(BoxReport& box, bool include_box_settings, bool no_network);
  // The language the list names countries in (a shipped language, as ChooseLanguage gives
  // it; empty: English, the catalogue's own names). The wizard sets it from its environment
  // before the first rebuild; the log and what goes to the box never see it.
  void ShowCountriesIn(std::string language) { language_ = std::move(language); }
  // The user's choice: its APN, user name and password go into the fields.
  void OnChosen();
  // The entry of the box's own settings in the current list; none without them.
  const CatalogueEntry* BoxSettingsEntry() const { return box_entry_.get(); }
  // An entry's line of the list as it reads in English, whatever language the list speaks.
  AnsiString EnglishLine(const CatalogueEntry& entry) const;

  Catalogue catalogue;

 private:
  WizardView& view_;
  PagePresenter& presenter_;
  NativeString ShownCountry(const AnsiString& country) const;

  std::string language_;
  // The box settings entry of the current list; replaced by each rebuild.
  std::unique_ptr<CatalogueEntry> box_entry_;
};
