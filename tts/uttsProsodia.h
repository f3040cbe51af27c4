// Prosody: word lines with key-word codes, pitch patterns, durations and pitch points,
// and the diphone check that keeps every phoneme pair speakable.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace elzar {

inline constexpr size_t kKeyWordsMax = 1000;
inline constexpr size_t kPatternsMax = 300;

// How loaders tell the user about a bad file (the engine makes it a console message line).
using MessageSink = std::function<void(std::string_view)>;

struct Pattern {
  std::string previous, current, next;  // codes, at most 3 characters each
  std::string value;                    // "362" or "?31"
};

struct Prosody {
  std::vector<std::pair<std::string, int>> durations;     // phoneme (<= 2 chars), ms
  std::vector<std::pair<std::string, std::string>> keys;  // word, code; sorted by word
  std::vector<Pattern> patterns;                          // file order
  int hertz = 230;
  std::array<int, 10> levels{};  // TABHERTZ, percent of hertz
  std::vector<std::string> diphones;  // "a-b", sorted, compared ignoring case
  // Carried between sentences by the timing pass.
  std::string previous_phoneme = "_";
  std::string current_phoneme;
};

bool load_prosody(Prosody& p, const std::string& host_path, const MessageSink& message);
bool load_diphones(Prosody& p, const std::string& host_path);
void free_diphones(Prosody& p);

std::vector<std::string> split_words(const Prosody& p, std::string_view normalised);
// With `on` false every word gets 555 (prosody patterns switched off).
std::vector<std::string> assign_patterns(const Prosody& p, const std::vector<std::string>& words,
                                         bool on = true);
// Phoneme lines to MBROLA lines ("a 145 80 276"), with the diphone check.
std::vector<std::string> timing(Prosody& p, const std::vector<std::string>& phoneme_lines,
                                double duration_factor, double pitch_factor);

}  // namespace elzar
