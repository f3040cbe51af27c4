// Text normalisation: numbers, signs, spelled words and abbreviations to plain words.
#include "tts/uttsPreproc.h"

#include <fstream>
#include <iterator>

// Texts are Windows-1252 bytes, so accented letters appear as octal escapes (\352 is e
// circumflex).

namespace elzar {
namespace {

constexpr const char* kUnitWords[10] = {"zero",   "um",    "dois", "tr\352s", "quatro",
                                        "cinco",  "seis",  "sete", "oito", "nove"};
constexpr const char* kTeenWords[10] = {"dez",      "onze",      "doze",      "treze",
                                        "quatorze", "quinze",    "dezesseis", "dezessete",
                                        "dezoito",  "dezenove"};
constexpr const char* kTenWords[10] = {"",         "",         "vinte",   "trinta",  "quarenta",
                                       "cinq\374enta", "sessenta", "setenta", "oitenta", "noventa"};
constexpr const char* kHundredWords[10] = {"",           "cento",      "duzentos",   "trezentos",
                                           "quatrocentos", "quinhentos", "seiscentos", "setecentos",
                                           "oitocentos", "novecentos"};
constexpr const char* kScaleSingular[5] = {"trilh\343o ", "bilh\343o ", "milh\343o ", "mil ", ""};
constexpr const char* kScalePlural[5] = {"trilh\365es ", "bilh\365es ", "milh\365es ", "mil ", ""};

constexpr const char* kOrdinalUnits[10] = {"",      "primeiro", "segundo", "terceiro", "quarto",
                                           "quinto", "sexto",    "s\351timo",  "oitavo",   "nono"};
constexpr const char* kOrdinalTens[10] = {"",           "d\351cimo",        "vig\351simo",
                                          "trig\351simo",  "quadrag\351simo",  "quinquag\351simo",
                                          "sexag\351simo", "septuag\351simo",  "octag\351simo",
                                          "nonag\351simo"};
constexpr const char* kOrdinalHundreds[10] = {"",              "cent\351simo",       "ducent\351simo",
                                              "tricent\351simo",  "quadrigent\351simo", "quingent\351simo",
                                              "seiscent\351simo", "septigent\351simo",  "octigent\351simo",
                                              "nongent\351simo"};

// Codes 32-126.
constexpr const char* kNamesAscii[95] = {
    "espa\347o", "exclama\347\343o", "aspas", "sustenido", "cifr\343o", "porcento", "\351 comercial",
    "ap\363strofo", "abre par\352nteses", "fecha par\352nteses", "asterisco", "mais", "v\355rgula", "tra\347o",
    "ponto", "barra",
    "z\351ro", "um", "dois", "tr\352s", "quatro", "cinco", "seis", "s\351te", "oito", "n\363ve",
    "dois pontos", "ponto e v\355rgula", "menor que", "igual", "maior que", "interroga\347\343o", "arr\364ba",
    "a", "b\352", " s\352", " d\352", "\351", "\351fe", "j\352", "ag\341", "i", "j\363ta", "c\341", "\351le", "\352me", "\352ne", "\363",
    "p\352", "qu\352", "\351rre", "\351sse", "t\352", "u", "v\352", "d\341bliu", "xis", "\355psilon", "z\352",
    "abre colchete", "barra invertida", "fecha colchete", "circunflexo", "sublinhado", "crase",
    "a", "b\352", " s\352", " d\352", "\351", "\351fe", "j\352", "ag\341", "i", "jota", "c\341", "\351le", "\352me", "ene", "\363",
    "p\352", "qu\352", "\351rre", "\351sse", "t\352", "u", "v\352", "d\341bliu", "xis", "\355psilon", "z\352",
    "abre chave", "barra vertical", "fecha chave", "til"};
// Codes 161-191.
constexpr const char* kNamesSigns[31] = {
    "exclama\347\343o reversa", "centavos de d\363lar", "libras", "s\355mbolo de moeda", "iene",
    "barra interrompida", "par\341grafo", "trema", "copyright", "ordinal feminino",
    "Aspas esquerdas", "nega\347\343o", "h\355fen", "Marca registrada", "m\341cron", "grau",
    "mais ou menos", "elevado ao quadrado", "elevado ao cubo", "acento agudo", "mi", "pi",
    "ponto no meio", "cedilha", "expoente um", "ordinal masculino", "aspas direitas",
    "um quarto", "um meio", "tr\352s quartos", "interroga\347\343o reversa"};
// Codes 192-220.
constexpr const char* kNamesCapitals[29] = {
    "A grave", "A agudo", "A circunflexo", "A com til", "A com trema", "A bola", "A \311",
    "C\352 cedilha", "\311 grave", "\311 agudo", "\311 circunflexo", "\311 com trema", "I grave", "I agudo",
    "I circunflexo", "I com trema", "D\352 cortado", "N com til", "\323 grave", "\323 agudo",
    "\323 circunflexo", "\323 com til", "\323 tremado", "vezes", "\323 cortado", "U grave", "U agudo",
    "U circunflexo", "U com trema"};

constexpr const char* kMonthNames[13] = {"",       "janeiro",  "fevereiro", "mar\347o",
                                         "abril",  "maio",     "junho",     "julho",
                                         "agosto", "setembro", "outubro",   "novembro",
                                         "dezembro"};

constexpr unsigned char kOrdMasc = 0xBA;  // \272
constexpr unsigned char kOrdFem = 0xAA;   // \252
constexpr unsigned char kDegree = 0xB0;   // \260
constexpr unsigned char kSquared = 0xB2;  // \262
constexpr unsigned char kCubed = 0xB3;    // \263
constexpr uint64_t kNumberLimit = 1000000000000000ULL;  // 15 digits

unsigned char byte_at(std::string_view t, size_t i) {
  return i < t.size() ? static_cast<unsigned char>(t[i]) : 0;
}
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool digit_at(std::string_view t, size_t i) { return i < t.size() && is_digit(byte_at(t, i)); }

bool is_accented_letter(unsigned char c) {
  // Capital and small: A grave, acute, circumflex, tilde; C cedilla; E acute, circumflex;
  // I grave, acute; N tilde; O acute, circumflex, tilde; U grave, acute, diaeresis.
  static constexpr std::string_view kAccented =
      "\300\301\302\303\307\311\312\314\315\321\323\324\325\331\332\334"
      "\340\341\342\343\347\351\352\354\355\361\363\364\365\371\372\374";
  return kAccented.find(static_cast<char>(c)) != std::string_view::npos;
}
bool is_letter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || is_accented_letter(c);
}
bool is_consonant(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (c >= 'A' && c <= 'Z') return c != 'A' && c != 'E' && c != 'I' && c != 'O' && c != 'U';
  static constexpr std::string_view kOther = "\307\321\347\361";
  return kOther.find(static_cast<char>(c)) != std::string_view::npos;
}
bool is_kept_punctuation(unsigned char c) {
  static constexpr std::string_view kKept = " !(),.:;?";
  return c != 0 && kKept.find(static_cast<char>(c)) != std::string_view::npos;
}

unsigned char fold(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || c >= 224) return static_cast<unsigned char>(c - 32);
  return c;
}
std::string fold_text(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return r;
}
std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
    --e;
  return s.substr(b, e - b);
}
void trim_trailing_blanks(std::string& s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
}

