// The main window: a fixed 925 x 453 client area with the notebook and the version footer.
#include "ui/main_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QUrl>
#include <algorithm>

#include "ui/error_display.h"

namespace {
QString ToQt(const NativeString& text) { return QString::fromStdU16String(text); }
}  // namespace

MainWindow::MainWindow(TForm1Environment environment) {
  setWindowTitle(QStringLiteral("Rodiduz Box Setup Wizard"));
  setFixedSize(925, 453);
  for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i].visible = !HiddenInLayout(static_cast<Control>(i));
  At(Control::MaskEdit1).text = u"    ";
  notebook_ = new QStackedWidget(this);
  notebook_->setGeometry(412, 8, 505, 436);
  for (int page = 0; page < kNotebookPageCount; ++page) notebook_->addWidget(new QWidget(notebook_));
  footer_ = new QLabel(this);
  footer_->setGeometry(8, 430, 361, 16);

  device_timer_.setInterval(100);
  send_timer_.setInterval(50);
  timer1_.setInterval(330);
  controller_ = std::make_unique<TForm1>(*this, std::move(environment));
  controller_->FormCreate(nullptr);
  connect(&device_timer_, &QTimer::timeout, this, [this] { controller_->DeviceTimerTimer(nullptr); });
  connect(&send_timer_, &QTimer::timeout, this, [this] { controller_->DutSendQueueTimerTimer(nullptr); });
  connect(&timer1_, &QTimer::timeout, this, [this] { controller_->Timer1Timer(nullptr); });
  device_timer_.start();
  send_timer_.start();
}

MainWindow::~MainWindow() = default;

void MainWindow::ShowPage(int page) { notebook_->setCurrentIndex(page); }
int MainWindow::CurrentPage() const { return notebook_->currentIndex(); }
void MainWindow::RepaintNotebook() { notebook_->repaint(); }

void MainWindow::SetCaption(Control label, const NativeString& text) {
  At(label).caption = text;
  if (label == Control::Label27) footer_->setText(ToQt(text));
}
NativeString MainWindow::Caption(Control label) const { return At(label).caption; }
void MainWindow::SetText(Control edit, const NativeString& text) { At(edit).text = text; }
NativeString MainWindow::Text(Control edit) const { return At(edit).text; }
void MainWindow::SetVisible(Control control, bool visible) { At(control).visible = visible; }
bool MainWindow::IsVisible(Control control) const { return At(control).visible; }
void MainWindow::SetEnabled(Control control, bool enabled) { At(control).enabled = enabled; }
bool MainWindow::IsEnabled(Control control) const { return At(control).enabled; }
bool MainWindow::IsChecked(Control check_box) const { return At(check_box).checked; }
void MainWindow::SetChecked(Control check_box, bool checked) { At(check_box).checked = checked; }

void MainWindow::ClearOperators() {
  operators_.clear();
  selected_operator_ = -1;
}
void MainWindow::AddOperator(const NativeString& text, TApnElem* entry) {
  auto place = std::upper_bound(operators_.begin(), operators_.end(), text,
                                [](const NativeString& t, const auto& item) { return OperatorItemLess(t, item.first); });
  operators_.insert(place, {text, entry});
}
void MainWindow::InsertOperatorAtTop(const NativeString& text, TApnElem* entry) {
  operators_.insert(operators_.begin(), {text, entry});
}
int MainWindow::OperatorCount() const { return static_cast<int>(operators_.size()); }
NativeString MainWindow::OperatorText(int index) const {
  return index >= 0 && index < OperatorCount() ? operators_[static_cast<std::size_t>(index)].first : NativeString{};
}
void MainWindow::SelectOperator(int index) { selected_operator_ = index >= 0 && index < OperatorCount() ? index : -1; }
int MainWindow::SelectedOperator() const { return selected_operator_; }
TApnElem* MainWindow::OperatorEntry(int index) const {
  return index >= 0 && index < OperatorCount() ? operators_[static_cast<std::size_t>(index)].second : nullptr;
}

void MainWindow::SetTimerEnabled(FormTimer timer, bool enabled) {
  QTimer& target = timer == FormTimer::DeviceTimer ? device_timer_
                   : timer == FormTimer::Timer1    ? timer1_
                                                   : send_timer_;
  if (enabled) {
    target.start();
  } else {
    target.stop();
  }
}
bool MainWindow::IsTimerEnabled(FormTimer timer) const {
  const QTimer& target = timer == FormTimer::DeviceTimer ? device_timer_
                         : timer == FormTimer::Timer1    ? timer1_
                                                         : send_timer_;
  return target.isActive();
}
int MainWindow::TrackBarPosition() const { return 0; }
void MainWindow::ShowInfo(const NativeString&, bool, bool) {}
void MainWindow::HideInfo() {}
void MainWindow::CopyToClipboard(const NativeString& text) { QGuiApplication::clipboard()->setText(ToQt(text)); }
int MainWindow::OpenWithShell(const NativeString& text) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(ToQt(text))) ? 42 : 2;
}
void MainWindow::ShowPlainMessage(const NativeString& text) {
  QMessageBox::information(this, QApplication::applicationDisplayName(), ToQt(text));
}
void MainWindow::CloseWindow() { close(); }
void MainWindow::AddDebugItem(Control, const NativeString&) {}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  controller_->FormShow(nullptr);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caHide;
  try {
    controller_->FormClose(nullptr, action);
    event->accept();
  } catch (const std::exception& error) {
    // The save failed: the window stays open and the log stays in memory for the next try.
    event->ignore();
    ShowErrorDisplay(QString::fromLocal8Bit(error.what()));
  }
}
