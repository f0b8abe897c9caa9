// The main window's pictures, decoded from the copies embedded in the
// program. Decoding them takes a good part of the start-up, so the start-up
// does it while the window system is being opened.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "ui/PngImage.h"

namespace launcher {

class TLauncherPictures {
 public:
  // Decodes every embedded picture; one that cannot be decoded is left out.
  static TLauncherPictures Decode();

  // The decoded picture called `fileName` ("cut-normal.png"), or null.
  const ui::TPngImage* Find(std::string_view fileName) const;

 private:
  std::map<std::string, ui::TPngImage, std::less<>> images_;
};

}  // namespace launcher
