// Console capacities at their edges: the overlay picture's size limits and the longest
// escape sequence the key decoder takes as one key.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "console/ZnCrt.h"
#include "console/keys.h"

namespace zn {
namespace {

void put(std::string& s, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A whole 1-bit BMP of width x height (every row present), black and white table.
std::string mono_bmp(int32_t width, int32_t height) {
  const size_t row = ((static_cast<size_t>(width) + 31) / 32) * 4;
  std::string f(62, '\0');
  f[0] = 'B';
  f[1] = 'M';
  put(f, 2, static_cast<uint32_t>(62 + row * height), 4);
  put(f, 10, 62, 4);
  put(f, 14, 40, 4);
  put(f, 18, static_cast<uint32_t>(width), 4);
  put(f, 22, static_cast<uint32_t>(height), 4);
  put(f, 26, 1, 2);
  put(f, 28, 1, 2);
  put(f, 58, 0x00FFFFFF, 4);
  f.append(row * static_cast<size_t>(height), '\x55');
  return f;
}

TEST(Capacities, OverlayPictureSizeLimits) {
  struct Case {
    int32_t width, height;
    bool ok;
  } cases[] = {{kMaxBitmapSide, 1, true},     {kMaxBitmapSide + 1, 1, false}, {1, kMaxBitmapSide, true},
               {1, kMaxBitmapSide + 1, false}, {4097, 4096, false},            {8192, 2049, false}};
  for (const auto& c : cases) {
    const auto b = read_bmp(mono_bmp(c.width, c.height));
    EXPECT_EQ(b.has_value(), c.ok) << c.width << " x " << c.height;
    if (b) {
      EXPECT_EQ(b->pixels.size(), static_cast<size_t>(c.width) * c.height);
    }
  }
}

// A "sequence" past 64 bytes is garbage: it ends there and the bytes after it are keys.
TEST(Capacities, OverlongEscapeSequenceDoesNotSwallowLaterKeys) {
  for (size_t params : {size_t{60}, size_t{200}}) {
    Console con;
    KeyDecoder d;
    d.feed("\033[" + std::string(params, '1') + "~x");
    std::string keys;
    for (int round = 0; round < 100 && !d.empty(); ++round) {
      d.decode(con, true);
      while (con.key_count() > 0) keys += static_cast<char>(con.read_key());
    }
    EXPECT_TRUE(d.empty()) << params;
    ASSERT_FALSE(keys.empty()) << params;
    EXPECT_EQ(keys.back(), 'x') << params;
  }
}

}  // namespace
}  // namespace zn
