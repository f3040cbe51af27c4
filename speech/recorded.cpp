// Recorded voice: number words, fragment names, joined fragment playback, times, dates
// and dialling tones.
#include "speech/recorded.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

#include "console/ZnCrt.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

constexpr std::array<const char*, 10> kUnits = {"zero", "um",   "dois", "tres", "quatro",
                                                "cinco", "seis", "sete", "oito", "nove"};
constexpr std::array<const char*, 10> kTeens = {"dez",    "onze",      "doze",      "treze",   "quatorze",
                                                "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
constexpr std::array<const char*, 10> kTens = {"",         "",        "vinte",   "trinta",  "quarenta",
                                               "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
constexpr std::array<const char*, 10> kHundreds = {"",           "cento",      "duzentos",  "trezentos",
                                                   "quatrocentos", "quinhentos", "seiscentos", "setecentos",
                                                   "oitocentos", "novecentos"};
// Group 0 (trillions) to group 3 (thousands); the units group has no scale word.
constexpr std::array<const char*, 4> kScaleOne = {"trilh\xE3o ", "bilh\xE3o ", "milh\xE3o ", "mil "};
constexpr std::array<const char*, 4> kScaleMany = {"trilh\xF5" "es ", "bilh\xF5" "es ", "milh\xF5" "es ", "mil "};

constexpr std::array<const char*, 7> kWeekdays = {"Domingo", "Segunda", "Terca", "Quarta",
                                                  "Quinta",  "Sexta",   "Sabado"};
constexpr std::array<const char*, 12> kMonths = {"Janeiro", "Fevereiro", "Marco",    "Abril",
                                                 "Maio",    "Junho",     "Julho",    "Agosto",
                                                 "Setembro", "Outubro",  "Novembro", "Dezembro"};

std::string group_words(int group, int h, int t, int u) {
  if (h == 0 && t == 0 && u == 0) return std::string();
  std::string out;
  if (h == 1 && t == 0 && u == 0) {
    out = "cem";
  } else {
    if (h != 0) {
      out += kHundreds[static_cast<size_t>(h)];
      if (t != 0 || u != 0) out += " e ";
    }
    if (t == 1) {
      out += kTeens[static_cast<size_t>(u)];
    } else {
      if (t != 0) {
        out += kTens[static_cast<size_t>(t)];
        if (u != 0) out += " e ";
      }
      if (u != 0) out += kUnits[static_cast<size_t>(u)];
    }
  }
  if (group < 4) {
    out += ' ';
    out += (h == 0 && t == 0 && u == 1) ? kScaleOne[static_cast<size_t>(group)] : kScaleMany[static_cast<size_t>(group)];
  }
  return out;
}

std::optional<std::string> letters_file(const Speech& s, const std::string& name) {
  return host_file(s, s.letters_dir + name + ".wav");
}

// One wave image of 11025 Hz mono 8-bit samples, waited out.
void play_samples_image(Speech& s, std::vector<uint8_t>& image, size_t samples) {
  if (samples == 0) return;
  wait_engine_silence(s);
  build_wave_header(image.data(), static_cast<uint32_t>(samples), 11025, 1, 8);
  play_wave_image(player(s), image.data(), kWaveHeader + samples);
  wait_speech(s);
}

struct File {
  std::FILE* f = nullptr;
  ~File() {
    if (f) std::fclose(f);
  }
};

// A fragment too long for the join buffer is read and queued piece by piece, so memory
// stays bounded whatever the file's size.
void play_long_fragment(Speech& s, std::FILE* f, uint64_t size) {
  wait_engine_silence(s);
  WavePlayer& p = player(s);
  std::vector<uint8_t> piece(kWaveBlock);
  uint64_t left = size;
  while (left > 0) {
    if (s.console && s.console->key_pressed()) break;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
    const size_t got = std::fread(piece.data(), 1, want, f);
    if (got == 0) break;
    play_samples(p, piece.data(), got, 11025, 1, 8);
    left -= got;
  }
  wait_speech(s);
}

}  // namespace

std::string number_to_words(uint64_t n) {
  if (n == 0) return "zero";
  if (n >= kWordsLimit) {
    std::string digits = std::to_string(n), out;
    for (char c : digits) {
      if (!out.empty()) out += ' ';
      out += kUnits[static_cast<size_t>(c - '0')];
    }
    return out;
  }
  char digits[16];
  std::snprintf(digits, sizeof digits, "%015llu", static_cast<unsigned long long>(n));
  std::array<std::string, 5> groups;
  int last = -1;
  for (int g = 0; g < 5; ++g) {
    const int h = digits[3 * g] - '0', t = digits[3 * g + 1] - '0', u = digits[3 * g + 2] - '0';
    groups[static_cast<size_t>(g)] = group_words(g, h, t, u);
    if (!groups[static_cast<size_t>(g)].empty()) last = g;
  }
  std::string out;
  bool earlier = false;
  for (int g = 0; g <= last; ++g) {
    const std::string& text = groups[static_cast<size_t>(g)];
    if (text.empty()) continue;
    if (g == last && earlier) out += "e ";
    out += text;
    earlier = true;
  }
  if (out.rfind("um mil", 0) == 0 && out.rfind("um milh", 0) != 0) out.erase(0, 3);
  // Scale words end in a blank; the words themselves are what callers need.
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string fragment_name(std::string_view word) {
  std::string w(word);
  if (w == "dezessete") w = "dezeset";
  std::string name = "_";
  for (char c : w) {
    if (c == '\xE3') c = 'a';
    else if (c == '\xF5') c = 'o';
    name += c;
  }
  if (name.size() > 8) name.resize(8);
  return name;
}

void play_word_fragments(Speech& s, std::string_view words, Gender gender) {
  std::vector<std::string_view> list;
  for (size_t i = 0; i < words.size();) {
    if (words[i] == ' ') {
      ++i;
      continue;
    }
    size_t end = words.find(' ', i);
    if (end == std::string_view::npos) end = words.size();
    list.push_back(words.substr(i, end - i));
    i = end;
  }
  std::vector<uint8_t> image(kWaveHeader + kFragmentBufferMax);
  size_t collected = 0;
  for (size_t k = 0; k < list.size(); ++k) {
    std::string name = fragment_name(list[k]);
    if (gender == Gender::feminine && k + 1 == list.size()) {
      if (name == "_um") name = "_uma";
      else if (name == "_dois") name = "_duas";
    }
    log_event(s, "fragment", name);
    const auto host = letters_file(s, name);
    if (!host) continue;
    struct stat st {};
    if (::stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    File file{std::fopen(host->c_str(), "rb")};
    if (!file.f) continue;
    // Everything after the canonical header is sample data; a shorter file has none.
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size <= kWaveHeader || std::fseek(file.f, static_cast<long>(kWaveHeader), SEEK_SET) != 0) continue;
    const uint64_t m = size - kWaveHeader;
    if (collected + m > kFragmentBufferMax) {
      play_samples_image(s, image, collected);
      collected = 0;
    }
    if (m > kFragmentBufferMax) {
      play_long_fragment(s, file.f, m);
      continue;
    }
    collected += std::fread(image.data() + kWaveHeader + collected, 1, static_cast<size_t>(m), file.f);
  }
  play_samples_image(s, image, collected);
}

void play_number(Speech& s, long long n, Gender gender) {
  uint64_t v = static_cast<uint64_t>(n);
  if (n < 0) {
    speak_fragment(s, "_MENOS");
    v = 0 - v;
  }
  play_word_fragments(s, number_to_words(v), gender);
}

void speak_time(Speech& s, int hours, int minutes) {
  play_number(s, hours, Gender::feminine);
  speak_fragment(s, hours < 2 ? "_hora" : "_horas");
  if (minutes != 0) {
    play_number(s, minutes, Gender::masculine);
    speak_fragment(s, minutes < 2 ? "_minuto" : "_minutos");
  }
}

int weekday(int day, int month, int year) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return -1;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day > days) return -1;
  static constexpr int kShift[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int y = month < 3 ? year - 1 : year;
  return (y + y / 4 - y / 100 + y / 400 + kShift[month - 1] + day) % 7;
}

void speak_date(Speech& s, int day, int month, int year) {
  const int w = weekday(day, month, year);
  if (w < 0) return;
  speak_fragment(s, std::string("_") + kWeekdays[static_cast<size_t>(w)]);
  if (day == 1) speak_fragment(s, "_primeir");
  else play_word_fragments(s, number_to_words(static_cast<uint64_t>(day)), Gender::masculine);
  speak_fragment(s, "_de");
  speak_fragment(s, ("_" + std::string(kMonths[static_cast<size_t>(month - 1)])).substr(0, 8));
  speak_fragment(s, "_de");
  if (year >= 2000) play_word_fragments(s, number_to_words(2000), Gender::masculine);
  if (year > 2000) speak_fragment(s, "_e");
  if (year % 100 != 0) play_word_fragments(s, number_to_words(static_cast<uint64_t>(year % 100)), Gender::masculine);
}

namespace {
std::tm local_now() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}
}  // namespace

