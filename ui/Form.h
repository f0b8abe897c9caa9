// A form: a top-level window that owns its controls and timers.
//
// The form is its controls' RepaintSink. It composes them off-screen in
// creation order (later ones above), each with its per-pixel alpha, over the
// form's colour, and presents the result: an immediate repaint reaches the
// screen before it returns; an invalidation is painted when the message loop
// next runs dry.
//
// Mouse input rules:
// - The form alone keeps the state of the mouse: which buttons it saw go
//   down, and which control holds the capture. A press goes to the topmost
//   enabled control under the pointer, which then holds the capture: every
//   further press and release goes to it, wherever the pointer is, until the
//   last held button is released. A release whose press the form did not see
//   goes to no control.
// - Enter and leave follow the pointer, except during a capture: then they
//   are held back and delivered after the release. A release outside the
//   pressed control thus reaches it first (a button shows its mouse-on
//   picture), then its leave (the normal picture).
// - There is no double-click notification: a second press is another press
//   and click.
// - The cursor is set from the control under the pointer whenever hover
//   moves to another control (or to none), so not during a capture.
// - Hide ends any capture and press, and leaves the hovered control. Show
//   drops all mouse and key input queued before it (a click made or a key
//   typed while or before the window hid does nothing) and takes hover from
//   where the pointer really is.
// - A left-button press on a control that can take the focus gives it the
//   focus, as a push button takes it when clicked (the right and middle
//   buttons do not). Nothing shows it until the focus cues are on.
//
// Keyboard rules:
// - One control at most holds the focus: a tab stop (TControl::TabStop) of
//   this form. It moves only through SetFocusedControl, the keys below, a
//   left-button press, and Show, which gives it to the first control in tab
//   order that can take it when none holds it; hiding keeps it, so after a
//   child program the focus is where it was.
// - Tab and Shift+Tab move it to the next / previous control that can take
//   it, in tab order (TabOrder, then creation order), and round. An arrow
//   key moves it to the nearest such control that lies wholly beyond the
//   focused one's edge on that side and overlaps it across that direction,
//   of two as near the one whose centre lies nearer across (ties go to the
//   first in tab order; at a scale other than 100 % centres within the
//   rounding of the scaled layout, one pixel, count as a tie); where there
//   is none it stays.
// - Enter activates the focused control at once (TControl::PerformClick).
//   Space presses it (TControl::PerformKeyPress: a button shows its pressed
//   picture) and activates it when it comes up, as a push button does: the
//   press is cancelled without a click when the focus moves, when the window
//   hides or loses the keyboard, and (the mouse taking over) when any mouse
//   button goes down; Escape does not end it, any more than it ends a push
//   button's. Enter during it ends it and clicks once. Space does nothing
//   while the left mouse button is held.
// - A KeyDown that repeats activates and presses nothing (Tab and the
//   arrows do repeat). Alt or Ctrl held makes Tab, the arrows, Enter and
//   Space do nothing.
// - Alt+F4 closes the form (Close), for where no window manager does it;
//   where one does, or the system does, its close request arrives as Close.
// - Focus cues: none until the first key goes down in this run (any key
//   that reaches the window); from then on the focused control wears the
//   focus ring, an outline in FocusRingColor drawn inside its bounds over
//   what it painted (ui/FocusRing.h), as thick and as far inside as the
//   form's Scale() makes the ring's 96-dpi metrics. A run that never sees a
//   key shows exactly what the controls paint.
//
// Notifications (both run on the user-interface thread, after the change):
// - OnFocusChange: after every move of the focus, with the control that
//   holds it now (never null once a control got it, except through
//   SetFocusedControl(nullptr)).
// - OnControlStateChange: after the hot control (under the pointer) or the
//   pressed control (held down by the left mouse button or by Space) has
//   changed, once for each control whose state changed; before any click
//   that the same input raises. Also after a control's own enabled state
//   (TControl::UserEnabled) has changed.
//
// Screen readers: the form describes its accessible children to its window
// (platform/Accessibility.h), each a control of the form with the name and
// description given in SetAccessibleChildren, a push button whose default
// action is kPressAction, and the states the rules above give it: focusable
// (CanFocus), focused, hot, pressed, unavailable (not UserEnabled). The
// description follows every change of focus, hot, pressed or enabled state,
// of the caption and of visibility, before the handlers above run. A
// client's default action (an AccessibleAction event) gives the control the
// focus, where it can take it, and raises its click as PerformClick does.
//
// Display scale: a form is drawn at the scale of its window's monitor
// (Scale(), 1 to 3). The form itself scales nothing: whoever lays it out
// turns the layout's 96-dpi lengths into device pixels with Scale()
// (ui/Scale.h), at creation and again in OnScaleChanged, when the window
// has moved to a monitor of another density; the form is then drawn again
// whole, the focus ring at the new scale, and its accessible description
// is sent again with the controls' new bounds. Everything else (input,
// composing, the drag, the accessible bounds and hit tests) works in device
// pixels at every scale.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/WindowSystem.h"
#include "ui/Control.h"
#include "ui/Font.h"
#include "ui/PngImage.h"
#include "ui/Scale.h"

