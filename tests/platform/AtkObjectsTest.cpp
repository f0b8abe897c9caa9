// The ATK objects of platform/linux/AtkAccessibility.h, read through ATK as
// the bridge reads them (no bus needed), and how it decides whether an
// accessibility bus is there.
#include <gtest/gtest.h>

#include <atk/atk.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/linux/AtkAccessibility.h"

namespace {

using platform::AccessibleChange;
using platform::AccessibleTree;
using platform::atk::AtkAccessibility;
using platform::atk::AtkWindow;
using Kind = platform::AccessibleChange::Kind;

AccessibleTree Tree() {
  AccessibleTree tree;
  tree.application = u"Vidorra";
  tree.name = u"Vidorra";
  tree.visible = true;
  for (const auto& [name, description, x] : {std::tuple{u"视频剪切", u"Cut", 10}, std::tuple{u"视频合并", u"Join", 50}}) {
    platform::AccessibleElement element;
    element.name = name;
    element.description = description;
    element.defaultAction = u"按下";
    element.states = platform::kAccessibleFocusable;
    element.bounds = {x, 20, 30, 10};
    tree.children.push_back(element);
  }
  tree.children[0].states |= platform::kAccessibleFocused;
  return tree;
}

std::vector<AtkStateType> States(AtkObject* object) {
  AtkStateSet* set = atk_object_ref_state_set(object);
  std::vector<AtkStateType> states;
  for (int s = ATK_STATE_INVALID; s < ATK_STATE_LAST_DEFINED; ++s)
    if (atk_state_set_contains_state(set, static_cast<AtkStateType>(s))) states.push_back(static_cast<AtkStateType>(s));
  g_object_unref(set);
  return states;
}
bool Has(AtkObject* object, AtkStateType state) {
  const std::vector<AtkStateType> states = States(object);
  return std::find(states.begin(), states.end(), state) != states.end();
}

// State changes as the bridge hears them: through ATK's global event
// listener for AtkObject's state-change signal.
std::vector<std::string>* g_heard = nullptr;
gboolean HearStateChange(GSignalInvocationHint* hint, guint count, const GValue* values, gpointer) {
  if (g_heard == nullptr || count < 3) return TRUE;
  AtkObject* object = ATK_OBJECT(g_value_get_object(&values[0]));
  const char* name = atk_object_get_name(object);
  g_heard->push_back(std::string(name != nullptr ? name : "?") + " " + g_value_get_string(&values[1]) + "=" +
                     (g_value_get_boolean(&values[2]) ? "1" : "0"));
  (void)hint;
  return TRUE;
}

class AtkObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AtkWindow::Hooks hooks;
    hooks.screenRect = [] { return platform::PixelRect{200, 100, 90, 40}; };
    hooks.activate = [this](int child) { activated_.push_back(child); };
    window_ = atk_.AddWindow(hooks);
    const AccessibleTree tree = Tree();
    window_->Update(tree, platform::AccessibleChanges(AccessibleTree{}, tree));
    atk_.BuildObjects();
  }
  AtkObject* Root() { return ATK_OBJECT(atk_.RootObject()); }
  AtkObject* Frame() { return ATK_OBJECT(window_->FrameObject()); }
  // A child of the frame (the caller's reference ends with the test).
  AtkObject* Button(int i) {
    AtkObject* button = atk_object_ref_accessible_child(Frame(), i);
    held_.push_back(button);
    return button;
  }
  void TearDown() override {
    window_.reset();
    for (AtkObject* object : held_) g_object_unref(object);
  }
  void Change(const std::function<void(AccessibleTree&)>& edit) {
    AccessibleTree next = tree_;
    edit(next);
    window_->Update(next, platform::AccessibleChanges(tree_, next));
    tree_ = next;
  }

  AtkAccessibility atk_;
  std::unique_ptr<AtkWindow> window_;
  AccessibleTree tree_ = Tree();
  std::vector<int> activated_;
  std::vector<AtkObject*> held_;
};

