// Diphone voicing rules: units from the phonetic text, pieces from units, names from pieces.
#include "speech/diphone_rules.h"

#include <cstring>

namespace speech {
namespace {

bool in_set(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool ends_with(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

int punctuation_silence(std::string_view unit) {
  if (unit.size() != 2 || unit[0] != '_') return 0;
  switch (unit[1]) {
    case ',': return kSilenceComma;
    case '.': return kSilenceFullStop;
    case ':': return kSilenceColon;
    case ';': return kSilenceSemicolon;
    default: return 0;
  }
}

void place_cut(DiphoneSink& sink, const std::string& name, std::string_view source, int mode, double f) {
  sink.place(std::string_view(name).substr(0, kPlaceNameMax), source, mode, f);
}

}  // namespace

bool phon_vowel(char c) { return in_set(c, "AEIOUaeiouwy"); }
bool phon_consonant(char c) { return in_set(c, "bcdfgjklmnpqrstvxz"); }
bool phon_semivowel(char c) { return c == 'w' || c == 'y'; }
bool phon_mark(char c) { return c == '^' || c == '~'; }
bool phon_stressed(char c) { return in_set(c, "AEIOU"); }

NextUnit next_unit(PhoneticCursor& c) {
  NextUnit u;
  const std::string_view t = c.text;
  if (c.index < t.size() && t[c.index] == '[') {
    c.mode = 1;
    ++c.index;
  }
  while (c.index < t.size() && u.text.size() < kUnitMax) {
    const char ch = t[c.index];
    if (ch == ' ' || ch == ']') {
      u.ended_by_blank = ch == ' ';
      ++c.index;
      break;
    }
    ++c.index;
    if (ch == '/') {
      if (u.text.size() > kUnitSlashLimit) break;
      continue;
    }
    if (ch == '_') {
      u.text += ch;
      if (c.index < t.size() && u.text.size() < kUnitMax) u.text += t[c.index++];
    } else if (ch == '|') {
      u.text = "_TRACO";
    } else {
      u.text += ch;
    }
  }
  if (int s = punctuation_silence(u.text)) {
    u.silence = s;
    u.text.clear();
  }
  return u;
}

void voice_piece(std::string_view p, double f, int& mode, DiphoneSink& sink) {
  if (p.empty()) return;
  if (p[0] == '_') {
    // A letter wave: '_' and the decimal code of the character it spells.
    if (p.size() < 2) return;
    const std::string name = "_" + std::to_string(static_cast<unsigned char>(p[1]));
    place_cut(sink, name, p.substr(0, 2), mode, f);
    return;
  }
  bool stressed = false;
  std::string name = "$";
  size_t from = 0;  // where the stretch of the current name began
  for (size_t i = 0; i < p.size(); ++i) {
    const char ch = p[i];
    if (ch == '^' || ch == '~') {
      place_cut(sink, name + (ch == '^' ? "CIRC" : "TIL"), p.substr(from, i + 1 - from), mode, f);
      name = "$";
      from = i + 1;
      continue;
    }
    if (phon_stressed(ch)) {
      stressed = true;
      mode = kStressed;
    }
    name += ch;
  }
  if (name.size() > 1) place_cut(sink, name, p.substr(from), mode, f);
  if (stressed) mode = 0;
}

void voice_unit(std::string_view u, double f, int& mode, DiphoneSink& sink) {
  const size_t n = u.size();
  if (n == 0 || sink.stopped()) return;
  if (n == 1) return voice_piece(u, f, mode, sink);
  const char last = u[n - 1];
  const char before = u[n - 2];
  // Rule 2: a consonant cluster loses its first consonant, except the voice's own clusters.
  if (n >= 3 && phon_consonant(u[0]) && phon_consonant(u[1]) && !starts_with(u, "dj") && !starts_with(u, "nh") &&
      !starts_with(u, "rr") && !starts_with(u, "ks") && !starts_with(u, "tch")) {
    voice_piece(u.substr(0, 1), 1.0, mode, sink);
    return voice_unit(u.substr(1), f, mode, sink);
  }
  // Rule 3: a closing consonant (or rr) is voiced on its own.
  if (n >= 3 && ends_with(u, "rr")) {
    voice_unit(u.substr(0, n - 2), f, mode, sink);
    return voice_piece("rr", f, mode, sink);
  }
  if (n >= 3 && phon_consonant(last)) {
    voice_unit(u.substr(0, n - 1), f, mode, sink);
    return voice_unit(u.substr(n - 1), f, mode, sink);
  }
  // Rule 4: a diphthong: the vowel shortened, then vowel and semivowel.
  if (phon_semivowel(last) && phon_vowel(before) && n > 2) {
    voice_unit(u.substr(0, n - 1), 0.6, mode, sink);
    return voice_piece(u.substr(n - 2), f, mode, sink);
  }
  // Rule 5: a nasal or closed diphthong, voiced as vowel, semivowel, mark.
  if (phon_semivowel(last) && phon_mark(before) && n >= 3) {
    if (n > 3) {
      if (before == '~') voice_unit(std::string(u.substr(0, n - 2)) + "^", 0.6, mode, sink);
      else voice_unit(u.substr(0, n - 1), 0.6, mode, sink);
    }
    const char piece[3] = {u[n - 3], last, before};
    return voice_piece(std::string_view(piece, 3), f, mode, sink);
  }
  // Rule 6: a vowel and s.
  if (u != "_s" && last == 's') {
    voice_unit(u.substr(0, 1), 0.7, mode, sink);
    return voice_piece("s", f, mode, sink);
  }
  voice_piece(u, f, mode, sink);
}

void voice_phonetic(std::string_view text, int word_gap, DiphoneSink& sink) {
  PhoneticCursor c;
  c.text = text;
  while (c.index < text.size() && !sink.stopped()) {
    const NextUnit u = next_unit(c);
    if (u.silence > 0) sink.silence(u.silence);
    voice_unit(u.text, 1.0, c.mode, sink);
    if (c.index < text.size() && !u.ended_by_blank) sink.silence(word_gap);
  }
}

}  // namespace speech