// One three-digit group; `inner_e` tells whether " e " was written inside it.
std::string spell_group(int group, bool& inner_e) {
  inner_e = false;
  if (group == 0) return "";
  if (group == 100) return "cem";
  const int hundreds = group / 100, tens = (group / 10) % 10, units = group % 10;
  std::string s;
  if (hundreds != 0) {
    s += kHundredWords[hundreds];
    if (group % 100 == 0) return s;
    s += " e ";
    inner_e = true;
  }
  if (tens == 1) return s + kTeenWords[units];
  if (tens >= 2) {
    s += kTenWords[tens];
    if (units == 0) return s;
    s += " e ";
    inner_e = true;
  }
  if (units != 0) s += kUnitWords[units];
  return s;
}

std::string spell_cardinal(uint64_t value) {
  if (value == 0) return "zero";
  value %= kNumberLimit;
  int groups[5];
  for (int g = 4; g >= 0; --g) {
    groups[g] = static_cast<int>(value % 1000);
    value /= 1000;
  }
  std::string words[5];
  bool inner[5];
  int last = -1;
  for (int g = 0; g < 5; ++g) {
    words[g] = spell_group(groups[g], inner[g]);
    if (groups[g] != 0) last = g;
  }
  std::string result;
  bool earlier = false;
  for (int g = 0; g < 5; ++g) {
    if (groups[g] == 0) continue;
    // "e" before a last group below one hundred or of whole hundreds: mil e duzentos,
    // dois mil e vinte e seis, but mil duzentos e trinta.
    if (g == last && earlier && (!inner[g] || groups[g] < 100)) result += "e ";
    result += words[g];
    if (g < 4) {
      result += ' ';
      result += groups[g] == 1 ? kScaleSingular[g] : kScalePlural[g];
    }
    earlier = true;
  }
  if (result.compare(0, 6, "um mil") == 0 && result.compare(0, 7, "um milh") != 0)
    result.erase(0, 3);
  trim_trailing_blanks(result);
  return result;
}

