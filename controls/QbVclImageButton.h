// TQbVclImageButton: a button drawn entirely from pictures. It shows one of
// four state pictures (normal, mouse over, pressed, disabled), can lay a
// small picture and a caption over it, can fade between pictures, and can
// widen its pictures to its own width while keeping their edges.
//
// Keyboard (from the form, for the focused button): Enter clicks it as a
// left click does, drawing what the click and its mouse-up draw; Space
// shows the pressed picture while it is down and clicks when it comes up; a
// cancelled press shows the mouse-on picture when the pointer is over the
// button, else the normal one. A disabled button takes no focus and ignores
// keys as it ignores the mouse.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Font.h"
#include "ui/Picture.h"
#include "ui/PictureView.h"
#include "ui/PngImage.h"
#include "ui/TextMeasurer.h"

namespace controls {

using TCaption = std::u16string;

enum TTextAlign : std::uint8_t { taCustom = 0, taLeft = 1, taCenter = 2, taRight = 3 };

enum TImageState : std::uint8_t { isNormal = 0, isMouseOn = 1, isMouseDown = 2 };

// target = ((255 - level) * from) div 255 + (level * to) div 255, byte by
// byte, over `height` rows and `width` pixels of the colour plane and then of
// the alpha plane (rows where any of the three images has no alpha are
// skipped). Missing images make it do nothing; the area is clipped to the
// smallest of the three images.
void BlendImages(const ui::TPngImage* from, const ui::TPngImage* to, ui::TPngImage* target,
                 std::uint8_t level, int height, int width);

// Widens (or narrows) `dest`, which holds a copy of `source`, to newWidth:
// columns 0 .. leftEdge-1 stay, columns leftEdge .. newWidth-rightEdge-1 all
// repeat source column leftEdge, and the last rightEdge columns are the
// source's last rightEdge columns. Throws ui::EInvalidImageSize when newWidth
// is below 1. Columns that would come from outside the source, or land
// outside dest, are left out.
void StretchPicture(const ui::TPngImage& source, ui::TPngImage& dest, int newWidth, int leftEdge,
                    int rightEdge);

class TQbVclImageButton : public ui::TPictureView {
 public:
  explicit TQbVclImageButton(ui::RepaintSink* owner);
  ~TQbVclImageButton() override;

  // Published properties. A getter returns the holder itself, so that a
  // picture or font can be loaded into it without the setter; the holder's
  // change notification still runs.
  ui::TPicture& PicNormal() { return PicNormal_; }
  void SetPicNormal(const ui::TPicture& value);
  ui::TPicture& PicMouseOn() { return PicMouseOn_; }
  void SetPicMouseOn(const ui::TPicture& value);
  ui::TPicture& PicMouseDown() { return PicMouseDown_; }
  void SetPicMouseDown(const ui::TPicture& value);
  ui::TPicture& PicDisabled() { return PicDisabled_; }
  void SetPicDisabled(const ui::TPicture& value);
  ui::TPicture& PicSmallNormal() { return PicSmallNormal_; }
  void SetPicSmallNormal(const ui::TPicture& value);
  ui::TPicture& PicSmallMouseOn() { return PicSmallMouseOn_; }
  void SetPicSmallMouseOn(const ui::TPicture& value);
  ui::TPicture& PicSmallMouseDown() { return PicSmallMouseDown_; }
  void SetPicSmallMouseDown(const ui::TPicture& value);
  ui::TPicture& PicSmallDisabled() { return PicSmallDisabled_; }
  void SetPicSmallDisabled(const ui::TPicture& value);
  // The button's own enabled flag. The base control stays enabled, so mouse
  // input keeps coming and the button ignores it itself while disabled.
  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool value) override;
  bool UserEnabled() const override { return Enabled_; }
  // A tab stop takes the focus while the button's own flag says enabled.
  bool CanFocus() const override { return TabStop() && Enabled_; }
  bool NeedStretch() const { return NeedStretch_; }
  void SetNeedStretch(bool value) { NeedStretch_ = value; }
  const TCaption& Caption() const { return Caption_; }
  void SetCaption(TCaption value);
  ui::TFont& Font() { return Font_; }
  void SetFont(const ui::TFont& value);
  ui::TFont& FontDisable() { return FontDisable_; }
  void SetFontDisable(const ui::TFont& value);
  int CaptionLeft() const { return CaptionLeft_; }
  void SetCaptionLeft(int value);
  int CaptionTop() const { return CaptionTop_; }
  void SetCaptionTop(int value);
  int PicSmallPosLeft() const { return PicSmallPosLeft_; }
  void SetPicSmallPosLeft(int value);
  int PicSmallPosTop() const { return PicSmallPosTop_; }
  void SetPicSmallPosTop(int value);
  int AnimationStart() const { return AnimationStart_; }
  void SetAnimationStart(int value) { AnimationStart_ = value; }
  int AnimationEnd() const { return AnimationEnd_; }
  void SetAnimationEnd(int value) { AnimationEnd_ = value; }
  int AnimationParam() const { return AnimationParam_; }
  void SetAnimationParam(int value) { AnimationParam_ = value; }
  bool EnableAnimation() const { return EnableAnimation_; }
  void SetEnableAnimation(bool value);
  TTextAlign CaptionAlign() const { return CaptionAlign_; }
  void SetCaptionAlign(TTextAlign value);

  // Composes the picture of `state` and shows it, at once or as a fade.
  // `small` is only read; null means "the state's own small picture".
  void ShowState(TImageState state, const ui::TPngImage* small = nullptr, bool pressed = false,
                 bool fade = false);

 protected:
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
  void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
  void Click() override;
  void ClickCompleted() override;
  void KeyPress() override;
  void KeyPressEnd(bool activate) override;
  void WindowPosChanged() override;


 private:
  void PicNormalChanged();
  void FontChanged();
  void FontDisableChanged();
  void StretchStatePictures();
  void PlayAnimation(const ui::TPngImage& working, int width, int height, bool fade);

  ui::TFont FDrawFont;
  ui::TPicture FScratchPicture;
  ui::TTextMeasurer FMeasureLabel;
  bool NeedStretch_ = false;
  std::int32_t FStretchLeft = 1;
  std::int32_t FStretchRight = 1;
  ui::TPngImage FBaseImage;
  std::int32_t AnimationStart_ = 0;
  std::int32_t AnimationEnd_ = 64;
  std::int32_t AnimationParam_ = 4;
  bool FAnimationArmed = false;
  bool EnableAnimation_ = true;
  ui::TPicture PicSmallNormal_;
  ui::TPicture PicSmallMouseOn_;
  ui::TPicture PicSmallMouseDown_;
  ui::TPicture PicSmallDisabled_;
  std::int32_t PicSmallPosLeft_ = 10;
  std::int32_t PicSmallPosTop_ = 7;
  bool Enabled_ = true;
  TCaption Caption_;
  ui::TFont Font_;
  ui::TFont FontDisable_;
  std::int32_t CaptionLeft_ = 40;
  std::int32_t CaptionTop_ = 8;
  bool FClicked = false;
  TTextAlign CaptionAlign_ = taCustom;
  ui::TPicture PicNormal_;
  ui::TPicture PicMouseOn_;
  ui::TPicture PicMouseDown_;
  ui::TPicture PicDisabled_;
  bool FMouseOver = false;   // between mouse enter and leave
  bool FKeyPressed = false;  // held down by a key
};

}  // namespace controls
