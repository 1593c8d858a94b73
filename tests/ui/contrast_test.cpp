// Every text of the Qt windows against what it stands on, measured from rendered pixels: each
// page of the main window with every component it can show, the message window, the log window
// and the question after a failed save; under the default palette and under a dark desktop
// theme, whose colours for each kind of widget would win over the window's unless it sets its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "rendered_pixels.h"
#include "ui/error_display.h"
#include "window_fixture.h"

namespace {

// The widget's text taken away for a rendering, and given back.
std::function<void()> TakeTextAway(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QString text = label->text();
    label->setText(QString());
    return [label, text] { label->setText(text); };
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    const QString text = button->text();
    button->setText(QString());
    return [button, text] { button->setText(text); };
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    const QString text = edit->text();
    edit->setText(QString());
    return [edit, text] { edit->setText(text); };
  }
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    const int index = list->currentIndex();
    list->setCurrentIndex(-1);
    return [list, index] { list->setCurrentIndex(index); };
  }
  auto* memo = qobject_cast<QPlainTextEdit*>(widget);
  const QString text = memo->toPlainText();
  memo->setPlainText(QString());
  return [memo, text] { memo->setPlainText(text); };
}

bool ShowsText(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->pixmap().isNull() && !label->text().isEmpty();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return !button->text().isEmpty();
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return !edit->text().isEmpty();
  if (const auto* list = qobject_cast<const QComboBox*>(widget)) return !list->currentText().isEmpty();
  if (const auto* memo = qobject_cast<const QPlainTextEdit*>(widget)) return !memo->toPlainText().isEmpty();
  return false;
}

double Required(const QWidget* widget) {
  const QFont& font = widget->font();
  const int pixels = font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * 96 / 72);
  return RequiredContrast({FontFace::OpenSans, qRound(pixels * 72.0 / 96), font.bold(), 0});
}

std::vector<QWidget*> ShownTexts(QWidget* window) {
  std::vector<QWidget*> texts;
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    if (widget->window() == window && widget->isVisibleTo(window) && ShowsText(widget)) texts.push_back(widget);
  }
  return texts;
}

// Each shown text of `window` rendered with and without its text, the other texts that share its
// place hidden meanwhile; a failure names the text, its colour and the worst background pixel.
void ExpectReadable(QWidget* window, const std::string& what) {
  const std::vector<QWidget*> texts = ShownTexts(window);
  ASSERT_FALSE(texts.empty()) << what;
  for (QWidget* text : texts) {
    const QRect place(text->mapTo(window, QPoint(0, 0)), text->size());
    std::vector<QWidget*> hidden;
    for (QWidget* other : texts) {
      if (other != text && QRect(other->mapTo(window, QPoint(0, 0)), other->size()).intersects(place)) {
        other->hide();
        hidden.push_back(other);
      }
    }
    const Pixels with_text = ToPixels(window->grab(place).toImage());
    const std::function<void()> give_back = TakeTextAway(text);
    const Pixels without_text = ToPixels(window->grab(place).toImage());
    give_back();
    for (QWidget* other : hidden) other->show();
    const std::optional<MeasuredText> measured = MeasureText(with_text, without_text);
    ASSERT_TRUE(measured.has_value()) << what << ": " << text->objectName().toStdString() << " shows nothing";
    EXPECT_GE(measured->contrast, Required(text))
        << what << ": " << text->objectName().toStdString() << " (" << text->metaObject()->className() << "), text #"
        << std::hex << measured->colour << " on #" << measured->worst_background;
  }
}

struct Desktop {
  const char* name;
  bool dark;
};

// A dark theme as a platform theme gives it: for the application and for each kind of widget.
QPalette DarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
  dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
  dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
  dark.setColor(QPalette::Text, QColor(0xdd, 0xdd, 0xdd));
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
  dark.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  return dark;
}

constexpr const char* kThemedKinds[] = {"QAbstractButton", "QCheckBox", "QLineEdit", "QComboBox", "QAbstractItemView",
                                        "QLabel", "QTextEdit", "QTextControl", "QMessageBoxLabel"};

class ContrastTest : public WindowTest, public testing::WithParamInterface<Desktop> {
 protected:
  void SetUp() override {
    desktop_ = QApplication::palette();
    if (!GetParam().dark) return;
    QApplication::setPalette(DarkPalette());
    for (const char* kind : kThemedKinds) QApplication::setPalette(DarkPalette(), kind);
  }
  void TearDown() override {
    WindowTest::TearDown();
    QApplication::setPalette(desktop_);
    for (const char* kind : kThemedKinds) QApplication::setPalette(desktop_, kind);
  }

  // Every component of the page that the wizard can show, with texts in its fields.
  void ShowWholePage(int page) {
    window().ShowPage(page);
    for (const ComponentLayout& row : WindowLayout()) {
      const ComponentLayout* parent = FindLayout(LayoutWindow::Main, row.parent);
      if (row.window == LayoutWindow::Main && parent != nullptr && parent->kind == ComponentKind::Page &&
          row.control != Control::Count) {
        window().SetVisible(row.control, true);
      }
    }
    window().SetCaption(Control::StatusLine, u"Can't connect to the box");
    window().SetText(Control::PinField, u"1234");
    window().SetText(Control::PukField, u"12345678");
    window().SetText(Control::ApnField, u"online.telia.se");
    window().SetText(Control::UserField, u"user");
    window().SetText(Control::PasswordField, u"secret");
    window().AddOperator(u"Telia (SE)", nullptr);
    window().SelectOperator(0);
  }

  QPalette desktop_;
};

TEST_P(ContrastTest, EveryPageOfTheMainWindow) {
  MakeWindow();
  for (int page = kPageWelcome; page <= kPageDone; ++page) {
    SCOPED_TRACE(page);
    ShowWholePage(page);
    ExpectReadable(&window(), "page " + std::to_string(page));
  }
}

TEST_P(ContrastTest, TheMessageAndTheLogWindows) {
  MakeWindow();
  window().ShowInfo(u"Connection failed. Please check operator/APN settings and try again", true);
  ExpectReadable(&window().Messages(), "message window");
  core().Log().Line("[Tx]  [GPRSSET APN:online.telia.se]");
  core().OpenLogWindow();
  ExpectReadable(&window().LogForm(), "log window");
}

TEST_P(ContrastTest, TheQuestionAfterAFailedSave) {
  MakeWindow();
  bool measured = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || measured) return;
    measured = true;
    ExpectReadable(box, "question");
    box->button(QMessageBox::No)->click();
  });
  poll.start(10);
  EXPECT_FALSE(AskToCloseWithoutLog(&window()));
  EXPECT_TRUE(measured);
}

INSTANTIATE_TEST_SUITE_P(Desktops, ContrastTest, testing::Values(Desktop{"light", false}, Desktop{"dark", true}),
                         [](const testing::TestParamInfo<Desktop>& info) { return std::string(info.param.name); });

}  // namespace
