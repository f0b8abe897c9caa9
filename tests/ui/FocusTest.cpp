// The form's keyboard focus: tab order and arrows, Enter and Space, the
// focus ring, hot and pressed states, on a window system without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FakeWindowSystem.h"
#include "ui/Application.h"
#include "ui/FocusRing.h"
#include "ui/Form.h"
#include "ui/PictureView.h"

namespace {

using platform::KeyCode;
using platform::WindowEvent;
using testsupport::FakeWindow;
using testsupport::FakeWindowSystem;
using Type = WindowEvent::Type;

// A control that logs what reaches it, painted in one flat colour.
class TKeyProbe : public ui::TPictureView {
 public:
  explicit TKeyProbe(ui::RepaintSink* owner) : ui::TPictureView(owner) {}
  std::string name;
  std::vector<std::string>* log = nullptr;
  bool usable = true;  // CanFocus, for a tab stop

  bool CanFocus() const override { return TabStop() && usable; }

 protected:
  void Click() override {
    Note("click");
    ui::TPictureView::Click();
  }
  void ClickCompleted() override { Note("completed"); }
  void KeyPress() override { Note("press"); }
  void KeyPressEnd(bool activate) override { Note(activate ? "release" : "cancel"); }
  void MouseDown(ui::TMouseButton b, ui::TShiftState shift, int x, int y) override {
    Note("down" + std::to_string(b));
    ui::TPictureView::MouseDown(b, shift, x, y);
  }

 private:
  void Note(const std::string& what) { log->push_back(name + ":" + what); }
};

ui::TPngImage Solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  ui::TPngImage image(w, h, false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      image.ColourRow(y)[3 * x] = r;
      image.ColourRow(y)[3 * x + 1] = g;
      image.ColourRow(y)[3 * x + 2] = b;
    }
  return image;
}

// The launcher's layout: close (created first, tab order 3), edit, cut and
// join, and a background that takes no focus.
class FocusTest : public ::testing::Test {
 protected:
  FocusTest() : fake_(new FakeWindowSystem), app_(std::unique_ptr<platform::WindowSystem>(fake_)) {
    form_ = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{858, 518, ui::bsNone});
    form_->SetFocusRingColor(0x00FFFF);
    background_ = Add("bk", 0, 0, 858, 518, -1);
    Add("close", 834, 4, 20, 20, 3);
    Add("edit", 251, 170, 171, 165, 0);
    Add("cut", 428, 170, 171, 78, 1);
    Add("join", 428, 257, 171, 78, 2);
    form_->OnFocusChange = [this](ui::TForm&, ui::TControl* focused) {
      log_.push_back("focus " + (focused != nullptr ? Name(*focused) : std::string("none")));
    };
  }

  TKeyProbe* Add(const std::string& name, int left, int top, int w, int h, int tabOrder) {
    TKeyProbe* probe = form_->CreateControl<TKeyProbe>();
    probe->name = name;
    probe->log = &log_;
    probe->SetBounds(left, top, w, h);
    probe->Picture().Assign(Solid(w, h, 20, static_cast<std::uint8_t>(40 + controls_.size()), 60));
    if (tabOrder >= 0) {
      probe->SetTabStop(true);
      probe->SetTabOrder(tabOrder);
    }
    controls_[name] = probe;
    return probe;
  }
  static std::string Name(const ui::TControl& control) { return static_cast<const TKeyProbe&>(control).name; }
  std::string Focused() const {
    return form_->FocusedControl() != nullptr ? Name(*form_->FocusedControl()) : std::string("none");
  }
  FakeWindow& Window() { return *fake_->windows.at(form_->WindowId()); }

  void Key(Type type, KeyCode key, std::uint8_t modifiers = 0, bool repeat = false) {
    fake_->Key(type, form_->WindowId(), key, modifiers, repeat);
  }
  void Press(KeyCode key, std::uint8_t modifiers = 0) {
    Key(Type::KeyDown, key, modifiers);
    Key(Type::KeyUp, key, modifiers);
  }
  void Mouse(Type type, int x, int y, std::uint8_t button = WindowEvent::Left) {
    fake_->Mouse(type, form_->WindowId(), x, y, button);
  }
  void Run() {
    while (!fake_->queue.empty()) app_.HandleMessage();
  }

  FakeWindowSystem* fake_;  // owned by app_
  ui::TApplication app_;
  ui::TForm* form_ = nullptr;
  TKeyProbe* background_ = nullptr;
  std::map<std::string, TKeyProbe*> controls_;
  std::vector<std::string> log_;
};

