// MessageWindow: the small window over the wizard with a message and a Close button.
#include "ui/message_window.h"

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

MessageWindow::MessageWindow(QWidget* over, const MessageCatalogue& texts)
    // Above the wizard it belongs to only (owned by it), not above every other program.
    : QWidget(over, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      over_(over) {
  ApplyWindowLayout(this, LayoutWindow::MessageWindow, texts);
  setWindowModality(Qt::NonModal);
  // A secondary window: it must not keep the program alive once the main window is closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Black text on the light picture, whatever the desktop's theme.
  QPalette face = LightPalette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  SetAccessibleRole(this, QAccessible::Dialog);

  BuildFromLayout(this, LayoutWindow::MessageWindow, texts, [this](const ComponentLayout& row, QWidget* widget) {
    const std::string_view name = row.name;
    if (name == "Image2") background = dynamic_cast<QLabel*>(widget);
    if (name == "Label1") text = dynamic_cast<QLabel*>(widget);
    if (name == "Button1") close_button = dynamic_cast<QPushButton*>(widget);
    flow_.Add(row, widget);
  });
  connect(close_button, &QPushButton::clicked, this, [this] { OnClose(); });
  new FocusRing(this);
}

void MessageWindow::ShowInfo(const NativeString& message, bool with_close) {
  close_button->setVisible(with_close);
  FitText(message);
  if (!placed_) {
    placed_ = true;
    CentreOverOwner();
  }
  show();
  raise();
  activateWindow();
  // With Close shown, Return or Space answers the message at once.
  if (with_close) close_button->setFocus(Qt::OtherFocusReason);
  AnnounceToScreenReader(this);
}

void MessageWindow::SetText(const NativeString& message) { FitText(message); }

void MessageWindow::FitText(const NativeString& message) {
  text->setText(ToQt(message));
  flow_.GrowForShownTexts(this, LayoutWindow::MessageWindow);
}

void MessageWindow::OnClose() { close(); }

void MessageWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    // Close is the default and the cancel button, but only while it can be seen.
    if (!close_button->isHidden()) close_button->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MessageWindow::CentreOverOwner() {
  QRect area;
  if (over_ != nullptr && over_->isVisible()) {
    area = over_->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}
