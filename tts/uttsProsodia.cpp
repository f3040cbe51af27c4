// Prosody: word lines with key-word codes, pitch patterns, durations and pitch points,
// and the diphone check that keeps every phoneme pair speakable.
#include "tts/uttsProsodia.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>

// Texts are Windows-1252 bytes, so accented letters appear as octal escapes (\352 is e
// circumflex).

namespace elzar {
namespace {

constexpr std::string_view kSectionDurations = "[DURA\307\303O]";
constexpr std::string_view kSectionKeys = "[CHAVES]";
constexpr std::string_view kSectionPatterns = "[PROS\323DIA]";

constexpr std::string_view kMsgNotFound = "Configura\347\343o da pros\363dia n\343o foi achada";
constexpr std::string_view kMsgNoDurations = "Dura\347\343o dos difones errada ou ausente";
constexpr std::string_view kMsgBadPhoneme = "Configura\347\343o da pros\363dia: fonema errado: ";
constexpr std::string_view kMsgNoKeys = "Pros\363dia: palavras chaves ausentes";
constexpr std::string_view kMsgBadKey = "Configura\347\343o da pros\363dia: chave errada: ";
constexpr std::string_view kMsgNoPatterns = "Pros\363dia: especifica\347\365es ausentes";

constexpr char kPostTonic = '\xA8';  // \250
constexpr int kDefaultDuration = 100;
constexpr double kLargestDuration = 1e9;  // before the division by 100

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
    --e;
  return s.substr(b, e - b);
}

unsigned char fold(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || c >= 224) return static_cast<unsigned char>(c - 32);
  return c;
}
std::string fold_text(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return r;
}

bool is_letter(unsigned char c) {
  // Capital and small: A grave, acute, circumflex, tilde; C cedilla; E acute, circumflex;
  // I grave, acute; N tilde; O acute, circumflex, tilde; U grave, acute, diaeresis.
  static constexpr std::string_view kAccented =
      "\300\301\302\303\307\311\312\314\315\321\323\324\325\331\332\334"
      "\340\341\342\343\347\351\352\354\355\361\363\364\365\371\372\374";
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c != 0 && kAccented.find(static_cast<char>(c)) != std::string_view::npos);
}

bool is_name_char(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '@' || c == '_' || c == '2';
}

// A whole integer with an optional sign, within the range of int.
bool parse_int(std::string_view s, int& out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > INT_MAX) return false;
  }
  out = static_cast<int>(negative ? -v : v);
  return true;
}

bool read_lines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  lines.clear();
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

// The index of the first line after the header, or npos.
size_t find_section(const std::vector<std::string>& lines, std::string_view header) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (fold_text(trim(lines[i])) == header) return i + 1;
  return std::string::npos;
}

// Calls `entry` with each trimmed entry line of the section that starts at `first`;
// stops early when `entry` returns false, and then returns false itself.
template <typename Entry>
bool for_each_entry(const std::vector<std::string>& lines, size_t first, Entry entry) {
  for (size_t i = first; i < lines.size(); ++i) {
    const std::string_view l = trim(lines[i]);
    if (!l.empty() && l[0] == '[') break;
    if (l.empty() || l[0] == '*' || l[0] == ';') continue;
    if (!entry(l)) return false;
  }
  return true;
}

bool load_durations(Prosody& p, const std::vector<std::string>& lines,
                    const std::function<void(std::string_view)>& say) {
  const size_t first = find_section(lines, kSectionDurations);
  if (first == std::string::npos) {
    say(kMsgNoDurations);
    return false;
  }
  return for_each_entry(lines, first, [&](std::string_view l) {
    const size_t eq = l.find('=');
    if (eq == std::string_view::npos) {
      say(std::string(kMsgBadPhoneme) + std::string(l));
      return false;
    }
    int ms = kDefaultDuration;
    if (!parse_int(trim(l.substr(eq + 1)), ms)) {
      say(std::string(kMsgBadPhoneme) + std::string(l));
      ms = kDefaultDuration;
    }
    p.durations.emplace_back(std::string(trim(l.substr(0, eq)).substr(0, 2)), ms);
    return true;
  });
}

