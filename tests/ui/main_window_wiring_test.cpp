// Each control reaches its handler, and the view operations behave as the controller expects.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "support/test_files.h"
#include "url_recorder.h"
#include "window_fixture.h"

namespace {

// Sets XDG_STATE_HOME for as long as it lives, then puts back what was there.
class StateHomeOverride {
 public:
  StateHomeOverride() : saved_(qgetenv("XDG_STATE_HOME")) {}
  ~StateHomeOverride() {
    if (saved_.isNull()) {
      qunsetenv("XDG_STATE_HOME");
    } else {
      qputenv("XDG_STATE_HOME", saved_);
    }
  }
  void Set(const std::string& folder) { qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder)); }

 private:
  QByteArray saved_;
};

bool LogHas(Wizard& form, const std::string& text) {
  for (const auto& line : form.Log().lines.Lines()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST_F(WindowTest, StartRestartAndTestNextChangeThePage) {
  MakeWindow();
  window().Get<QPushButton>(Control::Start)->click();
  EXPECT_EQ(window().CurrentPage(), kPageCommunicating);
  EXPECT_TRUE(LogHas(core(), "==== NEW ===="));
  window().Get<QPushButton>(Control::Restart)->click();
  EXPECT_EQ(window().CurrentPage(), kPageWelcome);
  EXPECT_EQ(CaptionOf(Control::WelcomeHeadline), QStringLiteral("Welcome. Press start to begin"));
  // Test Next walks the pages round, modulo four.
  for (int expected : {1, 2, 3, 0}) {
    window().Get<QPushButton>(Control::NextPageForTesting)->click();
    EXPECT_EQ(window().CurrentPage(), expected);
  }
}

TEST_F(WindowTest, NextSubmitsTheSettingsAndShowsTheTestMessage) {
  MakeWindow();
  window().ShowPage(kPageSetup);
  window().SetText(Control::ApnField, u"internet");
  window().Get<QPushButton>(Control::Next)->click();
  const MessageWindow& message = window().Messages();
  EXPECT_FALSE(message.isHidden());
  EXPECT_EQ(message.text->text(), QStringLiteral("Testing GPRS settings"));
  EXPECT_TRUE(message.close_button->isHidden());
  EXPECT_TRUE(window().Running(WizardTimer::kInfoDots));
}

// ... and says so beside the button until the wizard's timer for it runs out.
TEST_F(WindowTest, CopyLinkPutsTheLinkOnTheClipboard) {
  MakeWindow();
  window().ShowPage(kPageDone);
  QApplication::clipboard()->setText(QStringLiteral("something else"));
  window().Get<QPushButton>(Control::CopyLink)->click();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://www.rodiduz.com/id/00000000"));
  auto* note = window().Get<QLabel>(Control::LinkCopiedNote);
  EXPECT_FALSE(note->isHidden());
  EXPECT_EQ(note->text(), QStringLiteral("Link copied"));
  QTimer& moment = window().Timer(WizardTimer::kLinkCopied);
  ASSERT_TRUE(moment.isActive());
  EXPECT_EQ(moment.intervalAsDuration(), IntervalOf(WizardTimer::kLinkCopied));
  // The moment made short, so the test need not wait it out.
  moment.setInterval(1);
  QSignalSpy ran(&moment, &QTimer::timeout);
  EXPECT_TRUE(ran.wait(5000));
  EXPECT_TRUE(note->isHidden());
  EXPECT_FALSE(moment.isActive());
}

// The box's GPRS test passes, the box having reported `id` as its ID.
void PassTheTest(Wizard& form, const std::string& id) {
  form.Channel().port_open = true;
  form.Session().report.id = id;
  form.Session().ChangeState(kStateGPRSTesting);
  form.Channel().AddMessage("GPRSTEST OK");
  form.OnTimer(WizardTimer::kTick);
}

// The link and Copy Link act on exactly the address the controller built, by mouse and by
// keyboard. An ID that makes no link leaves nothing to click, to reach with Tab or to copy.
TEST_F(WindowTest, TheLinkOpensAndCopiesOnlyAnAddressBuiltFromAValidId) {
  const struct {
    const char* name;
    const char* id;
    const char* link;  // nullptr: none
  } rows[] = {
      {"a valid ID", "AB12CD34", "http://www.rodiduz.com/id/AB12CD34"},
      {"a path up to a program", "../../ab", nullptr},
      {"an option", "x --foo", nullptr},
      {"a share", "\\\\server\\share", nullptr},
      {"a scheme", "file:x", nullptr},
      {"empty", "", nullptr},
      {"a valid ID again", "ab12cd34", "http://www.rodiduz.com/id/ab12cd34"},
  };
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "Open");
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PassTheTest(core(), row.id);
    ASSERT_EQ(window().CurrentPage(), kPageDone);
    recorder.opened.clear();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(window().Get<ClickLabel>(Control::BoxLink), Qt::LeftButton);
    // Backwards from Exit: Copy Link, then the link, each pressed with Return where reached.
    window().Get<QPushButton>(Control::Exit)->setFocus();
    std::vector<QWidget*> reached;
    for (int i = 0; i < 2; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
      reached.push_back(QApplication::focusWidget());
      if (reached.back() == window().Get<QPushButton>(Control::CopyLink) || reached.back() == window().Get<ClickLabel>(Control::BoxLink))
        QTest::keyClick(reached.back(), Qt::Key_Return);
    }
    QTest::mouseClick(window().Get<QPushButton>(Control::CopyLink), Qt::LeftButton);
    const bool linked = row.link != nullptr;
    EXPECT_EQ(std::count(reached.begin(), reached.end(), window().Get<ClickLabel>(Control::BoxLink)), linked ? 1 : 0);
    EXPECT_EQ(std::count(reached.begin(), reached.end(), window().Get<QPushButton>(Control::CopyLink)), linked ? 1 : 0);
    EXPECT_EQ(window().Get<ClickLabel>(Control::BoxLink)->accessibleDescription().isEmpty(), !linked);
    if (linked) {
      EXPECT_EQ(recorder.opened,
                (QList<QUrl>{QUrl(QString::fromUtf8(row.link)), QUrl(QString::fromUtf8(row.link))}));
      EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8(row.link));
      EXPECT_EQ(window().Get<ClickLabel>(Control::BoxLink)->cursor().shape(), Qt::PointingHandCursor);
    } else {
      EXPECT_TRUE(recorder.opened.isEmpty());
      EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
      EXPECT_EQ(CaptionOf(Control::BoxLink), QStringLiteral("The box reported no valid ID."));
      EXPECT_EQ(window().Get<ClickLabel>(Control::BoxLink)->cursor().shape(), Qt::ArrowCursor);
    }
  }
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

