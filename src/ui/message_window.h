// MessageWindow: the small window over the wizard with a message and a Close button.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "common/text.h"
#include "common/translations.h"
#include "ui/layout_builder.h"

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
  // Where the window placed its components for the text it shows, for the tests that texts fit.
  const WidgetFlow& Flow() const { return flow_; }

  QPushButton* close_button = nullptr;
  QLabel* text = nullptr;
  QLabel* background = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOverOwner();
  // A text longer than the label's box grows the label and the window by as much.
  void FitText(const NativeString& message);

  QWidget* over_;
  bool placed_ = false;
  WidgetFlow flow_;
};
