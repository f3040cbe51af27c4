// The overlay's BMP reader. Every size in a header is checked against the file and the
// limits before anything is read or allocated: a file that lies is refused.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "console/ZnCrt.h"

namespace zn {
namespace {

constexpr int64_t kInfoAt = 14;       // the information header follows the file header
constexpr int64_t kInfoSize = 40;     // the only one accepted
constexpr int64_t kBlock = 16384;     // pixel data is read in blocks of this size
constexpr uint32_t kRgb = 0;          // no compression
constexpr uint32_t kBitFields = 3;    // 16 or 32 bits with three colour masks

// Where the bytes come from: read(offset, length, into) is false past the end.
struct Source {
  int64_t size = 0;
  std::function<bool(int64_t, int64_t, uint8_t*)> read;
};

uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// One colour channel of a masked pixel, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    while (((m >> shift) & 1) == 0) ++shift;
    max = m >> shift;
  }
  uint32_t get(uint32_t v) const {
    if (max == 0) return 0;
    return static_cast<uint32_t>((uint64_t{(v & mask) >> shift} * 255 + max / 2) / max);
  }
};

std::optional<Bitmap> parse(const Source& src) {
  uint8_t head[kInfoAt + kInfoSize];
  if (src.size < static_cast<int64_t>(sizeof head) || !src.read(0, sizeof head, head))
    return std::nullopt;
  if (le32(head + 14) != kInfoSize) return std::nullopt;
  const uint32_t bits_at = le32(head + 10);
  const auto width = static_cast<int32_t>(le32(head + 18));
  const auto raw_height = static_cast<int32_t>(le32(head + 22));
  const int bit_count = le16(head + 28);
  const uint32_t compression = le32(head + 30);
  const uint32_t colours_used = le32(head + 46);

  const bool known_depth = bit_count == 1 || bit_count == 4 || bit_count == 8 ||
                           bit_count == 16 || bit_count == 24 || bit_count == 32;
  if (!known_depth) return std::nullopt;
  if (compression != kRgb && !(compression == kBitFields && (bit_count == 16 || bit_count == 32)))
    return std::nullopt;
  // A negative height is a picture stored top row first.
  const int64_t height = raw_height < 0 ? -int64_t{raw_height} : raw_height;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      int64_t{width} * height > kMaxBitmapPixels)
    return std::nullopt;

  // The colour table: as many entries as the header says, all of them when it says 0.
  std::vector<uint32_t> table;
  int64_t after_header = kInfoAt + kInfoSize;
  if (bit_count <= 8) {
    const uint32_t full = 1u << bit_count;
    if (colours_used > full) return std::nullopt;
    const uint32_t n = colours_used == 0 ? full : colours_used;
    std::vector<uint8_t> raw(n * 4);
    if (after_header + static_cast<int64_t>(raw.size()) > src.size ||
        !src.read(after_header, static_cast<int64_t>(raw.size()), raw.data()))
      return std::nullopt;
    table.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* e = raw.data() + i * 4;  // blue, green, red, reserved
      table[i] = uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
    }
  }
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits without masks: 5-5-5
  if (bit_count == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (compression == kBitFields) {
    uint8_t raw[12];
    if (after_header + 12 > src.size || !src.read(after_header, 12, raw)) return std::nullopt;
    for (int i = 0; i < 3; ++i) masks[i] = le32(raw + 4 * i);
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  const int64_t stride = ((int64_t{width} * bit_count + 31) / 32) * 4;
  const int64_t image_size = height * stride;
  if (int64_t{bits_at} + image_size > src.size) return std::nullopt;
  std::vector<uint8_t> bits(static_cast<size_t>(image_size));
  for (int64_t done = 0; done < image_size; done += kBlock) {
    const int64_t n = std::min(kBlock, image_size - done);
    if (!src.read(int64_t{bits_at} + done, n, bits.data() + done)) return std::nullopt;
  }

  Bitmap out;
  out.width = width;
  out.height = static_cast<int>(height);
  out.pixels.resize(static_cast<size_t>(int64_t{width} * height));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = bits.data() + (raw_height < 0 ? y : height - 1 - y) * stride;
    uint32_t* dst = out.pixels.data() + y * width;
    for (int64_t x = 0; x < width; ++x) {
      uint32_t px = 0;
      if (bit_count <= 8) {
        const int64_t bit = x * bit_count;
        const unsigned index = (row[bit / 8] >> (8 - bit_count - bit % 8)) & ((1u << bit_count) - 1);
        px = index < table.size() ? table[index] : 0;  // past a short table: black
      } else if (bit_count == 24) {
        const uint8_t* p = row + x * 3;
        px = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
      } else {
        const uint32_t v = bit_count == 16 ? le16(row + x * 2) : le32(row + x * 4);
        px = red.get(v) << 16 | green.get(v) << 8 | blue.get(v);
      }
      dst[x] = px;
    }
  }
  return out;
}

}  // namespace

std::optional<Bitmap> read_bmp(std::string_view bytes) {
  Source src;
  src.size = static_cast<int64_t>(bytes.size());
  src.read = [bytes](int64_t at, int64_t n, uint8_t* into) {
    if (at < 0 || n < 0 || at + n > static_cast<int64_t>(bytes.size())) return false;
    std::memcpy(into, bytes.data() + at, static_cast<size_t>(n));
    return true;
  };
  return parse(src);
}

std::optional<Bitmap> read_bmp_file(const std::string& host_path) {
  std::FILE* f = std::fopen(host_path.c_str(), "rb");
  if (!f) return std::nullopt;
  Source src;
  if (std::fseek(f, 0, SEEK_END) == 0) src.size = std::ftell(f);
  src.read = [f, &src](int64_t at, int64_t n, uint8_t* into) {
    if (at < 0 || n < 0 || at + n > src.size) return false;
    if (std::fseek(f, static_cast<long>(at), SEEK_SET) != 0) return false;
    return std::fread(into, 1, static_cast<size_t>(n), f) == static_cast<size_t>(n);
  };
  std::optional<Bitmap> image = src.size > 0 ? parse(src) : std::nullopt;
  std::fclose(f);
  return image;
}

}  // namespace zn
