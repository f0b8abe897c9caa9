#include "ui/Form.h"

#include <algorithm>
#include <cstring>

#include "ui/Application.h"
#include "ui/FocusRing.h"
#include "ui/PictureView.h"
#include "ui/Timer.h"

namespace ui {

namespace {
std::uint8_t ButtonBit(std::uint8_t button) { return static_cast<std::uint8_t>(1u << button); }
}  // namespace

TForm::TForm(TApplication& application, const TCreateParams& params)
    : application_(application),
      clientWidth_(std::max(1, params.clientWidth)),
      clientHeight_(std::max(1, params.clientHeight)),
      borderStyle_(params.borderStyle) {
  platform::WindowParams window;
  window.clientWidth = clientWidth_;
  window.clientHeight = clientHeight_;
  window.borderless = borderStyle_ == bsNone;
  window.taskbarButton = !application_.CreatingMainForm() || application_.MainFormOnTaskBar();
  window_ = application_.System().CreateWindow(window);
  if (window_) {
    windowId_ = window_->Id();
    scale_ = TScale::FromFactor(window_->DisplayScale());
  }
  font_.SetColor(clWindowText);
}

TForm::~TForm() {
  hover_ = nullptr;
  capture_ = nullptr;
  focused_ = nullptr;
  keyPressed_ = nullptr;
  reportedHot_ = nullptr;
  reportedPressed_ = nullptr;
  OnFocusChange = nullptr;
  OnControlStateChange = nullptr;
  accessibleChildren_.clear();
  timers_.clear();
  // Controls go last created first, while the window still exists.
  while (!controls_.empty()) controls_.pop_back();
}

TTimer* TForm::CreateTimer() {
  timers_.push_back(std::make_unique<TTimer>(application_));
  return timers_.back().get();
}

TAnchors TForm::Anchors(const TControl& control) const {
  for (const auto& owned : controls_)
    if (owned.control.get() == &control) return owned.anchors;
  return akLeft | akTop;
}

void TForm::SetAnchors(const TControl& control, TAnchors anchors) {
  for (auto& owned : controls_)
    if (owned.control.get() == &control) owned.anchors = anchors;
}

void TForm::SetClientSize(int width, int height) {
  width = std::max(1, width);
  height = std::max(1, height);
  const int dx = width - clientWidth_;
  const int dy = height - clientHeight_;
  if (dx == 0 && dy == 0) return;
  clientWidth_ = width;
  clientHeight_ = height;
  if (window_) window_->SetClientSize(width, height);
  for (auto& owned : controls_) {
    TControl& c = *owned.control;
    int left = c.Left(), top = c.Top(), w = c.Width(), h = c.Height();
    if ((owned.anchors & akRight) != 0) {
      if ((owned.anchors & akLeft) != 0) w += dx; else left += dx;
    }
    if ((owned.anchors & akBottom) != 0) {
      if ((owned.anchors & akTop) != 0) h += dy; else top += dy;
    }
    c.SetBounds(left, top, w, h);
  }
  dirty_ = true;
}

void TForm::SetCaption(std::u16string caption) {
  caption_ = std::move(caption);
  if (window_) window_->SetTitle(caption_);
  UpdateAccessible();
}

void TForm::SetIcon(std::span<const TPngImage> sizes) {
  if (!window_) return;
  std::vector<std::vector<std::uint8_t>> pixels;
  std::vector<platform::IconView> views;
  pixels.reserve(sizes.size());
  for (const TPngImage& icon : sizes) {
    if (icon.Empty()) continue;
    std::vector<std::uint8_t>& rgba =
        pixels.emplace_back(static_cast<std::size_t>(icon.Width()) * icon.Height() * 4);
    std::uint8_t* out = rgba.data();
    for (int y = 0; y < icon.Height(); ++y) {
      const std::uint8_t* colour = icon.ColourRow(y);
      const std::uint8_t* alpha = icon.AlphaRow(y);
      for (int x = 0; x < icon.Width(); ++x) {
        *out++ = colour[3 * x];
        *out++ = colour[3 * x + 1];
        *out++ = colour[3 * x + 2];
        *out++ = alpha != nullptr ? alpha[x] : 255;
      }
    }
    views.push_back({rgba.data(), icon.Width(), icon.Height()});
  }
  if (!views.empty()) window_->SetIcons(views);
}

void TForm::SetColor(std::uint32_t color) {
  color_ = color;
  dirty_ = true;
}

void TForm::Show() {
  if (visible_) return;
  visible_ = true;
  if (OnShow) OnShow(*this);
  if (!visible_) return;  // the handler hid the form again
  if (window_) {
    window_->Show();
    // Mouse and key input from before the window hid, or sent while it was
    // hidden, belongs to no one now: a double click or a held Enter that
    // started a program must not start it again when the window comes back.
    application_.System().DiscardMouseAndKeyInput();
    // Hover comes from where the pointer is, not from stale events.
    TakePointerFromScreen();
  }
  // The window kept nothing while it was hidden: present all of it, with
  // the focused and the hovered control as they are now (drawn into this
  // frame, not presented on their own before it).
  showing_ = true;
  if (focused_ == nullptr) {
    for (TControl* control : TabStops()) {
      if (!control->CanFocus()) continue;
      SetFocusedControl(control);
      break;
    }
  }
  UpdateHover();
  showing_ = false;
  Compose();
  PresentRect(0, 0, clientWidth_, clientHeight_);
  dirty_ = false;
  UpdateAccessible();
}

void TForm::TakePointerFromScreen() {
  int screenX = 0;
  int screenY = 0;
  int left = 0;
  int top = 0;
  window_->GetPosition(left, top);
  if (window_->PointerOnScreen(screenX, screenY)) {
    pointerX_ = screenX - left;
    pointerY_ = screenY - top;
    pointerKnown_ = pointerX_ >= 0 && pointerY_ >= 0 && pointerX_ < clientWidth_ && pointerY_ < clientHeight_;
  }
}

void TForm::ChangeScale() {
  if (!window_) return;
  const TScale scale = TScale::FromFactor(window_->DisplayScale());
  if (scale == scale_) return;
  scale_ = scale;
  layingOut_ = true;
  try {
    if (OnScaleChanged) OnScaleChanged(*this);
  } catch (...) {
    layingOut_ = false;
    throw;
  }
  layingOut_ = false;
  dirty_ = true;
  if (visible_) {
    // The controls moved under the pointer: hover from where it is now.
    TakePointerFromScreen();
    if (capture_ == nullptr) UpdateHover();
    // All of it again, the focus ring at its new thickness among the rest.
    Compose();
    PresentRect(0, 0, clientWidth_, clientHeight_);
    dirty_ = false;
  }
  // Screen readers learn the controls' places in the new layout.
  UpdateAccessible();
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  // A press does not outlive the window: the rest of it (and anything
  // pressed meanwhile) is lost with the window's hold on the mouse, and a
  // key press ends without a click.
  CancelKeyPress();
  capture_ = nullptr;
  held_ = 0;
  if (window_) {
    window_->ReleaseMouseCapture();
    window_->Hide();
  }
  pointerKnown_ = false;
  SetHover(nullptr);
  NoteControlStates();
  UpdateAccessible();
}

void TForm::Close() {
  if (application_.MainForm() == this) {
    application_.Terminate();
  } else {
    Hide();
  }
}

void TForm::ReleaseCapture() {
  capture_ = nullptr;
  if (window_) window_->ReleaseMouseCapture();
  NoteControlStates();
}

std::intptr_t TForm::Perform(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0u) == SC_MOVE && (wParam & 0xFu) == HTCAPTION) DragMove();
  return 0;
}

