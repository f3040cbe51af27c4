// JPEG pictures through the BMP the overlay reads, and the files that lie or are cut short.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "automation/images.h"
#include "console/ZnCrt.h"
#include "../commands/temp_folder.h"

namespace {

// A JPEG whose left half is red and right half blue.
std::string make_jpeg(int width, int height, bool gray = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = gray ? 1 : 3;
  c.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width) * c.input_components);
  for (int x = 0; x < width; ++x) {
    if (gray) {
      row[static_cast<size_t>(x)] = x < width / 2 ? 40 : 220;
    } else {
      const bool left = x < width / 2;
      row[static_cast<size_t>(x) * 3] = left ? 255 : 0;
      row[static_cast<size_t>(x) * 3 + 1] = 0;
      row[static_cast<size_t>(x) * 3 + 2] = left ? 0 : 255;
    }
  }
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string out(reinterpret_cast<char*>(buf), size);
  jpeg_destroy_compress(&c);
  std::free(buf);
  return out;
}

// The frame header's height and width, set to what the file does not hold.
std::string with_size(std::string jpeg, int width, int height) {
  const size_t sof = jpeg.find("\xFF\xC0");
  if (sof == std::string::npos) ADD_FAILURE() << "no frame header";
  jpeg[sof + 5] = static_cast<char>(height >> 8);
  jpeg[sof + 6] = static_cast<char>(height);
  jpeg[sof + 7] = static_cast<char>(width >> 8);
  jpeg[sof + 8] = static_cast<char>(width);
  return jpeg;
}

// The BMP a conversion writes, read back by the overlay's reader.
std::optional<zn::Bitmap> convert(const std::string& jpeg) {
  autom::TempBitmap t;
  if (!t.ok() || !autom::jpeg_to_bmp(jpeg, t.fd())) return std::nullopt;
  t.close_file();
  return zn::read_bmp_file(t.path());
}

bool near(uint32_t px, uint32_t want) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>((px >> shift) & 255), b = static_cast<int>((want >> shift) & 255);
    if (std::abs(a - b) > 24) return false;
  }
  return true;
}

TEST(Images, JpegSuffix) {
  const std::pair<const char*, bool> cases[] = {
      {"foto.jpg", true}, {"FOTO.JPG", true}, {"c:\\a\\foto.Jpeg", true}, {".jpg", true},
      {"foto.jpe", false}, {"foto.bmp", false}, {"jpg", false}, {"foto.jpg ", false}, {"", false},
  };
  for (const auto& [name, want] : cases) EXPECT_EQ(autom::has_jpeg_suffix(name), want) << name;
}

TEST(Images, JpegBecomesA24BitBmpOfTheSameSize) {
  for (auto [w, h] : {std::pair{16, 8}, std::pair{37, 5}}) {  // 37: rows padded to 4 bytes
    const std::string jpeg = make_jpeg(w, h);
    autom::TempBitmap t;
    ASSERT_TRUE(autom::jpeg_to_bmp(jpeg, t.fd()));
    t.close_file();
    std::FILE* f = std::fopen(t.path().c_str(), "rb");
    unsigned char head[54];
    ASSERT_EQ(std::fread(head, 1, 54, f), 54u);
    std::fclose(f);
    EXPECT_EQ(head[14], 40);  // the information header the overlay accepts
    EXPECT_EQ(head[28], 24);
    auto bmp = zn::read_bmp_file(t.path());
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, w);
    EXPECT_EQ(bmp->height, h);
    // Top-left red, bottom-right blue: rows are not upside down, channels not swapped.
    EXPECT_TRUE(near(bmp->pixels[0], 0xFF0000)) << std::hex << bmp->pixels[0];
    EXPECT_TRUE(near(bmp->pixels.back(), 0x0000FF)) << std::hex << bmp->pixels.back();
  }
  auto gray = convert(make_jpeg(8, 8, true));
  ASSERT_TRUE(gray);
  EXPECT_TRUE(near(gray->pixels[0], 0x282828));
}

TEST(Images, JpegsThatLieOrAreCutShort) {
  const std::string good = make_jpeg(64, 48);
  // Sizes past the overlay's limits are refused before anything is allocated for them.
  EXPECT_FALSE(convert(with_size(good, 30000, 30000)));
  EXPECT_FALSE(convert(with_size(good, 8193, 1)));
  EXPECT_FALSE(convert(with_size(good, 0, 48)));
  // A size larger than the data holds: what could be decoded, nothing read past the data.
  auto bigger = convert(with_size(good, 640, 480));
  ASSERT_TRUE(bigger);
  EXPECT_EQ(bigger->width, 640);
  // Cut short in the picture: kept with what was decoded; in the header: refused.
  const size_t scan = good.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  auto cut = convert(good.substr(0, scan + (good.size() - scan) / 2));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->height, 48);
  EXPECT_TRUE(near(cut->pixels[0], 0xFF0000));
  EXPECT_FALSE(convert(good.substr(0, 120)));
  EXPECT_FALSE(convert("not a picture at all"));
  EXPECT_FALSE(convert(""));
}

struct ShowPicture : ::testing::Test {
  cmdtest::TempFolder tmp;   // the temporary folder the conversions use
  cmdtest::TempFolder files;
  zn::Console console;
  std::string old_tmpdir;
  void SetUp() override {
    if (const char* t = std::getenv("TMPDIR")) old_tmpdir = t;
    setenv("TMPDIR", tmp.path().c_str(), 1);
  }
  void TearDown() override {
    if (old_tmpdir.empty()) unsetenv("TMPDIR");
    else setenv("TMPDIR", old_tmpdir.c_str(), 1);
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "a temporary bitmap was left";
  }
};

TEST_F(ShowPicture, JpegIsShownAtItsPlaceAndLeavesNoFile) {
  files.file("foto.JPG", make_jpeg(20, 10));
  ASSERT_TRUE(autom::show_picture(console, files.at("foto.JPG"), 7, 9));
  ASSERT_NE(console.overlay(), nullptr);
  EXPECT_EQ(console.overlay()->image.width, 20);
  EXPECT_EQ(console.overlay()->x, 7);
  EXPECT_EQ(console.overlay()->y, 9);
  ASSERT_TRUE(autom::show_picture(console, files.at("foto.JPG"), INT32_MAX, INT32_MIN));
  EXPECT_EQ(console.overlay()->x, 1000000);
  EXPECT_EQ(console.overlay()->y, -1000000);
}

TEST_F(ShowPicture, WhatIsNotAPictureLeavesTheOverlayAsItWas) {
  files.file("foto.jpg", make_jpeg(20, 10));
  ASSERT_TRUE(autom::show_picture(console, files.at("foto.jpg"), 0, 0));
  const uint64_t serial = console.overlay_serial();
  files.file("falsa.jpg", "GIF89a....");
  files.file("cortada.jpeg", make_jpeg(20, 10).substr(0, 100));
  files.file("falsa.bmp", "BM not really");
  for (const char* name : {"falsa.jpg", "cortada.jpeg", "falsa.bmp", "falta.bmp", "falta.jpg"})
    EXPECT_FALSE(autom::show_picture(console, files.at(name), 0, 0)) << name;
  EXPECT_EQ(console.overlay_serial(), serial);
  EXPECT_EQ(console.overlay()->image.width, 20);
}

}  // namespace
