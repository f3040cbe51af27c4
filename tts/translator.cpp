// Translator: Portuguese text to the phonetic text the built-in diphone voice speaks.
#include "tts/translator.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tts {
namespace {

bool is_vowel(char c) {
  switch (c) {
    case 'A': case 'E': case 'I': case 'O': case 'U':
    case 'a': case 'e': case 'i': case 'o': case 'u':
      return true;
    default:
      return false;
  }
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool is_consonant(char c) {
  char u = upper(c);
  return u >= 'B' && u <= 'Z' && !is_vowel(u);
}
bool is_letter(char c) { return is_vowel(c) || is_consonant(c); }
bool is_accent(char c) { return c == '"' || c == '\'' || c == '^' || c == '`' || c == '~'; }
bool is_word_char(char c) { return is_letter(c) || is_accent(c); }
bool is_punctuation(char c) {
  return c == ' ' || c == '!' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
}
bool is_back_vowel(char c) { char u = upper(c); return u == 'A' || u == 'O'; }
bool is_front_vowel(char c) { char u = upper(c); return u == 'E' || u == 'I'; }
bool is_g_or_q(char c) { return c == 'g' || c == 'q'; }
bool is_one_of(char c, std::string_view set) { return set.find(lower(c)) != std::string_view::npos; }

// Codes 128-255; nullptr marks an unmapped code.
const char* map_high(unsigned char c) {
  switch (c) {
    case 192: case 224: case 133: return "a`";
    case 193: case 225: case 143: case 134: case 160: return "a'";
    case 194: case 226: case 131: return "a^";
    case 195: case 196: case 227: case 228: case 132: case 142: return "a~";
    case 197: case 229: return "a";
    case 198: case 230: case 145: return "ae";
    case 199: case 231: case 128: case 135: return "ss";
    case 200: case 232: case 138: return "e`";
    case 201: case 233: case 130: case 144: return "e'";
    case 202: case 234: case 136: return "e^";
    case 203: case 235: case 137: return "e\"";
    case 204: case 236: case 141: return "i`";
    case 205: case 237: case 161: return "i'";
    case 206: case 238: case 140: return "i^";
    case 207: case 239: case 139: return "i\"";
    case 209: case 241: case 164: case 165: return "nh";
    case 210: case 214: case 242: case 246: case 149: return "o`";
    case 211: case 243: case 162: return "o'";
    case 212: case 244: case 147: return "o^";
    case 213: case 245: case 148: case 153: return "o~";
    case 215: case 247: return "x";
    case 216: case 248: return "0";
    case 217: case 249: case 151: return "u`";
    case 218: case 250: case 163: return "u'";
    case 219: case 251: case 150: return "u^";
    case 220: case 252: return "u";
    case 129: case 154: return "u\"";
    case 146: return "-";
    case 152: return "y-";
    case 167: return "\xA7";
    case 168: case 191: return "?";
    case 171: return "\xAA";
    case 173: return "!";
    case 174: case 175: return "\"";
    case 187: return "\xBA";
    default: return nullptr;
  }
}

std::string read_file(const std::string& host_path, bool& ok) {
  std::ifstream f(host_path, std::ios::binary);
  ok = static_cast<bool>(f);
  if (!ok) return {};
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Calls each(line) for every line of the bytes, without its CR LF or LF ending.
template <typename F>
void for_each_line(std::string_view bytes, F each) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    each(line);
    start = next;
  }
}

std::string cut(std::string_view s, size_t max) { return std::string(s.substr(0, max)); }

// Left context, read from its last symbol to its first, stepping left from before the group.
bool left_matches(std::string_view ctx, std::string_view w, int cur) {
  for (int k = static_cast<int>(ctx.size()) - 1; k >= 0; --k) {
    char s = ctx[k];
    bool here = cur >= 0;
    char c = here ? w[cur] : '\0';
    switch (s) {
      case '#':
        if (!here || !(is_vowel(c) || is_accent(c))) return false;
        while (cur >= 0 && (is_vowel(w[cur]) || is_accent(w[cur]))) --cur;
        break;
      case '%':
        if (here) return false;
        break;
      case ']':
        if (here && is_back_vowel(c)) cur -= 1;
        else if (here && is_accent(c) && cur >= 1 && is_back_vowel(w[cur - 1])) cur -= 2;
        else return false;
        break;
      case '_':
        if (!here) break;
        if (is_vowel(c)) cur -= 1;
        else if (is_accent(c) && cur >= 1 && is_vowel(w[cur - 1])) cur -= 2;
        else return false;
        break;
      case '|':
        if (!here || !is_one_of(c, "nrs")) return false;
        --cur;
        break;
      default:
        if (!here || upper(c) != upper(s)) return false;
        --cur;
    }
  }
  return true;
}

// Right context, read from its first symbol, stepping right from after the group.
bool right_matches(std::string_view ctx, std::string_view w, size_t cur) {
  const size_t n = w.size();
  for (char s : ctx) {
    bool here = cur < n;
    char c = here ? w[cur] : '\0';
    switch (s) {
      case '#':
        if (!here || !(is_vowel(c) || is_accent(c))) return false;
        while (cur < n && (is_vowel(w[cur]) || is_accent(w[cur]))) ++cur;
        break;
      case '%':
        if (here) return false;
        break;
      case '&':
        if (!here || !is_one_of(c, "lmnrz")) return false;
        ++cur;
        break;
      case '*':
        if (!here || !is_consonant(c) || is_one_of(c, "rl")) return false;
        break;
      case '+':
        if (!here || !is_front_vowel(c)) return false;
        ++cur;
        if (cur < n && is_accent(w[cur])) ++cur;
        break;
      case '[':
        if (here && !(is_consonant(c) && lower(c) != 'h')) return false;
        break;
      case '\\':
        if (here && lower(c) == 's') ++cur;
        break;
      default:
        if (!here || upper(c) != upper(s)) return false;
        ++cur;
    }
  }
  return true;
}

bool rule_applies(const Rule& r, std::string_view w, size_t pos) {
  if (pos + r.match.size() > w.size()) return false;
  for (size_t i = 0; i < r.match.size(); ++i)
    if (upper(w[pos + i]) != upper(r.match[i])) return false;
  return left_matches(r.left, w, static_cast<int>(pos) - 1) &&
         right_matches(r.right, w, pos + r.match.size());
}

void count_word(Word& w) {
  w.vowels = 0;
  w.explicit_accent = false;
  for (size_t i = 0; i < w.text.size(); ++i) {
    char c = w.text[i];
    if (is_vowel(c)) ++w.vowels;
    if (i > 0 && is_accent(c) && c != '"') w.explicit_accent = true;
  }
}

const Alias* find_alias(const Translator& t, std::string_view word) {
  auto it = std::lower_bound(t.aliases.begin(), t.aliases.end(), word,
                             [](const Alias& a, std::string_view w) { return a.word < w; });
  return (it != t.aliases.end() && it->word == word) ? &*it : nullptr;
}

}  // namespace