TEST_F(FocusTest, ShowFocusesTheFirstInTabOrderAndTabAndTheArrowsMoveIt) {
  form_->Show();
  EXPECT_EQ(Focused(), "edit");
  EXPECT_EQ(log_, std::vector<std::string>{"focus edit"});

  struct Case {
    const char* from;
    KeyCode key;
    std::uint8_t modifiers;
    const char* to;
  } const cases[] = {
      {"edit", KeyCode::Tab, 0, "cut"},
      {"cut", KeyCode::Tab, 0, "join"},
      {"join", KeyCode::Tab, 0, "close"},
      {"close", KeyCode::Tab, 0, "edit"},  // and round
      {"edit", KeyCode::Tab, WindowEvent::Shift, "close"},
      {"cut", KeyCode::Tab, WindowEvent::Shift, "edit"},
      {"edit", KeyCode::Right, 0, "cut"},  // cut and join are as near: tab order decides
      {"cut", KeyCode::Down, 0, "join"},
      {"join", KeyCode::Up, 0, "cut"},
      {"cut", KeyCode::Left, 0, "edit"},
      {"join", KeyCode::Left, 0, "edit"},
      // Nothing lies that way (the close button is above and right of
      // everything, overlapping none of them): the focus stays.
      {"edit", KeyCode::Up, 0, "edit"},
      {"edit", KeyCode::Left, 0, "edit"},
      {"cut", KeyCode::Right, 0, "cut"},
      {"cut", KeyCode::Up, 0, "cut"},
      {"join", KeyCode::Down, 0, "join"},
      {"close", KeyCode::Left, 0, "close"},
      {"close", KeyCode::Down, 0, "close"},
      // Alt and Ctrl belong to other uses.
      {"edit", KeyCode::Tab, WindowEvent::Ctrl, "edit"},
      {"edit", KeyCode::Tab, WindowEvent::Alt, "edit"},
      {"edit", KeyCode::Right, WindowEvent::Ctrl, "edit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " key " + std::to_string(static_cast<int>(c.key)) + " mods " +
                 std::to_string(c.modifiers));
    form_->SetFocusedControl(controls_.at(c.from));
    log_.clear();
    Press(c.key, c.modifiers);
    Run();
    EXPECT_EQ(Focused(), c.to);
    EXPECT_EQ(log_, c.to == std::string(c.from) ? std::vector<std::string>{}
                                                 : std::vector<std::string>{std::string("focus ") + c.to});
  }

  // A control that cannot take the focus now is passed over, by Tab and by
  // the arrows; SetFocusedControl takes tab stops of this form only.
  controls_.at("cut")->usable = false;
  form_->SetFocusedControl(controls_.at("edit"));
  Press(KeyCode::Tab);
  Run();
  EXPECT_EQ(Focused(), "join");
  Press(KeyCode::Tab, WindowEvent::Shift);
  Run();
  EXPECT_EQ(Focused(), "edit");
  Press(KeyCode::Right);
  Run();
  EXPECT_EQ(Focused(), "join");
  form_->SetFocusedControl(background_);
  EXPECT_EQ(Focused(), "join");
  TKeyProbe stranger(form_);
  stranger.SetTabStop(true);
  form_->SetFocusedControl(&stranger);
  EXPECT_EQ(Focused(), "join");
  form_->SetFocusedControl(nullptr);
  EXPECT_EQ(Focused(), "none");
}

