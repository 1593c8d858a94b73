// TMessageForm: the small stay-on-top window with a message, a Close button and dots.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "common/text.h"

class TMessageForm : public QWidget {
 public:
  // `over` is the window the message window is centred on when it is first shown.
  explicit TMessageForm(QWidget* over = nullptr);

  // Sets the text, shows or hides Close, shows the window without blocking the caller, and
  // starts the dots animation or stops it.
  void ShowInfo(const NativeString& text, bool close_button, bool dots);
  void Button1Click();
  void Timer1Timer();

  QPushButton* Button1 = nullptr;
  QLabel* Label1 = nullptr;
  QTimer Timer1;
  QLabel* Image2 = nullptr;
  NativeString InfoText;
  std::int32_t DotCount = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOverOwner();

  QWidget* over_;
  bool placed_ = false;
};
