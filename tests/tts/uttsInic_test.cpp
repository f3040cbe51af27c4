// The rule loader: fields and their capacities, missing and doubled delimiters, chains.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tts/uttsInic.h"

namespace {

using elzar::Rule;
using elzar::RuleTable;

struct LineCase {
  const char* line;
  bool is_rule;
  const char* left;
  const char* match;
  const char* right;
  const char* output;
};

TEST(G2pRules, FieldsOfALine) {
  const LineCase cases[] = {
      {"#(CH)A=x|", true, "#", "CH", "A", "x"},
      {"(A)=a&y", true, "", "A", "", "a&y"},             // no closing bar
      {"(A)=x|y|z", true, "", "A", "", "x"},             // output stops at the first bar
      {"(A)b", true, "", "A", "b", ""},                  // no '=': right runs to the end
      {"(A=b|", true, "", "A=b|", "", ""},               // no ')': match runs to the end
      {"((A))==x||", true, "", "(A", ")", "=x"},         // doubled delimiters
      {"K(B)T=|", true, "K", "B", "T", ""},              // empty output
      {"|(R)=rr|", true, "|", "R", "", "rr"},            // a bar as left context
      {"ABCDEFG(HIJKLMN)OPQRSTU=abcdefghijklmnopqrstuvwxyz|", true, "ABCDE", "HIJKL", "OPQRS",
       "abcdefghijklmnopqrst"},                          // cut to 5/5/5/20
      {"abc", false, "", "", "", ""},                    // no '(': no match, no rule
      {"()=x|", false, "", "", "", ""},                  // empty match
      {"(\tA)=x|", false, "", "", "", ""},               // below code 32: no chain
      {"; (A)=x|", false, "", "", "", ""},               // comment
      {"", false, "", "", "", ""},
  };
  for (const LineCase& c : cases) {
    Rule r;
    ASSERT_EQ(elzar::parse_rule_line(c.line, r), c.is_rule) << c.line;
    if (!c.is_rule) continue;
    EXPECT_EQ(r.left, c.left) << c.line;
    EXPECT_EQ(r.match, c.match) << c.line;
    EXPECT_EQ(r.right, c.right) << c.line;
    EXPECT_EQ(r.output, c.output) << c.line;
  }
}

TEST(G2pRules, ChainsByFirstMatchCharacterInFileOrder) {
  RuleTable t;
  elzar::parse_rules(t, "; rules\r\n(A)%=@|\r\n\r\n(B)=b|\n(AN)[=am|\n(A)=a|\n(\xFF)=y|\n(\x1F)=q|");
  const auto* a = elzar::rule_chain(t, 'A');
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->size(), 3u);
  EXPECT_EQ((*a)[0].output, "@");  // the CR of the line end is not part of the output
  EXPECT_EQ((*a)[1].match, "AN");
  EXPECT_EQ((*a)[2].output, "a");
  EXPECT_EQ(elzar::rule_chain(t, 'B')->size(), 1u);
  EXPECT_EQ(elzar::rule_chain(t, 0xFF)->size(), 1u);
  EXPECT_EQ(elzar::rule_chain(t, 0x1F), nullptr);
  EXPECT_EQ(elzar::rule_chain(t, 0), nullptr);
  size_t total = 0;
  for (const auto& chain : t.chains) total += chain.size();
  EXPECT_EQ(total, 5u);
}

TEST(G2pRules, LoadingReplacesAndAMissingFileFails) {
  std::string dir = (std::filesystem::temp_directory_path() / "elzar-nrl-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  std::string file = dir + "/portug.nrl";
  std::ofstream(file, std::ios::binary) << "(A)=a|\n(C)=k|\n";
  RuleTable t;
  elzar::parse_rules(t, "(B)=b|\n");
  ASSERT_TRUE(elzar::load_rules(t, file));
  EXPECT_TRUE(elzar::rule_chain(t, 'B')->empty());
  EXPECT_EQ(elzar::rule_chain(t, 'A')->size(), 1u);
  EXPECT_FALSE(elzar::load_rules(t, dir + "/none.nrl"));
  EXPECT_TRUE(elzar::rule_chain(t, 'A')->empty());  // emptied before the open
  elzar::parse_rules(t, "(A)=a|\n");
  elzar::free_rules(t);
  EXPECT_TRUE(elzar::rule_chain(t, 'A')->empty());
  std::filesystem::remove_all(dir);
}

TEST(G2pRules, HostileLinesKeepTheirBounds) {
  RuleTable t;
  std::string bytes = std::string(100000, '(') + "\n" + std::string(100000, ')') + "\n" +
                      "(" + std::string(100000, 'A') + ")" + std::string(100000, '=') + "\n";
  for (int b = 0; b < 256; ++b) bytes += std::string("(") + static_cast<char>(b) + ")=x|\n";
  elzar::parse_rules(t, bytes);
  for (const auto& chain : t.chains)
    for (const Rule& r : chain) {
      EXPECT_LE(r.left.size(), elzar::kRuleContextMax);
      EXPECT_LE(r.match.size(), elzar::kRuleMatchMax);
      EXPECT_LE(r.right.size(), elzar::kRuleContextMax);
      EXPECT_LE(r.output.size(), elzar::kRuleOutputStored);
      EXPECT_FALSE(r.match.empty());
    }
  ASSERT_EQ(elzar::rule_chain(t, 'A')->size(), 2u);
  EXPECT_EQ(elzar::rule_chain(t, 'A')->front().match, "AAAAA");
  EXPECT_EQ(elzar::rule_chain(t, 'A')->front().output, std::string(20, '='));
  EXPECT_EQ(elzar::rule_chain(t, '(')->front().match, "(((((");
  EXPECT_EQ(elzar::rule_chain(t, 0x1F), nullptr);
}

}  // namespace