namespace ui {

class TApplication;
class TForm;
class TTimer;

using TFormEvent = std::function<void(TForm& sender)>;
using TFocusChangeEvent = std::function<void(TForm& sender, TControl* focused)>;
using TControlStateEvent = std::function<void(TForm& sender, TControl& control)>;

enum TBorderStyle : std::uint8_t { bsNone = 0, bsSingle = 1 };

enum TAnchorKind : std::uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = std::uint8_t;  // a set of TAnchorKind bits

// Colours as 0xBBGGRR: the system colours a form's layout names.
inline constexpr std::uint32_t clBtnFace = 0xF0F0F0;
inline constexpr std::uint32_t clWindowText = 0x000000;
inline constexpr std::uint32_t clHighlight = 0xD77800;

// The one message Perform handles: the system command that lets the window
// follow the mouse as if its caption were dragged.
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned SC_MOVE = 0xF010;
inline constexpr unsigned HTCAPTION = 2;
inline constexpr unsigned SC_DRAGMOVE = SC_MOVE | HTCAPTION;

// The name of a push button's default action, as screen readers say it.
inline constexpr char16_t kPressAction[] = u"按下";

// One of a form's accessible children.
struct TAccessibleChild {
  TControl* control = nullptr;
  std::u16string name;
  std::u16string description;
};

class TForm : public RepaintSink {
 public:
  struct TCreateParams {
    int clientWidth = 0;
    int clientHeight = 0;
    TBorderStyle borderStyle = bsSingle;
  };

  // Creates the form's window, hidden. The main form takes its taskbar
  // presence from the application; every other form has a taskbar button.
  TForm(TApplication& application, const TCreateParams& params);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  TApplication& Application() const { return application_; }
  std::uint32_t WindowId() const { return windowId_; }

  // Creates a control of class T owned by the form, above those created
  // before it.
  template <class T>
  T* CreateControl() {
    auto control = std::make_unique<T>(this);
    T* created = control.get();
    controls_.push_back({std::move(control), TAnchors(akLeft | akTop)});
    return created;
  }
  TTimer* CreateTimer();

  // Anchors keep a control's distance to the named sides of the client area
  // when its size changes.
  TAnchors Anchors(const TControl& control) const;
  void SetAnchors(const TControl& control, TAnchors anchors);

  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  // Resizes the client area (and the window) and moves or sizes the
  // anchored controls.
  void SetClientSize(int width, int height);

  // The display scale the form is drawn at: its window's, from 1 to 3, as
  // the platform reported it when the window was created or last moved to
  // another monitor.
  const TScale& Scale() const { return scale_; }
  TBorderStyle BorderStyle() const { return borderStyle_; }

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(std::u16string caption);
  // The window's icon (shown by the taskbar and the task switcher), in
  // several sizes; the platform picks among them.
  void SetIcon(std::span<const TPngImage> sizes);
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t color);
  TFont& Font() { return font_; }
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  bool Visible() const { return visible_; }
  // Raises OnShow, maps the window and presents the whole client area.
  void Show();
  void Hide();
  // Closing the main form ends the application's message loop; any other
  // form is hidden.
  void Close();