bool load_keys(Prosody& p, const std::vector<std::string>& lines,
               const std::function<void(std::string_view)>& say) {
  const size_t first = find_section(lines, kSectionKeys);
  if (first == std::string::npos) {
    say(kMsgNoKeys);
    return false;
  }
  const bool ok = for_each_entry(lines, first, [&](std::string_view l) {
    const size_t eq = l.find('=');
    if (eq == std::string_view::npos) {
      say(std::string(kMsgBadKey) + std::string(l));
      return false;
    }
    if (p.keys.size() < kKeyWordsMax)
      p.keys.emplace_back(fold_text(trim(l.substr(0, eq))),
                          fold_text(trim(l.substr(eq + 1)).substr(0, 2)));
    return true;
  });
  std::stable_sort(p.keys.begin(), p.keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return ok;
}

bool load_levels(Prosody& p, std::string_view numbers) {
  std::array<int, 10> levels{};
  size_t start = 0;
  for (int k = 0; k < 10; ++k) {
    if (start > numbers.size()) return false;
    size_t comma = numbers.find(',', start);
    if (comma == std::string_view::npos) comma = numbers.size();
    if (!parse_int(trim(numbers.substr(start, comma - start)), levels[k])) return false;
    start = comma + 1;
  }
  p.levels = levels;
  return true;
}

Pattern parse_pattern(std::string_view l, size_t eq) {
  Pattern pat;
  pat.value = std::string(trim(l.substr(eq + 1)));
  std::string_view codes = trim(l.substr(0, eq));
  std::string* fields[3] = {&pat.previous, &pat.current, &pat.next};
  for (std::string* field : fields) {
    const size_t bar = codes.find('|');
    *field = std::string(trim(codes.substr(0, bar)).substr(0, 3));
    if (bar == std::string_view::npos) break;
    codes = codes.substr(bar + 1);
  }
  return pat;
}

bool load_patterns(Prosody& p, const std::vector<std::string>& lines,
                   const std::function<void(std::string_view)>& say) {
  const size_t first = find_section(lines, kSectionPatterns);
  if (first == std::string::npos) {
    say(kMsgNoPatterns);
    return false;
  }
  return for_each_entry(lines, first, [&](std::string_view original) {
    const std::string l = fold_text(original);
    const std::string_view v = l;
    bool ok = true;
    if (v.substr(0, 6) == "HERTZ=") {
      ok = parse_int(trim(v.substr(6)), p.hertz);
    } else if (v.substr(0, 9) == "TABHERTZ=") {
      ok = load_levels(p, v.substr(9));
    } else {
      const size_t eq = v.find('=');
      if (eq == std::string_view::npos) ok = false;
      else if (p.patterns.size() < kPatternsMax) p.patterns.push_back(parse_pattern(v, eq));
    }
    if (!ok) say(std::string(kMsgBadKey) + std::string(original));
    return ok;
  });
}

bool diphone_less(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
  });
}

bool has_diphone(const Prosody& p, std::string_view entry) {
  auto it = std::lower_bound(p.diphones.begin(), p.diphones.end(), entry,
                             [](const std::string& a, std::string_view b) {
                               return diphone_less(a, b);
                             });
  return it != p.diphones.end() && !diphone_less(entry, *it);
}

int duration_of(const Prosody& p, std::string_view phoneme) {
  for (const auto& [name, ms] : p.durations)
    if (name == phoneme) return ms;
  return kDefaultDuration;
}

std::string key_code(const Prosody& p, std::string_view word) {
  const std::string key = fold_text(word);
  auto it = std::lower_bound(p.keys.begin(), p.keys.end(), key,
                             [](const auto& e, const std::string& k) { return e.first < k; });
  if (it != p.keys.end() && it->first == key) return it->second;
  return "XX";
}

// The two-character code of a word line, trailing blanks dropped.
std::string line_code(const std::string& line) {
  std::string code = line.size() >= 3 ? line.substr(1, 2) : std::string();
  while (!code.empty() && code.back() == ' ') code.pop_back();
  return code;
}

bool field_matches(const std::string& field, const std::string& code) {
  return field.empty() || field == code;
}

// base x factor x scale, rounded half to even, then divided by 100; clamped so a hostile
// factor or table value still gives a number MBROLA can take.
long long scaled(double base, double factor, double scale) {
  const double v = std::nearbyint(base * factor * scale);
  if (!std::isfinite(v) || v <= 0) return 0;
  return static_cast<long long>(std::min(v, kLargestDuration)) / 100;
}

