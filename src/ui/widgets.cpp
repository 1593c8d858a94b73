// Small widgets the layout needs: a clickable label, a framed rectangle, self-sizing labels.
#include "ui/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <utility>

#include "ui/ui_resources.h"

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
  const QSize size = wordWrap() ? QSize(width(), heightForWidth(width())) : sizeHint();
  // The edge the text starts from stays: the left one, or the right one in a mirrored window.
  const int left = isRightToLeft() ? x() + width() - size.width() : x();
  setGeometry(QRect(QPoint(left, y()), size));
}

ClickLabel::ClickLabel(QWidget* parent, bool fixed, bool wraps) : LayoutLabel(parent, fixed, wraps) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void ClickLabel::SetLinkActive(bool active) {
  if (active == active_) return;
  active_ = active;
  setFocusPolicy(active ? Qt::StrongFocus : Qt::NoFocus);
  setCursor(active ? Qt::PointingHandCursor : Qt::ArrowCursor);
  // What a screen reader says about a link ("Return opens it") is no longer true.
  if (!active) link_description_ = accessibleDescription();
  setAccessibleDescription(active ? link_description_ : QString());
  QPalette colours = palette();
  if (!active) link_colour_ = colours.color(QPalette::WindowText);
  colours.setColor(QPalette::WindowText, active ? link_colour_ : QColor(Qt::black));
  setPalette(colours);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
    event->accept();
    if (on_click) on_click();
    return;
  }
  LayoutLabel::keyPressEvent(event);
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

namespace {
void InstallLayoutAccessibility();
}  // namespace

PictureLabel::PictureLabel(QWidget* parent, const char* path, bool stretch, Qt::Alignment alignment)
    : QLabel(parent), path_(path), stretch_(stretch) {
  InstallLayoutAccessibility();
  setAlignment(alignment);
  setScaledContents(stretch);
  setPixmap(Picture(path));
}

void PictureLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // The device's pixels per layout pixel: the screen's ratio, or the target's when rendered.
  const qreal scale = painter.deviceTransform().m11();
  if (variant_.isNull() || scale != painted_scale_) {
    variant_ = Picture(path_, scale);
    painted_scale_ = scale;
  }
  if (variant_.isNull()) return;
  if (stretch_) {
    // The gradients repeat one column and are drawn as tall as the window at each scale: only
    // widened, which needs no smoothing.
    painter.drawPixmap(rect(), variant_);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QSize size = (QSizeF(variant_.size()) / variant_.devicePixelRatio()).toSize();
  const QRect box = QStyle::alignedRect(layoutDirection(), alignment(), size, rect());
  painter.drawPixmap(box, variant_);
}

namespace {

constexpr const char* kRoleProperty = "rodiduzAccessibleRole";
constexpr const char* kDecorationProperty = "rodiduzDecoration";
constexpr const char* kHeadlineProperty = "rodiduzHeadline";

// Decoration is shown to the eye, but not presented to assistive technology (no visible or
// showing state, which screen readers skip).
class DecorationAccessibility : public QAccessibleWidget {
 public:
  DecorationAccessibility(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.invisible = true;
    return state;
  }
};

// A picture without a name is decoration.
class PictureAccessibility : public QAccessibleWidget {
 public:
  explicit PictureAccessibility(PictureLabel* picture) : QAccessibleWidget(picture, QAccessible::Graphic) {}
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    if (static_cast<const PictureLabel*>(widget())->IsDecoration()) state.invisible = true;
    return state;
  }
};

// A page is a grouping named by the text its headline shows now (the wizard changes some).
class PageAccessibility : public QAccessibleWidget {
 public:
  PageAccessibility(QWidget* page, QLabel* headline) : QAccessibleWidget(page, QAccessible::Grouping), headline_(headline) {}
  QString text(QAccessible::Text which) const override {
    if (which == QAccessible::Name && headline_ != nullptr) return headline_->text().simplified();
    return QAccessibleWidget::text(which);
  }

 private:
  QPointer<QLabel> headline_;
};

QAccessibleInterface* LayoutAccessibility(const QString& /*class_name*/, QObject* object) {
  if (!object->isWidgetType()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  if (auto* picture = dynamic_cast<PictureLabel*>(widget)) return new PictureAccessibility(picture);
  if (auto* headline = qobject_cast<QLabel*>(widget->property(kHeadlineProperty).value<QObject*>())) {
    return new PageAccessibility(widget, headline);
  }
  if (const QVariant role = widget->property(kDecorationProperty); role.isValid()) {
    return new DecorationAccessibility(widget, static_cast<QAccessible::Role>(role.toInt()));
  }
  if (const QVariant role = widget->property(kRoleProperty); role.isValid()) {
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
  }
  return nullptr;
}

void InstallLayoutAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(LayoutAccessibility);
    return true;
  }();
  (void)installed;
}

}  // namespace