TEST_F(FocusTest, EnterClicksAtOnceAndSpaceClicksWhenReleasedUnlessCancelled) {
  form_->Show();
  struct Case {
    const char* name;
    std::function<void()> keys;
    std::vector<std::string> expected;
    const char* focused = "edit";
  } const cases[] = {
      {"Enter", [&] { Press(KeyCode::Enter); }, {"edit:click", "edit:completed"}},
      {"a held Enter repeats: one click",
       [&] {
         Key(Type::KeyDown, KeyCode::Enter);
         Key(Type::KeyDown, KeyCode::Enter, 0, true);
         Key(Type::KeyDown, KeyCode::Enter, 0, true);
         Key(Type::KeyUp, KeyCode::Enter);
       },
       {"edit:click", "edit:completed"}},
      {"Space: pressed while down, a click when it comes up, once however long it repeats",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         Key(Type::KeyDown, KeyCode::Space, 0, true);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"edit:press", "edit:release", "edit:click", "edit:completed"}},
      {"Escape does not end the press, as it does not end a push button's",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         Press(KeyCode::Escape);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"edit:press", "edit:release", "edit:click", "edit:completed"}},
      {"moving the focus cancels it",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         Press(KeyCode::Tab);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"edit:press", "edit:cancel", "focus cut"}, "cut"},
      {"losing the keyboard cancels it",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         fake_->Push(Type::FocusLost, form_->WindowId());
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"edit:press", "edit:cancel"}},
      {"a mouse press cancels it (the background takes no focus)",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         Mouse(Type::MouseDown, 100, 400, WindowEvent::Right);
         Mouse(Type::MouseUp, 100, 400, WindowEvent::Right);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"edit:press", "edit:cancel", "bk:down1"}},
      {"Enter during the press: one click",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         Press(KeyCode::Enter);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"edit:press", "edit:cancel", "edit:click", "edit:completed"}},
      {"Space while the left button is held does nothing",
       [&] {
         Mouse(Type::MouseDown, 100, 400);
         Press(KeyCode::Space);
         Mouse(Type::MouseUp, 100, 400);
       },
       {"bk:down0", "bk:click"}},
      {"with Alt or Ctrl nothing, and a Space-up alone nothing",
       [&] {
         Press(KeyCode::Enter, WindowEvent::Alt);
         Press(KeyCode::Space, WindowEvent::Alt);
         Press(KeyCode::Enter, WindowEvent::Ctrl);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_->SetFocusedControl(controls_.at("edit"));
    log_.clear();
    c.keys();
    Run();
    EXPECT_EQ(log_, c.expected);
    EXPECT_EQ(Focused(), c.focused);
    EXPECT_EQ(form_->PressedControl(), nullptr);
  }

  // A control that cannot take the focus now is not activated.
  controls_.at("edit")->usable = false;
  log_.clear();
  Press(KeyCode::Enter);
  Press(KeyCode::Space);
  Run();
  EXPECT_TRUE(log_.empty());
}

