#include "platform/linux/AtkAccessibility.h"

#include "platform/TextEncoding.h"

#include <atk-bridge.h>
#include <atk/atk.h>
#include <dbus/dbus.h>
#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

namespace platform::atk {

struct AtkAccessibility::Root {
  AtkObject* application = nullptr;
  std::string name;
};

struct AtkWindow::Impl {
  Impl(AtkAccessibility& o, Hooks h) : owner(o), hooks(std::move(h)) {}
  ~Impl();

  void Build();
  void Destroy();
  void BuildButtons();
  void DropButtons();
  int Index() const;

  AtkAccessibility& owner;
  Hooks hooks;
  AccessibleTree tree;
  AtkObject* frame = nullptr;
  std::vector<AtkObject*> buttons;
};

namespace {

// The toolkit's name and version as clients see them.
constexpr char kToolkitName[] = "Vidorra";
constexpr char kToolkitVersion[] = "10.0";
// The name of the action every push button has.
constexpr char kClickAction[] = "click";

// The accessibility of the process while its objects exist.
AtkAccessibility* g_current = nullptr;

enum class NodeKind { Application, Frame, Button };

// What an object knows of where it belongs. `window` is null for the
// application, and for an object whose window is gone (a client may still
// hold it): it then reports itself defunct and empty.
struct NodeData {
  NodeKind kind = NodeKind::Button;
  AtkWindow::Impl* window = nullptr;
  int child = -1;
  std::string actionName;  // the default action's localised name
};

struct Node {
  AtkObject parent;
  NodeData* data;
};

struct NodeClass {
  AtkObjectClass parent;
};

AtkObjectClass* g_atkObjectClass = nullptr;  // the parent class of every node class

NodeData* DataOf(gpointer object) { return reinterpret_cast<Node*>(object)->data; }

const AccessibleElement* ElementOf(const NodeData* data) {
  if (data == nullptr || data->window == nullptr || data->kind != NodeKind::Button) return nullptr;
  const auto& children = data->window->tree.children;
  if (data->child < 0 || static_cast<std::size_t>(data->child) >= children.size()) return nullptr;
  return &children[static_cast<std::size_t>(data->child)];
}

void NodeFinalize(GObject* object) {
  Node* node = reinterpret_cast<Node*>(object);
  delete node->data;
  node->data = nullptr;
  G_OBJECT_CLASS(g_atkObjectClass)->finalize(object);
}

gint NodeChildCount(AtkObject* object) {
  const NodeData* data = DataOf(object);
  if (data == nullptr) return 0;
  switch (data->kind) {
    case NodeKind::Application: {
      if (g_current == nullptr) return 0;
      gint count = 0;
      for (const AtkWindow::Impl* window : g_current->Windows())
        if (window->frame != nullptr) ++count;
      return count;
    }
    case NodeKind::Frame: return data->window != nullptr ? static_cast<gint>(data->window->buttons.size()) : 0;
    case NodeKind::Button: return 0;
  }
  return 0;
}

AtkObject* NodeRefChild(AtkObject* object, gint index) {
  const NodeData* data = DataOf(object);
  if (data == nullptr || index < 0) return nullptr;
  AtkObject* child = nullptr;
  if (data->kind == NodeKind::Application && g_current != nullptr) {
    gint i = 0;
    for (const AtkWindow::Impl* window : g_current->Windows()) {
      if (window->frame == nullptr) continue;
      if (i++ == index) {
        child = window->frame;
        break;
      }
    }
  } else if (data->kind == NodeKind::Frame && data->window != nullptr &&
             static_cast<std::size_t>(index) < data->window->buttons.size()) {
    child = data->window->buttons[static_cast<std::size_t>(index)];
  }
  return child != nullptr ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

gint NodeIndexInParent(AtkObject* object) {
  const NodeData* data = DataOf(object);
  if (data == nullptr || data->window == nullptr) return -1;
  if (data->kind == NodeKind::Frame) return data->window->Index();
  if (data->kind == NodeKind::Button) return data->child;
  return -1;
}

void AddShowing(AtkStateSet* set, bool visible) {
  if (!visible) return;
  atk_state_set_add_state(set, ATK_STATE_VISIBLE);
  atk_state_set_add_state(set, ATK_STATE_SHOWING);
}

AtkStateSet* NodeStateSet(AtkObject* object) {
  AtkStateSet* set = atk_state_set_new();
  const NodeData* data = DataOf(object);
  if (data == nullptr) return set;
  if (data->kind != NodeKind::Application && data->window == nullptr) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  switch (data->kind) {
    case NodeKind::Application: break;
    case NodeKind::Frame:
      atk_state_set_add_state(set, ATK_STATE_ENABLED);
      atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
      AddShowing(set, data->window->tree.visible);
      break;
    case NodeKind::Button: {
      const AccessibleElement* element = ElementOf(data);
      if (element == nullptr) break;
      if ((element->states & kAccessibleUnavailable) == 0) {
        atk_state_set_add_state(set, ATK_STATE_ENABLED);
        atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
      }
      if ((element->states & kAccessibleFocusable) != 0) atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
      if ((element->states & kAccessibleFocused) != 0) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
      if ((element->states & kAccessiblePressed) != 0) atk_state_set_add_state(set, ATK_STATE_PRESSED);
      AddShowing(set, data->window->tree.visible);
      break;
    }
  }
  return set;
}

// Bounds of a frame or button in `coords`.
bool NodeRect(const NodeData* data, AtkCoordType coords, PixelRect& out) {
  if (data == nullptr || data->window == nullptr || !data->window->hooks.screenRect) return false;
  const PixelRect screen = data->window->hooks.screenRect();
  if (data->kind == NodeKind::Frame) {
    out = screen;
    if (coords != ATK_XY_SCREEN) out.left = out.top = 0;
    return true;
  }
  const AccessibleElement* element = ElementOf(data);
  if (element == nullptr) return false;
  out = element->bounds;
  if (coords == ATK_XY_SCREEN) {
    out.left += screen.left;
    out.top += screen.top;
  }
  return true;
}

void ComponentExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
  PixelRect r;
  if (!NodeRect(DataOf(component), coords, r)) r = {-1, -1, 0, 0};
  if (x != nullptr) *x = r.left;
  if (y != nullptr) *y = r.top;
  if (width != nullptr) *width = r.width;
  if (height != nullptr) *height = r.height;
}

gboolean ComponentContains(AtkComponent* component, gint x, gint y, AtkCoordType coords) {
  PixelRect r;
  if (!NodeRect(DataOf(component), coords, r)) return FALSE;
  return x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height ? TRUE : FALSE;
}

AtkObject* ComponentAtPoint(AtkComponent* component, gint x, gint y, AtkCoordType coords) {
  const NodeData* data = DataOf(component);
  if (data == nullptr || data->kind != NodeKind::Frame || data->window == nullptr) return nullptr;
  PixelRect frame;
  if (!NodeRect(data, coords, frame)) return nullptr;
  const int child = AccessibleChildAt(data->window->tree, x - frame.left, y - frame.top);
  if (child < 0 || static_cast<std::size_t>(child) >= data->window->buttons.size()) return nullptr;
  return ATK_OBJECT(g_object_ref(data->window->buttons[static_cast<std::size_t>(child)]));
}

gint ActionCount(AtkAction* action) {
  const AccessibleElement* element = ElementOf(DataOf(action));
  return element != nullptr && !element->defaultAction.empty() ? 1 : 0;
}

gboolean ActionDo(AtkAction* action, gint index) {
  const NodeData* data = DataOf(action);
  const AccessibleElement* element = ElementOf(data);
  if (element == nullptr || index != 0 || element->defaultAction.empty() ||
      (element->states & kAccessibleUnavailable) != 0 || !data->window->hooks.activate)
    return FALSE;
  // Queued: the client's call returns now, whatever the action then does.
  data->window->hooks.activate(data->child);
  return TRUE;
}

const gchar* ActionName(AtkAction* action, gint index) {
  return index == 0 && ActionCount(action) == 1 ? kClickAction : nullptr;
}

const gchar* ActionLocalizedName(AtkAction* action, gint index) {
  const NodeData* data = DataOf(action);
  return index == 0 && ActionCount(action) == 1 ? data->actionName.c_str() : nullptr;
}

void ApplicationClassInit(gpointer klass, gpointer) {
  g_atkObjectClass = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
  G_OBJECT_CLASS(klass)->finalize = &NodeFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = &NodeChildCount;
  atk->ref_child = &NodeRefChild;
  atk->get_index_in_parent = &NodeIndexInParent;
  atk->ref_state_set = &NodeStateSet;
}

void ComponentInit(gpointer iface, gpointer) {
  auto* component = static_cast<AtkComponentIface*>(iface);
  component->get_extents = &ComponentExtents;
  component->contains = &ComponentContains;
  component->ref_accessible_at_point = &ComponentAtPoint;
}

void ActionInit(gpointer iface, gpointer) {
  auto* action = static_cast<AtkActionIface*>(iface);
  action->do_action = &ActionDo;
  action->get_n_actions = &ActionCount;
  action->get_name = &ActionName;
  action->get_localized_name = &ActionLocalizedName;
  action->get_description = &ActionLocalizedName;
}

GType RegisterNodeType(const char* name, bool component, bool action) {
  GTypeInfo info{};
  info.class_size = sizeof(NodeClass);
  info.class_init = &ApplicationClassInit;
  info.instance_size = sizeof(Node);
  const GType type = g_type_register_static(ATK_TYPE_OBJECT, name, &info, static_cast<GTypeFlags>(0));
  if (component) {
    const GInterfaceInfo iface{&ComponentInit, nullptr, nullptr};
    g_type_add_interface_static(type, ATK_TYPE_COMPONENT, &iface);
  }
  if (action) {
    const GInterfaceInfo iface{&ActionInit, nullptr, nullptr};
    g_type_add_interface_static(type, ATK_TYPE_ACTION, &iface);
  }
  return type;
}

GType NodeType(NodeKind kind) {
  static const GType application = RegisterNodeType("VidorraAccessibleApplication", false, false);
  static const GType frame = RegisterNodeType("VidorraAccessibleFrame", true, false);
  static const GType button = RegisterNodeType("VidorraAccessibleButton", true, true);
  switch (kind) {
    case NodeKind::Application: return application;
    case NodeKind::Frame: return frame;
    case NodeKind::Button: return button;
  }
  return button;
}

AtkObject* NewNode(NodeKind kind, AtkWindow::Impl* window, int child, AtkRole role, AtkObject* parent) {
  auto* object = ATK_OBJECT(g_object_new(NodeType(kind), nullptr));
  reinterpret_cast<Node*>(object)->data = new NodeData{kind, window, child, {}};
  atk_object_set_role(object, role);
  if (parent != nullptr) atk_object_set_parent(object, parent);
  return object;
}

// Unlinks an object from its window and lets go of it (a client may hold it
// for a while yet).
void DropNode(AtkObject* object) {
  if (NodeData* data = DataOf(object)) data->window = nullptr;
  g_object_unref(object);
}

void SetText(AtkObject* object, const std::u16string& name, const std::u16string& description) {
  const std::string utf8Name = Utf8FromUtf16(name);
  const std::string utf8Description = Utf8FromUtf16(description);
  const char* oldName = atk_object_get_name(object);
  const char* oldDescription = atk_object_get_description(object);
  if (oldName == nullptr || utf8Name != oldName) atk_object_set_name(object, utf8Name.c_str());
  if (oldDescription == nullptr || utf8Description != oldDescription)
    atk_object_set_description(object, utf8Description.c_str());
}

void SetButton(AtkObject* button, const AccessibleElement& element) {
  SetText(button, element.name, element.description);
  DataOf(button)->actionName = Utf8FromUtf16(element.defaultAction);
}

// The ATK states that follow from `states`, for telling clients of changes.
void NotifyStates(AtkObject* object, std::uint32_t before, std::uint32_t after) {
  const auto changed = [&](std::uint32_t bit) { return ((before ^ after) & bit) != 0; };
  const auto on = [&](std::uint32_t bit) { return (after & bit) != 0 ? TRUE : FALSE; };
  if (changed(kAccessibleUnavailable)) {
    const gboolean enabled = on(kAccessibleUnavailable) ? FALSE : TRUE;
    atk_object_notify_state_change(object, ATK_STATE_ENABLED, enabled);
    atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, enabled);
  }
  if (changed(kAccessibleFocusable)) atk_object_notify_state_change(object, ATK_STATE_FOCUSABLE, on(kAccessibleFocusable));
  if (changed(kAccessiblePressed)) atk_object_notify_state_change(object, ATK_STATE_PRESSED, on(kAccessiblePressed));
}

// The toolkit's side of ATK's global event listeners, which the bridge
// registers to hear the objects' signals: an event type names a type and
// one of its signals ("Toolkit:AtkObject:state-change", optionally with a
// detail), and the listener becomes an emission hook of that signal.
struct Listener {
  guint signal = 0;
  gulong hook = 0;
};
std::map<guint, Listener>& Listeners() {
  static std::map<guint, Listener> listeners;
  return listeners;
}

guint AddGlobalEventListener(GSignalEmissionHook listener, const gchar* eventType) {
  if (listener == nullptr || eventType == nullptr) return 0;
  gchar** parts = g_strsplit(eventType, ":", 4);
  guint id = 0;
  if (g_strv_length(parts) >= 3) {
    const GType type = g_type_from_name(parts[1]);
    if (type != 0) {
      // The class (or interface) is needed before its signals can be found.
      gpointer loaded = G_TYPE_IS_INTERFACE(type) ? g_type_default_interface_ref(type) : g_type_class_ref(type);
      const guint signal = g_signal_lookup(parts[2], type);
      const GQuark detail = parts[3] != nullptr ? g_quark_from_string(parts[3]) : 0;
      if (signal != 0) {
        static guint lastId = 0;
        id = ++lastId;
        Listeners()[id] = {signal, g_signal_add_emission_hook(signal, detail, listener, nullptr, nullptr)};
      }
      if (G_TYPE_IS_INTERFACE(type)) {
        g_type_default_interface_unref(loaded);
      } else {
        g_type_class_unref(loaded);
      }
    }
  }
  g_strfreev(parts);
  return id;
}

void RemoveGlobalEventListener(guint id) {
  const auto found = Listeners().find(id);
  if (found == Listeners().end()) return;
  g_signal_remove_emission_hook(found->second.signal, found->second.hook);
  Listeners().erase(found);
}

AtkObject* Root() {
  return g_current != nullptr && g_current->RootObject() != nullptr ? ATK_OBJECT(g_current->RootObject()) : nullptr;
}
const gchar* ToolkitName() { return kToolkitName; }
const gchar* ToolkitVersion() { return kToolkitVersion; }

void InstallToolkitHooks() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // Kept for the life of the process: the hooks live in the class.
  auto* util = ATK_UTIL_CLASS(g_type_class_ref(ATK_TYPE_UTIL));
  util->add_global_event_listener = &AddGlobalEventListener;
  util->remove_global_event_listener = &RemoveGlobalEventListener;
  util->get_root = &Root;
  util->get_toolkit_name = &ToolkitName;
  util->get_toolkit_version = &ToolkitVersion;
}

