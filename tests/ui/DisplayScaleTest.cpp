// The Linux window system's display scale, chosen from its sources.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/DisplayScale.h"

namespace {

using Sources = platform::DisplayScaleSources;
using std::nullopt;

TEST(DisplayScale, TheFirstUsableSourceWinsAndBadValuesAreSkipped) {
  struct TCase {
    const char* what;
    Sources sources;
    double scale;
  } const cases[] = {
      {"nothing set", {}, 1.0},
      {"VIDORRA_SCALE", {"1.5", nullopt, nullopt}, 1.5},
      {"GDK_SCALE", {nullopt, "2", nullopt}, 2.0},
      {"Xft.dpi", {nullopt, nullopt, "144"}, 1.5},
      {"Xft.dpi with decimals", {nullopt, nullopt, "120.0"}, 1.25},
      {"VIDORRA_SCALE before the others", {"1.25", "2", "192"}, 1.25},
      {"GDK_SCALE before Xft.dpi", {nullopt, "3", "144"}, 3.0},
      {"blanks around", {" 2 ", nullopt, nullopt}, 2.0},
      {"above 3 is still a number", {"4", nullopt, nullopt}, 4.0},
      {"below 1 is still a number", {"0.5", "2", nullopt}, 0.5},
      // Skipped, each to the next source:
      {"not a number", {"big", "2", nullopt}, 2.0},
      {"a comma", {"1,5", nullopt, "144"}, 1.5},
      {"zero", {"0", nullopt, "144"}, 1.5},
      {"negative", {"-2", "2", nullopt}, 2.0},
      {"empty", {"", nullopt, "192"}, 2.0},
      {"trailing text", {"2x", nullopt, nullopt}, 1.0},
      {"infinite", {"inf", nullopt, "144"}, 1.5},
      {"not a number at all", {"nan", nullopt, nullopt}, 1.0},
      {"GDK_SCALE takes whole numbers only", {nullopt, "1.5", "144"}, 1.5},
      {"GDK_SCALE zero", {nullopt, "0", nullopt}, 1.0},
      {"Xft.dpi not a number", {nullopt, nullopt, "high"}, 1.0},
      {"Xft.dpi negative", {nullopt, nullopt, "-96"}, 1.0},
      {"all bad", {"x", "-1", "0"}, 1.0},
  };
  for (const TCase& c : cases) EXPECT_DOUBLE_EQ(platform::DisplayScaleFrom(c.sources), c.scale) << c.what;
}

}  // namespace
