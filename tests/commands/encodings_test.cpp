// Encoders and decoders: tables of texts, and the Base64 file forms.
#include <gtest/gtest.h>

#include "commands/encodings.h"
#include "temp_folder.h"

namespace {

using cmdtest::TempFolder;

struct Pair {
  std::string in, out;
};

TEST(Base64, Encode) {
  const Pair cases[] = {
      {"", ""},
      {"a", "YQ=="},
      {"ab", "YWI="},
      {"abc", "YWJj"},
      {"abcd", "YWJjZA=="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0\0\0", 3), "AAAA"},
      {"\xFF\xFF\xFF", "////"},
      {"\xFB\xEF\xBE", "++++"},
      {"a\xE7\xE3o", "Yefjbw=="},
  };
  for (const auto& c : cases) EXPECT_EQ(cmds::base64_encode(c.in), c.out) << c.in;
}

TEST(Base64, Decode) {
  const Pair cases[] = {
      {"", ""},
      {"YQ==", "a"},
      {"YWI=", "ab"},
      {"YWJj", "abc"},
      {"YWJjZA==", "abcd"},
      {"YW\r\nJj", "abc"},       // a line break in the middle is not there
      {"YW\nJj", "abc"},
      {"Y W J j", "abc"},        // nor are blanks
      {"YQ==YWJj", "a"},         // everything after the first '=' is ignored
      {"YWI=Zm9v", "ab"},
      {"=YWJj", ""},
      {"YW*J!j", "abc"},         // characters outside the alphabet are skipped
      {"YWJjZ", "abc"},          // bits of an incomplete group are dropped
      {"YWJjZA", "abcd"},
      {"////", "\xFF\xFF\xFF"},
      {"Yefjbw==", "a\xE7\xE3o"},
  };
  for (const auto& c : cases) EXPECT_EQ(cmds::base64_decode(c.in), c.out) << c.in;
}

TEST(Base64, RoundTripOfEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  for (size_t n = 0; n <= all.size(); n += 37)
    EXPECT_EQ(cmds::base64_decode(cmds::base64_encode(all.substr(0, n))), all.substr(0, n));
}

TEST(Base64, DecoderFedInPieces) {
  cmds::Base64Decoder d;
  std::string out;
  EXPECT_TRUE(d.feed("Y", out));
  EXPECT_TRUE(d.feed("WJ", out));
  EXPECT_TRUE(d.feed("jZA", out));
  EXPECT_FALSE(d.feed("==Zm9v", out));
  EXPECT_FALSE(d.feed("Zm9v", out));
  EXPECT_EQ(out, "abcd");
}

TEST(Quoted, Encode) {
  const Pair cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"a b", "a b"},               // a blank stays a blank
      {"caf\xE9", "caf=E9"},
      {"a=b", "a=3Db"},
      {"\r\n", "=0D=0A"},
      {std::string("\0", 1), "=00"},
      {"\x1F \x7E\x7F\xFF", "=1F ~=7F=FF"},
      {"!\"#$%&'()*+,-./:;<>?@[\\]^_`{|}", "!\"#$%&'()*+,-./:;<>?@[\\]^_`{|}"},
  };
  for (const auto& c : cases) EXPECT_EQ(cmds::quoted_encode(c.in), c.out) << c.in;
}

TEST(Quoted, Decode) {
  const Pair cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"abc=", "abc"},        // a final '=' is a soft line break
      {"abc==", "abc="},
      {"=", ""},
      {"caf=E9", "caf\xE9"},
      {"caf=e9", "caf\xE9"},  // either case
      {"a=3Db", "a=b"},
      {"a=4", "a=4"},         // one digit at the end is copied
      {"=4", "=4"},
      {"=G1", "=G1"},
      {"=3=41", "=3A"},
      {"=0D=0A", "\r\n"},
      {"=3D41", "=41"},       // a decoded '=' does not start another escape
  };
  for (const auto& c : cases) EXPECT_EQ(cmds::quoted_decode(c.in), c.out) << c.in;
}

TEST(Quoted, RoundTrip) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(cmds::quoted_decode(cmds::quoted_encode(all)), all);
}

TEST(Http, PercentEncoding) {
  const Pair cases[] = {
      {"", ""},
      {" ", "%20"},
      {"~", "~"},
      {"/", "%2F"},
      {"AZaz09-._~", "AZaz09-._~"},
      {"a b&c=d", "a%20b%26c%3Dd"},
      {"a\xE7\xE3o", "a%E7%E3o"},
      {"%", "%25"},
      {"+", "%2B"},
      {std::string("\0\xFF", 2), "%00%FF"},
  };
  for (const auto& c : cases) EXPECT_EQ(cmds::percent_encode(c.in), c.out) << c.in;
}

TEST(Text, AnsiToUtf8) {
  EXPECT_EQ(cmds::ansi_to_utf8("abc"), "abc");
  EXPECT_EQ(cmds::ansi_to_utf8("a\xE7\xE3o"), "a\xC3\xA7\xC3\xA3o");
  EXPECT_EQ(cmds::ansi_to_utf8("\x80"), "\xE2\x82\xAC");  // the euro sign
  EXPECT_EQ(cmds::ansi_to_utf8("\x93\x94"), "\xE2\x80\x9C\xE2\x80\x9D");
  EXPECT_EQ(cmds::ansi_to_utf8(""), "");
}

