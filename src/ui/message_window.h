// MessageWindow: the small window over the wizard with a message and a Close button.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "common/text.h"
#include "common/translations.h"

class MessageWindow : public QWidget {
 public:
  // `over` is the window the message window is centred on when it is first shown; `texts` the
  // language of its own texts.
  explicit MessageWindow(QWidget* over = nullptr, const MessageCatalogue& texts = EnglishTexts());

  // Sets the text, shows or hides Close, and shows the window without blocking the caller.
  void ShowInfo(const NativeString& message, bool with_close);
  // Replaces the text while the window shows (the wizard animates dots after it).
  void SetText(const NativeString& message);
  void OnClose();

  QPushButton* close_button = nullptr;
  QLabel* text = nullptr;
  QLabel* background = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOverOwner();

  QWidget* over_;
  bool placed_ = false;
};
