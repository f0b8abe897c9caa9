// Text attributes with a change notification.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/TextEngine.h"

namespace ui {

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;  // a set of TFontStyle bits

enum TFontPitch : std::uint8_t { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;

// The screen's pixels per inch, 96 unless set. A font takes the value in
// force when it is created.
int ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int pixelsPerInch);

// round(value * numerator / denominator), halves away from zero; 0 when the
// denominator is 0.
int MulDiv(int value, int numerator, int denominator);

// Face name, height in pixels (negative: the characters without internal
// leading; positive: the whole cell), size in points, colour 0xBBGGRR,
// character set, pitch, orientation in tenths of a degree and style set.
// A new font is the framework's default font: "Tahoma", 8 points, black,
// default character set and pitch, no style.
// Every setter and Assign announce the change through OnChange.
class TFont {
 public:
  TFont();
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  // Copies every attribute (the notification handler stays).
  void Assign(const TFont& other);

  const std::u16string& Name() const { return name_; }
  void SetName(std::u16string name);
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points, derived from the height: -Height * 72 / PixelsPerInch, rounded.
  int Size() const;
  // Sets the height to -(size * PixelsPerInch / 72), rounded.
  void SetSize(int size);
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t color);
  std::uint8_t Charset() const { return charset_; }
  void SetCharset(std::uint8_t charset);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);
  int Orientation() const { return orientation_; }
  void SetOrientation(int orientation);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  int PixelsPerInch() const { return pixelsPerInch_; }

  // What the platform's text engine needs to know.
  platform::FontRequest Request() const;

  std::function<void()> OnChange;

 private:
  void Changed();

  std::u16string name_;
  int height_ = 0;
  std::uint32_t color_ = 0;
  std::uint8_t charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  TFontStyles style_ = 0;
  int pixelsPerInch_ = 96;
};

}  // namespace ui
