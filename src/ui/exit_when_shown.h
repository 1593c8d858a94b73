// The start-up benchmark's end mark: once the watched window's first paint has been handled,
// print the milliseconds since `since` ("shown after <ms> ms") and end the program. Header-only,
// so the benchmark's bare reference window prints the same mark without linking the wizard.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>

class ExitWhenShown final : public QObject {
 public:
  explicit ExitWhenShown(const QElapsedTimer& since) : since_(since) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // Once the whole paint pass that this event belongs to is done.
      QTimer::singleShot(0, this, [this] {
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
