// Small widgets the layout needs and Qt does not have as such: a clickable label, a framed
// rectangle, and labels that size themselves to their text.
#pragma once

#include <QAccessible>
#include <QAccessibleEvent>
#include <QCheckBox>
#include <QLabel>
#include <QWidget>
#include <functional>

// A label that keeps its box, or that follows its text: the top and the edge the text starts
// from (the left, the right in a right-to-left window) stay, the size is the text's (for a
// wrapping label only the height follows, inside the fixed width).
class LayoutLabel : public QLabel {
 public:
  LayoutLabel(QWidget* parent, bool fixed, bool wraps);
  void SetCaption(const QString& text);
  bool Fixed() const { return fixed_; }

 private:
  void FitToText();
  bool fixed_;
};

// A link: a label that runs a handler when it is clicked with the left button, or when it has
// the keyboard focus and Return, Enter or Space is pressed; the hand pointer shows over it.
// Turned off, it is plain black text that takes no focus and shows no hand; what a click on it
// does is the controller's to decide. (A disabled label would be greyed past reading.)
class ClickLabel : public LayoutLabel {
 public:
  ClickLabel(QWidget* parent, bool fixed, bool wraps);
  std::function<void()> on_click;
  void SetLinkActive(bool active);
  bool LinkActive() const { return active_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool pressed_ = false;
  bool active_ = true;
  QColor link_colour_;  // kept while the link is off
  QString link_description_;
};

// A check box whose caption breaks into lines when the flow gives it no room for one line. It
// stays one control: its text, its access key, its name for screen readers and its keyboard
// are a check box's, and a click anywhere on it toggles it.
class WrappingCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;
  void SetWraps(bool wraps);
  bool Wraps() const { return wraps_; }
  // Where its caption stands: beside its box, from the left (mirrored by the caller).
  QRect CaptionRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  bool wraps_ = false;
};

// The keyboard focus made plain: a frame around the control that has the focus in `window`,
// 2 px black inside 2 px white, so one of the two stands out on the dark and on the light end
// of the background pictures alike.
class FocusRing : public QWidget {
 public:
  static constexpr int kLineWidth = 2;
  static constexpr int kMargin = 2 * kLineWidth;

  explicit FocusRing(QWidget* window);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Follow(QWidget* focused);
};

// Tells assistive technology that a widget's text is news to be read out: a name change and
// an alert, handed to the accessibility dispatch.
void AnnounceToScreenReader(QWidget* widget);
// The dispatch: Qt's accessibility bridge, which passes events on only while a screen reader
// listens; tests put a recorder in its place and get the previous dispatch back.
using AccessibilityDispatch = void (*)(QAccessibleEvent* event);
AccessibilityDispatch SetAccessibilityDispatch(AccessibilityDispatch dispatch);

// A picture of the layout, drawn for the resolution it is painted at: on a scaled display, or
// rendered into a finer pixmap, it takes the variant drawn for that scale rather than enlarging
// the 1x one. pixmap() is the 1x picture. A picture without a name is decoration, which
// assistive technology does not present.
class PictureLabel : public QLabel {
 public:
  PictureLabel(QWidget* parent, const char* path, bool stretch, Qt::Alignment alignment);
  // The device pixels per layout pixel the picture was last painted for.
  qreal PaintedScale() const { return painted_scale_; }
  bool IsDecoration() const { return accessibleName().isEmpty(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const char* path_;
  bool stretch_;
  QPixmap variant_;
  qreal painted_scale_ = 0;
};

// What assistive technology is told a window is (a frame, a dialog), in place of the unnamed
// pane a plain widget would be; its name is its title.
void SetAccessibleRole(QWidget* window, QAccessible::Role role);
// Shown to the eye only (a frame, a line, the focus frame): assistive technology does not
// present it.
void MarkAsDecoration(QWidget* widget, QAccessible::Role role);
// A page of the notebook: a grouping that screen readers name by what its headline shows.
void NameByHeadline(QWidget* page, QLabel* headline);

// The colours of a light dialog: black text on light faces and white fields, all set, so that
// no desktop theme (a style's own standard palette follows the desktop's under the GTK platform
// theme) turns a text of the layout light on its light pictures.
QPalette LightPalette();

// A white rectangle with a thin black outline.
class ShapeRect : public QWidget {
 public:
  explicit ShapeRect(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};
