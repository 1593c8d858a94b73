// The command's view of the wizard: it keeps what the wizard puts into its controls, as a
// window would, and shows nothing; the command reads it to answer the pages and report.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/wizard_view.h"

class HeadlessView : public WizardView {
 public:
  HeadlessView();

  // Called when the settings page is filled, before its first submission; false holds that
  // submission back.
  std::function<bool()> on_settings_page_ready;
  // Called when the wizard shows its user a message (PagePresenter::LastMessage holds it as a
  // text, in English and in the user's language).
  std::function<void()> on_message;

  void ShowPage(int page) override { page_ = page; }
  int CurrentPage() const override { return page_; }
  void RepaintNotebook() override {}
  void SetCaption(Control label, const NativeString& text) override { At(label).caption = text; }
  NativeString Caption(Control label) const override { return At(label).caption; }
  void SetText(Control edit, const NativeString& text) override { At(edit).text = text; }
  NativeString Text(Control edit) const override { return At(edit).text; }
  void SetVisible(Control control, bool visible) override { At(control).visible = visible; }
  bool IsVisible(Control control) const override { return At(control).visible; }
  void SetEnabled(Control control, bool enabled) override { At(control).enabled = enabled; }
  bool IsEnabled(Control control) const override { return At(control).enabled; }
  void SetFocus(Control control) override { focused = control; }
  void Announce(Control) override {}
  bool IsChecked(Control check_box) const override { return At(check_box).checked; }
  void SetChecked(Control check_box, bool checked) override { At(check_box).checked = checked; }

  void ClearOperators() override;
  void AddOperator(const NativeString& text, CatalogueEntry* entry) override;
  void InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) override;
  int OperatorCount() const override { return static_cast<int>(operators_.size()); }
  NativeString OperatorText(int index) const override;
  void SelectOperator(int index) override { selected_ = index; }
  int SelectedOperator() const override { return selected_; }
  CatalogueEntry* OperatorEntry(int index) const override;
  int TrackBarPosition() const override { return 0; }

  void ShowInfo(const NativeString& text, bool close_button) override;
  void SetInfoText(const NativeString&) override {}
  void HideInfo() override {}
  void CopyToClipboard(const NativeString&) override {}
  std::optional<NativeString> OpenWebLink(const NativeString&) override { return std::nullopt; }
  void ShowPlainMessage(const NativeString& text) override { ShowInfo(text, true); }
  void CloseWindow() override {}
  void ShowLogWindow(const NativeString&) override {}
  void WakeLogWindow() override {}
  std::optional<std::string> AskWhereToSaveLog(const NativeString&) override { return std::nullopt; }
  void ShowError(const NativeString& text) override { ShowInfo(text, true); }
  void AddDebugItem(Control, const NativeString&) override {}
  bool SettingsPageReady() override;

  Control focused = Control::Count;

 private:
  struct ControlState {
    NativeString caption;
    NativeString text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
  };
  struct OperatorItem {
    NativeString text;
    CatalogueEntry* entry = nullptr;
  };
  ControlState& At(Control control) { return controls_[static_cast<std::size_t>(control)]; }
  const ControlState& At(Control control) const { return controls_[static_cast<std::size_t>(control)]; }

  std::array<ControlState, static_cast<std::size_t>(Control::Count)> controls_{};
  std::vector<OperatorItem> operators_;
  int selected_ = -1;
  int page_ = kPageWelcome;
};
