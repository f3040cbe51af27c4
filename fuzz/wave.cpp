// The WAV chunk finder and play_wave_file's reader, with the null audio layer.
#include "fuzz/common.h"
#include "speech/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const speech::WaveChunks w = speech::find_wave_chunks(data, size);
  if (w.ok && (w.data_offset > size || w.data_size > size - w.data_offset)) __builtin_trap();

  static fuzz::MemFile file;
  if (!file.set(fuzz::as_text(data, size))) return 0;
  speech::WavePlayer player;
  speech::play_wave_file(player, file.path());
  // The in-memory path cuts in place, so it gets a copy; speech cutting on exercises it.
  std::vector<uint8_t> image(data, data + size);
  player.speech_cutting = true;
  speech::play_wave_image(player, image.data(), image.size());
  speech::stop_wave(player);
  return 0;
}
