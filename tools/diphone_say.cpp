// diphone_say: speaks phrases, or every word of a list, with the built-in diphone voice of a
// family root, and reports the names its database lacks.
//
//   diphone_say --root ROOT [--level N] [--audio SETTING] [--words LIST] [PHRASE...]
//
// PHRASE is UTF-8. With --words, each line is a word (UTF-8 or ISO-8859-1, checked on the
// whole file); the words that placed a missing name are printed with what was missing, and
// the last lines give the counts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"
#include "speech/diphone.h"

namespace {

bool valid_utf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (more < 0) return false;
    for (int k = 1; k <= more; ++k)
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

int number(const std::string& v, int fallback) {
  if (v.empty() || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos) return fallback;
  return std::atoi(v.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string root, audio = "null", words;
  int level = 3;
  std::vector<std::string> phrases;
  for (int a = 1; a < argc; ++a) {
    const std::string arg = argv[a];
    const bool has_value = a + 1 < argc;
    if (arg == "--root" && has_value) root = argv[++a];
    else if (arg == "--level" && has_value) level = std::atoi(argv[++a]);
    else if (arg == "--audio" && has_value) audio = argv[++a];
    else if (arg == "--words" && has_value) words = argv[++a];
    else phrases.push_back(arg);
  }
  if (root.empty() || level < 1 || level > 5) {
    std::fprintf(stderr, "usage: %s --root ROOT [--level 1-5] [--audio SETTING] [--words LIST] [PHRASE...]\n", argv[0]);
    return 2;
  }
  plat::DriveTable drives = plat::DriveTable::from_environment(root);
  speech::ConfigContext config;
  config.drives = &drives;
  speech::Speech s;
  s.config = &config;
  speech::select_audio(s, audio.c_str());

  const std::string n = std::to_string(level);
  speech::DiphoneSettings settings;
  const std::string db = speech::read_config(config, "SINTETIZADOR", "DIFONES" + n);
  settings.database = db;
  settings.cut = number(speech::read_config(config, "SINTETIZADOR", "CORTEFON" + n), 0);
  settings.minimum = number(speech::read_config(config, "SINTETIZADOR", "SOBRAFON" + n), 0);
  settings.word_gap = number(speech::read_config(config, "SINTETIZADOR", "INTERPAL" + n), 0);
  // The flags the front gives the wave player, so that what is heard is what the level gives.
  auto flag = [&](const char* key) {
    const std::string v = speech::read_config(config, "SINTETIZADOR", key + n);
    return !v.empty() && v[0] != 'N' && v[0] != 'n';
  };
  s.wave.speech_cutting = flag("CORTAFALA");
  s.wave.raised_rate = flag("RAPIDINHO");
  if (const int e = speech::diphone_open(s, settings)) {
    std::fprintf(stderr, "diphone_open: %d (database %s)\n", e, settings.database.c_str());
    return 1;
  }

  char* log_text = nullptr;
  size_t log_size = 0;
  s.log = open_memstream(&log_text, &log_size);
  if (!s.log) return 1;

  long total = 0, clean = 0;
  auto say = [&](const std::string& cp1252, const std::string& shown, bool report_each) {
    std::fflush(s.log);
    const size_t before = log_size;
    const std::string phonetic = speech::diphone_translate(s, cp1252);
    speech::diphone_speak(s, phonetic);
    std::fflush(s.log);
    ++total;
    if (log_size == before) {
      ++clean;
      if (report_each) std::printf("%s\t%s\tok\n", shown.c_str(), plat::cp1252_to_utf8(phonetic).c_str());
      return;
    }
    std::string missing(log_text + before, log_size - before);
    for (char& c : missing)
      if (c == '\n') c = ' ';
    std::printf("%s\t%s\t%s\n", shown.c_str(), plat::cp1252_to_utf8(phonetic).c_str(), missing.c_str());
  };

  for (const std::string& p : phrases) say(plat::utf8_to_cp1252(p), p, true);
  if (!words.empty()) {
    std::ifstream f(words, std::ios::binary);
    if (!f) {
      std::fprintf(stderr, "cannot read %s\n", words.c_str());
      return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(f)), {});
    const bool utf8 = valid_utf8(bytes);
    size_t at = 0;
    while (at < bytes.size()) {
      size_t end = bytes.find('\n', at);
      if (end == std::string::npos) end = bytes.size();
      std::string line = bytes.substr(at, end - at);
      at = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      say(utf8 ? plat::utf8_to_cp1252(line) : line, utf8 ? line : plat::cp1252_to_utf8(line), false);
    }
  }
  speech::diphone_close(s);
  std::fclose(s.log);
  s.log = nullptr;
  std::free(log_text);
  std::printf("words %ld\nvoiced_without_missing %ld\n", total, clean);
  return 0;
}