struct TimingState {
  std::string pattern = "555";
  int pitch_state = 0;
  int multiplier = 100;
  size_t word_length_plus_one = 0;
};

// The pitch point of this phoneme ("80 276"), or empty.
std::string pitch_point(const Prosody& p, TimingState& s, bool last_of_word, double pitch_factor) {
  size_t digit = 3;
  int position = 0;
  if (s.pitch_state == 0) {
    digit = 0, position = 50, s.pitch_state = 1;
  } else if (s.pitch_state == 2) {
    digit = 1, position = 80, s.pitch_state = 3;
  } else if (s.pitch_state == 3 && last_of_word) {
    digit = 2, position = 50;
  }
  if (digit >= s.pattern.size() || s.pattern[digit] < '0' || s.pattern[digit] > '9') return "";
  const int level = p.levels[static_cast<size_t>(s.pattern[digit] - '0')];
  if (level == 0) return "";
  const long long hz = scaled(level, pitch_factor, p.hertz);
  if (hz <= 0) return "";
  return std::to_string(position) + " " + std::to_string(hz);
}

// Before a phoneme whose pair with the previous one the voice lacks, a short filler.
void append_checked(Prosody& p, std::vector<std::string>& out, std::string line) {
  if (!p.current_phoneme.empty()) {
    if (!has_diphone(p, p.previous_phoneme + "-" + p.current_phoneme)) {
      if (p.previous_phoneme == "r2" && has_diphone(p, "r2-_")) out.emplace_back("_ 50");
      else if (has_diphone(p, p.previous_phoneme + "-y")) out.emplace_back("y 50");
      else out.emplace_back("_ 50");
    }
    p.previous_phoneme = p.current_phoneme;
  }
  out.push_back(std::move(line));
}

std::string time_marker(TimingState& s, const std::string& line) {
  const size_t bar = line.find('|');
  std::string word;
  if (bar == std::string::npos) {
    word = line.substr(1);
  } else {
    s.pattern = line.substr(1, bar - 1);
    word = line.substr(bar + 1);
  }
  s.word_length_plus_one = word.size() + 1;
  s.pitch_state = 0;
  return ";" + word;
}

// A phoneme or pause line with its duration and pitch point; empty when nothing is left of it.
std::string time_phoneme(Prosody& p, TimingState& s, std::string ph, bool last_of_word,
                         double duration_factor, double pitch_factor) {
  if (!ph.empty() && ph[0] == '>') {
    s.multiplier = 145;
    s.pitch_state = 2;
    ph.erase(0, 1);
    if (!ph.empty() && ph[0] == kPostTonic) ph.erase(0, 1);
  } else if (!ph.empty() && ph[0] == kPostTonic) {
    s.multiplier = 100;
    ph.erase(0, 1);
  }
  int base = kDefaultDuration;
  if (!ph.empty() && ph[0] == '_') {
    if (ph.size() >= 2 && ph[1] == ' ') {
      if (!parse_int(trim(std::string_view(ph).substr(2)), base)) base = kDefaultDuration;
    } else if (ph.size() >= 2) {
      base = duration_of(p, ph);
    }
    ph = "_";
  } else {
    ph = ph.substr(0, ph.find(' '));
    if (ph.empty()) return "";
    base = duration_of(p, ph);
    if (s.pitch_state < 2) {
      if (s.word_length_plus_one > 13) base = base * 80 / 100;
      else if (s.word_length_plus_one > 9) base = base * 90 / 100;
    }
  }
  const long long ms = scaled(base, s.multiplier, duration_factor);
  const std::string point = pitch_point(p, s, last_of_word, pitch_factor);
  p.current_phoneme = ph;
  std::string line = ph + " " + std::to_string(ms);
  if (!point.empty()) line += " " + point;
  return line;
}

}  // namespace

bool load_prosody(Prosody& p, const std::string& host_path, const MessageSink& message) {
  p.hertz = 230;
  p.durations.clear();
  p.keys.clear();
  p.patterns.clear();
  const std::function<void(std::string_view)> say = [&](std::string_view m) {
    if (message) message(m);
  };
  std::vector<std::string> lines;
  if (!read_lines(host_path, lines)) {
    say(kMsgNotFound);
    return false;
  }
  return load_durations(p, lines, say) && load_keys(p, lines, say) &&
         load_patterns(p, lines, say);
}

