// Builds a window's Qt widgets from its rows of the layout table.
#include "ui/layout_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <map>
#include <string>

#include "common/user_text.h"
#include "controller/page_presenter.h"
#include "ui/pin_edit.h"
#include "ui/ui_resources.h"
#include "ui/widgets.h"

namespace {


Qt::Alignment QtAlignment(Placement placement) {
  switch (placement) {
    case Placement::TopCentre:
      return Qt::AlignHCenter | Qt::AlignTop;
    case Placement::Centre:
      return Qt::AlignCenter;
    case Placement::TopLeft:
    case Placement::Stretch:
      break;
  }
  return Qt::AlignLeft | Qt::AlignTop;
}

const char* PicturePath(LayoutPicture picture) {
  switch (picture) {
    case LayoutPicture::Background:
      return kBackgroundPicture;
    case LayoutPicture::MessageBackground:
      return kMessageBackgroundPicture;
    case LayoutPicture::Logo:
      return kLogoPicture;
    case LayoutPicture::CheckMark:
      return kCheckMarkPicture;
    case LayoutPicture::None:
      break;
  }
  return "";
}

QLabel* MakePicture(const ComponentLayout& row, QWidget* parent, const MessageCatalogue& texts) {
  auto* picture = new PictureLabel(parent, PicturePath(row.picture), row.placement == Placement::Stretch,
                                   QtAlignment(row.placement));
  if (const char* name = PictureName(row.picture))
    picture->setAccessibleName(QString::fromStdU16String(ShownText(texts, name)));
  return picture;
}

// Alt with a letter is an access key, never a character typed into a field (the line edit
// would otherwise take the letter); the access keys themselves are shortcuts, handled before
// the key reaches the field.
class NoAltTyping : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const Qt::KeyboardModifiers modifiers = key->modifiers();
      if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) && !key->text().isEmpty()) {
        event->ignore();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

void RefuseAltTyping(QWidget* field) {
  static NoAltTyping* const filter = new NoAltTyping(qApp);
  field->installEventFilter(filter);
}

LayoutLabel* MakeLabel(const ComponentLayout& row, QWidget* parent) {
  LayoutLabel* label = row.kind == ComponentKind::Link ? new ClickLabel(parent, row.Fixed(), row.Wraps())
                                                       : new LayoutLabel(parent, row.Fixed(), row.Wraps());
  label->setAlignment(QtAlignment(row.placement));
  return label;
}

QFrame* MakeFrame(QWidget* parent, int style) {
  auto* frame = new QFrame(parent);
  frame->setFrameStyle(style);
  return frame;
}

// The widget of a kind, before its place, font and text are given.
QWidget* MakeWidget(const ComponentLayout& row, QWidget* parent, const MessageCatalogue& texts) {
  switch (row.kind) {
    case ComponentKind::Label:
    case ComponentKind::Link:
      return MakeLabel(row, parent);
    case ComponentKind::Picture:
      return MakePicture(row, parent, texts);
    case ComponentKind::Shape: {
      auto* shape = new ShapeRect(parent);
      MarkAsDecoration(shape, QAccessible::Graphic);
      return shape;
    }
    case ComponentKind::Button:
    case ComponentKind::BitButton:
      return new QPushButton(parent);
    case ComponentKind::Edit: {
      auto* edit = new QLineEdit(parent);
      RefuseAltTyping(edit);
      // Any text of any length; what is sent is decided when the settings are submitted.
      edit->setMaxLength(32767);
      return edit;
    }
    case ComponentKind::MaskedEdit: {
      auto* pin = new PinEdit(parent);
      RefuseAltTyping(pin);
      return pin;
    }
    case ComponentKind::ComboBox: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);
      list->setMaxVisibleItems(16);
      return list;
    }
    case ComponentKind::CheckBox:
      return new WrappingCheckBox(parent);
    case ComponentKind::ListBox:
      return new QListWidget(parent);
    case ComponentKind::Memo: {
      auto* memo = new QPlainTextEdit(parent);
      memo->setReadOnly(true);
      memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      memo->setLineWrapMode(QPlainTextEdit::NoWrap);
      // Tab leaves it, as from any other control; nothing removed from it is kept to undo.
      memo->setTabChangesFocus(true);
      memo->setUndoRedoEnabled(false);
      return memo;
    }
    case ComponentKind::Slider: {
      auto* slider = new QSlider(Qt::Horizontal, parent);
      slider->setTickPosition(QSlider::TicksBelow);
      return slider;
    }
    case ComponentKind::Bevel: {
      QFrame* bevel = MakeFrame(parent, QFrame::Box | QFrame::Sunken);
      // A frame only: it must not take the clicks meant for the controls it surrounds.
      bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
      MarkAsDecoration(bevel, QAccessible::Graphic);
      return bevel;
    }
    case ComponentKind::Panel: {
      QFrame* panel = MakeFrame(parent, QFrame::Panel | QFrame::Raised);
      panel->setLineWidth(1);
      MarkAsDecoration(panel, QAccessible::Separator);
      return panel;
    }
    case ComponentKind::Notebook: {
      auto* notebook = new QStackedWidget(parent);
      notebook->setFrameShape(QFrame::NoFrame);
      return notebook;
    }
    case ComponentKind::Page:
    case ComponentKind::Window:
      break;
  }
  return new QWidget(parent);
}

