// Readers, integer expressions and comparison keys.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

using rltest::Session;

struct ValueCase {
  const char* text;
  bool ok;
  const char* value;
  const char* remainder;
};

TEST(ReadValue, LexicalForms) {
  const ValueCase cases[] = {
      {"\"abc\"", true, "abc", ""},
      {"\"a\"\"b\"", true, "a\"b", ""},
      {"\"\"", true, "", ""},
      {"\"abc", true, "abc", ""},
      {"\"cmd /c dcc32 \"\"\"", true, "cmd /c dcc32 \"", ""},
      {"-12x", true, "-12", "x"},
      {"-", true, "-", ""},
      {"007 rest", true, "007", "rest"},
      {"x1", true, "X-content", "1"},
      {"(2+3*4)", true, "14", ""},
      {"(-(2-5))", true, "3", ""},
      {"(7/2)", true, "3", ""},
      {"(-7/2)", true, "-3", ""},
      {"(2*)", true, "2", ""},
      {"(2*+3)", true, "5", ""},
      {"(2**3)", false, "", ""},
      {"(2++3)", false, "", ""},
      {"(1/0)", false, "", ""},
      {"(2147483648/-1)", false, "", ""},
      {"(2147483647+1)", true, "-2147483648", ""},
      {"(2 3)", false, "", ""},
      {"(2", false, "", ""},
      {"()", false, "", ""},
      {"(a+1)", true, "42", ""},
      {"($a_b)", false, "", ""},
      {"\xE9", false, "", ""},
      {"#1", false, "", ""},
      {"[x]", false, "", ""},
      {"", false, "", ""},
  };
  for (const auto& c : cases) {
    Session s;
    s.in().vars['X' - 'A'] = "X-content";
    s.in().vars[0] = "41";
    std::string_view t = c.text;
    std::string v;
    bool ok = rl::read_value(s.in(), t, v);
    EXPECT_EQ(ok, c.ok) << c.text;
    if (ok && c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
      EXPECT_EQ(t, c.remainder) << c.text;
    }
  }
}

TEST(ReadValue, ExpressionVariableMustHoldANumber) {
  Session s;
  s.in().vars[0] = "abc";
  std::string_view t = "(a+1)";
  std::string v;
  EXPECT_FALSE(rl::read_value(s.in(), t, v));
}

TEST(ReadValue, DeepNestingFailsWithoutCrashing) {
  Session s;
  std::string text(100000, '(');
  text += "1";
  text += std::string(100000, ')');
  std::string_view t = text;
  std::string v;
  EXPECT_FALSE(rl::read_value(s.in(), t, v));
  std::string minus = "(" + std::string(100000, '-') + "1)";
  t = minus;
  EXPECT_FALSE(rl::read_value(s.in(), t, v));
}

TEST(VariableReference, LettersAndNames) {
  Session s;
  std::string_view t = "x1";
  EXPECT_LT(rl::read_var_ref(s.in(), t), 0);
  t = "ab";
  EXPECT_LT(rl::read_var_ref(s.in(), t), 0);
  t = "b  rest";
  EXPECT_EQ(rl::read_var_ref(s.in(), t), 1);
  EXPECT_EQ(t, "rest");
  std::string_view a = "$Nome", b = "$NOME", c = "$nome";
  int sa = rl::read_var_ref(s.in(), a);
  EXPECT_EQ(sa, rl::kLetterVars);
  EXPECT_EQ(rl::read_var_ref(s.in(), b), sa);
  EXPECT_EQ(rl::read_var_ref(s.in(), c), sa);
  t = "$";
  EXPECT_LT(rl::read_var_ref(s.in(), t), 0);
  t = "$a_1 x";
  EXPECT_EQ(rl::read_var_ref(s.in(), t), sa + 1);
  EXPECT_EQ(t, "x");
}

TEST(VariableReference, TheHundredAndSecondNameFailsAndOverwritesNothing) {
  Session s;
  for (int i = 0; i < rl::kNamedVars; ++i) {
    std::string line = "seja $v" + std::to_string(i) + " " + std::to_string(i);
    ASSERT_TRUE(rl::execute_statement(s.in(), line, false)) << line;
  }
  EXPECT_FALSE(rl::execute_statement(s.in(), "seja $extra 1", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "escreve $extra", false));
  for (int i = 0; i < rl::kNamedVars; ++i)
    EXPECT_EQ(s.var("$v" + std::to_string(i)), std::to_string(i));
}

TEST(FileNumber, Forms) {
  struct {
    const char* text;
    bool ok;
    int slot;
    const char* rest;
  } cases[] = {{"#3 nome", true, 3, "nome"}, {"  #0", true, 0, ""}, {"#12", false, 0, ""},
               {"#a", false, 0, ""},         {"3", false, 0, ""},   {"#", false, 0, ""}};
  for (const auto& c : cases) {
    std::string_view t = c.text;
    int slot = -1;
    EXPECT_EQ(rl::read_file_number(t, slot), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(slot, c.slot);
      EXPECT_EQ(t, c.rest);
    }
  }
}

TEST(IntegerConversion, Forms) {
  struct {
    const char* text;
    bool ok;
    int32_t v;
  } cases[] = {{"12", true, 12},          {"  -5", true, -5},     {"+7", true, 7},
               {"$1F", true, 31},         {"0x10", true, 16},     {"X10", true, 16},
               {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
               {"2147483648", false, 0},  {"12 ", false, 0},      {"", false, 0},
               {"-", false, 0},           {"1a", false, 0},       {"99999999999999999999", false, 0}};
  for (const auto& c : cases) {
    auto v = rl::to_int(c.text);
    EXPECT_EQ(v.has_value(), c.ok) << c.text;
    if (v && c.ok) {
      EXPECT_EQ(*v, c.v) << c.text;
    }
  }
}

// Each value has its own key: a digit-only text is padded with zeros even when the other
// value is not a number, so 9 sorts before 10a.
TEST(ComparisonKeys, NumbersByValueOthersAsFoldedText) {
  struct {
    const char* a;
    const char* b;
    int order;
  } cases[] = {{"9", "10", -1},    {"9", "10a", -1},      {"007", "7", 0},  {"abc", "ABC", 0},
               {"-5", "3", -1},    {"-5", "-3", 1},      {"", "0", -1},     {"\xE7", "\xC7", 0},
               {"ab", "abc", -1},  {"123456789012345678901", "23456789012345678901", 1}};
  for (const auto& c : cases) EXPECT_EQ(rl::compare_keys(c.a, c.b), c.order) << c.a << " vs " << c.b;
}

TEST(BracketedName, Forms) {
  std::string name;
  std::string_view t = "[lista] resto";
  EXPECT_TRUE(rl::read_bracketed_name(t, name));
  EXPECT_EQ(name, "lista");
  EXPECT_EQ(t, "resto");
  t = "[]x]";
  EXPECT_TRUE(rl::read_bracketed_name(t, name));
  EXPECT_EQ(name, "]x");
  t = "[aberto";
  EXPECT_FALSE(rl::read_bracketed_name(t, name));
  t = "[";
  EXPECT_FALSE(rl::read_bracketed_name(t, name));
}

}  // namespace
