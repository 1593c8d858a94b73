// The wizard done with the keyboard alone, and named and announced for screen readers.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QImage>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <utility>
#include <vector>

#include "support/pseudo_locale.h"
#include "ui/widgets.h"
#include "url_recorder.h"
#include "window_fixture.h"

namespace {

// Every announcement made while it lives, as (widget, event type).
class AccessibilityEvents {
 public:
  AccessibilityEvents() {
    seen_ = &seen;
    previous_ = SetAccessibilityDispatch([](QAccessibleEvent* event) {
      if (seen_ != nullptr) seen_->emplace_back(event->object(), event->type());
    });
  }
  ~AccessibilityEvents() {
    SetAccessibilityDispatch(previous_);
    seen_ = nullptr;
  }
  bool Saw(const QObject* object, QAccessible::Event type) const {
    for (const auto& [source, kind] : seen) {
      if (source == object && kind == type) return true;
    }
    return false;
  }
  std::vector<std::pair<QObject*, QAccessible::Event>> seen;

 private:
  static inline std::vector<std::pair<QObject*, QAccessible::Event>>* seen_ = nullptr;
  AccessibilityDispatch previous_ = nullptr;
};

QString AccessibleText(QWidget* widget, QAccessible::Text which) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face == nullptr ? QString() : face->text(which);
}

TEST_F(WindowTest, ReturnAndEnterPressTheFocusedButton) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  const std::pair<QPushButton*, int> buttons[] = {
      {window().Get<QPushButton>(Control::Start), kPageWelcome}, {window().Get<QPushButton>(Control::Next), kPageSetup}, {window().Get<QPushButton>(Control::CopyLink), kPageDone}};
  for (const auto& [button, page] : buttons) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
      SCOPED_TRACE(button->objectName().toStdString() + (key == Qt::Key_Return ? " Return" : " Enter"));
      window().ShowPage(page);
      button->setFocus();
      QSignalSpy clicked(button, &QPushButton::clicked);
      QTest::keyClick(button, key);
      EXPECT_EQ(clicked.count(), 1);
    }
  }
  // Exit, last: Return closes the window.
  window().ShowPage(kPageDone);
  window().Get<QPushButton>(Control::Exit)->setFocus();
  QTest::keyClick(window().Get<QPushButton>(Control::Exit), Qt::Key_Return);
  EXPECT_TRUE(window().isHidden());
}

TEST_F(WindowTest, TheLinkIsReachedByTabAndOpensWithReturnOrSpace) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "Open");
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowPage(kPageDone);
  window().Get<QPushButton>(Control::Exit)->setFocus();
  QTest::keyClick(window().Get<QPushButton>(Control::Exit), Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), window().Get<QPushButton>(Control::CopyLink));
  QTest::keyClick(window().Get<QPushButton>(Control::CopyLink), Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), window().Get<ClickLabel>(Control::BoxLink));
  QTest::keyClick(window().Get<ClickLabel>(Control::BoxLink), Qt::Key_Return);
  QTest::keyClick(window().Get<ClickLabel>(Control::BoxLink), Qt::Key_Space);
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  EXPECT_EQ(recorder.opened.size(), 2);
}

