// Words to phoneme lines: aliases, tonic mark, rules, pauses and cross-word voicing.
#include "tts/uttsPortug.h"

#include "tts/uttsTonica.h"

namespace elzar {
namespace {

bool is_vowel(unsigned char c) {
  switch (rule_upper(c)) {
    case 'A': case 'E': case 'I': case 'O': case 'U':
    case 0xC0: case 0xC1: case 0xC2: case 0xC3:  // À Á Â Ã
    case 0xC9: case 0xCA:                        // É Ê
    case 0xCC: case 0xCD:                        // Ì Í
    case 0xD3: case 0xD4: case 0xD5:             // Ó Ô Õ
    case 0xD9: case 0xDA: case 0xDC:             // Ù Ú Ü
      return true;
    default:
      return false;
  }
}

bool is_consonant(unsigned char c) {
  unsigned char u = rule_upper(c);
  if (u == 0xC7 || u == 0xD1) return true;  // Ç Ñ
  return u >= 'B' && u <= 'Z' && u != 'E' && u != 'I' && u != 'O' && u != 'U';
}

bool is_back_vowel(unsigned char c) {
  unsigned char u = rule_upper(c);
  return u == 'A' || u == 'O' || u == 0xC1 || u == 0xC2 || u == 0xD3 || u == 0xD4;
}

bool is_front_vowel(unsigned char c) {
  unsigned char u = rule_upper(c);
  return u == 'E' || u == 'I' || u == 0xC9 || u == 0xCD;
}

bool is_one_of(unsigned char c, std::string_view set) {
  return set.find(static_cast<char>(rule_upper(c))) != std::string_view::npos;
}

unsigned char at(std::string_view w, long i) { return static_cast<unsigned char>(w[static_cast<size_t>(i)]); }

bool match_group(std::string_view word, size_t cursor, const std::string& match) {
  if (cursor + match.size() > word.size()) return false;
  for (size_t k = 0; k < match.size(); ++k)
    if (static_cast<unsigned char>(match[k]) != rule_upper(at(word, static_cast<long>(cursor + k))))
      return false;
  return true;
}

// Read from its last character to its first, stepping left from just before the group.
bool match_left(std::string_view word, long j, const std::string& context) {
  for (size_t k = context.size(); k-- > 0;) {
    char s = context[k];
    bool exists = j >= 0;
    switch (s) {
      case '#':
        if (!exists || !is_vowel(at(word, j))) return false;
        --j;
        break;
      case '%':
        if (exists) return false;
        break;
      case ']':
        if (!exists || !is_back_vowel(at(word, j))) return false;
        --j;
        break;
      case '_':
        if (exists) {
          if (!is_vowel(at(word, j))) return false;
          --j;
        }
        break;
      case '|':
        if (!exists || !is_one_of(at(word, j), "NRS")) return false;
        --j;
        break;
      default:
        if (!exists || static_cast<unsigned char>(s) != rule_upper(at(word, j))) return false;
        --j;
    }
  }
  return true;
}

// Read from first to last, stepping right from just after the group.
bool match_right(std::string_view word, long j, const std::string& context) {
  const long n = static_cast<long>(word.size());
  for (char s : context) {
    bool exists = j < n;
    switch (s) {
      case '#':
        if (!exists || !is_vowel(at(word, j))) return false;
        ++j;
        break;
      case '%':
        if (exists) return false;
        break;
      case '&':
        if (!exists || !is_one_of(at(word, j), "LMNRZ")) return false;
        ++j;
        break;
      case '*':
        if (!exists || !is_consonant(at(word, j)) || is_one_of(at(word, j), "LR")) return false;
        break;
      case '+':
        if (!exists || !is_front_vowel(at(word, j))) return false;
        ++j;
        break;
      case '[':
        if (exists && (!is_consonant(at(word, j)) || rule_upper(at(word, j)) == 'H')) return false;
        break;
      case '\\':
        if (exists && rule_upper(at(word, j)) == 'S') ++j;
        break;
      default:
        if (!exists || static_cast<unsigned char>(s) != rule_upper(at(word, j))) return false;
        ++j;
    }
  }
  return true;
}

const Rule* applicable_rule(const RuleTable& t, std::string_view word, size_t cursor) {
  const std::vector<Rule>* chain = rule_chain(t, at(word, static_cast<long>(cursor)));
  if (!chain) return nullptr;
  for (const Rule& r : *chain) {
    if (!match_group(word, cursor, r.match)) continue;
    if (!match_left(word, static_cast<long>(cursor) - 1, r.left)) continue;
    if (!match_right(word, static_cast<long>(cursor + r.match.size()), r.right)) continue;
    return &r;
  }
  return nullptr;
}

void add_pause(char first, std::vector<std::string>& out) {
  if (first != ' ') out.push_back(std::string("_") + first);
}

bool is_pause_character(char c) {
  return std::string_view(" !(),.:;?").find(c) != std::string_view::npos;
}

// The last phoneme of the word before a vowel-initial word: r2 becomes the tap, s2 voices.
void voice_across_words(std::vector<std::string>& lines) {
  for (size_t m = 3; m + 1 < lines.size(); ++m) {
    if (lines[m].empty() || lines[m][0] != ';') continue;
    std::string_view next = lines[m + 1];
    if (!next.empty() && next[0] == '>') next.remove_prefix(1);
    if (!next.empty() && next[0] == '\xA8') next.remove_prefix(1);
    if (next.empty() || std::string_view("aeiouwy").find(next[0]) == std::string_view::npos) continue;
    std::string& last = lines[m - 2];
    size_t mark = 0;
    while (mark < last.size() && (last[mark] == '>' || last[mark] == '\xA8')) ++mark;
    std::string_view symbol = std::string_view(last).substr(mark);
    if (symbol == "r2") last = last.substr(0, mark) + "r";
    else if (symbol == "s2") last = last.substr(0, mark) + "z";
  }
}

}  // namespace

bool load_language(Language& l, const std::string& nrl_path, const std::string& exc_path) {
  l.exceptions.entries.clear();
  if (!load_rules(l.rules, nrl_path)) return false;
  return load_exceptions(l.exceptions, exc_path);
}

void convert_word(const Language& l, std::string_view word, int tonic,
                  std::vector<std::string>& out) {
  bool tonic_used = tonic < 1;
  std::string current;
  size_t cursor = 0;
  while (cursor < word.size()) {
    const Rule* r = applicable_rule(l.rules, word, cursor);
    if (!r) {
      ++cursor;
      continue;
    }
    std::string_view output = std::string_view(r->output).substr(0, kRuleOutputUsed);
    for (char c : output) {
      if (!tonic_used && static_cast<long>(cursor) + 1 >= tonic) {
        current += '>';
        tonic_used = true;
      }
      if (c == '&') {
        out.push_back(current);
        current.clear();
      } else {
        current += c;
      }
    }
    if (!output.empty()) {
      out.push_back(current);
      current.clear();
    }
    cursor += r->match.size();
  }
  out.push_back(current);
}

std::vector<std::string> uttsPortug(const Language& l, const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    out.push_back(";" + line);
    std::string word = line.size() > 4 ? rule_upper_text(std::string_view(line).substr(4)) : "";
    if (word.empty()) {
      out.push_back("__");
      out.push_back("");
      continue;
    }
    if (is_pause_character(word[0])) {
      add_pause(word[0], out);
      continue;
    }
    alias_lookup(l.exceptions, word);
    int tonic = is_function_word(word) ? 0 : tonic_position(word);
    convert_word(l, word, tonic, out);
  }
  out.push_back("__");
  voice_across_words(out);
  return out;
}

}  // namespace elzar
