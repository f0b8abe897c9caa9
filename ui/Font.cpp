#include "ui/Font.h"

#include <cstdlib>
#include <limits>

namespace ui {
namespace {
int g_screenPixelsPerInch = 96;
}

int ScreenPixelsPerInch() { return g_screenPixelsPerInch; }

void SetScreenPixelsPerInch(int pixelsPerInch) {
  if (pixelsPerInch > 0) g_screenPixelsPerInch = pixelsPerInch;
}

int MulDiv(int value, int numerator, int denominator) {
  if (denominator == 0) return 0;
  const long long product = static_cast<long long>(value) * numerator;
  long long quotient = product / denominator;
  const long long remainder = product % denominator;
  if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(denominator)))
    quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
  if (quotient > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (quotient < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(quotient);
}

TFont::TFont() : name_(u"Tahoma"), pixelsPerInch_(ScreenPixelsPerInch()) {
  height_ = -MulDiv(8, pixelsPerInch_, 72);
}

void TFont::Assign(const TFont& other) {
  name_ = other.name_;
  height_ = other.height_;
  color_ = other.color_;
  charset_ = other.charset_;
  pitch_ = other.pitch_;
  orientation_ = other.orientation_;
  style_ = other.style_;
  pixelsPerInch_ = other.pixelsPerInch_;
  Changed();
}

void TFont::SetName(std::u16string name) {
  name_ = std::move(name);
  Changed();
}

void TFont::SetHeight(int height) {
  height_ = height;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::SetSize(int size) {
  // Negating the smallest int is not representable; clamp one step inside.
  const int h = MulDiv(size, pixelsPerInch_, 72);
  height_ = h == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -h;
  Changed();
}

void TFont::SetColor(std::uint32_t color) {
  color_ = color;
  Changed();
}

void TFont::SetCharset(std::uint8_t charset) {
  charset_ = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  pitch_ = pitch;
  Changed();
}

void TFont::SetOrientation(int orientation) {
  orientation_ = orientation;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  style_ = style;
  Changed();
}

platform::FontRequest TFont::Request() const {
  platform::FontRequest request;
  request.face = name_;
  request.height = height_;
  request.bold = (style_ & fsBold) != 0;
  request.italic = (style_ & fsItalic) != 0;
  request.underline = (style_ & fsUnderline) != 0;
  request.strikeOut = (style_ & fsStrikeOut) != 0;
  return request;
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

}  // namespace ui