// The window opens the text it is handed as it stands: a text that is no absolute address is
// not guessed into one, and says so.
TEST_F(WindowTest, OnlyAnAbsoluteAddressIsOpened) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "Open");
  MakeWindow();
  EXPECT_EQ(window().OpenWebLink(u"http://["), u"The address is not a web address.");
  EXPECT_EQ(window().OpenWebLink(u"www.rodiduz.com/id/AB12CD34"), u"The address is not a web address.");
  EXPECT_EQ(window().OpenWebLink(u"http://www.rodiduz.com/id/AB12CD34"), std::nullopt);
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  EXPECT_EQ(recorder.opened, QList<QUrl>{QUrl(QStringLiteral("http://www.rodiduz.com/id/AB12CD34"))});
}

TEST_F(WindowTest, ExitSavesTheLogAndClosesTheWindow) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().Get<QPushButton>(Control::Exit)->click();
  EXPECT_FALSE(window().isVisible());
  const std::string log = ReadFileForTest(folder_.File("deruruv_ozo.txt"));
  EXPECT_NE(log.find("Program Version: Dididuz 2015 - Version 1.2.8"), std::string::npos);
}

// The save's error as before, then a question: No (Return, Esc) keeps the window and the log
// for the next close, which tries again; Yes (Alt+Y) closes without the log.
TEST_F(WindowTest, AFailedSaveShowsTheErrorThenAsksWhetherToCloseWithoutTheLog) {
  struct Row {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool closes;
  };
  const Row rows[] = {
      {"Return: No, the default", Qt::Key_Return, Qt::NoModifier, false},
      {"Esc: No", Qt::Key_Escape, Qt::NoModifier, false},
      {"Alt+Y: Yes", Qt::Key_Y, Qt::AltModifier, true},
  };
  StateHomeOverride state_home;
  // A file where the state folder should be: the log folder cannot be made in it.
  const std::string missing = folder_.Write("not-a-folder", "");
  const std::string log_file = folder_.File("rodiduz-setup/deruruv_ozo.txt");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    state_home.Set(missing);
    MakeWindow(/*system_log_folder=*/true);
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    {
      MessageBoxCatcher boxes(
          {[](QMessageBox& error) { error.accept(); },
           [&row](QMessageBox& question) { QTest::keyClick(&question, row.key, row.modifiers); }});
      EXPECT_EQ(window().close(), row.closes);
      ASSERT_EQ(boxes.texts.size(), 2);
      EXPECT_TRUE(boxes.texts[0].contains(QString::fromStdString(missing))) << boxes.texts[0].toStdString();
      EXPECT_TRUE(boxes.texts[1].contains(QStringLiteral("Close without saving the log?")));
    }
    EXPECT_EQ(window().isVisible(), !row.closes);
    if (!row.closes) {
      EXPECT_TRUE(LogHas(core(), "Program Version"));
      // Once the folder is there, the same window closes and the log is written.
      state_home.Set(folder_.Path());
      EXPECT_TRUE(window().close());
      EXPECT_FALSE(ReadFileForTest(log_file).empty());
      std::filesystem::remove(log_file);
    }
  }
}

