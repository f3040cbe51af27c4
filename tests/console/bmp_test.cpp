// The overlay's BMP reader: the pixel formats it takes, and files whose headers lie.
#include <gtest/gtest.h>

#include <cstring>

#include "console/ZnCrt.h"
#include "fixture.h"

namespace zn {
namespace {

struct Header {
  uint32_t bits_at = 0;  // 0: right after the header and table
  int32_t width = 2;
  int32_t height = 2;
  uint16_t bit_count = 24;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
  uint32_t info_size = 40;
};

void put(std::string& s, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A file: the two headers, then `table` (colour table or masks), then `bits`.
std::string bmp(const Header& h, const std::string& table, const std::string& bits) {
  std::string f(54, '\0');
  f[0] = 'B';
  f[1] = 'M';
  const uint32_t at = h.bits_at ? h.bits_at : static_cast<uint32_t>(54 + table.size());
  put(f, 2, static_cast<uint32_t>(54 + table.size() + bits.size()), 4);
  put(f, 10, at, 4);
  put(f, 14, h.info_size, 4);
  put(f, 18, static_cast<uint32_t>(h.width), 4);
  put(f, 22, static_cast<uint32_t>(h.height), 4);
  put(f, 26, 1, 2);
  put(f, 28, h.bit_count, 2);
  put(f, 30, h.compression, 4);
  put(f, 46, h.colours_used, 4);
  return f + table + bits;
}

std::string bgr0(uint32_t rgb) {
  return std::string{static_cast<char>(rgb & 0xFF), static_cast<char>((rgb >> 8) & 0xFF),
                     static_cast<char>(rgb >> 16), '\0'};
}

TEST(Bmp, PixelFormats) {
  // 24 bits, bottom-up, rows padded to 4 bytes: the first row stored is the bottom one.
  const std::string rows24 = std::string("\x00\x00\xff" "\x00\xff\x00" "\0\0", 8) +
                             std::string("\xff\x00\x00" "\xff\xff\xff" "\0\0", 8);
  auto b = read_bmp(bmp({}, "", rows24));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->width, 2);
  EXPECT_EQ(b->height, 2);
  EXPECT_EQ(b->pixels, (std::vector<uint32_t>{0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}));

  // A negative height is stored top row first.
  b = read_bmp(bmp({.height = -2}, "", rows24));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels, (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));

  // 1 bit, colours-used 0 means the full table; high bit first.
  b = read_bmp(bmp({.width = 3, .height = 1, .bit_count = 1}, bgr0(0x112233) + bgr0(0x445566),
                   std::string("\xA0\0\0\0", 4)));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels, (std::vector<uint32_t>{0x445566, 0x112233, 0x445566}));

  // 4 bits with a 2-entry table: an index past it is black.
  b = read_bmp(bmp({.width = 2, .height = 1, .bit_count = 4, .colours_used = 2},
                   bgr0(0x010203) + bgr0(0x040506), std::string("\x1F\0\0\0", 4)));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels, (std::vector<uint32_t>{0x040506, 0x000000}));

  // 16 bits without masks is 5-5-5; 32 bits with masks takes them.
  b = read_bmp(bmp({.width = 1, .height = 1, .bit_count = 16}, "", std::string("\x1F\x7C\0\0", 4)));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels[0], 0xFF00FFu);
  std::string masks(12, '\0');
  put(masks, 0, 0x000000FF, 4);  // red in the low byte
  put(masks, 4, 0x0000FF00, 4);
  put(masks, 8, 0x00FF0000, 4);
  b = read_bmp(bmp({.width = 1, .height = 1, .bit_count = 32, .compression = 3}, masks,
                   std::string("\x10\x20\x30\x00", 4)));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels[0], 0x102030u);
}

TEST(Bmp, LyingFilesAreRefused) {
  const std::string pixel(4, '\x7f');
  struct Case {
    const char* what;
    std::string file;
  };
  const Case cases[] = {
      {"empty", ""},
      {"shorter than the headers", bmp({.width = 1, .height = 1}, "", pixel).substr(0, 50)},
      {"12-byte header", bmp({.width = 1, .height = 1, .info_size = 12}, "", pixel)},
      {"124-byte header", bmp({.width = 1, .height = 1, .info_size = 124}, "", pixel)},
      {"0 x 0", bmp({.width = 0, .height = 0}, "", "")},
      {"negative width", bmp({.width = -1, .height = 1}, "", pixel)},
      {"30000 x 30000", bmp({.width = 30000, .height = 30000}, "", pixel)},
      {"lowest height", bmp({.width = 1, .height = INT32_MIN}, "", pixel)},
      {"pixels past the end", bmp({.width = 4, .height = 4}, "", pixel)},
      {"bits offset past the end", bmp({.bits_at = 0xFFFFFFF0, .width = 1, .height = 1}, "", pixel)},
      {"table past the end", bmp({.width = 1, .height = 1, .bit_count = 8, .colours_used = 200}, "", pixel)},
      {"more colours than 8 bits hold", bmp({.width = 1, .height = 1, .bit_count = 8, .colours_used = 0xFFFFFFFF}, "", pixel)},
      {"masks past the end", bmp({.width = 1, .height = 1, .bit_count = 32, .compression = 3}, "", "").substr(0, 56)},
      {"run-length compressed", bmp({.width = 1, .height = 1, .bit_count = 8, .compression = 1}, std::string(1024, '\0'), pixel)},
      {"2 bits a pixel", bmp({.width = 1, .height = 1, .bit_count = 2}, std::string(16, '\0'), pixel)},
  };
  for (const Case& c : cases) EXPECT_FALSE(read_bmp(c.file)) << c.what;
}

TEST(Bmp, FromAFile) {
  test::TempDir dir;
  const std::string good = bmp({.width = 1, .height = 1}, "", std::string("\x01\x02\x03\0", 4));
  auto b = read_bmp_file(dir.file("a.bmp", good));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->pixels[0], 0x030201u);
  // The header promises more than the file holds.
  EXPECT_FALSE(read_bmp_file(dir.file("cut.bmp", good.substr(0, good.size() - 2))));
  EXPECT_FALSE(read_bmp_file(dir.path + "/missing.bmp"));
  EXPECT_FALSE(read_bmp_file(dir.path));  // a folder
}

}  // namespace
}  // namespace zn
