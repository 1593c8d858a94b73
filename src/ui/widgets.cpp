// Small widgets the layout needs: a clickable label, a framed rectangle, self-sizing labels.
#include "ui/widgets.h"

#include <QMouseEvent>
#include <QPainter>

LayoutLabel::LayoutLabel(QWidget* parent, bool fixed, bool wraps) : QLabel(parent), fixed_(fixed) {
  // Texts come from the box and the catalogue: never read them as markup.
  setTextFormat(Qt::PlainText);
  setWordWrap(wraps);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void LayoutLabel::SetCaption(const QString& text) {
  setText(text);
  FitToText();
}

void LayoutLabel::FitToText() {
  if (fixed_) return;
  if (wordWrap()) {
    resize(width(), heightForWidth(width()));
  } else {
    resize(sizeHint());
  }
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click && on_click) on_click();
}

void ShapeRect::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
