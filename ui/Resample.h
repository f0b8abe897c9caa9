// Resampling a picture to another size with an area-average (box) filter:
// each pixel of the result is the average of the source area it covers, the
// source pixels that it covers only in part weighted by the part covered.
// Colours are averaged weighted by their alpha, so that transparent pixels
// lend no colour to the edges of what they surround.
//
// Made for reducing the pictures drawn for one display scale to a smaller
// one; the arithmetic is exact (integers), so the result is the same on
// every platform.
#pragma once

#include "ui/PngImage.h"

namespace ui {

// `source` resampled to width x height. An empty source gives an empty
// image; a size below 1 throws EInvalidImageSize. The result has an alpha
// plane when the source has one.
TPngImage ReduceAreaAverage(const TPngImage& source, int width, int height);

}  // namespace ui