TEST_F(AtkObjectsTest, AnApplicationWithAFrameOfPushButtonsAsATKReadsThem) {
  ASSERT_EQ(atk_get_root(), Root()) << "the toolkit's root is the application";
  EXPECT_STREQ(atk_get_toolkit_name(), "Vidorra");
  EXPECT_EQ(atk_object_get_role(Root()), ATK_ROLE_APPLICATION);
  EXPECT_STREQ(atk_object_get_name(Root()), "Vidorra");
  ASSERT_EQ(atk_object_get_n_accessible_children(Root()), 1);
  AtkObject* frame = atk_object_ref_accessible_child(Root(), 0);
  held_.push_back(frame);
  EXPECT_EQ(frame, Frame());
  EXPECT_EQ(atk_object_get_role(frame), ATK_ROLE_FRAME);
  EXPECT_STREQ(atk_object_get_name(frame), "Vidorra");
  EXPECT_EQ(atk_object_get_parent(frame), Root());
  ASSERT_EQ(atk_object_get_n_accessible_children(frame), 2);

  AtkObject* cut = Button(0);
  AtkObject* join = Button(1);
  EXPECT_EQ(atk_object_get_role(cut), ATK_ROLE_PUSH_BUTTON);
  EXPECT_STREQ(atk_object_get_name(cut), "视频剪切");
  EXPECT_STREQ(atk_object_get_description(cut), "Cut");
  EXPECT_STREQ(atk_object_get_name(join), "视频合并");
  EXPECT_EQ(atk_object_get_parent(join), frame);
  EXPECT_EQ(atk_object_get_index_in_parent(join), 1);
  EXPECT_EQ(States(cut), (std::vector<AtkStateType>{ATK_STATE_ENABLED, ATK_STATE_FOCUSABLE, ATK_STATE_FOCUSED,
                                                     ATK_STATE_SENSITIVE, ATK_STATE_SHOWING, ATK_STATE_VISIBLE}));
  EXPECT_FALSE(Has(join, ATK_STATE_FOCUSED));

  // Places: on the screen, the client's origin plus the bounds.
  gint x = 0, y = 0, w = 0, h = 0;
  atk_component_get_extents(ATK_COMPONENT(join), &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{250, 120, 30, 10}));
  atk_component_get_extents(ATK_COMPONENT(join), &x, &y, &w, &h, ATK_XY_WINDOW);
  EXPECT_EQ((std::vector<int>{x, y}), (std::vector<int>{50, 20}));
  atk_component_get_extents(ATK_COMPONENT(frame), &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{200, 100, 90, 40}));
  AtkObject* hit = atk_component_ref_accessible_at_point(ATK_COMPONENT(frame), 255, 125, ATK_XY_SCREEN);
  EXPECT_EQ(hit, join);
  if (hit != nullptr) g_object_unref(hit);
  EXPECT_EQ(atk_component_ref_accessible_at_point(ATK_COMPONENT(frame), 245, 125, ATK_XY_SCREEN), nullptr);

  // The action: "click", said "按下"; doing it only queues it.
  ASSERT_TRUE(ATK_IS_ACTION(join));
  EXPECT_FALSE(ATK_IS_ACTION(frame));
  EXPECT_EQ(atk_action_get_n_actions(ATK_ACTION(join)), 1);
  EXPECT_STREQ(atk_action_get_name(ATK_ACTION(join), 0), "click");
  EXPECT_STREQ(atk_action_get_localized_name(ATK_ACTION(join), 0), "按下");
  EXPECT_TRUE(atk_action_do_action(ATK_ACTION(join), 0));
  EXPECT_FALSE(atk_action_do_action(ATK_ACTION(join), 1));
  EXPECT_EQ(activated_, (std::vector<int>{1}));
}

TEST_F(AtkObjectsTest, ChangesReachTheBridgesListenersAsStateChanges) {
  std::vector<std::string> heard;
  g_heard = &heard;
  const guint listener = atk_add_global_event_listener(&HearStateChange, "Vidorra:AtkObject:state-change");
  ASSERT_NE(listener, 0u);
  EXPECT_EQ(atk_add_global_event_listener(&HearStateChange, "Vidorra:NoSuchType:state-change"), 0u);
  AtkObject* join = Button(1);

  Change([](AccessibleTree& t) {
    t.children[0].states &= ~platform::kAccessibleFocused;
    t.children[1].states |= platform::kAccessibleFocused;
  });
  EXPECT_EQ(heard, (std::vector<std::string>{"视频剪切 focused=0", "视频合并 focused=1"}));
  EXPECT_TRUE(Has(join, ATK_STATE_FOCUSED));

  heard.clear();
  Change([](AccessibleTree& t) { t.children[1].states |= platform::kAccessiblePressed; });
  Change([](AccessibleTree& t) { t.children[1].states |= platform::kAccessibleHot; });  // AT-SPI has no such state
  Change([](AccessibleTree& t) { t.children[1].states &= ~platform::kAccessiblePressed; });
  EXPECT_EQ(heard, (std::vector<std::string>{"视频合并 pressed=1", "视频合并 pressed=0"}));

  heard.clear();
  Change([](AccessibleTree& t) { t.children[1].states |= platform::kAccessibleUnavailable; });
  EXPECT_EQ(heard, (std::vector<std::string>{"视频合并 enabled=0", "视频合并 sensitive=0"}));
  EXPECT_FALSE(atk_action_do_action(ATK_ACTION(join), 0)) << "an unavailable button does nothing";
  EXPECT_TRUE(activated_.empty());

  heard.clear();
  Change([](AccessibleTree& t) { t.visible = false; });
  EXPECT_FALSE(Has(join, ATK_STATE_SHOWING));
  EXPECT_FALSE(heard.empty());

  atk_remove_global_event_listener(listener);
  heard.clear();
  Change([](AccessibleTree& t) { t.visible = true; });
  EXPECT_TRUE(heard.empty());
  g_heard = nullptr;
}

