// The main window: every component of the layout under its own name, implementing WizardView
// over Qt widgets, keeping the wizard's timers, and forwarding each event to the wizard.
#include "ui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyle>
#include <QThread>
#include <QUrl>
#include <algorithm>

#include "common/platform.h"
#include "common/translations.h"
#include "common/user_language.h"
#include "common/user_text.h"
#include "ui/error_display.h"
#include "ui/layout_builder.h"
#include "ui/ui_resources.h"

namespace {

QString ToQt(const NativeString& text) { return QString::fromStdU16String(text); }
NativeString FromQt(const QString& text) { return text.toStdU16String(); }

}  // namespace

MainWindow::MainWindow(WizardEnvironment environment) : texts_(TextsOf(environment)) {
  // The application's, so that every window made from here on (the message and log windows,
  // the questions and error boxes) is laid out in the language's direction too.
  QGuiApplication::setLayoutDirection(IsRightToLeft(environment.language) ? Qt::RightToLeft : Qt::LeftToRight);
  LoadBundledFonts();
  ApplyWindowLayout(this, LayoutWindow::Main, texts_);
  setWindowIcon(ProgramIcon());
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  // The layout is drawn for black text on its light pictures, whatever the desktop's theme.
  QPalette grey = LightPalette();
  grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  setPalette(grey);
  setAutoFillBackground(true);
  SetAccessibleRole(this, QAccessible::Window);

  BuildFromLayout(this, LayoutWindow::Main, texts_, [this](const ComponentLayout& row, QWidget* widget) {
    if (row.control != Control::Count) widgets_[static_cast<std::size_t>(row.control)] = widget;
    flow_.Add(row, widget);
  });
  flow_.GrowToFit(this, LayoutWindow::Main);
  SetBehaviour();
  SetTabOrder();
  NameForAssistiveTechnology();
  focus_ring_ = new FocusRing(this);

  for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) {
    timers_[timer].setInterval(IntervalOf(static_cast<WizardTimer>(timer)));
  }

  wizard_ = std::make_unique<Wizard>(*this, *this, std::move(environment));
  wizard_->CreateSerialPort();
  WireEvents();
  message_window_ = std::make_unique<MessageWindow>(this, texts_);
}

MainWindow::~MainWindow() = default;

QString MainWindow::Shown(const char* english) const { return ToQt(ShownText(texts_, english)); }

// What the components do, as opposed to where they stand and what they say.
void MainWindow::SetBehaviour() {
  Get<QSlider>(Control::LadderSlider)->setRange(0, 6);
  Get<QSlider>(Control::LadderSlider)->setValue(0);
  operators_ = new OperatorListModel(Get<QComboBox>(Control::OperatorList));
  // Return and Enter press the focused button, as Space does.
  for (QPushButton* button : {Get<QPushButton>(Control::Start), Get<QPushButton>(Control::Next), Get<QPushButton>(Control::CopyLink), Get<QPushButton>(Control::Restart), Get<QPushButton>(Control::Exit)}) button->setAutoDefault(true);
}

void MainWindow::SetTabOrder() {
  const std::vector<const ComponentLayout*> chain = TabChain(LayoutWindow::Main);
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QWidget::setTabOrder(Widget(chain[i - 1]->control), Widget(chain[i]->control));
  }
}

// Buttons and check boxes are named by their captions; the fields by the captions beside them.
void MainWindow::NameForAssistiveTechnology() {
  Get<PinEdit>(Control::PinField)->setAccessibleName(Shown(N_("PIN code")));
  Get<PinEdit>(Control::PinField)->setAccessibleDescription(
      Shown(N_("Up to four digits. If no PIN code provided - leave this field blank")));
  Get<QLineEdit>(Control::PukField)->setAccessibleName(Shown(N_("PUK code")));
  Get<QLineEdit>(Control::PukField)->setAccessibleDescription(Shown(N_("The SIM card's PUK code; enter the new PIN code in the PIN field")));
  Get<QComboBox>(Control::OperatorList)->setAccessibleName(Shown(N_("Select operator from list")));
  Get<QLineEdit>(Control::ApnField)->setAccessibleName(Shown(N_("APN name")));
  Get<QLineEdit>(Control::ApnField)->setAccessibleDescription(Get<QLineEdit>(Control::ApnField)->toolTip());
  Get<QLineEdit>(Control::UserField)->setAccessibleName(Shown(N_("APN Username")));
  Get<QLineEdit>(Control::UserField)->setAccessibleDescription(Get<QLineEdit>(Control::UserField)->toolTip());
  Get<QLineEdit>(Control::PasswordField)->setAccessibleName(Shown(N_("APN Password")));
  Get<QLineEdit>(Control::PasswordField)->setAccessibleDescription(Get<QLineEdit>(Control::PasswordField)->toolTip());
  Get<ClickLabel>(Control::BoxLink)->setAccessibleDescription(Shown(N_("The box's web link; Return opens it in the web browser")));
  Get<QListWidget>(Control::CatalogueMirror)->setAccessibleName(Shown(N_("Catalogue rows")));
  Get<QListWidget>(Control::LogMirror)->setAccessibleName(Shown(N_("Wizard log")));
  Get<QSlider>(Control::LadderSlider)->setAccessibleName(Shown(N_("Progress level")));
}

