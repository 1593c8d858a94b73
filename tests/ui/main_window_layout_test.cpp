// The main window as the layout describes it: size, caption, components, state at creation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPixmap>
#include <vector>

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

TEST_F(WindowTest, EveryComponentExistsUnderItsNameWithItsLayoutVisibility) {
  MakeWindow();
  for (int i = 0; i < static_cast<int>(Control::Count); ++i) {
    const auto control = static_cast<Control>(i);
    SCOPED_TRACE(ControlName(control));
    QWidget* widget = window().Widget(control);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName().toStdString(), ControlName(control));
    EXPECT_EQ(window().IsVisible(control), !HiddenInLayout(control));
  }
}

struct PlaceRow {
  Control control;
  QRect box;
};

TEST_F(WindowTest, ComponentsWithFixedBoxesSitAtTheirPlaces) {
  MakeWindow();
  const PlaceRow rows[] = {
      {Control::Image2, {0, 0, 925, 453}},       {Control::Shape1, {102, 60, 174, 198}},
      {Control::Image1, {115, 78, 145, 165}},    {Control::Label18, {8, 308, 361, 22}},
      {Control::Label19, {8, 364, 361, 22}},     {Control::Panel2, {375, 8, 3, 435}},
      {Control::Notebook1, {412, 8, 505, 436}},  {Control::Label14, {16, 27, 465, 70}},
      {Control::Button8, {386, 397, 97, 29}},    {Control::Image3, {421, 151, 68, 64}},
      {Control::MaskEdit1, {34, 104, 57, 26}},   {Control::ComboBox1, {34, 186, 431, 26}},
      {Control::Edit4, {272, 104, 137, 30}},     {Control::CheckBox2, {34, 325, 232, 24}},
      {Control::Button7, {384, 396, 97, 29}},    {Control::Image6, {376, 280, 105, 105}},
      {Control::Button3, {384, 396, 97, 29}},    {Control::TrackBar1, {138, 382, 150, 45}},
      {Control::ListBox3, {8, 8, 113, 137}},     {Control::BitBtn1, {294, 418, 75, 25}},
  };
  for (const PlaceRow& row : rows) {
    SCOPED_TRACE(ControlName(row.control));
    EXPECT_EQ(window().Widget(row.control)->geometry(), row.box);
  }
}

TEST_F(WindowTest, LabelsThatFollowTheirTextKeepTheirCorner) {
  MakeWindow();
  QWidget* status = window().Widget(Control::Label24);
  window().SetCaption(Control::Label24, u"Can't connect to the box");
  EXPECT_EQ(status->pos(), QPoint(16, 88));
  EXPECT_GT(status->width(), 100);
  // A fixed label keeps its box whatever it is given.
  window().SetCaption(Control::Label18, u"Box ID: 0123456789012345678901234567890123456789");
  EXPECT_EQ(window().Widget(Control::Label18)->geometry(), QRect(8, 308, 361, 22));
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
  window().SetCaption(Control::Label18, u"<b>Box</b> &amp;");
  EXPECT_EQ(CaptionOf(Control::Label18), QStringLiteral("<b>Box</b> &amp;"));
}

