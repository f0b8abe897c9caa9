#include "ui/Resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ui {
namespace {

// How much of each source pixel one pixel of the result covers, along one
// axis: the result's pixel k covers [k * from, (k + 1) * from) and source
// pixel i covers [i * to, (i + 1) * to), both in units of 1 / to of a source
// pixel, so every overlap is a whole number and the weights of one result
// pixel add up to `from`.
struct TSpan {
  int first = 0;                       // the first source pixel covered
  std::vector<std::uint32_t> weights;  // of it and the ones after it
};

std::vector<TSpan> Spans(int from, int to) {
  std::vector<TSpan> spans(static_cast<std::size_t>(to));
  for (int k = 0; k < to; ++k) {
    const std::int64_t start = static_cast<std::int64_t>(k) * from;
    const std::int64_t end = start + from;
    TSpan& span = spans[static_cast<std::size_t>(k)];
    span.first = static_cast<int>(start / to);
    for (std::int64_t i = span.first; i * to < end && i < from; ++i) {
      const std::int64_t lo = std::max(start, i * to);
      const std::int64_t hi = std::min(end, (i + 1) * to);
      span.weights.push_back(static_cast<std::uint32_t>(hi - lo));
    }
  }
  return spans;
}

std::uint8_t Rounded(std::uint64_t numerator, std::uint64_t denominator) {
  return static_cast<std::uint8_t>(std::min<std::uint64_t>(255, (numerator + denominator / 2) / denominator));
}

}  // namespace

TPngImage ReduceAreaAverage(const TPngImage& source, int width, int height) {
  if (width < 1 || height < 1) throw EInvalidImageSize(width, height);
  if (source.Empty()) return TPngImage();
  const int sw = source.Width();
  const int sh = source.Height();
  const bool alpha = source.HasAlpha();
  TPngImage result(width, height, alpha);
  const std::vector<TSpan> across = Spans(sw, width);
  const std::vector<TSpan> down = Spans(sh, height);

  // Per pixel of one result row: alpha-weighted sums of the three colours
  // and the sum of the weighted alphas (the weight alone without alpha).
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(width) * 4);
  std::vector<std::uint64_t> row(static_cast<std::size_t>(width) * 4);
  const std::uint64_t area = static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(sh);
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    const TSpan& rows = down[static_cast<std::size_t>(y)];
    for (std::size_t j = 0; j < rows.weights.size(); ++j) {
      const int sy = rows.first + static_cast<int>(j);
      const std::uint8_t* colour = source.ColourRow(sy);
      const std::uint8_t* opacity = source.AlphaRow(sy);
      // The source row reduced across.
      for (int x = 0; x < width; ++x) {
        const TSpan& columns = across[static_cast<std::size_t>(x)];
        std::uint64_t r = 0, g = 0, b = 0, a = 0;
        for (std::size_t i = 0; i < columns.weights.size(); ++i) {
          const int sx = columns.first + static_cast<int>(i);
          const std::uint64_t weight = columns.weights[i] * static_cast<std::uint64_t>(opacity ? opacity[sx] : 1);
          r += weight * colour[3 * sx];
          g += weight * colour[3 * sx + 1];
          b += weight * colour[3 * sx + 2];
          a += weight;
        }
        std::uint64_t* out = &row[4 * static_cast<std::size_t>(x)];
        out[0] = r;
        out[1] = g;
        out[2] = b;
        out[3] = a;
      }
      const std::uint64_t weight = rows.weights[j];
      for (std::size_t k = 0; k < sums.size(); ++k) sums[k] += weight * row[k];
    }
    std::uint8_t* colour = result.ColourRow(y);
    std::uint8_t* opacity = result.AlphaRow(y);
    for (int x = 0; x < width; ++x) {
      const std::uint64_t* sum = &sums[4 * static_cast<std::size_t>(x)];
      const std::uint64_t covered = sum[3];
      for (int c = 0; c < 3; ++c) colour[3 * x + c] = covered == 0 ? 0 : Rounded(sum[c], covered);
      // Without alpha the weights add up to the area.
      if (opacity != nullptr) opacity[x] = Rounded(covered, area);
    }
  }
  return result;
}

}  // namespace ui
