// The main window: every component of the layout under its own name, implementing FormView
// over Qt widgets and forwarding each event to TForm1.
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
#include "ui/error_display.h"
#include "ui/layout_builder.h"
#include "ui/ui_resources.h"

namespace {

QString ToQt(const NativeString& text) { return QString::fromStdU16String(text); }
NativeString FromQt(const QString& text) { return text.toStdU16String(); }

}  // namespace

template <typename W>
void MainWindow::Bind(W*& member, Control name) {
  member = dynamic_cast<W*>(Widget(name));
}

MainWindow::MainWindow(TForm1Environment environment) {
  LoadBundledFonts();
  ApplyWindowLayout(this, LayoutWindow::Form1);
  setWindowIcon(ProgramIcon());
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  // The layout is drawn for black text on its light pictures, whatever the desktop's theme.
  QPalette grey = style()->standardPalette();
  grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  setPalette(grey);
  setAutoFillBackground(true);

  BuildFromLayout(this, LayoutWindow::Form1, [this](const ComponentLayout& row, QWidget* widget) {
    if (row.control != Control::Count) widgets_[static_cast<std::size_t>(row.control)] = widget;
  });
  BindMembers();
  SetBehaviour();
  SetTabOrder();
  NameForAssistiveTechnology();
  focus_ring_ = new FocusRing(this);

  DeviceTimer.setInterval(100);
  DutSendQueueTimer.setInterval(50);
  Timer1.setInterval(330);

  controller_ = std::make_unique<TForm1>(*this, std::move(environment));
  controller_->FormCreate(nullptr);
  WireEvents();
  DeviceTimer.start();
  DutSendQueueTimer.start();
  message_form_ = std::make_unique<TMessageForm>(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::BindMembers() {
  Bind(Image2, Control::Image2); Bind(Shape1, Control::Shape1); Bind(Image1, Control::Image1);
  Bind(Label2, Control::Label2); Bind(Label21, Control::Label21); Bind(Label27, Control::Label27);
  Bind(Label19, Control::Label19); Bind(Label20, Control::Label20); Bind(Label18, Control::Label18);
  Bind(ListBox1, Control::ListBox1); Bind(Notebook1, Control::Notebook1); Bind(Panel2, Control::Panel2);
  Bind(ListBox3, Control::ListBox3); Bind(BitBtn1, Control::BitBtn1); Bind(TrackBar1, Control::TrackBar1);

  Bind(Label14, Control::Label14); Bind(Label8, Control::Label8); Bind(Label26, Control::Label26);
  Bind(Label28, Control::Label28); Bind(Label31, Control::Label31); Bind(Label46, Control::Label46);
  Bind(Button8, Control::Button8);

  Bind(Label9, Control::Label9); Bind(Label24, Control::Label24); Bind(Label33, Control::Label33);
  Bind(Label34, Control::Label34); Bind(Label32, Control::Label32); Bind(Label35, Control::Label35);
  Bind(Image3, Control::Image3); Bind(Label39, Control::Label39); Bind(Label25, Control::Label25);
  Bind(Label40, Control::Label40); Bind(Image4, Control::Image4); Bind(Label42, Control::Label42);
  Bind(Label44, Control::Label44); Bind(Label13, Control::Label13); Bind(Image5, Control::Image5);

  Bind(Label10, Control::Label10); Bind(Bevel1, Control::Bevel1); Bind(Label7, Control::Label7);
  Bind(MaskEdit1, Control::MaskEdit1); Bind(Label30, Control::Label30); Bind(Edit4, Control::Edit4);
  Bind(Bevel2, Control::Bevel2); Bind(Label3, Control::Label3); Bind(ComboBox1, Control::ComboBox1);
  Bind(CheckBox1, Control::CheckBox1); Bind(Label1, Control::Label1); Bind(Label4, Control::Label4);
  Bind(Edit1, Control::Edit1); Bind(Label5, Control::Label5); Bind(Edit2, Control::Edit2);
  Bind(CheckBox2, Control::CheckBox2); Bind(Label6, Control::Label6); Bind(Edit3, Control::Edit3);
  Bind(Button7, Control::Button7);

  Bind(Label11, Control::Label11); Bind(Label12, Control::Label12); Bind(s, Control::s);
  Bind(Label17, Control::Label17); Bind(Label16, Control::Label16); Bind(Label23, Control::Label23);
  Bind(Label29, Control::Label29); Bind(Image6, Control::Image6); Bind(Button1, Control::Button1);
  Bind(Label22, Control::Label22); Bind(Button2, Control::Button2); Bind(Button3, Control::Button3);
}

// What the components do, as opposed to where they stand and what they say.
void MainWindow::SetBehaviour() {
  TrackBar1->setRange(0, 6);
  TrackBar1->setValue(0);
  operators_ = new OperatorListModel(ComboBox1);
  // Return and Enter press the focused button, as Space does.
  for (QPushButton* button : {Button8, Button7, Button1, Button2, Button3}) button->setAutoDefault(true);
}

void MainWindow::SetTabOrder() {
  const std::vector<const ComponentLayout*> chain = TabChain(LayoutWindow::Form1);
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QWidget::setTabOrder(Widget(chain[i - 1]->control), Widget(chain[i]->control));
  }
}

// Buttons and check boxes are named by their captions; the fields by the captions beside them.
void MainWindow::NameForAssistiveTechnology() {
  MaskEdit1->setAccessibleName(QStringLiteral("PIN code"));
  MaskEdit1->setAccessibleDescription(
      QStringLiteral("Up to four digits. If no PIN code provided - leave this field blank"));
  Edit4->setAccessibleName(QStringLiteral("PUK code"));
  Edit4->setAccessibleDescription(QStringLiteral("The SIM card's PUK code; enter the new PIN code in the PIN field"));
  ComboBox1->setAccessibleName(QStringLiteral("Select operator from list"));
  Edit1->setAccessibleName(QStringLiteral("APN name"));
  Edit1->setAccessibleDescription(Edit1->toolTip());
  Edit2->setAccessibleName(QStringLiteral("APN Username"));
  Edit2->setAccessibleDescription(Edit2->toolTip());
  Edit3->setAccessibleName(QStringLiteral("APN Password"));
  Edit3->setAccessibleDescription(Edit3->toolTip());
  Label29->setAccessibleDescription(QStringLiteral("The box's web link; Return opens it in the web browser"));
  ListBox1->setAccessibleName(QStringLiteral("Catalogue rows"));
  ListBox3->setAccessibleName(QStringLiteral("Wizard log"));
  TrackBar1->setAccessibleName(QStringLiteral("Progress level"));
}

void MainWindow::WireEvents() {
  TForm1* form = controller_.get();
  connect(&DeviceTimer, &QTimer::timeout, this, [form] { form->DeviceTimerTimer(nullptr); });
  connect(&DutSendQueueTimer, &QTimer::timeout, this, [form] { form->DutSendQueueTimerTimer(nullptr); });
  connect(&Timer1, &QTimer::timeout, this, [form] { form->Timer1Timer(nullptr); });
  connect(Button8, &QPushButton::clicked, this, [form] { form->Button8Click(nullptr); });
  connect(Button7, &QPushButton::clicked, this, [form] { form->Button7Click(nullptr); });
  connect(Button2, &QPushButton::clicked, this, [form] { form->Button2Click(nullptr); });
  connect(Button1, &QPushButton::clicked, this, [form] { form->Button1Click(nullptr); });
  connect(Button3, &QPushButton::clicked, this, [form] { form->Button3Click(nullptr); });
  connect(BitBtn1, &QPushButton::clicked, this, [form] { form->BitBtn1Click(nullptr); });
  // `activated` comes only from the user; a selection made from code runs no handler.
  connect(ComboBox1, &QComboBox::activated, this, [form] { form->ComboBox1Change(nullptr); });
  // `clicked` comes only from the user; the controller runs the handler itself when it
  // changes a check box (SetCheckBox).
  connect(CheckBox1, &QCheckBox::clicked, this, [form] { form->CheckBox1Click(nullptr); });
  connect(CheckBox2, &QCheckBox::clicked, this, [form] { form->CheckBox2Click(nullptr); });
  connect(TrackBar1, &QSlider::valueChanged, this, [form] { form->TrackBar1Change(nullptr); });
  Label29->on_click = [form] { form->Label29Click(nullptr); };
  auto* show_log = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
  connect(show_log, &QShortcut::activated, this, [form] { form->OpenLogWindow(); });
}

QTimer& MainWindow::Timer(FormTimer timer) {
  switch (timer) {
    case FormTimer::DeviceTimer: return DeviceTimer;
    case FormTimer::DutSendQueueTimer: return DutSendQueueTimer;
    case FormTimer::Timer1: break;
  }
  return Timer1;
}

void MainWindow::ShowPage(int page) {
  if (page >= 0 && page < Notebook1->count()) Notebook1->setCurrentIndex(page);
}
int MainWindow::CurrentPage() const { return Notebook1->currentIndex(); }
// At once: the state machine pauses right after some changes and they must be seen first.
void MainWindow::RepaintNotebook() { Notebook1->repaint(); }

void MainWindow::SetCaption(Control label, const NativeString& text) {
  if (auto* layout_label = dynamic_cast<LayoutLabel*>(Widget(label))) layout_label->SetCaption(ToQt(text));
}

NativeString MainWindow::Caption(Control label) const {
  if (const auto* caption = dynamic_cast<const QLabel*>(Widget(label))) return FromQt(caption->text());
  return {};
}

void MainWindow::SetText(Control edit, const NativeString& text) {
  if (edit == Control::MaskEdit1) {
    MaskEdit1->SetPinText(ToQt(text));
  } else if (auto* line = dynamic_cast<QLineEdit*>(Widget(edit))) {
    line->setText(ToQt(text));
  }
}

NativeString MainWindow::Text(Control edit) const {
  if (edit == Control::MaskEdit1) return FromQt(MaskEdit1->PinText());
  if (const auto* line = dynamic_cast<const QLineEdit*>(Widget(edit))) return FromQt(line->text());
  return {};
}

void MainWindow::SetVisible(Control control, bool visible) {
  if (QWidget* widget = Widget(control)) widget->setVisible(visible);
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
void MainWindow::AddOperator(const NativeString& text, TApnElem* entry) { operators_->Add(text, entry); }
void MainWindow::InsertOperatorAtTop(const NativeString& text, TApnElem* entry) {
  operators_->InsertAtTop(text, entry);
}
int MainWindow::OperatorCount() const { return operators_->Count(); }
NativeString MainWindow::OperatorText(int index) const { return operators_->Text(index); }
void MainWindow::SelectOperator(int index) { operators_->Select(index); }
int MainWindow::SelectedOperator() const { return operators_->Selected(); }
TApnElem* MainWindow::OperatorEntry(int index) const { return operators_->Entry(index); }

void MainWindow::SetTimerEnabled(FormTimer timer, bool enabled) {
  QTimer& target = Timer(timer);
  if (enabled) {
    // Starting a running timer would restart its interval; it keeps its rhythm instead.
    if (!target.isActive()) target.start();
  } else {
    target.stop();
  }
}

bool MainWindow::IsTimerEnabled(FormTimer timer) const {
  return const_cast<MainWindow*>(this)->Timer(timer).isActive();
}

int MainWindow::TrackBarPosition() const { return TrackBar1->value(); }

void MainWindow::ShowInfo(const NativeString& text, bool close_button, bool dots) {
  message_form_->ShowInfo(text, close_button, dots);
}

void MainWindow::HideInfo() { message_form_->hide(); }

void MainWindow::CopyToClipboard(const NativeString& text) {
  // Lines on this desktop's clipboard end with a line feed alone; a carriage return before it
  // would be pasted as a line of its own by some programs.
  QGuiApplication::clipboard()->setText(ToQt(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

int MainWindow::OpenWithShell(const NativeString& text) {
  // Above 32 is the shell's success; 2 is what it gives for a target it cannot find.
  constexpr int kOpened = 33;
  constexpr int kNotFound = 2;
  // Exactly the address handed over: nothing is guessed, and a text that is no absolute address
  // would make the desktop look for a file.
  const QUrl target(ToQt(text), QUrl::StrictMode);
  if (!target.isValid() || target.isRelative()) return kNotFound;
  return QDesktopServices::openUrl(target) ? kOpened : kNotFound;
}

void MainWindow::ShowPlainMessage(const NativeString& text) {
  QMessageBox::information(this, QApplication::applicationDisplayName(), ToQt(text));
}

void MainWindow::CloseWindow() { close(); }

void MainWindow::AddDebugItem(Control list_box, const NativeString& text) {
  const bool on_window_thread = QThread::currentThread() == thread();
  if (list_box == Control::ListBox3) {
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
  if (list_box == Control::ListBox1) ListBox1->addItem(text);
}

void MainWindow::ApplyLogMirror() {
  const LogMirrorFeed::Batch batch = log_mirror_.Take();
  if (batch.remove_oldest > 0) ListBox3->model()->removeRows(0, static_cast<int>(batch.remove_oldest));
  if (batch.add.empty()) return;
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(batch.add.size()));
  for (const NativeString& text : batch.add) lines.append(ToQt(text));
  ListBox3->addItems(lines);
  ListBox3->setCurrentRow(ListBox3->count() - 1);
}

LogWindow& MainWindow::LogForm() {
  if (log_window_ == nullptr) log_window_ = new LogWindow(this, *controller_);
  return *log_window_;
}

void MainWindow::ShowLogWindow(const NativeString& place) { LogForm().ShowWithPlace(ToQt(place)); }

void MainWindow::WakeLogWindow() {
  // Queued also on the window's thread: the lines of one step of the wizard come as one batch.
  const bool posted = QMetaObject::invokeMethod(
      this, [this] { TakeLogWindowLines(); }, Qt::QueuedConnection);
  if (!posted) controller_->LogWindowLines.WakeLost();
}

void MainWindow::TakeLogWindowLines() {
  if (log_window_ != nullptr) log_window_->TakeLines();
}

std::optional<std::string> MainWindow::AskWhereToSaveLog(const NativeString& name) {
  const QDir folder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
  const QString path = QFileDialog::getSaveFileName(DialogOwner(), QString::fromUtf8(kSaveLogTitle),
                                                    folder.filePath(ToQt(name)),
                                                    QStringLiteral("Text files (*.txt);;All files (*)"));
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
  controller_->FormShow(nullptr);
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
  message_form_->hide();
  if (log_window_ != nullptr) log_window_->close();
}

QString MainWindow::SaveLog() {
  TCloseAction action = TCloseAction::caHide;
  try {
    controller_->FormClose(nullptr, action);
    return {};
  } catch (const std::exception& error) {
    return QString::fromLocal8Bit(ErrorDisplayText(error));
  }
}

bool MainWindow::LeaveWithoutLog(const QString& failure) {
  ShowErrorDisplay(failure);
  return AskToCloseWithoutLog(this);
}

void MainWindow::SaveLogUnattended() {
  const std::string note = controller_->SaveLogUnattended();
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
  if (controller_->Serial) controller_->Serial->Stop();
}

void MainWindow::SaveLogForSession() { SaveLogUnattended(); }
