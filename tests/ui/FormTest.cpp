// The form, its mouse routing, timers and the application loop, on a window
// system without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeWindowSystem.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/PictureView.h"
#include "ui/Timer.h"

namespace {

using testsupport::FakeWindow;
using testsupport::FakeWindowSystem;
using Type = platform::WindowEvent::Type;

ui::TPngImage Solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, int alpha = -1) {
  ui::TPngImage image(w, h, alpha >= 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      image.ColourRow(y)[3 * x] = r;
      image.ColourRow(y)[3 * x + 1] = g;
      image.ColourRow(y)[3 * x + 2] = b;
      if (alpha >= 0) image.AlphaRow(y)[x] = static_cast<std::uint8_t>(alpha);
    }
  return image;
}

std::vector<int> Pixel(const ui::TPngImage& image, int x, int y) {
  const std::uint8_t* p = image.ColourRow(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

// A control that writes every input it gets to a shared list, repainting
// itself at once on enter and leave as the image button does.
class TProbe : public ui::TPictureView {
 public:
  explicit TProbe(ui::RepaintSink* owner) : ui::TPictureView(owner) {}
  std::string name;
  std::vector<std::string>* log = nullptr;

 protected:
  void MouseEnter() override { Note("enter"); Repaint(); }
  void MouseLeave() override { Note("leave"); Repaint(); }
  void MouseDown(ui::TMouseButton b, ui::TShiftState shift, int x, int y) override {
    Note("down" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y));
    ui::TPictureView::MouseDown(b, shift, x, y);
  }
  void MouseUp(ui::TMouseButton b, ui::TShiftState, int x, int y) override {
    Note("up" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y));
  }
  void Click() override {
    Note("click");
    ui::TPictureView::Click();
  }

 private:
  void Note(const std::string& what) { log->push_back(name + ":" + what); }
};

class FormTest : public ::testing::Test {
 protected:
  FormTest() : fake_(new FakeWindowSystem), app_(std::unique_ptr<platform::WindowSystem>(fake_)) {}

  ui::TForm* MakeForm(int w = 60, int h = 40) {
    form_ = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{w, h, ui::bsNone});
    return form_;
  }
  TProbe* AddProbe(const std::string& name, int left, int top, int w, int h) {
    TProbe* probe = form_->CreateControl<TProbe>();
    probe->name = name;
    probe->log = &log_;
    probe->SetBounds(left, top, w, h);
    probe->Picture().Assign(Solid(w, h, 10, 20, 30));
    return probe;
  }
  FakeWindow& Window() { return *fake_->windows.at(form_->WindowId()); }
  void Mouse(Type type, int x, int y, std::uint8_t button = 0) {
    fake_->Mouse(type, form_->WindowId(), x, y, button);
  }

  FakeWindowSystem* fake_;  // owned by app_
  ui::TApplication app_;
  ui::TForm* form_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(FormTest, WindowIsCreatedHiddenWithTheParamsAndTheMainFormsTaskbarChoice) {
  app_.SetMainFormOnTaskBar(false);
  MakeForm(858, 518);
  ui::TForm* second = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{10, 10, ui::bsSingle});
  EXPECT_EQ(app_.MainForm(), form_);
  EXPECT_FALSE(Window().visible);
  EXPECT_EQ(Window().params.clientWidth, 858);
  EXPECT_EQ(Window().params.clientHeight, 518);
  EXPECT_TRUE(Window().params.borderless);
  EXPECT_FALSE(Window().params.taskbarButton);
  const FakeWindow& other = *fake_->windows.at(second->WindowId());
  EXPECT_FALSE(other.params.borderless);
  EXPECT_TRUE(other.params.taskbarButton);
  form_->SetCaption(u"Vidorra");
  EXPECT_EQ(Window().title, u"Vidorra");
  EXPECT_EQ(form_->Tag(), 0);
}

TEST_F(FormTest, ComposesControlsInCreationOrderWithAlphaOverTheFormColour) {
  MakeForm(30, 10);
  form_->SetColor(0x0000FF);  // red, as 0xBBGGRR
  ui::TPictureView* bottom = form_->CreateControl<ui::TPictureView>();
  bottom->SetBounds(0, 0, 20, 10);
  bottom->Picture().Assign(Solid(20, 10, 0, 200, 0));
  ui::TPictureView* top = form_->CreateControl<ui::TPictureView>();
  top->SetBounds(10, 0, 20, 10);
  top->Picture().Assign(Solid(20, 10, 0, 0, 255, 128));  // half transparent blue
  form_->Show();

  ASSERT_TRUE(Window().visible);
  const ui::TPngImage& screen = Window().screen;
  EXPECT_EQ(Pixel(screen, 5, 5), (std::vector<int>{0, 200, 0}));       // bottom only
  EXPECT_EQ(Pixel(screen, 15, 5), (std::vector<int>{0, 100, 128}));    // blue over green
  EXPECT_EQ(Pixel(screen, 25, 5), (std::vector<int>{127, 0, 128}));    // blue over the form colour
  // Show presents the whole client area.
  ASSERT_FALSE(Window().presents.empty());
  EXPECT_EQ(Window().presents.back().width, 30);
}

