// The ELZAR pipeline on hostile text, with the shipped data of data/elzartts/ loaded once:
// normalisation, words, pitch patterns, letter-to-sound rules and timing.
// Input: the text (Windows-1252); a first byte 0x01 switches the prosody patterns off.
#include "fuzz/common.h"
#include "tts/uttsPortug.h"
#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

namespace {

struct Shipped {
  elzar::Abbreviations abbreviations;
  elzar::Language language;
  elzar::Prosody prosody;
  Shipped() {
    const std::string dir = ROTEIRAL_ELZAR_DATA "/portug.";
    if (!elzar::load_abbreviations(abbreviations, dir + "abr") ||
        !elzar::load_language(language, dir + "nrl", dir + "exc") ||
        !elzar::load_prosody(prosody, dir + "pro", [](std::string_view) {}) ||
        !elzar::load_diphones(prosody, dir + "dfn"))
      __builtin_trap();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Shipped s;
  std::string_view text = fuzz::as_text(data, size);
  const bool patterns = text.empty() || text[0] != '\x01';
  if (!patterns) text.remove_prefix(1);
  elzar::Prosody p = s.prosody;  // the timing pass carries phonemes between sentences
  const std::string normalised = elzar::uttsPreproc(s.abbreviations, text);
  const std::vector<std::string> words = elzar::split_words(p, normalised);
  const std::vector<std::string> patterned = elzar::assign_patterns(p, words, patterns);
  const std::vector<std::string> lines = elzar::timing(p, elzar::uttsPortug(s.language, patterned), 1.0, 1.0);
  for (const std::string& line : lines)
    if (line.find('\n') != std::string::npos) __builtin_trap();
  return 0;
}
