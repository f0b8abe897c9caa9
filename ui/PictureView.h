// A control that shows one picture at its top-left corner, drawn with the
// picture's per-pixel alpha.
#pragma once

#include "ui/Control.h"
#include "ui/Picture.h"

namespace ui {

class TPictureView : public TControl {
 public:
  explicit TPictureView(RepaintSink* owner);

  // The displayed picture. A change of its content resizes the control to
  // the picture while AutoSize is set, and asks the owner for a redraw in its
  // next paint cycle.
  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  void SetPicture(const TPicture& picture) { picture_.Assign(picture); }

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);

  // Whether what lies behind the control shows through the picture's
  // transparent pixels. The owner reads it to decide what to paint first.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  // Composites the displayed picture at (Left, Top), clipped to the control's
  // bounds and to the surface.
  void PaintTo(TPngImage& surface) const override;

 protected:
  virtual void PictureChanged();

 private:
  void FitToPicture();

  TPicture picture_;
  bool autoSize_ = false;
  bool transparent_ = false;
};

}  // namespace ui