void parse_rules(Translator& t, std::string_view file_bytes) {
  for_each_line(file_bytes, [&](std::string_view line) {
    if (line.empty()) return;
    // Each field runs to its delimiter, or to the line end leaving the later ones empty.
    static constexpr char kEnd[] = {'(', ')', '=', '|'};
    std::string_view fields[4];
    size_t at = 0;
    for (int f = 0; f < 4 && at <= line.size(); ++f) {
      size_t end = line.find(kEnd[f], at);
      if (end == std::string_view::npos) {
        fields[f] = line.substr(at);
        break;
      }
      fields[f] = line.substr(at, end - at);
      at = end + 1;
    }
    Rule r{cut(fields[0], kRuleContextMax), cut(fields[1], kRuleMatchMax),
           cut(fields[2], kRuleContextMax), cut(fields[3], kRuleOutputMax)};
    if (r.match.empty()) return;
    int first = static_cast<unsigned char>(r.match[0]);
    if (first < kRuleChainFirst || first >= kRuleChainFirst + kRuleChains) return;
    int chain = first - kRuleChainFirst;
    if (!t.chains[chain].empty()) chain = t.last_chain;
    t.chains[chain].push_back(std::move(r));
    t.last_chain = chain;
  });
}

bool load_rules(Translator& t, const std::string& host_path) {
  release_rules(t);
  bool ok = false;
  std::string bytes = read_file(host_path, ok);
  if (ok) parse_rules(t, bytes);
  return ok;
}

