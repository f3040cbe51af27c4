// Images: libjpeg decoding into a BMP the console's overlay loads.
#include "automation/images.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "console/ZnCrt.h"

namespace autom {
namespace {

constexpr long kMaxDecoderMemory = 512L << 20;  // libjpeg's working memory, above the picture

struct ErrorTrap {
  jpeg_error_mgr mgr;
  std::jmp_buf back;
};

[[noreturn]] void on_jpeg_error(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->back, 1);
}
// Warnings (a picture cut short, a bad marker) are not the user's business.
void on_jpeg_message(j_common_ptr) {}

void le16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void le32(uint8_t* p, uint32_t v) {
  le16(p, v);
  le16(p + 2, v >> 16);
}

bool write_at(int fd, const uint8_t* bytes, size_t n, off_t at) {
  while (n > 0) {
    const ssize_t w = pwrite(fd, bytes, n, at);
    if (w <= 0) return false;
    bytes += w;
    n -= static_cast<size_t>(w);
    at += w;
  }
  return true;
}

bool write_bmp_header(int fd, uint32_t width, uint32_t height, uint32_t stride) {
  uint8_t h[54] = {'B', 'M'};
  const uint32_t image = stride * height;
  le32(h + 2, 54 + image);
  le32(h + 10, 54);
  le32(h + 14, 40);
  le32(h + 18, width);
  le32(h + 22, height);  // positive: bottom row first
  le16(h + 26, 1);
  le16(h + 28, 24);
  le32(h + 34, image);
  le32(h + 38, 2835);  // 72 dots per inch
  le32(h + 42, 2835);
  return write_at(fd, h, sizeof h, 0);
}

// One decoded row to BMP order (blue, green, red), padding already zero.
void to_bgr(const JSAMPLE* in, uint8_t* out, JDIMENSION width, J_COLOR_SPACE space) {
  for (JDIMENSION x = 0; x < width; ++x) {
    uint8_t r, g, b;
    if (space == JCS_CMYK) {
      // Adobe writes CMYK inverted: each channel is already 255 - ink.
      const unsigned k = in[x * 4 + 3];
      r = static_cast<uint8_t>(in[x * 4] * k / 255);
      g = static_cast<uint8_t>(in[x * 4 + 1] * k / 255);
      b = static_cast<uint8_t>(in[x * 4 + 2] * k / 255);
    } else {
      r = in[x * 3];
      g = in[x * 3 + 1];
      b = in[x * 3 + 2];
    }
    out[x * 3] = b;
    out[x * 3 + 1] = g;
    out[x * 3 + 2] = r;
  }
}

// Kept apart from any C++ object: the error path leaves by longjmp.
bool decode(jpeg_decompress_struct& cinfo, ErrorTrap& trap, std::string_view bytes, int fd) {
  if (setjmp(trap.back)) return false;
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  const JDIMENSION w = cinfo.image_width, h = cinfo.image_height;
  // The overlay's limits, before libjpeg allocates anything for the picture.
  if (w == 0 || h == 0 || w > static_cast<JDIMENSION>(zn::kMaxBitmapSide) ||
      h > static_cast<JDIMENSION>(zn::kMaxBitmapSide) || int64_t{w} * h > zn::kMaxBitmapPixels)
    return false;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  if (!jpeg_start_decompress(&cinfo)) return false;
  const int channels = cmyk ? 4 : 3;
  if (cinfo.output_components != channels || cinfo.output_width != w || cinfo.output_height != h) return false;
  const uint32_t stride = (w * 3 + 3) & ~3u;
  if (!write_bmp_header(fd, w, h, stride)) return false;
  JSAMPARRAY in = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, w * channels, 1);
  JSAMPARRAY out = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, stride, 1);
  std::memset(out[0], 0, stride);
  while (cinfo.output_scanline < h) {
    const JDIMENSION y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, in, 1) != 1) return false;
    to_bgr(in[0], out[0], w, cinfo.out_color_space);
    if (!write_at(fd, out[0], stride, static_cast<off_t>(54 + int64_t{h - 1 - y} * stride))) return false;
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool read_small_file(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bool ok = false;
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxJpegFileSize) {
    out.resize(static_cast<size_t>(st.st_size));
    ok = std::fread(out.data(), 1, out.size(), f) == out.size();
  }
  std::fclose(f);
  return ok;
}

}  // namespace

bool has_jpeg_suffix(std::string_view name) {
  auto ends_with = [name](std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(name[name.size() - suffix.size() + i]);
      if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
      if (c != static_cast<unsigned char>(suffix[i])) return false;
    }
    return true;
  };
  return ends_with(".JPG") || ends_with(".JPEG");
}

bool jpeg_to_bmp(std::string_view bytes, int fd) {
  if (bytes.empty() || fd < 0) return false;
  jpeg_decompress_struct cinfo;
  ErrorTrap trap;
  cinfo.err = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = on_jpeg_error;
  trap.mgr.output_message = on_jpeg_message;
  jpeg_create_decompress(&cinfo);
  const bool ok = decode(cinfo, trap, bytes, fd);
  jpeg_destroy_decompress(&cinfo);
  return ok;
}

TempBitmap::TempBitmap() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = (dir && *dir ? std::string(dir) : std::string("/tmp")) + "/roteiral-imagem-XXXXXX.bmp";
  fd_ = mkstemps(pattern.data(), 4);
  if (fd_ >= 0) path_ = pattern;
}

TempBitmap::~TempBitmap() {
  close_file();
  if (!path_.empty()) unlink(path_.c_str());
}

void TempBitmap::close_file() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool convert_jpeg_file(const std::string& host_path, TempBitmap& t) {
  std::string bytes;
  if (!t.ok() || !read_small_file(host_path, bytes)) return false;
  return jpeg_to_bmp(bytes, t.fd());
}

bool show_picture(zn::Console& console, const std::string& host_path, int32_t x, int32_t y) {
  bool loaded = false;
  struct stat st;
  if (has_jpeg_suffix(host_path) && stat(host_path.c_str(), &st) == 0) {
    TempBitmap bmp;
    // A conversion that stops half way may leave a file of the full size: never load it.
    const bool converted = convert_jpeg_file(host_path, bmp);
    bmp.close_file();
    loaded = converted && console.load_overlay(bmp.path());
  } else {
    loaded = console.load_overlay(host_path);
  }
  // Far beyond any screen either way: kept there, but where adding a size cannot overflow.
  constexpr int32_t kFar = 1000000;
  if (loaded) console.draw_overlay_at(std::clamp(x, -kFar, kFar), std::clamp(y, -kFar, kFar));
  return loaded;
}

}  // namespace autom
