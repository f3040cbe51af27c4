// Audio output layer: PCM streams to a sound server, a sound card, a WAV recorder or nowhere.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct AudioFormat {
  int rate = 0;
  int bits = 0;  // 8 (unsigned), 16, 24, 32 (signed little-endian)
  int channels = 0;
  int frame_bytes() const { return channels * (bits / 8); }
  bool operator==(const AudioFormat&) const = default;
};

// Whether a layer can play this format at all.
bool audio_format_valid(const AudioFormat& f);

// What can go wrong; the wave player turns these into the device's messages.
enum class AudioFault {
  none,
  allocated,     // device busy: try again later
  bad_handle,    // the stream died under us (server gone)
  no_driver,     // nothing to play on
  no_memory,
  still_queued,
  bad_format,
  other,
};

// A buffer the layer has finished with.
struct AudioDone {
  uint32_t id = 0;
  AudioFault fault = AudioFault::none;
};

// One open output stream. All calls come from the program thread; a layer may play on a
// thread of its own, but only hands finished buffers back through take_done.
class AudioOut {
 public:
  virtual ~AudioOut() = default;
  // Queues n bytes. The layer reads them in place until it reports `id` done, so the
  // caller keeps them untouched until then. A buffer need not hold whole frames: the
  // layer treats the queue as one byte stream. With loop the buffer plays over and over
  // until flush (the tone generator).
  virtual AudioFault write(uint32_t id, const uint8_t* data, size_t n, bool loop) = 0;
  // Drops everything queued here and on the server; when it returns, the layer holds no
  // reference to any buffer and every queued id is reported done.
  virtual void flush() = 0;
  // Moves the finished buffers into out (appending).
  virtual void take_done(std::vector<AudioDone>& out) = 0;
};

class AudioLayer {
 public:
  virtual ~AudioLayer() = default;
  // Null and a fault when the stream cannot be opened.
  virtual std::unique_ptr<AudioOut> open(const AudioFormat& f, AudioFault& fault) = 0;
  virtual std::string_view name() const = 0;
};

// Accepts everything and reports each buffer done at once.
std::unique_ptr<AudioLayer> make_null_audio();
// Like null, and appends everything played to a WAV file at host_path, converted to
// 16-bit mono at the rate of the first sound (later rates are resampled to it). The file
// is a valid WAV after every write. A looping buffer is recorded once. Null when the file
// cannot be created.
std::unique_ptr<AudioLayer> make_file_audio(const std::string& host_path);
// The sound server (PULSE_SERVER or the default one); null when none answers.
std::unique_ptr<AudioLayer> make_pulse_audio();
// The ALSA "default" device; null when it cannot be opened.
std::unique_ptr<AudioLayer> make_alsa_audio();

enum class AudioChoice { device, null, file };
struct AudioSetting {
  AudioChoice choice = AudioChoice::device;
  std::string path;  // for file
};
// ROTEIRAL_AUDIO: "device", "null" or "file:PATH"; anything else (or nothing) is device.
AudioSetting parse_audio_setting(std::string_view value);
// The layer for a setting: device tries the server, then ALSA, then null; a file that
// cannot be created falls back to null.
std::unique_ptr<AudioLayer> make_audio(const AudioSetting& setting);

}  // namespace plat
