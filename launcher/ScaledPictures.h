// The launcher's pictures at the display scale of its window.
//
// make-pictures.py draws every picture for each scale in kPictureScales;
// each picture has the size its control takes on the screen at that scale
// (the layout's edges rounded as ui::TScale rounds them). A scale between
// two of them takes the next larger set, reduced to the sizes of its own
// layout with an area average: pictures are never enlarged.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ui/Picture.h"
#include "ui/Scale.h"

namespace launcher {

// The scales the pictures are drawn for, in per cent.
inline constexpr std::array<int, 4> kPictureScales = {100, 150, 200, 300};

// The set that serves `scale`: the smallest of kPictureScales at or above it.
int PictureSetFor(const ui::TScale& scale);

// The embedded file of picture `stem` in the set `percent`: "stem.png" for
// 100, "stem@150.png" and so on for the others.
std::string PictureFileName(std::string_view stem, int percent);

// Puts picture `stem` for `scale` into `picture`, as a width x height image:
// the file of the set drawn for `scale`, or the next larger set's reduced
// to that size. With `deferred` it is decoded when first needed (see
// TPicture::AssignDeferred), otherwise now. A picture that is not embedded
// leaves `picture` empty.
void LoadScaledPicture(ui::TPicture& picture, std::string_view stem, const ui::TScale& scale, int width, int height,
                       bool deferred);

// The same as LoadScaledPicture, decoded from now on by a thread of its
// own while the caller goes on; the picture's size is known at once (from
// the file's header, or width x height when reduced), and the first use of
// the image itself waits for the thread. Decoded now on the calling thread
// when no thread can be started.
void LoadScaledPictureAhead(ui::TPicture& picture, std::string_view stem, const ui::TScale& scale, int width,
                            int height);

// The program's icon of `size` pixels at 100 % (16, 24 ... 128), for `scale`:
// icon-N.png with N = scale.Length(size) when that was drawn, else the
// next larger set's icon reduced to N pixels. Decoded now; null when not
// embedded.
void LoadScaledIcon(ui::TPicture& picture, int size, const ui::TScale& scale);

}  // namespace launcher