  // Ends the mouse capture: no control receives the rest of the press, and
  // the platform's hold on the mouse ends too. The buttons stay held for the
  // form (a move started next runs until they are released).
  void ReleaseCapture();
  // Handles WM_SYSCOMMAND with SC_DRAGMOVE at once: the window follows the
  // mouse until the buttons are released, moved by the platform's own move
  // loop where it has one, otherwise by the form, which places it after the
  // pointer's screen position at each motion and at the release. Other
  // messages are ignored.
  std::intptr_t Perform(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

  TFormEvent OnCreate;
  TFormEvent OnShow;
  // Raised when Scale() has changed (its window moved to a monitor of
  // another density), to lay the form out again at the new scale. Nothing
  // is drawn while it runs; the whole form is drawn after it.
  TFormEvent OnScaleChanged;

  // Keyboard focus (rules above). SetFocusedControl takes null or a tab stop
  // of this form; anything else leaves the focus as it is.
  TControl* FocusedControl() const { return focused_; }
  void SetFocusedControl(TControl* control);
  // Whether a key has gone down in this run: the focused control then
  // wears the focus ring.
  bool FocusCuesShown() const { return cuesShown_; }
  // The control under the pointer as the form's mouse rules see it (held
  // while a capture lasts), or null.
  TControl* HotControl() const { return hover_; }
  // The control held down by the left mouse button or by Space, or null.
  TControl* PressedControl() const;
  // The focus ring's colour, 0xBBGGRR.
  std::uint32_t FocusRingColor() const { return focusRingColor_; }
  void SetFocusRingColor(std::uint32_t color);

  TFocusChangeEvent OnFocusChange;
  TControlStateEvent OnControlStateChange;

  // Screen readers (rules above): the accessible children in the order
  // clients number them; entries naming no control of this form are left
  // out. The description as it is now.
  void SetAccessibleChildren(std::vector<TAccessibleChild> children);
  platform::AccessibleTree AccessibleTree() const;

  // RepaintSink.
  void RepaintNow(TControl& control) override;
  void InvalidateControl(TControl& control) override;
  void ControlStateChanged(TControl& control) override;
  // Repaints the whole client area in the next paint cycle.
  void Invalidate() { dirty_ = true; }

  // From the application.
  void DoCreate();
  void HandleEvent(const platform::WindowEvent& event);
  void PaintPending();

  // The composed client area as last presented or composed (empty before
  // the first composition).
  const TPngImage& Frame() const { return frame_; }
  // The control under a client point (topmost first), or null.
  TControl* ControlAt(int x, int y) const;

 private:
  struct TOwnedControl {
    std::unique_ptr<TControl> control;
    TAnchors anchors;
  };

  void Compose();
  bool CoveredByBottomControl() const;
  void PresentRect(int left, int top, int width, int height);
  void UpdateHover();
  void SetHover(TControl* control);
  void DragMove();
  void ChangeScale();
  void TakePointerFromScreen();
  TShiftState ShiftFrom(const platform::WindowEvent& event) const;
  void HandleKeyDown(const platform::WindowEvent& event);
  void HandleKeyUp(const platform::WindowEvent& event);
  void ShowFocusCues();
  bool Owns(const TControl* control) const;
  std::vector<TControl*> TabStops() const;
  void MoveFocusInTabOrder(bool forward);
  void MoveFocusToward(platform::KeyCode arrow);
  void CancelKeyPress();
  void RepaintArea(const TControl& control);
  // Reports the hot and pressed states that changed since the last report.
  void NoteControlStates();
  // Gives the window the accessible description, and what changed in it.
  void UpdateAccessible();
  void PerformAccessibleAction(int child);

  TApplication& application_;
  std::unique_ptr<platform::NativeWindow> window_;
  std::uint32_t windowId_ = 0;
  std::vector<TOwnedControl> controls_;
  std::vector<std::unique_ptr<TTimer>> timers_;
  int clientWidth_;
  int clientHeight_;
  TBorderStyle borderStyle_;
  std::u16string caption_;
  std::uint32_t color_ = clBtnFace;
  TFont font_;
  std::intptr_t tag_ = 0;
  TScale scale_;
  bool visible_ = false;
  bool dirty_ = true;
  bool layingOut_ = false;  // OnScaleChanged runs: nothing is drawn
  bool showing_ = false;    // Show takes hover: nothing is drawn on its own
  TPngImage frame_;

  TControl* hover_ = nullptr;
  TControl* capture_ = nullptr;
  std::uint8_t held_ = 0;      // bit (1 << button) for every press seen and not yet released
  bool pointerKnown_ = false;  // whether pointerX_/pointerY_ tell where the pointer is
  int pointerX_ = 0;
  int pointerY_ = 0;

  TControl* focused_ = nullptr;
  TControl* keyPressed_ = nullptr;  // held down by Space
  bool cuesShown_ = false;
  std::uint32_t focusRingColor_ = clHighlight;
  TControl* reportedHot_ = nullptr;
  TControl* reportedPressed_ = nullptr;

  std::vector<TAccessibleChild> accessibleChildren_;
  platform::AccessibleTree accessibleSent_;  // what the window was last given
};

}  // namespace ui