void TForm::DragMove() {
  if (!window_ || !visible_) return;
  // Where the platform has a move loop of its own, it runs it; it takes the
  // release, so no button is held for the form afterwards.
  if (window_->SystemDragMove()) {
    held_ = 0;
    pointerKnown_ = false;
    return;
  }
  if (!pointerKnown_ || held_ == 0) return;
  int startX = 0;
  int startY = 0;
  window_->GetPosition(startX, startY);
  // The screen point the pointer grabbed.
  const int grabX = startX + pointerX_;
  const int grabY = startY + pointerY_;
  // The window follows the pointer's screen position as the display tells
  // it, at every mouse event and at the release: event coordinates are
  // relative to a window that moves under them, and a motion that lands on
  // the same window-relative point is never reported.
  const auto follow = [&] {
    int x = 0;
    int y = 0;
    if (window_->PointerOnScreen(x, y)) window_->Move(startX + (x - grabX), startY + (y - grabY));
  };
  using Type = platform::WindowEvent::Type;
  for (;;) {
    application_.PaintPending();
    platform::WindowEvent event;
    application_.System().WaitEvent(event);
    // The mouse belongs to the move until its buttons are released, wherever
    // the platform says the pointer is (it may lose track of the window that
    // moves under it).
    if (event.type == Type::MouseMove) {
      follow();
      continue;
    }
    if (event.type == Type::MouseDown) {
      held_ = static_cast<std::uint8_t>(held_ | ButtonBit(event.button));
      continue;
    }
    if (event.type == Type::MouseUp) {
      held_ = static_cast<std::uint8_t>(held_ & ~ButtonBit(event.button));
      if (held_ == 0) {
        follow();
        break;
      }
      continue;
    }
    if (event.type == Type::MouseLeave) continue;
    // Keys belong to no control during the move, as in a system move loop.
    if (event.type == Type::KeyDown || event.type == Type::KeyUp) continue;
    application_.Dispatch(event);
    if (event.type == Type::Quit || !visible_) break;
  }
  // Where the pointer is now is only known again with the next motion.
  pointerKnown_ = false;
}

