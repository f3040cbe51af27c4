// The speech front: every text, fragment and character the program voices passes here.
#include <sys/stat.h>

#include <optional>
#include <random>

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

std::optional<std::string> host_of(const Speech& s, const std::string& name) {
  if (!s.config || !s.config->drives) return std::nullopt;
  return plat::host_path(*s.config->drives, name);
}

// Before any wave: an engine still talking is let finish.
void engine_silence(Speech& s) {
  if (!s.engine_pending) return;
  wait_speech(s);
  s.engine_pending = false;
}

void play_file(Speech& s, const std::string& name) {
  engine_silence(s);
  if (auto host = host_of(s, name)) play_wave_file(player(s), *host);
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

Speech::Speech() {
  click_image.assign(kWaveHeader + 256, 128);
  build_wave_header(click_image.data(), 256, 11025, 1, 8);
  std::minstd_rand noise;
  for (size_t i = 0; i < 64; ++i) click_image[kWaveHeader + i] = static_cast<uint8_t>(128 + noise() % 60);
  midi.make_layer = [] { return std::unique_ptr<plat::MidiLayer>(std::make_unique<plat::MidiRecorder>()); };
}

void select_audio(Speech& s, const char* setting) {
  const plat::AudioSetting a = plat::parse_audio_setting(setting ? setting : "");
  set_audio_layer(s.wave, plat::make_audio(a));
  s.midi.out.reset();
  s.midi.layer.reset();
  if (a.choice == plat::AudioChoice::device) {
    s.midi.make_layer = [] {
      std::unique_ptr<plat::MidiLayer> l = plat::make_fluidsynth_midi();
      if (!l) l = std::make_unique<plat::MidiRecorder>();
      return l;
    };
  }
}

WavePlayer& player(Speech& s) {
  s.wave.console = s.console;
  return s.wave;
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

void speak_fragment(Speech& s, std::string_view name) {
  log_event(s, "fragment", name);
  play_file(s, fragment_path(s, name));
}

bool fragment_exists(const Speech& s, std::string_view name) { return file_exists(s, fragment_path(s, name)); }

void speak_char(Speech& s, unsigned char c) {
  log_event(s, "char", std::to_string(c));
  play_file(s, s.letters_dir + "_" + std::to_string(c) + ".wav");
}

bool is_speaking(Speech& s) {
  if (s.console && s.console->key_pressed()) {
    stop_speech(s);
    return false;
  }
  return wave_busy(player(s));
}

void play_click(Speech& s) {
  log_event(s, "click", "");
  engine_silence(s);
  WavePlayer& p = player(s);
  const bool cutting = p.speech_cutting;
  p.speech_cutting = false;
  play_wave_image(p, s.click_image.data(), s.click_image.size());
  wait_speech(s);
  p.speech_cutting = cutting;
}

void play_beep(Speech& s) {
  log_event(s, "beep", "");
  engine_silence(s);
  if (s.console) s.console->discard_keys();
  static constexpr uint8_t kSteps[8] = {128, 112, 96, 80, 64, 80, 96, 112};
  std::vector<uint8_t> image(kWaveHeader + 512);
  build_wave_header(image.data(), 512, 11025, 1, 8);
  for (size_t i = 0; i < 512; ++i) image[kWaveHeader + i] = kSteps[i % 8];
  image.back() = 128;
  play_wave_image(player(s), image.data(), image.size());
  wait_speech(s);
}

void play_tone(Speech& s, int hz, const std::string& wave) {
  if (hz > 0) play_tone_loop(player(s), wave);
  else stop_tone_loop(player(s));
}

void wait_speech(Speech& s) {
  while (is_speaking(s)) s.console->pause(10);
}

void stop_speech(Speech& s) {
  WavePlayer& p = player(s);
  if (p.out && p.queued > 0) log_event(s, "stop", "");
  stop_wave(p);
  s.abort = true;
}

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
