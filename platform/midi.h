// MIDI output layer: short messages to a General MIDI synthesiser, or to a recorder.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace plat {

class MidiOut {
 public:
  virtual ~MidiOut() = default;
  // One packed short message: status in the low byte, then the two data bytes.
  // False when the synthesiser refused it.
  virtual bool short_message(uint32_t msg) = 0;
};

class MidiLayer {
 public:
  virtual ~MidiLayer() = default;
  virtual std::unique_ptr<MidiOut> open() = 0;
  virtual std::string_view name() const = 0;
};

// Keeps every message sent through any of its outputs, in order.
class MidiRecorder : public MidiLayer {
 public:
  std::unique_ptr<MidiOut> open() override;
  std::string_view name() const override { return "recorder"; }
  std::vector<uint32_t> messages;
  int opens = 0;
  int closes = 0;
};

// The software synthesiser with the General MIDI sound font, playing through the sound
// server or ALSA; null when it or the font cannot be had.
std::unique_ptr<MidiLayer> make_fluidsynth_midi();

}  // namespace plat
