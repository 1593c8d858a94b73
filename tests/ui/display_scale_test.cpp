// The Qt windows at 200 %: twice the size, the 100 % window brought to scale, and pictures drawn
// for the finer display rather than enlarged, so they are as sharp as the text beside them.
#include <gtest/gtest.h>

#include <QLabel>
#include <string>

#include "rendered_pixels.h"
#include "window_fixture.h"

namespace {

QImage Part(const QImage& image, const QRect& box, qreal scale) {
  return image.copy(QRect((QPointF(box.topLeft()) * scale).toPoint(), (QSizeF(box.size()) * scale).toSize()));
}

QRect PlaceIn(QWidget& window, QWidget* component) {
  return {component->mapTo(&window, QPoint(0, 0)), component->size()};
}

// The 200 % rendering brought down to 100 % differs little from the 100 % one; text is drawn
// anew at each scale, so they are not the same pixels.
void ExpectBroughtToScale(QWidget& window, const std::string& what) {
  const QImage at_100 = Rendered(window, 1.0);
  const QImage at_200 = Rendered(window, 2.0);
  EXPECT_EQ(at_200.size(), at_100.size() * 2) << what;
  EXPECT_LT(MeanDifference(Reduced(ToPixels(at_200), 2), ToPixels(at_100)), 6.0) << what;
}

TEST_F(WindowTest, EveryWindowAt200PercentIsThe100PercentWindowBroughtToScale) {
  MakeWindow();
  for (int page = kPageWelcome; page <= kPageDone; ++page) {
    window().ShowPage(page);
    ExpectBroughtToScale(window(), "page " + std::to_string(page));
  }
  window().ShowInfo(u"Enter correct PIN code", true);
  ExpectBroughtToScale(window().Messages(), "message window");
  core().OpenLogWindow();
  ExpectBroughtToScale(window().LogForm(), "log window");
}

// Sharpness of a picture at 200 % against its 100 % rendering enlarged: a picture enlarged from
// 100 % pixels comes out no sharper than that (a ratio of 1); one drawn for 200 % well above.
TEST_F(WindowTest, PicturesAt200PercentAreDrawnForItNotEnlarged) {
  MakeWindow();
  window().ShowPage(kPageDone);
  for (Control picture : {Control::Logo, Control::DoneCheck}) {
    SCOPED_TRACE(ControlName(picture));
    const QRect box = PlaceIn(window(), window().Widget(picture));
    const QImage at_100 = Part(Rendered(window(), 1.0), box, 1.0);
    const QImage at_200 = Part(Rendered(window(), 2.0), box, 2.0);
    const QImage enlarged = at_100.scaled(at_200.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_GT(Sharpness(ToPixels(at_200)), 1.4 * Sharpness(ToPixels(enlarged)));
    EXPECT_EQ(window().Get<PictureLabel>(picture)->PaintedScale(), 2.0);
  }
  // At 150 % the picture drawn for 150 % is taken.
  (void)Rendered(window(), 1.5);
  EXPECT_EQ(window().Get<PictureLabel>(Control::Logo)->PaintedScale(), 1.5);
}

}  // namespace