// Hours and the like: "uma", "duas" in place of the masculine last word.
std::string feminine_cardinal(uint64_t value) {
  std::string s = spell_cardinal(value);
  auto ends_with = [&](std::string_view w) {
    return s.size() >= w.size() && s.compare(s.size() - w.size(), w.size(), w) == 0 &&
           (s.size() == w.size() || s[s.size() - w.size() - 1] == ' ');
  };
  if (ends_with("um")) s += 'a';
  else if (ends_with("dois")) s.replace(s.size() - 4, 4, "duas");
  return s;
}

// Reads a run of digits with `.` thousands separators, at most 15 digits; false when the
// run is longer, so the caller can leave it to the number reader.
bool scan_grouped_integer(std::string_view t, size_t& i, uint64_t& value) {
  size_t j = i;
  uint64_t v = 0;
  if (!digit_at(t, j)) return false;
  while (j < t.size()) {
    if (digit_at(t, j)) {
      if (v >= kNumberLimit / 10) return false;
      v = v * 10 + (byte_at(t, j) - '0');
      ++j;
    } else if (t[j] == '.' && digit_at(t, j + 1) && digit_at(t, j + 2) && digit_at(t, j + 3) &&
               !digit_at(t, j + 4)) {
      ++j;
    } else {
      break;
    }
  }
  i = j;
  value = v;
  return true;
}

struct NumberRead {
  std::string words;
  uint64_t value = 0;
  bool plain_cardinal = false;  // neither spelled digit by digit nor an ordinal
};

