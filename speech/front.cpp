// The speech front: every text, fragment and character the program voices passes here.
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <random>
#include <thread>

#include "console/ZnCrt.h"
#include "platform/text.h"
#include "speech/diphone.h"
#include "speech/engines.h"
#include "speech/recorded.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

std::string with_backslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

bool file_exists(const Speech& s, const std::string& name) {
  auto host = host_file(s, name);
  struct stat st {};
  return host && stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string fragment_path(const Speech& s, std::string_view name) {
  const std::string& dir = (!name.empty() && name[0] == '_') ? s.letters_dir : s.script_dir;
  return dir + std::string(name) + ".wav";
}

void play_file(Speech& s, const std::string& name) {
  wait_engine_silence(s);
  if (auto host = host_file(s, name)) play_wave_file(player(s), *host);
}

// Decimal text with an optional sign; anything else is not a number.
std::optional<int> parse_number(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  bool negative = false;
  if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  if (v.empty() || v.size() > 10) return std::nullopt;
  long long n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (negative) n = -n;
  if (n > INT32_MAX || n < INT32_MIN) return std::nullopt;
  return static_cast<int>(n);
}

int number_or(const ConfigContext& ctx, std::string_view section, const std::string& key, int fallback) {
  return parse_number(read_config(ctx, section, key)).value_or(fallback);
}

// On when non-empty and not starting with N or n.
bool flag_on(std::string_view v) { return !v.empty() && v[0] != 'N' && v[0] != 'n'; }

bool key_waiting(Speech& s) { return s.console && s.console->key_pressed(); }

void pause_steps(Speech& s, int ms) {
  for (int k = 0; k < ms / 50; ++k) {
    if (key_waiting(s)) continue;
    if (s.console) s.console->pause(50);
  }
}

void apply_settings(Speech& s, const VoiceSettings& v) {
  s.settings = v;
  WavePlayer& p = player(s);
  p.speech_cutting = v.cutting;
  p.raised_rate = v.raised;
}

void close_engine(Speech& s) {
  s.engine.reset();
  s.engine_active = false;
}

// Step 7 of the start: an engine when SAPI is on. A failed open leaves the built-in path.
void open_engine(Speech& s) {
  s.engine_request.reset();
  if (!s.config || !flag_on(to_upper_pt(read_config(*s.config, "TRADUTOR", "SAPI")))) return;
  EngineRequest r;
  r.voice = number_or(*s.config, "SERVFALA", "VOZ", 0);
  r.rate = number_or(*s.config, "SERVFALA", "VELOCIDADE", 0);
  r.pitch = number_or(*s.config, "SERVFALA", "TOM", 0);
  r.kind = number_or(*s.config, "SERVFALA", "TIPOSAPI", 0);
  if (r.kind != 4 && r.rate > 10) r.rate = 0;
  s.engine_request = r;
  s.engine = open_engine_adapter(s, r);
  if (s.engine) {
    while (s.engine->speaking(1)) {
      if (s.console) s.console->pause(50);
      else break;
    }
  }
  s.engine_active = s.engine != nullptr;
  s.engine_kind = r.kind;
}

bool phrase_char(unsigned char c) {
  return c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
}

bool letter_or_high(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128; }

// A punctuation mark at the head of rest: waited for, spoken, then its pause.
void punctuation(Speech& s, std::string_view rest) {
  if (key_waiting(s)) return;
  const unsigned char c = static_cast<unsigned char>(rest[0]);
  const bool blank_after = rest.size() > 1 && rest[1] == ' ';
  wait_speech(s);
  speak_char(s, c);
  int ms = 0;
  if (c == '(' || c == ')' || c == ':' || c == ';') ms = s.settings.pause_colon;
  else if (c == ',' || (c == '-' && blank_after)) ms = s.settings.pause_comma;
  else if (c == '.' && blank_after) ms = s.settings.pause_full_stop;
  pause_steps(s, ms);
}

void speak_builtin(Speech& s, std::string_view input) {
  std::string text(input);
  text += ' ';
  s.abort = false;
  int repeats = 0;
  unsigned char previous = ' ';
  size_t i = 0;
  const size_t n = text.size();
  auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  while (!s.abort && i < n) {
    if (key_waiting(s)) {
      stop_speech(s);
      break;
    }
    while (i < n && text[i] == '0') {
      speak_fragment(s, "_zero");
      ++i;
    }
    if (i >= n) break;
    const unsigned char first = at(i);
    if (first >= '1' && first <= '9') {
      size_t end = i;
      while (end < n && ((text[end] >= '0' && text[end] <= '9') || text[end] == '-')) ++end;
      const std::string_view run(text.data() + i, end - i);
      i = end;
      if (run.find('-') != std::string_view::npos || run.size() >= 7) {
        spell_text(s, run);
      } else {
        play_word_fragments(s, number_to_words(std::stoull(std::string(run))), Gender::masculine);
      }
      continue;
    }
    if (phrase_char(first)) {
      size_t end = i;
      while (end < n && phrase_char(at(end))) ++end;
      const std::string_view phrase(text.data() + i, end - i);
      i = end;
      if (to_upper_pt(phrase) == "WWW") {
        spell_text(s, phrase);
      } else {
        const std::string phonetic = diphone_translate(s, phrase.substr(0, 999));
        // A phrase of blanks alone (or a closed voice) leaves nothing to voice.
        if (!phonetic.empty()) {
          log_event(s, "phonetic", phonetic);
          diphone_speak(s, phonetic);
        }
      }
      if (i + 1 < n && text[i] == '-' && letter_or_high(at(i + 1))) ++i;
      continue;
    }
    unsigned char c = first;
    if (c == previous) {
      ++repeats;
      if (repeats > 3) {
        play_click(s);
        c = ' ';
      }
    } else {
      previous = c;
      repeats = 0;
    }
    const std::string_view rest(text.data() + i, n - i);
    if (first != '-') {
      if (rest.substr(0, 3) == "://") {
        speak_char(s, ':');
      } else if (c == '\t' || c == ' ') {
      } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == ':' || c == ';') {
        punctuation(s, rest);
      } else if (!key_waiting(s)) {
        speak_char(s, c);
      }
    } else {
      const unsigned char second = rest.size() < 3 ? ' ' : static_cast<unsigned char>(rest[1]);
      if (second == ' ' || second == '-') punctuation(s, rest);
      else if (second >= '0' && second <= '9') speak_fragment(s, "_MENOS");
      else speak_char(s, '-');
    }
    ++i;
  }
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

std::optional<std::string> host_file(const Speech& s, const std::string& name) {
  if (!s.config || !s.config->drives) return std::nullopt;
  return plat::host_path(*s.config->drives, name);
}

void wait_engine_silence(Speech& s) {
  if (!s.engine_pending) return;
  wait_speech(s);
  s.engine_pending = false;
}

std::unique_ptr<EngineAdapter> open_engine_adapter(Speech& s, const EngineRequest& request) {
  switch (request.kind) {
    case 3: return open_elzar_engine(s, request);
    case 5:
    case 54: return open_espeak_engine(s, request);
    default: return open_speechd_engine(s, request);
  }
}

VoiceSettings read_voice_settings(const ConfigContext& ctx, int level) {
  const std::string n = std::to_string(level);
  auto key = [&n](const char* name) { return std::string(name) + n; };
  VoiceSettings v;
  v.database = read_config(ctx, "SINTETIZADOR", key("DIFONES"));
  if (v.database.size() > 8) v.database.resize(8);
  v.cut = number_or(ctx, "SINTETIZADOR", key("CORTEFON"), 0);
  v.minimum = number_or(ctx, "SINTETIZADOR", key("SOBRAFON"), 0);
  v.word_gap = number_or(ctx, "SINTETIZADOR", key("INTERPAL"), 0);
  v.cutting = flag_on(read_config(ctx, "SINTETIZADOR", key("CORTAFALA")));
  v.raised = flag_on(read_config(ctx, "SINTETIZADOR", key("RAPIDINHO")));
  v.pause_full_stop = number_or(ctx, "SINTETIZADOR", key("PAUSAPONTO"), 250);
  v.pause_comma = number_or(ctx, "SINTETIZADOR", key("PAUSAVIRG"), 150);
  v.pause_colon = number_or(ctx, "SINTETIZADOR", key("PAUSADOISPONTOS"), 200);
  return v;
}

int speech_init(Speech& s, int level, std::string_view script_sound_dir) {
  static const ConfigContext no_config;
  const ConfigContext& ctx = s.config ? *s.config : no_config;
  if (level <= 0) level = number_or(ctx, "TRADUTOR", "VELOCIDADE", 0);
  if (level <= 0 || level > 5) level = 3;
  s.speed_level = level;
  apply_settings(s, read_voice_settings(ctx, level));

  DiphoneSettings voice;
  voice.database = s.settings.database;
  voice.cut = s.settings.cut;
  voice.minimum = s.settings.minimum;
  voice.word_gap = s.settings.word_gap;
  if (const int code = diphone_open(s, voice); code != 0) {
    // Without its voice the program cannot speak: said on screen, then the end.
    if (s.console) {
      s.console->write("Erro de inicializa\xE7\xE3o: " + std::to_string(code));
      s.console->write_line_end();
      s.console->write("Banco de dados de voz: " + s.settings.database);
      s.console->write_line_end();
    }
    diphone_close(s);
    if (s.console) {
      s.console->read_line();
      s.console->quit(0);
    }
    return code;
  }

  s.script_dir = with_backslash(std::string(script_sound_dir));
  std::string letters = "c:\\palmir\\som\\letras\\";
  if (s.config) letters = read_profile_direct(*s.config, "TRADUTOR", "DIRLETRAS", 255);
  // The profile service hands back the default when the key is missing.
  if (letters.empty()) letters = "c:\\palmir\\som\\letras\\";
  s.letters_dir = with_backslash(letters);

  apply_settings(s, read_voice_settings(ctx, level));
  close_engine(s);
  open_engine(s);
  return 0;
}

void speech_shutdown(Speech& s) {
  wait_speech(s);
  stop_speech(s);
  close_engine(s);
  diphone_close(s);
}

void speak_text(Speech& s, std::string_view text) {
  log_event(s, "text", text);
  if (s.engine_active && s.engine && !s.engine->usable()) close_engine(s);
  if (s.engine_active && s.engine) {
    wait_speech(s);
    if (!key_waiting(s)) {
      log_event(s, "engine", text);
      s.engine->speak(text);
      s.engine_pending = true;
    }
    return;
  }
  speak_builtin(s, text);
}

void write_and_speak(Speech& s, std::string_view text) {
  if (s.console) s.console->write(text);
  speak_text(s, text);
}

void write_line_and_speak(Speech& s, std::string_view text) {
  write_and_speak(s, text);
  if (s.console) s.console->write_line_end();
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

void spell_text(Speech& s, std::string_view text) {
  for (char c : text) {
    if (key_waiting(s)) break;
    speak_char(s, static_cast<unsigned char>(c));
  }
}

bool is_speaking(Speech& s) {
  if (key_waiting(s)) {
    stop_speech(s);
    return false;
  }
  const bool busy = wave_busy(player(s));
  if (s.engine_active && s.engine) return busy || s.engine->speaking(0);
  return busy;
}

void play_click(Speech& s) {
  log_event(s, "click", "");
  wait_engine_silence(s);
  WavePlayer& p = player(s);
  const bool cutting = p.speech_cutting;
  p.speech_cutting = false;
  play_wave_image(p, s.click_image.data(), s.click_image.size());
  wait_speech(s);
  p.speech_cutting = cutting;
}

void play_beep(Speech& s) {
  log_event(s, "beep", "");
  wait_engine_silence(s);
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
  while (is_speaking(s)) {
    if (s.console) s.console->pause(10);
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void stop_speech(Speech& s) {
  WavePlayer& p = player(s);
  if (p.out && p.queued > 0) log_event(s, "stop", "");
  stop_wave(p);
  media_stop(s);  // one stop for all sound
  s.abort = true;
  if (s.engine_active && s.engine && (s.engine->speaking(0) || s.engine_kind == 3)) s.engine->stop();
  // Every wait of the front polls, so a waiting loop sees the stop without a wake-up.
}

uint8_t read_key_spoken(Speech& s) {
  uint8_t k = s.console->read_key();
  stop_speech(s);
  speak_char(s, k);
  return k;
}

}  // namespace speech
