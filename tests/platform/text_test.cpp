#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

struct ScriptCase {
  const char* what;
  std::string bytes;
  std::string text;
  bool converted;
  int lost_line;
};

TEST(ScriptText, Utf8FilesReadAsWindows1252AndOthersStayAsTheyAre) {
  const ScriptCase cases[] = {
      {"ASCII", "escreve \"oi\"\r\n", "escreve \"oi\"\r\n", false, 0},
      {"UTF-8", "escreve \"a\xC3\xA7\xC3\xA3o\"\r\n", "escreve \"a\xE7\xE3o\"\r\n", true, 0},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" "escreve \"\xE2\x82\xAC\"", "escreve \"\x80\"", true, 0},
      {"only the mark and ASCII", "\xEF\xBB\xBFx\n", "x\n", true, 0},
      {"Windows-1252", "escreve \"a\xE7\xE3o\"\r\n", "escreve \"a\xE7\xE3o\"\r\n", false, 0},
      {"one bad sequence", "\xC3\xA7 \xC3(\n", "\xC3\xA7 \xC3(\n", false, 0},
      {"a mark then a bad byte", "\xEF\xBB\xBF\xE7\n", "\xEF\xBB\xBF\xE7\n", false, 0},
      {"overlong form", "\xC0\xAF", "\xC0\xAF", false, 0},
      {"cut at the end", "\xC3\xA7\xE2\x82", "\xC3\xA7\xE2\x82", false, 0},
      {"a character the code page lacks", "a\n\xC3\xA9\nb \xE6\x97\xA5?\n\xE6\x97\xA5",
       "a\n\xE9\nb ??\n?", true, 3},
  };
  for (const ScriptCase& c : cases) {
    plat::ScriptText t = plat::script_text_to_cp1252(c.bytes);
    EXPECT_EQ(t.text, c.text) << c.what;
    EXPECT_EQ(t.converted, c.converted) << c.what;
    EXPECT_EQ(t.first_lost_line, c.lost_line) << c.what;
  }
}

TEST(ScriptText, EveryByteAloneIsKept) {
  for (int b = 0x80; b < 0x100; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(plat::script_text_to_cp1252("x" + one + "y").text, "x" + one + "y") << b;
  }
}

}  // namespace
