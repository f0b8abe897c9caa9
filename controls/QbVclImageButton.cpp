#include "controls/QbVclImageButton.h"

#include "controls/BlendKernel.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace controls {
namespace {

int ClampToInt(long long value) {
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// The level of one animation step: value limited to 255 from above only, then
// cut to its low eight bits, so a negative value wraps.
std::uint8_t StepLevel(long long value) {
  if (value > 255) value = 255;
  return static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFFu);
}

}  // namespace

void BlendImages(const ui::TPngImage* from, const ui::TPngImage* to, ui::TPngImage* target,
                 std::uint8_t level, int height, int width) {
  if (from == nullptr || to == nullptr || target == nullptr) return;
  const int rows = std::min({height, from->Height(), to->Height(), target->Height()});
  const int cols = std::min({width, from->Width(), to->Width(), target->Width()});
  if (rows <= 0 || cols <= 0) return;
  const std::size_t count = static_cast<std::size_t>(cols);
  // Rows of a plane follow each other without gaps, so when the blend spans
  // every image's full width the whole area is one run.
  const bool fullRows = cols == from->Width() && cols == to->Width() && cols == target->Width();
  if (fullRows) {
    detail::BlendBytes(from->ColourRow(0), to->ColourRow(0), target->ColourRow(0), 3 * count * rows, level);
    if (from->HasAlpha() && to->HasAlpha() && target->HasAlpha()) {
      detail::BlendBytes(from->AlphaRow(0), to->AlphaRow(0), target->AlphaRow(0), count * rows, level);
    }
    return;
  }
  for (int r = 0; r < rows; ++r)
    detail::BlendBytes(from->ColourRow(r), to->ColourRow(r), target->ColourRow(r), 3 * count, level);
  for (int r = 0; r < rows; ++r) {
    const std::uint8_t* fromAlpha = from->AlphaRow(r);
    const std::uint8_t* toAlpha = to->AlphaRow(r);
    std::uint8_t* targetAlpha = target->AlphaRow(r);
    if (fromAlpha == nullptr || toAlpha == nullptr || targetAlpha == nullptr) continue;
    detail::BlendBytes(fromAlpha, toAlpha, targetAlpha, count, level);
  }
}

void StretchPicture(const ui::TPngImage& source, ui::TPngImage& dest, int newWidth, int leftEdge,
                    int rightEdge) {
  if (newWidth < 1) throw ui::EInvalidImageSize(newWidth, source.Height());
  if (&source == &dest) {
    const ui::TPngImage copy(source);
    StretchPicture(copy, dest, newWidth, leftEdge, rightEdge);
    return;
  }
  if (source.Empty()) return;
  dest.Resize(newWidth, source.Height());

  const long long sw = source.Width();
  const long long dw = newWidth;
  const bool fillColumnInside = leftEdge >= 0 && leftEdge < sw;
  const long long fillFirst = std::max<long long>(leftEdge, 0);
  const long long fillLast = std::min(dw - rightEdge - 1, dw - 1);
  const long long rightFirst = std::max<long long>(0, static_cast<long long>(rightEdge) - std::min(sw, dw));
  const bool alpha = source.HasAlpha() && dest.HasAlpha();

  // Per row: the fill is one pixel repeated, the right edge one contiguous
  // run of columns (already clipped to both images above).
  const long long fillCount = fillColumnInside ? std::max(0LL, fillLast - fillFirst + 1) : 0;
  const long long rightCount = std::max(0LL, static_cast<long long>(rightEdge) - rightFirst);
  const long long rightSource = sw - rightEdge + rightFirst;
  const long long rightDest = dw - rightEdge + rightFirst;
  for (int r = 0; r < source.Height(); ++r) {
    const std::uint8_t* src = source.ColourRow(r);
    std::uint8_t* dst = dest.ColourRow(r);
    if (fillCount > 0) {
      std::uint8_t* run = dst + 3 * fillFirst;
      const std::size_t total = static_cast<std::size_t>(3 * fillCount);
      std::memcpy(run, src + 3 * static_cast<long long>(leftEdge), 3);
      for (std::size_t done = 3; done < total;) {
        const std::size_t chunk = std::min(done, total - done);
        std::memcpy(run + done, run, chunk);
        done += chunk;
      }
    }
    if (rightCount > 0)
      std::memcpy(dst + 3 * rightDest, src + 3 * rightSource, static_cast<std::size_t>(3 * rightCount));
    if (alpha) {
      const std::uint8_t* srcAlpha = source.AlphaRow(r);
      std::uint8_t* dstAlpha = dest.AlphaRow(r);
      if (fillCount > 0) std::memset(dstAlpha + fillFirst, srcAlpha[leftEdge], static_cast<std::size_t>(fillCount));
      if (rightCount > 0)
        std::memcpy(dstAlpha + rightDest, srcAlpha + rightSource, static_cast<std::size_t>(rightCount));
    }
  }
}

