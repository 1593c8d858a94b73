// TMessageForm: the small stay-on-top window with a message, a Close button and dots.
#include "ui/message_form_unit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <string_view>

#include "ui/layout_builder.h"
#include "ui/widgets.h"

namespace {
QString ToQt(const NativeString& text) { return QString::fromStdU16String(text); }
}  // namespace

TMessageForm::TMessageForm(QWidget* over)
    : QWidget(over, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint),
      over_(over) {
  ApplyWindowLayout(this, LayoutWindow::MessageForm);
  setWindowModality(Qt::NonModal);
  // A secondary window: it must not keep the program alive once the main window is closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Black text on the light picture, whatever the desktop's theme.
  QPalette face = style()->standardPalette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);

  BuildFromLayout(this, LayoutWindow::MessageForm, [this](const ComponentLayout& row, QWidget* widget) {
    const std::string_view name = row.name;
    if (name == "Image2") Image2 = dynamic_cast<QLabel*>(widget);
    if (name == "Label1") Label1 = dynamic_cast<QLabel*>(widget);
    if (name == "Button1") Button1 = dynamic_cast<QPushButton*>(widget);
  });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  new FocusRing(this);

  Timer1.setInterval(330);
  connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TMessageForm::ShowInfo(const NativeString& text, bool close_button, bool dots) {
  Label1->setText(ToQt(text));
  Button1->setVisible(close_button);
  if (!placed_) {
    placed_ = true;
    CentreOverOwner();
  }
  show();
  raise();
  activateWindow();
  // With Close shown, Return or Space answers the message at once.
  if (close_button) Button1->setFocus(Qt::OtherFocusReason);
  AnnounceToScreenReader(this);
  InfoText = text;
  DotCount = 0;
  if (dots) {
    Timer1.start();
  } else {
    Timer1.stop();
  }
}

void TMessageForm::Button1Click() { close(); }

void TMessageForm::Timer1Timer() {
  ++DotCount;
  if (DotCount > 3) DotCount = 0;
  Label1->setText(ToQt(InfoText + NativeString(static_cast<std::size_t>(DotCount), u'.')));
}

void TMessageForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    // Close is the default and the cancel button, but only while it can be seen.
    if (!Button1->isHidden()) Button1->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TMessageForm::CentreOverOwner() {
  QRect area;
  if (over_ != nullptr && over_->isVisible()) {
    area = over_->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}
