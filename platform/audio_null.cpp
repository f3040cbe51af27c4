// The silent layer: every buffer is done as soon as it is written, so tests run at full speed.
#include <utility>

#include "platform/audio.h"

namespace plat {
namespace {

class NullOut : public AudioOut {
 public:
  AudioFault write(uint32_t id, const uint8_t*, size_t, bool loop) override {
    // A looping sound never ends by itself.
    (loop ? looping_ : done_).push_back({id, AudioFault::none});
    return AudioFault::none;
  }
  void flush() override {
    done_.insert(done_.end(), looping_.begin(), looping_.end());
    looping_.clear();
  }
  void take_done(std::vector<AudioDone>& out) override {
    out.insert(out.end(), done_.begin(), done_.end());
    done_.clear();
  }

 private:
  std::vector<AudioDone> done_;
  std::vector<AudioDone> looping_;
};

class NullLayer : public AudioLayer {
 public:
  std::unique_ptr<AudioOut> open(const AudioFormat& f, AudioFault& fault) override {
    if (!audio_format_valid(f)) {
      fault = AudioFault::bad_format;
      return nullptr;
    }
    fault = AudioFault::none;
    return std::make_unique<NullOut>();
  }
  std::string_view name() const override { return "null"; }
};

}  // namespace

bool audio_format_valid(const AudioFormat& f) {
  return (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32) && f.channels >= 1 &&
         f.channels <= 8 && f.rate >= 1 && f.rate <= 384000;
}

std::unique_ptr<AudioLayer> make_null_audio() { return std::make_unique<NullLayer>(); }

}  // namespace plat
