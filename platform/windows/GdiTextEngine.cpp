// Text through GDI.
//
// Measuring uses the font's own text metrics and GetTextExtentPoint32W (whole
// pixels, no kerning). Drawing renders the run white on black into a 32-bit
// DIB section the size of the visible part of its cell, in greyscale
// antialiasing, and takes the green channel as the coverage with which the
// colour is laid over the caller's plane: the background stays as it was.
#include "platform/TextEngine.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>
#include <type_traits>
#include <vector>

namespace platform {
namespace {

struct DcDeleter {
  void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
using DcHolder = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using FontHolder = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BitmapHolder = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

// Selects an object into a device context for the life of this object.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool Ok() const noexcept { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Control characters have no width and draw nothing, as with the other
// platform's engine; GDI would show them as boxes.
std::wstring Printable(std::u16string_view run) {
  std::wstring out;
  out.reserve(run.size());
  for (const char16_t c : run)
    if (c >= 0x20) out.push_back(static_cast<wchar_t>(c));
  return out;
}

using FontKey = std::tuple<std::u16string, int, bool, bool, bool, bool>;

class GdiTextEngine final : public TextEngine {
 public:
  GdiTextEngine() : dc_(::CreateCompatibleDC(nullptr)) {}

  LineMetrics Metrics(const FontRequest& font) override {
    TEXTMETRICW tm{};
    if (!TextMetrics(font, tm)) return {};
    LineMetrics metrics;
    metrics.ascent = tm.tmAscent;
    metrics.descent = tm.tmDescent;
    metrics.height = tm.tmHeight;
    metrics.averageCharWidth = tm.tmAveCharWidth;
    return metrics;
  }

  int RunWidth(const FontRequest& font, std::u16string_view run) override {
    const std::wstring text = Printable(run);
    HFONT handle = FontFor(font);
    if (text.empty() || handle == nullptr || !dc_) return 0;
    const Selection selected(dc_.get(), handle);
    if (!selected.Ok()) return 0;
    SIZE size{};
    if (!::GetTextExtentPoint32W(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size)) return 0;
    return static_cast<int>(size.cx);
  }

  void DrawRun(const FontRequest& font, std::u16string_view run, std::uint32_t colourBgr,
               const RgbPlane& target, int x, int y) override {
    if (target.data == nullptr || target.width <= 0 || target.height <= 0) return;
    const std::wstring text = Printable(run);
    TEXTMETRICW tm{};
    if (text.empty() || !TextMetrics(font, tm)) return;
    const long long width = RunWidth(font, run);
    // Overhangs of bold, italic and wide glyphs reach past the advance.
    const long long pad = std::max<long long>(tm.tmHeight, tm.tmMaxCharWidth) + 2;

    // The visible part of the cell, in the plane's coordinates.
    const long long left = std::max<long long>(0, static_cast<long long>(x) - pad);
    const long long right = std::min<long long>(target.width, static_cast<long long>(x) + width + pad);
    const long long top = std::max<long long>(0, y);
    const long long bottom = std::min<long long>(target.height, static_cast<long long>(y) + tm.tmHeight);
    if (left >= right || top >= bottom) return;
    const int boxWidth = static_cast<int>(right - left);
    const int boxHeight = static_cast<int>(bottom - top);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = boxWidth;
    info.bmiHeader.biHeight = -boxHeight;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const BitmapHolder bitmap(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) return;
    const Selection bitmapSelected(dc_.get(), bitmap.get());
    const Selection fontSelected(dc_.get(), FontFor(font));
    if (!bitmapSelected.Ok() || !fontSelected.Ok()) return;
    std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(boxWidth) * boxHeight, 0u);
    ::SetBkMode(dc_.get(), TRANSPARENT);
    ::SetTextColor(dc_.get(), RGB(255, 255, 255));
    ::SetTextAlign(dc_.get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    // Inside the cell box the offsets are small: the box overlaps the cell.
    ::TextOutW(dc_.get(), static_cast<int>(x - left), static_cast<int>(y - top), text.c_str(),
               static_cast<int>(text.size()));
    ::GdiFlush();

    const std::uint8_t colour[3] = {static_cast<std::uint8_t>(colourBgr & 0xFF),
                                    static_cast<std::uint8_t>((colourBgr >> 8) & 0xFF),
                                    static_cast<std::uint8_t>((colourBgr >> 16) & 0xFF)};
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (int row = 0; row < boxHeight; ++row) {
      std::uint8_t* dst = target.data + (top + row) * target.stride + 3 * left;
      const std::uint8_t* src = pixels + static_cast<std::size_t>(row) * boxWidth * 4;
      for (int col = 0; col < boxWidth; ++col) {
        const unsigned coverage = src[4 * col + 1];
        if (coverage == 0) continue;
        std::uint8_t* pixel = dst + 3 * col;
        for (int c = 0; c < 3; ++c)
          pixel[c] = static_cast<std::uint8_t>((colour[c] * coverage + pixel[c] * (255u - coverage) + 127u) / 255u);
      }
    }
  }

  std::u16string ResolvedFamily(const FontRequest& font) override {
    HFONT handle = FontFor(font);
    if (handle == nullptr || !dc_) return {};
    const Selection selected(dc_.get(), handle);
    if (!selected.Ok()) return {};
    // The family of the font file that serves the request; GetTextFaceW
    // would answer with the requested name for some substitutes.
    const UINT size = ::GetOutlineTextMetricsW(dc_.get(), 0, nullptr);
    if (size >= sizeof(OUTLINETEXTMETRICW)) {
      std::vector<std::uint8_t> buffer(size);
      auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
      if (::GetOutlineTextMetricsW(dc_.get(), size, otm) != 0) {
        const auto offset = reinterpret_cast<std::uintptr_t>(otm->otmpFamilyName);
        if (offset > 0 && offset < size)
          return windows::FromWide(reinterpret_cast<const wchar_t*>(buffer.data() + offset));
      }
    }
    wchar_t face[LF_FACESIZE] = {};
    const int length = ::GetTextFaceW(dc_.get(), LF_FACESIZE, face);
    return length > 0 ? windows::FromWide(std::wstring_view(face, static_cast<std::size_t>(length - 1)))
                      : std::u16string{};
  }

 private:
  HFONT FontFor(const FontRequest& font) {
    FontKey key{font.face, font.height, font.bold, font.italic, font.underline, font.strikeOut};
    const auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.get();
    LOGFONTW logFont{};
    logFont.lfHeight = font.height;
    logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = font.italic ? TRUE : FALSE;
    logFont.lfUnderline = font.underline ? TRUE : FALSE;
    logFont.lfStrikeOut = font.strikeOut ? TRUE : FALSE;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = ANTIALIASED_QUALITY;
    logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = windows::ToWide(font.face).substr(0, LF_FACESIZE - 1);
    std::copy(face.begin(), face.end(), logFont.lfFaceName);
    // A font that cannot be made is remembered as null, so it is not retried.
    return fonts_.emplace(std::move(key), FontHolder(::CreateFontIndirectW(&logFont))).first->second.get();
  }

  bool TextMetrics(const FontRequest& font, TEXTMETRICW& tm) {
    HFONT handle = FontFor(font);
    if (handle == nullptr || !dc_) return false;
    const Selection selected(dc_.get(), handle);
    return selected.Ok() && ::GetTextMetricsW(dc_.get(), &tm) != FALSE;
  }

  DcHolder dc_;
  std::map<FontKey, FontHolder> fonts_;
};

}  // namespace

TextEngine& SystemTextEngine() {
  static GdiTextEngine engine;
  return engine;
}

}  // namespace platform
