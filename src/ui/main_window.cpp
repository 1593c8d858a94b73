// The main window: every component of the layout under its own name, implementing FormView
// over Qt widgets and forwarding each event to TForm1.
#include "ui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QUrl>
#include <algorithm>

#include "common/platform.h"
#include "ui/error_display.h"
#include "ui/ui_resources.h"

namespace {

QString ToQt(const NativeString& text) { return QString::fromStdU16String(text); }
NativeString FromQt(const QString& text) { return text.toStdU16String(); }

constexpr const char* kEdit1Hint = "APN name from operator - normally \"internet\"";

}  // namespace

template <typename W>
W* MainWindow::File(Control name, W* widget) {
  widget->setObjectName(QString::fromLatin1(ControlName(name)));
  widgets_[static_cast<std::size_t>(name)] = widget;
  return widget;
}

MainWindow::MainWindow(TForm1Environment environment) {
  LoadBundledFonts();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Rodiduz Box Setup Wizard"));
  setWindowIcon(ProgramIcon());
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setFont(ArialFont(8));
  // The layout is drawn for black text on its light pictures, whatever the desktop's theme.
  QPalette grey = style()->standardPalette();
  grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  setPalette(grey);
  setAutoFillBackground(true);

  BuildFrame();
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    if (widgets_[i] != nullptr) widgets_[i]->setVisible(!HiddenInLayout(static_cast<Control>(i)));
  }
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

// Creation order is the stacking order, back to front.
void MainWindow::BuildFrame() {
  Image2 = File(Control::Image2, new QLabel(this));
  Image2->setGeometry(0, 0, kClientWidth, kClientHeight);
  Image2->setScaledContents(true);
  // Every column of the gradient is the same and it is as tall as the window, so widening it
  // without smoothing is exact; the first paint is spared a smooth scale of the whole window.
  Image2->setPixmap(
      Picture(kBackgroundPicture).scaled(kClientWidth, kClientHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation));

  Shape1 = File(Control::Shape1, new ShapeRect(this));
  Shape1->setGeometry(102, 60, 174, 198);

  Image1 = File(Control::Image1, new QLabel(this));
  Image1->setGeometry(115, 78, 145, 165);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(Picture(kLogoPicture));

  Label2 = MakeLabel(this, Control::Label2, {8, 414, 31, 13}, "Label2", TahomaFont(8), false, false);
  Label21 = MakeLabel(this, Control::Label21, {52, 20, 283, 30}, "Rodiduz setup wizard", OpenSansFont(16), true,
                      true);
  Label21->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  // The footer's place is ours to choose: under the box lines, across the left half.
  Label27 = MakeLabel(this, Control::Label27, {8, 432, 361, 14}, "Label27", ArialFont(8), true, false);
  Label27->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label19 = MakeLabel(this, Control::Label19, {8, 364, 361, 22}, "Signal Strength:", OpenSansFont(12), true, false);
  Label20 = MakeLabel(this, Control::Label20, {8, 336, 361, 22}, "Box Type:", OpenSansFont(12), true, false);
  Label18 = MakeLabel(this, Control::Label18, {8, 308, 361, 22}, "Box ID:", OpenSansFont(12), true, false);
  for (LayoutLabel* line : {Label19, Label20, Label18}) line->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  ListBox1 = File(Control::ListBox1, new QListWidget(this));
  ListBox1->setGeometry(88, 251, 74, 47);
  ListBox1->setFont(TahomaFont(8));

  Notebook1 = File(Control::Notebook1, new QStackedWidget(this));
  Notebook1->setGeometry(412, 8, 505, 436);
  Notebook1->setFont(OpenSansFont(8));
  Notebook1->setFrameShape(QFrame::NoFrame);
  const char* page_names[kNotebookPageCount] = {"Welcome", "Communicating", "Setup_", "Done_"};
  for (const char* name : page_names) {
    auto* page = new QWidget(Notebook1);
    page->setObjectName(QString::fromLatin1(name));
    Notebook1->addWidget(page);
  }
  BuildWelcomePage(Notebook1->widget(kPageWelcome));
  BuildCommunicatingPage(Notebook1->widget(kPageCommunicating));
  BuildSetupPage(Notebook1->widget(kPageSetup));
  BuildDonePage(Notebook1->widget(kPageDone));

  Panel2 = File(Control::Panel2, new QFrame(this));
  Panel2->setGeometry(375, 8, 3, 435);
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel2->setLineWidth(1);
  Panel2->setFont(TahomaFont(8));

  ListBox3 = File(Control::ListBox3, new QListWidget(this));
  ListBox3->setGeometry(8, 8, 113, 137);
  ListBox3->setFont(TahomaFont(8));

  BitBtn1 = File(Control::BitBtn1, new QPushButton(QStringLiteral("Test Next"), this));
  BitBtn1->setGeometry(294, 418, 75, 25);

  TrackBar1 = File(Control::TrackBar1, new QSlider(Qt::Horizontal, this));
  TrackBar1->setGeometry(138, 382, 150, 45);
  TrackBar1->setRange(0, 6);
  TrackBar1->setValue(0);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
}