NumberRead read_number(std::string_view t, size_t& i) {
  NumberRead r;
  size_t end = i;
  bool has_dash = false;
  while (end < t.size() && (digit_at(t, end) || t[end] == '-')) {
    if (t[end] == '-') has_dash = true;
    ++end;
  }
  if (has_dash) {
    for (size_t k = i; k < end; ++k) {
      r.words += ' ';
      r.words += t[k] == '-' ? "tra\347o" : kUnitWords[t[k] - '0'];
    }
    i = end;
    return r;
  }
  std::string zeros;
  while (byte_at(t, i) == '0' && digit_at(t, i + 1)) {
    zeros += "zero ";
    ++i;
  }
  uint64_t v = 0;
  while (i < t.size()) {
    if (digit_at(t, i)) {
      if (v >= kNumberLimit / 10) break;
      v = v * 10 + (byte_at(t, i) - '0');
      ++i;
    } else if (t[i] == '.' && digit_at(t, i + 1) && digit_at(t, i + 2) && digit_at(t, i + 3) &&
               !digit_at(t, i + 4) && v < kNumberLimit / 1000) {
      ++i;
    } else {
      break;
    }
  }
  r.value = v;
  char gender = 0;
  std::string plural;
  const unsigned char c = byte_at(t, i);
  const std::string_view rest = t.substr(i);
  if (c == kOrdMasc || c == kOrdFem) {
    gender = c == kOrdMasc ? 'm' : 'f';
    i += 1;
  } else if (rest.substr(0, 2) == "o." || rest.substr(0, 2) == "a.") {
    gender = rest[0] == 'o' ? 'm' : 'f';
    i += 2;
  } else if (rest.substr(0, 3) == "os." || rest.substr(0, 3) == "as.") {
    gender = rest[0] == 'o' ? 'm' : 'f';
    plural = "s";
    i += 3;
  }
  if (gender != 0) {
    r.words = ordinal_words(static_cast<int64_t>(v), gender) + plural;
  } else {
    r.words = zeros + spell_cardinal(v);
    r.plain_cardinal = true;
  }
  return r;
}

std::string digits_singly(std::string_view digits) {
  std::string s;
  for (char d : digits) {
    if (!s.empty()) s += ' ';
    s += kUnitWords[d - '0'];
  }
  return s;
}

bool digits_at(std::string_view t, size_t i, size_t count) {
  for (size_t k = 0; k < count; ++k)
    if (!digit_at(t, i + k)) return false;
  return true;
}

// 123.456.789-09, read as dictated: digits one by one.
bool read_cpf(std::string_view t, size_t& i, std::string& out) {
  if (!(digits_at(t, i, 3) && byte_at(t, i + 3) == '.' && digits_at(t, i + 4, 3) &&
        byte_at(t, i + 7) == '.' && digits_at(t, i + 8, 3) && byte_at(t, i + 11) == '-' &&
        digits_at(t, i + 12, 2) && !digit_at(t, i + 14)))
    return false;
  out += digits_singly(t.substr(i, 3)) + " ponto " + digits_singly(t.substr(i + 4, 3)) +
         " ponto " + digits_singly(t.substr(i + 8, 3)) + " tra\347o " +
         digits_singly(t.substr(i + 12, 2)) + ' ';
  i += 14;
  return true;
}

// Reads 1 to `max` digits as a number; false when there are none or more than `max`.
bool small_number(std::string_view t, size_t& i, size_t max, int& value) {
  size_t j = i;
  int v = 0;
  while (digit_at(t, j) && j - i < max) v = v * 10 + (byte_at(t, j++) - '0');
  if (j == i || digit_at(t, j)) return false;
  i = j;
  value = v;
  return true;
}

// 25/12/2026 and 1/5/24: day, month name and year.
bool read_date(std::string_view t, size_t& i, std::string& out) {
  size_t j = i;
  int day = 0, month = 0, year = 0;
  if (!small_number(t, j, 2, day) || byte_at(t, j) != '/') return false;
  ++j;
  if (!small_number(t, j, 2, month) || byte_at(t, j) != '/') return false;
  ++j;
  const size_t year_start = j;
  if (!small_number(t, j, 4, year) || (j - year_start != 2 && j - year_start != 4)) return false;
  if (byte_at(t, j) == '/' || day < 1 || day > 31 || month < 1 || month > 12) return false;
  size_t y = year_start;
  const std::string year_words = read_number(t.substr(0, j), y).words;
  out += (day == 1 ? std::string("primeiro") : spell_cardinal(day)) + " de " + kMonthNames[month] +
         " de " + year_words + ' ';
  i = j;
  return true;
}

