#include "platform/PngCodec.h"

#include <png.h>

#include <cstring>
#include <new>

namespace platform {
namespace {

// Everything the libpng callbacks and the decoding step share. It lives in the
// caller's frame, so a longjmp out of libpng never skips a destructor: the
// function that calls setjmp holds only trivially destructible locals.
struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  char message[160] = {};
  DecodedImage* out = nullptr;
  std::vector<std::uint8_t>* pixels = nullptr;  // interleaved RGB or RGBA rows
  std::vector<png_bytep>* rows = nullptr;
  int channels = 0;
  bool tooLarge = false;
};

void SetMessage(ReadState& s, const char* text) {
  std::strncpy(s.message, text != nullptr ? text : "libpng error", sizeof s.message - 1);
  s.message[sizeof s.message - 1] = '\0';
}

void OnError(png_structp png, png_const_charp text) {
  auto* s = static_cast<ReadState*>(png_get_error_ptr(png));
  if (s != nullptr) SetMessage(*s, text);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep dest, png_size_t length) {
  auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
  if (length > s->size - s->pos) png_error(png, "file is truncated");
  std::memcpy(dest, s->data + s->pos, length);
  s->pos += length;
}

// The ancillary chunks libpng knows, other than tRNS: five bytes each, the
// name and a NUL.
constexpr png_byte kSkippedChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
    "tEXt\0tIME\0zTXt";

// Sizes the caller's buffers; may throw std::bad_alloc, which is caught by
// the caller outside the setjmp frame (never thrown through libpng).
bool PrepareBuffers(ReadState& s, png_uint_32 width, png_uint_32 height) {
  if (width == 0 || height == 0 || width > static_cast<png_uint_32>(kMaxDecodedDimension) ||
      height > static_cast<png_uint_32>(kMaxDecodedDimension)) {
    s.tooLarge = true;
    return false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(s.channels);
  s.pixels->assign(rowBytes * height, 0);
  s.rows->resize(height);
  for (png_uint_32 r = 0; r < height; ++r) (*s.rows)[r] = s.pixels->data() + rowBytes * r;
  return true;
}

// The libpng part. Returns false on a libpng error (message in s.message) or
// when the image is refused. No local here has a destructor.
bool ReadPixels(ReadState& s, bool& allocationFailed) {
  if (setjmp(png_jmpbuf(s.png))) return false;

  png_set_read_fn(s.png, &s, OnRead);
  png_set_user_limits(s.png, kMaxDecodedDimension, kMaxDecodedDimension);
  // Only the image chunks and tRNS change the pixels decoded here. libpng
  // reads some other chunks whole into a buffer of the length they claim,
  // whatever the file's size; skip them all unread, like unknown chunks.
  png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                              static_cast<int>(sizeof kSkippedChunks / 5));
#if defined(PNG_IGNORE_ADLER32)
  // Each IDAT chunk's CRC already guards the compressed bytes; the zlib
  // stream's own checksum over the same data is a second pass for nothing.
  png_set_option(s.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(s.png, s.info);
  if (!PngDataCanHold(png_get_image_width(s.png, s.info), png_get_image_height(s.png, s.info),
                      static_cast<unsigned>(png_get_bit_depth(s.png, s.info)) * png_get_channels(s.png, s.info),
                      s.size - s.pos)) {
    SetMessage(s, "image data is too short for the image size");
    return false;
  }

  png_set_expand(s.png);  // palette -> RGB, grey < 8 bits -> 8 bits, tRNS -> alpha
  png_set_strip_16(s.png);
  png_set_gray_to_rgb(s.png);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);

  const png_uint_32 width = png_get_image_width(s.png, s.info);
  const png_uint_32 height = png_get_image_height(s.png, s.info);
  s.channels = png_get_channels(s.png, s.info);
  if ((s.channels != 3 && s.channels != 4) || png_get_bit_depth(s.png, s.info) != 8) {
    SetMessage(s, "unsupported pixel layout");
    return false;
  }
  bool prepared = false;
  try {
    prepared = PrepareBuffers(s, width, height);
  } catch (const std::bad_alloc&) {
    allocationFailed = true;
    return false;
  }
  if (!prepared) {
    SetMessage(s, "image is too large");
    return false;
  }
  png_read_image(s.png, s.rows->data());
  png_read_end(s.png, nullptr);
  s.out->width = static_cast<int>(width);
  s.out->height = static_cast<int>(height);
  return true;
}

// Owns the libpng read structures.
struct PngReadGuard {
  ReadState& s;
  ~PngReadGuard() {
    if (s.png != nullptr) png_destroy_read_struct(&s.png, s.info != nullptr ? &s.info : nullptr, nullptr);
  }
};

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out,
               std::string& error) noexcept {
  out = DecodedImage{};
  error.clear();
  try {
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
      error = "not a PNG file";
      return false;
    }
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    ReadState s;
    s.data = data;
    s.size = size;
    s.out = &out;
    s.pixels = &pixels;
    s.rows = &rows;
    PngReadGuard guard{s};
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
    if (s.png == nullptr) {
      error = "out of memory";
      return false;
    }
    s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) {
      error = "out of memory";
      return false;
    }
    bool allocationFailed = false;
    if (!ReadPixels(s, allocationFailed)) {
      out = DecodedImage{};
      error = allocationFailed ? "out of memory" : s.message;
      return false;
    }

    const std::size_t count = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
    out.rgb.resize(count * 3);
    if (s.channels == 3) {
      out.rgb.assign(pixels.begin(), pixels.end());
    } else {
      out.hasAlpha = true;
      out.alpha.resize(count);
      for (std::size_t i = 0; i < count; ++i) {
        out.rgb[3 * i] = pixels[4 * i];
        out.rgb[3 * i + 1] = pixels[4 * i + 1];
        out.rgb[3 * i + 2] = pixels[4 * i + 2];
        out.alpha[i] = pixels[4 * i + 3];
      }
    }
    return true;
  } catch (const std::exception&) {
    out = DecodedImage{};
    error = "out of memory";
    return false;
  }
}

}  // namespace platform
