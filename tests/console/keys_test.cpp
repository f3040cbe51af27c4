// The key buffer, the special-key and Alt codes, key reads, line reads and pauses.
#include <gtest/gtest.h>

#include <chrono>

#include "fixture.h"

namespace zn::test {
namespace {

using KeysTest = ConsoleTest;

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

TEST_F(KeysTest, CharactersWithCtrl) {
  con.key_char(8, false);
  con.key_char(8, true);
  con.key_char(13, false);
  con.key_char(13, true);
  con.key_char('a', true);
  con.key_char(0xE9, false);
  EXPECT_EQ(drain(), bytes({8, 127, 13, 10, 'a', 0xE9}));
}

TEST_F(KeysTest, FullBufferDropsNewKeys) {
  for (int i = 0; i < 70; ++i) con.key_char(static_cast<uint8_t>('0' + i % 10), false);
  EXPECT_EQ(con.key_count(), kKeyBufferSize);
  EXPECT_FALSE(con.push_key('x'));
  con.key_alt('a');
  con.key_down(Key::F1, {});
  const std::string got = drain();
  ASSERT_EQ(got.size(), 64u);
  EXPECT_EQ(got.substr(60), "0123");
}

TEST_F(KeysTest, SpecialKeyTable) {
  struct Case {
    Key key;
    int plain, ctrl;
  } cases[] = {
      {Key::F1, 59, 94},     {Key::F2, 60, 95},       {Key::F5, 63, 98},     {Key::F10, 68, 103},
      {Key::F11, 69, 104},   {Key::F12, 70, 105},     {Key::Insert, 82, 255}, {Key::Delete, 83, 83},
      {Key::Home, 71, 119},  {Key::End, 79, 117},     {Key::PageUp, 73, 132}, {Key::PageDown, 81, 118},
      {Key::Up, 72, 113},    {Key::Down, 80, 114},    {Key::Left, 75, 115},  {Key::Right, 77, 116},
  };
  for (const auto& c : cases) {
    con.key_down(c.key, {});
    con.key_down(c.key, {.ctrl = true});
    EXPECT_EQ(drain(), bytes({0, c.plain, 0, c.ctrl})) << static_cast<int>(c.key);
  }
  con.key_down(Key::Insert, {.shift = true});
  con.key_down(Key::Insert, {.shift = true, .ctrl = true});
  con.key_down(Key::Delete, {.shift = true});
  EXPECT_EQ(drain(), bytes({0, 254, 0, 255, 0, 83}));
}

TEST_F(KeysTest, AltReachesTheTableOnlyWithArrowsOrCtrl) {
  con.key_down(Key::Left, {.alt = true});
  con.key_down(Key::Right, {.alt = true});
  con.key_down(Key::F4, {.alt = true});  // the window system's
  con.key_down(Key::Up, {.alt = true});
  con.key_down(Key::F9, {.ctrl = true, .alt = true});
  con.key_down(Key::F11, {.ctrl = true, .alt = true});  // braille switches store nothing
  con.key_down(Key::F12, {.ctrl = true, .alt = true});
  EXPECT_EQ(drain(), bytes({0, 75, 0, 77, 0, 102}));
}

TEST_F(KeysTest, SpecialKeyNeedsTwoFreePlaces) {
  for (int i = 0; i < 62; ++i) con.key_char('a', false);
  con.key_down(Key::F1, {});
  EXPECT_EQ(con.key_count(), 64);
  drain();
  for (int i = 0; i < 63; ++i) con.key_char('a', false);
  con.key_down(Key::F1, {});
  con.key_alt('x');
  EXPECT_EQ(con.key_count(), 63);
}

TEST_F(KeysTest, AltCodes) {
  const std::string keys = "0159aAbmqz";
  for (char k : keys) con.key_alt(static_cast<uint8_t>(k));
  con.key_alt('-');
  con.key_alt(0xE9);
  EXPECT_EQ(drain(), bytes({0, 129, 0, 120, 0, 124, 0, 128, 0, 30, 0, 30, 0, 48, 0, 50, 0, 16, 0, 44}));
}

TEST_F(KeysTest, CtrlBreakQuitsWith255) {
  con.key_down(Key::Break, {});
  EXPECT_EQ(quits, std::vector<int>{255});
}

TEST_F(KeysTest, ReadKeyReadsTypedKeysThenQuitsWhenInputEnds) {
  type("x\x1b[A");
  EXPECT_EQ(con.read_key(), 'x');
  EXPECT_EQ(con.read_key(), 0);
  EXPECT_EQ(con.read_key(), 72);
  EXPECT_TRUE(quits.empty());
  EXPECT_EQ(con.read_key(), 13);
  EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(KeysTest, KeyPressedPumps) {
  EXPECT_FALSE(con.key_pressed());
  type("k");
  EXPECT_TRUE(con.key_pressed());
  EXPECT_EQ(con.read_key(), 'k');
}

struct LineCase {
  const char* name;
  std::string typed;
  std::string line;
  std::string echo;
};

class ReadLineTest : public ConsoleTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReadLineTest, Reads) {
  type(GetParam().typed);
  EXPECT_EQ(con.read_line(), GetParam().line);
  EXPECT_EQ(backend->output, GetParam().echo);
  EXPECT_TRUE(quits.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLineTest,
    ::testing::Values(
        LineCase{"plain", "abc\r", "abc", "abc\r\n"},
        LineCase{"backspace_drops_last", "abc\x7f\x7f" "d\r", "ad", "abc\b\bd\r\n"},
        LineCase{"backspace_on_empty_line", "\x7f" "a\r", "a", "a\r\n"},
        LineCase{"up_enters_H", "a\x1b[Ab\r", "aHb", "aHb\r\n"},
        LineCase{"ctrl_enter_ignored", "a\x1b[13;5ub\r", "ab", "ab\r\n"},
        LineCase{"ctrl_backspace_kept", "a\x08\r", "a\x7f", "a\x7f\r\n"},
        LineCase{"tab_ignored", "a\tb\r", "ab", "ab\r\n"},
        LineCase{"latin1", "a\xc3\xa7\xc3\xa3o\n", "a\xe7\xe3o", "a\xe7\xe3o\r\n"},
        LineCase{"keeps_126_of_130", std::string(130, 'k') + "\r", std::string(126, 'k'),
                 std::string(126, 'k') + "\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeysTest, ReadLineCapacity) {
  type("abcdef\r");
  EXPECT_EQ(con.read_line(5), "abc");
  type("\r");
  EXPECT_EQ(con.read_line(2), "");
}

TEST_F(KeysTest, ReadLineEndsWhenInputEnds) {
  type("ab");
  EXPECT_EQ(con.read_line(), "ab");
  EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(KeysTest, ReadLineEchoesAtCursor) {
  con.write("Nome: ");
  type("Ana\r");
  con.read_line();
  EXPECT_EQ(row(0), "Nome: Ana");
  EXPECT_EQ(con.row0(), 1);
  EXPECT_EQ(con.col0(), 0);
}

TEST_F(KeysTest, PauseWaitsWholeTimeAndTakesKeys) {
  type("a");
  const auto t0 = std::chrono::steady_clock::now();
  con.pause(40);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(40));
  EXPECT_EQ(drain(), "a");
}

TEST(PauseWithoutBackend, StillWaits) {
  Console con;
  const auto t0 = std::chrono::steady_clock::now();
  con.pause(30);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace zn::test
