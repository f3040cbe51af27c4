// The sound-card layer for machines without a sound server: ALSA's "default" device.
#include <alsa/asoundlib.h>

#include <cerrno>

#include "platform/audio_stream.h"

namespace plat {
namespace {

constexpr unsigned kBufferUs = 20000;
constexpr unsigned kPeriodUs = 5000;

snd_pcm_format_t pcm_format(int bits) {
  switch (bits) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    case 32: return SND_PCM_FORMAT_S32_LE;
    default: return SND_PCM_FORMAT_UNKNOWN;
  }
}

AudioFault fault_of(int err) {
  switch (-err) {
    case EBUSY: return AudioFault::allocated;
    case ENOENT:
    case ENODEV:
    case ENXIO: return AudioFault::no_driver;
    case ENOMEM: return AudioFault::no_memory;
    case EINVAL: return AudioFault::bad_format;
    case EBADFD:
    case ESTRPIPE: return AudioFault::bad_handle;
    default: return AudioFault::other;
  }
}

int open_pcm(const AudioFormat& f, snd_pcm_t*& pcm) {
  int err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (err < 0) return err;
  err = snd_pcm_set_params(pcm, pcm_format(f.bits), SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(f.channels), static_cast<unsigned>(f.rate), 1, kBufferUs);
  if (err < 0) {
    snd_pcm_close(pcm);
    pcm = nullptr;
    return err;
  }
  // Start with the first frames written: a short sound must not wait for a full buffer.
  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  if (snd_pcm_sw_params_current(pcm, sw) == 0) {
    snd_pcm_sw_params_set_start_threshold(pcm, sw, 1);
    snd_pcm_sw_params(pcm, sw);
  }
  return 0;
}

class AlsaOut : public StreamingOut {
 public:
  AlsaOut(snd_pcm_t* pcm, const AudioFormat& f, size_t piece)
      : StreamingOut(f, piece), pcm_(pcm), frame_(static_cast<size_t>(f.frame_bytes())) {
    start_worker();
  }
  ~AlsaOut() override {
    stop_worker();
    snd_pcm_close(pcm_);
  }

 protected:
  AudioFault push(const uint8_t* data, size_t n) override {
    snd_pcm_uframes_t left = n / frame_;
    while (left > 0) {
      const snd_pcm_sframes_t w = snd_pcm_writei(pcm_, data, left);
      if (w == -EAGAIN) {
        snd_pcm_wait(pcm_, static_cast<int>(kPeriodUs / 1000));
        continue;
      }
      if (w < 0) {
        const int r = snd_pcm_recover(pcm_, static_cast<int>(w), 1);
        if (r < 0) return fault_of(r);
        continue;
      }
      data += static_cast<size_t>(w) * frame_;
      left -= static_cast<snd_pcm_uframes_t>(w);
    }
    return AudioFault::none;
  }
  int64_t pending_us() override {
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING) return 0;
    snd_pcm_sframes_t d = 0;
    if (snd_pcm_delay(pcm_, &d) < 0) return -1;
    unsigned rate = 0;
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_current(pcm_, hw) < 0 || snd_pcm_hw_params_get_rate(hw, &rate, nullptr) < 0 || rate == 0)
      return -1;
    return d <= 0 ? 0 : static_cast<int64_t>(d) * 1000000 / rate;
  }
  void drop() override {
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
  }
  void kick() override {
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm_);
  }

 private:
  snd_pcm_t* pcm_;
  size_t frame_;
};

class AlsaLayer : public AudioLayer {
 public:
  std::unique_ptr<AudioOut> open(const AudioFormat& f, AudioFault& fault) override {
    if (!audio_format_valid(f) || pcm_format(f.bits) == SND_PCM_FORMAT_UNKNOWN) {
      fault = AudioFault::bad_format;
      return nullptr;
    }
    snd_pcm_t* pcm = nullptr;
    const int err = open_pcm(f, pcm);
    if (err < 0) {
      fault = fault_of(err);
      return nullptr;
    }
    fault = AudioFault::none;
    const size_t piece = static_cast<size_t>(f.rate) * static_cast<size_t>(f.frame_bytes()) * (kPeriodUs / 1000) / 1000;
    return std::make_unique<AlsaOut>(pcm, f, piece);
  }
  std::string_view name() const override { return "alsa"; }
};

// ALSA prints its own complaints on stderr; a missing card is not worth a word here.
void quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::unique_ptr<AudioLayer> make_alsa_audio() {
  snd_lib_error_set_handler(quiet);
  snd_pcm_t* probe = nullptr;
  if (open_pcm({11025, 8, 1}, probe) < 0) return nullptr;
  snd_pcm_close(probe);
  return std::make_unique<AlsaLayer>();
}

}  // namespace plat
