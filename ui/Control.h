// The control base: bounds, cursor, mouse and keyboard input, repainting.
//
// A control lives on an owner that implements RepaintSink (the form; a
// recorder in tests). The owner delivers input through the Perform* calls,
// in control coordinates; the control answers through the protected virtual
// handlers, whose base versions raise the On* events.
//
// Keyboard: the form keeps the focus (see ui/Form.h) and, for the focused
// control, turns Enter into PerformClick and Space into a key press:
// PerformKeyPress while it is down, PerformKeyPressEnd when it comes up (a
// click) or is cancelled.
#pragma once

#include <cstdint>
#include <functional>

namespace ui {

class TControl;
class TPngImage;

enum TCursor : int { crDefault = 0, crArrow = -2, crHandPoint = -21 };

enum TMouseButton : std::uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

enum TShiftFlag : std::uint8_t {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32
};
using TShiftState = std::uint8_t;  // a set of TShiftFlag bits

// Where a control's drawing goes.
class RepaintSink {
 public:
  // Draw `control` now, before returning.
  virtual void RepaintNow(TControl& control) = 0;
  // Draw `control` in the next paint cycle.
  virtual void InvalidateControl(TControl& control) = 0;
  // `control`'s enabled state (TControl::UserEnabled) has changed.
  virtual void ControlStateChanged(TControl& control) { (void)control; }

 protected:
  ~RepaintSink() = default;
};

using TNotifyEvent = std::function<void(TControl& sender)>;
using TMouseEvent =
    std::function<void(TControl& sender, TMouseButton button, TShiftState shift, int x, int y)>;

class TControl {
 public:
  explicit TControl(RepaintSink* owner);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  RepaintSink* Owner() const { return owner_; }
  void SetOwner(RepaintSink* owner) { owner_ = owner; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  // Moves and sizes the control (a negative size is taken as 0). When anything
  // changed, WindowPosChanged runs before this returns; whatever it throws
  // reaches the caller, with the new bounds already in force.
  void SetBounds(int left, int top, int width, int height);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }

  // The framework's enabled state: a disabled control gets no input.
  bool Enabled() const { return enabled_; }
  // Enables or disables the control. A control class may keep an enabled
  // state of its own instead (the image button does: it stays routed and
  // ignores input itself, and changes its look); the override runs whichever
  // type the call is made through.
  virtual void SetEnabled(bool enabled);
  // Whether the control responds to its user, in its own sense (the image
  // button's own flag; otherwise the framework's state). Screen readers call
  // a control that does not "unavailable". A change is reported to the
  // owner (RepaintSink::ControlStateChanged).
  virtual bool UserEnabled() const { return enabled_; }

  // Draw now through the owner / in the owner's next paint cycle.
  void Repaint();
  void Invalidate();

  // Draws the control onto `surface`, a picture of the owner's client area.
  virtual void PaintTo(TPngImage& surface) const;

  // Input from the owner. A left-button release over the control, after the
  // left button went down on it, is a click: Click runs before MouseUp.
  void PerformMouseEnter();
  void PerformMouseLeave();
  void PerformMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void PerformMouseUp(TMouseButton button, TShiftState shift, int x, int y);
  bool ContainsPoint(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Whether the control takes the keyboard focus (the form's Tab and arrow
  // keys stop at it). Off by default.
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
  // Place among the form's tab stops: lower first, ties in creation order.
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int tabOrder) { tabOrder_ = tabOrder; }
  // Whether the focus may move to the control now: a tab stop that is
  // enabled (in the control's own sense of it).
  virtual bool CanFocus() const { return tabStop_ && enabled_; }

  // Raises the click exactly as a completed left click does: Click, then
  // ClickCompleted in place of the mouse-up. Nothing while disabled.
  void PerformClick();
  // Space went down on the focused control / its press ended: with
  // `activate` (the key came up) a click follows as PerformClick raises it;
  // without (cancelled: the focus moved, the window hid) none does.
  void PerformKeyPress();
  void PerformKeyPressEnd(bool activate);

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnClick;

 protected:
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Click();
  // After a click raised by PerformClick, where a mouse click has its
  // mouse-up.
  virtual void ClickCompleted() {}
  // The control is held down by a key / no longer is (before the click, when
  // one follows).
  virtual void KeyPress() {}
  virtual void KeyPressEnd(bool /*activate*/) {}
  // After every change of position or size.
  virtual void WindowPosChanged() {}
  // Tells the owner that UserEnabled has changed.
  void UserEnabledChanged();

 private:
  RepaintSink* owner_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TCursor cursor_ = crDefault;
  bool enabled_ = true;
  bool leftPressed_ = false;
  bool tabStop_ = false;
  int tabOrder_ = 0;
};

}  // namespace ui