// Every control the user works reaches the wizard through one call, whatever its kind; the
// timers the wizard starts come back to it the same way.
void MainWindow::WireEvents() {
  Wizard* wizard = wizard_.get();
  for (std::size_t timer = 0; timer < kWizardTimerCount; ++timer) {
    connect(&timers_[timer], &QTimer::timeout, this, [wizard, timer] { wizard->OnTimer(static_cast<WizardTimer>(timer)); });
  }
  for (const ComponentLayout& row : WindowLayout()) {
    if (row.window == LayoutWindow::Main && row.control != Control::Count) WireControl(row.control, row.kind);
  }
  auto* show_log = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
  connect(show_log, &QShortcut::activated, this, [wizard] { wizard->OpenLogWindow(); });
}

void MainWindow::WireControl(Control control, ComponentKind kind) {
  Wizard* wizard = wizard_.get();
  const auto act = [wizard, control] { wizard->OnControl(control); };
  QWidget* widget = Widget(control);
  switch (kind) {
    case ComponentKind::Button:
    case ComponentKind::BitButton:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, act);
      break;
    case ComponentKind::CheckBox:
      // `clicked` comes only from the user; the wizard acts itself on a change it makes.
      connect(static_cast<QCheckBox*>(widget), &QCheckBox::clicked, this, act);
      break;
    case ComponentKind::ComboBox:
      // `activated` comes only from the user; a selection made from code runs no handler.
      connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this, act);
      break;
    case ComponentKind::Slider:
      connect(static_cast<QSlider*>(widget), &QSlider::valueChanged, this, act);
      break;
    case ComponentKind::Link:
      static_cast<ClickLabel*>(widget)->on_click = act;
      break;
    default:
      break;  // nothing the user does to it reaches the wizard
  }
}

void MainWindow::Start(WizardTimer timer) {
  // Starting a running timer would restart its interval; it keeps its rhythm instead.
  if (!Timer(timer).isActive()) Timer(timer).start();
}

void MainWindow::Stop(WizardTimer timer) { Timer(timer).stop(); }

bool MainWindow::Running(WizardTimer timer) const { return timers_[static_cast<std::size_t>(timer)].isActive(); }

void MainWindow::ShowPage(int page) {
  if (page >= 0 && page < Get<QStackedWidget>(Control::Pages)->count()) Get<QStackedWidget>(Control::Pages)->setCurrentIndex(page);
}
int MainWindow::CurrentPage() const { return Get<QStackedWidget>(Control::Pages)->currentIndex(); }
// At once: the state machine pauses right after some changes and they must be seen first.
void MainWindow::RepaintNotebook() { Get<QStackedWidget>(Control::Pages)->repaint(); }

void MainWindow::SetCaption(Control label, const NativeString& text) {
  if (auto* layout_label = dynamic_cast<LayoutLabel*>(Widget(label))) {
    layout_label->SetCaption(ToQt(text));
    flow_.Reflow(LayoutOf(label));
  }
}

NativeString MainWindow::Caption(Control label) const {
  if (const auto* caption = dynamic_cast<const QLabel*>(Widget(label))) return FromQt(caption->text());
  return {};
}

void MainWindow::SetText(Control edit, const NativeString& text) {
  if (edit == Control::PinField) {
    Get<PinEdit>(Control::PinField)->SetPinText(ToQt(text));
  } else if (auto* line = dynamic_cast<QLineEdit*>(Widget(edit))) {
    line->setText(ToQt(text));
  }
}

NativeString MainWindow::Text(Control edit) const {
  if (edit == Control::PinField) return FromQt(Get<PinEdit>(Control::PinField)->PinText());
  if (const auto* line = dynamic_cast<const QLineEdit*>(Widget(edit))) return FromQt(line->text());
  return {};
}

