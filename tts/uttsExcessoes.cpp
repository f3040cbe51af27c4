// The exceptions dictionary of portug.exc: words mapped to the written form the rules read.
#include "tts/uttsExcessoes.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tts/uttsInic.h"

namespace elzar {
namespace {

// Index of the entry for word, or -1.
long find_word(const Exceptions& e, std::string_view word) {
  size_t lo = 0, hi = e.entries.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    int c = std::string_view(e.entries[mid].first).compare(word);
    if (c == 0) return static_cast<long>(mid);
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  return -1;
}

void add_line(Exceptions& e, std::string_view raw) {
  std::string line = rule_upper_text(raw.substr(0, kExceptionLineMax));
  if (line.empty()) return;
  line += "|=|";
  size_t eq = line.find('=');
  size_t bar = line.find('|', eq + 1);
  e.entries.emplace_back(line.substr(0, eq), line.substr(eq + 1, bar - eq - 1));
}

}  // namespace

void parse_exceptions(Exceptions& e, std::string_view file_bytes) {
  e.entries.clear();
  size_t start = 0;
  while (start < file_bytes.size() && e.entries.size() < kExceptionsMax) {
    size_t end = file_bytes.find('\n', start);
    if (end == std::string_view::npos) end = file_bytes.size();
    std::string_view line = file_bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    add_line(e, line);
  }
  // std::string compares as unsigned bytes, the order the bisection needs.
  std::sort(e.entries.begin(), e.entries.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool load_exceptions(Exceptions& e, const std::string& host_path) {
  e.entries.clear();
  std::ifstream f(host_path, std::ios::binary);
  if (!f) return false;
  std::string bytes((std::istreambuf_iterator<char>(f)), {});
  parse_exceptions(e, bytes);
  return true;
}

void alias_lookup(const Exceptions& e, std::string& word) {
  std::string suffix;
  while (!word.empty()) {
    long hit = find_word(e, word);
    if (hit >= 0) {
      word = e.entries[static_cast<size_t>(hit)].second + suffix;
      return;
    }
    char last = word.back();
    if (last != 'S' && last != 'M') break;
    suffix.insert(suffix.begin(), last);
    word.pop_back();
  }
  word += suffix;
}

}  // namespace elzar
