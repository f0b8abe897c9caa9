// An owned holder of at most one image, with a change notification.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/PngImage.h"

namespace ui {

class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  bool Empty() const { return image_ == nullptr; }
  // The held image, or null when the holder is empty. Writing through the
  // pointer changes the pixels without announcing anything.
  TPngImage* Graphic() { return image_.get(); }
  const TPngImage* Graphic() const { return image_.get(); }
  int Width() const { return image_ ? image_->Width() : 0; }
  int Height() const { return image_ ? image_->Height() : 0; }

  // Copy the other holder's image (or emptiness), then announce.
  void Assign(const TPicture& other);
  // Copy `image` (an empty image empties the holder), then announce.
  void Assign(const TPngImage& image);
  void Clear();
  // Decode a PNG file into the holder and announce; on failure the holder is
  // unchanged, nothing is announced and false is returned.
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  bool LoadFromBytes(const std::uint8_t* data, std::size_t size, std::string* error = nullptr);

  std::function<void()> OnChange;

 private:
  void Changed();

  std::unique_ptr<TPngImage> image_;
};

}  // namespace ui
