// Images: pictures for the console's overlay, JPEG files converted to the 24-bit BMP the
// overlay reads, in a temporary file that goes away after use.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace zn {
class Console;
}

namespace autom {

// A JPEG file is read whole; larger ones are refused.
inline constexpr int64_t kMaxJpegFileSize = int64_t{64} << 20;

// The name ends in ".JPG" or ".JPEG", in any letter case.
bool has_jpeg_suffix(std::string_view name);

// Decodes a JPEG and writes it to fd as a bottom-up 24-bit BMP with a 40-byte header.
// False for data that is not a JPEG, a picture past the overlay's limits, a colour
// space with no RGB form, or a failed write. A picture cut short keeps what was decoded.
bool jpeg_to_bmp(std::string_view jpeg_bytes, int fd);

// A BMP file made in the temporary folder ($TMPDIR, else /tmp) and removed when this goes.
class TempBitmap {
 public:
  TempBitmap();
  ~TempBitmap();
  TempBitmap(const TempBitmap&) = delete;
  TempBitmap& operator=(const TempBitmap&) = delete;
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  void close_file();

 private:
  int fd_ = -1;
  std::string path_;
};

// Converts a JPEG file on disk into t; false when it cannot be read or decoded.
bool convert_jpeg_file(const std::string& host_path, TempBitmap& t);

// Loads a picture (a BMP, or a JPEG named so) as the console's overlay and draws it at
// (x, y); false, and the overlay as it was, when the file is neither. The temporary
// bitmap of a JPEG is gone when this returns.
bool show_picture(zn::Console& console, const std::string& host_path, int32_t x, int32_t y);

}  // namespace autom