TEST_F(WindowTest, ClosingTheMainWindowTakesTheMessageWindowAlong) {
  MakeWindow();
  window().show();
  window().ShowInfo(u"Enter correct PIN code", true);
  ASSERT_FALSE(window().Messages().isHidden());
  // The message window never keeps the program running on its own.
  EXPECT_FALSE(window().Messages().testAttribute(Qt::WA_QuitOnClose));
  EXPECT_TRUE(window().close());
  EXPECT_TRUE(window().Messages().isHidden());
}

TEST_F(WindowTest, TheSliderShowsTheLadderAtItsLevel) {
  MakeWindow();
  window().Get<QSlider>(Control::LadderSlider)->setValue(3);
  EXPECT_TRUE(window().IsVisible(Control::LadderStartupHeading));
  EXPECT_TRUE(window().IsVisible(Control::LadderStartupWait));
  EXPECT_FALSE(window().IsVisible(Control::LadderStarted));
  EXPECT_EQ(core().Presenter().ShownLevel(), 3);
  window().Get<QSlider>(Control::LadderSlider)->setValue(5);
  EXPECT_TRUE(window().Running(WizardTimer::kDots));
  // The real timer animates the real label.
  EXPECT_TRUE(WaitFor([this] { return CaptionOf(Control::LadderTesting) == QStringLiteral("Testing."); }));
  window().Get<QSlider>(Control::LadderSlider)->setValue(6);
  EXPECT_FALSE(window().Running(WizardTimer::kDots));
  EXPECT_EQ(CaptionOf(Control::LadderTesting), QStringLiteral("Testing"));
}

TEST_F(WindowTest, VisibilityIsTheComponentsOwnWhicheverPageIsShown) {
  MakeWindow();
  window().show();
  ASSERT_EQ(window().CurrentPage(), kPageWelcome);
  // Label5 is on the settings page, which is not shown.
  window().SetVisible(Control::UserCaption, true);
  EXPECT_TRUE(window().IsVisible(Control::UserCaption));
  EXPECT_FALSE(window().Widget(Control::UserCaption)->isVisible());
  window().SetVisible(Control::UserCaption, false);
  EXPECT_FALSE(window().IsVisible(Control::UserCaption));
  window().SetEnabled(Control::Next, false);
  EXPECT_FALSE(window().IsEnabled(Control::Next));
}

TEST_F(WindowTest, DebugListsKeepTheirLimitAndStayHidden) {
  MakeWindow();
  for (int i = 0; i < MainWindow::kDebugListLimit + 5; ++i) {
    window().AddDebugItem(Control::LogMirror, AnsiToNative(std::to_string(i)));
  }
  EXPECT_EQ(window().Get<QListWidget>(Control::LogMirror)->count(), MainWindow::kDebugListLimit);
  EXPECT_EQ(window().Get<QListWidget>(Control::LogMirror)->item(0)->text(), QStringLiteral("5"));
  EXPECT_EQ(window().Get<QListWidget>(Control::LogMirror)->currentRow(), MainWindow::kDebugListLimit - 1);
  EXPECT_FALSE(window().IsVisible(Control::LogMirror));
  EXPECT_FALSE(window().IsVisible(Control::CatalogueMirror));
}

