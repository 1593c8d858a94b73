// The real main window on a scratch catalogue, and helpers for modal boxes and waits.
#include "window_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "support/form_fixture.h"

void WindowTest::SetUp() {}

void WindowTest::TearDown() {
  window_.reset();
  QApplication::processEvents();
}

void WindowTest::MakeWindow(bool system_temporary_folder, const std::string& catalogue) {
  TForm1Environment environment;
  environment.catalogue_path = folder_.Write("apnlist.csv", catalogue);
  environment.usb_library = folder_.File("no-such-usblib.so");
  environment.clock = FixedTestTime;
  environment.pause = [](unsigned) {};
  if (!system_temporary_folder) environment.temporary_folder = [this] { return folder_.Path() + "/"; };
  window_ = std::make_unique<MainWindow>(std::move(environment));
}

QString WindowTest::CaptionOf(Control control) const {
  return QString::fromStdU16String(window_->Caption(control));
}

MessageBoxCatcher::MessageBoxCatcher() {
  // Polls, because the box becomes the active modal widget only once its loop runs.
  poll_.setInterval(10);
  QObject::connect(&poll_, &QTimer::timeout, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      caught = true;
      poll_.stop();
      box->accept();
    }
  });
  poll_.start();
}

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }
