#include "ui/TextMeasurer.h"

#include <algorithm>
#include <vector>

#include "ui/TextService.h"

namespace ui {

std::u16string TTextMeasurer::VisibleText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      ++i;  // the mark itself is dropped; "&&" keeps one ampersand
      if (i == text.size()) break;
    }
    out.push_back(text[i]);
  }
  if (out.empty()) out = u" ";
  return out;
}

TTextExtent TTextMeasurer::Extent() const {
  platform::TextEngine& engine = ActiveTextEngine();
  const platform::FontRequest request = font_.Request();
  const platform::LineMetrics metrics = engine.Metrics(request);
  const long long tabStop = std::max(1, 8 * metrics.averageCharWidth);

  const std::u16string visible = VisibleText(text_);
  long long widest = 0;
  long long lines = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < visible.size() && visible[end] != u'\r' && visible[end] != u'\n') ++end;
    // One line: runs between tabs, each tab moving to the next stop.
    long long pen = 0;
    std::size_t run = start;
    for (std::size_t i = start; i <= end; ++i) {
      if (i == end || visible[i] == u'\t') {
        pen += engine.RunWidth(request, std::u16string_view(visible).substr(run, i - run));
        if (i < end) pen = (pen / tabStop + 1) * tabStop;
        run = i + 1;
      }
    }
    widest = std::max(widest, pen);
    ++lines;
    if (end == visible.size()) break;
    // "\r\n" is one break.
    start = end + ((visible[end] == u'\r' && end + 1 < visible.size() && visible[end + 1] == u'\n') ? 2 : 1);
  }
  constexpr long long kLimit = 1LL << 30;
  TTextExtent extent;
  extent.width = static_cast<int>(std::min(widest, kLimit));
  extent.height = static_cast<int>(std::min(lines * metrics.height, kLimit));
  return extent;
}

}  // namespace ui
