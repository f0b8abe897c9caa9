// An owned holder of at most one image, with a change notification. The
// image may be made only when it is first asked for (AssignDeferred), so
// that pictures nobody looks at yet cost nothing to load.
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

  bool Empty() const { return image_ == nullptr && !make_; }
  // Whether the image of AssignDeferred is still to be made.
  bool Deferred() const { return static_cast<bool>(make_); }
  // The held image, or null when the holder is empty. Writing through the
  // pointer changes the pixels without announcing anything.
  TPngImage* Graphic() {
    Resolve();
    return image_.get();
  }
  const TPngImage* Graphic() const {
    Resolve();
    return image_.get();
  }
  // The image's size. An image of AssignDeferred whose size was given is
  // not made for these.
  int Width() const {
    if (make_ && knownWidth_ > 0) return knownWidth_;
    return Graphic() ? image_->Width() : 0;
  }
  int Height() const {
    if (make_ && knownHeight_ > 0) return knownHeight_;
    return Graphic() ? image_->Height() : 0;
  }

  // Copy the other holder's image (or emptiness), then announce.
  void Assign(const TPicture& other);
  // Holds the image that `make` makes, made when the image is first asked
  // for (Graphic, Width, Height, or a copy into another holder), not now;
  // announces now, and nothing when the image is made. Until then the
  // holder counts as holding an image; when `make` fails (returns false or
  // an empty image) it is empty from then on.
  void AssignDeferred(std::function<bool(TPngImage&)> make);
  // The same for an image whose size is known before it is made (a PNG
  // file's header says it): Width and Height answer width and height
  // without making it. `make` must make an image of that size or fail.
  void AssignDeferred(std::function<bool(TPngImage&)> make, int width, int height);
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
  void Resolve() const;

  mutable std::unique_ptr<TPngImage> image_;
  mutable std::function<bool(TPngImage&)> make_;  // set while the image is still to be made
  int knownWidth_ = 0;                             // the size given with make_, or 0
  int knownHeight_ = 0;
};

}  // namespace ui
