// The image button's pixel work next to memcpy of the same bytes:
//   BlendImages and StretchPicture at the launcher's picture sizes, and one
//   whole hover animation (65 blends) without repainting.
// Rates are bytes of the target image (colour and alpha planes) per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "controls/QbVclImageButton.h"
#include "ui/Picture.h"
#include "ui/PngImage.h"

namespace {

ui::TPngImage Pattern(int width, int height, int seed) {
  ui::TPngImage image(width, height, true);
  unsigned state = 2463534242u + static_cast<unsigned>(seed);
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < 3 * width; ++i) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      image.ColourRow(y)[i] = static_cast<std::uint8_t>(state);
    }
    for (int x = 0; x < width; ++x) image.AlphaRow(y)[x] = static_cast<std::uint8_t>(x * 7 + y);
  }
  return image;
}

std::int64_t ImageBytes(int width, int height) { return std::int64_t{width} * height * 4; }

void BM_Memcpy(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const std::size_t bytes = static_cast<std::size_t>(ImageBytes(w, h));
  std::vector<std::uint8_t> from(bytes, 1);
  std::vector<std::uint8_t> to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes(w, h));
}

void BM_BlendImages(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const ui::TPngImage from = Pattern(w, h, 1);
  const ui::TPngImage to = Pattern(w, h, 2);
  ui::TPngImage target = Pattern(w, h, 3);
  std::uint8_t level = 0;
  for (auto _ : state) {
    controls::BlendImages(&from, &to, &target, level, h, w);
    level = static_cast<std::uint8_t>(level + 4);
    benchmark::DoNotOptimize(target.ColourRow(0));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes(w, h));
}

// A picture stretched to its own width (what a move does) and to 7/4 of it.
void BM_StretchPicture(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const int newWidth = w * static_cast<int>(state.range(2)) / 4;
  const ui::TPngImage source = Pattern(w, h, 1);
  ui::TPngImage dest = source;
  dest.Resize(newWidth, h);
  for (auto _ : state) {
    controls::StretchPicture(source, dest, newWidth, w / 4, w / 4);
    benchmark::DoNotOptimize(dest.ColourRow(0));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes(newWidth, h));
}

// Mouse enter on an armed button: ShowState composes the mouse-on picture and
// plays the 65 blends. No owner, so no repaint.
void BM_HoverAnimation(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  controls::TQbVclImageButton button(nullptr);
  ui::TPicture picture;
  picture.Assign(Pattern(w, h, 1));
  button.SetPicNormal(picture);
  picture.Assign(Pattern(w, h, 2));
  button.SetPicMouseOn(picture);
  for (auto _ : state) {
    button.PerformMouseEnter();
    benchmark::DoNotOptimize(button.Picture().Graphic());
  }
  state.SetBytesProcessed(state.iterations() * 65 * ImageBytes(w, h));
  state.counters["blends"] = benchmark::Counter(static_cast<double>(state.iterations()) * 65,
                                                benchmark::Counter::kIsRate);
}

#define SIZES Args({171, 165})->Args({858, 518})
BENCHMARK(BM_Memcpy)->SIZES;
BENCHMARK(BM_BlendImages)->SIZES;
BENCHMARK(BM_StretchPicture)->Args({171, 165, 4})->Args({171, 165, 7})->Args({858, 518, 4})->Args({858, 518, 7});
BENCHMARK(BM_HoverAnimation)->SIZES->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
