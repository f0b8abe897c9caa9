// What a form shows screen readers: the description its window is given,
// the changes it is told of, and a client's default action; and the
// portable rules behind them (platform/Accessibility.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeWindowSystem.h"
#include "platform/Accessibility.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/PictureView.h"

namespace {

using platform::AccessibleChange;
using platform::AccessibleDirection;
using platform::AccessibleTree;
using testsupport::FakeWindow;
using testsupport::FakeWindowSystem;
using Kind = platform::AccessibleChange::Kind;
using Type = platform::WindowEvent::Type;
using platform::kAccessibleFocusable;
using platform::kAccessibleFocused;
using platform::kAccessibleHot;
using platform::kAccessiblePressed;
using platform::kAccessibleUnavailable;

// The launcher's layout: Edit, Cut, Join and the close button, in the order
// screen readers number them.
AccessibleTree LauncherLayout() {
  AccessibleTree tree;
  for (const platform::PixelRect& r : {platform::PixelRect{251, 170, 171, 165}, platform::PixelRect{428, 170, 171, 78},
                                       platform::PixelRect{428, 257, 171, 78}, platform::PixelRect{834, 4, 20, 20}}) {
    platform::AccessibleElement element;
    element.bounds = r;
    tree.children.push_back(element);
  }
  return tree;
}

TEST(AccessibleNavigation, MovesByPlaceAndOrderOnTheLauncherLayout) {
  const AccessibleTree tree = LauncherLayout();
  enum { Edit, Cut, Join, Close, None = -1 };
  struct Case {
    int from;
    AccessibleDirection direction;
    int to;
  } cases[] = {
      {Edit, AccessibleDirection::Right, Cut},   // Cut and Join are as near: the earlier
      {Cut, AccessibleDirection::Down, Join},    {Join, AccessibleDirection::Up, Cut},
      {Cut, AccessibleDirection::Left, Edit},    {Join, AccessibleDirection::Left, Edit},
      {Cut, AccessibleDirection::Up, None},      // Close lies above but shares no column
      {Cut, AccessibleDirection::Right, None},   {Edit, AccessibleDirection::Left, None},
      {Edit, AccessibleDirection::Next, Cut},    {Close, AccessibleDirection::Next, None},
      {Cut, AccessibleDirection::Previous, Edit}, {Edit, AccessibleDirection::Previous, None},
      {None, AccessibleDirection::First, Edit},  {None, AccessibleDirection::Last, Close},
      {7, AccessibleDirection::Down, None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " dir " + std::to_string(static_cast<int>(c.direction)));
    EXPECT_EQ(platform::NavigateAccessible(tree, c.from, c.direction), c.to);
  }
  EXPECT_EQ(platform::NavigateAccessible(AccessibleTree{}, -1, AccessibleDirection::First), -1);

  EXPECT_EQ(platform::AccessibleChildAt(tree, 251, 170), Edit);
  EXPECT_EQ(platform::AccessibleChildAt(tree, 421, 334), Edit);
  EXPECT_EQ(platform::AccessibleChildAt(tree, 422, 200), None);  // the gap between Edit and Cut
  EXPECT_EQ(platform::AccessibleChildAt(tree, 500, 300), Join);
  EXPECT_EQ(platform::AccessibleChildAt(tree, 853, 23), Close);
  EXPECT_EQ(platform::AccessibleChildAt(tree, 854, 23), None);
}

TEST(AccessibleChanges, TellTheFocusFirstThenEachChildsOwnChanges) {
  AccessibleTree before = LauncherLayout();
  before.children[0].states = kAccessibleFocused;
  AccessibleTree after = before;
  after.children[0].states = 0;
  after.children[2].states = kAccessibleFocused | kAccessiblePressed;
  after.children[3].name = u"关闭";
  after.children[1].bounds.left = 0;
  EXPECT_EQ(platform::AccessibleChanges(before, after),
            (std::vector<AccessibleChange>{{Kind::Focus, 2}, {Kind::State, 0}, {Kind::Location, 1},
                                           {Kind::State, 2}, {Kind::Name, 3}}));
  EXPECT_TRUE(platform::AccessibleChanges(after, after).empty());

  // From nothing: the window's name, its children, and where the focus is.
  AccessibleTree shown = after;
  shown.visible = true;
  shown.name = u"Vidorra";
  EXPECT_EQ(platform::AccessibleChanges(AccessibleTree{}, shown),
            (std::vector<AccessibleChange>{
                {Kind::Visibility, -1}, {Kind::Name, -1}, {Kind::Children, -1}, {Kind::Focus, 2}}));
}

// A tab stop that counts its clicks.
class TButton : public ui::TPictureView {
 public:
  explicit TButton(ui::RepaintSink* owner) : ui::TPictureView(owner) { SetTabStop(true); }
  int clicks = 0;

