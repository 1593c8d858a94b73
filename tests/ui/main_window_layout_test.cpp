// The main window as the layout describes it: size, caption, components, state at creation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPixmap>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controller/window_layout.h"
#include "support/layout_contract.h"
#include "ui/widgets.h"
#include "window_fixture.h"

namespace {

TEST_F(WindowTest, WindowHasFixedClientAreaCaptionAndIcon) {
  MakeWindow();
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Rodiduz Box Setup Wizard"));
  EXPECT_EQ(window().minimumSize(), QSize(925, 453));
  EXPECT_EQ(window().maximumSize(), QSize(925, 453));
  const QList<QSize> sizes = window().windowIcon().availableSizes();
  for (int size : {16, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    EXPECT_TRUE(sizes.contains(QSize(size, size)));
  }
}

// The Qt window read back through its widgets, for the layout contract.
class QtInspector : public ComponentInspector {
 public:
  explicit QtInspector(MainWindow& window) : window_(window) {}

  bool Shows(LayoutWindow) const override { return true; }

  std::vector<InspectedComponent> Find(LayoutWindow which, std::string_view name) const override {
    std::vector<InspectedComponent> found;
    for (QWidget* widget : Components(which)) {
      if (widget->objectName() == QLatin1String(name)) found.push_back(Inspect(which, widget));
    }
    return found;
  }

  std::optional<std::vector<std::string>> TabOrder(LayoutWindow which) const override {
    QWidget* root = Root(which);
    std::vector<std::string> order;
    // The chain is a cycle through the whole window; the bound only guards against a broken one.
    QWidget* widget = root->nextInFocusChain();
    for (int step = 0; widget != root && step < 10000; ++step, widget = widget->nextInFocusChain()) {
      if (widget->focusPolicy() != Qt::NoFocus && IsComponent(which, widget)) {
        order.push_back(widget->objectName().toStdString());
      }
    }
    return order;
  }

  std::optional<std::vector<std::string>> StackingOrder(LayoutWindow which, std::string_view parent) const override {
    std::vector<std::string> order;
    for (QWidget* widget : Components(which)) {
      if (widget->objectName() != QLatin1String(parent)) continue;
      // A notebook shows one page at a time and reorders them as it does; its order is the pages'.
      if (const auto* notebook = qobject_cast<const QStackedWidget*>(widget)) {
        for (int page = 0; page < notebook->count(); ++page) order.push_back(notebook->widget(page)->objectName().toStdString());
        continue;
      }
      for (QObject* child : widget->children()) {
        auto* component = qobject_cast<QWidget*>(child);
        if (component != nullptr && IsComponent(which, component)) order.push_back(component->objectName().toStdString());
      }
    }
    return order;
  }

 private:
  QWidget* Root(LayoutWindow which) const {
    switch (which) {
      case LayoutWindow::Main:
        return &window_;
      case LayoutWindow::MessageWindow:
        return &window_.Messages();
      case LayoutWindow::LogForm:
        break;
    }
    return &window_.LogForm();
  }

  bool IsComponent(LayoutWindow which, const QWidget* widget) const {
    return widget->window() == Root(which) && FindLayout(which, widget->objectName().toStdString()) != nullptr;
  }

  // The window and every widget in it that has a component's name.
  std::vector<QWidget*> Components(LayoutWindow which) const {
    std::vector<QWidget*> components = {Root(which)};
    for (QWidget* widget : Root(which)->findChildren<QWidget*>()) {
      if (IsComponent(which, widget)) components.push_back(widget);
    }
    return components;
  }

  InspectedComponent Inspect(LayoutWindow which, const QWidget* widget) const {
    InspectedComponent component;
    component.hidden = widget->isHidden();
    component.font = InspectFont(widget);
    if (widget == Root(which)) {
      component.parent = "";
      component.box = LayoutBox{0, 0, widget->width(), widget->height()};
      component.text = widget->windowTitle().toStdString();
      return component;
    }
    component.parent = widget->parentWidget()->objectName().toStdString();
    const QRect box = widget->geometry();
    component.box = LayoutBox{box.x(), box.y(), box.width(), box.height()};
    if (const auto* pin = dynamic_cast<const PinEdit*>(widget)) {
      component.text = pin->PinText().toStdString();
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
      component.text = edit->text().toStdString();
    } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      component.text = label->text().toStdString();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      component.text = button->text().toStdString();
    }
    return component;
  }

  static InspectedFont InspectFont(const QWidget* widget) {
    const QFont& font = widget->font();
    InspectedFont inspected{font.families().value(0).toStdString(), font.pixelSize(), font.bold(), std::nullopt};
    if (qobject_cast<const QLabel*>(widget) != nullptr) {
      inspected.colour = widget->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu;
    }
    return inspected;
  }

  MainWindow& window_;
};

TEST_F(WindowTest, WindowsMatchTheLayout) {
  MakeWindow();
  ExpectViewMatchesLayout(QtInspector(window()));
}

TEST_F(WindowTest, LabelsThatFollowTheirTextKeepTheirCorner) {
  MakeWindow();
  QWidget* status = window().Widget(Control::StatusLine);
  window().SetCaption(Control::StatusLine, u"Can't connect to the box");
  EXPECT_EQ(status->pos(), QPoint(16, 88));
  EXPECT_GT(status->width(), 100);
  // A fixed label keeps its box whatever it is given.
  window().SetCaption(Control::BoxIdLine, u"Box ID: 0123456789012345678901234567890123456789");
  EXPECT_EQ(window().Widget(Control::BoxIdLine)->geometry(), QRect(8, 308, 361, 22));
}

// Every control's box in its parent, by role; an empty box for a role the window lacks.
std::vector<std::pair<QRect, int>> BoxesInParents(const MainWindow& window) {
  std::vector<std::pair<QRect, int>> boxes(static_cast<std::size_t>(Control::Count));
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (const QWidget* widget = window.Widget(static_cast<Control>(i)))
      boxes[i] = {widget->geometry(), widget->parentWidget()->width()};
  }
  return boxes;
}

