// The layout table holds together, and the recording view starts as the table says.
#include "controller/window_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/wizard_fixture.h"
#include "support/layout_contract.h"

namespace {

TEST(WindowLayoutTest, EveryKeyHasOneRowAndEveryParentComesBeforeItsChildren) {
  std::set<std::pair<LayoutWindow, std::string>> seen;
  std::set<Control> keys;
  for (const ComponentLayout& row : WindowLayout()) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(seen.emplace(row.window, row.name).second) << "name repeated in its window";
    if (row.kind == ComponentKind::Window) {
      EXPECT_STREQ(row.parent, "");
    } else {
      EXPECT_TRUE(seen.contains({row.window, row.parent})) << "parent " << row.parent << " not above";
    }
    if (row.control != Control::Count) {
      EXPECT_TRUE(keys.insert(row.control).second);
      EXPECT_EQ(&LayoutOf(row.control), &row);
    }
    EXPECT_EQ(row.font.face == FontFace::Inherited, row.font.points == 0);
    EXPECT_EQ(row.kind == ComponentKind::Picture, row.picture != LayoutPicture::None);
  }
  EXPECT_EQ(keys.size(), static_cast<std::size_t>(Control::Count));
  EXPECT_STREQ(ControlName(Control::DoneStep1Line2), "s");
  EXPECT_STREQ(ControlName(Control::Count), "?");
}

TEST(WindowLayoutTest, TabStopsAreDistinctWithinEachParentAndTheChainVisitsEveryFocusable) {
  for (const ComponentLayout& parent : WindowLayout()) {
    std::set<int> orders;
    for (const ComponentLayout* child : ChildrenOf(parent.window, parent.name)) {
      SCOPED_TRACE(child->name);
      if (child->tab_order != kNoTabStop) {
        EXPECT_TRUE(orders.insert(child->tab_order).second);
      }
      // A component that takes the focus is in the chain only through its tab stop.
      if (TakesFocus(child->kind)) {
        EXPECT_NE(child->tab_order, kNoTabStop);
      }
    }
  }
  std::size_t focusable = 0;
  for (const ComponentLayout& row : WindowLayout())
    focusable += row.window == LayoutWindow::Main && TakesFocus(row.kind);
  EXPECT_EQ(TabChain(LayoutWindow::Main).size(), focusable);
  EXPECT_EQ(TabChain(LayoutWindow::MessageWindow).size(), 1u);
  std::vector<std::string> log_chain;
  for (const ComponentLayout* stop : TabChain(LayoutWindow::LogForm)) log_chain.emplace_back(stop->name);
  EXPECT_EQ(log_chain, (std::vector<std::string>{"LogText", "CopyAll", "SaveAs", "Close"}));
  // Screen readers name the log's text by the caption before it.
  EXPECT_STREQ(CaptionOf(*FindLayout(LayoutWindow::LogForm, kLogTextName))->text, "Log so far:");
}

// Screen readers name each page by its headline, and each picture by what it shows unless it is
// only the gradient behind the texts.
TEST(WindowLayoutTest, PagesAreNamedByTheirHeadlinesAndPicturesByWhatTheyShow) {
  const struct {
    const char* page;
    Control headline;
  } pages[] = {{"Welcome", Control::WelcomeHeadline},
               {"Communicating", Control::ConnectHeadline},
               {"Setup_", Control::SetupHeadline},
               {"Done_", Control::DoneHeadline}};
  for (const auto& row : pages) {
    SCOPED_TRACE(row.page);
    EXPECT_EQ(HeadlineOf(*FindLayout(LayoutWindow::Main, row.page)), &LayoutOf(row.headline));
  }
  EXPECT_EQ(HeadlineOf(LayoutOf(Control::Pages)), nullptr);
  EXPECT_STREQ(PictureName(LayoutPicture::Logo), "Rodiduz Box logo");
  EXPECT_STREQ(PictureName(LayoutPicture::CheckMark), "Done");
  EXPECT_EQ(PictureName(LayoutPicture::Background), nullptr);
  EXPECT_EQ(PictureName(LayoutPicture::MessageBackground), nullptr);
}

// The recording view holds texts and visibility only; where and how things are drawn is the
// windows' part of the contract.
class RecordingInspector : public ComponentInspector {
 public:
  explicit RecordingInspector(const RecordingView& view) : view_(view) {}

  bool Shows(LayoutWindow window) const override { return window == LayoutWindow::Main; }

  std::vector<InspectedComponent> Find(LayoutWindow window, std::string_view name) const override {
    const ComponentLayout* row = FindLayout(window, name);
    if (row == nullptr) return {};
    // The window and its pages are not modelled: present, with nothing to compare.
    if (row->control == Control::Count) return {InspectedComponent{}};
    const bool edit = row->kind == ComponentKind::Edit || row->kind == ComponentKind::MaskedEdit;
    InspectedComponent component;
    component.text = NativeToUtf8(edit ? view_.Text(row->control) : view_.Caption(row->control));
    component.hidden = !view_.IsVisible(row->control);
    return {component};
  }

  std::optional<std::vector<std::string>> TabOrder(LayoutWindow) const override { return std::nullopt; }
  std::optional<std::vector<std::string>> StackingOrder(LayoutWindow, std::string_view) const override {
    return std::nullopt;
  }

 private:
  const RecordingView& view_;
};

TEST(WindowLayoutTest, RecordingViewMatchesTheLayoutAfterStartUp) {
  WizardFixture fixture;
  ExpectViewMatchesLayout(RecordingInspector(fixture.view()));
}

}  // namespace
