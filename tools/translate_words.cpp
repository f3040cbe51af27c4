// translate_words: runs a word list through the translator and counts the words whose
// phonetic text stays inside the diphone voice's alphabet.
//
//   translate_words RULES DICTIONARY WORDLIST [--failures N] [--units] [--print]
//
// The list may be UTF-8 or ISO-8859-1 (checked on the whole file); words are converted to
// Windows-1252 before translation. --failures prints the first N words that fall outside the
// alphabet, --units the units the voice would cut with their counts, --print every word.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tts/translator.h"

namespace {

bool valid_utf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (more < 0) return false;
    for (int k = 1; k <= more; ++k)
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += more + 1;
  }
  return true;
}

bool voice_vowel(char c) { return std::strchr("aeiouAEIOUwy", c) != nullptr && c != '\0'; }
bool voice_consonant(char c) { return std::strchr("bcdfgjklmnpqrstvxz", c) != nullptr && c != '\0'; }

// The units the diphone voice cuts a phonetic text into: at blanks and ']', and at '/' once
// a unit holds more than 8 characters.
std::vector<std::string> voice_units(const std::string& p) {
  std::vector<std::string> units;
  size_t i = 0;
  while (i < p.size()) {
    if (p[i] == '[') ++i;
    std::string u;
    while (i < p.size() && p[i] != ' ' && p[i] != ']' && u.size() < 40) {
      char c = p[i++];
      if (c == '/') {
        if (u.size() > 8) break;
        continue;
      }
      u += c;
      if (c == '_' && i < p.size()) u += p[i++];
    }
    if (i < p.size() && (p[i] == ' ' || p[i] == ']')) ++i;
    if (!u.empty()) units.push_back(u);
  }
  return units;
}

// A unit in the alphabet: voice letters only, h only inside nh and tch, a mark only after a
// vowel, no letter-wave fallback.
bool unit_in_alphabet(const std::string& u) {
  for (size_t k = 0; k < u.size(); ++k) {
    char c = u[k];
    if (voice_vowel(c) || voice_consonant(c)) continue;
    if (c == 'h' && k > 0 && (u[k - 1] == 'n' || (k > 1 && u[k - 1] == 'c' && u[k - 2] == 't'))) continue;
    if ((c == '^' || c == '~') && k > 0 && std::strchr("aeiouAEIOU", u[k - 1])) continue;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s RULES DICTIONARY WORDLIST [--failures N] [--units] [--print]\n", argv[0]);
    return 2;
  }
  long show_failures = 0;
  bool show_units = false, print_all = false;
  for (int a = 4; a < argc; ++a) {
    if (!std::strcmp(argv[a], "--failures") && a + 1 < argc) show_failures = std::atol(argv[++a]);
    else if (!std::strcmp(argv[a], "--units")) show_units = true;
    else if (!std::strcmp(argv[a], "--print")) print_all = true;
  }
  tts::Translator t;
  if (!tts::load_rules(t, argv[1])) { std::fprintf(stderr, "cannot read %s\n", argv[1]); return 2; }
  if (!tts::load_aliases(t, argv[2])) { std::fprintf(stderr, "cannot read %s\n", argv[2]); return 2; }
  std::ifstream f(argv[3], std::ios::binary);
  if (!f) { std::fprintf(stderr, "cannot read %s\n", argv[3]); return 2; }
  std::string bytes((std::istreambuf_iterator<char>(f)), {});
  bool utf8 = valid_utf8(bytes);

  long total = 0, ok = 0, fallback = 0, unknown = 0;
  std::map<std::string, long> units;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::string word = utf8 ? plat::utf8_to_cp1252(line) : line;
    std::string phonetic = tts::translate(t, word);
    ++total;
    bool has_fallback = phonetic.find('_') != std::string::npos;
    bool in_alphabet = true;
    for (const std::string& u : voice_units(phonetic)) {
      if (show_units) ++units[u];
      if (u[0] != '_' && !unit_in_alphabet(u)) in_alphabet = false;
    }
    if (has_fallback) ++fallback;
    if (!in_alphabet) ++unknown;
    bool good = !has_fallback && in_alphabet;
    if (good) ++ok;
    if (print_all || (!good && show_failures > 0)) {
      if (!good) --show_failures;
      std::printf("%s\t%s\n", line.c_str(), plat::cp1252_to_utf8(phonetic).c_str());
    }
  }
  if (show_units) {
    std::vector<std::pair<long, std::string>> sorted;
    for (auto& [u, n] : units) sorted.push_back({n, u});
    std::sort(sorted.rbegin(), sorted.rend());
    for (auto& [n, u] : sorted) std::printf("unit\t%s\t%ld\n", plat::cp1252_to_utf8(u).c_str(), n);
  }
  std::printf("encoding %s\nwords %ld\nin_alphabet %ld\nspelling_fallback %ld\nunknown_symbol %ld\n",
              utf8 ? "utf-8" : "iso-8859-1", total, ok, fallback, unknown);
  return 0;
}
