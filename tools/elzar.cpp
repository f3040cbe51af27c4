// elzar: the ELZAR engine from the command line.
//
//   elzar [--data DIR] --norm TEXT     the normalised text
//   elzar [--data DIR] --pho TEXT      the MBROLA lines (after timing and the diphone check)
//   elzar [--data DIR] -w FILE TEXT    the spoken text as a WAV file
//   elzar [--data DIR] TEXT            the text spoken through the wave player
//
// TEXT is UTF-8; "-" reads it from standard input. Output is UTF-8. The data files
// (portug.nrl .exc .abr .pro .dfn and the voice br4) come from the family root's
// palmir/elzartts/ unless --data names another folder. ROTEIRAL_AUDIO chooses where
// spoken sound goes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/audio.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "speech/wave.h"
#include "tts/uttsElzar.h"

namespace {

enum class Mode { speak, norm, pho, wav };

struct Options {
  Mode mode = Mode::speak;
  std::string data;
  std::string file;
  std::string text;
  bool ok = false;
};

int usage() {
  std::fputs("usage: elzar [--data DIR] [--norm | --pho | -w FILE] TEXT|-\n", stderr);
  return 2;
}

Options parse(int argc, char** argv) {
  Options o;
  int i = 1;
  bool have_text = false;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--data" && i + 1 < argc) o.data = argv[++i];
    else if (a == "--norm") o.mode = Mode::norm;
    else if (a == "--pho") o.mode = Mode::pho;
    else if (a == "-w" && i + 1 < argc) {
      o.mode = Mode::wav;
      o.file = argv[++i];
    } else if (!have_text && (a == "-" || a.empty() || a[0] != '-')) {
      o.text = a;
      have_text = true;
    } else {
      return o;
    }
  }
  o.ok = have_text;
  return o;
}

// The wave player as the engine's output, waited for at the end.
class PlayerSink final : public elzar::PlaybackSink {
 public:
  speech::WavePlayer player;
  bool play(uint8_t* image, size_t size) override {
    speech::play_wave_image(player, image, size);
    return true;
  }
  bool busy() override { return speech::wave_busy(player); }
  void stop() override { speech::stop_wave(player); }
};

void print_utf8(const std::string& cp1252) { std::fputs((plat::cp1252_to_utf8(cp1252) + "\n").c_str(), stdout); }

}  // namespace

int main(int argc, char** argv) {
  Options o = parse(argc, argv);
  if (!o.ok) return usage();
  if (o.text == "-") {
    o.text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    // The line end that closes the input is not part of the text.
    while (!o.text.empty() && (o.text.back() == '\n' || o.text.back() == '\r')) o.text.pop_back();
    // Lines of a file run on as one text, as a script's lines are spoken.
    for (char& c : o.text)
      if (c == '\n' || c == '\r') c = ' ';
  }
  const std::string text = plat::utf8_to_cp1252(o.text);
  const std::string dir = (o.data.empty() ? plat::family_root() + "/palmir/elzartts" : o.data) + "/";

  elzar::Elzar e;  // host names throughout: no drives, no registry
  e.message = [](std::string_view m) { std::fputs((plat::cp1252_to_utf8(m) + "\n").c_str(), stderr); };
  const std::string stem = dir + "portug";
  if (o.mode == Mode::norm || o.mode == Mode::pho) {
    if (!elzar::elzar_load_language(e, stem + ".nrl", stem + ".exc", stem + ".dfn", stem + ".pro", stem + ".abr")) {
      std::fputs((plat::cp1252_to_utf8(e.last_error) + "\n").c_str(), stderr);
      return 1;
    }
    if (o.mode == Mode::norm) {
      print_utf8(elzar::elzar_normalise(e, text));
    } else {
      for (const std::string& line : elzar::elzar_mbrola_lines(e, text)) print_utf8(line);
    }
    return 0;
  }

  PlayerSink sink;
  if (o.mode == Mode::speak) {
    const char* audio = std::getenv("ROTEIRAL_AUDIO");
    speech::set_audio_layer(sink.player, plat::make_audio(plat::parse_audio_setting(audio ? audio : "")));
    e.sink = &sink;
  } else {
    elzar::elzar_set_output_file(e, o.file);
  }
  if (!elzar::elzar_initialise(e, dir + "br4", stem + ".nrl", stem + ".exc", stem + ".dfn", stem + ".pro",
                               stem + ".abr")) {
    const std::string why = e.last_error.empty() ? "the synthesiser or its voice " + dir + "br4 cannot be opened"
                                                 : e.last_error;
    std::fputs((plat::cp1252_to_utf8(why) + "\n").c_str(), stderr);
    return 1;
  }
  elzar::elzar_set_factors(e, 0.8, 1.0);
  const bool spoken = elzar::elzar_speak(e, text);
  while (elzar::elzar_busy(e)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  elzar::elzar_close(e);
  if (!spoken) {
    std::fputs("the synthesiser rejected part of the text\n", stderr);
    return 1;
  }
  return 0;
}