void MainWindow::SetVisible(Control control, bool visible) {
  QWidget* widget = Widget(control);
  if (widget == nullptr || widget->isHidden() == !visible) return;
  widget->setVisible(visible);
  flow_.Reflow(LayoutOf(control));
}

// Every component's visibility was set explicitly at creation, so isHidden() is its own
// setting, whichever page is shown and whether or not the window is.
bool MainWindow::IsVisible(Control control) const {
  const QWidget* widget = Widget(control);
  return widget != nullptr && !widget->isHidden();
}

void MainWindow::SetEnabled(Control control, bool enabled) {
  if (auto* link = dynamic_cast<ClickLabel*>(Widget(control))) {
    link->SetLinkActive(enabled);
  } else if (QWidget* widget = Widget(control)) {
    widget->setEnabled(enabled);
  }
}
bool MainWindow::IsEnabled(Control control) const {
  if (const auto* link = dynamic_cast<const ClickLabel*>(Widget(control))) return link->LinkActive();
  const QWidget* widget = Widget(control);
  return widget != nullptr && widget->isEnabled();
}

void MainWindow::SetFocus(Control control) {
  if (QWidget* widget = Widget(control)) widget->setFocus(Qt::OtherFocusReason);
}

void MainWindow::Announce(Control control) {
  if (QWidget* widget = Widget(control)) AnnounceToScreenReader(widget);
}

bool MainWindow::IsChecked(Control check_box) const {
  const auto* box = dynamic_cast<const QCheckBox*>(Widget(check_box));
  return box != nullptr && box->isChecked();
}

void MainWindow::SetChecked(Control check_box, bool checked) {
  // setChecked emits no `clicked`, so no handler runs here.
  if (auto* box = dynamic_cast<QCheckBox*>(Widget(check_box))) box->setChecked(checked);
}

void MainWindow::ClearOperators() { operators_->Clear(); }
void MainWindow::AddOperator(const NativeString& text, CatalogueEntry* entry) { operators_->Add(text, entry); }
void MainWindow::InsertOperatorAtTop(const NativeString& text, CatalogueEntry* entry) {
  operators_->InsertAtTop(text, entry);
}
int MainWindow::OperatorCount() const { return operators_->Count(); }
NativeString MainWindow::OperatorText(int index) const { return operators_->Text(index); }
void MainWindow::SelectOperator(int index) { operators_->Select(index); }
int MainWindow::SelectedOperator() const { return operators_->Selected(); }
CatalogueEntry* MainWindow::OperatorEntry(int index) const { return operators_->Entry(index); }

int MainWindow::TrackBarPosition() const { return Get<QSlider>(Control::LadderSlider)->value(); }

void MainWindow::ShowInfo(const NativeString& text, bool close_button) { message_window_->ShowInfo(text, close_button); }

void MainWindow::SetInfoText(const NativeString& text) { message_window_->SetText(text); }

void MainWindow::HideInfo() { message_window_->hide(); }