void MainWindow::BuildWelcomePage(QWidget* page) {
  Label14 = MakeLabel(page, Control::Label14, {16, 27, 465, 70}, "Welcome to the Rodiduz Mobile Setup Wizard",
                      OpenSansFont(20, true), true, true);
  Label8 = MakeLabel(page, Control::Label8, {16, 120, 473, 64}, "The Wizard will take you through the following steps:",
                     OpenSansFont(16, true), true, true);
  Label26 = MakeLabel(page, Control::Label26, {16, 204, 328, 22}, "1.   Connect the Rodiduz to the computer",
                      OpenSansFont(12, true), false, false);
  Label28 = MakeLabel(page, Control::Label28, {16, 236, 299, 22}, "2.   Fill in SIM card/Connection details",
                      OpenSansFont(12, true), false, false);
  Label31 = MakeLabel(page, Control::Label31, {16, 268, 261, 22}, "3.   Return to Rodiduz WEB guide",
                      OpenSansFont(12, true), false, false);
  Label46 = MakeLabel(page, Control::Label46, {16, 320, 465, 71},
                      "If the operator has it's own network and the pin code is deactivated, the box might work "
                      "without running the setup wizard",
                      OpenSansFont(10, true), true, true);
  Button8 = MakeButton(page, Control::Button8, {386, 397, 97, 29}, "Start", OpenSansFont(12));
}

void MainWindow::BuildCommunicatingPage(QWidget* page) {
  const QFont step = OpenSansFont(12, true);
  Label9 = MakeLabel(page, Control::Label9, {16, 27, 473, 74}, "Connect Rodiduz to the computer",
                     OpenSansFont(20, true), false, true);
  Label24 = MakeLabel(page, Control::Label24, {16, 88, 4, 22}, "", OpenSansFont(12), false, false);
  Label33 = MakeLabel(page, Control::Label33, {16, 120, 481, 62}, "1.   Please connect Rodiduz to the computer",
                      OpenSansFont(16, true), true, true);
  Label34 = MakeLabel(page, Control::Label34, {52, 151, 211, 22}, "Searching for Rodiduz Box", step, false, false);
  Label32 = MakeLabel(page, Control::Label32, {52, 176, 325, 22}, "Please wait, this might take a moment...", step,
                      false, false);
  Label35 = MakeLabel(page, Control::Label35, {52, 179, 153, 22}, "Rodiduz Box found", step, false, false);
  Image3 = MakeCheckMark(page, Control::Image3, {421, 151, 68, 64});
  Label39 = MakeLabel(page, Control::Label39, {16, 230, 359, 28}, "2.   Waiting for Rodiduz to start up",
                      OpenSansFont(16, true), false, false);
  Label25 = MakeLabel(page, Control::Label25, {52, 260, 325, 22}, "Please wait, this might take a moment...", step,
                      false, false);
  Label40 = MakeLabel(page, Control::Label40, {52, 261, 129, 22}, "Rodiduz started", step, false, false);
  Image4 = MakeCheckMark(page, Control::Image4, {421, 230, 65, 73});
  Label42 = MakeLabel(page, Control::Label42, {16, 316, 351, 28}, "3.   Testing connection to network",
                      OpenSansFont(16, true), false, false);
  Label44 = MakeLabel(page, Control::Label44, {52, 350, 58, 22}, "Testing", step, false, false);
  Label13 = MakeLabel(page, Control::Label13, {52, 378, 146, 22}, "Connection tested", step, false, false);
  Image5 = MakeCheckMark(page, Control::Image5, {421, 320, 73, 72});
}