TEST_F(WindowTest, EveryControlThatTakesTheFocusHasAnAccessibleName) {
  MakeWindow();
  for (int i = 0; i < static_cast<int>(Control::Count); ++i) {
    QWidget* widget = window().Widget(static_cast<Control>(i));
    if (widget == nullptr || !(widget->focusPolicy() & Qt::TabFocus)) continue;
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_FALSE(AccessibleText(widget, QAccessible::Name).isEmpty());
  }
  EXPECT_EQ(AccessibleText(window().Get<QLineEdit>(Control::ApnField), QAccessible::Name), QStringLiteral("APN name"));
  EXPECT_FALSE(AccessibleText(window().Get<PinEdit>(Control::PinField), QAccessible::Description).isEmpty());
  EXPECT_FALSE(AccessibleText(window().Get<QLineEdit>(Control::PukField), QAccessible::Description).isEmpty());
  EXPECT_EQ(AccessibleText(window().Messages().close_button, QAccessible::Name), QStringLiteral("Close"));
  LogWindow& log = window().LogForm();
  for (QWidget* widget : log.findChildren<QWidget*>()) {
    if (!(widget->focusPolicy() & Qt::TabFocus) ||
        FindLayout(LayoutWindow::LogForm, widget->objectName().toStdString()) == nullptr)
      continue;
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_FALSE(AccessibleText(widget, QAccessible::Name).isEmpty());
  }
  EXPECT_EQ(AccessibleText(log.Text, QAccessible::Name), QStringLiteral("Log so far"));
  EXPECT_EQ(AccessibleText(log.SaveAs, QAccessible::Name), QStringLiteral("Save as..."));
}

// Ctrl+L opens the log window with the keyboard in its text; Tab visits the text and its
// buttons in turn, a button answers Space, Esc closes the window, and Ctrl+L in the main window
// brings the open one to the front.
TEST_F(WindowTest, TheLogWindowIsOpenedWorkedAndClosedWithTheKeyboard) {
  MakeWindow();
  window().show();
  window().activateWindow();
  ASSERT_TRUE(WaitUntilActive(window()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier);
  LogWindow& log = window().LogForm();
  ASSERT_TRUE(WaitUntilActive(log));
  EXPECT_EQ(QApplication::focusWidget(), log.Text);
  std::vector<QWidget*> visited;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, (std::vector<QWidget*>{log.CopyAll, log.SaveAs, log.Close, log.Text}));
  log.CopyAll->setFocus();
  QApplication::clipboard()->clear();
  QTest::keyClick(log.CopyAll, Qt::Key_Space);
  EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("Program Version")));
  QTest::keyClick(log.CopyAll, Qt::Key_Escape);
  EXPECT_TRUE(log.isHidden());

  window().activateWindow();
  ASSERT_TRUE(WaitUntilActive(window()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier);
  ASSERT_TRUE(WaitUntilActive(log));
  window().activateWindow();
  ASSERT_TRUE(WaitUntilActive(window()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(WaitUntilActive(log)) << "not brought to the front";
  // Return on the focused Close closes it too.
  log.Close->setFocus();
  QTest::keyClick(log.Close, Qt::Key_Return);
  EXPECT_TRUE(log.isHidden());
}

// The status line, the ladder's newest step and the message window are read out as they change.
TEST_F(WindowTest, ProgressAndMessagesAreAnnounced) {
  MakeWindow();
  AccessibilityEvents events;
  core().Presenter().ShowLadderLevel(2);
  EXPECT_TRUE(events.Saw(window().Get<LayoutLabel>(Control::LadderFound), QAccessible::Alert));
  window().SetCaption(Control::StatusLine, u"Can't connect to the box");
  window().Announce(Control::StatusLine);
  EXPECT_TRUE(events.Saw(window().Get<LayoutLabel>(Control::StatusLine), QAccessible::NameChanged));
  EXPECT_TRUE(events.Saw(window().Get<LayoutLabel>(Control::StatusLine), QAccessible::Alert));
  window().ShowInfo(u"Wrong PIN code", true);
  EXPECT_TRUE(events.Saw(&window().Messages(), QAccessible::Alert));
}

TEST_F(WindowTest, TheMessageWindowsCloseTakesTheFocusWhenShown) {
  MakeWindow();
  window().show();
  MessageWindow& message = window().Messages();
  window().ShowInfo(u"Wrong PIN code", true);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&message));
  EXPECT_EQ(message.focusWidget(), message.close_button);
  QTest::keyClick(message.close_button, Qt::Key_Space);
  EXPECT_TRUE(message.isHidden());
}

