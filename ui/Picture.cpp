#include "ui/Picture.h"

namespace ui {

void TPicture::Resolve() const {
  if (!make_) return;
  auto make = std::move(make_);
  make_ = nullptr;
  auto image = std::make_unique<TPngImage>();
  if (!make(*image) || image->Empty()) return;
  if (knownWidth_ > 0 && (image->Width() != knownWidth_ || image->Height() != knownHeight_)) return;
  image_ = std::move(image);
}

void TPicture::AssignDeferred(std::function<bool(TPngImage&)> make) { AssignDeferred(std::move(make), 0, 0); }

void TPicture::AssignDeferred(std::function<bool(TPngImage&)> make, int width, int height) {
  image_.reset();
  make_ = std::move(make);
  knownWidth_ = width > 0 && height > 0 ? width : 0;
  knownHeight_ = width > 0 && height > 0 ? height : 0;
  Changed();
}

void TPicture::Assign(const TPicture& other) {
  if (&other != this) {
    other.Resolve();
    make_ = nullptr;
    if (other.image_ != nullptr) {
      image_ = std::make_unique<TPngImage>(*other.image_);
    } else {
      image_.reset();
    }
  }
  Changed();
}

void TPicture::Assign(const TPngImage& image) {
  make_ = nullptr;
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
  make_ = nullptr;
  image_.reset();
  Changed();
}

bool TPicture::LoadFromFile(const std::string& path, std::string* error) {
  auto image = std::make_unique<TPngImage>();
  if (!image->LoadFromFile(path, error)) return false;
  make_ = nullptr;
  image_ = std::move(image);
  Changed();
  return true;
}

bool TPicture::LoadFromBytes(const std::uint8_t* data, std::size_t size, std::string* error) {
  auto image = std::make_unique<TPngImage>();
  if (!image->LoadFromBytes(data, size, error)) return false;
  make_ = nullptr;
  image_ = std::move(image);
  Changed();
  return true;
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

}  // namespace ui