TEST_F(WindowTest, DebugItemsFromAnotherThreadArriveInOrderOnTheWindowThread) {
  MakeWindow();
  constexpr int kItems = 200;
  std::thread worker([this] {
    for (int i = 0; i < kItems; ++i) window().AddDebugItem(Control::LogMirror, AnsiToNative(std::to_string(i)));
  });
  worker.join();
  ASSERT_TRUE(WaitFor([this] { return window().Get<QListWidget>(Control::LogMirror)->count() == kItems; }));
  for (int i = 0; i < kItems; ++i) ASSERT_EQ(window().Get<QListWidget>(Control::LogMirror)->item(i)->text(), QString::number(i));
}

// Counts the queued calls the window receives.
class QueuedCallCounter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MetaCall) ++calls;
    return QObject::eventFilter(watched, event);
  }
  int calls = 0;
};

// A worker logging far faster than the window's thread draws: the lines wait in one bounded
// place with one wake-up, and the list ends with the newest of them.
TEST_F(WindowTest, AFloodFromAnotherThreadWakesTheWindowOnceAndLeavesTheNewestLines) {
  MakeWindow();
  QueuedCallCounter counter;
  window().installEventFilter(&counter);
  constexpr int kItems = 3 * MainWindow::kDebugListLimit;
  std::thread worker([this] {
    for (int i = 0; i < kItems; ++i) window().AddDebugItem(Control::LogMirror, AnsiToNative(std::to_string(i)));
  });
  worker.join();
  ASSERT_TRUE(WaitFor([this] { return window().Get<QListWidget>(Control::LogMirror)->count() > 0; }));
  QApplication::processEvents();
  EXPECT_EQ(counter.calls, 1);
  ASSERT_EQ(window().Get<QListWidget>(Control::LogMirror)->count(), MainWindow::kDebugListLimit);
  EXPECT_EQ(window().Get<QListWidget>(Control::LogMirror)->item(0)->text(), QString::number(kItems - MainWindow::kDebugListLimit));
  EXPECT_EQ(window().Get<QListWidget>(Control::LogMirror)->currentItem()->text(), QString::number(kItems - 1));
  window().removeEventFilter(&counter);
}

// The log window's text, one line for each paragraph.
QStringList LogWindowLines(LogWindow& log) {
  QStringList lines;
  for (QTextBlock block = log.Text->document()->begin(); block.isValid(); block = block.next())
    lines.push_back(block.text());
  return lines;
}

// While it lives, answers the file dialogs as they come: the first with `path` (cancelled when
// empty), noting what it offered; a question whether to replace a file is answered Yes.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(QString path) : path_(std::move(path)) {
    poll_.setInterval(10);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* question = qobject_cast<QMessageBox*>(modal);
      if (question != nullptr && qobject_cast<QFileDialog*>(question->parentWidget()) != nullptr) {
        question->button(QMessageBox::Yes) != nullptr ? question->button(QMessageBox::Yes)->click()
                                                      : question->accept();
        return;
      }
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (dialog == nullptr || answered_) return;
      answered_ = true;
      title = dialog->windowTitle();
      offered = dialog->selectedFiles().value(0);
      if (path_.isEmpty()) {
        dialog->reject();
        return;
      }
      // Typed as a user types it: the dialog reads the field when it is accepted.
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path_);
      static_cast<QDialog*>(dialog)->accept();  // the file dialog's own acceptance
    });
    poll_.start();
  }
  QString title;
  QString offered;

 private:
  QString path_;
  bool answered_ = false;
  QTimer poll_;
};

