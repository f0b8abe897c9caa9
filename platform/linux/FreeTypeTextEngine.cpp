// Text through FreeType, with faces found by fontconfig.
//
// Fonts are rendered the way Windows text output measures them: whole-pixel
// advances, no kerning, line metrics from the OS/2 table. A bold or italic
// request that the matched face cannot serve is synthesised.
#include "platform/TextEngine.h"
#include "platform/TextEncoding.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace platform {
namespace {

// Folders that hold fonts outside fontconfig's own configuration. Debian's
// fonts-wine installs its Tahoma here.
constexpr const char* kExtraFontFolders[] = {"/usr/share/wine/fonts"};

constexpr int kDefaultEm = 12;
constexpr int kMaxEm = 2048;

struct LibraryDeleter {
  void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct ConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct Resolved {
  std::string file;
  int index = 0;
  std::u16string family;
};

// A face with its size set for one request.
struct SizedFace {
  FT_Face face = nullptr;
  int em = 0;
  bool embolden = false;
  bool oblique = false;
  LineMetrics metrics;
};

int Scale(long units, int em, int unitsPerEm) {
  return static_cast<int>(std::lround(static_cast<double>(units) * em / unitsPerEm));
}

class FreeTypeTextEngine final : public TextEngine {
 public:
  FreeTypeTextEngine() {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0) library_.reset(lib);
    config_.reset(FcInitLoadConfigAndFonts());
    if (config_) {
      for (const char* folder : kExtraFontFolders) {
        struct stat info {};
        if (stat(folder, &info) == 0 && S_ISDIR(info.st_mode))
          FcConfigAppFontAddDir(config_.get(), reinterpret_cast<const FcChar8*>(folder));
      }
    }
  }

  LineMetrics Metrics(const FontRequest& font) override {
    SizedFace sized;
    return Prepare(font, sized) ? sized.metrics : LineMetrics{};
  }

  int RunWidth(const FontRequest& font, std::u16string_view run) override {
    SizedFace sized;
    if (!Prepare(font, sized)) return 0;
    long width = 0;
    for (char32_t cp : CodePointsFromUtf16(run)) width += Advance(sized, cp);
    return static_cast<int>(std::min<long>(width, 1L << 30));
  }

  void DrawRun(const FontRequest& font, std::u16string_view run, std::uint32_t colourBgr,
               const RgbPlane& target, int x, int y) override {
    if (target.data == nullptr || target.width <= 0 || target.height <= 0) return;
    SizedFace sized;
    if (!Prepare(font, sized)) return;
    const std::uint8_t colour[3] = {static_cast<std::uint8_t>(colourBgr & 0xFF),
                                    static_cast<std::uint8_t>((colourBgr >> 8) & 0xFF),
                                    static_cast<std::uint8_t>((colourBgr >> 16) & 0xFF)};
    const long baseline = static_cast<long>(y) + sized.metrics.ascent;
    long pen = x;
    for (char32_t cp : CodePointsFromUtf16(run)) {
      if (cp < 0x20) continue;
      if (!LoadGlyph(sized, cp, true)) continue;
      const FT_GlyphSlot slot = sized.face->glyph;
      BlitCoverage(slot->bitmap, pen + slot->bitmap_left, baseline - slot->bitmap_top, colour, target);
      pen += (slot->advance.x + 32) >> 6;
    }
    const long width = pen - x;
    const int thickness = std::max(1, sized.em / 12);
    if (font.underline)
      FillRows(target, x, width, baseline + std::max(1, sized.metrics.descent / 2), thickness, colour);
    if (font.strikeOut)
      FillRows(target, x, width, baseline - sized.metrics.ascent / 3, thickness, colour);
  }

  std::u16string ResolvedFamily(const FontRequest& font) override {
    const Resolved* resolved = Resolve(font);
    return resolved != nullptr ? resolved->family : std::u16string{};
  }

