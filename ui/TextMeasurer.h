// Measures a caption the way a self-sizing label would: no word wrap, tabs
// expanded to stops every 8 average character widths, each line break starts
// a new line (the width is that of the longest line, the height that of all
// lines), an ampersand marks the next character as an accelerator and is not
// measured ("&&" measures as "&"), and an empty text measures as one space.
#pragma once

#include <string>

#include "ui/Font.h"

namespace ui {

struct TTextExtent {
  int width = 0;
  int height = 0;
};

class TTextMeasurer {
 public:
  const std::u16string& Text() const { return text_; }
  void SetText(std::u16string text) { text_ = std::move(text); }
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }

  TTextExtent Extent() const;
  int Width() const { return Extent().width; }
  int Height() const { return Extent().height; }

  // The text as it is measured: accelerator marks removed, a space for an
  // empty text.
  static std::u16string VisibleText(std::u16string_view text);

 private:
  std::u16string text_;
  TFont font_;
};

}  // namespace ui