void SetAccessibleRole(QWidget* window, QAccessible::Role role) {
  InstallLayoutAccessibility();
  window->setProperty(kRoleProperty, static_cast<int>(role));
}

void MarkAsDecoration(QWidget* widget, QAccessible::Role role) {
  InstallLayoutAccessibility();
  widget->setProperty(kDecorationProperty, static_cast<int>(role));
}

void NameByHeadline(QWidget* page, QLabel* headline) {
  InstallLayoutAccessibility();
  page->setProperty(kHeadlineProperty, QVariant::fromValue(static_cast<QObject*>(headline)));
}

QPalette LightPalette() {
  const QColor face(0xef, 0xef, 0xef);
  QPalette light(face, face);
  light.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
  light.setColor(QPalette::HighlightedText, Qt::white);
  light.setColor(QPalette::Link, QColor(0x00, 0x00, 0xff));
  light.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
  light.setColor(QPalette::ToolTipText, Qt::black);
  light.setColor(QPalette::PlaceholderText, QColor(0x60, 0x60, 0x60));
  return light;
}

void ShapeRect::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

FocusRing::FocusRing(QWidget* window) : QWidget(window) {
  setObjectName(QStringLiteral("FocusRing"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  MarkAsDecoration(this, QAccessible::Graphic);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* focused) {
  QWidget* window = parentWidget();
  // A page or the window itself holds the focus only while no control of it can (the page
  // that searches for the box): no frame then, for nothing there answers the keyboard.
  if (focused == nullptr || focused == this || focused->window() != window || !focused->isVisibleTo(window) ||
      focused->isWindow() || focused->focusPolicy() == Qt::NoFocus) {
    hide();
    return;
  }
  const QRect box(focused->mapTo(window, QPoint(0, 0)), focused->size());
  setGeometry(box.adjusted(-kMargin, -kMargin, kMargin, kMargin));
  raise();
  show();
}

void FocusRing::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect outer = rect();
  const QRect inner = outer.adjusted(kLineWidth, kLineWidth, -kLineWidth, -kLineWidth);
  const QRegion white = QRegion(outer).subtracted(inner);
  const QRegion black = QRegion(inner).subtracted(inner.adjusted(kLineWidth, kLineWidth, -kLineWidth, -kLineWidth));
  for (const QRect& part : white) painter.fillRect(part, Qt::white);
  for (const QRect& part : black) painter.fillRect(part, Qt::black);
}

namespace {
AccessibilityDispatch accessibility_dispatch = &QAccessible::updateAccessibility;
}  // namespace

AccessibilityDispatch SetAccessibilityDispatch(AccessibilityDispatch dispatch) {
  return std::exchange(accessibility_dispatch, dispatch);
}

void AnnounceToScreenReader(QWidget* widget) {
  QAccessibleEvent name_changed(widget, QAccessible::NameChanged);
  accessibility_dispatch(&name_changed);
  QAccessibleEvent alert(widget, QAccessible::Alert);
  accessibility_dispatch(&alert);
}

void WrappingCheckBox::SetWraps(bool wraps) {
  if (wraps == wraps_) return;
  wraps_ = wraps;
  update();
}

QRect WrappingCheckBox::CaptionRect() const {
  const int offset = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                     style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
  return {offset, 0, width() - offset, height()};
}

void WrappingCheckBox::paintEvent(QPaintEvent* event) {
  if (!wraps_) {
    QCheckBox::paintEvent(event);
    return;
  }
  // The style draws the box and its focus as for a check box without a caption; the caption
  // follows beside it, broken into lines.
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_CheckBox, option);
  const QRect caption = QStyle::visualRect(layoutDirection(), rect(), CaptionRect());
  const int flags =
      static_cast<int>(QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter)) |
      Qt::TextWordWrap | Qt::TextShowMnemonic;
  style()->drawItemText(&painter, caption, flags, palette(), isEnabled(), text(), QPalette::WindowText);
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const {
  return wraps_ ? rect().contains(pos) : QCheckBox::hitButton(pos);
}