 private:
  const Resolved* Resolve(const FontRequest& font) {
    if (!config_) return nullptr;
    auto key = std::make_tuple(font.face, font.bold, font.italic);
    auto found = resolved_.find(key);
    if (found != resolved_.end()) return found->second.file.empty() ? nullptr : &found->second;

    Resolved resolved;
    PatternPtr pattern(FcPatternCreate());
    if (pattern) {
      const std::string family = font.face.empty() ? std::string("sans-serif") : Utf8FromUtf16(font.face);
      FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
      FcPatternAddInteger(pattern.get(), FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
      FcPatternAddInteger(pattern.get(), FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
      FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
      FcConfigSubstitute(config_.get(), pattern.get(), FcMatchPattern);
      FcDefaultSubstitute(pattern.get());
      FcResult result = FcResultNoMatch;
      PatternPtr match(FcFontMatch(config_.get(), pattern.get(), &result));
      FcChar8* file = nullptr;
      if (match && FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        resolved.file = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch) resolved.index = index;
        FcChar8* name = nullptr;
        if (FcPatternGetString(match.get(), FC_FAMILY, 0, &name) == FcResultMatch && name != nullptr)
          resolved.family = Utf16FromUtf8(reinterpret_cast<const char*>(name));
      }
    }
    auto inserted = resolved_.emplace(std::move(key), std::move(resolved)).first;
    return inserted->second.file.empty() ? nullptr : &inserted->second;
  }

  FT_Face OpenFace(const Resolved& resolved) {
    auto key = std::make_pair(resolved.file, resolved.index);
    auto found = faces_.find(key);
    if (found != faces_.end()) return found->second.get();
    FT_Face face = nullptr;
    if (library_ && FT_New_Face(library_.get(), resolved.file.c_str(), resolved.index, &face) != 0) face = nullptr;
    // A face that failed to open is remembered as null, so it is not retried.
    return faces_.emplace(std::move(key), std::unique_ptr<FT_FaceRec_, FaceDeleter>(face))
        .first->second.get();
  }

  bool Prepare(const FontRequest& font, SizedFace& sized) {
    const Resolved* resolved = Resolve(font);
    if (resolved == nullptr) return false;
    FT_Face face = OpenFace(*resolved);
    if (face == nullptr) return false;

    const int unitsPerEm = FT_IS_SCALABLE(face) && face->units_per_EM > 0 ? face->units_per_EM : 1000;
    long ascentUnits = face->ascender;
    long descentUnits = -face->descender;
    long averageUnits = 0;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->version != 0xFFFF) {
      ascentUnits = os2->usWinAscent;
      descentUnits = os2->usWinDescent;
      averageUnits = os2->xAvgCharWidth;
    }

    int em = kDefaultEm;
    if (font.height < 0) {
      em = font.height < -kMaxEm ? kMaxEm : -font.height;
    } else if (font.height > 0) {
      const long cell = std::max<long>(1, ascentUnits + descentUnits);
      em = static_cast<int>(std::lround(static_cast<double>(std::min(font.height, kMaxEm)) * unitsPerEm / cell));
    }
    em = std::clamp(em, 1, kMaxEm);
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) return false;

    sized.face = face;
    sized.em = em;
    sized.embolden = font.bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    sized.oblique = font.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    sized.metrics.ascent = Scale(ascentUnits, em, unitsPerEm);
    sized.metrics.descent = Scale(descentUnits, em, unitsPerEm);
    sized.metrics.height = sized.metrics.ascent + sized.metrics.descent;
    if (averageUnits > 0) {
      sized.metrics.averageCharWidth = Scale(averageUnits, em, unitsPerEm);
    } else {
      sized.metrics.averageCharWidth = Advance(sized, U'x');
    }
    return true;
  }

  bool LoadGlyph(SizedFace& sized, char32_t cp, bool render) {
    const FT_UInt glyph = FT_Get_Char_Index(sized.face, cp);
    if (FT_Load_Glyph(sized.face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return false;
    FT_GlyphSlot slot = sized.face->glyph;
    if (sized.oblique) FT_GlyphSlot_Oblique(slot);
    if (sized.embolden) FT_GlyphSlot_Embolden(slot);
    if (render && slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
      return false;
    return true;
  }

  long Advance(SizedFace& sized, char32_t cp) {
    if (cp < 0x20 || !LoadGlyph(sized, cp, false)) return 0;
    return (sized.face->glyph->advance.x + 32) >> 6;
  }

  static void Blend(std::uint8_t* pixel, const std::uint8_t colour[3], unsigned coverage) {
    for (int c = 0; c < 3; ++c)
      pixel[c] = static_cast<std::uint8_t>((colour[c] * coverage + pixel[c] * (255u - coverage) + 127u) / 255u);
  }

  static void BlitCoverage(const FT_Bitmap& bitmap, long left, long top, const std::uint8_t colour[3],
                           const RgbPlane& target) {
    if (bitmap.buffer == nullptr) return;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    const unsigned levels = mono ? 2u : std::max(2u, static_cast<unsigned>(bitmap.num_grays));
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const long ty = top + static_cast<long>(row);
      if (ty < 0 || ty >= target.height) continue;
      const unsigned char* src = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
      std::uint8_t* dst = target.data + ty * target.stride;
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const long tx = left + static_cast<long>(col);
        if (tx < 0 || tx >= target.width) continue;
        unsigned coverage = mono ? ((src[col >> 3] >> (7 - (col & 7))) & 1u) * 255u
                                 : src[col] * 255u / (levels - 1);
        if (coverage > 255u) coverage = 255u;
        if (coverage != 0) Blend(dst + 3 * tx, colour, coverage);
      }
    }
  }

  static void FillRows(const RgbPlane& target, long x, long width, long top, int thickness,
                       const std::uint8_t colour[3]) {
    for (long ty = top; ty < top + thickness; ++ty) {
      if (ty < 0 || ty >= target.height) continue;
      for (long tx = std::max(0L, x); tx < std::min<long>(x + width, target.width); ++tx)
        Blend(target.data + ty * target.stride + 3 * tx, colour, 255u);
    }
  }

  std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library_;
  std::unique_ptr<FcConfig, ConfigDeleter> config_;
  std::map<std::tuple<std::u16string, bool, bool>, Resolved> resolved_;
  std::map<std::pair<std::string, int>, std::unique_ptr<FT_FaceRec_, FaceDeleter>> faces_;
};

}  // namespace

TextEngine& SystemTextEngine() {
  static FreeTypeTextEngine engine;
  return engine;
}

}  // namespace platform
