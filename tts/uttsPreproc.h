// Text normalisation: numbers, signs, spelled words and abbreviations to plain words.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace elzar {

inline constexpr size_t kAbbreviationsMax = 2000;
inline constexpr size_t kExpansionMax = 999;

// portug.abr: keys upper-cased and trimmed, in file order.
struct Abbreviations {
  std::vector<std::pair<std::string, std::string>> entries;  // key, expansion
};

// Empties the table first; false when the file cannot be read.
bool load_abbreviations(Abbreviations& a, const std::string& host_path);
// The expansion of a word (upper-cased for the comparison), or empty.
std::string abbreviation_lookup(const Abbreviations& a, std::string_view word);
// The spoken name of a character code, possibly empty.
std::string character_name(unsigned char code);
std::string cardinal_words(int64_t value);
std::string ordinal_words(int64_t value, char gender);  // gender 'm' or 'f'

// The whole text, Windows-1252 in and out; kept punctuation passes through.
std::string uttsPreproc(const Abbreviations& a, std::string_view text);

}  // namespace elzar