// 14h30, 9h, 14h30min and 14:30: hours and minutes.
bool read_time(std::string_view t, size_t& i, std::string& out) {
  size_t j = i;
  int hours = 0, minutes = -1;
  if (!small_number(t, j, 2, hours) || hours > 24) return false;
  const unsigned char sep = byte_at(t, j);
  if (sep == 'h' || sep == 'H') {
    ++j;
    if (digit_at(t, j)) {
      if (!digits_at(t, j, 2) || digit_at(t, j + 2)) return false;
      minutes = (byte_at(t, j) - '0') * 10 + (byte_at(t, j + 1) - '0');
      j += 2;
      if (t.substr(j, 3) == "min") j += 3;
    }
    if (is_letter(byte_at(t, j))) return false;
  } else if (sep == ':') {
    // Two-digit hours only, so 3:16 (a verse, a ratio) stays a plain reading.
    if (j - i != 2 || !digits_at(t, j + 1, 2) || digit_at(t, j + 3)) return false;
    minutes = (byte_at(t, j + 1) - '0') * 10 + (byte_at(t, j + 2) - '0');
    j += 3;
  } else {
    return false;
  }
  if (minutes > 59) return false;
  out += feminine_cardinal(static_cast<uint64_t>(hours)) + (hours == 1 ? " hora" : " horas");
  if (minutes > 0)
    out += " e " + spell_cardinal(static_cast<uint64_t>(minutes)) +
           (minutes == 1 ? " minuto" : " minutos");
  out += ' ';
  i = j;
  return true;
}

bool ends_with_scale_word(const std::string& s) {
  for (std::string_view w : {"milh\343o", "milh\365es", "bilh\343o", "bilh\365es", "trilh\343o", "trilh\365es"})
    if (s.size() >= w.size() && s.compare(s.size() - w.size(), w.size(), w) == 0) return true;
  return false;
}

// R$ 1.250,50: reais and centavos.
bool read_money(std::string_view t, size_t& i, std::string& out) {
  if (t.substr(i, 2) != "R$") return false;
  size_t j = i + 2;
  if (byte_at(t, j) == ' ') ++j;
  uint64_t whole = 0;
  if (!scan_grouped_integer(t, j, whole)) return false;
  int cents = 0;
  if (byte_at(t, j) == ',' && digit_at(t, j + 1)) {
    if (digit_at(t, j + 2)) {
      if (digit_at(t, j + 3)) return false;
      cents = (byte_at(t, j + 1) - '0') * 10 + (byte_at(t, j + 2) - '0');
      j += 3;
    } else {
      cents = (byte_at(t, j + 1) - '0') * 10;
      j += 2;
    }
  }
  std::string s;
  if (whole != 0 || cents == 0) {
    s = spell_cardinal(whole);
    if (ends_with_scale_word(s)) s += " de";
    s += whole == 1 ? " real" : " reais";
  }
  if (cents != 0) {
    if (!s.empty()) s += " e ";
    s += spell_cardinal(static_cast<uint64_t>(cents)) + (cents == 1 ? " centavo" : " centavos");
  }
  out += s + ' ';
  i = j;
  return true;
}

struct Scanner {
  const Abbreviations& abbreviations;
  std::string_view text;
  size_t pos = 0;
  std::string out;
  // Where the last plainly read number ended, so a unit after it can be expanded.
  size_t number_end = std::string_view::npos;
  uint64_t number_value = 0;
};

std::string spell_word(std::string_view word) {
  std::string s;
  for (char c : word) s += character_name(static_cast<unsigned char>(c));
  return s;
}

bool only_consonants(std::string_view word) {
  for (char c : word) {
    const auto u = static_cast<unsigned char>(c);
    if (is_letter(u) && !is_consonant(u)) return false;
  }
  return true;
}

