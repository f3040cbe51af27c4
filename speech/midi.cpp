// MIDI output over the platform's MIDI layer.
#include "speech/midi.h"

#include "console/ZnCrt.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

bool send(MidiState& m, uint32_t msg) { return m.out && m.out->short_message(msg); }

}  // namespace

uint32_t midi_note_message(int channel, int note, int velocity) {
  return 0x90u + static_cast<uint32_t>(channel & 0x0F) + static_cast<uint32_t>(note & 0x7F) * 256u +
         static_cast<uint32_t>(velocity & 0x7F) * 65536u;
}

uint32_t midi_program_message(int channel, int program) {
  return 0xC0u + static_cast<uint32_t>(channel & 0x0F) + static_cast<uint32_t>(program & 0x7F) * 256u;
}

void midi_open(Speech& s) {
  MidiState& m = s.midi;
  if (!m.layer) m.layer = m.make_layer ? m.make_layer() : nullptr;
  if (!m.layer) m.layer = std::make_unique<plat::MidiRecorder>();
  m.out = m.layer->open();
  send(m, 0xFF);
}

void midi_note(Speech& s, int channel, int note, int velocity) {
  send(s.midi, midi_note_message(channel, note, velocity));
}

void midi_program(Speech& s, int channel, int program) {
  if (!send(s.midi, midi_program_message(channel, program)) && s.console) {
    s.console->write("erro em ProgramChange");
    s.console->write_line_end();
  }
}

void midi_close(Speech& s) { s.midi.out.reset(); }

}  // namespace speech