// The launcher writes no log: GLib's messages (the bridge's warnings about a
// bus it could not reach, say) go nowhere.
void DropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}
GLogWriterOutput DropLogRecord(GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; }

void SilenceGLib() {
  static bool silenced = false;
  if (silenced) return;
  silenced = true;
  g_log_set_default_handler(&DropLogMessage, nullptr);
  g_log_set_writer_func(&DropLogRecord, nullptr, nullptr);
}

bool EnvironmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The session bus's address as libdbus would find it, without starting one:
// DBUS_SESSION_BUS_ADDRESS, or the user's bus socket in XDG_RUNTIME_DIR.
std::string SessionBusAddress() {
  if (EnvironmentSet("DBUS_SESSION_BUS_ADDRESS")) return std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!EnvironmentSet("XDG_RUNTIME_DIR")) return {};
  const std::string socket = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/bus";
  struct stat info {};
  if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return {};
  char* escaped = dbus_address_escape_value(socket.c_str());
  if (escaped == nullptr) return {};
  std::string address = std::string("unix:path=") + escaped;
  dbus_free(escaped);
  return address;
}

// Whether the session bus at `address` has the accessibility bus's launcher
// on it (asked without activating it).
bool SessionHasAccessibilityBus(const std::string& address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* connection = dbus_connection_open_private(address.c_str(), &error);
  bool found = false;
  if (connection != nullptr) {
    if (dbus_bus_register(connection, &error)) found = dbus_bus_name_has_owner(connection, "org.a11y.Bus", &error) != 0;
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
  }
  dbus_error_free(&error);
  return found;
}

}  // namespace