void speak_clock_time(Speech& s) {
  const std::tm tm = local_now();
  speak_time(s, tm.tm_hour, tm.tm_min);
}

void speak_today(Speech& s) {
  const std::tm tm = local_now();
  speak_date(s, tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
}

void play_dtmf(Speech& s, std::string_view symbols) {
  WavePlayer& p = player(s);
  const bool raised = p.raised_rate;
  p.raised_rate = false;
  // Delays give way to a waiting key, as every wait of the front does.
  auto delay = [&s](int ms) {
    for (int k = 0; k < ms / 50; ++k) {
      if (s.console && s.console->key_pressed()) return;
      if (s.console) s.console->pause(50);
    }
  };
  for (char raw : symbols) {
    const char c = static_cast<char>(fold_pt(static_cast<unsigned char>(raw)));
    if ((c >= '0' && c <= '9') || c == '#' || c == '*') {
      const std::string name = std::string("dtmf_") + (c == '*' ? 'X' : c);
      log_event(s, "fragment", name);
      wait_engine_silence(s);
      if (auto host = letters_file(s, name)) play_wave_file(player(s), *host);
      wait_speech(s);
      delay(100);
    } else if (c == ',') {
      delay(1000);
    }
  }
  player(s).raised_rate = raised;
}

}  // namespace speech