void MainWindow::BuildSetupPage(QWidget* page) {
  Label10 = MakeLabel(page, Control::Label10, {16, 27, 473, 50}, "Fill in SIM card details:", OpenSansFont(20, true),
                      true, true);
  Bevel1 = MakeBevel(page, Control::Bevel1, {16, 71, 464, 73});
  Label7 = MakeLabel(page, Control::Label7, {34, 85, 92, 18}, "Enter PIN code:", OpenSansFont(10), false, false);
  MaskEdit1 = File(Control::MaskEdit1, new PinEdit(page));
  MaskEdit1->setGeometry(34, 104, 57, 26);
  MaskEdit1->setFont(OpenSansFont(10));
  MaskEdit1->setToolTip(QStringLiteral("If no PIN code provided - leave this field blank"));
  Label30 = MakeLabel(page, Control::Label30, {272, 85, 60, 18}, "PUK code:", OpenSansFont(10), false, false);
  Edit4 = MakeEdit(page, Control::Edit4, {272, 104, 137, 30}, OpenSansFont(12));
  Bevel2 = MakeBevel(page, Control::Bevel2, {16, 154, 464, 231});
  Label3 = MakeLabel(page, Control::Label3, {34, 165, 431, 22}, "Select operator from list:", OpenSansFont(12, true),
                     true, false);
  ComboBox1 = File(Control::ComboBox1, new QComboBox(page));
  ComboBox1->setGeometry(34, 186, 431, 26);
  ComboBox1->setFont(OpenSansFont(10));
  ComboBox1->setEditable(false);
  ComboBox1->setMaxVisibleItems(16);
  operators_ = new OperatorListModel(ComboBox1);
  CheckBox1 = File(Control::CheckBox1, new QCheckBox(QStringLiteral("Show all operators"), page));
  CheckBox1->setGeometry(34, 215, 137, 17);
  CheckBox1->setFont(OpenSansFont(8));
  Label1 = MakeLabel(page, Control::Label1, {34, 251, 439, 44}, "Or manually enter settings provided by operator:",
                     OpenSansFont(12, true), true, true);
  Label4 = MakeLabel(page, Control::Label4, {34, 277, 66, 18}, "APN name:", OpenSansFont(10), false, false);
  Edit1 = MakeEdit(page, Control::Edit1, {34, 297, 191, 26}, OpenSansFont(10));
  Edit1->setToolTip(QString::fromLatin1(kEdit1Hint));
  Label5 = MakeLabel(page, Control::Label5, {272, 277, 93, 18}, "APN Username:", OpenSansFont(10), false, false);
  Edit2 = MakeEdit(page, Control::Edit2, {272, 297, 185, 26}, OpenSansFont(10));
  Edit2->setToolTip(QStringLiteral("APN username from operator - normally blank"));
  CheckBox2 = File(Control::CheckBox2, new QCheckBox(QStringLiteral("APN Username/Password provided"), page));
  CheckBox2->setGeometry(34, 325, 232, 24);
  CheckBox2->setFont(OpenSansFont(8));
  Label6 = MakeLabel(page, Control::Label6, {272, 327, 90, 18}, "APN Password:", OpenSansFont(10), false, false);
  Edit3 = MakeEdit(page, Control::Edit3, {272, 347, 185, 26}, OpenSansFont(10));
  Edit3->setToolTip(QStringLiteral("APN password from Operator - normally blank"));
  Button7 = MakeButton(page, Control::Button7, {384, 396, 97, 29}, "Next", OpenSansFont(12));
}

void MainWindow::BuildDonePage(QWidget* page) {
  const QFont line = OpenSansFont(16, true);
  Label11 = MakeLabel(page, Control::Label11, {15, 27, 474, 110},
                      "Congratulations, your Rodiduz is now connected to the internet", OpenSansFont(20, true), true,
                      true);
  Label12 = MakeLabel(page, Control::Label12, {15, 117, 393, 28}, "1.   Now move the USB cable from the ", line, false,
                      true);
  s = MakeLabel(page, Control::s, {49, 151, 407, 28}, "computer to the power supply/adaptor", line, false, false);
  Label17 = MakeLabel(page, Control::Label17, {49, 183, 298, 28}, "to start transmission of data", line, false, false);
  Label16 = MakeLabel(page, Control::Label16, {15, 223, 399, 28}, "2.   Click on the 'Copy Link' button and ", line,
                      false, true);
  Label23 = MakeLabel(page, Control::Label23, {49, 253, 383, 28}, "paste the link into your web-browser", line, false,
                      false);
  Label29 = File(Control::Label29, new ClickLabel(page, false, false));
  Label29->setGeometry(49, 296, 246, 22);
  Label29->setFont(OpenSansFont(12));
  QPalette blue = Label29->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label29->setPalette(blue);
  Label29->setCursor(Qt::PointingHandCursor);
  Label29->SetCaption(QStringLiteral("http://www.rodiduz.com/id/00000000"));
  Image6 = MakeCheckMark(page, Control::Image6, {376, 280, 105, 105});
  Button1 = MakeButton(page, Control::Button1, {49, 332, 97, 29}, "Copy Link", OpenSansFont(12));
  Label22 = MakeLabel(page, Control::Label22, {15, 366, 257, 22}, "4) Press here to restart the wizard",
                      OpenSansFont(12), false, false);
  Button2 = MakeButton(page, Control::Button2, {15, 394, 116, 25}, "Restart", OpenSansFont(12));
  Button3 = MakeButton(page, Control::Button3, {384, 396, 97, 29}, "Exit", OpenSansFont(12));
}