void TForm::RepaintNow(TControl& control) {
  // A hidden window shows nothing: it is composed whole when shown; one
  // being shown or laid out is composed whole after.
  if (!visible_ || layingOut_ || showing_) {
    dirty_ = true;
    return;
  }
  Compose();
  PresentRect(control.Left(), control.Top(), control.Width(), control.Height());
}

void TForm::InvalidateControl(TControl&) { dirty_ = true; }

void TForm::PaintPending() {
  if (!dirty_ || !visible_) return;
  Compose();
  PresentRect(0, 0, clientWidth_, clientHeight_);
  dirty_ = false;
}

void TForm::Compose() {
  // Made at the client area's size when first needed: every pixel is
  // drawn below, none kept.
  if (frame_.Width() != clientWidth_ || frame_.Height() != clientHeight_)
    frame_ = TPngImage(clientWidth_, clientHeight_, false);
  const auto r = static_cast<std::uint8_t>(color_ & 0xFF);
  const auto g = static_cast<std::uint8_t>((color_ >> 8) & 0xFF);
  const auto b = static_cast<std::uint8_t>((color_ >> 16) & 0xFF);
  if (frame_.Height() > 0 && !CoveredByBottomControl()) {
    std::uint8_t* first = frame_.ColourRow(0);
    for (int x = 0; x < frame_.Width(); ++x) {
      first[3 * x] = r;
      first[3 * x + 1] = g;
      first[3 * x + 2] = b;
    }
    const auto rowBytes = static_cast<std::size_t>(frame_.Width()) * 3;
    for (int y = 1; y < frame_.Height(); ++y) std::memcpy(frame_.ColourRow(y), first, rowBytes);
  }
  for (const auto& owned : controls_) owned.control->PaintTo(frame_);
  if (cuesShown_ && focused_ != nullptr)
    DrawFocusRing(frame_, focused_->Left(), focused_->Top(), focused_->Width(), focused_->Height(), focusRingColor_,
                  FocusRingMetrics(scale_.Factor()));
}

bool TForm::CoveredByBottomControl() const {
  // A picture without alpha drawn over the whole client area hides the
  // form's colour: no need to paint it first.
  const auto* view = controls_.empty() ? nullptr : dynamic_cast<const TPictureView*>(controls_.front().control.get());
  const TPngImage* picture = view != nullptr ? view->Picture().Graphic() : nullptr;
  if (picture == nullptr || picture->HasAlpha() || view->Left() > 0 || view->Top() > 0) return false;
  const long long right = static_cast<long long>(view->Left()) + std::min(view->Width(), picture->Width());
  const long long bottom = static_cast<long long>(view->Top()) + std::min(view->Height(), picture->Height());
  return right >= clientWidth_ && bottom >= clientHeight_;
}

void TForm::PresentRect(int left, int top, int width, int height) {
  if (!window_) return;
  const platform::FrameView view{frame_.ColourRow(0), frame_.Width(), frame_.Height(),
                                 static_cast<std::ptrdiff_t>(frame_.Width()) * 3};
  window_->Present(view, {left, top, width, height});
}

