// The flow over the real layout table, with texts measured at a fixed width per character: the
// English keeps every box, and a longer text grows, wraps, widens and pushes as it should.
#include "controller/layout_flow.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "controller/page_presenter.h"

namespace {

constexpr int kCharWidth = 7;
constexpr int kLineHeight = 20;
constexpr int kButtonFrame = 8;

// Every character as wide as the next; lines break anywhere. Texts and visibility of a few
// components are set by the test, the others show the table's.
class FixedWidthMeasure : public TextMeasure {
 public:
  std::map<Control, std::string> shown;
  std::map<Control, bool> visible;

  int OneLineWidth(const ComponentLayout& row, FlowText which) const override {
    const int text = kCharWidth * static_cast<int>(Text(row, which).size());
    return row.kind == ComponentKind::Button || row.kind == ComponentKind::CheckBox ? text + kButtonFrame : text;
  }
  int HeightAt(const ComponentLayout& row, int width, FlowText which) const override {
    const int text = kCharWidth * static_cast<int>(Text(row, which).size());
    const bool check_box = row.kind == ComponentKind::CheckBox;
    if (check_box) width -= kButtonFrame;
    if (width <= 0 || (!row.Wraps() && KeepsWidth(row) && !check_box)) return kLineHeight;
    return kLineHeight * std::max(1, (text + width - 1) / width);
  }
  bool IsShown(const ComponentLayout& row) const override {
    const auto set = visible.find(row.control);
    return set != visible.end() ? set->second : !row.Hidden();
  }