void release_rules(Translator& t) {
  for (auto& c : t.chains) c.clear();
  t.last_chain = -1;
}

void parse_aliases(Translator& t, std::string_view file_bytes) {
  t.aliases.clear();
  size_t start = 0;
  while (start < file_bytes.size() && t.aliases.size() < kAliasMax) {
    size_t end = file_bytes.find('\n', start);
    if (end == std::string_view::npos) end = file_bytes.size();
    std::string_view line = file_bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = line.substr(0, kAliasLineMax);
    if (line.empty()) continue;
    std::string s(line);
    s += "|=|";
    size_t eq = s.find('=');
    size_t bar = s.find('|', eq + 1);
    t.aliases.push_back({s.substr(0, eq), s.substr(eq + 1, bar - eq - 1)});
  }
  std::stable_sort(t.aliases.begin(), t.aliases.end(),
                   [](const Alias& a, const Alias& b) { return a.word < b.word; });
}

bool load_aliases(Translator& t, const std::string& host_path) {
  t.aliases.clear();
  bool ok = false;
  std::string bytes = read_file(host_path, ok);
  if (ok) parse_aliases(t, bytes);
  return ok;
}

VoiceFiles load_voice_files(Translator& t, const std::string& voice_dir) {
  std::string dir = voice_dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  if (!load_rules(t, dir + "regras.rgr")) return VoiceFiles::no_rules;
  if (!load_aliases(t, dir + "portug.exc")) return VoiceFiles::no_dictionary;
  return VoiceFiles::loaded;
}

std::string rewrite_text(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    bool has_prev = i > 0, has_next = i + 1 < n;
    bool letter_near = (has_prev && is_letter(text[i - 1])) || (has_next && is_letter(text[i + 1]));
    if ((c == 'W' || c == 'w') && letter_near) {
      out += 'u';
    } else if ((c == 'Y' || c == 'y') &&
               (letter_near || ((!has_prev || text[i - 1] == ' ') && (!has_next || text[i + 1] == ' ')))) {
      out += 'i';
    } else if (c == '\'' && has_prev && (text[i - 1] == 'D' || text[i - 1] == 'd')) {
      // d' before a vowel is read as one syllable: d'água
    } else {
      unsigned char u = static_cast<unsigned char>(c);
      const char* mapped = nullptr;
      std::string plain(1, c);
      if (u >= 32 && u < 128) mapped = plain.c_str();
      else if (u >= 128) mapped = map_high(u);
      if (mapped) out += mapped;
      else { out += ' '; out += kUnmapped; out += ' '; }
    }
  }
  return out;
}

void apply_alias(const Translator& t, Word& word) {
  std::string stem = word.text, stripped;
  const Alias* hit = find_alias(t, stem);
  while (!hit && !stem.empty() && (stem.back() == 's' || stem.back() == 'm')) {
    stripped.insert(stripped.begin(), stem.back());
    stem.pop_back();
    if (!stem.empty()) hit = find_alias(t, stem);
  }
  if (!hit) return;
  word.text = hit->replacement + stripped;
  count_word(word);  // the counts and the accent flag describe what is now in the buffer
}