// A 2-px black frame inside a 2-px white one around the focused control: against any
// background one of the two has a contrast of more than 4.5:1.
TEST_F(WindowTest, TheFocusedControlIsFramedPlainly) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowPage(kPageSetup);
  auto* ring = window().findChild<QWidget*>(QStringLiteral("FocusRing"), Qt::FindDirectChildrenOnly);
  ASSERT_NE(ring, nullptr);
  for (QWidget* control : std::initializer_list<QWidget*>{window().Get<QComboBox>(Control::OperatorList), window().Get<PinEdit>(Control::PinField), window().Get<QPushButton>(Control::Next)}) {
    SCOPED_TRACE(control->objectName().toStdString());
    control->setFocus();
    ASSERT_TRUE(WaitFor([&] { return ring->isVisible(); }));
    const QRect box(control->mapTo(&window(), QPoint(0, 0)), control->size());
    EXPECT_EQ(ring->geometry(), box.adjusted(-4, -4, 4, 4));
    const QImage shot = window().grab().toImage();
    const int middle = box.center().y();
    for (int dx : {1, 2}) {
      EXPECT_EQ(shot.pixelColor(box.left() - dx, middle), QColor(Qt::black)) << dx;
      EXPECT_EQ(shot.pixelColor(box.left() - 2 - dx, middle), QColor(Qt::white)) << dx;
    }
  }
  window().Get<QPushButton>(Control::Next)->setFocus();
  window().ShowPage(kPageWelcome);  // the focused control goes out of sight with its page
  EXPECT_TRUE(WaitFor([&] { return !ring->isVisible() || QApplication::focusWidget() != window().Get<QPushButton>(Control::Next); }));
}

}  // namespace

namespace {

// Alt with a letter is an access key: a field with the focus takes no character from it, and
// a plain letter still types.
TEST_F(WindowTest, AltWithALetterNeverTypesIntoAField) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowPage(kPageSetup);
  for (Control field : {Control::ApnField, Control::PinField}) {
    SCOPED_TRACE(ControlName(field));
    window().SetText(field, u"");
    window().Widget(field)->setFocus();
    QTest::keyClick(window().Widget(field), Qt::Key_Y, Qt::AltModifier);
    QTest::keyClick(window().Widget(field), Qt::Key_7, Qt::AltModifier);
    EXPECT_EQ(QString::fromStdU16String(window().Text(field)).trimmed(), QString());
    QTest::keyClick(window().Widget(field), Qt::Key_7);
    EXPECT_EQ(QString::fromStdU16String(window().Text(field)).trimmed(), QStringLiteral("7"));
  }
}

// The page that searches for the box has no control: whatever holds the focus then, no frame
// is drawn around the page or the window.
TEST_F(WindowTest, NoFocusFrameWhileNoControlHasTheFocus) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  QWidget* ring = window().findChild<QWidget*>(QStringLiteral("FocusRing"));
  ASSERT_NE(ring, nullptr);
  window().Widget(Control::Start)->setFocus();
  ASSERT_TRUE(WaitFor([&] { return ring->isVisible(); }));
  window().ShowPage(kPageCommunicating);
  for (QWidget* holder : {window().Widget(Control::Pages), static_cast<QWidget*>(&window())}) {
    holder->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(ring->isVisible()) << holder->objectName().toStdString();
  }
}

// Every part of the window's accessible tree below `face`, shown or not.
void CollectParts(QAccessibleInterface* face, std::vector<QAccessibleInterface*>& parts) {
  for (int i = 0; i < face->childCount(); ++i) {
    QAccessibleInterface* child = face->child(i);
    if (child == nullptr) continue;
    parts.push_back(child);
    CollectParts(child, parts);
  }
}