TQbVclImageButton::TQbVclImageButton(ui::RepaintSink* owner) : ui::TPictureView(owner) {
  // The sub-objects exist from here on (member initialisation); the scalar
  // fields already hold their initial values. What follows sets the rest in
  // the control's documented order.
  FScratchPicture.Clear();
  Caption_.clear();

  FMeasureLabel.SetText(Caption_);

  SetCursor(ui::crHandPoint);

  Enabled_ = true;
  SetAutoSize(true);

  PicNormal_.OnChange = [this] { PicNormalChanged(); };

  Font_.OnChange = [this] { FontChanged(); };
  Font_.SetCharset(ui::DEFAULT_CHARSET);
  Font_.SetColor(0x000000);
  Font_.SetHeight(-11);
  Font_.SetName(u"Tahoma");
  Font_.SetOrientation(0);
  Font_.SetPitch(ui::fpDefault);
  Font_.SetSize(8);
  Font_.SetStyle(ui::fsBold);
  FMeasureLabel.Font().Assign(Font_);

  FontDisable_.OnChange = [this] { FontDisableChanged(); };
  FontDisable_.SetCharset(ui::DEFAULT_CHARSET);
  FontDisable_.SetColor(0x808080);
  FontDisable_.SetHeight(-11);
  FontDisable_.SetName(u"Tahoma");
  FontDisable_.SetOrientation(0);
  FontDisable_.SetPitch(ui::fpDefault);
  FontDisable_.SetSize(8);
  FontDisable_.SetStyle(ui::fsBold);
}

TQbVclImageButton::~TQbVclImageButton() {
  // No handler may run while the members go.
  PicNormal_.OnChange = nullptr;
  Font_.OnChange = nullptr;
  FontDisable_.OnChange = nullptr;
}

void TQbVclImageButton::SetPicNormal(const ui::TPicture& value) {
  PicNormal_.Assign(value);
  Picture().Assign(PicNormal_);
  ShowState(isNormal);
}

void TQbVclImageButton::SetPicMouseOn(const ui::TPicture& value) { PicMouseOn_.Assign(value); }

void TQbVclImageButton::SetPicMouseDown(const ui::TPicture& value) { PicMouseDown_.Assign(value); }

void TQbVclImageButton::SetPicDisabled(const ui::TPicture& value) {
  PicDisabled_.Assign(value);
  ShowState(isNormal);
}

void TQbVclImageButton::SetPicSmallNormal(const ui::TPicture& value) {
  PicSmallNormal_.Assign(value);
  ShowState(isNormal);
}

void TQbVclImageButton::SetPicSmallMouseOn(const ui::TPicture& value) { PicSmallMouseOn_.Assign(value); }

void TQbVclImageButton::SetPicSmallMouseDown(const ui::TPicture& value) { PicSmallMouseDown_.Assign(value); }

void TQbVclImageButton::SetPicSmallDisabled(const ui::TPicture& value) {
  PicSmallDisabled_.Assign(value);
  ShowState(isNormal);
}

void TQbVclImageButton::SetEnabled(bool value) {
  const bool changed = value != Enabled_;
  Enabled_ = value;
  ShowState(isNormal);
  if (changed) UserEnabledChanged();
}

void TQbVclImageButton::SetCaption(TCaption value) {
  Caption_ = std::move(value);
  FMeasureLabel.SetText(Caption_);
  ShowState(isNormal);
}

