#include "launcher/ScaledPictures.h"

#include <future>
#include <memory>
#include <system_error>
#include <utility>

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

void LoadScaledPictureAhead(ui::TPicture& picture, std::string_view stem, const ui::TScale& scale, int width,
                            int height) {
  const int set = PictureSetFor(scale);
  const bool drawnForIt = ui::TScale::FromPercent(set) == scale;
  const vidorra::TEmbeddedFile* file = vidorra::FindLauncherPictures(PictureFileName(stem, set));
  int knownWidth = width, knownHeight = height;
  if (file == nullptr || (drawnForIt && !ui::PngFileSize(file->data, file->size, knownWidth, knownHeight))) {
    Load(picture, file, 0, 0, false);
    return;
  }
  const int reduceWidth = drawnForIt ? 0 : width, reduceHeight = drawnForIt ? 0 : height;
  std::shared_future<std::shared_ptr<ui::TPngImage>> decoded;
  try {
    decoded = std::async(std::launch::async, [file, reduceWidth, reduceHeight] {
                auto image = std::make_shared<ui::TPngImage>();
                if (!Decode(*file, reduceWidth, reduceHeight, *image)) image.reset();
                return image;
              }).share();
  } catch (const std::system_error&) {
    Load(picture, file, reduceWidth, reduceHeight, false);
    return;
  }
  // The future is the only link between the two threads: the decoding
  // thread writes its own image, and get() makes it visible here.
  picture.AssignDeferred(
      [decoded](ui::TPngImage& image) {
        const std::shared_ptr<ui::TPngImage>& result = decoded.get();
        if (result == nullptr) return false;
        image = std::move(*result);
        return true;
      },
      knownWidth, knownHeight);
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
