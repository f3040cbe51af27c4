// MIDI output of the MIDI command: open, notes, program changes, close.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/midi.h"

namespace speech {

struct Speech;

struct MidiState {
  // Makes the layer on the first open (the synthesiser is slow to load).
  std::function<std::unique_ptr<plat::MidiLayer>()> make_layer;
  std::unique_ptr<plat::MidiLayer> layer;
  std::unique_ptr<plat::MidiOut> out;  // open between midi_open and midi_close
};

// The packed short messages (status byte low, then the data bytes); values are masked
// to their fields so that one cannot spill into the status.
uint32_t midi_note_message(int channel, int note, int velocity);
uint32_t midi_program_message(int channel, int program);

// Opens the output and sends a system reset.
void midi_open(Speech& s);
// Note-on; velocity 0 ends the note.
void midi_note(Speech& s, int channel, int note, int velocity);
// Writes the line "erro em ProgramChange" when the output refuses it (or none is open).
void midi_program(Speech& s, int channel, int program);
void midi_close(Speech& s);

}  // namespace speech