void mark_tonic(Word& word) {
  std::string& w = word.text;
  if (word.explicit_accent || word.vowels == 0 || w.empty()) return;
  if (word.vowels == 1 && lower(w.back()) != 'l') return;
  enum class T { t0, t1, t2, t3, t4, t5, t8 } state = T::t0;
  const int n = static_cast<int>(w.size());
  auto at = [&](int i) { return (i >= 0 && i < n) ? w[i] : '\0'; };
  // T6 capitalises where it was entered, T7 the letter after; both only if a step is left.
  auto finish = [&](int entered, bool next_letter) {
    if (entered == 0) return;
    int target = next_letter ? entered + 1 : entered;
    w[target] = upper(w[target]);
  };
  for (int i = n - 1; i >= 0; --i) {
    char c = w[i];
    switch (state) {
      case T::t0:
        if (c == 'a' || c == 'e' || c == 'o') state = T::t5;
        else if (c == 'i' || c == 'u') state = T::t3;
        else if (c == 'l' || c == 'n' || c == 'r' || c == 'x' || c == 'z') state = T::t1;
        else if (c == 'm') state = T::t2;
        else if (c == 's') state = T::t4;
        break;
      case T::t1:
        if (is_vowel(c)) return finish(i, false);
        break;
      case T::t2:
        if (c == 'a' || c == 'e') state = T::t5;
        else if (c == 'i' || c == 'u') state = T::t3;
        else if (c == 'o') return finish(i, false);
        break;
      case T::t3:
        if (is_consonant(c)) return finish(i, true);
        if (c == 'u' && is_g_or_q(at(i - 1))) return finish(i, true);
        return finish(i, false);
      case T::t4:
        if (c == 'a' || c == 'e' || c == 'o') state = T::t5;
        else if (c == 'i' || c == 'u') state = T::t3;
        break;
      case T::t5:
        if (c == 'a' || c == 'e' || c == 'o') return finish(i, false);
        if (c == 'i' || c == 'u') state = T::t8;
        break;
      case T::t8: {
        if (is_consonant(c)) return finish(i, true);
        if (c == 'u' && is_g_or_q(at(i - 1))) return finish(i, true);
        char a = lower(at(i + 2)), b = lower(at(i + 3));
        bool closes = is_one_of(a, "lmnrz") && a != '\0' &&
                      ((a == 'n' && b == 'h') || (a == 'r' && b == 'r') ||
                       (is_consonant(b) && b != 'h'));
        return finish(i, closes);
      }
    }
  }
}

std::string convert_word(const Translator& t, std::string_view w) {
  std::string out = "[";
  size_t pos = 0;
  while (pos < w.size()) {
    char c = w[pos];
    char u = upper(c);
    const Rule* hit = nullptr;
    int code = static_cast<unsigned char>(u);
    if (code >= kRuleChainFirst && code < kRuleChainFirst + kRuleChains) {
      for (const Rule& r : t.chains[code - kRuleChainFirst])
        if (rule_applies(r, w, pos)) { hit = &r; break; }
    }
    std::string piece = hit ? hit->output : std::string(" /_") + u;
    if (c >= 'A' && c <= 'Z' && is_vowel(c)) {
      auto v = std::find_if(piece.begin(), piece.end(), is_vowel);
      if (v != piece.end()) *v = upper(*v);
    }
    out += piece;
    pos += hit ? hit->match.size() : 1;
    if (pos < w.size()) out += '/';
  }
  out += ']';
  return out;
}

std::string spell(std::string_view token) {
  std::string out;
  for (char c : token) {
    out += "[ /_";
    out += c;
    out += ']';
  }
  return out;
}

std::string translate(const Translator& t, std::string_view text) {
  const std::string s = rewrite_text(text);
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == ' ') { ++i; continue; }
    Word word;
    bool is_word = is_letter(s[i]);
    if (is_word) {
      while (i < s.size() && is_word_char(s[i])) word.text += lower(s[i++]);
      count_word(word);
      apply_alias(t, word);
      mark_tonic(word);
    } else {
      word.text = std::string(1, s[i++]);
    }
    const std::string& w = word.text;
    bool spelled = w == std::string(1, kUnmapped) ||
                   std::all_of(w.begin(), w.end(), [](char c) { return is_consonant(c) || is_punctuation(c); });
    out += spelled ? spell(w) : convert_word(t, w);
  }
  return out;
}

}  // namespace tts