TEST_F(FocusTest, TheRingAppearsWithTheFirstKeyAndFollowsTheFocus) {
  // What the controls paint, one over the other.
  ui::TPngImage painted(858, 518, false);
  for (const char* name : {"bk", "close", "edit", "cut", "join"}) {
    const TKeyProbe& c = *controls_.at(name);
    painted.Draw(c.Left(), c.Top(), *c.Picture().Graphic());
  }
  const auto same = [](const ui::TPngImage& a, const ui::TPngImage& b) {
    return std::equal(a.ColourRow(0), a.ColourRow(0) + 858 * 3 * 518, b.ColourRow(0));
  };
  form_->Show();
  EXPECT_TRUE(same(Window().screen, painted));
  // The mouse alone: clicks, hover, a right press. Every frame is the
  // controls' own.
  Mouse(Type::MouseMove, 500, 200);
  Mouse(Type::MouseDown, 500, 200);
  Mouse(Type::MouseUp, 500, 200);
  Mouse(Type::MouseDown, 300, 200, WindowEvent::Right);
  Mouse(Type::MouseUp, 300, 200, WindowEvent::Right);
  Run();
  EXPECT_EQ(Focused(), "cut") << "a left press gives the focus; the right one does not";
  EXPECT_FALSE(form_->FocusCuesShown());
  EXPECT_TRUE(same(Window().screen, painted));

  const auto pixel = [&](int x, int y) {
    const std::uint8_t* p = Window().screen.ColourRow(y) + 3 * x;
    return std::vector<int>{p[0], p[1], p[2]};
  };
  const std::vector<int> yellow{255, 255, 0};
  // Cut at (428, 170, 171 x 78): the ring 2 pixels wide, 3 inside its edge.
  const auto ringOn = [&](int left, int top, int w, int h) {
    return pixel(left + 3, top + 3) == yellow && pixel(left + 4, top + h / 2) == yellow &&
           pixel(left + w - 4, top + h - 5) == yellow && pixel(left + w / 2, top + h - 4) == yellow &&
           pixel(left + 2, top + 2) != yellow && pixel(left + 5, top + 5) != yellow &&
           pixel(left + w - 3, top + h / 2) != yellow;
  };
  // Any key counts, even one the form does nothing with.
  Window().presents.clear();
  Press(KeyCode::Other);
  Run();
  EXPECT_TRUE(form_->FocusCuesShown());
  EXPECT_TRUE(ringOn(428, 170, 171, 78));
  ASSERT_EQ(Window().presents.size(), 1u) << "the focused control's area only";
  EXPECT_EQ(Window().presents[0].left, 428);
  EXPECT_EQ(Window().presents[0].width, 171);

  Press(KeyCode::Down);
  Run();
  EXPECT_FALSE(ringOn(428, 170, 171, 78));
  EXPECT_EQ(pixel(431, 173), (std::vector<int>{20, 43, 60})) << "cut shows its own picture again";
  EXPECT_TRUE(ringOn(428, 257, 171, 78));
  // The ring lies over what the control paints, and stays through its
  // repaints.
  controls_.at("join")->Repaint();
  EXPECT_TRUE(ringOn(428, 257, 171, 78));
  // A mouse press now moves the ring too.
  Mouse(Type::MouseDown, 844, 14);
  Mouse(Type::MouseUp, 844, 14);
  Run();
  EXPECT_TRUE(ringOn(834, 4, 20, 20));
  EXPECT_FALSE(ringOn(428, 257, 171, 78));
}

TEST_F(FocusTest, HiddenAndShownAgainTheFocusStaysAndKeysTypedMeanwhileAreDropped) {
  form_->Show();
  // Cut's click hides the form, as starting a program does; keys arrive
  // while it is hidden.
  controls_.at("cut")->OnClick = [&](ui::TControl&) {
    form_->Hide();
    Press(KeyCode::Enter);
    Press(KeyCode::Tab);
    form_->Show();
  };
  Press(KeyCode::Tab);
  Key(Type::KeyDown, KeyCode::Space);
  Run();
  ASSERT_EQ(Focused(), "cut");
  log_.clear();
  Key(Type::KeyUp, KeyCode::Space);
  Run();
  EXPECT_EQ(log_, (std::vector<std::string>{"cut:release", "cut:click", "cut:completed"}));
  EXPECT_EQ(Focused(), "cut");
  EXPECT_TRUE(form_->FocusCuesShown());

  // Hiding in the middle of a Space press cancels it.
  Key(Type::KeyDown, KeyCode::Space);
  Run();
  log_.clear();
  form_->Hide();
  EXPECT_EQ(log_, std::vector<std::string>{"cut:cancel"});
  form_->Show();
  Key(Type::KeyUp, KeyCode::Space);
  Run();
  EXPECT_EQ(log_, std::vector<std::string>{"cut:cancel"});
}

