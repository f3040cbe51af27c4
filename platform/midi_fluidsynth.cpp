// The MIDI layer: a software synthesiser with Debian's General MIDI sound font.
#include <fluidsynth.h>

#include <sys/stat.h>

#include "platform/midi.h"

namespace plat {
namespace {

constexpr const char* kFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

// The synthesiser and its font are loaded once and kept while the layer lives: the font
// takes a moment to read.
struct Synth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* driver = nullptr;

  ~Synth() {
    if (driver) delete_fluid_audio_driver(driver);
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }

  bool start(const char* font) {
    settings = new_fluid_settings();
    if (!settings) return false;
    synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, font, 1) == FLUID_FAILED) return false;
    for (const char* drv : {"pulseaudio", "alsa"}) {
      fluid_settings_setstr(settings, "audio.driver", drv);
      driver = new_fluid_audio_driver(settings, synth);
      if (driver) return true;
    }
    return false;
  }

  bool send(uint32_t msg) {
    const int status = static_cast<int>(msg & 0xFF);
    const int ch = status & 0x0F;
    const int d1 = static_cast<int>((msg >> 8) & 0x7F);
    const int d2 = static_cast<int>((msg >> 16) & 0x7F);
    switch (status & 0xF0) {
      case 0x80: fluid_synth_noteoff(synth, ch, d1); return true;
      case 0x90:
        // Ending a note that is not sounding is no fault.
        if (d2 == 0) fluid_synth_noteoff(synth, ch, d1);
        else fluid_synth_noteon(synth, ch, d1, d2);
        return true;
      case 0xA0: fluid_synth_key_pressure(synth, ch, d1, d2); return true;
      case 0xB0: fluid_synth_cc(synth, ch, d1, d2); return true;
      case 0xC0: return fluid_synth_program_change(synth, ch, d1) == FLUID_OK;
      case 0xD0: fluid_synth_channel_pressure(synth, ch, d1); return true;
      case 0xE0: fluid_synth_pitch_bend(synth, ch, d1 | (d2 << 7)); return true;
      default: break;
    }
    if (status == 0xFF) fluid_synth_system_reset(synth);
    return true;
  }
};

class FluidOut : public MidiOut {
 public:
  explicit FluidOut(Synth& s) : s_(s) {}
  // Closing silences what the script left sounding.
  ~FluidOut() override { fluid_synth_system_reset(s_.synth); }
  bool short_message(uint32_t msg) override { return s_.send(msg); }

 private:
  Synth& s_;
};

class FluidLayer : public MidiLayer {
 public:
  explicit FluidLayer(std::unique_ptr<Synth> s) : s_(std::move(s)) {}
  std::unique_ptr<MidiOut> open() override { return std::make_unique<FluidOut>(*s_); }
  std::string_view name() const override { return "fluidsynth"; }

 private:
  std::unique_ptr<Synth> s_;
};

}  // namespace

std::unique_ptr<MidiLayer> make_fluidsynth_midi() {
  const char* font = nullptr;
  for (const char* f : kFonts) {
    struct stat st {};
    if (stat(f, &st) == 0 && S_ISREG(st.st_mode)) {
      font = f;
      break;
    }
  }
  if (!font) return nullptr;
  // Its own messages go to stderr; a missing server is handled by the fall-back.
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
    fluid_set_log_function(level, nullptr, nullptr);
  auto s = std::make_unique<Synth>();
  if (!s->start(font)) return nullptr;
  return std::make_unique<FluidLayer>(std::move(s));
}

}  // namespace plat
