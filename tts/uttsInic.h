// Letter-to-sound rules of portug.nrl: five short fields, chained by first match letter.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace elzar {

inline constexpr size_t kRuleContextMax = 5;
inline constexpr size_t kRuleMatchMax = 5;
inline constexpr size_t kRuleOutputStored = 20;
inline constexpr size_t kRuleOutputUsed = 11;
inline constexpr int kFirstChainCode = 32;
inline constexpr int kChains = 224;  // codes 32-255

struct Rule {
  std::string left, match, right, output;
};

struct RuleTable {
  std::array<std::vector<Rule>, kChains> chains;  // each in file order
};

// Empties every chain, then reads the file; false when it cannot be opened.
bool load_rules(RuleTable& t, const std::string& host_path);
void free_rules(RuleTable& t);
// The chain of a character, or null below code 32.
const std::vector<Rule>* rule_chain(const RuleTable& t, unsigned char c);

// One rule line; false when it holds no rule (comment, empty, or a match with no chain).
bool parse_rule_line(std::string_view line, Rule& out);
// Empties every chain, then reads the rule lines of a whole file's bytes.
void parse_rules(RuleTable& t, std::string_view file_bytes);

// The family's upper-case folding: a-z and every byte 224-255 lowered by 32.
unsigned char rule_upper(unsigned char c);
std::string rule_upper_text(std::string_view s);

}  // namespace elzar