TEST_F(FocusTest, AltF4ClosesTheMainForm) {
  form_->Show();
  Press(KeyCode::F4);
  Press(KeyCode::F4, WindowEvent::Ctrl | WindowEvent::Alt);
  Key(Type::KeyDown, KeyCode::F4, WindowEvent::Alt, true);
  Run();
  EXPECT_FALSE(app_.Terminated());
  Press(KeyCode::F4, WindowEvent::Alt);
  app_.HandleMessage();
  EXPECT_TRUE(app_.Terminated());
}

TEST_F(FocusTest, HotAndPressedStatesAreReportedBeforeTheClick) {
  form_->OnControlStateChange = [this](ui::TForm& form, ui::TControl& control) {
    log_.push_back("state " + Name(control) + (form.HotControl() == &control ? " hot" : "") +
                   (form.PressedControl() == &control ? " pressed" : ""));
  };
  form_->Show();
  struct Case {
    const char* name;
    std::function<void()> input;
    std::vector<std::string> expected;
  } const cases[] = {
      {"hover, left press and release",
       [&] {
         Mouse(Type::MouseMove, 300, 200);
         Mouse(Type::MouseDown, 300, 200);
         Mouse(Type::MouseUp, 300, 200);
         Mouse(Type::MouseLeave, 0, 0);
       },
       {"state edit hot", "state edit hot pressed", "edit:down0", "state edit hot", "edit:click",
        "state edit"}},
      {"a right press is no press",
       [&] {
         Mouse(Type::MouseDown, 500, 200, WindowEvent::Right);
         Mouse(Type::MouseUp, 500, 200, WindowEvent::Right);
         Mouse(Type::MouseLeave, 0, 0);
       },
       {"state cut hot", "cut:down1", "state cut"}},
      {"Space",
       [&] {
         Key(Type::KeyDown, KeyCode::Space);
         Key(Type::KeyUp, KeyCode::Space);
       },
       {"state edit pressed", "edit:press", "state edit", "edit:release", "edit:click", "edit:completed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_->SetFocusedControl(controls_.at("edit"));
    log_.clear();
    c.input();
    Run();
    EXPECT_EQ(log_, c.expected);
  }
}

TEST(FocusRing, MetricsFollowTheScaleAndDrawingStaysInsideTheSurface) {
  struct Case {
    double scale;
    int thickness, inset;
  } const cases[] = {{1, 2, 3}, {1.25, 3, 4}, {1.5, 3, 5}, {2, 4, 6}, {0.25, 1, 1}, {0, 2, 3}, {-1, 2, 3}};
  for (const Case& c : cases) {
    const ui::TFocusRingMetrics m = ui::FocusRingMetrics(c.scale);
    EXPECT_EQ(m.thickness, c.thickness) << c.scale;
    EXPECT_EQ(m.inset, c.inset) << c.scale;
  }
  // Rows of a 10 x 6 surface after drawing, '#' for the ring.
  const auto draw = [](int left, int top, int w, int h, ui::TFocusRingMetrics m) {
    ui::TPngImage surface(10, 6, false);
    ui::DrawFocusRing(surface, left, top, w, h, 0x0000FF, m);
    std::vector<std::string> rows;
    for (int y = 0; y < 6; ++y) {
      std::string row;
      for (int x = 0; x < 10; ++x) row += surface.ColourRow(y)[3 * x] == 255 ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  };
  EXPECT_EQ(draw(0, 0, 10, 6, {1, 1}),
            (std::vector<std::string>{"..........", ".########.", ".#......#.", ".#......#.", ".########.",
                                      ".........."}));
  // Partly outside the surface, and thicker than the space inside.
  EXPECT_EQ(draw(-3, 2, 8, 20, {2, 0}),
            (std::vector<std::string>{"..........", "..........", "#####.....", "#####.....", "...##.....",
                                      "...##....."}));
  EXPECT_EQ(draw(2, 1, 3, 3, {5, 0}),
            (std::vector<std::string>{"..........", "..###.....", "..###.....", "..###.....", "..........",
                                      ".........."}));
  EXPECT_EQ(draw(0, 0, 4, 4, {1, 2}), draw(0, 0, 0, 0, {1, 0})) << "nothing left inside the inset";
}

}  // namespace