// Screen readers find the main window as a frame named by its title, each page as a grouping
// named by its headline, each picture named for what it shows or left out as decoration, and
// no unnamed pane anywhere.
TEST_F(WindowTest, ScreenReadersSeeANamedFrameNamedPagesAndNamedOrDecorativePictures) {
  MakeWindow();
  window().ShowPage(kPageDone);
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&window());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->role(), QAccessible::Window);
  EXPECT_EQ(frame->text(QAccessible::Name), QStringLiteral("Rodiduz Box Setup Wizard"));
  const struct {
    Control picture;
    const char* name;  // empty: decoration
  } rows[] = {{Control::Logo, "Rodiduz Box logo"}, {Control::DoneCheck, "Done"}, {Control::Background, ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(ControlName(row.picture));
    QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(window().Widget(row.picture));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->role(), QAccessible::Graphic);
    EXPECT_EQ(picture->text(QAccessible::Name), QString::fromUtf8(row.name));
    EXPECT_EQ(picture->state().invisible, *row.name == '\0');
  }
  std::vector<QAccessibleInterface*> parts;
  CollectParts(frame, parts);
  int pages = 0;
  for (QAccessibleInterface* part : parts) {
    SCOPED_TRACE(part->object()->objectName().toStdString());
    EXPECT_NE(part->role(), QAccessible::Client) << "an unnamed pane";
    // Decoration is never shown to a screen reader, whether the eye sees it or not.
    if (part->role() == QAccessible::Graphic && part->text(QAccessible::Name).isEmpty()) {
      EXPECT_TRUE(part->state().invisible);
    }
    const ComponentLayout* row = FindLayout(LayoutWindow::Main, part->object()->objectName().toStdString());
    if (row == nullptr || row->kind != ComponentKind::Page) continue;
    ++pages;
    EXPECT_EQ(part->role(), QAccessible::Grouping);
    EXPECT_EQ(part->text(QAccessible::Name), QString::fromUtf8(HeadlineOf(*row)->text).simplified());
  }
  EXPECT_EQ(pages, kNotebookPageCount);
  // A page takes the name its headline shows now.
  window().SetCaption(Control::WelcomeHeadline, u"Welcome. Press start to begin");
  QAccessibleInterface* welcome = QAccessible::queryAccessibleInterface(window().Widget(Control::WelcomeHeadline)->parentWidget());
  EXPECT_EQ(welcome->text(QAccessible::Name), QStringLiteral("Welcome. Press start to begin"));
}

// A check box that breaks its caption into lines is still one check box: named by its caption,
// toggled by Space and by a click on any line of its caption, and the wizard told of each click.
TEST_F(WindowTest, ACheckBoxBrokenIntoLinesIsStillOneCheckBox) {
  MakeWindow(false, kWindowTestCatalogue, "", PseudoCatalogue());
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowPage(kPageSetup);
  auto* credentials = dynamic_cast<WrappingCheckBox*>(window().Get<QCheckBox>(Control::CredentialsGiven));
  ASSERT_NE(credentials, nullptr);
  ASSERT_TRUE(credentials->Wraps());
  EXPECT_GT(credentials->height(), LayoutOf(Control::CredentialsGiven).box.height);
  EXPECT_EQ(AccessibleText(credentials, QAccessible::Name),
            QString(credentials->text()).remove(QLatin1Char('&')));
  const bool before = credentials->isChecked();
  // The last line's end, far from the box.
  const QRect caption =
      QStyle::visualRect(credentials->layoutDirection(), credentials->rect(), credentials->CaptionRect());
  QTest::mouseClick(credentials, Qt::LeftButton, {}, caption.bottomRight() - QPoint(4, 4));
  EXPECT_NE(credentials->isChecked(), before);
  EXPECT_EQ(window().Get<QLineEdit>(Control::UserField)->isVisible(), credentials->isChecked())
      << "the wizard acted";
  credentials->setFocus();
  QTest::keyClick(credentials, Qt::Key_Space);
  EXPECT_EQ(credentials->isChecked(), before);
}

}  // namespace
