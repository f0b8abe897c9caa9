// The IAccessible of a Win32 window (platform/windows/MsaaAccessible.h), taken
// in the window's own process as a client takes it: requests come back to
// the window system's queue, other objects are left to the system, bad
// arguments are refused, and an object held past its window's end answers
// that it is disconnected. Needs a display (run by x-gtest.sh under Xvfb).
#include <gtest/gtest.h>

#include "platform/Accessibility.h"
#include "platform/WindowSystem.h"

#include <windows.h>
#undef CreateWindow  // WindowSystem::CreateWindow

#include <ole2.h>
#include <oleacc.h>

#include <memory>
#include <string>

namespace {

struct ComScope {
  ComScope() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComScope() { ::CoUninitialize(); }
};

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = id;
  return v;
}

class AccessibleObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    system_ = platform::OpenWindowSystem(error);
    ASSERT_TRUE(system_) << error;
    window_ = system_->CreateWindow({120, 80, true, true});
    ASSERT_TRUE(window_);
    window_->SetTitle(u"AccessibleObjectTest");
    tree_.application = u"Test";
    tree_.name = u"AccessibleObjectTest";
    tree_.visible = true;
    for (int i = 0; i < 2; ++i) {
      platform::AccessibleElement element;
      element.name = i == 0 ? u"一" : u"二";
      element.defaultAction = u"按下";
      element.states = platform::kAccessibleFocusable;
      element.bounds = {10 + 50 * i, 10, 40, 30};
      tree_.children.push_back(element);
    }
    tree_.children[1].states |= platform::kAccessibleUnavailable;
    window_->UpdateAccessible(tree_, platform::AccessibleChanges({}, tree_));
    window_->Show();
    hwnd_ = ::FindWindowW(L"VidorraWindow", L"AccessibleObjectTest");
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override {
    if (client_ != nullptr) client_->Release();
    window_.reset();
    system_.reset();
  }
  // The next action or timer tick, after a tick queued behind whatever is
  // queued now (the pointer's comings and goings are passed over).
  platform::WindowEvent NextEvent() {
    system_->StartTimer(1);
    using Type = platform::WindowEvent::Type;
    platform::WindowEvent event;
    do {
      system_->WaitEvent(event);
    } while (event.type != Type::AccessibleAction && event.type != Type::Timer && event.type != Type::Quit);
    return event;
  }

  ComScope com_;
  std::unique_ptr<platform::WindowSystem> system_;
  std::unique_ptr<platform::NativeWindow> window_;
  platform::AccessibleTree tree_;
  HWND hwnd_ = nullptr;
  IAccessible* client_ = nullptr;
};

TEST_F(AccessibleObjectTest, TheClientObjectQueuesActionsAndLeavesOtherObjectsToTheSystem) {
  ASSERT_EQ(::AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&client_)),
            S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(client_->get_accName(Child(CHILDID_SELF), &name), S_OK);
  EXPECT_EQ(std::wstring(name, ::SysStringLen(name)), L"AccessibleObjectTest");
  ::SysFreeString(name);
  name = nullptr;
  ASSERT_EQ(client_->get_accName(Child(2), &name), S_OK);
  EXPECT_EQ(std::wstring(name, ::SysStringLen(name)), L"二");
  ::SysFreeString(name);

  // The window's own object is still the system's, not this one.
  IAccessible* frame = nullptr;
  ASSERT_EQ(::AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_WINDOW), IID_IAccessible,
                                         reinterpret_cast<void**>(&frame)),
            S_OK);
  IUnknown* frameIdentity = nullptr;
  IUnknown* clientIdentity = nullptr;
  frame->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&frameIdentity));
  client_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&clientIdentity));
  EXPECT_NE(frameIdentity, clientIdentity);
  if (frameIdentity != nullptr) frameIdentity->Release();
  if (clientIdentity != nullptr) clientIdentity->Release();
  frame->Release();

  // The default action only queues the click.
  EXPECT_EQ(client_->accDoDefaultAction(Child(1)), S_OK);
  platform::WindowEvent event = NextEvent();
  EXPECT_EQ(event.type, platform::WindowEvent::Type::AccessibleAction);
  EXPECT_EQ(event.window, window_->Id());
  EXPECT_EQ(event.child, 0);
  EXPECT_EQ(NextEvent().type, platform::WindowEvent::Type::Timer);

  // Refused: an unavailable child, the client itself, ids that name nothing.
  EXPECT_EQ(client_->accDoDefaultAction(Child(2)), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(client_->accDoDefaultAction(Child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(client_->accDoDefaultAction(Child(3)), E_INVALIDARG);
  VARIANT text;
  ::VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = ::SysAllocString(L"1");
  VARIANT state;
  ::VariantInit(&state);
  EXPECT_EQ(client_->get_accState(text, &state), E_INVALIDARG);
  ::VariantClear(&text);
  EXPECT_EQ(NextEvent().type, platform::WindowEvent::Type::Timer) << "nothing was queued";

  ASSERT_EQ(client_->get_accState(Child(2), &state), S_OK);
  EXPECT_EQ(V_I4(&state) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE),
            STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE);
  IDispatch* child = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(client_->get_accChild(Child(1), &child), S_FALSE) << "a simple element";
  EXPECT_EQ(child, nullptr);
}

TEST_F(AccessibleObjectTest, AnObjectHeldPastItsWindowAnswersDisconnected) {
  ASSERT_EQ(::AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&client_)),
            S_OK);
  client_->AddRef();  // a second holder, as a client may keep several
  window_.reset();
  const auto disconnected = [](HRESULT r) { return r == CO_E_OBJNOTCONNECTED || r == RPC_E_DISCONNECTED; };
  BSTR name = nullptr;
  EXPECT_TRUE(disconnected(client_->get_accName(Child(CHILDID_SELF), &name)));
  EXPECT_EQ(name, nullptr);
  LONG count = -1;
  EXPECT_TRUE(disconnected(client_->get_accChildCount(&count)));
  EXPECT_TRUE(disconnected(client_->accDoDefaultAction(Child(1))));
  VARIANT hit;
  ::VariantInit(&hit);
  EXPECT_TRUE(disconnected(client_->accHitTest(10, 10, &hit)));
  LONG x = 0, y = 0, w = 0, h = 0;
  EXPECT_TRUE(disconnected(client_->accLocation(&x, &y, &w, &h, Child(1))));
  client_->Release();
  // The last reference goes in TearDown.
  EXPECT_EQ(NextEvent().type, platform::WindowEvent::Type::Timer) << "nothing was queued";
}

}  // namespace