LayoutLabel* MainWindow::MakeLabel(QWidget* parent, Control name, QRect box, const char* text, const QFont& font,
                                   bool fixed, bool wraps) {
  auto* label = File(name, new LayoutLabel(parent, fixed, wraps));
  label->setGeometry(box);
  label->setFont(font);
  QPalette black = label->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(black);
  label->SetCaption(QString::fromUtf8(text));
  return label;
}

QLabel* MainWindow::MakeCheckMark(QWidget* parent, Control name, QRect box) {
  auto* picture = File(name, new QLabel(parent));
  picture->setGeometry(box);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture->setPixmap(Picture(kCheckMarkPicture));
  return picture;
}

QPushButton* MainWindow::MakeButton(QWidget* parent, Control name, QRect box, const char* text, const QFont& font) {
  auto* button = File(name, new QPushButton(QString::fromUtf8(text), parent));
  button->setGeometry(box);
  button->setFont(font);
  // Return and Enter press the focused button, as Space does.
  button->setAutoDefault(true);
  return button;
}

QLineEdit* MainWindow::MakeEdit(QWidget* parent, Control name, QRect box, const QFont& font) {
  auto* edit = File(name, new QLineEdit(parent));
  edit->setGeometry(box);
  edit->setFont(font);
  // Any text of any length; what is sent is decided when the settings are submitted.
  edit->setMaxLength(32767);
  return edit;
}

QFrame* MainWindow::MakeBevel(QWidget* parent, Control name, QRect box) {
  auto* bevel = File(name, new QFrame(parent));
  bevel->setGeometry(box);
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  // A frame only: it must not take the clicks meant for the controls it surrounds.
  bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
  bevel->lower();
  return bevel;
}

void MainWindow::SetTabOrder() {
  // The link comes before Copy Link, as it stands above it.
  const QWidget* order[] = {ListBox1, ListBox3, Button8, MaskEdit1, Edit4,   ComboBox1, CheckBox1, Edit1,     CheckBox2,
                            Edit2,    Edit3,    Button7, Label29,   Button1, Button2,   Button3,   BitBtn1, TrackBar1};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
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
  Edit1->setAccessibleDescription(QString::fromLatin1(kEdit1Hint));
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
  if (QWidget* widget = Widget(control)) widget->setEnabled(enabled);
}
bool MainWindow::IsEnabled(Control control) const {
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

void MainWindow::CopyToClipboard(const NativeString& text) { QGuiApplication::clipboard()->setText(ToQt(text)); }

int MainWindow::OpenWithShell(const NativeString& text) {
  // Above 32 is the shell's success; 2 is what it gives for a target it cannot find.
  constexpr int kOpened = 33;
  constexpr int kNotFound = 2;
  const QUrl target = QUrl::fromUserInput(ToQt(text));
  if (!target.isValid() || target.isEmpty()) return kNotFound;
  return QDesktopServices::openUrl(target) ? kOpened : kNotFound;
}

void MainWindow::ShowPlainMessage(const NativeString& text) {
  QMessageBox::information(this, QApplication::applicationDisplayName(), ToQt(text));
}

void MainWindow::CloseWindow() { close(); }

void MainWindow::AddDebugItem(Control list_box, const NativeString& text) {
  const QString line = ToQt(text);
  if (QThread::currentThread() == thread()) {
    AddDebugItemHere(list_box, line);
  } else {
    // Queued to the window's thread; dropped if the window is gone by then.
    QMetaObject::invokeMethod(this, [this, list_box, line] { AddDebugItemHere(list_box, line); },
                              Qt::QueuedConnection);
  }
}

void MainWindow::AddDebugItemHere(Control list_box, const QString& text) {
  if (list_box == Control::ListBox1) {
    ListBox1->addItem(text);
  } else if (list_box == Control::ListBox3) {
    while (ListBox3->count() >= kDebugListLimit) delete ListBox3->takeItem(0);
    ListBox3->addItem(text);
    ListBox3->setCurrentRow(ListBox3->count() - 1);
  }
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
  const QString failure = SaveLog();
  if (failure.isEmpty() || LeaveWithoutLog(failure)) {
    event->accept();
    closed_ = true;
    // The program ends with its main window; the message window goes with it.
    message_form_->hide();
  } else {
    // The window stays open and the log stays in memory for the next try.
    event->ignore();
  }
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
  if (ending_session_) {
    PrintError(failure);
    return true;
  }
  ShowErrorDisplay(failure);
  return AskToCloseWithoutLog(this);
}

void MainWindow::EndSession() {
  ending_session_ = true;
  // Inside a close that is showing a failed save, close() does nothing: the save is tried here.
  if (!closed_ && !close()) {
    const QString failure = SaveLog();
    if (!failure.isEmpty()) PrintError(failure);
  }
  QApplication::quit();
}

void MainWindow::SaveLogForSession() {
  const QString failure = SaveLog();
  if (!failure.isEmpty()) PrintError(failure);
}
