#include "launcher/DecodedPictures.h"

#include <span>

#include "cmake/EmbeddedFile.h"

namespace vidorra {
std::span<const TEmbeddedFile> AllLauncherPictures();
}

namespace launcher {

TLauncherPictures TLauncherPictures::Decode() {
  TLauncherPictures pictures;
  for (const vidorra::TEmbeddedFile& file : vidorra::AllLauncherPictures()) {
    if (!file.name.ends_with(".png")) continue;
    ui::TPngImage image;
    if (image.LoadFromBytes(file.data, file.size)) pictures.images_.emplace(file.name, std::move(image));
  }
  return pictures;
}

const ui::TPngImage* TLauncherPictures::Find(std::string_view fileName) const {
  const auto found = images_.find(fileName);
  return found == images_.end() ? nullptr : &found->second;
}

}  // namespace launcher
