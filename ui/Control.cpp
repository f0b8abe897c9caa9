#include "ui/Control.h"

#include <algorithm>

namespace ui {

TControl::TControl(RepaintSink* owner) : owner_(owner) {}

TControl::~TControl() = default;

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  WindowPosChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UserEnabledChanged();
}

void TControl::UserEnabledChanged() {
  if (owner_ != nullptr) owner_->ControlStateChanged(*this);
}

void TControl::Repaint() {
  if (owner_ != nullptr) owner_->RepaintNow(*this);
}

void TControl::Invalidate() {
  if (owner_ != nullptr) owner_->InvalidateControl(*this);
}

void TControl::PaintTo(TPngImage&) const {}

void TControl::PerformMouseEnter() {
  if (enabled_) MouseEnter();
}

void TControl::PerformMouseLeave() {
  if (enabled_) MouseLeave();
}

void TControl::PerformMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!enabled_) return;
  if (button == mbLeft) leftPressed_ = true;
  MouseDown(button, shift, x, y);
}

void TControl::PerformMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!enabled_) return;
  const bool click = button == mbLeft && leftPressed_ && ContainsPoint(x, y);
  if (button == mbLeft) leftPressed_ = false;
  if (click) Click();
  MouseUp(button, shift, x, y);
}

void TControl::PerformClick() {
  if (!enabled_) return;
  Click();
  ClickCompleted();
}

void TControl::PerformKeyPress() {
  if (enabled_) KeyPress();
}

void TControl::PerformKeyPressEnd(bool activate) {
  if (!enabled_) return;
  KeyPressEnd(activate);
  if (activate) PerformClick();
}

void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TControl::Click() {
  if (OnClick) OnClick(*this);
}

}  // namespace ui