void TQbVclImageButton::SetFont(const ui::TFont& value) {
  Font_.Assign(value);
  FMeasureLabel.Font().Assign(Font_);
  ShowState(isNormal);
}

void TQbVclImageButton::SetFontDisable(const ui::TFont& value) {
  FontDisable_.Assign(value);
  ShowState(isNormal);
}

void TQbVclImageButton::SetCaptionLeft(int value) {
  CaptionLeft_ = value;
  ShowState(isNormal);
}

void TQbVclImageButton::SetCaptionTop(int value) {
  CaptionTop_ = value;
  ShowState(isNormal);
}

void TQbVclImageButton::SetPicSmallPosLeft(int value) {
  PicSmallPosLeft_ = value;
  ShowState(isNormal);
}

void TQbVclImageButton::SetPicSmallPosTop(int value) {
  PicSmallPosTop_ = value;
  ShowState(isNormal);
}

void TQbVclImageButton::SetEnableAnimation(bool value) {
  EnableAnimation_ = value;
  if (!value) FAnimationArmed = false;
}

void TQbVclImageButton::SetCaptionAlign(TTextAlign value) {
  CaptionAlign_ = value;
  ShowState(isNormal);
}

void TQbVclImageButton::PicNormalChanged() {
  if (const ui::TPngImage* image = PicNormal_.Graphic()) {
    SetAutoSize(false);
    SetBounds(Left(), Top(), image->Width(), image->Height());
  }
  ShowState(isNormal);
}

void TQbVclImageButton::FontChanged() {
  FMeasureLabel.Font().Assign(Font_);
  ShowState(isNormal);
}

void TQbVclImageButton::FontDisableChanged() { ShowState(isNormal); }

void TQbVclImageButton::ShowState(TImageState state, const ui::TPngImage* small, bool pressed, bool fade) {
  if (PicNormal_.Empty()) {
    Picture().Clear();
    return;
  }
  Picture().Assign(PicNormal_);
  // The blends cover the normal picture's area, as it is now.
  const int normalWidth = PicNormal_.Width();
  const int normalHeight = PicNormal_.Height();

  ui::TPngImage working;
  std::optional<ui::TPngImage> smallCopy;
  long long captionX = CaptionLeft_;
  long long captionY = CaptionTop_;
  if (Enabled_) {
    const ui::TPngImage* source = PicNormal_.Graphic();
    if (state == isMouseOn && !PicMouseOn_.Empty()) source = PicMouseOn_.Graphic();
    if (state == isMouseDown && !PicMouseDown_.Empty()) source = PicMouseDown_.Graphic();
    working = *source;
    if (small == nullptr && !PicSmallNormal_.Empty()) {
      smallCopy.emplace(*PicSmallNormal_.Graphic());
      small = &*smallCopy;
    }
    FDrawFont.Assign(Font_);
  } else {
    if (PicDisabled_.Empty()) return;
    working = *PicDisabled_.Graphic();
    if (small == nullptr && !PicSmallDisabled_.Empty()) {
      smallCopy.emplace(*PicSmallDisabled_.Graphic());
      small = &*smallCopy;
    }
    FDrawFont.Assign(FontDisable_);
  }

  const int offset = pressed ? 1 : 0;
  if (small != nullptr)
    working.Draw(ClampToInt(static_cast<long long>(PicSmallPosLeft_) + offset),
                 ClampToInt(static_cast<long long>(PicSmallPosTop_) + offset), *small);
  captionX += offset;
  captionY += offset;

  FMeasureLabel.Font().Assign(FDrawFont);
  if (!Caption_.empty()) {
    const ui::TTextExtent extent = FMeasureLabel.Extent();
    const long long W = Width();
    const long long H = Height();
    const long long middleY = (H - extent.height) / 2 + CaptionTop_;
    switch (CaptionAlign_) {
      case taCustom:
        break;
      case taLeft:
        captionX = 1LL + CaptionLeft_;
        captionY = middleY;
        break;
      case taCenter:
        captionX = (W - extent.width) / 2 + CaptionLeft_;
        captionY = middleY;
        break;
      case taRight:
        captionX = W - 1 - extent.width + CaptionLeft_;
        captionY = middleY;
        break;
    }
    working.TextOut(ClampToInt(captionX), ClampToInt(captionY), Caption_, FDrawFont);
  }

  if (!Enabled_) {
    Picture().Assign(working);
    return;
  }

  const ui::TPngImage* displayed = Picture().Graphic();
  if (displayed == nullptr) return;
  FBaseImage = *displayed;
  if (!FAnimationArmed) {
    BlendImages(&FBaseImage, &working, Picture().Graphic(), 255, normalHeight, normalWidth);
    Repaint();
    return;
  }
  PlayAnimation(working, normalWidth, normalHeight, fade);
}