// Ctrl+L: the log so far, masked, then growing as lines are logged on either thread, one
// paragraph for each line; Copy all and Save as... take the log as it stands, and a save that
// fails says why and changes nothing.
TEST_F(WindowTest, TheLogWindowShowsTheLogMaskedAsItGrowsAndCopiesAndSavesIt) {
  MakeWindow();
  window().show();
  window().activateWindow();
  ASSERT_TRUE(WaitUntilActive(window()));
  core().Log().Line("[Tx]  [GPRSSET APN:web USER:bob PW:secret PIN:1234]");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier);
  LogWindow& log = window().LogForm();
  ASSERT_TRUE(WaitUntilActive(log));
  EXPECT_EQ(log.windowTitle(), QStringLiteral("Wizard log"));
  EXPECT_EQ(log.Place->text(),
            QString::fromStdString("The log is saved as \"" + folder_.File("deruruv_ozo.txt") +
                                   "\" when the wizard closes."));
  EXPECT_TRUE(
      LogWindowLines(log).last().endsWith(QStringLiteral("[GPRSSET APN:web USER:bob PW:****** PIN:****]")));
  EXPECT_FALSE(log.Text->toPlainText().contains(QStringLiteral("secret")));
  EXPECT_TRUE(log.Note->isHidden());

  const qsizetype before = LogWindowLines(log).size();
  std::thread worker([this] {
    for (int i = 0; i < 100; ++i) core().Log().Line("from the worker " + std::to_string(i));
  });
  core().Log().Line("from the window's thread");
  worker.join();
  ASSERT_TRUE(WaitFor([&] { return LogWindowLines(log).size() == before + 101; }));
  QStringList worker_lines = LogWindowLines(log).filter(QStringLiteral("from the worker "));
  ASSERT_EQ(worker_lines.size(), 100);
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(worker_lines[i].endsWith(QStringLiteral("worker %1").arg(i)));

  log.CopyAll->click();
  const QString whole = QString::fromStdString(core().Log().lines.FileContent());
  EXPECT_EQ(QApplication::clipboard()->text(),
            QString(whole).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

  const std::string saved = folder_.File("saved log.txt");
  {
    FileDialogAnswer answer(QString::fromStdString(saved));
    log.SaveAs->click();
    EXPECT_EQ(answer.title, QStringLiteral("Save the wizard log as"));
    EXPECT_TRUE(answer.offered.endsWith(QStringLiteral("/deruruv_ozo.txt"))) << answer.offered.toStdString();
  }
  EXPECT_EQ(ReadFileForTest(saved), core().Log().lines.FileContent());

  const std::string unreachable = folder_.File("missing") + "/log.txt";
  {
    FileDialogAnswer answer(QString::fromStdString(unreachable));
    MessageBoxCatcher error;
    log.SaveAs->click();
    EXPECT_TRUE(error.text.contains(QString::fromStdString("Cannot create file \"" + unreachable + "\"")))
        << error.text.toStdString();
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.File("missing")));
  EXPECT_TRUE(log.isVisible());
  {
    FileDialogAnswer cancel{QString()};
    log.SaveAs->click();
    EXPECT_FALSE(cancel.title.isEmpty());
  }
  EXPECT_EQ(ReadFileForTest(saved), core().Log().lines.FileContent());
}

// A box chattering for long: the window holds the newest 10000 lines and says how many it
// leaves out, also as more come.
TEST_F(WindowTest, TheLogWindowShowsAtMostTheNewest10000LinesAndSaysSo) {
  MakeWindow();
  for (int i = 0; i < 10005; ++i) core().Log().Line("line " + std::to_string(i));
  core().OpenLogWindow();
  LogWindow& log = window().LogForm();
  QStringList lines = LogWindowLines(log);
  ASSERT_EQ(lines.size(), 10000);
  EXPECT_TRUE(lines.first().endsWith(QStringLiteral("  line 5")));
  EXPECT_TRUE(lines.last().endsWith(QStringLiteral("  line 10004")));
  EXPECT_FALSE(log.Note->isHidden());
  EXPECT_EQ(
      log.Note->text(),
      QStringLiteral("5 earlier lines are not shown here. Copy all and Save as... take the whole log."));
  for (int i = 10005; i < 10008; ++i) core().Log().Line("line " + std::to_string(i));
  ASSERT_TRUE(WaitFor([&] { return LogWindowLines(log).last().endsWith(QStringLiteral("  line 10007")); }));
  lines = LogWindowLines(log);
  EXPECT_EQ(lines.size(), 10000);
  EXPECT_TRUE(lines.first().endsWith(QStringLiteral("  line 8")));
  EXPECT_EQ(
      log.Note->text(),
      QStringLiteral("8 earlier lines are not shown here. Copy all and Save as... take the whole log."));
}

}  // namespace

namespace {

TEST(MainWindowStartTest, AMissingCatalogueStopsTheWindowBeingBuilt) {
  ScratchFolder folder;
  WizardEnvironment environment;
  environment.catalogue_path = folder.File("apnlist.csv");
  environment.usb_library = folder.File("no-such-usblib.so");
  try {
    MainWindow window(std::move(environment));
    FAIL() << "the window was built without its catalogue";
  } catch (const std::exception& error) {
    EXPECT_NE(std::string(error.what()).find(folder.File("apnlist.csv")), std::string::npos) << error.what();
  }
  // Nothing of the half-built window is left behind as a window.
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

}  // namespace