 protected:
  void Click() override { ++clicks; }
};

class FormAccessibilityTest : public ::testing::Test {
 protected:
  FormAccessibilityTest() : fake_(new FakeWindowSystem), app_(std::unique_ptr<platform::WindowSystem>(fake_)) {
    app_.SetTitle(u"Vidorra");
    form_ = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{100, 50, ui::bsNone});
    form_->SetCaption(u"Vidorra");
    a_ = Add(0, 0);
    b_ = Add(40, 0);
    form_->SetAccessibleChildren({{a_, u"甲", u"A"}, {b_, u"乙", u"B"}});
  }
  TButton* Add(int left, int top) {
    TButton* button = form_->CreateControl<TButton>();
    button->SetBounds(left, top, 30, 20);
    return button;
  }
  FakeWindow& Window() { return *fake_->windows.at(form_->WindowId()); }
  // Handles `events` and returns the changes the window was told of.
  std::vector<AccessibleChange> After(const std::vector<platform::WindowEvent>& events) {
    Window().accessibleChanges.clear();
    for (platform::WindowEvent event : events) {
      event.window = form_->WindowId();
      fake_->queue.push_back(event);
    }
    while (!fake_->queue.empty()) app_.HandleMessage();
    return Window().accessibleChanges;
  }
  static platform::WindowEvent Event(Type type, int x = 0, int y = 0) {
    platform::WindowEvent event;
    event.type = type;
    event.x = x;
    event.y = y;
    return event;
  }
  static platform::WindowEvent Key(platform::KeyCode key) {
    platform::WindowEvent event = Event(Type::KeyDown);
    event.key = key;
    return event;
  }
  static platform::WindowEvent Action(int child) {
    platform::WindowEvent event = Event(Type::AccessibleAction);
    event.child = child;
    return event;
  }
  std::uint32_t States(int child) { return Window().accessible.children.at(static_cast<std::size_t>(child)).states; }

  FakeWindowSystem* fake_;  // owned by app_
  ui::TApplication app_;
  ui::TForm* form_ = nullptr;
  TButton* a_ = nullptr;
  TButton* b_ = nullptr;
};

TEST_F(FormAccessibilityTest, TheWindowIsGivenTheChildrenWithTheirTextsPlacesAndStates) {
  form_->Show();
  const AccessibleTree& tree = Window().accessible;
  EXPECT_EQ(tree.application, u"Vidorra");
  EXPECT_EQ(tree.name, u"Vidorra");
  EXPECT_TRUE(tree.visible);
  ASSERT_EQ(tree.children.size(), 2u);
  EXPECT_EQ(tree.children[0].name, u"甲");
  EXPECT_EQ(tree.children[0].description, u"A");
  EXPECT_EQ(tree.children[1].name, u"乙");
  EXPECT_EQ(tree.children[1].defaultAction, u"按下");
  EXPECT_EQ(tree.children[1].role, platform::AccessibleRole::PushButton);
  EXPECT_EQ(tree.children[1].bounds.left, 40);
  EXPECT_EQ(tree.children[1].bounds.width, 30);
  // Show gave the first tab stop the focus.
  EXPECT_EQ(States(0), kAccessibleFocusable | kAccessibleFocused);
  EXPECT_EQ(States(1), kAccessibleFocusable);
  EXPECT_EQ(tree, form_->AccessibleTree());
}

