// SEJA, the arithmetic and string commands, and LISTA.
#include <gtest/gtest.h>

#include <regex>

#include "fixture.h"

namespace {

using rltest::Session;

struct Case {
  const char* before;  // content of X before the statement
  const char* statement;
  bool ok;
  const char* after;  // content of X after it
};

void run_cases(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    Session s;
    s.in().vars['X' - 'A'] = c.before;
    s.in().vars['T' - 'A'] = "um   dois tres";
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(s.var("x"), c.after) << c.statement;
  }
}

TEST(Seja, ValuesAndFunctions) {
  run_cases({
      {"", "seja x 5", true, "5"},
      {"", "seja x = 5", true, "5"},
      {"", "seja x =", false, ""},
      {"", "seja x", false, ""},
      {"", "seja x \"a\" sobra", false, "a"},  // a plain value is stored, then the statement fails
      {"", "seja x \"data\"", true, "data"},
      {"", "seja x tamanho \"\"", true, "0"},
      {"", "seja x TAMANHO \"abc\"", true, "3"},
      {"", "seja x maiusc \"a\xE7\xE3o\xFF\"", true, "A\xC7\xC3O\xDF"},
      {"", "seja x trim \"  a b \"", true, "a b"},
      {"", "seja x pos \"\\\" \"c:\\a\\b\"", true, "3"},
      {"", "seja x pos \"z\" \"abc\"", true, "0"},
      {"", "seja x palavra 2 t", true, "dois"},
      {"", "seja x palavra 3 t", true, "tres"},
      {"", "seja x palavra 5 t", true, ""},
      {"", "seja x palavra 0 t", false, ""},
      {"", "seja x chr \"#65\"", true, "A"},
      {"", "seja x chr \"100#65\"", true, "A"},
      {"", "seja x chr \"#0#59\"", true, ""},
      {"", "seja x chr \"65\"", true, ""},
      {"", "seja x chr \"#321\"", true, "A"},
      {"", "seja x chr \"201#65\"", true, ""},
      {"", "seja x asc \"A\"", true, "#65"},
      {"", "seja x asc \"\"", true, ""},
      {"", "seja x asc \"AB\"", true, ""},
      {"old", "seja x tamanho \"abc\" sobra", false, "old"},  // a function with extra text stores nothing
      {"", "seja x rand 1", true, "0"},
      {"", "seja x rand \"a\"", false, ""},
      {"", "seja x params", true, "0"},
  });
}

TEST(Seja, PalavraTakesTheWholeWordOfALongText) {
  Session s;
  s.in().vars['T' - 'A'] = "a " + std::string(1500, 'b') + " c";
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja x palavra 1 t", false));
  EXPECT_EQ(s.var("x"), "a");
}

TEST(Seja, ClockKeywords) {
  Session s;
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja x DATA", false));
  EXPECT_TRUE(std::regex_match(s.var("x"), std::regex(R"(\d\d/\d\d/\d{4})"))) << s.var("x");
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja x hora", false));
  EXPECT_TRUE(std::regex_match(s.var("x"), std::regex(R"(\d\d:\d\d:\d\d)"))) << s.var("x");
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja x Dia", false));
  EXPECT_TRUE(std::regex_match(s.var("x"), std::regex("Domingo|Segunda|Ter\xE7""a|Quarta|Quinta|Sexta|S\xE1""bado")));
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja x tempo", false));
  auto t = rl::to_int(s.var("x"));
  ASSERT_TRUE(t.has_value());
  EXPECT_GE(*t, 0);
  EXPECT_LT(*t, 6000);  // taken at start, a moment ago
}

TEST(Seja, ParamsSkipTheFirstParameter) {
  Session s;
  s.in().params = {"script.cmd", "um", "dois"};
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja x params", false));
  EXPECT_EQ(s.var("x"), "2 um dois");
}

TEST(Seja, RandStaysInRange) {
  Session s;
  ASSERT_TRUE(rl::execute_statement(s.in(), "randomiza", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "randomiza 1", false));
  bool seen[5] = {};
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(rl::execute_statement(s.in(), "seja x rand 5", false));
    auto v = rl::to_int(s.var("x"));
    ASSERT_TRUE(v && *v >= 0 && *v < 5);
    seen[*v] = true;
  }
  for (bool b : seen) EXPECT_TRUE(b);
}

TEST(Arithmetic, InPlace) {
  run_cases({
      {"x-5", "soma x 1", true, "x-4"},
      {"12", "soma x 1", true, "13"},
      {"abc", "soma x 1", true, "abc1"},
      {"", "soma x 1", true, "1"},
      {"arq9", "soma x 1", true, "arq10"},
      {"5", "soma x -7 resto ignorado", true, "-2"},
      {"2147483647", "soma x 1", true, "-2147483648"},
      {"5", "soma x \"a\"", false, "5"},
      {"5", "soma x", false, "5"},
      {"", "subtrai x 1", false, ""},
      {"0", "subtrai x 1", true, "-1"},
      {"6", "multiplica x 7", true, "42"},
      {"-7", "divide x 2", true, "-3"},
      {"-7", "divide x 0", false, "-7"},
      {"-2147483648", "divide x -1", true, "-2147483648"},
      {"7", "subtrai x 1 sobra", false, "6"},  // stored, then the statement fails
      {"ab", "concatena x \"cd\"", true, "abcd"},
      {"ab", "concatena x \"cd\" e", false, "ab"},
  });
}

