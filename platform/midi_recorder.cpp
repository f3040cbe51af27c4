// The MIDI test double: remembers the messages instead of sounding them.
#include "platform/midi.h"

namespace plat {
namespace {

class RecorderOut : public MidiOut {
 public:
  explicit RecorderOut(MidiRecorder& r) : r_(r) { ++r_.opens; }
  ~RecorderOut() override { ++r_.closes; }
  bool short_message(uint32_t msg) override {
    r_.messages.push_back(msg);
    return true;
  }

 private:
  MidiRecorder& r_;
};

}  // namespace

std::unique_ptr<MidiOut> MidiRecorder::open() { return std::make_unique<RecorderOut>(*this); }

}  // namespace plat
