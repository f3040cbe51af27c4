// Words to phoneme lines: aliases, tonic mark, rules, pauses and cross-word voicing.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "tts/uttsExcessoes.h"
#include "tts/uttsInic.h"

namespace elzar {

struct Language {
  RuleTable rules;
  Exceptions exceptions;
};

// Rules, then (when they loaded) the exceptions.
bool load_language(Language& l, const std::string& nrl_path, const std::string& exc_path);
// One upper-case word (after alias lookup) to phoneme lines, closed by an empty line.
// tonic < 1 means no tonic mark.
void convert_word(const Language& l, std::string_view word, int tonic,
                  std::vector<std::string>& out);
// Pattern lines ("555|word") to the phoneme-line list.
std::vector<std::string> uttsPortug(const Language& l, const std::vector<std::string>& lines);

}  // namespace elzar