TEST_F(FormAccessibilityTest, HoverPressFocusAndEnabledChangesAreToldAsTheyHappen) {
  form_->Show();
  struct Case {
    const char* what;
    std::vector<platform::WindowEvent> events;
    std::vector<AccessibleChange> changes;
    std::uint32_t statesOfB;
  } cases[] = {
      {"hover", {Event(Type::MouseMove, 45, 5)}, {{Kind::State, 1}}, kAccessibleFocusable | kAccessibleHot},
      {"a left press takes the focus and presses at once",
       {Event(Type::MouseDown, 45, 5)},
       {{Kind::Focus, 1}, {Kind::State, 0}, {Kind::State, 1}},
       kAccessibleFocusable | kAccessibleFocused | kAccessibleHot | kAccessiblePressed},
      {"moving away keeps the press; the release ends it, then the hover",
       {Event(Type::MouseMove, 90, 45), Event(Type::MouseUp, 90, 45)},
       {{Kind::State, 1}, {Kind::State, 1}},
       kAccessibleFocusable | kAccessibleFocused},
      {"Tab moves the focus round", {Key(platform::KeyCode::Tab)}, {{Kind::Focus, 0}, {Kind::State, 0}, {Kind::State, 1}},
       kAccessibleFocusable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(After(c.events), c.changes);
    EXPECT_EQ(States(1), c.statesOfB);
  }
  EXPECT_EQ(b_->clicks, 0);

  Window().accessibleChanges.clear();
  b_->SetEnabled(false);
  EXPECT_EQ(Window().accessibleChanges, (std::vector<AccessibleChange>{{Kind::State, 1}}));
  EXPECT_EQ(States(1), kAccessibleUnavailable);
  b_->SetEnabled(false);
  EXPECT_EQ(Window().accessibleChanges.size(), 1u) << "no change, nothing told";
}

TEST_F(FormAccessibilityTest, AClientsDefaultActionFocusesAndClicksAnEnabledChildOnly) {
  form_->Show();
  EXPECT_EQ(After({Action(1)}).front(), (AccessibleChange{Kind::Focus, 1}));
  EXPECT_EQ(b_->clicks, 1);
  EXPECT_EQ(form_->FocusedControl(), b_);
  EXPECT_EQ(a_->clicks, 0);

  a_->SetEnabled(false);
  After({Action(0), Action(2), Action(-1)});
  EXPECT_EQ(a_->clicks, 0);
  EXPECT_EQ(b_->clicks, 1);
  EXPECT_EQ(form_->FocusedControl(), b_);
}

TEST_F(FormAccessibilityTest, HidingAndShowingAreTold) {
  form_->Show();
  Window().accessibleChanges.clear();
  form_->Hide();
  EXPECT_FALSE(Window().accessible.visible);
  ASSERT_FALSE(Window().accessibleChanges.empty());
  EXPECT_EQ(Window().accessibleChanges.front(), (AccessibleChange{Kind::Visibility, -1}));
}

TEST(FormWithoutAccessibleChildren, GivesItsWindowNothing) {
  auto* fake = new FakeWindowSystem;
  ui::TApplication app{std::unique_ptr<platform::WindowSystem>(fake)};
  ui::TForm* form = app.CreateForm<ui::TForm>(ui::TForm::TCreateParams{20, 20, ui::bsNone});
  TButton* button = form->CreateControl<TButton>();
  button->SetBounds(0, 0, 10, 10);
  form->SetCaption(u"x");
  form->Show();
  fake->Mouse(Type::MouseMove, form->WindowId(), 5, 5);
  while (!fake->queue.empty()) app.HandleMessage();
  EXPECT_TRUE(fake->windows.at(form->WindowId())->accessibleChanges.empty());
  // Not one of this form's: left out.
  TButton stranger(nullptr);
  form->SetAccessibleChildren({{&stranger, u"x", u"y"}});
  EXPECT_TRUE(form->AccessibleTree().children.empty());
}

}  // namespace
