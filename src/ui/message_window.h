// MessageWindow: the small window over the wizard with a message, a Close button and dots.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "common/text.h"

class MessageWindow : public QWidget {
 public:
  // `over` is the window the message window is centred on when it is first shown.
  explicit MessageWindow(QWidget* over = nullptr);

  // Sets the text, shows or hides Close, shows the window without blocking the caller, and
  // starts the dots animation or stops it.
  void ShowInfo(const NativeString& text, bool close_button, bool dots);
  void OnClose();
  void OnDotsTimer();

  QPushButton* close_button = nullptr;
  QLabel* text = nullptr;
  QTimer dots_timer;
  QLabel* background = nullptr;
  NativeString info_text;
  std::int32_t dot_count = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOverOwner();

  QWidget* over_;
  bool placed_ = false;
};
