// media: the mci layer's sound played on a stream of the wave player's layer, stopped by a
// key or a speech stop like any other sound.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/audio.h"
#include "platform/mci.h"

namespace speech {

struct Speech;

// The open media devices and the stream of the one sounding now. The stream reads the
// decoded samples in place, so a device is stopped before its sound is freed.
struct Media {
  plat::MciState mci;
  std::unique_ptr<plat::AudioOut> out;  // open while a sound plays
  uint32_t id = 0;                      // the buffer the stream holds
};

// Sends one command string to the mci layer; the reply text.
std::string media_command(Speech& s, std::string_view command);
// Whether the media sound is still sounding; a waiting key stops it.
bool media_playing(Speech& s);
void media_stop(Speech& s);

}  // namespace speech
