// The console's profile keys and the palette.
#include <gtest/gtest.h>

#include "fixture.h"

namespace zn::test {
namespace {

ConsoleSettings load(const std::string& video, const std::string& more = "") {
  TempDir dir;
  return load_console_settings(dir.file("ZUNAPE.INI", "[VIDEO]\n" + video + "\n" + more));
}

using Map = std::array<uint8_t, 16>;
constexpr Map kIdentity{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

Map with(std::initializer_list<std::pair<int, int>> changes) {
  Map m = kIdentity;
  for (auto [i, v] : changes) m[i] = static_cast<uint8_t>(v);
  return m;
}

TEST(Settings, MissingFileOrKeysGiveDefaults) {
  TempDir dir;
  for (const std::string& path : {dir.path + "/none.ini", dir.file("empty.ini", "[VIDEO]\n")}) {
    const ConsoleSettings s = load_console_settings(path);
    EXPECT_EQ(s.colour_map, kIdentity);
    EXPECT_FALSE(s.colours_fixed);
    EXPECT_FALSE(s.scroll_by_copy);
    EXPECT_EQ(s.background, 0);
    EXPECT_EQ(s.text, 15);
    EXPECT_EQ(s.braille_mode, 0);
    EXPECT_EQ(s.zoom, 2);
    EXPECT_EQ(s.font, "Lucida Console");
    EXPECT_EQ(s.char_width, 0);
    EXPECT_EQ(s.char_height, 0);
    EXPECT_EQ(s.weight, 700);
    EXPECT_TRUE(s.start_maximised);
  }
}

TEST(Settings, ColourMap) {
  struct Case {
    std::string value;
    Map map;
  } cases[] = {
      {"4,1", with({{0, 4}})},  // the last item has no comma after it
      {"4,1,", with({{0, 4}, {1, 1}})},
      {"15,14,13,12,11,10,9,8,7,6,5,4,3,2,1,0",
       {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 15}},
      {"1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,", Map{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {"4,x,3,", with({{0, 4}})},
      {"4,9,3,", with({{0, 4}, {1, 9}, {2, 3}})},
      {"4, 9,3,", with({{0, 4}, {1, 9}})},  // after a blank: taken, and the list ends
      {"4,  9 ,3,", with({{0, 4}})},
      {"$A,0x0B,-1,16,", with({{0, 10}, {1, 11}, {2, 255}, {3, 255}})},
      {"", kIdentity},
      {",,", kIdentity},
  };
  for (const auto& c : cases) EXPECT_EQ(load("TABCORES=" + c.value).colour_map, c.map) << c.value;
}

TEST(Settings, YesKeysLookAtTheFirstLetter) {
  EXPECT_TRUE(load("CORESFIXAS=sim").colours_fixed);
  EXPECT_TRUE(load("CORESFIXAS=S").colours_fixed);
  EXPECT_FALSE(load("CORESFIXAS=nao").colours_fixed);
  EXPECT_FALSE(load("CORESFIXAS=yes").colours_fixed);
  EXPECT_TRUE(load("LENTO=Sim").scroll_by_copy);
  EXPECT_FALSE(load("LENTO=N").scroll_by_copy);
  EXPECT_FALSE(load("CANTOTELA=NAO").start_maximised);
  EXPECT_TRUE(load("CANTOTELA=SIM").start_maximised);
}

TEST(Settings, IntegerConversion) {
  struct Case {
    const char* value;
    int background;  // CORFUNDO & 15, or the default 0 when the text is not a number
  } cases[] = {
      {"7", 7},           {"+7", 7},           {"-1", 15},          {"$c", 12},
      {"x0D", 13},        {"X0d", 13},         {"0x0E", 14},        {"0X0e", 14},
      {"0x7FFFFFFF", 15}, {"2147483647", 15},  {"-2147483648", 0},  {"2147483648", 0},
      {"0x80000000", 0},  {"1 2", 0},          {"5x", 0},           {"0x", 0},
      {"$", 0},           {"-", 0},            {"$G", 0},           {"99999999999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(load(std::string("CORFUNDO=") + c.value).background, c.background) << c.value;
  EXPECT_EQ(load("CORFUNDO=\"9\"").background, 9);
  EXPECT_EQ(load("CORLETRA=14").text, 14);
  EXPECT_EQ(load("CORLETRA=abc").text, 15);
}

TEST(Settings, FirstCharacterCodes) {
  EXPECT_EQ(load("", "[BRAILLE]\nMODO=2\n").braille_mode, 2);
  EXPECT_EQ(load("", "[BRAILLE]\nMODO=3\n").braille_mode, 3);
  EXPECT_EQ(load("", "[BRAILLE]\nMODO=a\n").braille_mode, 1);
  EXPECT_EQ(load("MODO=2").braille_mode, 0);  // only in its own section
  EXPECT_EQ(load("AMPLIF=4").zoom, 4);
  EXPECT_EQ(load("AMPLIF=9").zoom, 1);
  EXPECT_EQ(load("AMPLIF=0").zoom, 2);  // 0 cannot magnify
  EXPECT_EQ(load("AMPLIF=\xff").zoom, 7);
}

TEST(Settings, FontKeys) {
  const ConsoleSettings s = load("FONTE=DejaVu Sans Mono\nLARGURALETRA=16\nALTURALETRA=30\nPESOLETRA=400");
  EXPECT_EQ(s.font, "DejaVu Sans Mono");
  EXPECT_EQ(s.char_width, 16);
  EXPECT_EQ(s.char_height, 30);
  EXPECT_EQ(s.weight, 400);
  const ConsoleSettings bad = load("LARGURALETRA=-3\nALTURALETRA=2000000\nPESOLETRA=pesado");
  EXPECT_EQ(bad.char_width, 0);
  EXPECT_EQ(bad.char_height, 0);
  EXPECT_EQ(bad.weight, 700);
}

TEST(Palette, Colours) {
  struct Case {
    int n;
    Rgb rgb;
  } cases[] = {{0, {0, 0, 0}},       {1, {0, 0, 255}},       {4, {255, 0, 0}},   {5, {142, 0, 142}},
               {6, {68, 34, 34}},    {7, {192, 192, 192}},   {8, {128, 128, 128}}, {12, {255, 128, 128}},
               {14, {255, 255, 0}},  {15, {255, 255, 255}}, {16, {0, 0, 0}},     {255, {0, 0, 0}},
               {-1, {0, 0, 0}}};
  for (const auto& c : cases) {
    const Rgb got = palette_colour(c.n);
    EXPECT_EQ(got.r, c.rgb.r) << c.n;
    EXPECT_EQ(got.g, c.rgb.g) << c.n;
    EXPECT_EQ(got.b, c.rgb.b) << c.n;
  }
}

}  // namespace
}  // namespace zn::test
