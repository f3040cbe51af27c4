// Phoneme lines of the synthesiser: splitting written text into lines and reading each one.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace elzar {

inline constexpr double kMaxPhonemeMs = 10000;       // longer durations are cut to this
inline constexpr size_t kMaxPitchPoints = 100;       // per phoneme; further points are ignored
inline constexpr size_t kMaxLineBytes = 64 * 1024;   // a longer line is refused
inline constexpr double kMinPitchHz = 30, kMaxPitchHz = 1000;

struct PitchPoint {
  double position = 0;  // percent of the phoneme, 0..100
  double hz = 0;
};

struct PhonemeLine {
  std::string name;  // lower case
  double ms = 0;
  std::vector<PitchPoint> points;  // ordered by position
};

enum class LineKind { blank, comment, phoneme, flush, error };

struct ParsedLine {
  LineKind kind = LineKind::blank;
  PhonemeLine phoneme;  // for LineKind::phoneme
  std::string error;    // for LineKind::error
};

// One line without its line end: "name duration [position pitch]...", "; comment", "#".
ParsedLine parse_phoneme_line(std::string_view line);

// Cuts written text into lines at LF (a CR before it is dropped); a line without its end
// waits for the next write or for take_rest.
class LineSplitter {
 public:
  // Appends the complete lines of `text` to `lines`; false when a line grew past
  // kMaxLineBytes (that line is dropped up to its end).
  bool feed(std::string_view text, std::vector<std::string>& lines);
  // The unfinished line, if any, and clears it.
  std::string take_rest();
  bool has_rest() const { return !pending_.empty(); }
  void clear();

 private:
  std::string pending_;
  bool overflow_ = false;
};

}  // namespace elzar
