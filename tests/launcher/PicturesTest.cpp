// The pictures embedded in the launcher: sizes, PNG colour types, and the
// icon's six sizes at 32 bits per pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "LauncherPictures.h"

namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

TEST(LauncherPictures, EveryPictureHasItsSizeAndColourType) {
  struct TCase {
    std::string name;
    std::uint32_t width, height;
    int colourType;
  };
  std::vector<TCase> cases = {{"background.png", 858, 518, 2}};
  for (const char* state : {"normal", "mouseon", "mousedown"}) cases.push_back({std::string("close-") + state + ".png", 20, 20, 6});
  for (const char* state : {"normal", "mouseon", "mousedown", "disabled"}) {
    cases.push_back({std::string("edit-") + state + ".png", 171, 165, 6});
    cases.push_back({std::string("cut-") + state + ".png", 171, 78, 6});
    cases.push_back({std::string("join-") + state + ".png", 171, 78, 6});
  }
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const vidorra::TEmbeddedFile* file = vidorra::FindLauncherPictures(c.name);
    ASSERT_NE(file, nullptr);
    ASSERT_GT(file->size, 33u);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(file->data) + 1, 3), "PNG");
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(file->data) + 12, 4), "IHDR");
    EXPECT_EQ(BigEndian32(file->data + 16), c.width);
    EXPECT_EQ(BigEndian32(file->data + 20), c.height);
    EXPECT_EQ(file->data[24], 8) << "bits per sample";
    EXPECT_EQ(file->data[25], c.colourType);
    EXPECT_EQ(file->data[28], 0) << "not interlaced";
  }
  EXPECT_EQ(vidorra::FindLauncherPictures("close-disabled.png"), nullptr) << "the close button has no disabled image";
}

TEST(LauncherPictures, TheIconHoldsSixSizesAt32BitsPerPixel) {
  const vidorra::TEmbeddedFile* icon = vidorra::FindLauncherPictures("VidorraMain.ico");
  ASSERT_NE(icon, nullptr);
  ASSERT_GE(icon->size, 6u + 6u * 16u);
  const unsigned char* d = icon->data;
  EXPECT_EQ(d[2] | (d[3] << 8), 1) << "an icon resource";
  ASSERT_EQ(d[4] | (d[5] << 8), 6);
  std::set<int> sizes;
  for (int i = 0; i < 6; ++i) {
    const unsigned char* entry = d + 6 + 16 * i;
    sizes.insert(entry[0] == 0 ? 256 : entry[0]);
    EXPECT_EQ(entry[0], entry[1]) << "square";
    EXPECT_EQ(entry[6] | (entry[7] << 8), 32) << "bits per pixel of entry " << i;
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 128}));
}

}  // namespace