const std::vector<AtkWindow::Impl*>& AtkAccessibility::Windows() const { return windows_; }

AtkWindow::Impl::~Impl() { Destroy(); }

int AtkWindow::Impl::Index() const {
  int index = 0;
  for (const Impl* window : owner.windows_) {
    if (window == this) return index;
    if (window->frame != nullptr) ++index;
  }
  return -1;
}

void AtkWindow::Impl::BuildButtons() {
  for (std::size_t i = 0; i < tree.children.size(); ++i) {
    AtkObject* button = NewNode(NodeKind::Button, this, static_cast<int>(i), ATK_ROLE_PUSH_BUTTON, frame);
    SetButton(button, tree.children[i]);
    buttons.push_back(button);
  }
}

void AtkWindow::Impl::DropButtons() {
  for (AtkObject* button : buttons) DropNode(button);
  buttons.clear();
}

void AtkWindow::Impl::Build() {
  if (frame != nullptr || owner.root_ == nullptr) return;
  frame = NewNode(NodeKind::Frame, this, -1, ATK_ROLE_FRAME, owner.root_->application);
  SetText(frame, tree.name, u"");
  BuildButtons();
  g_signal_emit_by_name(owner.root_->application, "children-changed::add", Index(), frame);
}

void AtkWindow::Impl::Destroy() {
  if (frame == nullptr) return;
  const int index = Index();
  AtkObject* gone = frame;
  DropButtons();
  frame = nullptr;
  if (owner.root_ != nullptr) g_signal_emit_by_name(owner.root_->application, "children-changed::remove", index, gone);
  DropNode(gone);
}

