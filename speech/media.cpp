// The sound side of the mci layer. A whole decoded sound is handed to a stream of its own
// in one buffer: the layer plays it while the script runs on, and a flush silences it.
#include "speech/media.h"

#include "console/ZnCrt.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

class Sink : public plat::MciSink {
 public:
  explicit Sink(Speech& s) : s_(s) {}
  std::optional<std::string> host_path(std::string_view name) override {
    return host_file(s_, std::string(name));
  }
  void start(const plat::DecodedSound& sound) override {
    media_stop(s_);
    if (sound.samples.empty()) return;
    WavePlayer& p = player(s_);
    if (!p.layer) return;
    const plat::AudioFormat f{sound.rate, 16, sound.channels};
    plat::AudioFault fault = plat::AudioFault::none;
    Media& m = s_.media;
    m.out = p.layer->open(f, fault);
    if (!m.out) return;  // a device that will not open loses the sound, as for speech
    ++m.id;
    if (m.out->write(m.id, reinterpret_cast<const uint8_t*>(sound.samples.data()), sound.samples.size() * 2,
                     false) != plat::AudioFault::none)
      m.out.reset();
  }
  bool playing() override { return media_playing(s_); }
  void stop() override { media_stop(s_); }

 private:
  Speech& s_;
};

}  // namespace

std::string media_command(Speech& s, std::string_view command) {
  Sink sink(s);
  return plat::mci_send(s.media.mci, sink, command);
}

bool media_playing(Speech& s) {
  Media& m = s.media;
  if (!m.out) return false;
  if (s.console && s.console->key_pressed()) {
    media_stop(s);
    return false;
  }
  std::vector<plat::AudioDone> done;
  m.out->take_done(done);
  for (const plat::AudioDone& d : done)
    if (d.id == m.id) {
      m.out.reset();
      return false;
    }
  return true;
}

void media_stop(Speech& s) {
  Media& m = s.media;
  if (!m.out) return;
  m.out->flush();
  m.out.reset();
}

}  // namespace speech
