// Diphone voicing rules: a phonetic text cut into units, and units into the names to place.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace speech {

inline constexpr size_t kUnitMax = 40;        // characters of one unit
inline constexpr size_t kUnitSlashLimit = 8;  // a '/' ends a unit longer than this
inline constexpr size_t kPlaceNameMax = 12;   // characters of a name to place

// Silences, in samples, of the punctuation units "_," "_." "_:" "_;".
inline constexpr int kSilenceComma = 4000;
inline constexpr int kSilenceFullStop = 8000;
inline constexpr int kSilenceColon = 8000;
inline constexpr int kSilenceSemicolon = 6000;

// Stress modes: 1 at the start and after '[', 2 while a stressed piece is voiced, 0 after
// it. 0 and 1 behave alike: only 2 keeps a diphone from being cut.
inline constexpr int kStressed = 2;

// Where a voicing goes. `source` is the stretch of the piece that gave the name (its marks
// included), so the voice builder knows what to record under it.
class DiphoneSink {
 public:
  virtual ~DiphoneSink() = default;
  virtual void place(std::string_view name, std::string_view source, int mode, double factor) = 0;
  virtual void silence(int samples) = 0;
  // True once speech was stopped: the rest of the text is dropped.
  virtual bool stopped() const { return false; }
};

// Character classes of the phonetic text.
bool phon_vowel(char c);      // A E I O U a e i o u w y
bool phon_consonant(char c);  // b c d f g j k l m n p q r s t v x z
bool phon_semivowel(char c);  // w y
bool phon_mark(char c);       // ^ ~
bool phon_stressed(char c);   // A E I O U

struct PhoneticCursor {
  std::string_view text;
  size_t index = 0;  // 0-based
  int mode = 1;
};

// One unit taken at the cursor.
struct NextUnit {
  std::string text;
  int silence = 0;         // a punctuation unit: these samples and an empty text
  bool ended_by_blank = false;
};
NextUnit next_unit(PhoneticCursor& c);

// The rules that split a unit, and the scan that names a piece; `mode` is the stress mode.
void voice_unit(std::string_view unit, double factor, int& mode, DiphoneSink& sink);
void voice_piece(std::string_view piece, double factor, int& mode, DiphoneSink& sink);

// A whole phonetic text: every unit at factor 1.0, with word gaps after units that did
// not end at a blank while text follows.
void voice_phonetic(std::string_view text, int word_gap, DiphoneSink& sink);

}  // namespace speech
