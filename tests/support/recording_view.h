// A WizardView and TimerService that keeps the state of every control and timer, so tests can
// assert on what the wizard did to the window.
#pragma once

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controller/timers.h"
#include "controller/wizard_view.h"

class RecordingView : public WizardView, public TimerService {
 public:
  struct ControlState {
    NativeString caption;
    NativeString text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
  };
  struct InfoWindow {
    bool visible = false;
    NativeString text;
    bool close_button = false;
  };
  struct OperatorItem {
    NativeString text;
    CatalogueEntry* entry = nullptr;
  };

  RecordingView();

  void ShowPage(int page) override;
  int CurrentPage() const override { return page_; }
  void RepaintNotebook() override { ++repaints; }
  void SetCaption(Control label, const NativeString& text) override { At(label).caption = text; }
  NativeString Caption(Control label) const override { return At(label).caption; }
  void SetText(Control edit, const NativeString& text) override { At(edit).text = text; }
  NativeString Text(Control edit) const override { return At(edit).text; }
  void SetVisible(Control control, bool visible) override { At(control).visible = visible; }
  bool IsVisible(Control control) const override { return At(control).visible; }
  void SetEnabled(Control control, bool enabled) override { At(control).enabled = enabled; }
  bool IsEnabled(Control control) const override { return At(control).enabled; }
  void SetFocus(Control control) override { focused = control; }
  void Announce(Control control) override { announced.push_back(control); }
  bool IsChecked(Control check_box) const override { return At(check_box).checked; }
  void SetChecked(Control check_box, bool checked) override { At(check_box).checked = checked; }

  void ClearOperators() override;
  void AddOperator(const NativeString& text, CatalogueEntry* entry) override;
  void InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) override;
  int OperatorCount() const override { return static_cast<int>(operators.size()); }
  NativeString OperatorText(int index) const override;
  void SelectOperator(int index) override;
  int SelectedOperator() const override { return selected_operator; }
  CatalogueEntry* OperatorEntry(int index) const override;

  void Start(WizardTimer timer) override;
  void Stop(WizardTimer timer) override { timers[static_cast<std::size_t>(timer)] = false; }
  bool Running(WizardTimer timer) const override { return timers[static_cast<std::size_t>(timer)]; }
  int TrackBarPosition() const override { return track_bar_position; }

  void ShowInfo(const NativeString& text, bool close_button) override;
  void SetInfoText(const NativeString& text) override { info.text = text; }
  void HideInfo() override { info.visible = false; }

  void CopyToClipboard(const NativeString& text) override { clipboard = text; }
  std::optional<NativeString> OpenWebLink(const NativeString& address) override;
  void ShowPlainMessage(const NativeString& text) override { plain_messages.push_back(text); }
  void CloseWindow() override { ++close_requests; }
  void AddDebugItem(Control list_box, const NativeString& text) override;
  void ShowLogWindow(const NativeString& place) override { log_window_places.push_back(place); }
  void WakeLogWindow() override { ++log_window_wakes; }
  std::optional<std::string> AskWhereToSaveLog(const NativeString& name) override;
  void ShowError(const NativeString& text) override { errors.push_back(text); }
  bool SettingsPageReady() override { return !hold_first_submission; }

  // Convenience for assertions: the UTF-8 form of a control's caption or text.
  std::string CaptionUtf8(Control label) const { return NativeToUtf8(Caption(label)); }
  std::string TextUtf8(Control edit) const { return NativeToUtf8(Text(edit)); }
  std::vector<std::string> OperatorTexts() const;

  ControlState& At(Control control) { return controls_[static_cast<std::size_t>(control)]; }
  const ControlState& At(Control control) const { return controls_[static_cast<std::size_t>(control)]; }

  // Recorded state, public for tests to read and to prepare.
  std::vector<OperatorItem> operators;
  int selected_operator = -1;
  InfoWindow info;
  std::vector<NativeString> info_history;  // every ShowInfo text, in order
  std::vector<int> page_history;           // every ShowPage, in order
  int repaints = 0;
  NativeString clipboard;
  std::vector<NativeString> opened;
  std::optional<NativeString> open_failure;  // what OpenWebLink answers
  std::vector<NativeString> plain_messages;
  int close_requests = 0;
  Control focused = Control::Count;  // Count: nothing was focused from code
  std::vector<Control> announced;
  int track_bar_position = 0;
  std::vector<std::pair<Control, NativeString>> debug_items;
  std::vector<NativeString> log_window_places;  // every ShowLogWindow, in order
  std::atomic<int> log_window_wakes{0};         // may come from the serial worker
  std::optional<std::string> save_log_answer;   // what AskWhereToSaveLog answers
  std::vector<NativeString> save_log_offers;    // the names it was asked with
  std::vector<NativeString> errors;
  bool hold_first_submission = false;  // what SettingsPageReady answers, negated
  std::array<bool, kWizardTimerCount> timers{};
  std::vector<WizardTimer> timer_starts;  // every start of a timer that was not running

 private:
  std::array<ControlState, static_cast<std::size_t>(Control::Count)> controls_{};
  int page_ = 0;
};
