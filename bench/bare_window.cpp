// rodiduz-bare-window: the reference of the start-up benchmark. An empty Qt window, shown, and
// ended after its first paint with the same end mark as rodiduz-setup under
// RODIDUZ_EXIT_WHEN_SHOWN: "shown after <ms> ms" on standard output. With --text the window
// holds one line of text, so the cost of setting up the system's fonts is in the reference too.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

class ExitWhenShown final : public QObject {
 public:
  explicit ExitWhenShown(const QElapsedTimer& since) : since_(since) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      QTimer::singleShot(0, [this] {
        std::printf("shown after %.1f ms\n", static_cast<double>(since_.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        QApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const QElapsedTimer& since_;
  bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer since_start;
  since_start.start();
  QApplication application(argc, argv);
  QWidget window;
  window.resize(800, 600);
  QLabel text(QStringLiteral("Welcome. Press start to begin"), &window);
  text.setVisible(argc > 1 && std::strcmp(argv[1], "--text") == 0);
  ExitWhenShown exit_when_shown(since_start);
  window.installEventFilter(&exit_when_shown);
  window.show();
  return QApplication::exec();
}
