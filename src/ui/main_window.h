// The main window: every component of the layout under its own name, implementing WizardView
// over Qt widgets, keeping the wizard's timers, and forwarding each event to the wizard.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "controller/wizard_view.h"
#include "controller/log_mirror_feed.h"
#include "controller/timers.h"
#include "controller/wizard.h"
#include "ui/layout_builder.h"
#include "ui/log_window.h"
#include "ui/message_window.h"
#include "ui/operator_list_model.h"
#include "ui/pin_edit.h"
#include "ui/widgets.h"

class MainWindow : public QWidget, public WizardView, public TimerService {
  Q_OBJECT

 public:
  static constexpr int kDebugListLimit = static_cast<int>(LogMirrorFeed::kMaxItems);

  // Builds the layout, then the controller (which loads the catalogue and may throw), then
  // runs CreateSerialPort and creates the message window.
  explicit MainWindow(WizardEnvironment environment = {});
  ~MainWindow() override;

  Wizard& Core() { return *wizard_; }
  MessageWindow& Messages() { return *message_window_; }
  // The "Wizard log" window, made when it is first needed.
  LogWindow& LogForm();
  // The widget of a component, for tests and for the screenshots.
  QWidget* Widget(Control control) const { return widgets_[static_cast<std::size_t>(control)]; }
  // ... as the kind of widget the layout builds for it.
  template <typename W>
  W* Get(Control control) const {
    return dynamic_cast<W*>(Widget(control));
  }
  QTimer& Timer(WizardTimer timer) { return timers_[static_cast<std::size_t>(timer)]; }
  const WidgetFlow& Flow() const { return flow_; }

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
  void SetFocus(Control control) override;
  void Announce(Control control) override;
  bool IsChecked(Control check_box) const override;
  void SetChecked(Control check_box, bool checked) override;
  void ClearOperators() override;
  void AddOperator(const NativeString& text, CatalogueEntry* entry) override;
  void InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) override;
  int OperatorCount() const override;
  NativeString OperatorText(int index) const override;
  void SelectOperator(int index) override;
  int SelectedOperator() const override;
  CatalogueEntry* OperatorEntry(int index) const override;
  int TrackBarPosition() const override;
  void ShowInfo(const NativeString& text, bool close_button) override;
  void SetInfoText(const NativeString& text) override;
  void HideInfo() override;
  void CopyToClipboard(const NativeString& text) override;
  std::optional<NativeString> OpenWebLink(const NativeString& address) override;
  void ShowPlainMessage(const NativeString& text) override;
  void CloseWindow() override;
  // May be called from any thread; the list is changed on the window's thread.
  void AddDebugItem(Control list_box, const NativeString& text) override;
  void ShowLogWindow(const NativeString& place) override;
  // May be called from any thread; the log window takes its lines on the window's thread.
  void WakeLogWindow() override;
  std::optional<std::string> AskWhereToSaveLog(const NativeString& name) override;
  void ShowError(const NativeString& text) override;

  // The session ends (an ending signal, the desktop's session manager): the log is saved as a
  // close saves it, unless the window has closed already, and the program ends even when the
  // save fails, for nobody may be there to answer.
  void EndSession();
  // The desktop's session manager asks for the program's data before the session may end.
  void SaveLogForSession();
  // The program is being ended from inside its event loop without a display (exit()): the log
  // is saved unless the window has closed already, a failure goes to standard error, nothing
  // is asked, and the serial worker stops before the process's own clean-up begins.
  void EndWithoutDisplay();

  void Start(WizardTimer timer) override;
  void Stop(WizardTimer timer) override;
  bool Running(WizardTimer timer) const override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetBehaviour();
  void SetTabOrder();
  void NameForAssistiveTechnology();
  void WireEvents();
  void WireControl(Control control, ComponentKind kind);
  void AddDebugItemHere(Control list_box, const QString& text);
  // Applies what waits in the log's debug mirror to its list.
  void ApplyLogMirror();
  // The save of the log as the window closes: the error's text, or empty when it was saved.
  QString SaveLog();
  // The save when nobody can be asked; standard error says where the log went instead.
  void SaveLogUnattended();
  // After a failed save: whether the window may close all the same.
  bool LeaveWithoutLog(const QString& failure);
  // What a box or a file dialog asked for from the log window stands over.
  QWidget* DialogOwner();
  // Applies what waits for the log window, once it has been made.
  void TakeLogWindowLines();
  // A text of the window's own in the user's language.
  QString Shown(const char* english) const;

  // The user's language, the same the wizard speaks; from before the controls are made.
  MessageCatalogue texts_;
  // Where the components stand for the texts they show now.
  WidgetFlow flow_;
  std::array<QWidget*, static_cast<std::size_t>(Control::Count)> widgets_{};
  // Before the wizard: its serial worker may log until the wizard is gone.
  LogMirrorFeed log_mirror_;
  std::array<QTimer, kWizardTimerCount> timers_;
  std::unique_ptr<Wizard> wizard_;
  std::unique_ptr<MessageWindow> message_window_;
  LogWindow* log_window_ = nullptr;  // owned as a child window
  FocusRing* focus_ring_ = nullptr;
  OperatorListModel* operators_ = nullptr;  // owned by the operator list
  bool shown_once_ = false;
  bool closed_ = false;
  bool ending_session_ = false;
};
