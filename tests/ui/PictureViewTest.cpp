#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "ui/PictureView.h"

using testsupport::LoadFixture;
using testsupport::RepaintRecorder;

namespace {

class CountingView : public ui::TPictureView {
 public:
  using ui::TPictureView::TPictureView;
  int positionChanges = 0;

 protected:
  void WindowPosChanged() override { ++positionChanges; }
};

TEST(Control, PositionChangeIsNotifiedAfterEveryChangeOnly) {
  CountingView view(nullptr);
  view.SetBounds(1, 2, 30, 40);
  EXPECT_EQ(view.positionChanges, 1);
  view.SetBounds(1, 2, 30, 40);  // nothing changed
  EXPECT_EQ(view.positionChanges, 1);
  view.SetLeft(5);
  view.SetTop(6);
  view.SetWidth(7);
  view.SetHeight(8);
  EXPECT_EQ(view.positionChanges, 5);
  view.SetWidth(-3);
  EXPECT_EQ(view.Width(), 0);
  EXPECT_EQ(view.positionChanges, 6);
}

TEST(PictureView, AutoSizeFollowsThePictureAndEveryChangeAsksForARedraw) {
  RepaintRecorder sink;
  CountingView view(&sink);
  view.SetBounds(3, 4, 100, 50);
  view.SetAutoSize(true);
  view.Picture().Assign(LoadFixture("normal_171x78.png"));
  EXPECT_EQ(view.Width(), 171);
  EXPECT_EQ(view.Height(), 78);
  EXPECT_EQ(view.Left(), 3);
  EXPECT_EQ(sink.invalidations, 1);

  view.SetAutoSize(false);
  view.Picture().Assign(LoadFixture("rgba_3x2.png"));
  EXPECT_EQ(view.Width(), 171);
  view.Picture().Clear();
  EXPECT_EQ(view.Width(), 171);  // an empty picture gives no size
  EXPECT_EQ(sink.invalidations, 3);
  EXPECT_TRUE(sink.frames.empty());
  view.Repaint();
  EXPECT_EQ(sink.frames.size(), 1u);
}

TEST(PictureView, PaintsThePictureAtItsPositionClippedToItsBounds) {
  CountingView view(nullptr);
  const ui::TPngImage small = LoadFixture("small_20x12.png");
  view.Picture().Assign(small);
  view.SetBounds(5, 6, 15, 100);  // narrower than the picture
  ui::TPngImage surface = LoadFixture("normal_171x78.png");
  const ui::TPngImage before = surface;
  view.PaintTo(surface);

  ui::TPngImage expected = before;
  ui::TPngImage clipped = small;
  clipped.Resize(15, 12);
  expected.Draw(5, 6, clipped);
  EXPECT_TRUE(testsupport::SameImage(surface, expected));
}

TEST(Control, ClickIsALeftReleaseOverTheControlAfterALeftPressOnIt) {
  struct Case {
    const char* name;
    ui::TMouseButton button;
    int upX, upY;
    bool enabled;
    std::vector<std::string> events;
  } const cases[] = {
      {"left inside", ui::mbLeft, 5, 5, true, {"down", "click", "up"}},
      {"left released outside", ui::mbLeft, 50, 5, true, {"down", "up"}},
      {"right inside", ui::mbRight, 5, 5, true, {"down", "up"}},
      {"disabled control", ui::mbLeft, 5, 5, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::TPictureView view(nullptr);
    view.SetBounds(0, 0, 20, 20);
    view.SetEnabled(c.enabled);
    std::vector<std::string> events;
    view.OnMouseDown = [&](ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) { events.push_back("down"); };
    view.OnMouseUp = [&](ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) { events.push_back("up"); };
    view.OnClick = [&](ui::TControl&) { events.push_back("click"); };
    view.PerformMouseDown(c.button, 0, 5, 5);
    view.PerformMouseUp(c.button, 0, c.upX, c.upY);
    EXPECT_EQ(events, c.events);
  }
}

TEST(Control, ReleaseWithoutPressIsNoClick) {
  ui::TPictureView view(nullptr);
  view.SetBounds(0, 0, 20, 20);
  int clicks = 0;
  view.OnClick = [&](ui::TControl&) { ++clicks; };
  view.PerformMouseUp(ui::mbLeft, 0, 5, 5);
  view.PerformMouseDown(ui::mbLeft, 0, 5, 5);
  view.PerformMouseUp(ui::mbLeft, 0, 5, 5);
  view.PerformMouseUp(ui::mbLeft, 0, 5, 5);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
