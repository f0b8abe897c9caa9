// PNG decoding with the Windows Imaging Component: the PNG decoder reads the
// file from memory, a format converter turns every colour type and depth into
// 32-bit BGRA, and the result is split into the colour and alpha planes.
#include "platform/PngCodec.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <new>
#include <utility>

namespace platform {
namespace {

// Owns one reference to a COM object.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* operator->() const noexcept { return p_; }
  T* get() const noexcept { return p_; }
  T** Out() noexcept {
    Reset();
    return &p_;
  }
  void Reset() noexcept {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// COM for this thread for the length of one decoding, when the thread has not
// set it up already (then its own set-up is used as it is). A multithreaded
// apartment: unlike a single-threaded one it makes no hidden window, which
// without a desktop (a headless wine) costs seconds.
class ComScope {
 public:
  ComScope() noexcept : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  // RPC_E_CHANGED_MODE: the thread runs another apartment model, which the
  // imaging component works in just as well.
  bool Usable() const noexcept { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Whether the frame's own pixels carry transparency: an alpha channel, or a
// palette with transparent entries.
bool FrameHasAlpha(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame) {
  WICPixelFormatGUID format{};
  if (FAILED(frame->GetPixelFormat(&format))) return true;
  ComRef<IWICComponentInfo> info;
  ComRef<IWICPixelFormatInfo2> formatInfo;
  if (SUCCEEDED(factory->CreateComponentInfo(format, info.Out())) &&
      SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2,
                                     reinterpret_cast<void**>(formatInfo.Out())))) {
    BOOL transparency = FALSE;
    if (SUCCEEDED(formatInfo->SupportsTransparency(&transparency)) && transparency) return true;
  }
  ComRef<IWICPalette> palette;
  if (SUCCEEDED(factory->CreatePalette(palette.Out())) &&
      SUCCEEDED(frame->CopyPalette(palette.get()))) {
    BOOL alpha = FALSE;
    return SUCCEEDED(palette->HasAlpha(&alpha)) && alpha;
  }
  return false;
}

bool Decode(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
  if (data == nullptr || size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0) {
    error = "not a PNG file";
    return false;
  }
  if (size > 0xFFFFFFFFu) {
    error = "file is too large";
    return false;
  }
  const ComScope com;
  if (!com.Usable()) {
    error = "COM is not available";
    return false;
  }
  ComRef<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out())))) {
    error = "the imaging component is not available";
    return false;
  }
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  // The stream only reads the caller's bytes.
  if (FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) ||
      FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out())) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.Out()))) {
    error = "corrupt PNG file";
    return false;
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) {
    error = "corrupt PNG file";
    return false;
  }
  if (width > static_cast<UINT>(kMaxDecodedDimension) || height > static_cast<UINT>(kMaxDecodedDimension)) {
    error = "image is too large";
    return false;
  }
  if (!PngDataCanHold(width, height, 1, size)) {
    error = "image data is too short for the image size";
    return false;
  }
  const bool hasAlpha = FrameHasAlpha(factory.get(), frame.get());

  ComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    error = "unsupported pixel layout";
    return false;
  }
  const std::size_t count = static_cast<std::size_t>(width) * height;
  const UINT stride = width * 4;
  std::vector<std::uint8_t> bgra(count * 4);
  if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(bgra.size()), bgra.data()))) {
    error = "corrupt PNG file";
    return false;
  }

  std::vector<std::uint8_t> rgb(count * 3);
  std::vector<std::uint8_t> alpha(hasAlpha ? count : 0);
  for (std::size_t i = 0; i < count; ++i) {
    rgb[3 * i] = bgra[4 * i + 2];
    rgb[3 * i + 1] = bgra[4 * i + 1];
    rgb[3 * i + 2] = bgra[4 * i];
  }
  for (std::size_t i = 0; i < alpha.size(); ++i) alpha[i] = bgra[4 * i + 3];

  DecodedImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.hasAlpha = hasAlpha;
  image.rgb = std::move(rgb);
  image.alpha = std::move(alpha);
  out = std::move(image);
  return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out,
               std::string& error) noexcept {
  out = DecodedImage{};
  error.clear();
  try {
    if (Decode(data, size, out, error)) return true;
    out = DecodedImage{};
    if (error.empty()) error = "corrupt PNG file";
    return false;
  } catch (const std::bad_alloc&) {
    out = DecodedImage{};
    error = "out of memory";
    return false;
  }
}

}  // namespace platform
