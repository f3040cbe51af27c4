// The terminal key decoder: notation in, key buffer bytes out.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "fixture.h"

namespace zn::test {
namespace {

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

std::string drain(Console& con) {
  std::string s;
  while (con.key_count() > 0) s += static_cast<char>(con.read_key());
  return s;
}

// Decodes the input at once, as the end of input.
std::string decode_whole(const std::string& in) {
  Console con;
  KeyDecoder d;
  d.feed(in);
  d.decode(con, true);
  return drain(con);
}

// Decodes the input one byte per read, the end coming only after the last.
std::string decode_bytewise(const std::string& in) {
  Console con;
  KeyDecoder d;
  for (char c : in) {
    d.feed(std::string_view(&c, 1));
    d.decode(con);
  }
  d.decode(con, true);
  return drain(con);
}

struct Case {
  const char* name;
  std::string in;
  std::string keys;
};

class DecoderTest : public ::testing::TestWithParam<Case> {};

TEST_P(DecoderTest, Whole) { EXPECT_EQ(decode_whole(GetParam().in), GetParam().keys); }
TEST_P(DecoderTest, ByteByByte) { EXPECT_EQ(decode_bytewise(GetParam().in), GetParam().keys); }

INSTANTIATE_TEST_SUITE_P(
    Text, DecoderTest,
    ::testing::Values(
        Case{"ascii", "Ab 1~", "Ab 1~"},
        Case{"utf8_two_bytes", "\xc3\xa9\xc3\x87", "\xe9\xc7"},
        Case{"utf8_euro", "\xe2\x82\xac", "\x80"},
        Case{"utf8_without_cp1252", "\xe5\xad\x97!", "?!"},
        Case{"utf8_four_bytes", "\xf0\x9f\x98\x80", "?"},
        Case{"stray_continuation", "\x80" "a", "?a"},
        Case{"invalid_lead", "\xff\xc0" "a", "??a"},
        Case{"lead_cut_short", "\xc3" "a", "?a"},
        Case{"lead_at_end", "a\xe2\x82", "a??"},
        Case{"overlong", "\xc1\x81", "??"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Controls, DecoderTest,
    ::testing::Values(
        Case{"lf", "\n", "\r"},
        Case{"cr", "\r", "\r"},
        Case{"crlf_is_one_enter", "a\r\nb", "a\rb"},
        Case{"two_crs", "\r\r", "\r\r"},
        Case{"lfcr_is_two", "\n\r", "\r\r"},
        Case{"delete_is_backspace", "\x7f", "\x08"},
        Case{"bs_is_ctrl_backspace", "\x08", "\x7f"},
        Case{"tab_and_ctrl_letters", "\t\x01\x1a\x03", "\t\x01\x1a\x03"},
        Case{"nul_dropped_1c_1f_are_ctrl_keys", bytes({0, 0x1c, 0x1d, 0x1f}) + "x", bytes({0x1c, 0x1d, 0x1f}) + "x"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Escapes, DecoderTest,
    ::testing::Values(
        Case{"esc_esc", "\x1b\x1b", "\x1b"},
        Case{"esc_last", "a\x1b", "a\x1b"},
        Case{"esc_then_punctuation", "\x1b.", "\x1b."},
        Case{"esc_then_enter", "\x1b\r", "\x1b\r"},
        Case{"up", "\x1b[A", bytes({0, 72})},
        Case{"down", "\x1b[B", bytes({0, 80})},
        Case{"right", "\x1b[C", bytes({0, 77})},
        Case{"left", "\x1b[D", bytes({0, 75})},
        Case{"home", "\x1b[H", bytes({0, 71})},
        Case{"end", "\x1b[F", bytes({0, 79})},
        Case{"insert", "\x1b[2~", bytes({0, 82})},
        Case{"delete", "\x1b[3~", bytes({0, 83})},
        Case{"page_up", "\x1b[5~", bytes({0, 73})},
        Case{"page_down", "\x1b[6~", bytes({0, 81})},
        Case{"f1_f4", "\x1bOP\x1bOQ\x1bOR\x1bOS", bytes({0, 59, 0, 60, 0, 61, 0, 62})},
        Case{"f5_f12", "\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~\x1b[23~\x1b[24~",
             bytes({0, 63, 0, 64, 0, 65, 0, 66, 0, 67, 0, 68, 0, 69, 0, 70})},
        Case{"ctrl_f4", "\x1b[1;5S", bytes({0, 97})},
        Case{"ctrl_alt_f9", "\x1b[20;7~", bytes({0, 102})},
        Case{"ctrl_left", "\x1b[1;5D", bytes({0, 115})},
        Case{"shift_insert", "\x1b[2;2~", bytes({0, 254})},
        Case{"ctrl_shift_insert", "\x1b[2;6~", bytes({0, 255})},
        Case{"alt_right_is_right", "\x1b[1;3C", bytes({0, 77})},
        Case{"alt_up_is_dropped", "\x1b[1;3A", ""},
        Case{"ss3_with_modifier", "\x1bO5P", bytes({0, 94})},
        Case{"ctrl_enter", "\x1b[13;5u", "\n"},
        Case{"alt_letter", "\x1b" "a\x1bZ", bytes({0, 30, 0, 44})},
        Case{"alt_digit", "\x1b" "0\x1b" "1", bytes({0, 129, 0, 120})},
        Case{"alt_o_at_end", "\x1bO", bytes({0, 24})},
        Case{"csi_opener_at_end", "\x1b[", "\x1b["},
        Case{"cut_sequence_at_end", "\x1b[1;", ""},
        Case{"unknown_tilde", "\x1b[99~x", "x"},
        Case{"private_reply", "\x1b[?1;2cx", "x"},
        Case{"bad_modifier", "\x1b[1;9A\x1b[1;0Ax", "x"},
        Case{"too_many_parameters", "\x1b[1;2;3Ax", "x"},
        Case{"intermediate_byte", "\x1b[1 qx", "x"},
        Case{"unknown_ss3", "\x1bOxy", "y"},
        Case{"broken_by_control", "\x1b[1\rx", "\rx"},
        Case{"linux_console_f1", "\x1b[[A\x1b[[E", bytes({0, 59, 0, 63})},
        Case{"huge_parameter", "\x1b[99999999999999999999~x", "x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decoder, WaitsForTheRestOfASequence) {
  Console con;
  KeyDecoder d;
  d.feed("a\x1b[1;");
  d.decode(con);
  EXPECT_TRUE(d.incomplete());
  EXPECT_EQ(drain(con), "a");
  d.feed("5C");
  d.decode(con);
  EXPECT_FALSE(d.incomplete());
  EXPECT_EQ(drain(con), bytes({0, 116}));
}

TEST(Decoder, LoneEscapeResolvedByFinalDecode) {
  Console con;
  KeyDecoder d;
  d.feed("\x1b");
  d.decode(con);
  EXPECT_EQ(con.key_count(), 0);
  EXPECT_TRUE(d.incomplete());
  d.decode(con, true);
  EXPECT_EQ(drain(con), "\x1b");
  EXPECT_TRUE(d.empty());
}

TEST(Decoder, CrThenLfInLaterReadIsOneEnter) {
  Console con;
  KeyDecoder d;
  d.feed("\r");
  d.decode(con);
  d.feed("\n\n");
  d.decode(con);
  EXPECT_EQ(drain(con), "\r\r");
}

TEST(Decoder, KeepsBytesWhileKeyBufferIsFull) {
  Console con;
  KeyDecoder d;
  std::string in;
  for (int i = 0; i < 100; ++i) in += "\x1b[A" "b";
  d.feed(in);
  std::string got;
  while (!d.empty()) {
    d.decode(con, true);
    EXPECT_LE(con.key_count(), kKeyBufferSize);
    got += drain(con);
  }
  std::string want;
  for (int i = 0; i < 100; ++i) want += bytes({0, 72, 'b'});
  EXPECT_EQ(got, want);
}

// Whatever arrives, the buffer holds no half keys and is never overrun.
TEST(Decoder, HostileBytesNeverSplitAKey) {
  std::set<int> codes = {129};
  for (int c = 59; c <= 70; ++c) codes.insert(c);
  for (int c = 94; c <= 105; ++c) codes.insert(c);
  for (int c : {82, 254, 255, 83, 71, 119, 79, 117, 73, 132, 81, 118, 72, 113, 80, 114, 75, 115, 77, 116})
    codes.insert(c);
  for (int c = 120; c <= 128; ++c) codes.insert(c);
  for (int c : {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, 49, 24, 25, 16, 19, 31, 20, 22, 47, 17,
                45, 21, 44})
    codes.insert(c);

  Console con;
  KeyDecoder d;
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  const char alphabet[] = "\x1b[O;0123456789~ABCDHFPQRSu\r\n\x7f\x08\xc3\xa9\xe2\x82\xac\xff a";
  std::string got;
  for (int round = 0; round < 20000; ++round) {
    std::string chunk;
    const int len = static_cast<int>(next() % 8);
    for (int i = 0; i < len; ++i) {
      chunk += (next() % 4 == 0) ? static_cast<char>(next() & 0xFF) : alphabet[next() % (sizeof alphabet - 1)];
    }
    d.feed(chunk);
    d.decode(con, next() % 16 == 0);
    ASSERT_LE(con.key_count(), kKeyBufferSize);
    if (next() % 3 == 0) got += drain(con);
  }
  d.decode(con, true);
  got += drain(con);
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != 0) continue;
    ASSERT_LT(i + 1, got.size()) << "a 0 at the very end";
    ASSERT_TRUE(codes.count(static_cast<uint8_t>(got[i + 1]))) << "0 then " << int(uint8_t(got[i + 1]));
    ++i;
  }
}

}  // namespace
}  // namespace zn::test