// Arabic lays the window out as the English one seen in a mirror: each control keeps its top
// and its size (a label that follows its text, its starting edge), the logo panel lies right of
// the page, and a label that grows grows leftwards.
TEST_F(WindowTest, IsMirroredInARightToLeftLanguage) {
  MakeWindow();
  const std::vector<std::pair<QRect, int>> english = BoxesInParents(window());
  EXPECT_FALSE(window().isRightToLeft());
  window_.reset();
  MakeWindow(false, kWindowTestCatalogue, "ar");
  const std::vector<std::pair<QRect, int>> arabic = BoxesInParents(window());
  EXPECT_TRUE(window().isRightToLeft());
  EXPECT_TRUE(window().Messages().isRightToLeft());
  for (std::size_t i = 0; i < english.size(); ++i) {
    const auto& [english_box, parent_width] = english[i];
    const QRect& arabic_box = arabic[i].first;
    SCOPED_TRACE(ControlName(static_cast<Control>(i)));
    EXPECT_EQ(arabic_box.top(), english_box.top());
    EXPECT_EQ(parent_width - 1 - arabic_box.right(), english_box.left());
    const auto* label = dynamic_cast<const LayoutLabel*>(window().Widget(static_cast<Control>(i)));
    if (label == nullptr || label->Fixed()) {
      EXPECT_EQ(arabic_box.size(), english_box.size());
    }
  }
  const QRect page = window().Widget(Control::Pages)->geometry();
  EXPECT_GE(window().Widget(Control::LogoFrame)->geometry().left(), page.right());
  EXPECT_GE(window().Widget(Control::WizardTitle)->geometry().left(), page.right());
  QWidget* status = window().Widget(Control::StatusLine);
  window().SetCaption(Control::StatusLine, u"Can't connect to the box");
  EXPECT_GT(status->width(), 100);
  EXPECT_EQ(status->geometry().right(), 505 - 16 - 1);
  // The next window made in English is laid out left to right again.
  window_.reset();
  MakeWindow();
  EXPECT_FALSE(window().Messages().isRightToLeft());
}

TEST_F(WindowTest, LabelTextsAreNeverReadAsMarkup) {
  MakeWindow();
  for (int i = 0; i < static_cast<int>(Control::Count); ++i) {
    if (auto* label = qobject_cast<QLabel*>(window().Widget(static_cast<Control>(i)))) {
      SCOPED_TRACE(ControlName(static_cast<Control>(i)));
      if (label->pixmap().isNull()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
      }
    }
  }
  window().SetCaption(Control::BoxIdLine, u"<b>Box</b> &amp;");
  EXPECT_EQ(CaptionOf(Control::BoxIdLine), QStringLiteral("<b>Box</b> &amp;"));
}