 private:
  std::string Text(const ComponentLayout& row, FlowText which) const {
    const auto set = shown.find(row.control);
    if (which == FlowText::kShown && set != shown.end()) return set->second;
    return row.text == nullptr ? "" : row.text;
  }
};

const ComponentLayout& Container(const char* name) { return *FindLayout(LayoutWindow::Main, name); }
const ComponentLayout& PageOf(Control control) { return Container(LayoutOf(control).parent); }

LayoutBox BoxOf(const ContainerFlow& flow, Control control) { return flow.Find(LayoutOf(control))->box; }
int MovedDown(const ContainerFlow& flow, Control control) { return BoxOf(flow, control).top - LayoutOf(control).box.top; }

TEST(LayoutFlowTest, TheEnglishTextsKeepEveryBoxOfTheTable) {
  const FixedWidthMeasure measure;
  for (const ComponentLayout& container : WindowLayout()) {
    if (ChildrenOf(container.window, container.name).empty()) continue;
    const ContainerFlow flow = FlowContainer(container, measure);
    EXPECT_EQ(HeightNeeded(container.window, measure, PagePresenter::ShowsDuringARun), 0) << container.name;
    EXPECT_EQ(flow.overflow, 0) << container.name;
    EXPECT_TRUE(flow.too_narrow.empty()) << container.name;
    for (const FlowedComponent& placed : flow.components) {
      SCOPED_TRACE(placed.row->name);
      EXPECT_EQ(placed.box.left, placed.row->box.left);
      EXPECT_EQ(placed.box.top, placed.row->box.top);
      if (KeepsWidth(*placed.row)) {
        EXPECT_EQ(placed.box.width, placed.row->box.width);
      }
      if (KeepsHeight(*placed.row)) {
        EXPECT_EQ(placed.box.height, placed.row->box.height);
      }
      EXPECT_EQ(placed.wraps, placed.row->Wraps());
    }
  }
}

TEST(LayoutFlowTest, ALongerHeadingPushesItsColumnDownAndWideGapsGiveWayFirst) {
  FixedWidthMeasure measure;
  // The first step's heading needs two lines of its 481 px.
  measure.shown[Control::LadderConnectHeading] = std::string(100, 'x');
  measure.visible[Control::LadderSearching] = true;
  measure.visible[Control::LadderFoundCheck] = true;
  measure.visible[Control::LadderTestHeading] = true;
  const ContainerFlow ladder = FlowContainer(PageOf(Control::LadderConnectHeading), measure);
  EXPECT_EQ(MovedDown(ladder, Control::LadderConnectHeading), 0);
  EXPECT_EQ(MovedDown(ladder, Control::StatusLine), 0) << "above it";
  EXPECT_EQ(MovedDown(ladder, Control::LadderSearching), kLineHeight);
  EXPECT_EQ(MovedDown(ladder, Control::LadderFoundCheck), kLineHeight) << "a picture of its column";
  // The wide gap above the second step takes the line.
  EXPECT_EQ(MovedDown(ladder, Control::LadderStartupHeading), 0);

  // What is hidden pushes nothing until it shows.
  measure.shown[Control::LadderTesting] = std::string(100, 'x');
  measure.visible[Control::LadderTested] = true;
  EXPECT_EQ(MovedDown(FlowContainer(PageOf(Control::LadderTesting), measure), Control::LadderTested), 0);
  measure.visible[Control::LadderTesting] = true;
  EXPECT_GT(MovedDown(FlowContainer(PageOf(Control::LadderTesting), measure), Control::LadderTested), 0);

  // The welcome note's fixed box has room for more lines before the Start button.
  measure.shown[Control::WelcomeNote] = std::string(140, 'x');
  const ContainerFlow welcome = FlowContainer(PageOf(Control::WelcomeNote), measure);
  EXPECT_EQ(BoxOf(welcome, Control::WelcomeNote).height, LayoutOf(Control::WelcomeNote).box.height);
  EXPECT_EQ(MovedDown(welcome, Control::Start), 0);
}

TEST(LayoutFlowTest, AFollowingLabelWrapsWhereItsRowEndsAndAFrameGrowsWithWhatItHolds) {
  FixedWidthMeasure measure;
  measure.shown[Control::LadderSearching] = std::string(80, 'x');
  measure.visible[Control::LadderSearching] = true;
  measure.visible[Control::LadderFound] = true;
  const ContainerFlow ladder = FlowContainer(PageOf(Control::LadderSearching), measure);
  const LayoutBox searching = BoxOf(ladder, Control::LadderSearching);
  // Up to the check mark beside it, less the gap.
  EXPECT_EQ(searching.left + searching.width, LayoutOf(Control::LadderFoundCheck).box.left - kFlowGap);
  EXPECT_TRUE(ladder.Find(LayoutOf(Control::LadderSearching))->wraps);
  EXPECT_EQ(searching.height, 2 * kLineHeight);
  EXPECT_GT(MovedDown(ladder, Control::LadderFound), 0);

  measure.shown[Control::ManualSettingsCaption] = std::string(200, 'x');
  const ContainerFlow setup = FlowContainer(PageOf(Control::ManualSettingsCaption), measure);
  const int moved = MovedDown(setup, Control::ApnField);
  EXPECT_GT(moved, 0);
  EXPECT_EQ(MovedDown(setup, Control::CredentialsGiven), moved);
  EXPECT_EQ(BoxOf(setup, Control::OperatorFrame).height, LayoutOf(Control::OperatorFrame).box.height + moved);
  EXPECT_EQ(MovedDown(setup, Control::OperatorList), 0) << "above it";
}

TEST(LayoutFlowTest, ButtonsWidenAwayFromTheirEdgeWhileTheRowHasRoomAndSaySoWhenNot) {
  FixedWidthMeasure measure;
  measure.shown[Control::CopyLink] = std::string(20, 'x');
  measure.shown[Control::Exit] = std::string(20, 'x');
  const ContainerFlow done = FlowContainer(PageOf(Control::CopyLink), measure);
  const LayoutBox copy = BoxOf(done, Control::CopyLink);
  EXPECT_EQ(copy.left, LayoutOf(Control::CopyLink).box.left);
  EXPECT_EQ(copy.width, 20 * kCharWidth + kButtonFrame);
  EXPECT_EQ(BoxOf(done, Control::LinkCopiedNote).left,
            LayoutOf(Control::LinkCopiedNote).box.left + copy.width - LayoutOf(Control::CopyLink).box.width);
  const LayoutBox exit = BoxOf(done, Control::Exit);
  const LayoutBox& exit_row = LayoutOf(Control::Exit).box;
  EXPECT_EQ(exit.left + exit.width, exit_row.left + exit_row.width);
  EXPECT_EQ(exit.width, 20 * kCharWidth + kButtonFrame);
  EXPECT_TRUE(done.too_narrow.empty());

  measure.shown[Control::Next] = std::string(100, 'x');
  const ContainerFlow setup = FlowContainer(PageOf(Control::Next), measure);
  EXPECT_EQ(setup.too_narrow, std::vector<const ComponentLayout*>{&LayoutOf(Control::Next)});
}

TEST(LayoutFlowTest, ACheckBoxWithNoRoomBesideItBreaksItsCaptionAndPushesWhatIsBelow) {
  FixedWidthMeasure measure;
  // The password's caption stands beside the check box: its caption takes three lines.
  measure.shown[Control::CredentialsGiven] = std::string(70, 'x');
  const ContainerFlow setup = FlowContainer(PageOf(Control::CredentialsGiven), measure);
  EXPECT_TRUE(setup.too_narrow.empty());
  const FlowedComponent& credentials = *setup.Find(LayoutOf(Control::CredentialsGiven));
  const LayoutBox& table = LayoutOf(Control::CredentialsGiven).box;
  EXPECT_TRUE(credentials.wraps);
  EXPECT_EQ(credentials.box.width, table.width);
  EXPECT_EQ(credentials.box.height, 3 * kLineHeight);
  EXPECT_EQ(BoxOf(setup, Control::OperatorFrame).height,
            LayoutOf(Control::OperatorFrame).box.height + 3 * kLineHeight - table.height);
  EXPECT_EQ(MovedDown(setup, Control::PasswordCaption), 0) << "beside it";
}

TEST(LayoutFlowTest, AWindowGrowsByWhatItsFullestPageNeedsAndItsBottomMovesWithIt) {
  FixedWidthMeasure measure;
  // Hidden until a run shows it, yet measured: the window is as tall as any moment needs.
  measure.shown[Control::LadderTesting] = std::string(400, 'x');
  EXPECT_EQ(FlowContainer(PageOf(Control::LadderTesting), measure).overflow, 0);
  EXPECT_GT(HeightNeeded(LayoutWindow::Main, measure, PagePresenter::ShowsDuringARun), 0);
  measure.shown.clear();
  // What no run shows is not.
  measure.shown[Control::RestartCaption] = std::string(400, 'x');
  EXPECT_EQ(HeightNeeded(LayoutWindow::Main, measure, PagePresenter::ShowsDuringARun), 0);

  measure.shown[Control::DoneHeadline] = std::string(600, 'x');
  const ComponentLayout& done_page = PageOf(Control::DoneHeadline);
  const int needed = HeightNeeded(LayoutWindow::Main, measure, PagePresenter::ShowsDuringARun);
  EXPECT_GT(needed, 0);
  EXPECT_EQ(needed, FlowContainer(done_page, measure).overflow);

  const ContainerFlow grown = FlowContainer(done_page, measure, needed);
  EXPECT_EQ(grown.overflow, 0);
  const ContainerFlow window = FlowContainer(Container("Form1"), measure, needed);
  EXPECT_EQ(BoxOf(window, Control::Background).height, LayoutOf(Control::Background).box.height + needed);
  EXPECT_EQ(BoxOf(window, Control::Pages).height, LayoutOf(Control::Pages).box.height + needed);
  EXPECT_EQ(BoxOf(window, Control::Divider).height, LayoutOf(Control::Divider).box.height + needed);
  EXPECT_EQ(MovedDown(window, Control::VersionFooter), needed);
  EXPECT_EQ(MovedDown(window, Control::SignalLine), 0) << "not at the bottom";
  EXPECT_EQ(MovedDown(window, Control::Logo), 0);
  // A page with room to spare keeps its buttons at its grown bottom.
  const ContainerFlow welcome = FlowContainer(PageOf(Control::Start), measure, needed);
  EXPECT_EQ(MovedDown(welcome, Control::Start), needed);
  EXPECT_EQ(MovedDown(welcome, Control::WelcomeNote), 0);
}

}  // namespace