AtkWindow::AtkWindow(AtkAccessibility& owner, Hooks hooks) : impl_(std::make_unique<Impl>(owner, std::move(hooks))) {
  owner.windows_.push_back(impl_.get());
  impl_->Build();
}

AtkWindow::~AtkWindow() {
  impl_->Destroy();
  auto& windows = impl_->owner.windows_;
  windows.erase(std::remove(windows.begin(), windows.end(), impl_.get()), windows.end());
}

void* AtkWindow::FrameObject() const { return impl_->frame; }

void AtkWindow::Update(const AccessibleTree& tree, std::span<const AccessibleChange> changes) {
  Impl& w = *impl_;
  const AccessibleTree before = std::move(w.tree);
  w.tree = tree;
  if (w.owner.root_ != nullptr && !tree.application.empty()) {
    const std::string name = Utf8FromUtf16(tree.application);
    if (name != w.owner.root_->name) {
      w.owner.root_->name = name;
      atk_object_set_name(w.owner.root_->application, name.c_str());
    }
  }
  if (w.frame == nullptr) return;
  using Kind = AccessibleChange::Kind;
  const auto button = [&](int child) -> AtkObject* {
    return child >= 0 && static_cast<std::size_t>(child) < w.buttons.size() ? w.buttons[static_cast<std::size_t>(child)]
                                                                             : nullptr;
  };
  const auto focused = [](const AccessibleTree& t) {
    for (std::size_t i = 0; i < t.children.size(); ++i)
      if ((t.children[i].states & kAccessibleFocused) != 0) return static_cast<int>(i);
    return -1;
  };
  for (const AccessibleChange& change : changes) {
    switch (change.kind) {
      case Kind::Children: {
        for (int i = static_cast<int>(w.buttons.size()) - 1; i >= 0; --i)
          g_signal_emit_by_name(w.frame, "children-changed::remove", i, w.buttons[static_cast<std::size_t>(i)]);
        w.DropButtons();
        w.BuildButtons();
        for (std::size_t i = 0; i < w.buttons.size(); ++i)
          g_signal_emit_by_name(w.frame, "children-changed::add", static_cast<gint>(i), w.buttons[i]);
        break;
      }
      case Kind::Focus: {
        // The focus leaves one button for another: the old one says so first.
        const int was = before.children.size() == tree.children.size() ? focused(before) : -1;
        if (AtkObject* old = button(was)) atk_object_notify_state_change(old, ATK_STATE_FOCUSED, FALSE);
        if (AtkObject* now = button(change.child)) atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
        break;
      }
      case Kind::State:
        if (AtkObject* b = button(change.child); b != nullptr && static_cast<std::size_t>(change.child) < before.children.size())
          NotifyStates(b, before.children[static_cast<std::size_t>(change.child)].states,
                       tree.children[static_cast<std::size_t>(change.child)].states);
        break;
      case Kind::Name:
        if (change.child < 0) {
          SetText(w.frame, tree.name, u"");
        } else if (AtkObject* b = button(change.child)) {
          SetButton(b, tree.children[static_cast<std::size_t>(change.child)]);
        }
        break;
      case Kind::Location:
        if (AtkObject* b = button(change.child)) {
          const PixelRect& r = tree.children[static_cast<std::size_t>(change.child)].bounds;
          AtkRectangle rect{r.left, r.top, r.width, r.height};
          g_signal_emit_by_name(b, "bounds-changed", &rect);
        }
        break;
      case Kind::Visibility: {
        const gboolean visible = tree.visible ? TRUE : FALSE;
        for (AtkObject* object : {w.frame}) {
          atk_object_notify_state_change(object, ATK_STATE_VISIBLE, visible);
          atk_object_notify_state_change(object, ATK_STATE_SHOWING, visible);
        }
        for (AtkObject* b : w.buttons) atk_object_notify_state_change(b, ATK_STATE_SHOWING, visible);
        break;
      }
    }
  }
}