TControl* TForm::ControlAt(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl& c = *it->control;
    if (c.Enabled() && c.ContainsPoint(x - c.Left(), y - c.Top())) return &c;
  }
  return nullptr;
}

void TForm::SetHover(TControl* control) {
  if (control == hover_) return;
  TControl* left = hover_;
  hover_ = control;
  if (window_) window_->SetCursor(control != nullptr && control->Cursor() == crHandPoint ? platform::CursorShape::Hand
                                                                                        : platform::CursorShape::Arrow);
  if (left != nullptr) left->PerformMouseLeave();
  if (control != nullptr && hover_ == control) control->PerformMouseEnter();
  NoteControlStates();
}

void TForm::UpdateHover() {
  SetHover(visible_ && pointerKnown_ ? ControlAt(pointerX_, pointerY_) : nullptr);
}

TShiftState TForm::ShiftFrom(const platform::WindowEvent& event) const {
  TShiftState shift = 0;
  if ((event.modifiers & platform::WindowEvent::Shift) != 0) shift |= ssShift;
  if ((event.modifiers & platform::WindowEvent::Alt) != 0) shift |= ssAlt;
  if ((event.modifiers & platform::WindowEvent::Ctrl) != 0) shift |= ssCtrl;
  if ((held_ & ButtonBit(platform::WindowEvent::Left)) != 0) shift |= ssLeft;
  if ((held_ & ButtonBit(platform::WindowEvent::Right)) != 0) shift |= ssRight;
  if ((held_ & ButtonBit(platform::WindowEvent::Middle)) != 0) shift |= ssMiddle;
  return shift;
}

void TForm::HandleEvent(const platform::WindowEvent& event) {
  using Type = platform::WindowEvent::Type;
  switch (event.type) {
    case Type::MouseMove:
      pointerKnown_ = true;
      pointerX_ = event.x;
      pointerY_ = event.y;
      // While a control holds the capture, the pointer's comings and goings
      // wait until the buttons are released.
      if (capture_ == nullptr) UpdateHover();
      return;
    case Type::MouseDown: {
      pointerKnown_ = true;
      pointerX_ = event.x;
      pointerY_ = event.y;
      held_ = static_cast<std::uint8_t>(held_ | ButtonBit(event.button));
      // The mouse takes over from a key press.
      CancelKeyPress();
      if (capture_ == nullptr) UpdateHover();
      TControl* target = capture_ != nullptr ? capture_ : hover_;
      if (target == nullptr) {
        NoteControlStates();
        return;
      }
      capture_ = target;
      if (event.button == platform::WindowEvent::Left && target->CanFocus()) SetFocusedControl(target);
      NoteControlStates();
      target->PerformMouseDown(static_cast<TMouseButton>(event.button), ShiftFrom(event),
                               event.x - target->Left(), event.y - target->Top());
      return;
    }
    case Type::MouseUp: {
      pointerKnown_ = true;
      pointerX_ = event.x;
      pointerY_ = event.y;
      // The release of a press the form never saw (made before the window
      // came back, or taken by a move) is no one's.
      if ((held_ & ButtonBit(event.button)) == 0) {
        if (capture_ == nullptr) UpdateHover();
        return;
      }
      held_ = static_cast<std::uint8_t>(held_ & ~ButtonBit(event.button));
      TControl* target = capture_ != nullptr ? capture_ : hover_;
      if (held_ == 0) capture_ = nullptr;
      NoteControlStates();
      if (target != nullptr)
        target->PerformMouseUp(static_cast<TMouseButton>(event.button), ShiftFrom(event),
                               event.x - target->Left(), event.y - target->Top());
      if (capture_ == nullptr) UpdateHover();
      return;
    }
    case Type::MouseLeave:
      pointerKnown_ = false;
      if (capture_ == nullptr) SetHover(nullptr);
      return;
    case Type::Close:
      Close();
      return;
    case Type::ScaleChanged:
      ChangeScale();
      return;
    case Type::KeyDown:
      HandleKeyDown(event);
      return;
    case Type::KeyUp:
      HandleKeyUp(event);
      return;
    case Type::FocusLost:
      CancelKeyPress();
      return;
    case Type::AccessibleAction:
      PerformAccessibleAction(event.child);
      return;
    case Type::Expose:
      if (!visible_) return;
      Compose();
      PresentRect(0, 0, clientWidth_, clientHeight_);
      dirty_ = false;
      return;
    default:
      return;
  }
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(*this);
}