void SetText(QWidget* widget, const ComponentLayout& row, const MessageCatalogue& texts) {
  if (row.text == nullptr) return;
  const QString text = QString::fromStdU16String(ShownCaption(row, texts));
  if (auto* label = dynamic_cast<LayoutLabel*>(widget)) {
    label->SetCaption(text);
  } else if (auto* pin = dynamic_cast<PinEdit*>(widget)) {
    pin->SetPinText(text);
  } else if (auto* edit = dynamic_cast<QLineEdit*>(widget)) {
    edit->setText(text);
  } else if (auto* button = dynamic_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  }
}

QWidget* MakeComponent(const ComponentLayout& row, QWidget* parent, const MessageCatalogue& texts) {
  QWidget* widget = MakeWidget(row, parent, texts);
  widget->setObjectName(QString::fromLatin1(row.name));
  // The window's own colours, which its background needs, for every kind of control: a
  // desktop theme's colours for a kind of widget (a dark theme's light check box captions, its
  // dark fields and buttons) would otherwise win over the window's.
  QPalette colours = parent->window()->palette();
  if (IsLabel(row.kind)) colours.setColor(QPalette::WindowText, QColor::fromRgb(row.font.colour));
  widget->setPalette(colours);
  // A label's text is laid out in its box and its font, so both come before the text. The
  // table's boxes are placed from the left; a right-to-left window takes them from the right.
  widget->setGeometry(QStyle::visualRect(parent->layoutDirection(), parent->rect(), QtRect(row.box)));
  if (row.font.face != FontFace::Inherited) widget->setFont(QtFont(row.font));
  SetText(widget, row, texts);
  if (row.hint != nullptr) widget->setToolTip(QString::fromStdU16String(ShownHint(row, texts)));
  return widget;
}

}  // namespace

QFont QtFont(const LayoutFont& font) {
  switch (font.face) {
    case FontFace::Arial:
      return ArialFont(font.points);
    case FontFace::Tahoma:
      return TahomaFont(font.points);
    case FontFace::OpenSans:
    case FontFace::Inherited:
      break;
  }
  return OpenSansFont(font.points, font.bold);
}

QRect QtRect(const LayoutBox& box) { return {box.left, box.top, box.width, box.height}; }

void ApplyWindowLayout(QWidget* window, LayoutWindow which, const MessageCatalogue& texts) {
  const ComponentLayout& row = WindowRow(which);
  window->setObjectName(QString::fromLatin1(row.name));
  window->setWindowTitle(QString::fromStdU16String(ShownCaption(row, texts)));
  window->setFixedSize(row.box.width, row.box.height);
  window->setFont(QtFont(row.font));
}

void BuildFromLayout(QWidget* window, LayoutWindow which, const MessageCatalogue& texts,
                     const ComponentCreated& created) {
  std::map<std::string, QWidget*, std::less<>> parents = {{WindowRow(which).name, window}};
  for (const ComponentLayout& row : WindowLayout()) {
    if (row.window != which || row.kind == ComponentKind::Window) continue;
    QWidget* parent = parents.at(row.parent);
    QWidget* widget = MakeComponent(row, parent, texts);
    parents.emplace(row.name, widget);
    if (auto* notebook = dynamic_cast<QStackedWidget*>(parent)) {
      // The notebook shows one page at a time: their visibility is its own business.
      notebook->addWidget(widget);
    } else {
      widget->setVisible(!row.Hidden());
    }
    created(row, widget);
  }
  for (const ComponentLayout& row : WindowLayout()) {
    const ComponentLayout* headline = row.window == which ? HeadlineOf(row) : nullptr;
    if (headline != nullptr) NameByHeadline(parents.at(row.name), qobject_cast<QLabel*>(parents.at(headline->name)));
  }
}

