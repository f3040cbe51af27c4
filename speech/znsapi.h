// znsapi: the speech front every part speaks through, and the profile reader read_config.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "speech/editor.h"
#include "speech/media.h"
#include "speech/midi.h"
#include "speech/review.h"
#include "speech/wave.h"

namespace zn {
class Console;
}

namespace speech {

// Where read_config finds ZUNAPE.INI and what '@' expands to.
struct ConfigContext {
  const plat::DriveTable* drives = nullptr;
  std::string windows_dir = "c:\\windows";  // script form
  std::string start_dir;                     // script form, no trailing '\'
};

// ZUNAPE.INI in the Windows directory when it exists, else in the start directory.
std::string profile_file(const ConfigContext& ctx);
// The value of key in section (empty section: ZUNAPE) after '@' expansion, or "".
std::string read_config(const ConfigContext& ctx, std::string_view section, std::string_view key);
// A key of the copy in the Windows directory, without '@' expansion, cut to max_len.
std::string read_profile_direct(const ConfigContext& ctx, std::string_view section,
                                std::string_view key, size_t max_len);

// a..z to A..Z and every byte 224..255 lowered by 32.
std::string to_upper_pt(std::string_view text);
inline unsigned char fold_pt(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224) return static_cast<unsigned char>(c - 32);
  return c;
}

// The built-in diphone voice (speech/diphone.h); freed where its type is known.
struct DiphoneVoice;
struct DiphoneVoiceFree {
  void operator()(DiphoneVoice* v) const;
};

// The SINTETIZADOR settings of one speed level; these values hold before the first read.
struct VoiceSettings {
  std::string database = "DIFONES2";  // at most 8 characters
  int cut = 400;
  int minimum = 0;
  int word_gap = 100;
  bool cutting = false;  // CORTAFALA: speech cutting in the wave player
  bool raised = false;   // RAPIDINHO: playback rate raised by half
  int pause_full_stop = 250;  // ms
  int pause_comma = 150;
  int pause_colon = 200;
};

// What the front asks of an engine adapter when SAPI is on (SERVFALA keys, rate adjusted).
struct EngineRequest {
  int voice = 0;
  int rate = 0;
  int pitch = 0;
  int kind = 0;
};

// An opened speech engine (speech/engines.h has the adapters); closed by its destructor.
class EngineAdapter {
 public:
  virtual ~EngineAdapter() = default;
  virtual void speak(std::string_view text) = 0;
  virtual bool speaking(int mode) = 0;
  virtual void stop() = 0;
  // False once the engine is gone for good (a speech service that died): the front then
  // closes it and speaks on the built-in path.
  virtual bool usable() { return true; }
};
struct Speech;
// The adapter of request.kind: 3 ELZAR, 5 and 54 espeak-ng, anything else the desktop
// speech service. Null when it cannot be opened (the built-in path stays in use).
std::unique_ptr<EngineAdapter> open_engine_adapter(Speech& s, const EngineRequest& request);

// The speech front. Every event is recorded in the speech log; fragments, letters, clicks,
// beeps and tones sound through the wave player.
struct Speech {
  zn::Console* console = nullptr;
  ConfigContext* config = nullptr;
  std::FILE* log = nullptr;  // ROTEIRAL_SPEECH_LOG, UTF-8, one event a line
  bool owns_log = false;
  int speed_level = 3;
  std::string letters_dir = "c:\\palmir\\som\\letras\\";
  std::string script_dir;
  bool abort = false;
  bool engine_pending = true;  // the next wave waits for the engine to fall silent
  bool engine_active = false;
  int engine_kind = 4;
  std::optional<EngineRequest> engine_request;  // the last open asked for, if SAPI was on
  std::unique_ptr<EngineAdapter> engine;
  VoiceSettings settings;
  WavePlayer wave;
  MidiState midi;
  Media media;  // the mci layer's open files and the one playing
  std::vector<uint8_t> click_image;  // 256 samples: a short burst, then silence
  std::unique_ptr<DiphoneVoice, DiphoneVoiceFree> voice;  // open while the built-in voice is
  EditorState editor;
  ReviewState review;

  Speech();
  Speech(const Speech&) = delete;
  Speech& operator=(const Speech&) = delete;
  ~Speech();
};

bool open_speech_log(Speech& s, const std::string& host_path);
// ROTEIRAL_AUDIO (null pointer: unset) chooses where sound goes; MIDI follows it (the
// synthesiser for a device, the recorder otherwise).
void select_audio(Speech& s, const char* setting);
// The wave player, pumping this front's console.
WavePlayer& player(Speech& s);
// 0, or the diphone voice's open error after its fatal report (the console then quits:
// the process ends unless a quit handler keeps it).
int speech_init(Speech& s, int level, std::string_view script_sound_dir);
// SINTETIZADOR keys for the level, missing ones at their defaults.
VoiceSettings read_voice_settings(const ConfigContext& ctx, int level);
void speech_shutdown(Speech& s);

void speak_text(Speech& s, std::string_view text);
void write_and_speak(Speech& s, std::string_view text);
void write_line_and_speak(Speech& s, std::string_view text);
void write_number_and_speak(Speech& s, long long n);
void speak_fragment(Speech& s, std::string_view name);
bool fragment_exists(const Speech& s, std::string_view name);
void speak_char(Speech& s, unsigned char c);
void spell_text(Speech& s, std::string_view text);
// Before any wave: an engine that was handed text is let fall silent first.
void wait_engine_silence(Speech& s);
// The host path of a script-form file name, if its drive exists.
std::optional<std::string> host_file(const Speech& s, const std::string& name);
bool is_speaking(Speech& s);
void wait_speech(Speech& s);
void stop_speech(Speech& s);
void log_event(Speech& s, std::string_view kind, std::string_view text);
void play_click(Speech& s);
// Drops the keys waiting, then a short tone; a key typed during it cuts it short.
void play_beep(Speech& s);
// The console's tone generator: hz > 0 starts the looping wave, 0 stops it.
void play_tone(Speech& s, int hz, const std::string& wave);

// Reads one key from the console, stops speech and speaks the key.
uint8_t read_key_spoken(Speech& s);

// Line reading for LE through the spoken line editor (speech/editor.cpp): at the cursor,
// up to 255 characters; Esc erases what was typed and gives "". A line end follows.
std::string read_line_spoken(Speech& s);
// Edits `field` at column, row (1-based) up to the window's right edge; returns the key
// that ended editing.
int edit_line_here(Speech& s, std::string& field, int col, int row, bool editing_commands, int max_len);

}  // namespace speech