void TForm::SetFocusRingColor(std::uint32_t color) {
  if (color == focusRingColor_) return;
  focusRingColor_ = color;
  if (cuesShown_ && focused_ != nullptr) RepaintNow(*focused_);
}

TControl* TForm::PressedControl() const {
  if (keyPressed_ != nullptr) return keyPressed_;
  if (capture_ != nullptr && (held_ & ButtonBit(platform::WindowEvent::Left)) != 0) return capture_;
  return nullptr;
}

bool TForm::Owns(const TControl* control) const {
  return std::any_of(controls_.begin(), controls_.end(),
                     [control](const TOwnedControl& owned) { return owned.control.get() == control; });
}

std::vector<TControl*> TForm::TabStops() const {
  std::vector<TControl*> stops;
  for (const auto& owned : controls_)
    if (owned.control->TabStop()) stops.push_back(owned.control.get());
  std::stable_sort(stops.begin(), stops.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder() < b->TabOrder(); });
  return stops;
}

void TForm::SetFocusedControl(TControl* control) {
  if (control == focused_) return;
  if (control != nullptr && (!control->TabStop() || !Owns(control))) return;
  CancelKeyPress();
  TControl* previous = focused_;
  focused_ = control;
  if (cuesShown_ && visible_ && !layingOut_ && !showing_) {
    // The ring moves: both places show what they are now.
    Compose();
    if (previous != nullptr) RepaintArea(*previous);
    if (focused_ != nullptr) RepaintArea(*focused_);
  }
  UpdateAccessible();
  if (OnFocusChange) OnFocusChange(*this, focused_);
}

void TForm::RepaintArea(const TControl& control) {
  PresentRect(control.Left(), control.Top(), control.Width(), control.Height());
}

void TForm::ShowFocusCues() {
  if (cuesShown_) return;
  cuesShown_ = true;
  if (focused_ != nullptr) RepaintNow(*focused_);
}

void TForm::CancelKeyPress() {
  TControl* pressed = keyPressed_;
  if (pressed == nullptr) return;
  keyPressed_ = nullptr;
  NoteControlStates();
  pressed->PerformKeyPressEnd(false);
}

void TForm::MoveFocusInTabOrder(bool forward) {
  const std::vector<TControl*> stops = TabStops();
  const auto count = static_cast<std::ptrdiff_t>(stops.size());
  if (count == 0) return;
  const auto found = std::find(stops.begin(), stops.end(), focused_);
  // From the focused control's place (or from before the first / after the
  // last), the next one that can take the focus now.
  std::ptrdiff_t at = found != stops.end() ? found - stops.begin() : (forward ? -1 : count);
  for (std::ptrdiff_t step = 0; step < count; ++step) {
    at = forward ? (at + 1) % count : (at - 1 + count) % count;
    if (stops[static_cast<std::size_t>(at)]->CanFocus()) {
      SetFocusedControl(stops[static_cast<std::size_t>(at)]);
      return;
    }
  }
}