TEST(Arithmetic, DivisionByZeroIsSaid) {
  Session s;
  s.in().vars['X' - 'A'] = "4";
  EXPECT_FALSE(rl::execute_statement(s.in(), "divide x 0", false));
  EXPECT_EQ(s.screen(), "Divisão por zero");
  EXPECT_EQ(s.speech_log(), "text Divisão por zero\n");
}

TEST(StringCommands, CopyDeleteReplace) {
  Session s;
  struct {
    const char* source;
    const char* statement;
    const char* result;
  } cases[] = {
      {"abcde", "copia x s 2 3", "bc"},
      {"abcde", "copia x s 0 2", "abc"},
      {"abcde", "copia x s 4 2", ""},
      {"abcde", "copia x s 4 99", "de"},
      {"abcde", "copia x s 9 12", ""},
      {"abcde", "copia x s -3 1", "abcde"},  // start below 1 counts as 1, length kept
      {"abc", "deleta s 5 2", "abc"},
      {"abcdef", "deleta s 2 3", "aef"},
      {"abcdef", "deleta s 4 99", "abc"},
      {"abcdef", "deleta s 0 2", "abcdef"},
      {"abcdef", "deleta s 2 0", "abcdef"},
      {"c:\\scripts\\*.cmd", "substitui s \"*.cmd\" \"\"", "c:\\scripts\\"},
      {"ab", "substitui s \"\" \"-\"", "-a-b-"},
      {"aab", "substitui s \"ab\" \"b\"", "b"},
      {"Meu programa", "substitui s \" \" \"_\"", "Meu_programa"},
      {"aAa", "substitui s \"a\" \"o\"", "oAo"},
      {"xyz", "substitui s \"xyzw\" \"\"", "xyz"},
  };
  for (const auto& c : cases) {
    s.in().vars['S' - 'A'] = c.source;
    s.in().vars['X' - 'A'] = "old";
    ASSERT_TRUE(rl::execute_statement(s.in(), c.statement, false)) << c.statement;
    std::string got = std::string_view(c.statement).substr(0, 5) == "copia" ? s.var("x") : s.var("s");
    EXPECT_EQ(got, c.result) << c.statement;
  }
  s.in().vars['S' - 'A'] = "abc";
  EXPECT_TRUE(rl::execute_statement(s.in(), "copia s s 2 3", false));
  EXPECT_EQ(s.var("s"), "bc");
  EXPECT_FALSE(rl::execute_statement(s.in(), "copia x s 1 \"a\"", false));
}

TEST(StringCommands, ReplacementCannotGrowWithoutBound) {
  Session s;
  s.in().vars['S' - 'A'] = std::string(100, 'a');
  s.in().vars['R' - 'A'] = std::string(1 << 20, 'b');
  EXPECT_FALSE(rl::execute_statement(s.in(), "substitui s \"\" r", false));
  EXPECT_EQ(s.var("s").size(), 100u);  // the variable is left as it was
}

TEST(Lista, Verbs) {
  Session s;
  auto ok = [&](const char* st) { return rl::execute_statement(s.in(), st, false); };
  EXPECT_TRUE(ok("lista [nomes] cria"));
  EXPECT_TRUE(ok("lista [nomes] tamanho x"));
  EXPECT_EQ(s.var("x"), "0");
  EXPECT_TRUE(ok("lista [nomes] adiciona \"Ana\""));
  EXPECT_TRUE(ok("lista [nomes] adiciona \"Bia\""));
  EXPECT_TRUE(ok("lista [nomes] adiciona \"ana\""));
  EXPECT_TRUE(ok("lista [nomes] item 0 x"));
  EXPECT_EQ(s.var("x"), "Ana");
  EXPECT_FALSE(ok("lista [nomes] item 3 x"));
  EXPECT_EQ(s.var("x"), "Ana");
  EXPECT_FALSE(ok("lista [nomes] item -1 x"));
  EXPECT_TRUE(ok("lista [nomes] deleta \"ANA\""));  // the first, regardless of case
  EXPECT_TRUE(ok("lista [nomes] item 0 x"));
  EXPECT_EQ(s.var("x"), "Bia");
  EXPECT_TRUE(ok("lista [nomes] item 1 x"));
  EXPECT_EQ(s.var("x"), "ana");
  EXPECT_FALSE(ok("lista [nomes] deleta \"Zeca\""));
  EXPECT_FALSE(ok("lista [Nomes] tamanho x"));  // names keep their case
  EXPECT_FALSE(ok("lista [nomes] cria"));
  EXPECT_FALSE(ok("lista [nomes] criar"));
  EXPECT_FALSE(ok("lista [nomes] troca"));
  EXPECT_FALSE(ok("lista nomes cria"));
  EXPECT_TRUE(ok("lista [nomes] apaga"));
  EXPECT_FALSE(ok("lista [nomes] apaga"));
  EXPECT_EQ(s.screen(), "A lista especificada já existe");
}

TEST(Lista, TwentyListsAtMost) {
  Session s;
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(rl::execute_statement(s.in(), "lista [l" + std::to_string(i) + "] cria", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "lista [l20] cria", false));
  EXPECT_EQ(s.screen(), "Muitas listas no programa (máximo 20)");
  ASSERT_TRUE(rl::execute_statement(s.in(), "lista [l7] apaga", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "lista [l20] cria", false));
}

}  // namespace