// "km" after "1" is "quil\364metro", after any other number "quil\364metros".
std::string unit_expansion(std::string expansion, uint64_t value) {
  if (value == 1 && expansion.size() > 1 && expansion.back() == 's') expansion.pop_back();
  return expansion;
}

bool directly_after_number(const Scanner& s, size_t word_start) {
  if (s.number_end == std::string_view::npos || word_start < s.number_end ||
      word_start - s.number_end > 1)
    return false;
  return word_start == s.number_end || s.text[s.number_end] == ' ';
}

void scan_word(Scanner& s) {
  const std::string_view t = s.text;
  const size_t start = s.pos;
  size_t j = start;
  while (j < t.size() && is_letter(byte_at(t, j))) {
    ++j;
    if (byte_at(t, j) == '-') ++j;
  }
  s.pos = j;
  const std::string_view word = t.substr(start, j - start);
  const unsigned char next = byte_at(t, j);
  const bool period = next == '.';
  const bool no_vowel = only_consonants(word);

  if (next == kOrdMasc || next == kOrdFem || next == kDegree || next == kSquared ||
      next == kCubed) {
    std::string key(word);
    key += static_cast<char>(next);
    const std::string e = abbreviation_lookup(s.abbreviations, key);
    if (!e.empty()) {
      s.out += e;
      s.pos = j + 1;
      return;
    }
  }
  if (directly_after_number(s, start)) {
    // Units: a "#" key holds a unit that would clash with a word or an initial elsewhere
    // (#m=metros, #min=minutos); a plain key serves too when the word has no vowel.
    std::string e = abbreviation_lookup(s.abbreviations, "#" + std::string(word));
    if (e.empty() && no_vowel) e = abbreviation_lookup(s.abbreviations, word);
    if (!e.empty()) {
      s.out += unit_expansion(e, s.number_value);
      return;
    }
  }
  if (no_vowel && !period) {
    // A listed word that would otherwise be spelled letter by letter (km, vc, Sr).
    const std::string e = abbreviation_lookup(s.abbreviations, word);
    if (!e.empty()) {
      s.out += e;
      return;
    }
  }
  std::string expansion;
  if (period) expansion = abbreviation_lookup(s.abbreviations, word);
  const bool spelled = no_vowel && !(period && !expansion.empty());
  const std::string plain = spelled ? spell_word(word) : std::string(word);

  if (!period || (j + 1 < t.size() && t[j + 1] != ' ')) {
    s.out += plain;
  } else if (expansion.empty()) {
    s.out += plain;
  } else if (j + 1 >= t.size()) {
    // The period ending the text also ends the sentence: it stays.
    s.out += expansion;
  } else {
    s.out += expansion;
    s.pos = j + 1;
  }
}

void scan_digits(Scanner& s) {
  const std::string_view t = s.text;
  s.number_end = std::string_view::npos;
  if (read_cpf(t, s.pos, s.out) || read_date(t, s.pos, s.out) || read_time(t, s.pos, s.out))
    return;
  NumberRead r = read_number(t, s.pos);
  s.out += r.words;
  s.out += ' ';
  bool plain = r.plain_cardinal;
  uint64_t value = r.value;
  while (s.pos + 1 < t.size() && (t[s.pos] == ',' || t[s.pos] == '.') && digit_at(t, s.pos + 1)) {
    s.out += t[s.pos] == ',' ? "v\355rgula " : "ponto ";
    ++s.pos;
    r = read_number(t, s.pos);
    s.out += r.words;
    s.out += ' ';
    plain = r.plain_cardinal;
    value = 2;  // a fraction takes the plural
  }
  if (plain) {
    s.number_end = s.pos;
    s.number_value = value;
  }
}

void scan_other(Scanner& s) {
  const unsigned char c = byte_at(s.text, s.pos);
  if (is_kept_punctuation(c)) {
    s.out += static_cast<char>(c);
  } else if (c != 9 && c != 10 && c != 13) {
    s.out += ' ';
    s.out += character_name(c);
    s.out += ' ';
  }
  ++s.pos;
}

