#include "launcher/ScaledPictures.h"

#include "LauncherPictures.h"
#include "ui/Resample.h"

namespace launcher {
namespace {

std::string IconFileName(int size) {
  std::string name = "icon-";
  name += std::to_string(size);
  name += ".png";
  return name;
}

// Decodes `file`, reduced to width x height unless it has that size.
bool Decode(const vidorra::TEmbeddedFile& file, int width, int height, ui::TPngImage& image) {
  if (!image.LoadFromBytes(file.data, file.size)) return false;
  if (width > 0 && height > 0 && (image.Width() != width || image.Height() != height))
    image = ui::ReduceAreaAverage(image, width, height);
  return true;
}

void Load(ui::TPicture& picture, const vidorra::TEmbeddedFile* file, int width, int height, bool deferred) {
  if (file == nullptr) {
    picture.Clear();
    return;
  }
  picture.AssignDeferred(
      [file, width, height](ui::TPngImage& image) { return Decode(*file, width, height, image); });
  if (!deferred) (void)picture.Graphic();
}

}  // namespace

int PictureSetFor(const ui::TScale& scale) {
  for (const int percent : kPictureScales)
    if (ui::TScale::FromPercent(percent) >= scale) return percent;
  return kPictureScales.back();
}

std::string PictureFileName(std::string_view stem, int percent) {
  // Appended piece by piece: GCC 12 at -O3 warns of an overlapping copy
  // (-Wrestrict) for "literal" + std::string.
  std::string name(stem);
  if (percent != 100) {
    name += '@';
    name += std::to_string(percent);
  }
  name += ".png";
  return name;
}

void LoadScaledPicture(ui::TPicture& picture, std::string_view stem, const ui::TScale& scale, int width, int height,
                       bool deferred) {
  const int set = PictureSetFor(scale);
  // A set drawn for this very scale is shown as drawn.
  const bool drawnForIt = ui::TScale::FromPercent(set) == scale;
  Load(picture, vidorra::FindLauncherPictures(PictureFileName(stem, set)), drawnForIt ? 0 : width,
       drawnForIt ? 0 : height, deferred);
}

void LoadScaledIcon(ui::TPicture& picture, int size, const ui::TScale& scale) {
  const int wanted = scale.Length(size);
  if (const vidorra::TEmbeddedFile* file = vidorra::FindLauncherPictures(IconFileName(wanted))) {
    Load(picture, file, 0, 0, false);
    return;
  }
  const int drawn = ui::TScale::FromPercent(PictureSetFor(scale)).Length(size);
  Load(picture, vidorra::FindLauncherPictures(IconFileName(drawn)), wanted, wanted, false);
}

}  // namespace launcher
