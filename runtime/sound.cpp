// Speech and sound commands: FALA, SOLETRA, FALAHORA, BIPA, TOCA, MCI, MIDI.
#include "console/ZnCrt.h"
#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/media.h"
#include "speech/recorded.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

// A trailing '&' asks not to wait; it is taken off and the rest trimmed.
bool strip_no_wait(std::string_view& rest) {
  if (rest.empty() || rest.back() != '&') return false;
  rest = trim(rest.substr(0, rest.size() - 1));
  return true;
}

std::optional<int> two_digits(std::string_view t) {
  if (t.size() != 2 || !is_digit(static_cast<unsigned char>(t[0])) || !is_digit(static_cast<unsigned char>(t[1])))
    return std::nullopt;
  return (t[0] - '0') * 10 + (t[1] - '0');
}

// Reads the numbers of a MIDI form; all must be in range and nothing may follow.
bool read_midi_numbers(Interp& in, std::string_view t, int* out, int count) {
  for (int i = 0; i < count; ++i) {
    int32_t v;
    if (!read_int_value(in, t, v)) return false;
    const int32_t low = i == 0 ? 1 : 0, high = i == 0 ? 16 : 127;
    if (v < low || v > high) return false;
    out[i] = v;
  }
  return trim(t).empty();
}

}  // namespace

bool cmd_fala(Interp& in, std::string_view rest) {
  speech::Speech& s = *in.speech;
  rest = trim(rest);
  const bool no_wait = strip_no_wait(rest);
  if (rest.empty()) {
    speech::stop_speech(s);
    if (!no_wait) speech::wait_speech(s);
    return true;
  }
  std::string text, piece;
  while (!rest.empty() && read_value(in, rest, piece)) {
    if (text.size() + piece.size() > kMaxValueLength) return false;
    text += piece;
  }
  speech::speak_text(s, text);
  if (!no_wait) speech::wait_speech(s);
  return rest.empty();
}

bool cmd_soletra(Interp& in, std::string_view rest) {
  rest = trim(rest);
  if (rest.empty()) return false;
  std::string value;
  if (!read_value(in, rest, value)) return false;
  speech::spell_text(*in.speech, value);
  in.console->write(value);
  speech::wait_speech(*in.speech);
  return true;
}

bool cmd_falahora(Interp& in, std::string_view rest) {
  rest = trim(rest);
  if (rest.empty()) return false;
  std::string value;
  if (!read_value(in, rest, value)) return false;
  if (value.size() != 5 || value[2] != ':') return false;
  auto hours = two_digits(std::string_view(value).substr(0, 2));
  auto minutes = two_digits(std::string_view(value).substr(3, 2));
  if (!hours || !minutes) return false;
  speech::speak_time(*in.speech, *hours, *minutes);
  speech::wait_speech(*in.speech);
  return true;
}

bool cmd_bipa(Interp& in, std::string_view rest) {
  std::string value = "0";
  if (!rest.empty() && !read_value(in, rest, value)) return false;
  if (value == "1") speech::play_click(*in.speech);
  else speech::play_beep(*in.speech);
  return true;
}

bool cmd_toca(Interp& in, std::string_view rest) {
  speech::Speech& s = *in.speech;
  rest = trim(rest);
  const bool no_wait = strip_no_wait(rest);
  std::string file;
  if (!read_value(in, rest, file) || !rest.empty()) return false;
  if (in.sandbox) return false;
  if (no_wait) {
    // Quoted, so that a name with blanks stays one name.
    speech::media_command(s, "play \"" + file + "\"");
    return true;
  }
  speech::media_command(s, "open \"" + file + "\" alias myfile");
  speech::media_command(s, "play myfile");
  for (;;) {
    in.console->pause(100);
    const std::string mode = speech::media_command(s, "status myfile mode");
    if (in.console->key_pressed() || mode != "playing") break;
  }
  in.console->discard_keys();
  speech::media_command(s, "stop myfile");
  speech::media_command(s, "close myfile");
  return true;
}

bool cmd_mci(Interp& in, std::string_view rest) {
  rest = trim(rest);
  const int slot = read_var_ref(in, rest);
  if (slot < 0) return false;
  std::string command;
  if (!read_value(in, rest, command) || !rest.empty()) return false;
  if (in.sandbox) return false;
  in.vars[static_cast<size_t>(slot)] = speech::media_command(*in.speech, command);
  return true;
}

bool cmd_midi(Interp& in, std::string_view rest) {
  speech::Speech& s = *in.speech;
  const std::string text = speech::to_upper_pt(trim(rest));
  if (text.empty()) return false;
  if (text == "INICIA") {
    if (in.midi_open) return false;
    speech::midi_open(s);
    in.midi_open = true;
    return true;
  }
  if (!in.midi_open) return false;
  if (text == "TERMINA") {
    speech::midi_close(s);
    in.midi_open = false;
    return true;
  }
  if (text == "PANE") {
    for (int ch = 0; ch < 16; ++ch)
      for (int note = 0; note < 128; ++note) speech::midi_note(s, ch, note, 0);
    return true;
  }
  const std::string_view form = std::string_view(text).substr(0, 2);
  const std::string_view numbers = trim(std::string_view(text).substr(text.size() < 2 ? text.size() : 2));
  if (numbers.empty()) return false;
  int v[3];
  if (form == "NL") {
    if (!read_midi_numbers(in, numbers, v, 3)) return false;
    speech::midi_note(s, v[0] - 1, v[1], v[2]);
    return true;
  }
  if (form == "ND") {
    if (!read_midi_numbers(in, numbers, v, 2)) return false;
    speech::midi_note(s, v[0] - 1, v[1], 0);
    return true;
  }
  if (form == "TT") {
    if (!read_midi_numbers(in, numbers, v, 2)) return false;
    speech::midi_program(s, v[0] - 1, v[1]);
    return true;
  }
  return false;
}

}  // namespace rl