TEST_F(FormTest, ImmediateRepaintReachesTheWindowBeforeItReturnsAndOnlyWhileShown) {
  MakeForm();
  ui::TPictureView* view = form_->CreateControl<ui::TPictureView>();
  view->SetBounds(5, 6, 8, 4);
  view->Picture().Assign(Solid(8, 4, 1, 2, 3));
  view->Repaint();
  EXPECT_TRUE(Window().presents.empty()) << "a hidden window is not painted";
  form_->Show();
  Window().presents.clear();

  view->Picture().Graphic()->ColourRow(0)[0] = 99;
  view->Repaint();
  ASSERT_EQ(Window().presents.size(), 1u);
  EXPECT_EQ(Window().presents[0].left, 5);
  EXPECT_EQ(Window().presents[0].top, 6);
  EXPECT_EQ(Window().presents[0].width, 8);
  EXPECT_EQ(Window().screen.ColourRow(6)[15], 99);

  // An invalidation waits for the loop to run dry.
  view->Picture().Assign(Solid(8, 4, 7, 7, 7));
  EXPECT_EQ(Window().presents.size(), 1u);
  app_.PaintPending();
  EXPECT_EQ(Pixel(Window().screen, 5, 6), (std::vector<int>{7, 7, 7}));
}

TEST_F(FormTest, MouseRoutingEnterLeaveCaptureAndClickBeforeMouseUp) {
  MakeForm(60, 40);
  AddProbe("a", 0, 0, 20, 20);
  AddProbe("b", 10, 10, 20, 20);  // above a where they overlap
  form_->Show();

  struct Case {
    const char* name;
    std::vector<std::tuple<Type, int, int, int>> events;  // type, x, y, button
    std::vector<std::string> expected;
  } cases[] = {
      {"hover moves from control to control; the upper one wins",
       {{Type::MouseMove, 2, 2, 0}, {Type::MouseMove, 15, 15, 0}, {Type::MouseMove, 50, 35, 0}},
       {"a:enter", "a:leave", "b:enter", "b:leave"}},
      {"press and release over a control: click, then mouse-up, in control coordinates",
       {{Type::MouseMove, 12, 12, 0}, {Type::MouseDown, 12, 12, 0}, {Type::MouseUp, 13, 12, 0}},
       {"b:enter", "b:down0@2,2", "b:click", "b:up0@3,2"}},
      {"released elsewhere: the pressed control gets the release, no click; leave comes after",
       {{Type::MouseMove, 12, 12, 0}, {Type::MouseDown, 12, 12, 0}, {Type::MouseMove, 2, 2, 0},
        {Type::MouseLeave, 0, 0, 0}, {Type::MouseUp, 70, 50, 0}},
       {"b:enter", "b:down0@2,2", "b:up0@60,40", "b:leave"}},
      {"right button: down and up, no click",
       {{Type::MouseDown, 3, 3, 1}, {Type::MouseUp, 3, 3, 1}},
       {"a:enter", "a:down1@3,3", "a:up1@3,3"}},
      {"leaving the window leaves the control",
       {{Type::MouseMove, 3, 3, 0}, {Type::MouseLeave, 0, 0, 0}},
       {"a:enter", "a:leave"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_.clear();
    for (const auto& [type, x, y, button] : c.events) Mouse(type, x, y, static_cast<std::uint8_t>(button));
    Mouse(Type::MouseLeave, 0, 0);
    while (!fake_->queue.empty()) app_.HandleMessage();
    // The closing leave of the table's last control is not part of a case.
    if (!log_.empty() && log_.back().ends_with(":leave") &&
        (c.expected.empty() || c.expected.back() != log_.back() || log_.size() > c.expected.size()))
      log_.pop_back();
    EXPECT_EQ(log_, c.expected);
  }
}

TEST_F(FormTest, DisabledControlsAreSkippedAndTheCursorFollowsTheControlUnderThePointer) {
  MakeForm(60, 40);
  TProbe* a = AddProbe("a", 0, 0, 20, 20);
  TProbe* b = AddProbe("b", 10, 10, 20, 20);
  a->SetCursor(ui::crHandPoint);
  b->SetEnabled(false);
  form_->Show();
  Mouse(Type::MouseMove, 12, 12);
  app_.HandleMessage();
  EXPECT_EQ(log_, (std::vector<std::string>{"a:enter"}));
  EXPECT_EQ(Window().cursor, platform::CursorShape::Hand);
  Mouse(Type::MouseMove, 40, 30);
  app_.HandleMessage();
  EXPECT_EQ(Window().cursor, platform::CursorShape::Arrow);
}

TEST_F(FormTest, OnShowRunsAtEveryShowAndHidingLeavesTheHoveredControl) {
  MakeForm();
  AddProbe("a", 0, 0, 20, 20);
  int shows = 0;
  form_->OnShow = [&](ui::TForm&) { ++shows; };
  form_->Show();
  form_->Show();  // already visible: nothing
  Mouse(Type::MouseMove, 5, 5);
  app_.HandleMessage();
  form_->Hide();
  EXPECT_FALSE(Window().visible);
  form_->Show();
  EXPECT_EQ(shows, 2);
  // Shown again with the pointer still over a: it is hovered again.
  EXPECT_EQ(log_, (std::vector<std::string>{"a:enter", "a:leave", "a:enter"}));
  // A show after a hide presents everything again.
  EXPECT_EQ(Window().presents.back().width, 60);
}

// A click whose handler hides the form (as starting a program does), with a
// second button still down and more clicks queued behind it.
TEST_F(FormTest, HidingEndsThePressAndShowingDropsQueuedInputAndTakesHoverFromThePointer) {
  MakeForm(60, 40);
  TProbe* a = AddProbe("a", 0, 0, 20, 20);
  AddProbe("b", 30, 0, 20, 20);
  a->OnClick = [&](ui::TControl&) {
    form_->Hide();
    // Queued before the hide or while hidden: the rest of a double click,
    // and the release of the second button.
    Mouse(Type::MouseDown, 5, 5, 0);
    Mouse(Type::MouseUp, 5, 5, 0);
    Mouse(Type::MouseUp, 5, 5, 1);
    fake_->Push(Type::Expose, form_->WindowId());
    fake_->pointer = std::pair{Window().x + 35, Window().y + 5};  // over b now
    form_->Show();
  };
  form_->Show();
  Mouse(Type::MouseMove, 5, 5);
  Mouse(Type::MouseDown, 5, 5, 0);
  Mouse(Type::MouseDown, 5, 5, 1);
  Mouse(Type::MouseUp, 5, 5, 0);
  while (!fake_->queue.empty()) app_.HandleMessage();
  EXPECT_EQ(log_, (std::vector<std::string>{"a:enter", "a:down0@5,5", "a:down1@5,5", "a:click", "a:leave",
                                            "b:enter", "a:up0@5,5"}));
  // Only mouse input was dropped.
  EXPECT_EQ(std::count(fake_->journal.begin(), fake_->journal.end(),
                       "event " + std::to_string(static_cast<int>(Type::Expose))),
            1);

  // Nothing sticks: a release with no press is no one's, and the next press
  // goes to the control under the pointer.
  log_.clear();
  Mouse(Type::MouseUp, 35, 5, 1);
  Mouse(Type::MouseDown, 35, 5, 0);
  Mouse(Type::MouseUp, 35, 5, 0);
  while (!fake_->queue.empty()) app_.HandleMessage();
  EXPECT_EQ(log_, (std::vector<std::string>{"b:down0@5,5", "b:click", "b:up0@5,5"}));
}

TEST_F(FormTest, DragMoveEndsWhereThePointerIsAtTheReleaseWithoutAMotion) {
  MakeForm(100, 80);
  TProbe* background = AddProbe("bg", 0, 0, 100, 80);
  form_->Show();
  Window().x = 300;
  Window().y = 200;
  background->OnMouseDown = [&](ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) {
    form_->ReleaseCapture();
    form_->Perform(ui::WM_SYSCOMMAND, ui::SC_DRAGMOVE, 0);
  };
  Mouse(Type::MouseDown, 40, 30, 0);
  Mouse(Type::MouseUp, 40 - 100, 30 - 80, 0);  // no motion reported on the way
  while (!fake_->queue.empty()) app_.HandleMessage();
  EXPECT_EQ(Window().x, 200);
  EXPECT_EQ(Window().y, 120);
}

TEST_F(FormTest, RunShowsTheMainFormAndCloseEndsTheLoop) {
  MakeForm();
  bool created = false;
  ui::TForm* other = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{10, 10, ui::bsSingle});
  fake_->whenIdle = [&] {
    created = Window().visible;
    other->Show();
    other->Close();  // not the main form: only hidden
    fake_->Push(Type::Close, form_->WindowId());
    fake_->Push(Type::MouseMove, form_->WindowId());  // never handled
  };
  app_.Run();
  EXPECT_TRUE(created);
  EXPECT_TRUE(app_.Terminated());
  EXPECT_FALSE(other->Visible());
  EXPECT_EQ(fake_->queue.size(), 1u);
}

TEST_F(FormTest, HiddenMainFormIsNotShownByRun) {
  app_.SetShowMainForm(false);
  MakeForm();
  app_.Run();  // the fake ends the loop when the queue is empty
  EXPECT_FALSE(Window().visible);
  EXPECT_EQ(std::count(fake_->journal.begin(), fake_->journal.end(), "show"), 0);
}

TEST_F(FormTest, TimerTicksThroughTheLoopUntilDisabledAndIgnoresStaleTicks) {
  MakeForm();
  ui::TTimer* timer = form_->CreateTimer();
  timer->SetEnabled(false);
  timer->SetInterval(1000);
  int ticks = 0;
  timer->SetOnTimer([&](ui::TTimer&) { ++ticks; });
  EXPECT_TRUE(fake_->timers.empty()) << "disabled at creation: nothing runs";

  timer->SetEnabled(true);
  ASSERT_EQ(fake_->timers.size(), 1u);
  EXPECT_EQ(fake_->timers.begin()->second, 1000);
  fake_->FireTimers();
  EXPECT_EQ(ticks, 0) << "a tick is delivered by the loop, not by the platform";
  app_.HandleMessage();
  EXPECT_EQ(ticks, 1);
  ASSERT_EQ(fake_->timers.size(), 1u) << "the next period runs";

  // A tick queued before the timer was stopped is not delivered.
  fake_->FireTimers();
  timer->SetEnabled(false);
  app_.HandleMessage();
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(fake_->timers.empty());

  // A handler that disables its timer gets exactly one tick.
  timer->SetOnTimer([&](ui::TTimer& t) {
    t.SetEnabled(false);
    ++ticks;
  });
  timer->SetEnabled(true);
  fake_->FireTimers();
  app_.HandleMessage();
  EXPECT_EQ(ticks, 2);
  EXPECT_TRUE(fake_->timers.empty());
}

TEST_F(FormTest, DragMoveFollowsThePointerUntilReleaseAndStillDeliversTicks) {
  MakeForm(100, 80);
  TProbe* background = AddProbe("bg", 0, 0, 100, 80);
  form_->Show();
  Window().x = 300;
  Window().y = 200;
  ui::TTimer* timer = form_->CreateTimer();
  int ticks = 0;
  EXPECT_TRUE(fake_->timers.empty()) << "no handler yet: the timer does not run";
  timer->SetOnTimer([&](ui::TTimer& t) {
    t.SetEnabled(false);
    ++ticks;
  });
  background->OnMouseDown = [&](ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) {
    form_->ReleaseCapture();
    // Queued now, handled by the move loop inside Perform: the window
    // follows, so each motion is reported relative to its new place.
    Mouse(Type::MouseMove, 40 + 15 - 0, 30 + 5);     // pointer +15,+5 from the grab
    Mouse(Type::MouseMove, 40 + 30 - 15, 30 + 25 - 5);  // pointer +30,+25 in all
    fake_->FireTimers();
    Mouse(Type::MouseUp, 40, 30, 1);
    form_->Perform(ui::WM_SYSCOMMAND, ui::SC_DRAGMOVE, 0);
    EXPECT_EQ(Window().x, 330);
    EXPECT_EQ(Window().y, 225);
  };
  Mouse(Type::MouseDown, 40, 30, 1);  // right button: a drag too
  while (!fake_->queue.empty()) app_.HandleMessage();
  EXPECT_EQ(Window().x, 330);
  EXPECT_EQ(Window().y, 225);
  EXPECT_EQ(ticks, 1);
  // The release belonged to the move: the control saw only its press.
  EXPECT_EQ(log_, (std::vector<std::string>{"bg:enter", "bg:down1@40,30"}));
}

TEST_F(FormTest, QuitFromThePlatformEndsTheLoop) {
  MakeForm();
  fake_->Push(Type::Quit);
  fake_->Push(Type::Expose, form_->WindowId());
  app_.Run();
  EXPECT_TRUE(app_.Terminated());
  EXPECT_EQ(fake_->queue.size(), 1u);
}

}  // namespace
