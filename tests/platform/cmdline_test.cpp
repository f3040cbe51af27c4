// Command-line words, cmd's redirections and its quoted-line rule.
#include "platform/cmdline.h"

#include <gtest/gtest.h>

namespace {

using plat::RedirectKind;

TEST(SplitWords, QuotesGroupAndAreRemoved) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
    bool unbalanced;
  };
  const Case cases[] = {
      {"", {}, false},
      {"  a   b\tc ", {"a", "b", "c"}, false},
      {"-c \"echo feito > x\"", {"-c", "echo feito > x"}, false},
      {"a\"b c\"d e", {"ab cd", "e"}, false},
      {"\"\" x", {"", "x"}, false},
      {"\"a\"\"b\"", {"a\"b"}, false},
      {"c:\\dir\\x.dpr \"c:\\my dir\\\"", {"c:\\dir\\x.dpr", "c:\\my dir\\"}, false},
      {"a \"open end", {"a", "open end"}, true},
  };
  for (const auto& c : cases) {
    auto r = plat::split_words(c.line);
    EXPECT_EQ(r.words, c.words) << c.line;
    EXPECT_EQ(r.unbalanced, c.unbalanced) << c.line;
  }
}

TEST(JoinWords, SplitsBackToTheSameWords) {
  const std::vector<std::vector<std::string>> lists = {
      {"dcc32", "Meu programa.dpr", ">>comp.log", "2>&1"},
      {"a\"b", "", "tab\there", "plain"},
  };
  for (const auto& words : lists) EXPECT_EQ(plat::split_words(plat::join_words(words)).words, words);
  EXPECT_EQ(plat::join_words({"dcc32", "x y.dpr", ">>comp.log"}), "dcc32 \"x y.dpr\" >>comp.log");
  // Words of a command line whose quotes were taken off by an earlier split.
  auto p = plat::parse_command(plat::join_words({"prog", ">>meus logs/a.log", "2>erros do dia", "<x y", "2>&1"}));
  ASSERT_EQ(p.error, plat::ParseError::none);
  EXPECT_EQ(p.command.words, std::vector<std::string>{"prog"});
  ASSERT_EQ(p.command.redirects.size(), 4u);
  EXPECT_EQ(p.command.redirects[0].target, "meus logs/a.log");
  EXPECT_EQ(p.command.redirects[1].target, "erros do dia");
  EXPECT_EQ(p.command.redirects[2].target, "x y");
  EXPECT_EQ(p.command.redirects[3].kind, plat::RedirectKind::duplicate);
}

struct R {
  int fd;
  RedirectKind kind;
  std::string target;
  int to_fd;
};

TEST(ParseCommand, WordsAndRedirectionsInOrder) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
    std::vector<R> redirects;
  };
  const Case cases[] = {
      {"dcc32 \"x.dpr\" >>comp.log 2>&1",
       {"dcc32", "x.dpr"},
       {{1, RedirectKind::append, "comp.log", -1}, {2, RedirectKind::duplicate, "", 1}}},
      {"prog >out.txt <in.txt", {"prog"}, {{1, RedirectKind::write, "out.txt", -1}, {0, RedirectKind::read, "in.txt", -1}}},
      {"prog 2> \"erros do dia.txt\" 1>o", {"prog"},
       {{2, RedirectKind::write, "erros do dia.txt", -1}, {1, RedirectKind::write, "o", -1}}},
      {"prog 2>&1 >o", {"prog"}, {{2, RedirectKind::duplicate, "", 1}, {1, RedirectKind::write, "o", -1}}},
      {"echo a>b", {"echo", "a"}, {{1, RedirectKind::write, "b", -1}}},
      {"echo a2>b", {"echo", "a2"}, {{1, RedirectKind::write, "b", -1}}},
      {"echo 2 > b", {"echo", "2"}, {{1, RedirectKind::write, "b", -1}}},
      {"echo \"a > b\" ^> c^&d", {"echo", "a > b", ">", "c&d"}, {}},
      {"prog >>\"a\"\"b\"", {"prog"}, {{1, RedirectKind::append, "a\"b", -1}}},
  };
  for (const auto& c : cases) {
    auto p = plat::parse_command(c.line);
    ASSERT_EQ(p.error, plat::ParseError::none) << c.line;
    EXPECT_EQ(p.command.words, c.words) << c.line;
    ASSERT_EQ(p.command.redirects.size(), c.redirects.size()) << c.line;
    for (size_t i = 0; i < c.redirects.size(); ++i) {
      const auto& got = p.command.redirects[i];
      const auto& want = c.redirects[i];
      EXPECT_EQ(got.fd, want.fd) << c.line;
      EXPECT_EQ(got.kind, want.kind) << c.line;
      EXPECT_EQ(got.target, want.target) << c.line;
      EXPECT_EQ(got.to_fd, want.to_fd) << c.line;
    }
  }
}

TEST(ParseCommand, RefusesWhatItCannotRunFaithfully) {
  struct Case {
    const char* line;
    plat::ParseError error;
    const char* detail;
  };
  const Case cases[] = {
      {"echo \"abc >x", plat::ParseError::unbalanced_quotes, "\""},
      {"prog >\"open", plat::ParseError::unbalanced_quotes, "\""},
      {"a | b", plat::ParseError::unsupported_operator, "|"},
      {"a || b", plat::ParseError::unsupported_operator, "||"},
      {"a && b", plat::ParseError::unsupported_operator, "&&"},
      {"a & b", plat::ParseError::unsupported_operator, "&"},
      {"prog >", plat::ParseError::missing_target, ">"},
      {"prog > >x", plat::ParseError::missing_target, ">"},
      {"prog 2>&", plat::ParseError::missing_target, ">"},
      {"prog <", plat::ParseError::missing_target, "<"},
  };
  for (const auto& c : cases) {
    auto p = plat::parse_command(c.line);
    EXPECT_EQ(p.error, c.error) << c.line;
    EXPECT_EQ(p.detail, c.detail) << c.line;
    EXPECT_TRUE(p.command.words.empty() && p.command.redirects.empty()) << c.line;
  }
}

TEST(StripLineQuotes, KeepsOneQuotedProgramNameElseDropsFirstAndLast) {
  auto is_program = [](const std::string& n) { return n == "meu prog"; };
  EXPECT_EQ(plat::strip_line_quotes("dcc32 \"x.dpr\"", is_program), "dcc32 \"x.dpr\"");
  EXPECT_EQ(plat::strip_line_quotes("\"dcc32 x.dpr >>comp.log 2>&1\"", is_program), "dcc32 x.dpr >>comp.log 2>&1");
  EXPECT_EQ(plat::strip_line_quotes("\"meu prog\"", is_program), "\"meu prog\"");
  EXPECT_EQ(plat::strip_line_quotes("\"outro prog\"", is_program), "outro prog");
  EXPECT_EQ(plat::strip_line_quotes("\"\"meu prog\" a >x\"", is_program), "\"meu prog\" a >x");
  EXPECT_EQ(plat::strip_line_quotes("\"a\" b", is_program), "a b");
  EXPECT_EQ(plat::strip_line_quotes("\"sem fim", is_program), "sem fim");
}

}  // namespace
