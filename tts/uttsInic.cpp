// Letter-to-sound rules of portug.nrl: five short fields, chained by first match letter.
#include "tts/uttsInic.h"

#include <fstream>
#include <iterator>

namespace elzar {
namespace {

// The text of s from `from` up to the delimiter, or to the end of the line when it is missing
// (then every later field is empty). `from` moves past the delimiter.
std::string_view take_field(std::string_view s, size_t& from, char delimiter, bool& missing) {
  if (missing || from > s.size()) {
    missing = true;
    return {};
  }
  size_t at = s.find(delimiter, from);
  std::string_view field;
  if (at == std::string_view::npos) {
    field = s.substr(from);
    from = s.size();
    missing = true;
  } else {
    field = s.substr(from, at - from);
    from = at + 1;
  }
  return field;
}

std::string cut(std::string_view s, size_t capacity) {
  return std::string(s.substr(0, capacity));
}

}  // namespace

unsigned char rule_upper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224) return static_cast<unsigned char>(c - 32);
  return c;
}

std::string rule_upper_text(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(rule_upper(static_cast<unsigned char>(c)));
  return out;
}

bool parse_rule_line(std::string_view line, Rule& out) {
  if (line.empty() || line[0] == ';') return false;
  size_t from = 0;
  bool missing = false;
  std::string_view left = take_field(line, from, '(', missing);
  std::string_view match = take_field(line, from, ')', missing);
  std::string_view right = take_field(line, from, '=', missing);
  std::string_view output = take_field(line, from, '|', missing);
  out.left = cut(left, kRuleContextMax);
  out.match = cut(match, kRuleMatchMax);
  out.right = cut(right, kRuleContextMax);
  out.output = cut(output, kRuleOutputStored);
  // An empty match would convert no letter and never move the cursor; a match below code 32
  // has no chain.
  return !out.match.empty() && static_cast<unsigned char>(out.match[0]) >= kFirstChainCode;
}

void parse_rules(RuleTable& t, std::string_view file_bytes) {
  free_rules(t);
  size_t start = 0;
  while (start < file_bytes.size()) {
    size_t end = file_bytes.find('\n', start);
    if (end == std::string_view::npos) end = file_bytes.size();
    std::string_view line = file_bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Rule r;
    if (!parse_rule_line(line, r)) continue;
    t.chains[static_cast<unsigned char>(r.match[0]) - kFirstChainCode].push_back(std::move(r));
  }
}

bool load_rules(RuleTable& t, const std::string& host_path) {
  free_rules(t);
  std::ifstream f(host_path, std::ios::binary);
  if (!f) return false;
  std::string bytes((std::istreambuf_iterator<char>(f)), {});
  parse_rules(t, bytes);
  return true;
}

void free_rules(RuleTable& t) {
  for (auto& chain : t.chains) std::vector<Rule>().swap(chain);
}

const std::vector<Rule>* rule_chain(const RuleTable& t, unsigned char c) {
  if (c < kFirstChainCode) return nullptr;
  return &t.chains[c - kFirstChainCode];
}

}  // namespace elzar