TEST(Text, Utf8ToAnsi) {
  struct Case {
    std::string in;
    std::optional<std::string> out;
  };
  const Case cases[] = {
      {"", std::string()},
      {"abc", std::string("abc")},
      {"a\xC3\xA7\xC3\xA3o", std::string("a\xE7\xE3o")},
      {"\xE2\x82\xAC", std::string("\x80")},
      {"\xE2\x80\x9C", std::string("\x93")},
      {"\xC4\x81", std::string("?")},              // a character the code page lacks
      {"\xF0\x9F\x98\x80", std::string("?")},      // one past the basic plane: one '?'
      {"a\xE7\xE3o", std::nullopt},                // single accented Windows-1252 bytes
      {"\xC3", std::nullopt},                      // cut short
      {"\xC3(", std::nullopt},
      {"\xC0\xAF", std::nullopt},                  // overlong
      {"\xE0\x80\xAF", std::nullopt},
      {"\xED\xA0\x80", std::nullopt},              // a surrogate
      {"\xF4\x90\x80\x80", std::nullopt},          // past U+10FFFF
      {"\x80", std::nullopt},
      {"\xFF", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(cmds::utf8_to_ansi(c.in), c.out) << c.in;
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(cmds::utf8_to_ansi(cmds::ansi_to_utf8(all)), all);
}

std::string expected_lines(const std::string& data) {
  std::string out;
  for (size_t i = 0; i < data.size(); i += 48) out += cmds::base64_encode(data.substr(i, 48)) + "\r\n";
  return out;
}

TEST(Base64File, LinesOf64Characters) {
  TempFolder t;
  t.file("48", cmdtest::pattern_bytes(48));
  ASSERT_EQ(cmds::encode_file_base64(t.at("48"), t.at("48.b64")), cmds::FileCodeResult::ok);
  std::string one = t.read("48.b64");
  EXPECT_EQ(one.size(), 66u);
  EXPECT_EQ(one.substr(64), "\r\n");
  EXPECT_EQ(one, expected_lines(cmdtest::pattern_bytes(48)));

  t.file("49", cmdtest::pattern_bytes(49));
  ASSERT_EQ(cmds::encode_file_base64(t.at("49"), t.at("49.b64")), cmds::FileCodeResult::ok);
  std::string two = t.read("49.b64");
  ASSERT_EQ(two.size(), 66u + 6u);
  EXPECT_EQ(two.substr(66, 4).substr(2), "==");
  EXPECT_EQ(two.substr(70), "\r\n");

  t.file("vazio", "");
  ASSERT_EQ(cmds::encode_file_base64(t.at("vazio"), t.at("vazio.b64")), cmds::FileCodeResult::ok);
  EXPECT_TRUE(t.exists("vazio.b64"));
  EXPECT_EQ(t.read("vazio.b64"), "");
}

TEST(Base64File, BlocksDoNotShowInTheOutput) {
  // 1024 is not a multiple of 3 or 48: the groups and lines must run on across blocks.
  TempFolder t;
  for (size_t n : {1023u, 1024u, 1025u, 3000u, 70000u}) {
    const std::string data = cmdtest::pattern_bytes(n);
    t.file("f", data);
    ASSERT_EQ(cmds::encode_file_base64(t.at("f"), t.at("f.b64")), cmds::FileCodeResult::ok);
    EXPECT_EQ(t.read("f.b64"), expected_lines(data)) << n;
    ASSERT_EQ(cmds::decode_file_base64(t.at("f.b64"), t.at("f.out")), cmds::FileCodeResult::ok);
    EXPECT_EQ(t.read("f.out"), data) << n;
  }
}

TEST(Base64File, DecodeStopsAtTheFirstPad) {
  TempFolder t;
  t.file("t", "YW\r\nJj\r\nYQ==\r\nZm9v\r\n");
  ASSERT_EQ(cmds::decode_file_base64(t.at("t"), t.at("o")), cmds::FileCodeResult::ok);
  EXPECT_EQ(t.read("o"), "abca");
}

TEST(Base64File, MissingSourceCreatesNoTarget) {
  TempFolder t;
  EXPECT_EQ(cmds::encode_file_base64(t.at("nada"), t.at("alvo")), cmds::FileCodeResult::source_missing);
  EXPECT_FALSE(t.exists("alvo"));
  EXPECT_EQ(cmds::decode_file_base64(t.at("nada"), t.at("alvo")), cmds::FileCodeResult::source_missing);
  EXPECT_FALSE(t.exists("alvo"));
}

TEST(Base64File, BadSourcesAndTargetsEndCleanly) {
  TempFolder t;
  t.dir("pasta");
  t.file("f", "abc");
  EXPECT_EQ(cmds::encode_file_base64(t.at("pasta"), t.at("alvo")), cmds::FileCodeResult::source_unreadable);
  EXPECT_FALSE(t.exists("alvo"));
  EXPECT_EQ(cmds::encode_file_base64(t.at("f"), t.at("pasta")), cmds::FileCodeResult::target_failed);
  EXPECT_EQ(cmds::encode_file_base64(t.at("f"), t.at("f")), cmds::FileCodeResult::same_file);
  EXPECT_EQ(cmds::decode_file_base64(t.at("f"), t.at("f")), cmds::FileCodeResult::same_file);
  EXPECT_EQ(t.read("f"), "abc");
  if (::access("/dev/full", W_OK) == 0) {
    t.file("b", "YWJj");
    EXPECT_EQ(cmds::decode_file_base64(t.at("b"), "/dev/full"), cmds::FileCodeResult::write_failed);
    EXPECT_EQ(cmds::encode_file_base64(t.at("f"), "/dev/full"), cmds::FileCodeResult::write_failed);
  }
}

}  // namespace
