#include "ui/PictureView.h"

namespace ui {

TPictureView::TPictureView(RepaintSink* owner) : TControl(owner) {
  picture_.OnChange = [this] { PictureChanged(); };
}

void TPictureView::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) FitToPicture();
}

void TPictureView::SetTransparent(bool transparent) {
  if (transparent_ == transparent) return;
  transparent_ = transparent;
  Invalidate();
}

void TPictureView::PaintTo(TPngImage& surface) const {
  if (const TPngImage* image = picture_.Graphic()) surface.Draw(Left(), Top(), *image, Width(), Height());
}

void TPictureView::PictureChanged() {
  if (autoSize_) FitToPicture();
  Invalidate();
}

void TPictureView::FitToPicture() {
  if (!picture_.Empty()) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

}  // namespace ui