TEST_F(AtkObjectsTest, AButtonAClientStillHoldsOutlivesItsWindowAsDefunct) {
  AtkObject* join = Button(1);
  AtkObject* frame = Frame();
  g_object_ref(frame);
  window_.reset();
  EXPECT_EQ(atk_object_get_n_accessible_children(Root()), 0);
  EXPECT_TRUE(Has(join, ATK_STATE_DEFUNCT));
  EXPECT_TRUE(Has(frame, ATK_STATE_DEFUNCT));
  EXPECT_EQ(atk_object_get_n_accessible_children(frame), 0);
  EXPECT_FALSE(atk_action_do_action(ATK_ACTION(join), 0));
  gint x = 0, y = 0, w = 1, h = 1;
  atk_component_get_extents(ATK_COMPONENT(join), &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ(w, 0);
  EXPECT_TRUE(activated_.empty());
  g_object_unref(frame);
}

// A private session bus (dbus-daemon), ended by the PID it printed.
class SessionBus {
 public:
  SessionBus() {
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (out == nullptr) return;
    char line[512] = {};
    if (fgets(line, sizeof line, out) != nullptr) address_ = std::string(line, strcspn(line, "\n"));
    if (fgets(line, sizeof line, out) != nullptr) pid_ = static_cast<pid_t>(atoi(line));
    pclose(out);
  }
  ~SessionBus() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  const std::string& Address() const { return address_; }
  // Whether `name` has an owner on the bus, asked with dbus-send.
  bool HasOwner(const char* name) const {
    const std::string command = "dbus-send --address='" + address_ +
                                "' --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
                                "org.freedesktop.DBus.NameHasOwner string:" + name + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    std::string reply;
    char buffer[256];
    while (out != nullptr && fgets(buffer, sizeof buffer, out) != nullptr) reply += buffer;
    if (out != nullptr) pclose(out);
    return reply.find("boolean true") != std::string::npos;
  }

 private:
  std::string address_;
  pid_t pid_ = 0;
};

TEST(AccessibilityBus, IsFoundTheWayTheBridgeLooksButNeverStarted) {
  const char* names[] = {"NO_AT_BRIDGE", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                         "XDG_RUNTIME_DIR"};
  for (const char* name : names) unsetenv(name);
  char empty[] = "/tmp/vidorra-atk-XXXXXX";
  ASSERT_NE(mkdtemp(empty), nullptr);
  setenv("XDG_RUNTIME_DIR", empty, 1);  // no bus socket in it
  EXPECT_FALSE(AtkAccessibility::BusPresent(false)) << "nothing anywhere";
  EXPECT_TRUE(AtkAccessibility::BusPresent(true)) << "the display names one";
  setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_FALSE(AtkAccessibility::BusPresent(true)) << "under Wayland the bridge reads no X property";
  unsetenv("WAYLAND_DISPLAY");
  setenv("AT_SPI_BUS_ADDRESS", "unix:path=/nowhere", 1);
  EXPECT_TRUE(AtkAccessibility::BusPresent(false));
  setenv("NO_AT_BRIDGE", "1", 1);
  EXPECT_FALSE(AtkAccessibility::BusPresent(true)) << "the bridge's own switch";
  unsetenv("NO_AT_BRIDGE");
  unsetenv("AT_SPI_BUS_ADDRESS");

  setenv("DBUS_SESSION_BUS_ADDRESS", (std::string("unix:path=") + empty + "/nothing-here").c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(AtkAccessibility::BusPresent(false)) << "a session bus address that leads nowhere";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

  // A session bus without the accessibility bus's launcher on it: none is
  // found, and asking does not start one (its service file would).
  const SessionBus bus;
  ASSERT_FALSE(bus.Address().empty());
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
  EXPECT_FALSE(AtkAccessibility::BusPresent(false));
  EXPECT_FALSE(bus.HasOwner("org.a11y.Bus"));
  rmdir(empty);
}

}  // namespace