bool load_diphones(Prosody& p, const std::string& host_path) {
  std::vector<std::string> lines;
  if (!read_lines(host_path, lines)) return false;
  std::vector<std::string> entries;
  for (size_t k = lines.size(); k-- > 0;) {
    const std::string_view l = trim(lines[k]);
    if (l.empty() || l[0] == '!' || l[0] == '*' || l[0] == ';') continue;
    size_t i = 0;
    while (i < l.size() && is_name_char(static_cast<unsigned char>(l[i]))) ++i;
    const std::string_view first = l.substr(0, i);
    while (i < l.size() && !is_name_char(static_cast<unsigned char>(l[i]))) ++i;
    const size_t second_start = i;
    while (i < l.size() && is_name_char(static_cast<unsigned char>(l[i]))) ++i;
    entries.push_back(std::string(first) + "-" +
                      std::string(l.substr(second_start, i - second_start)));
  }
  std::sort(entries.begin(), entries.end(),
            [](const std::string& a, const std::string& b) { return diphone_less(a, b); });
  p.diphones = std::move(entries);
  return true;
}

void free_diphones(Prosody& p) {
  p.diphones.clear();
  p.diphones.shrink_to_fit();
}

std::vector<std::string> split_words(const Prosody& p, std::string_view text) {
  std::vector<std::string> out{"[--]"};
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == ' ') {
      ++i;
    } else if (c == '.' && i + 1 < text.size() && text[i + 1] == '.') {
      while (i < text.size() && text[i] == '.') ++i;
      out.emplace_back("[.-].");
      out.emplace_back("[--]");
    } else if (is_letter(c)) {
      const size_t start = i;
      while (i < text.size() && is_letter(static_cast<unsigned char>(text[i]))) ++i;
      const std::string_view word = text.substr(start, i - start);
      std::string code = key_code(p, word);
      code.resize(2, ' ');
      out.push_back("[" + code + "]" + std::string(word));
    } else {
      out.push_back(std::string("[") + text[i] + text[i] + "]" + text[i]);
      if (c == '!' || c == '.' || c == '?') out.emplace_back("[--]");
      ++i;
    }
  }
  return out;
}

std::vector<std::string> assign_patterns(const Prosody& p, const std::vector<std::string>& words,
                                         bool on) {
  std::vector<std::string> out;
  out.reserve(words.size());
  char carried = '5';
  for (size_t k = 0; k < words.size(); ++k) {
    const std::string previous = k > 0 ? line_code(words[k - 1]) : std::string();
    const std::string current = line_code(words[k]);
    const std::string next = k + 1 < words.size() ? line_code(words[k + 1]) : std::string();
    std::string value = "555";
    if (on) {
      for (const Pattern& pat : p.patterns) {
        if (field_matches(pat.previous, previous) && field_matches(pat.current, current) &&
            field_matches(pat.next, next)) {
          value = pat.value;
          break;
        }
      }
    }
    if (!value.empty() && value[0] == '?') value[0] = carried;
    if (value.size() >= 3) carried = value[2];
    out.push_back(value + "|" + (words[k].size() > 4 ? words[k].substr(4) : std::string()));
  }
  return out;
}

std::vector<std::string> timing(Prosody& p, const std::vector<std::string>& phoneme_lines,
                                double duration_factor, double pitch_factor) {
  std::vector<std::string> out;
  out.reserve(phoneme_lines.size() + phoneme_lines.size() / 4);
  p.previous_phoneme = "_";
  TimingState s;
  for (size_t k = 0; k < phoneme_lines.size(); ++k) {
    const std::string& line = phoneme_lines[k];
    if (!line.empty() && line[0] == ';') {
      out.push_back(time_marker(s, line));
    } else if (line.empty()) {
      s.multiplier = 100;
      p.current_phoneme.clear();
      out.emplace_back();
    } else {
      const bool last_of_word = k + 1 >= phoneme_lines.size() || phoneme_lines[k + 1].empty();
      std::string timed =
          time_phoneme(p, s, line, last_of_word, duration_factor, pitch_factor);
      if (!timed.empty()) append_checked(p, out, std::move(timed));
    }
  }
  return out;
}

}  // namespace elzar