AtkAccessibility::AtkAccessibility() = default;

AtkAccessibility::~AtkAccessibility() {
  if (running_) atk_bridge_adaptor_cleanup();
  running_ = false;
  for (AtkWindow::Impl* window : windows_) window->Destroy();
  if (root_ != nullptr) {
    DropNode(root_->application);
    root_.reset();
  }
  if (g_current == this) g_current = nullptr;
}

std::unique_ptr<AtkWindow> AtkAccessibility::AddWindow(AtkWindow::Hooks hooks) {
  return std::unique_ptr<AtkWindow>(new AtkWindow(*this, std::move(hooks)));
}

void* AtkAccessibility::RootObject() const { return root_ != nullptr ? root_->application : nullptr; }

bool AtkAccessibility::BusPresent(bool displayBus) {
  // The bridge's own switch.
  if (const char* off = std::getenv("NO_AT_BRIDGE"); off != nullptr && std::atoi(off) == 1) return false;
  if (EnvironmentSet("AT_SPI_BUS_ADDRESS")) return true;
  // The bridge reads the display's property only where X is the display.
  if (displayBus && !EnvironmentSet("WAYLAND_DISPLAY")) return true;
  const std::string session = SessionBusAddress();
  return !session.empty() && SessionHasAccessibilityBus(session);
}