void TForm::MoveFocusToward(platform::KeyCode arrow) {
  if (focused_ == nullptr) return;
  using platform::KeyCode;
  // Edges and doubled centres of a control, wide enough for any bounds.
  struct TEdges {
    long long left, top, right, bottom;
    explicit TEdges(const TControl& c)
        : left(c.Left()), top(c.Top()), right(static_cast<long long>(c.Left()) + c.Width()),
          bottom(static_cast<long long>(c.Top()) + c.Height()) {}
    long long CentreX2() const { return left + right; }
    long long CentreY2() const { return top + bottom; }
  };
  const TEdges from(*focused_);
  // A scaled layout has each edge rounded to a whole pixel, by up to half a
  // pixel: of two controls whose centres lie as far off the focused one's
  // at 96 dpi, one may then lie a pixel nearer (two in the doubled centres
  // below). That much counts as a tie, so that an arrow reaches what it
  // reaches at 100 %. Gaps need no such allowance: they are measured from
  // the same edge, and rounding keeps the order of edges.
  const long long acrossSlack = scale_.IsIdentity() ? 0 : 2;
  TControl* best = nullptr;
  long long bestGap = 0;
  long long bestAcross = 0;
  for (TControl* control : TabStops()) {
    if (control == focused_ || !control->CanFocus()) continue;
    const TEdges to(*control);
    long long gap = 0;
    long long across = 0;
    bool overlaps = false;
    switch (arrow) {
      case KeyCode::Right:
        gap = to.left - from.right;
        overlaps = to.top < from.bottom && to.bottom > from.top;
        across = to.CentreY2() - from.CentreY2();
        break;
      case KeyCode::Left:
        gap = from.left - to.right;
        overlaps = to.top < from.bottom && to.bottom > from.top;
        across = to.CentreY2() - from.CentreY2();
        break;
      case KeyCode::Down:
        gap = to.top - from.bottom;
        overlaps = to.left < from.right && to.right > from.left;
        across = to.CentreX2() - from.CentreX2();
        break;
      case KeyCode::Up:
        gap = from.top - to.bottom;
        overlaps = to.left < from.right && to.right > from.left;
        across = to.CentreX2() - from.CentreX2();
        break;
      default:
        return;
    }
    if (gap < 0 || !overlaps) continue;
    across = across < 0 ? -across : across;
    if (best == nullptr || gap < bestGap || (gap == bestGap && across < bestAcross - acrossSlack)) {
      best = control;
      bestGap = gap;
      bestAcross = across;
    }
  }
  if (best != nullptr) SetFocusedControl(best);
}

void TForm::HandleKeyDown(const platform::WindowEvent& event) {
  using platform::KeyCode;
  using platform::WindowEvent;
  ShowFocusCues();
  const bool alt = (event.modifiers & WindowEvent::Alt) != 0;
  const bool ctrl = (event.modifiers & WindowEvent::Ctrl) != 0;
  if (event.key == KeyCode::F4 && alt && !ctrl) {
    if (!event.repeat) Close();
    return;
  }
  if (alt || ctrl) return;
  switch (event.key) {
    case KeyCode::Tab:
      MoveFocusInTabOrder((event.modifiers & WindowEvent::Shift) == 0);
      return;
    case KeyCode::Left:
    case KeyCode::Right:
    case KeyCode::Up:
    case KeyCode::Down:
      MoveFocusToward(event.key);
      return;
    case KeyCode::Enter:
      if (event.repeat) return;
      CancelKeyPress();
      if (focused_ != nullptr && focused_->CanFocus()) focused_->PerformClick();
      return;
    case KeyCode::Space:
      if (event.repeat || keyPressed_ != nullptr || (held_ & ButtonBit(WindowEvent::Left)) != 0) return;
      if (focused_ == nullptr || !focused_->CanFocus()) return;
      keyPressed_ = focused_;
      NoteControlStates();
      keyPressed_->PerformKeyPress();
      return;
    default:
      return;
  }
}

void TForm::HandleKeyUp(const platform::WindowEvent& event) {
  if (event.key != platform::KeyCode::Space || keyPressed_ == nullptr) return;
  TControl* pressed = keyPressed_;
  keyPressed_ = nullptr;
  NoteControlStates();
  pressed->PerformKeyPressEnd(pressed == focused_ && pressed->CanFocus());
}

void TForm::NoteControlStates() {
  TControl* const hot = hover_;
  TControl* const pressed = PressedControl();
  TControl* const wasHot = reportedHot_;
  TControl* const wasPressed = reportedPressed_;
  if (hot == wasHot && pressed == wasPressed) return;
  // Recorded first: a handler may cause the next change.
  reportedHot_ = hot;
  reportedPressed_ = pressed;
  UpdateAccessible();
  if (!OnControlStateChange) return;
  TControl* const candidates[] = {wasHot, hot, wasPressed, pressed};
  for (std::size_t i = 0; i < 4; ++i) {
    TControl* control = candidates[i];
    if (control == nullptr || std::find(candidates, candidates + i, control) != candidates + i) continue;
    if ((control == wasHot) != (control == hot) || (control == wasPressed) != (control == pressed))
      OnControlStateChange(*this, *control);
  }
}

}  // namespace ui
