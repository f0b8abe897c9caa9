// The form's description for screen readers (the rules are in ui/Form.h).
#include <utility>

#include "ui/Application.h"
#include "ui/Form.h"

namespace ui {

void TForm::SetAccessibleChildren(std::vector<TAccessibleChild> children) {
  std::erase_if(children, [this](const TAccessibleChild& child) { return !Owns(child.control); });
  accessibleChildren_ = std::move(children);
  UpdateAccessible();
}

platform::AccessibleTree TForm::AccessibleTree() const {
  platform::AccessibleTree tree;
  tree.application = application_.Title();
  tree.name = caption_;
  tree.visible = visible_;
  TControl* const pressed = PressedControl();
  tree.children.reserve(accessibleChildren_.size());
  for (const TAccessibleChild& child : accessibleChildren_) {
    const TControl& control = *child.control;
    platform::AccessibleElement element;
    element.name = child.name;
    element.description = child.description;
    element.defaultAction = kPressAction;
    element.role = platform::AccessibleRole::PushButton;
    if (control.CanFocus()) element.states |= platform::kAccessibleFocusable;
    if (&control == focused_) element.states |= platform::kAccessibleFocused;
    if (&control == hover_) element.states |= platform::kAccessibleHot;
    if (&control == pressed) element.states |= platform::kAccessiblePressed;
    if (!control.UserEnabled()) element.states |= platform::kAccessibleUnavailable;
    element.bounds = {control.Left(), control.Top(), control.Width(), control.Height()};
    tree.children.push_back(std::move(element));
  }
  return tree;
}

void TForm::UpdateAccessible() {
  // A form that shows screen readers nothing costs nothing.
  if (!window_ || (accessibleChildren_.empty() && accessibleSent_.children.empty())) return;
  platform::AccessibleTree tree = AccessibleTree();
  const std::vector<platform::AccessibleChange> changes = platform::AccessibleChanges(accessibleSent_, tree);
  if (changes.empty()) return;
  accessibleSent_ = std::move(tree);
  window_->UpdateAccessible(accessibleSent_, changes);
}

void TForm::ControlStateChanged(TControl& control) {
  UpdateAccessible();
  if (OnControlStateChange) OnControlStateChange(*this, control);
}

void TForm::PerformAccessibleAction(int child) {
  if (child < 0 || static_cast<std::size_t>(child) >= accessibleChildren_.size()) return;
  TControl* control = accessibleChildren_[static_cast<std::size_t>(child)].control;
  if (!control->UserEnabled()) return;
  // As a click on it would, the action gives the control the focus.
  if (control->CanFocus()) SetFocusedControl(control);
  control->PerformClick();
}

}  // namespace ui