void AtkAccessibility::BuildObjects() {
  if (root_ != nullptr) return;
  g_current = this;
  InstallToolkitHooks();
  root_ = std::make_unique<Root>();
  root_->application = NewNode(NodeKind::Application, nullptr, -1, ATK_ROLE_APPLICATION, nullptr);
  for (AtkWindow::Impl* window : windows_) {
    if (root_->name.empty() && !window->tree.application.empty()) root_->name = Utf8FromUtf16(window->tree.application);
  }
  atk_object_set_name(root_->application, root_->name.c_str());
  for (AtkWindow::Impl* window : windows_) window->Build();
}

bool AtkAccessibility::Start(bool displayBus) {
  if (running_) return true;
  if (!BusPresent(displayBus)) return false;
  SilenceGLib();
  BuildObjects();
  running_ = atk_bridge_adaptor_init(nullptr, nullptr) == 0;
  return running_;
}

void AtkAccessibility::Dispatch() {
  if (!running_) return;
  // Bounded, so that a flood of requests cannot hold the window's own events.
  for (int i = 0; i < 64 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

void AtkAccessibility::WaitAndDispatch(std::span<const int> fds) {
  GMainContext* context = g_main_context_default();
  if (!running_ || !g_main_context_acquire(context)) {
    std::vector<GPollFD> polls;
    for (const int fd : fds) polls.push_back({fd, G_IO_IN, 0});
    g_poll(polls.data(), static_cast<guint>(polls.size()), -1);
    return;
  }
  // One turn of the context, with the caller's descriptors in its poll.
  gint priority = 0;
  const bool ready = g_main_context_prepare(context, &priority) != FALSE;
  std::vector<GPollFD> polls(8);
  gint timeout = -1;
  gint count = 0;
  for (;;) {
    count = g_main_context_query(context, priority, &timeout, polls.data(), static_cast<gint>(polls.size()));
    if (count <= static_cast<gint>(polls.size())) break;
    polls.resize(static_cast<std::size_t>(count));
  }
  polls.resize(static_cast<std::size_t>(count));
  for (const int fd : fds) polls.push_back({fd, G_IO_IN, 0});
  g_poll(polls.data(), static_cast<guint>(polls.size()), ready ? 0 : timeout);
  g_main_context_check(context, priority, polls.data(), count);
  g_main_context_dispatch(context);
  g_main_context_release(context);
}

}  // namespace platform::atk
