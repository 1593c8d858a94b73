// Small widgets the layout needs and Qt does not have as such: a clickable label, a framed
// rectangle, and labels that size themselves to their text.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

// A label that keeps its box, or that follows its text: the left and top stay, the size is
// the text's (for a wrapping label only the height follows, inside the fixed width).
class LayoutLabel : public QLabel {
 public:
  LayoutLabel(QWidget* parent, bool fixed, bool wraps);
  void SetCaption(const QString& text);
  bool Fixed() const { return fixed_; }

 private:
  void FitToText();
  bool fixed_;
};

// A label that runs a handler when it is clicked with the left button.
class ClickLabel : public LayoutLabel {
 public:
  ClickLabel(QWidget* parent, bool fixed, bool wraps) : LayoutLabel(parent, fixed, wraps) {}
  std::function<void()> on_click;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

// A white rectangle with a thin black outline.
class ShapeRect : public QWidget {
 public:
  explicit ShapeRect(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};
