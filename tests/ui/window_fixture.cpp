// The real main window on a scratch catalogue, and helpers for modal boxes and waits.
#include "window_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "support/wizard_fixture.h"

void WindowTest::SetUp() {}

void WindowTest::TearDown() {
  window_.reset();
  QApplication::processEvents();
}

void WindowTest::MakeWindow(bool system_log_folder, const std::string& catalogue, const std::string& language,
                            std::optional<MessageCatalogue> texts) {
  WizardEnvironment environment;
  environment.language = language;
  environment.texts = std::move(texts);
  environment.catalogue_path = folder_.Write("apnlist.csv", catalogue);
  environment.usb_library = usb_library_.empty() ? folder_.File("no-such-usblib.so") : usb_library_;
  environment.clock = FixedTestTime;
  if (!system_log_folder) environment.log_places.folder = [this] { return folder_.Path() + "/"; };
  window_ = std::make_unique<MainWindow>(std::move(environment));
}

QString WindowTest::CaptionOf(Control control) const {
  return QString::fromStdU16String(window_->Caption(control));
}

MessageBoxCatcher::MessageBoxCatcher(std::vector<Answer> answers) : answers_(std::move(answers)) {
  // Polls, because a box becomes the active modal widget only once its loop runs; a box is
  // answered once it is the active window, so that its shortcuts reach it, and only once, for
  // a shortcut's click comes a moment later.
  poll_.setInterval(10);
  QObject::connect(&poll_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || box == answered_ || QApplication::activeWindow() != box) return;
    answered_ = box;
    if (texts.isEmpty()) text = box->text();
    texts.push_back(box->text());
    caught = true;
    const std::size_t index = static_cast<std::size_t>(texts.size() - 1);
    if (index < answers_.size()) {
      answers_[index](*box);
    } else {
      box->accept();
    }
  });
  poll_.start();
}

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }

bool WaitUntilActive(QWidget& window) {
  return WaitFor([&window] { return QApplication::activeWindow() == &window; });
}