TEST_F(WindowTest, StartsOnWelcomeWithItsInitialTextsAndTimers) {
  MakeWindow();
  EXPECT_EQ(window().CurrentPage(), kPageWelcome);
  EXPECT_EQ(window().Get<QStackedWidget>(Control::Pages)->count(), 4);
  EXPECT_EQ(CaptionOf(Control::VersionFooter), QStringLiteral("Dididuz 2015 - Version 1.2.8"));
  EXPECT_EQ(CaptionOf(Control::BoxLink), QStringLiteral("http://www.rodiduz.com/id/00000000"));
  EXPECT_EQ(CaptionOf(Control::LadderTesting), QStringLiteral("Testing"));
  EXPECT_EQ(window().Text(Control::PinField), u"    ");
  EXPECT_EQ(window().Widget(Control::BoxLink)->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(window().Running(WizardTimer::kTick));
  EXPECT_TRUE(window().Running(WizardTimer::kSendPump));
  EXPECT_FALSE(window().Running(WizardTimer::kDots));
  EXPECT_EQ(window().Get<QSlider>(Control::LadderSlider)->minimum(), 0);
  EXPECT_EQ(window().Get<QSlider>(Control::LadderSlider)->maximum(), 6);
  EXPECT_EQ(window().SelectedOperator(), -1);
  EXPECT_FALSE(window().IsChecked(Control::ShowAllOperators));
  EXPECT_FALSE(window().IsChecked(Control::CredentialsGiven));
}

TEST_F(WindowTest, HintsAreToolTipsOfTheirFields) {
  MakeWindow();
  int hints = 0;
  for (const ComponentLayout& row : WindowLayout()) {
    if (row.window != LayoutWindow::Main || row.control == Control::Count) continue;
    SCOPED_TRACE(row.name);
    const QString expected = row.hint == nullptr ? QString() : QString::fromUtf8(row.hint);
    EXPECT_EQ(window().Widget(row.control)->toolTip(), expected);
    hints += row.hint != nullptr;
  }
  EXPECT_EQ(hints, 4);
  EXPECT_EQ(window().Get<QLineEdit>(Control::ApnField)->toolTip(), QStringLiteral("APN name from operator - normally \"internet\""));
  EXPECT_TRUE(window().toolTip().isEmpty());
}

TEST_F(WindowTest, PicturesAreEmbeddedAtTheirSizes) {
  MakeWindow();
  const QPixmap logo = window().Get<QLabel>(Control::Logo)->pixmap();
  EXPECT_EQ(logo.size(), QSize(145, 165));
  EXPECT_TRUE(logo.hasAlphaChannel());
  for (Control tick : {Control::LadderFoundCheck, Control::LadderStartedCheck, Control::LadderTestedCheck, Control::DoneCheck}) {
    SCOPED_TRACE(ControlName(tick));
    const auto* picture = qobject_cast<QLabel*>(window().Widget(tick));
    EXPECT_EQ(picture->pixmap().size(), QSize(64, 64));
    EXPECT_TRUE(picture->pixmap().hasAlphaChannel());
    EXPECT_EQ(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);
  }
  EXPECT_FALSE(window().Get<QLabel>(Control::Background)->pixmap().isNull());
  EXPECT_TRUE(window().Get<QLabel>(Control::Background)->hasScaledContents());
  // The gradient runs from dark at the top to white at the bottom.
  const QImage background = window().Get<QLabel>(Control::Background)->pixmap().toImage();
  const QColor top = background.pixelColor(0, 0);
  const QColor bottom = background.pixelColor(0, background.height() - 1);
  EXPECT_LT(top.lightness(), 80);
  EXPECT_GT(top.blue(), top.red());
  EXPECT_GT(bottom.lightness(), 245);
}

TEST_F(WindowTest, OpenSansIsBundled) {
  MakeWindow();
  EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Open Sans")));
  EXPECT_EQ(QFontInfo(window().Get<LayoutLabel>(Control::WelcomeHeadline)->font()).family(), QStringLiteral("Open Sans"));
  EXPECT_TRUE(QFontInfo(window().Get<LayoutLabel>(Control::WelcomeHeadline)->font()).bold());
  EXPECT_EQ(window().Get<LayoutLabel>(Control::WelcomeHeadline)->font().pixelSize(), 27);
  EXPECT_EQ(window().Get<LayoutLabel>(Control::BoxIdLine)->font().pixelSize(), 16);
}

}  // namespace

namespace {

TEST_F(WindowTest, KeepsBlackTextOnItsPicturesUnderADarkDesktopTheme) {
  const QPalette desktop = QApplication::palette();
  QPalette dark = desktop;
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Base, Qt::black);
  QApplication::setPalette(dark);
  MakeWindow();
  for (QWidget* widget : {static_cast<QWidget*>(window().Get<QCheckBox>(Control::ShowAllOperators)), static_cast<QWidget*>(window().Get<LayoutLabel>(Control::PinCaption)),
                          static_cast<QWidget*>(window().Messages().text)}) {
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_LT(widget->palette().color(QPalette::WindowText).lightness(), 60);
  }
  EXPECT_GT(window().Get<QLineEdit>(Control::ApnField)->palette().color(QPalette::Base).lightness(), 200);
  window_.reset();
  QApplication::setPalette(desktop);
}

}  // namespace