TEST_F(WindowTest, StartsOnWelcomeWithItsInitialTextsAndTimers) {
  MakeWindow();
  EXPECT_EQ(window().CurrentPage(), kPageWelcome);
  EXPECT_EQ(window().Notebook1->count(), 4);
  EXPECT_EQ(CaptionOf(Control::Label27), QStringLiteral("Dididuz 2015 - Version 1.2.8"));
  EXPECT_EQ(CaptionOf(Control::Label29), QStringLiteral("http://www.rodiduz.com/id/00000000"));
  EXPECT_EQ(CaptionOf(Control::Label44), QStringLiteral("Testing"));
  EXPECT_EQ(window().Text(Control::MaskEdit1), u"    ");
  EXPECT_EQ(window().Widget(Control::Label29)->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(window().IsTimerEnabled(FormTimer::DeviceTimer));
  EXPECT_TRUE(window().IsTimerEnabled(FormTimer::DutSendQueueTimer));
  EXPECT_FALSE(window().IsTimerEnabled(FormTimer::Timer1));
  EXPECT_EQ(window().TrackBar1->minimum(), 0);
  EXPECT_EQ(window().TrackBar1->maximum(), 6);
  EXPECT_EQ(window().SelectedOperator(), -1);
  EXPECT_FALSE(window().IsChecked(Control::CheckBox1));
  EXPECT_FALSE(window().IsChecked(Control::CheckBox2));
}

TEST_F(WindowTest, HintsAreToolTipsOfTheirFields) {
  MakeWindow();
  EXPECT_EQ(window().MaskEdit1->toolTip(), QStringLiteral("If no PIN code provided - leave this field blank"));
  EXPECT_EQ(window().Edit1->toolTip(), QStringLiteral("APN name from operator - normally \"internet\""));
  EXPECT_EQ(window().Edit2->toolTip(), QStringLiteral("APN username from operator - normally blank"));
  EXPECT_EQ(window().Edit3->toolTip(), QStringLiteral("APN password from Operator - normally blank"));
  EXPECT_TRUE(window().toolTip().isEmpty());
}

TEST_F(WindowTest, StackingOrderRunsFromBackgroundToSlider) {
  MakeWindow();
  const std::vector<Control> back_to_front = {
      Control::Image2,  Control::Shape1,    Control::Image1, Control::Label2,   Control::Label21,
      Control::Label27, Control::Label19,   Control::Label20, Control::Label18, Control::ListBox1,
      Control::Notebook1, Control::Panel2,  Control::ListBox3, Control::BitBtn1, Control::TrackBar1};
  const QObjectList& children = window().children();
  int previous = -1;
  for (Control control : back_to_front) {
    SCOPED_TRACE(ControlName(control));
    const int at = static_cast<int>(children.indexOf(window().Widget(control)));
    EXPECT_GT(at, previous);
    previous = at;
  }
}

TEST_F(WindowTest, TabOrderFollowsTheLayout) {
  MakeWindow();
  const std::vector<Control> order = {Control::Button8, Control::MaskEdit1, Control::Edit4,   Control::ComboBox1,
                                      Control::CheckBox1, Control::Edit1,   Control::CheckBox2, Control::Edit2,
                                      Control::Edit3,   Control::Button7,   Control::Label29, Control::Button1,
                                      Control::Button2, Control::Button3};
  for (std::size_t i = 1; i < order.size(); ++i) {
    SCOPED_TRACE(ControlName(order[i]));
    QWidget* next = window().Widget(order[i - 1])->nextInFocusChain();
    // Widgets that take no focus may sit in between.
    while (next != nullptr && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, window().Widget(order[i]));
  }
}

TEST_F(WindowTest, PicturesAreEmbeddedAtTheirSizes) {
  MakeWindow();
  const QPixmap logo = window().Image1->pixmap();
  EXPECT_EQ(logo.size(), QSize(145, 165));
  EXPECT_TRUE(logo.hasAlphaChannel());
  for (Control tick : {Control::Image3, Control::Image4, Control::Image5, Control::Image6}) {
    SCOPED_TRACE(ControlName(tick));
    const auto* picture = qobject_cast<QLabel*>(window().Widget(tick));
    EXPECT_EQ(picture->pixmap().size(), QSize(64, 64));
    EXPECT_TRUE(picture->pixmap().hasAlphaChannel());
    EXPECT_EQ(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);
  }
  EXPECT_FALSE(window().Image2->pixmap().isNull());
  EXPECT_TRUE(window().Image2->hasScaledContents());
  // The gradient runs from dark at the top to white at the bottom.
  const QImage background = window().Image2->pixmap().toImage();
  const QColor top = background.pixelColor(0, 0);
  const QColor bottom = background.pixelColor(0, background.height() - 1);
  EXPECT_LT(top.lightness(), 80);
  EXPECT_GT(top.blue(), top.red());
  EXPECT_GT(bottom.lightness(), 245);
}

TEST_F(WindowTest, OpenSansIsBundled) {
  MakeWindow();
  EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Open Sans")));
  EXPECT_EQ(QFontInfo(window().Label14->font()).family(), QStringLiteral("Open Sans"));
  EXPECT_TRUE(QFontInfo(window().Label14->font()).bold());
  EXPECT_EQ(window().Label14->font().pixelSize(), 27);
  EXPECT_EQ(window().Label18->font().pixelSize(), 16);
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
  for (QWidget* widget : {static_cast<QWidget*>(window().CheckBox1), static_cast<QWidget*>(window().Label7),
                          static_cast<QWidget*>(window().MessageForm().Label1)}) {
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_LT(widget->palette().color(QPalette::WindowText).lightness(), 60);
  }
  EXPECT_GT(window().Edit1->palette().color(QPalette::Base).lightness(), 200);
  window_.reset();
  QApplication::setPalette(desktop);
}

}  // namespace
