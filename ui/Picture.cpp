#include "ui/Picture.h"

namespace ui {

void TPicture::Assign(const TPicture& other) {
  if (&other != this) {
    if (other.image_ != nullptr) {
      image_ = std::make_unique<TPngImage>(*other.image_);
    } else {
      image_.reset();
    }
  }
  Changed();
}

void TPicture::Assign(const TPngImage& image) {
  if (&image != image_.get()) {
    if (image.Empty()) {
      image_.reset();
    } else {
      image_ = std::make_unique<TPngImage>(image);
    }
  }
  Changed();
}

void TPicture::Clear() {
  image_.reset();
  Changed();
}

bool TPicture::LoadFromFile(const std::string& path, std::string* error) {
  auto image = std::make_unique<TPngImage>();
  if (!image->LoadFromFile(path, error)) return false;
  image_ = std::move(image);
  Changed();
  return true;
}

bool TPicture::LoadFromBytes(const std::uint8_t* data, std::size_t size, std::string* error) {
  auto image = std::make_unique<TPngImage>();
  if (!image->LoadFromBytes(data, size, error)) return false;
  image_ = std::move(image);
  Changed();
  return true;
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

}  // namespace ui
