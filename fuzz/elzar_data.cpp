// ELZAR's data loaders (abbreviations, rules, exceptions, prosody, diphones), then a phrase
// through what they loaded. Input: the five files and the phrase, each ended by a 0x00 byte.
#include <algorithm>

#include "fuzz/common.h"
#include "tts/uttsInic.h"
#include "tts/uttsPortug.h"
#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::split(fuzz::as_text(data, size), '\0', 6);
  static fuzz::MemFile abbreviations_file, prosody_file, diphones_file;
  if (!abbreviations_file.set(parts[0]) || !prosody_file.set(parts[3]) || !diphones_file.set(parts[4]))
    return 0;

  elzar::Abbreviations a;
  if (!elzar::load_abbreviations(a, abbreviations_file.path())) __builtin_trap();
  if (a.entries.size() > elzar::kAbbreviationsMax) __builtin_trap();
  for (const auto& [key, expansion] : a.entries)
    if (expansion.size() > elzar::kExpansionMax) __builtin_trap();

  elzar::Language l;
  elzar::parse_rules(l.rules, parts[1]);
  for (const auto& chain : l.rules.chains)
    for (const elzar::Rule& r : chain)
      if (r.left.size() > elzar::kRuleContextMax || r.right.size() > elzar::kRuleContextMax ||
          r.match.size() > elzar::kRuleMatchMax || r.output.size() > elzar::kRuleOutputStored)
        __builtin_trap();

  elzar::parse_exceptions(l.exceptions, parts[2]);
  const auto& ex = l.exceptions.entries;
  if (ex.size() > elzar::kExceptionsMax) __builtin_trap();
  if (!std::is_sorted(ex.begin(), ex.end(), [](const auto& x, const auto& y) { return x.first < y.first; }))
    __builtin_trap();

  elzar::Prosody p;
  elzar::load_prosody(p, prosody_file.path(), [](std::string_view) {});
  if (p.keys.size() > elzar::kKeyWordsMax || p.patterns.size() > elzar::kPatternsMax) __builtin_trap();
  for (const auto& [phoneme, ms] : p.durations)
    if (phoneme.size() > 2) __builtin_trap();
  for (const elzar::Pattern& pt : p.patterns)
    if (pt.previous.size() > 3 || pt.current.size() > 3 || pt.next.size() > 3) __builtin_trap();
  elzar::load_diphones(p, diphones_file.path());

  const std::string normalised = elzar::uttsPreproc(a, parts[5]);
  const std::vector<std::string> words = elzar::split_words(p, normalised);
  const std::vector<std::string> patterned = elzar::assign_patterns(p, words);
  elzar::timing(p, elzar::uttsPortug(l, patterned), 1.0, 1.0);
  elzar::free_diphones(p);
  elzar::free_rules(l.rules);
  return 0;
}