void WidgetFlow::Reflow(const ComponentLayout& row) {
  if (const ComponentLayout* container = FindLayout(row.window, row.parent)) FlowContainerOf(*container);
}

void WidgetFlow::ReflowAll() {
  for (const auto& [row, widget] : widgets_) {
    if (!ChildrenOf(row->window, row->name).empty()) FlowContainerOf(*row);
  }
  if (!widgets_.empty()) FlowContainerOf(WindowRow(widgets_.begin()->first->window));
}

const ContainerFlow* WidgetFlow::FlowOf(const ComponentLayout& container) const {
  const auto found = flows_.find(&container);
  return found == flows_.end() ? nullptr : &found->second;
}

void WidgetFlow::FlowContainerOf(const ComponentLayout& container) {
  ContainerFlow flow = FlowContainer(container, *this, grown_by_);
  for (const FlowedComponent& component : flow.components) {
    const auto found = widgets_.find(component.row);
    if (found == widgets_.end()) continue;
    QWidget* widget = found->second;
    if (auto* label = dynamic_cast<LayoutLabel*>(widget)) label->setWordWrap(component.wraps);
    if (auto* check_box = dynamic_cast<WrappingCheckBox*>(widget)) check_box->SetWraps(component.wraps);
    // The flow places from the left; a right-to-left window takes the places from the right.
    QWidget* parent = widget->parentWidget();
    widget->setGeometry(QStyle::visualRect(parent->layoutDirection(), parent->rect(), QtRect(component.box)));
  }
  flows_[&container] = std::move(flow);
}

QString WidgetFlow::TextOf(const ComponentLayout& row, FlowText text) const {
  if (text == FlowText::kDesign) return QString::fromUtf8(row.text == nullptr ? "" : row.text);
  const QWidget* widget = widgets_.at(&row);
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  return {};
}

QLabel& WidgetFlow::Scratch(const ComponentLayout& row, const QString& text, bool wraps) const {
  scratch_.setTextFormat(Qt::PlainText);
  scratch_.setFont(widgets_.at(&row)->font());
  scratch_.setAlignment(QtAlignment(row.placement));
  scratch_.setWordWrap(wraps);
  scratch_.setText(text);
  return scratch_;
}

int WidgetFlow::OneLineWidth(const ComponentLayout& row, FlowText text) const {
  const QWidget* widget = widgets_.at(&row);
  const QString shown = TextOf(row, text);
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    const int caption = QFontMetrics(widget->font()).horizontalAdvance(QString(shown).remove(QLatin1Char('&')));
    if (qobject_cast<const QCheckBox*>(button) == nullptr) return caption + 2 * kButtonMargin;
    const QStyle* style = widget->style();
    return caption + style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget);
  }
  return Scratch(row, shown, false).sizeHint().width();
}

void WidgetFlow::GrowToFit(QWidget* window, LayoutWindow which) {
  GrowBy(window, which, HeightNeeded(which, *this, PagePresenter::ShowsDuringARun));
}

void WidgetFlow::GrowForShownTexts(QWidget* window, LayoutWindow which) {
  GrowBy(window, which, HeightForShownTexts(which, *this));
}

void WidgetFlow::GrowBy(QWidget* window, LayoutWindow which, int grown_by) {
  grown_by_ = grown_by;
  const LayoutBox& table = WindowRow(which).box;
  window->setFixedSize(table.width, table.height + grown_by_);
  ReflowAll();
}

int WidgetFlow::HeightAt(const ComponentLayout& row, int width, FlowText text) const {
  const QString shown = TextOf(row, text);
  if (const auto* check_box = dynamic_cast<const WrappingCheckBox*>(widgets_.at(&row))) {
    const int room = width - check_box->width() + check_box->CaptionRect().width();
    return QFontMetrics(check_box->font())
        .boundingRect(QRect(0, 0, room, 0), Qt::TextWordWrap | Qt::TextShowMnemonic, shown)
        .height();
  }
  // A label that follows its text measures as it shows: on one line while it is wide enough.
  const bool wraps = row.Wraps() || (!KeepsWidth(row) && width < Scratch(row, shown, false).sizeHint().width());
  QLabel& label = Scratch(row, shown, wraps);
  return wraps ? label.heightForWidth(width) : label.sizeHint().height();
}

bool WidgetFlow::IsShown(const ComponentLayout& row) const {
  const auto found = widgets_.find(&row);
  return found != widgets_.end() && !found->second->isHidden();
}
