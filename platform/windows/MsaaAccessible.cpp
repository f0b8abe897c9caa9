#include "platform/windows/MsaaAccessible.h"

#include "platform/windows/WideText.h"

#include <ole2.h>
#include <oleacc.h>

#include <string>
#include <utility>

namespace platform::windows {

namespace {

// IAccessible's GUID from the header itself: the x86_64 liboleacc.a has a
// code thunk under the name IID_IAccessible, and which definition a program
// gets would depend on where its link line puts oleacc and uuid.
const IID kIidAccessible = __uuidof(IAccessible);

// A child id of a VARIANT: CHILDID_SELF, or 1..count. -1 when it names
// nothing here.
long ChildId(const VARIANT& id, std::size_t count) {
  if (V_VT(&id) != VT_I4) return -1;
  const long value = V_I4(&id);
  return value >= 0 && static_cast<std::size_t>(value) <= count ? value : -1;
}

HRESULT Text(const std::u16string& text, BSTR* out) {
  if (text.empty()) return S_FALSE;
  const std::wstring wide = ToWide(text);
  *out = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetChild(VARIANT* out, long id) {
  V_VT(out) = VT_I4;
  V_I4(out) = id;
}

long MsaaStates(std::uint32_t states) {
  long out = 0;
  if ((states & kAccessibleFocusable) != 0) out |= STATE_SYSTEM_FOCUSABLE;
  if ((states & kAccessibleFocused) != 0) out |= STATE_SYSTEM_FOCUSED;
  if ((states & kAccessibleHot) != 0) out |= STATE_SYSTEM_HOTTRACKED;
  if ((states & kAccessiblePressed) != 0) out |= STATE_SYSTEM_PRESSED;
  if ((states & kAccessibleUnavailable) != 0) out |= STATE_SYSTEM_UNAVAILABLE;
  return out;
}

int FocusedChild(const AccessibleTree& tree) {
  for (std::size_t i = 0; i < tree.children.size(); ++i)
    if ((tree.children[i].states & kAccessibleFocused) != 0) return static_cast<int>(i);
  return -1;
}

}  // namespace

// The client area's IAccessible. It reads the window's description through
// `owner_`, which the window clears when it goes (Disconnect).
class AccessibleClient final : public IAccessible {
 public:
  AccessibleClient(HWND window, const AccessibleTree& tree, const std::function<void(int)>& activate)
      : window_(window), tree_(&tree), activate_(&activate) {}

  void Disconnect() {
    tree_ = nullptr;
    activate_ = nullptr;
    window_ = nullptr;
  }

  // IUnknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: clients call IAccessible directly; there is no type
  // information to dispatch through.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible.
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    // The window's own object, which the system makes.
    return ::AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
  }
  STDMETHODIMP get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<LONG>(tree_->children.size());
    return S_OK;
  }
  STDMETHODIMP get_accChild(VARIANT id, IDispatch** child) override {
    if (child == nullptr) return E_POINTER;
    *child = nullptr;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    // The children are simple elements: no object of their own.
    return ChildId(id, tree_->children.size()) > 0 ? S_FALSE : E_INVALIDARG;
  }
  STDMETHODIMP get_accName(VARIANT id, BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    return Text(element != nullptr ? element->name : tree_->name, name);
  }
  STDMETHODIMP get_accValue(VARIANT, BSTR* value) override {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    return Connected() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
  }
  STDMETHODIMP get_accDescription(VARIANT id, BSTR* description) override {
    if (description == nullptr) return E_POINTER;
    *description = nullptr;
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    return element != nullptr ? Text(element->description, description) : S_FALSE;
  }
  STDMETHODIMP get_accRole(VARIANT id, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    ::VariantInit(role);
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    SetChild(role, element != nullptr ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_CLIENT);
    return S_OK;
  }
  STDMETHODIMP get_accState(VARIANT id, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    ::VariantInit(state);
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    long bits = 0;
    if (element != nullptr) {
      bits = MsaaStates(element->states);
      // Focused only while the window holds the keyboard.
      if (::GetFocus() != window_) bits &= ~STATE_SYSTEM_FOCUSED;
    } else {
      bits = STATE_SYSTEM_FOCUSABLE;
      if (::GetFocus() == window_) bits |= STATE_SYSTEM_FOCUSED;
    }
    if (!tree_->visible || ::IsWindowVisible(window_) == FALSE) bits |= STATE_SYSTEM_INVISIBLE;
    SetChild(state, bits);
    return S_OK;
  }
  STDMETHODIMP get_accHelp(VARIANT, BSTR* help) override {
    if (help == nullptr) return E_POINTER;
    *help = nullptr;
    return Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = 0;
    return Connected() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    if (shortcut == nullptr) return E_POINTER;
    *shortcut = nullptr;
    return Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  STDMETHODIMP get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    ::VariantInit(focus);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    // Nothing here has the keyboard unless the window has it.
    if (::GetFocus() != window_) return S_FALSE;
    SetChild(focus, FocusedChild(*tree_) + 1);  // CHILDID_SELF when no child has it
    return S_OK;
  }
  STDMETHODIMP get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    ::VariantInit(selection);
    return Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  STDMETHODIMP get_accDefaultAction(VARIANT id, BSTR* action) override {
    if (action == nullptr) return E_POINTER;
    *action = nullptr;
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    return element != nullptr ? Text(element->defaultAction, action) : S_FALSE;
  }
  STDMETHODIMP accSelect(LONG, VARIANT) override { return Connected() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED; }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    POINT origin{0, 0};
    ::ClientToScreen(window_, &origin);
    if (element != nullptr) {
      *left = origin.x + element->bounds.left;
      *top = origin.y + element->bounds.top;
      *width = element->bounds.width;
      *height = element->bounds.height;
    } else {
      RECT client{};
      ::GetClientRect(window_, &client);
      *left = origin.x;
      *top = origin.y;
      *width = client.right - client.left;
      *height = client.bottom - client.top;
    }
    return S_OK;
  }
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    ::VariantInit(end);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    const long from = ChildId(start, tree_->children.size());
    if (from < 0) return E_INVALIDARG;
    AccessibleDirection way{};
    switch (direction) {
      case NAVDIR_FIRSTCHILD: way = AccessibleDirection::First; break;
      case NAVDIR_LASTCHILD: way = AccessibleDirection::Last; break;
      case NAVDIR_NEXT: way = AccessibleDirection::Next; break;
      case NAVDIR_PREVIOUS: way = AccessibleDirection::Previous; break;
      case NAVDIR_UP: way = AccessibleDirection::Up; break;
      case NAVDIR_DOWN: way = AccessibleDirection::Down; break;
      case NAVDIR_LEFT: way = AccessibleDirection::Left; break;
      case NAVDIR_RIGHT: way = AccessibleDirection::Right; break;
      default: return E_INVALIDARG;
    }
    const bool intoChildren = way == AccessibleDirection::First || way == AccessibleDirection::Last;
    // The client's own siblings are the window's business; a child has none
    // of its own inside.
    if (intoChildren != (from == CHILDID_SELF)) return S_FALSE;
    const int to = NavigateAccessible(*tree_, static_cast<int>(from) - 1, way);
    if (to < 0) return S_FALSE;
    SetChild(end, to + 1);
    return S_OK;
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    ::VariantInit(hit);
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    POINT point{x, y};
    ::ScreenToClient(window_, &point);
    RECT client{};
    ::GetClientRect(window_, &client);
    if (::PtInRect(&client, point) == FALSE) return S_FALSE;
    SetChild(hit, AccessibleChildAt(*tree_, point.x, point.y) + 1);
    return S_OK;
  }
  STDMETHODIMP accDoDefaultAction(VARIANT id) override {
    const AccessibleElement* element = nullptr;
    if (const HRESULT r = Find(id, element); r != S_OK) return r;
    if (element == nullptr || element->defaultAction.empty() || (element->states & kAccessibleUnavailable) != 0)
      return DISP_E_MEMBERNOTFOUND;
    // Queued for the window's own loop: the client is answered now.
    if (*activate_) (*activate_)(static_cast<int>(element - tree_->children.data()));
    return S_OK;
  }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~AccessibleClient() = default;

  bool Connected() const { return tree_ != nullptr; }

  // The element `id` names (null for the client itself): S_OK, or the
  // error to answer.
  HRESULT Find(const VARIANT& id, const AccessibleElement*& element) const {
    element = nullptr;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    const long child = ChildId(id, tree_->children.size());
    if (child < 0) return E_INVALIDARG;
    if (child > 0) element = &tree_->children[static_cast<std::size_t>(child - 1)];
    return S_OK;
  }

  LONG references_ = 1;
  HWND window_;
  const AccessibleTree* tree_;
  const std::function<void(int)>* activate_;
};

ComApartment::~ComApartment() {
  if (joined_) ::CoUninitialize();
}

bool ComApartment::Join() {
  if (!tried_) {
    tried_ = true;
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: already in an apartment of this kind; it counts as joined.
    joined_ = SUCCEEDED(result);
  }
  return joined_;
}

WindowAccessibility::WindowAccessibility(HWND window, ComApartment& apartment, std::function<void(int child)> activate)
    : window_(window), apartment_(apartment), activate_(std::move(activate)) {}

WindowAccessibility::~WindowAccessibility() {
  if (client_ == nullptr) return;
  client_->Disconnect();
  // Clients in other apartments hear of it at their next call.
  ::CoDisconnectObject(static_cast<IAccessible*>(client_), 0);
  client_->Release();
  client_ = nullptr;
}

bool WindowAccessibility::Answer(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
  if (client_ == nullptr) {
    if (!apartment_.Join()) return false;
    client_ = new AccessibleClient(window_, tree_, activate_);
  }
  // A reference for the client to take up, or an error (negative).
  result = ::LresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(client_));
  return result > 0;
}

void WindowAccessibility::Update(const AccessibleTree& tree, std::span<const AccessibleChange> changes) {
  tree_ = tree;
  if (!tree_.visible || ::IsWindowVisible(window_) == FALSE) return;
  using Kind = AccessibleChange::Kind;
  const bool keyboard = ::GetFocus() == window_;
  for (const AccessibleChange& change : changes) {
    const LONG child = change.child >= 0 ? change.child + 1 : CHILDID_SELF;
    switch (change.kind) {
      case Kind::Focus:
        if (keyboard && change.child >= 0) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, child);
        break;
      case Kind::State: ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window_, OBJID_CLIENT, child); break;
      case Kind::Name:
        ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window_, OBJID_CLIENT, child);
        if (change.child >= 0) ::NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, window_, OBJID_CLIENT, child);
        break;
      case Kind::Location: ::NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, window_, OBJID_CLIENT, child); break;
      case Kind::Children: ::NotifyWinEvent(EVENT_OBJECT_REORDER, window_, OBJID_CLIENT, CHILDID_SELF); break;
      case Kind::Visibility: break;  // the system tells of the window's own showing and hiding
    }
  }
}

void WindowAccessibility::KeyboardGained() {
  const int focused = FocusedChild(tree_);
  if (focused >= 0 && tree_.visible) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, focused + 1);
}

}  // namespace platform::windows
