// elzar_words: the phonemes ELZAR's rules give each word of a list (alias lookup, tonic
// mark, rules; no prosody).
//
//   elzar_words --data DIR [--tonic] [WORDLIST]
//
// DIR holds portug.nrl and portug.exc. The list (standard input when absent) may be UTF-8
// or Windows-1252, checked on the whole input. Each word prints as
// "word<TAB>phonemes" in UTF-8, the phonemes separated by blanks, the tonic one with '>';
// --tonic adds a third column, the tonic position of the word as written.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tts/uttsInic.h"
#include "tts/uttsPortug.h"
#include "tts/uttsTonica.h"

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

// The phoneme lines of one word, without the marker, the word's closing line and the pause.
std::string phonemes_of(const elzar::Language& l, const std::string& word) {
  std::vector<std::string> lines = elzar::uttsPortug(l, {"555|" + word});
  std::string out;
  for (const std::string& p : lines) {
    if (p.empty() || p[0] == ';' || p == "__") continue;
    if (!out.empty()) out += ' ';
    out += p;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data, list;
  bool tonic = false;
  for (int a = 1; a < argc; ++a) {
    if (!std::strcmp(argv[a], "--data") && a + 1 < argc) data = argv[++a];
    else if (!std::strcmp(argv[a], "--tonic")) tonic = true;
    else list = argv[a];
  }
  if (data.empty()) {
    std::fprintf(stderr, "usage: %s --data DIR [WORDLIST]\n", argv[0]);
    return 2;
  }
  elzar::Language lang;
  if (!elzar::load_language(lang, data + "/portug.nrl", data + "/portug.exc")) {
    std::fprintf(stderr, "cannot read the language data in %s\n", data.c_str());
    return 2;
  }
  std::string bytes;
  if (list.empty()) {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::ifstream f(list, std::ios::binary);
    if (!f) {
      std::fprintf(stderr, "cannot read %s\n", list.c_str());
      return 2;
    }
    bytes.assign(std::istreambuf_iterator<char>(f), {});
  }
  bool utf8 = valid_utf8(bytes);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::string word = utf8 ? plat::utf8_to_cp1252(line) : line;
    std::string p = plat::cp1252_to_utf8(phonemes_of(lang, word));
    std::printf("%s\t%s", plat::cp1252_to_utf8(word).c_str(), p.c_str());
    if (tonic) std::printf("\t%d", elzar::tonic_position(elzar::rule_upper_text(word)));
    std::printf("\n");
  }
  return 0;
}