void MainWindow::CopyToClipboard(const NativeString& text) {
  // Lines on this desktop's clipboard end with a line feed alone; a carriage return before it
  // would be pasted as a line of its own by some programs.
  QGuiApplication::clipboard()->setText(ToQt(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

std::optional<NativeString> MainWindow::OpenWebLink(const NativeString& address) {
  // Exactly the address handed over: nothing is guessed, and a text that is no absolute address
  // would make the desktop look for a file.
  const QUrl target(ToQt(address), QUrl::StrictMode);
  if (!target.isValid() || target.isRelative()) return ShownText(texts_, N_("The address is not a web address."));
  if (QDesktopServices::openUrl(target)) return std::nullopt;
  return ShownText(texts_, N_("No program to open web addresses was found."));
}

void MainWindow::ShowPlainMessage(const NativeString& text) {
  QMessageBox::information(this, QApplication::applicationDisplayName(), ToQt(text));
}

void MainWindow::CloseWindow() { close(); }

void MainWindow::AddDebugItem(Control list_box, const NativeString& text) {
  const bool on_window_thread = QThread::currentThread() == thread();
  if (list_box == Control::LogMirror) {
    // One wake-up at a time, whatever the lines waiting: a box that talks faster than the
    // window draws cannot pile up events.
    const bool wake = log_mirror_.Push(text);
    if (on_window_thread) {
      ApplyLogMirror();
    } else if (wake) {
      // Dropped if the window is gone by then.
      QMetaObject::invokeMethod(this, [this] { ApplyLogMirror(); }, Qt::QueuedConnection);
    }
    return;
  }
  const QString line = ToQt(text);
  if (on_window_thread) {
    AddDebugItemHere(list_box, line);
  } else {
    QMetaObject::invokeMethod(this, [this, list_box, line] { AddDebugItemHere(list_box, line); },
                              Qt::QueuedConnection);
  }
}

void MainWindow::AddDebugItemHere(Control list_box, const QString& text) {
  if (list_box == Control::CatalogueMirror) Get<QListWidget>(Control::CatalogueMirror)->addItem(text);
}

void MainWindow::ApplyLogMirror() {
  const LogMirrorFeed::Batch batch = log_mirror_.Take();
  if (batch.remove_oldest > 0) Get<QListWidget>(Control::LogMirror)->model()->removeRows(0, static_cast<int>(batch.remove_oldest));
  if (batch.add.empty()) return;
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(batch.add.size()));
  for (const NativeString& text : batch.add) lines.append(ToQt(text));
  Get<QListWidget>(Control::LogMirror)->addItems(lines);
  Get<QListWidget>(Control::LogMirror)->setCurrentRow(Get<QListWidget>(Control::LogMirror)->count() - 1);
}

LogWindow& MainWindow::LogForm() {
  if (log_window_ == nullptr) log_window_ = new LogWindow(this, *wizard_);
  return *log_window_;
}

void MainWindow::ShowLogWindow(const NativeString& place) { LogForm().ShowWithPlace(ToQt(place)); }

void MainWindow::WakeLogWindow() {
  // Queued also on the window's thread: the lines of one step of the wizard come as one batch.
  const bool posted = QMetaObject::invokeMethod(
      this, [this] { TakeLogWindowLines(); }, Qt::QueuedConnection);
  if (!posted) wizard_->Log().window_feed.WakeLost();
}

void MainWindow::TakeLogWindowLines() {
  if (log_window_ != nullptr) log_window_->TakeLines();
}

std::optional<std::string> MainWindow::AskWhereToSaveLog(const NativeString& name) {
  const QDir folder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  const QString filter = Shown(kTextFilesFilter) + QStringLiteral(" (*.txt);;") + Shown(kAllFilesFilter) + QStringLiteral(" (*)");
  const QString path = QFileDialog::getSaveFileName(DialogOwner(), Shown(kSaveLogTitle), folder.filePath(ToQt(name)), filter);
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

void MainWindow::ShowError(const NativeString& text) { ShowErrorDisplay(ToQt(text), DialogOwner()); }

QWidget* MainWindow::DialogOwner() {
  if (log_window_ != nullptr && log_window_->isActiveWindow()) return log_window_;
  return this;
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  wizard_->OnShown();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  bool leave = true;
  if (ending_session_) {
    // At the end of the session nobody can be asked: the log goes where it still can.
    SaveLogUnattended();
  } else if (const QString failure = SaveLog(); !failure.isEmpty()) {
    leave = LeaveWithoutLog(failure);
  }
  if (!leave) {
    // The window stays open and the log stays in memory for the next try.
    event->ignore();
    return;
  }
  event->accept();
  closed_ = true;
  // The program ends with its main window; the message and log windows go with it.
  message_window_->hide();
  if (log_window_ != nullptr) log_window_->close();
}

QString MainWindow::SaveLog() {
  try {
    wizard_->SaveLog();
    return {};
  } catch (const std::exception& error) {
    return ToQt(ErrorUserText(error).Shown(texts_));
  }
}

bool MainWindow::LeaveWithoutLog(const QString& failure) {
  ShowErrorDisplay(failure);
  return AskToCloseWithoutLog(this, texts_);
}

void MainWindow::SaveLogUnattended() {
  const std::string note = wizard_->SaveLogUnattended();
  if (!note.empty()) PrintError(QString::fromLocal8Bit(note));
}

void MainWindow::EndSession() {
  ending_session_ = true;
  // Inside a close that is showing a failed save, close() does nothing: the save is tried here.
  if (!closed_ && !close()) SaveLogUnattended();
  QApplication::quit();
}

void MainWindow::EndWithoutDisplay() {
  ending_session_ = true;
  if (!closed_) {
    closed_ = true;
    SaveLogUnattended();
  }
  if (SerialPort* port = wizard_->Channel().Port()) port->Stop();
}

void MainWindow::SaveLogForSession() { SaveLogUnattended(); }
