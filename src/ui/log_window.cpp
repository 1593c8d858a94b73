// The "Wizard log" window: the log so far, growing while the wizard runs, to read, select, copy
// and save, and where the log is saved; built from its rows of the layout table.
#include "ui/log_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QTextCursor>
#include <string_view>

#include "ui/layout_builder.h"

LogWindow::LogWindow(QWidget* owner, Wizard& wizard) : QWidget(owner, Qt::Window), wizard_(wizard), owner_(owner) {
  ApplyWindowLayout(this, LayoutWindow::LogForm);
  // A secondary window: it must not keep the program alive once the main window is closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Black text on the light face of a dialog, whatever the desktop's theme.
  QPalette face = LightPalette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  SetAccessibleRole(this, QAccessible::Window);

  BuildFromLayout(this, LayoutWindow::LogForm,
                  [this](const ComponentLayout& row, QWidget* widget) { Bind(row, widget); });
  SetTabOrderAndNames();
  // Return and Enter press the focused button, as Space does.
  for (QPushButton* button : {CopyAll, SaveAs, Close}) button->setAutoDefault(true);
  connect(CopyAll, &QPushButton::clicked, this, [this] { wizard_.CopyWholeLog(); });
  connect(SaveAs, &QPushButton::clicked, this, [this] { wizard_.SaveLogAs(); });
  connect(Close, &QPushButton::clicked, this, [this] { close(); });
  new FocusRing(this);
}

void LogWindow::Bind(const ComponentLayout& row, QWidget* widget) {
  const std::string_view name = row.name;
  if (name == kLogNoteName) Note = dynamic_cast<LayoutLabel*>(widget);
  if (name == kLogTextName) Text = dynamic_cast<QPlainTextEdit*>(widget);
  if (name == kLogPlaceName) Place = dynamic_cast<LayoutLabel*>(widget);
  if (name == kLogCopyAllName) CopyAll = dynamic_cast<QPushButton*>(widget);
  if (name == kLogSaveAsName) SaveAs = dynamic_cast<QPushButton*>(widget);
  if (name == kLogCloseName) Close = dynamic_cast<QPushButton*>(widget);
}

// The buttons are named by their captions; the text by the caption before it, as on Windows.
void LogWindow::SetTabOrderAndNames() {
  const std::vector<const ComponentLayout*> chain = TabChain(LayoutWindow::LogForm);
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QWidget::setTabOrder(findChild<QWidget*>(QString::fromLatin1(chain[i - 1]->name)),
                         findChild<QWidget*>(QString::fromLatin1(chain[i]->name)));
  }
  QString caption = QString::fromUtf8(CaptionOf(*FindLayout(LayoutWindow::LogForm, kLogTextName))->text);
  if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
  Text->setAccessibleName(caption);
  Text->setAccessibleDescription(
      QString::fromUtf8(N_("The wizard's log, newest line last; read-only, to select and copy")));
}

void LogWindow::ShowWithPlace(const QString& place) {
  Place->SetCaption(place);
  const bool opening = isHidden();
  if (!placed_) {
    placed_ = true;
    CentreOverOwner();
  }
  show();
  raise();
  activateWindow();
  TakeLines();
  if (opening) {
    // The newest line in sight, and the keyboard in the text, ready to select.
    Text->moveCursor(QTextCursor::End);
    Text->setFocus(Qt::OtherFocusReason);
  }
}

void LogWindow::TakeLines() {
  const LogWindowFeed::Batch batch = wizard_.Log().window_feed.Take();
  RemoveOldestLines(batch.remove_oldest);
  AppendLines(batch.add);
  Note->SetCaption(QString::fromStdU16String(batch.note));
  Note->setVisible(!batch.note.empty());
}

void LogWindow::RemoveOldestLines(std::size_t count) {
  if (count == 0) return;
  QTextCursor oldest(Text->document());
  oldest.movePosition(QTextCursor::Start);
  // Every line when the text holds no more than that.
  if (!oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(count))) {
    oldest.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  }
  oldest.removeSelectedText();
}

// One paragraph for each line; the text keeps the user's selection, and follows the newest line
// while it is scrolled to the end.
void LogWindow::AppendLines(const std::vector<NativeString>& lines) {
  if (lines.empty()) return;
  QString joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += QLatin1Char('\n');
    joined += QString::fromStdU16String(lines[i]);
  }
  Text->appendPlainText(joined);
}

void LogWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void LogWindow::closeEvent(QCloseEvent* event) {
  // Closed, it takes no lines; reopened, it takes what came meanwhile.
  wizard_.Log().window_feed.Close();
  QWidget::closeEvent(event);
}

void LogWindow::CentreOverOwner() {
  QRect area;
  if (owner_ != nullptr && owner_->isVisible()) {
    area = owner_->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}
