// The encoding commands through the executor.
#include <gtest/gtest.h>

#include "../commands/temp_folder.h"
#include "fixture.h"

namespace {

using cmdtest::TempFolder;
using rltest::InFolder;
using rltest::Session;

struct Case {
  const char* before;
  const char* statement;
  bool ok;
  std::string after;
};

void run_cases(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    Session s;
    s.in().vars['X' - 'A'] = c.before;
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(s.var("x"), c.after) << c.statement;
    EXPECT_EQ(s.screen(), "") << c.statement;
  }
}

TEST(EncodingCommands, StringForms) {
  run_cases({
      {"abc", "codbase64 x", true, "YWJj"},
      {"ab", "CODBASE64 X", true, "YWI="},
      {"a", "codbase64 x", true, "YQ=="},
      {"", "codbase64 x", true, ""},
      {"YWJj", "decodbase64 x", true, "abc"},
      {"YW\r\nJj", "decodbase64 x", true, "abc"},
      {"YQ==YWJj", "decodbase64 x", true, "a"},
      {"caf\xE9 = 1", "adquoted x", true, "caf=E9 =3D 1"},
      {"caf=e9=", "removequoted x", true, "caf\xE9"},
      {"a=4", "removequoted x", true, "a=4"},
      {"a b/~", "http x", true, "a%20b%2F~"},
      {"a\xE7\xE3o", "ansiparautf8 x", true, "a\xC3\xA7\xC3\xA3o"},
      {"a\xC3\xA7\xC3\xA3o", "utf8paraansi x", true, "a\xE7\xE3o"},
      {"a\xE7\xE3o", "utf8paraansi x", true, ""},  // not UTF-8: empty
      {"\xE2\x82\xAC \xC4\x81", "utf8paraansi x", true, "\x80 ?"},
      {"abc", "codbase64 x sobra \"ignorada\"", true, "YWJj"},  // text after is ignored
      {"abc", "codbase64", false, "abc"},
      {"abc", "codbase64 \"x\"", false, "abc"},
      {"abc", "http xy", false, "abc"},
      {"abc", "adquoted 1", false, "abc"},
  });
}

TEST(EncodingCommands, NamedVariables) {
  Session s;
  s.in().vars['A' - 'A'] = "nada";
  EXPECT_TRUE(rl::execute_statement(s.in(), "seja $Texto \"Ol\xE1\"", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "codbase64 $texto", false));
  EXPECT_EQ(s.var("$TEXTO"), "T2zh");
  EXPECT_TRUE(rl::execute_statement(s.in(), "decodbase64 $TEXTO", false));
  EXPECT_EQ(s.var("$texto"), "Ol\xE1");
}


bool run(Session& s, const std::string& statement) { return rl::execute_statement(s.in(), statement, false); }

TEST(EncodingCommands, FileForms) {
  InFolder f;
  Session s;
  const std::string data = cmdtest::pattern_bytes(49);
  f.t.file("dados.bin", data);
  EXPECT_TRUE(run(s, "codarqbase64 \"dados.bin\" \"dados.b64\""));
  const std::string text = f.t.read("dados.b64");
  ASSERT_EQ(text.size(), 72u);
  EXPECT_EQ(text.substr(64, 2), "\r\n");
  EXPECT_EQ(text.substr(68), "==\r\n");
  EXPECT_TRUE(run(s, "decodarqbase64 \"DADOS.B64\" \"volta.bin\" sobra"));  // text after is ignored
  EXPECT_EQ(f.t.read("volta.bin"), data);
  EXPECT_EQ(s.screen(), "");
}

TEST(EncodingCommands, FileFailures) {
  InFolder f;
  Session s;
  f.t.file("a", "abc");
  EXPECT_FALSE(run(s, "codarqbase64 \"nada\" \"alvo\""));
  EXPECT_FALSE(f.t.exists("alvo"));
  EXPECT_FALSE(run(s, "decodarqbase64 \"nada\" \"alvo\""));
  EXPECT_FALSE(f.t.exists("alvo"));
  EXPECT_FALSE(run(s, "codarqbase64 \"a\""));
  EXPECT_FALSE(run(s, "codarqbase64"));
  EXPECT_FALSE(run(s, "codarqbase64 \"a\" \"a\""));  // onto itself: refused
  EXPECT_EQ(f.t.read("a"), "abc");
  f.t.dir("pasta");
  EXPECT_FALSE(run(s, "codarqbase64 \"a\" \"pasta\""));
  EXPECT_FALSE(run(s, "codarqbase64 \"pasta\" \"b\""));
  EXPECT_FALSE(f.t.exists("b"));
  EXPECT_EQ(s.screen(), "");
}

}  // namespace