void TQbVclImageButton::PlayAnimation(const ui::TPngImage& working, int width, int height, bool fade) {
  const long long first = AnimationStart_;
  const long long last = fade ? AnimationEnd_ / 2 : AnimationEnd_;
  const long long param = AnimationParam_;
  for (long long f = first; f <= last; ++f) {
    long long level = f * param;  // |f|, |param| <= 2^31: no overflow
    if (fade) level = level > 127 ? 255 : level * 2;
    BlendImages(&FBaseImage, &working, Picture().Graphic(), StepLevel(level), height, width);
    Repaint();
  }
}

void TQbVclImageButton::MouseEnter() {
  FMouseOver = true;
  if (!Enabled_) {
    SetCursor(ui::crDefault);
    return;
  }
  if (EnableAnimation_) FAnimationArmed = true;
  FClicked = false;
  // A key holds it down: it stays pressed whatever the pointer does.
  if (FKeyPressed)
    ShowState(isMouseDown, nullptr, true);
  else
    ShowState(isMouseOn);
  ui::TPictureView::MouseEnter();
}

void TQbVclImageButton::MouseLeave() {
  FMouseOver = false;
  if (!Enabled_) return;
  if (FKeyPressed)
    ShowState(isMouseDown, nullptr, true);
  else
    ShowState(isNormal);
  ui::TPictureView::MouseLeave();
}

void TQbVclImageButton::ClickCompleted() {
  if (!Enabled_) return;
  // What the mouse-up after a click draws.
  if (FClicked) {
    ShowState(isNormal, PicSmallNormal_.Graphic());
    FClicked = false;
  }
}

void TQbVclImageButton::KeyPress() {
  if (!Enabled_) return;
  FKeyPressed = true;
  ShowState(isMouseDown, nullptr, true);
}

void TQbVclImageButton::KeyPressEnd(bool activate) {
  FKeyPressed = false;
  if (!Enabled_) return;
  // With a click, the click draws next.
  if (!activate) ShowState(FMouseOver ? isMouseOn : isNormal);
}

void TQbVclImageButton::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
  if (!Enabled_) return;
  ShowState(isMouseDown, nullptr, true);
  ui::TPictureView::MouseDown(button, shift, x, y);
}

void TQbVclImageButton::Click() {
  if (!Enabled_) return;
  FClicked = true;
  ShowState(isNormal, PicSmallNormal_.Graphic(), false, true);
  ui::TPictureView::Click();
}

void TQbVclImageButton::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
  if (!Enabled_) return;
  if (FClicked) {
    ShowState(isNormal, PicSmallNormal_.Graphic());
    FClicked = false;
  } else {
    ShowState(isMouseOn);
  }
  ui::TPictureView::MouseUp(button, shift, x, y);
}

void TQbVclImageButton::WindowPosChanged() {
  ui::TPictureView::WindowPosChanged();
  if (NeedStretch_) StretchStatePictures();
}

void TQbVclImageButton::StretchStatePictures() {
  FStretchLeft = 1;
  FStretchRight = 1;
  if (!PicNormal_.Empty()) {
    FStretchLeft = PicNormal_.Width() / 4;
    FStretchRight = PicNormal_.Width() / 4;
  }
  ui::TPicture* const states[] = {&PicNormal_, &PicMouseOn_, &PicMouseDown_, &PicDisabled_};
  for (ui::TPicture* picture : states) {
    if (picture->Empty()) continue;
    FScratchPicture.Assign(*picture);
    StretchPicture(*picture->Graphic(), *FScratchPicture.Graphic(), Width(), FStretchLeft, FStretchRight);
    picture->Assign(FScratchPicture);
  }
  ShowState(isNormal);
}

}  // namespace controls