void scan_step(Scanner& s) {
  const std::string_view t = s.text;
  const size_t i = s.pos;
  const unsigned char c = byte_at(t, i);
  const bool last = i + 1 >= t.size();
  if (c == '-' && i > 0 && t[i - 1] == ' ' && byte_at(t, i + 1) == ' ') {
    s.out += ',';
    ++s.pos;
  } else if (c == '-' && !last && digit_at(t, i + 1)) {
    s.out += "menos ";
    ++s.pos;
  } else if (is_digit(c)) {
    scan_digits(s);
  } else if (c == 'R' && read_money(t, s.pos, s.out)) {
    s.number_end = std::string_view::npos;
  } else if (is_letter(c)) {
    scan_word(s);
  } else if (t.substr(i, 3) == "...") {
    s.out += "... ";
    s.pos += 3;
  } else if (c == '.' && !last && t[i + 1] != ' ') {
    s.out += " ponto ";
    ++s.pos;
  } else {
    scan_other(s);
  }
}

}  // namespace

bool load_abbreviations(Abbreviations& a, const std::string& host_path) {
  a.entries.clear();
  std::ifstream in(host_path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (a.entries.size() >= kAbbreviationsMax) break;
    const std::string_view l = trim(line);
    if (l.empty() || l[0] == ';') continue;
    const size_t eq = l.find('=');
    const std::string_view key = trim(l.substr(0, eq));
    std::string_view expansion;
    if (eq != std::string_view::npos) expansion = l.substr(eq + 1, kExpansionMax);
    a.entries.emplace_back(fold_text(key), std::string(trim(expansion)));
  }
  return !in.bad();
}

std::string abbreviation_lookup(const Abbreviations& a, std::string_view word) {
  const std::string key = fold_text(word);
  for (const auto& [k, expansion] : a.entries)
    if (k == key) return expansion;
  return "";
}

std::string character_name(unsigned char code) {
  if (code >= 224) code = static_cast<unsigned char>(code - 32);
  if (code >= 32 && code <= 126) return kNamesAscii[code - 32];
  if (code >= 161 && code <= 191) return kNamesSigns[code - 161];
  if (code >= 192 && code <= 220) return kNamesCapitals[code - 192];
  return "";
}

std::string cardinal_words(int64_t value) {
  if (value < 0) return "menos " + spell_cardinal(0 - static_cast<uint64_t>(value));
  return spell_cardinal(static_cast<uint64_t>(value));
}

std::string ordinal_words(int64_t value, char gender) {
  if (value >= 2000 || value < 0) return cardinal_words(value);
  if (value == 0) return "zero";
  const int digits[4] = {static_cast<int>(value % 10), static_cast<int>(value / 10 % 10),
                         static_cast<int>(value / 100 % 10), static_cast<int>(value / 1000)};
  std::string result;
  for (int place = 0; place < 4; ++place) {
    if (digits[place] == 0) continue;
    std::string word = place == 0   ? kOrdinalUnits[digits[place]]
                       : place == 1 ? kOrdinalTens[digits[place]]
                       : place == 2 ? kOrdinalHundreds[digits[place]]
                                    : "mil\351simo";
    if (gender == 'f') word.back() = 'a';
    result = word + " " + result;
  }
  trim_trailing_blanks(result);
  return result;
}

std::string uttsPreproc(const Abbreviations& a, std::string_view text) {
  std::string single;
  if (text.size() == 1) {
    single = character_name(static_cast<unsigned char>(text[0]));
    text = single;
  }
  Scanner s{a, text, 0, {}, std::string_view::npos, 0};
  s.out.reserve(text.size() * 2);
  while (s.pos < text.size()) scan_step(s);
  return s.out;
}

}  // namespace elzar
