// Windows wildcard matching: `*`, `?`, the DOS forms of the dot, letter case in Windows-1252.
#include <gtest/gtest.h>

#include "commands/dirsearch.h"

namespace {

struct Case {
  const char* pattern;
  const char* name;
  bool match;
};

TEST(Wildcard, Table) {
  const Case cases[] = {
      {"*", "a.txt", true},
      {"*", "README", true},
      {"*", ".hidden", true},
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*.cmd", "tradex.cmd", true},
      {"*.cmd", "TRADEX.CMD", true},
      {"*.CMD", "tradex.cmd", true},
      {"*.cmd", "a.b.cmd", true},
      {"*.cmd", "a.cmd.bak", false},
      {"*.cmd", "cmd", false},
      {"*.cmd", ".cmd", true},
      {"*.", "README", true},
      {"*.", "a.txt", false},
      {"a*", "abc", true},
      {"a*", "bac", false},
      {"*c", "abc", true},
      {"a*c", "ac", true},
      {"a*c", "abxc", true},
      {"a*c", "abxd", false},
      {"a*b*c", "aXbYbZc", true},
      {"?", "a", true},
      {"?", "ab", false},
      {"?", "", false},
      {"a?", "ab", true},
      {"a?", "a", true},           // '?' at the end matches nothing too
      {"a??", "ab", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a?c", "a.c", false},       // '?' never takes a dot
      {"file?.txt", "file1.txt", true},
      {"file?.txt", "file.txt", true},  // nor before one
      {"file?.txt", "file12.txt", false},
      {"??.txt", "a.txt", true},
      {"*.?", "a.b", true},
      {"*.?", "a", true},          // a dot before a wildcard matches the end
      {"*.t?t", "notes.txt", true},
      {"a.txt", "A.TXT", true},
      {"a.txt", "a.txt.", false},
      {"a.txt.", "a.txt", true},   // a trailing dot matches the end of the name
      {"abc", "abcd", false},
      {"abcd", "abc", false},
      {"nome com brancos.txt", "NOME COM BRANCOS.TXT", true},
      {"*brancos*", "nome com brancos.txt", true},
      {"a\xE7\xE3o.txt", "A\xC7\xC3O.TXT", true},  // ção / ÇÃO
      {"\xE9*", "\xC9lan", true},                    // é / É
      {"\x9A*", "\x8A", true},                       // š / Š
      {"\xFF", "\x9F", true},                        // ÿ / Ÿ
      {"\xF7", "\xD7", false},                       // ÷ and × are not letters
      {"*", "", false},
      {"", "a", false},
      {"[a]", "a", false},                           // no character classes
      {"[a]", "[A]", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cmds::wildcard_match(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
}

TEST(Wildcard, ManyStarsStayFast) {
  std::string pattern(140, '*');
  pattern += "x";
  std::string name(255, 'a');
  EXPECT_FALSE(cmds::wildcard_match(pattern, name));
  name.back() = 'x';
  EXPECT_TRUE(cmds::wildcard_match(pattern, name));
}

TEST(Wildcard, SplitPattern) {
  using P = std::pair<std::string_view, std::string_view>;
  EXPECT_EQ(cmds::split_pattern("*.cmd"), (P{"", "*.cmd"}));
  EXPECT_EQ(cmds::split_pattern("c:\\scripts\\*.cmd"), (P{"c:\\scripts\\", "*.cmd"}));
  EXPECT_EQ(cmds::split_pattern("sub/*.txt"), (P{"sub/", "*.txt"}));
  EXPECT_EQ(cmds::split_pattern("c:*.cmd"), (P{"c:", "*.cmd"}));
  EXPECT_EQ(cmds::split_pattern("a\\b/c"), (P{"a\\b/", "c"}));
  EXPECT_EQ(cmds::split_pattern("sub\\"), (P{"sub\\", ""}));
}

}  // namespace
