// ROTEIRAL_AUDIO: which layer the program plays through.
#include "platform/audio.h"

namespace plat {

AudioSetting parse_audio_setting(std::string_view value) {
  if (value == "null") return {AudioChoice::null, {}};
  if (value.substr(0, 5) == "file:" && value.size() > 5) return {AudioChoice::file, std::string(value.substr(5))};
  return {AudioChoice::device, {}};
}

std::unique_ptr<AudioLayer> make_audio(const AudioSetting& setting) {
  std::unique_ptr<AudioLayer> layer;
  switch (setting.choice) {
    case AudioChoice::null: break;
    case AudioChoice::file: layer = make_file_audio(setting.path); break;
    case AudioChoice::device:
      layer = make_pulse_audio();
      if (!layer) layer = make_alsa_audio();
      break;
  }
  return layer ? std::move(layer) : make_null_audio();
}

}  // namespace plat
