// The tonic vowel of a Portuguese word.
#include "tts/uttsTonica.h"

#include <string>

namespace elzar {
namespace {

unsigned char lower_pt(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 192 && c <= 222 && c != 215) return static_cast<unsigned char>(c + 32);
  return c;
}

bool is_accented_vowel(unsigned char c) {
  switch (c) {
    case 0xE0: case 0xE1: case 0xE2: case 0xE3:  // à á â ã
    case 0xE9: case 0xEA:                        // é ê
    case 0xED:                                   // í
    case 0xF3: case 0xF4: case 0xF5:             // ó ô õ
    case 0xFA:                                   // ú
      return true;
    default:
      return false;
  }
}

bool is_plain_vowel(unsigned char c) {
  switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u': case 'w': case 'y': case 0xFC:  // ü
      return true;
    default:
      return false;
  }
}

bool is_aeo(unsigned char c) { return c == 'a' || c == 'e' || c == 'o'; }
bool is_gq(unsigned char c) { return c == 'g' || c == 'q'; }

enum class Scan { s0, s1, s2, s3, s4, s5, s10, s20, s21, s30, s40 };

// The state machine from the last letter backwards; positions are 1-based.
int scan_plain_word(const std::string& w) {
  Scan state = Scan::s0;
  int r = 0;
  for (int here = static_cast<int>(w.size()); here >= 1; --here) {
    unsigned char c = static_cast<unsigned char>(w[here - 1]);
    bool stop = false;
    switch (state) {
      case Scan::s0:
        if (is_aeo(c)) { r = here; state = Scan::s1; }
        else if (c == 'u') { r = here; state = Scan::s10; }
        else if (c == 'i') { r = here; state = Scan::s20; }
        else if (c == 's') {}
        else if (c == 'm') state = Scan::s40;
        else state = Scan::s30;
        break;
      case Scan::s1:
        if (c == 'u') state = Scan::s4;
        else if (is_plain_vowel(c)) { r = here; stop = true; }
        else state = Scan::s2;
        break;
      case Scan::s2:
        if (is_aeo(c)) { r = here; stop = true; }
        else if (c == 'i' || c == 'u') { r = here; state = Scan::s3; }
        break;
      case Scan::s3:
        if (is_aeo(c)) { r = here; stop = true; }
        else if (c == 'u') state = Scan::s5;
        else stop = true;
        break;
      case Scan::s4:
        if (is_gq(c)) { r = here + 2; state = Scan::s2; }
        else { r = here + 1; stop = true; }
        break;
      case Scan::s5:
        r = is_gq(c) ? here + 2 : here + 1;
        stop = true;
        break;
      case Scan::s10:
        if (is_aeo(c) || c == 'i') r = here;
        stop = true;
        break;
      case Scan::s20:
        if (is_aeo(c)) r = here;
        else if (c == 'u') state = Scan::s21;
        else stop = true;
        break;
      case Scan::s21:
        r = is_gq(c) ? here + 2 : here + 1;
        stop = true;
        break;
      case Scan::s30:
        if (is_plain_vowel(c)) { r = here; stop = true; }
        break;
      case Scan::s40:
        if (c == 'i' || c == 'o' || c == 'u') { r = here; stop = true; }
        else if (c == 'a' || c == 'e') { r = here; state = Scan::s1; }
        else state = Scan::s0;
        break;
    }
    if (stop) break;
  }
  return r;
}

}  // namespace

int tonic_position(std::string_view word) {
  std::string w(word);
  for (char& c : w) c = static_cast<char>(lower_pt(static_cast<unsigned char>(c)));
  bool plain = false;
  for (int i = static_cast<int>(w.size()); i >= 1; --i) {
    unsigned char c = static_cast<unsigned char>(w[i - 1]);
    if (is_accented_vowel(c)) return i;
    if (is_plain_vowel(c)) plain = true;
  }
  if (!plain) return 0;
  return scan_plain_word(w);
}

bool is_function_word(std::string_view w) {
  return w.size() < 3 || w == "POR" || w == "DAS" || w == "DOS" || w == "COM" || w == "N\xC3O" ||
         w == "SIM";
}

}  // namespace elzar
