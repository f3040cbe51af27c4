// The family's own engine ELZAR: MBROLA lines made from Portuguese text, synthesised here
// and played through the wave player.
#include <memory>

#include "console/ZnCrt.h"
#include "speech/engines.h"
#include "tts/uttsElzar.h"

namespace speech {

namespace {

std::string with_backslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

// The wave player as the engine's output; a key ends what the engine still feeds.
class PlayerSink final : public elzar::PlaybackSink {
 public:
  explicit PlayerSink(Speech& s) : s_(s) {}
  bool play(uint8_t* image, size_t size) override {
    if (key_waiting()) return false;
    play_wave_image(player(s_), image, size);
    return !key_waiting();
  }
  bool busy() override { return wave_busy(player(s_)); }
  void stop() override { stop_wave(player(s_)); }
  void plain_playback(bool plain) override {
    WavePlayer& p = player(s_);
    if (plain) {
      cutting_ = p.speech_cutting;
      raised_ = p.raised_rate;
      p.speech_cutting = false;
      p.raised_rate = false;
    } else {
      p.speech_cutting = cutting_;
      p.raised_rate = raised_;
    }
  }
  bool key_waiting() { return s_.console && s_.console->key_pressed(); }

 private:
  Speech& s_;
  bool cutting_ = false, raised_ = false;
};

class ElzarAdapter final : public EngineAdapter {
 public:
  explicit ElzarAdapter(Speech& s) : sink_(s) {}
  ~ElzarAdapter() override {
    elzar_stop(engine);
    elzar_close(engine);
  }
  void speak(std::string_view text) override { elzar_speak(engine, text); }
  bool speaking(int) override {
    if (sink_.key_waiting()) {
      stop();
      return false;
    }
    return elzar_busy(engine);
  }
  void stop() override { elzar_stop(engine); }

  PlayerSink sink_;
  elzar::Elzar engine;
};

}  // namespace

ElzarFiles elzar_files(const ConfigContext& ctx, const elzar::Registry& reg) {
  ElzarFiles f;
  f.database = read_config(ctx, "ELZARTTS", "MBROLA_DB");
  if (f.database.empty()) f.database = "br4";
  f.base = read_config(ctx, "ELZARTTS", "BASE");
  if (f.base.empty()) f.base = "portug";
  f.directory = read_config(ctx, "ELZARTTS", "DIR");
  if (f.directory.empty()) {
    std::string voice;
    if (elzar::read_registry_string(reg, elzar::RegistryRoot::local_machine,
                                    "SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", voice) &&
        voice.size() > 3)
      f.directory = voice.substr(0, voice.size() - 3);
  }
  // The family's drive: a name without one would be looked for at the host's root.
  if (f.directory.empty()) f.directory = "c:\\palmir\\elzartts\\";
  f.directory = with_backslash(f.directory);
  return f;
}

ElzarFactors elzar_factors(int velocidade, int tom) {
  return {0.8 - velocidade / 15.0, (tom + 11) / 11.0};
}

std::unique_ptr<EngineAdapter> open_elzar_engine(Speech& s, const EngineRequest& r) {
  if (!s.config) return nullptr;
  auto a = std::make_unique<ElzarAdapter>(s);
  elzar::Elzar& e = a->engine;
  e.registry.drives = s.config->drives;
  e.registry.windows_dir = s.config->windows_dir;
  e.sink = &a->sink_;
  e.message = [&s](std::string_view text) { write_line_and_speak(s, text); };
  const ElzarFiles f = elzar_files(*s.config, e.registry);
  const std::string stem = f.directory + f.base;
  elzar_set_output_file(e, "");
  if (!elzar_initialise(e, f.database, stem + ".nrl", stem + ".exc", stem + ".dfn", stem + ".pro", stem + ".abr"))
    return nullptr;
  const ElzarFactors k = elzar_factors(r.rate, r.pitch);
  elzar_set_factors(e, k.duration, k.pitch);
  return a;
}

}  // namespace speech
