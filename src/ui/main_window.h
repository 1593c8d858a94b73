// The main window: implements FormView over Qt widgets and forwards events to TForm1.
#pragma once

#include <QLabel>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "controller/form_view.h"
#include "controller/main_form.h"

class MainWindow : public QWidget, public FormView {
  Q_OBJECT

 public:
  explicit MainWindow(TForm1Environment environment = {});
  ~MainWindow() override;

  TForm1& Controller() { return *controller_; }

  void ShowPage(int page) override;
  int CurrentPage() const override;
  void RepaintNotebook() override;
  void SetCaption(Control label, const NativeString& text) override;
  NativeString Caption(Control label) const override;
  void SetText(Control edit, const NativeString& text) override;
  NativeString Text(Control edit) const override;
  void SetVisible(Control control, bool visible) override;
  bool IsVisible(Control control) const override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) const override;
  bool IsChecked(Control check_box) const override;
  void SetChecked(Control check_box, bool checked) override;
  void ClearOperators() override;
  void AddOperator(const NativeString& text, TApnElem* entry) override;
  void InsertOperatorAtTop(const NativeString& text, TApnElem* entry) override;
  int OperatorCount() const override;
  NativeString OperatorText(int index) const override;
  void SelectOperator(int index) override;
  int SelectedOperator() const override;
  TApnElem* OperatorEntry(int index) const override;
  void SetTimerEnabled(FormTimer timer, bool enabled) override;
  bool IsTimerEnabled(FormTimer timer) const override;
  int TrackBarPosition() const override;
  void ShowInfo(const NativeString& text, bool close_button, bool dots) override;
  void HideInfo() override;
  void CopyToClipboard(const NativeString& text) override;
  int OpenWithShell(const NativeString& text) override;
  void ShowPlainMessage(const NativeString& text) override;
  void CloseWindow() override;
  void AddDebugItem(Control list_box, const NativeString& text) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct ControlState {
    NativeString caption;
    NativeString text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
  };
  ControlState& At(Control control) { return controls_[static_cast<std::size_t>(control)]; }
  const ControlState& At(Control control) const { return controls_[static_cast<std::size_t>(control)]; }

  std::array<ControlState, static_cast<std::size_t>(Control::Count)> controls_{};
  std::vector<std::pair<NativeString, TApnElem*>> operators_;
  int selected_operator_ = -1;
  QStackedWidget* notebook_ = nullptr;
  QLabel* footer_ = nullptr;
  QTimer device_timer_;
  QTimer send_timer_;
  QTimer timer1_;
  bool shown_once_ = false;
  std::unique_ptr<TForm1> controller_;
};
