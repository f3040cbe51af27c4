// The wave player: every sampled sound of the program goes out through here, in four
// rotating buffers, and one stop silences it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio.h"

namespace zn {
class Console;
}

namespace speech {

inline constexpr int kWaveBuffers = 4;
inline constexpr size_t kWaveBlock = 65534;   // bytes of one device buffer
inline constexpr size_t kMinBlock = 256;      // shorter blocks are padded to this
inline constexpr size_t kWaveHeader = 44;

// Results of play_samples besides 0 (the device's own numbering).
inline constexpr int kWaveErrGeneric = 1;
inline constexpr int kWaveErrBadHandle = 5;
inline constexpr int kWaveErrNoDriver = 6;
inline constexpr int kWaveErrNoMemory = 7;
inline constexpr int kWaveErrAllocated = 4;
inline constexpr int kWaveErrBadFormat = 32;
inline constexpr int kWaveErrStillQueued = 33;

struct WavePlayer {
  zn::Console* console = nullptr;  // pumped by every wait; without one nothing waits
  std::unique_ptr<plat::AudioLayer> layer;
  std::unique_ptr<plat::AudioOut> out;  // the open device, or none
  plat::AudioFormat format{};           // what the device was opened with
  int buffer_count = kWaveBuffers;
  std::array<std::vector<uint8_t>, kWaveBuffers> blocks;
  std::array<bool, kWaveBuffers> held{};  // handed to the device, not returned yet
  int last = 0;                           // 1..4: the buffer filled last
  int queued = 0;
  std::vector<uint8_t> file_buffer;
  bool raised_rate = false;
  bool speech_cutting = false;
  // The tone generator plays on a stream of its own, beside whatever else sounds.
  std::unique_ptr<plat::AudioOut> tone_out;
  std::vector<uint8_t> tone_samples;

  WavePlayer();  // with the null layer
  ~WavePlayer();
  WavePlayer(const WavePlayer&) = delete;
  WavePlayer& operator=(const WavePlayer&) = delete;
};

// Replaces the layer (closing whatever is open on the old one).
void set_audio_layer(WavePlayer& p, std::unique_ptr<plat::AudioLayer> layer);

// Queues length bytes and returns without waiting for the end: 0, or the device's open
// error. With speech cutting on, mono data is cut (and 16-bit data reduced to 8-bit) in
// place, so the caller's bytes change; otherwise they are copied and may be reused at once.
int play_samples(WavePlayer& p, uint8_t* data, size_t length, int rate, int channels, int bits);
// Plays the samples of an in-memory wave file (not waiting). The image is cut in place
// like play_samples' data.
void play_wave_image(WavePlayer& p, uint8_t* image, size_t size);
// Plays a wave file and returns when it has ended or a key stopped it: -1 when the file
// cannot be opened or is not a wave file, else the last play_samples result.
int play_wave_file(WavePlayer& p, const std::string& host_path);
// Pumps; stops the device when a key waits or nothing is queued; whether sound is queued.
bool wave_busy(WavePlayer& p);
void stop_wave(WavePlayer& p);

// The canonical 44-byte header (block align 1: written for 8-bit mono images).
void build_wave_header(uint8_t* image, uint32_t data_size, int rate, int channels, int bits);

// What a wave image holds; ok is false when it is not RIFF with a fmt chunk.
struct WaveChunks {
  bool ok = false;
  uint16_t format_tag = 0;
  int channels = 0;
  int rate = 0;
  int bits = 0;
  size_t data_offset = 0;
  size_t data_size = 0;  // never beyond the image
};
WaveChunks find_wave_chunks(const uint8_t* image, size_t size);

// Speech cutting of one chunk in place (16-bit data first becomes 8-bit); the new size.
size_t cut_speech(uint8_t* b, size_t n, int bits, int rate);
// How much play_wave_file reads next when `remaining` data bytes are left.
size_t file_chunk_size(uint64_t remaining);
// The rate the device opens with.
int device_rate(const WavePlayer& p, int rate);

// The tone generator's looping sound: starts (replacing any tone) or stops.
void play_tone_loop(WavePlayer& p, std::string_view image);
void stop_tone_loop(WavePlayer& p);

}  // namespace speech
