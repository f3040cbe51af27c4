// The speech front: every text, fragment and character the program voices passes here.
#include <sys/stat.h>

#include "console/ZnCrt.h"
#include "platform/text.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

std::string with_backslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

bool file_exists(const Speech& s, const std::string& name) {
  if (!s.config || !s.config->drives) return false;
  auto host = plat::host_path(*s.config->drives, name);
  struct stat st {};
  return host && stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string fragment_path(const Speech& s, std::string_view name) {
  const std::string& dir = (!name.empty() && name[0] == '_') ? s.letters_dir : s.script_dir;
  return dir + std::string(name) + ".wav";
}

int level_from_config(Speech& s) {
  if (!s.config) return 3;
  std::string v = read_config(*s.config, "TRADUTOR", "VELOCIDADE");
  int level = 0;
  if (!v.empty() && v.size() < 10 && v.find_first_not_of("0123456789") == std::string::npos)
    level = std::stoi(v);
  return level;
}

}  // namespace

std::string to_upper_pt(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(fold_pt(static_cast<unsigned char>(c)));
  return out;
}

Speech::~Speech() {
  if (log && owns_log) std::fclose(log);
}

bool open_speech_log(Speech& s, const std::string& host_path) {
  std::FILE* f = std::fopen(host_path.c_str(), "w");
  if (!f) return false;
  if (s.log && s.owns_log) std::fclose(s.log);
  s.log = f;
  s.owns_log = true;
  return true;
}

void log_event(Speech& s, std::string_view kind, std::string_view text) {
  if (!s.log) return;
  std::string line(kind);
  if (!text.empty()) {
    line += ' ';
    line += plat::cp1252_to_utf8(text);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), s.log);
  std::fflush(s.log);
}

void speech_init(Speech& s, int level, std::string_view script_sound_dir) {
  if (level <= 0) level = level_from_config(s);
  if (level <= 0 || level > 5) level = 3;
  s.speed_level = level;
  s.script_dir = with_backslash(std::string(script_sound_dir));
  std::string letters;
  if (s.config) letters = read_profile_direct(*s.config, "TRADUTOR", "DIRLETRAS", 255);
  if (letters.empty()) letters = "c:\\palmir\\som\\letras\\";
  s.letters_dir = with_backslash(letters);
}

void speech_shutdown(Speech& s) {
  wait_speech(s);
  stop_speech(s);
}

void speak_text(Speech& s, std::string_view text) {
  s.abort = false;
  log_event(s, "text", text);
}

void write_and_speak(Speech& s, std::string_view text) {
  s.console->write(text);
  speak_text(s, text);
}

void write_line_and_speak(Speech& s, std::string_view text) {
  write_and_speak(s, text);
  s.console->write_line_end();
}

void write_number_and_speak(Speech& s, long long n) { write_and_speak(s, std::to_string(n)); }

void speak_fragment(Speech& s, std::string_view name) { log_event(s, "fragment", name); }

bool fragment_exists(const Speech& s, std::string_view name) { return file_exists(s, fragment_path(s, name)); }

void speak_char(Speech& s, unsigned char c) { log_event(s, "char", std::to_string(c)); }

bool is_speaking(Speech& s) {
  if (s.console && s.console->key_pressed()) {
    stop_speech(s);
    return false;
  }
  return false;
}

void wait_speech(Speech& s) {
  while (is_speaking(s)) s.console->pause(10);
}

void stop_speech(Speech& s) { s.abort = true; }

uint8_t read_key_spoken(Speech& s) {
  uint8_t k = s.console->read_key();
  stop_speech(s);
  speak_char(s, k);
  return k;
}

std::string read_line_spoken(Speech& s) { return s.console->read_line(); }

int edit_line_here(Speech& s, std::string& field, int col, int row, bool, int max_len) {
  s.console->go_to(col, row);
  field = s.console->read_line();
  if (max_len >= 0 && field.size() > static_cast<size_t>(max_len)) field.resize(static_cast<size_t>(max_len));
  return 13;
}

}  // namespace speech
