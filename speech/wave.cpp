// The wave player: format changes, queueing into the rotating buffers, done notices,
// speech cutting, wave images and files.
#include "speech/wave.h"

#include <algorithm>
#include <chrono>
#include <sys/types.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "console/ZnCrt.h"

namespace speech {
namespace {

uint32_t get_le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void put_le(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool tag_is(const uint8_t* p, const char* tag) {
  for (int i = 0; i < 4; ++i) {
    auto a = static_cast<unsigned char>(p[i]);
    auto b = static_cast<unsigned char>(tag[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

bool key_waiting(WavePlayer& p) { return p.console && p.console->key_pressed(); }

int error_number(plat::AudioFault f) {
  switch (f) {
    case plat::AudioFault::none: return 0;
    case plat::AudioFault::allocated: return kWaveErrAllocated;
    case plat::AudioFault::bad_handle: return kWaveErrBadHandle;
    case plat::AudioFault::no_driver: return kWaveErrNoDriver;
    case plat::AudioFault::no_memory: return kWaveErrNoMemory;
    case plat::AudioFault::still_queued: return kWaveErrStillQueued;
    case plat::AudioFault::bad_format: return kWaveErrBadFormat;
    case plat::AudioFault::other: break;
  }
  return kWaveErrGeneric;
}

// The done routine, for each buffer the layer gave back.
void collect(WavePlayer& p) {
  if (p.tone_out) {
    std::vector<plat::AudioDone> ignored;
    p.tone_out->take_done(ignored);
  }
  if (!p.out) return;
  std::vector<plat::AudioDone> done;
  p.out->take_done(done);
  for (const auto& d : done) {
    const int i = static_cast<int>(d.id) - 1;
    if (i >= 0 && i < kWaveBuffers && p.held[static_cast<size_t>(i)]) {
      p.held[static_cast<size_t>(i)] = false;
      if (p.queued > 0) --p.queued;
    }
    if (d.fault == plat::AudioFault::none || !p.console) continue;
    const char* msg = nullptr;
    switch (error_number(d.fault)) {
      case kWaveErrBadHandle: msg = "Specified device handle is invalid."; break;
      case kWaveErrNoDriver: msg = "No device driver is present."; break;
      case kWaveErrNoMemory: msg = "Unable to allocate or lock memory."; break;
      case kWaveErrStillQueued: msg = "The data block pointed to by the pwh parameter is still in queue"; break;
      default: break;
    }
    if (msg) p.console->write(msg);
    p.console->read_line();
  }
}

// Window messages first, then the buffers that came back meanwhile.
void pump(WavePlayer& p) {
  if (p.console) p.console->pause(0);
  collect(p);
}

// A wait of the player: keys keep flowing, notices are collected, and a key ends it early.
void wait_ms(WavePlayer& p, int ms) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - clock::now()).count();
    if (left <= 0) break;
    const int step = static_cast<int>(std::min<int64_t>(left, 2));
    if (p.console) p.console->pause(step);
    else std::this_thread::sleep_for(std::chrono::milliseconds(step));
    collect(p);
    if (key_waiting(p)) break;
  }
  pump(p);
}

// Closes the device without pumping (the console may be gone).
void close_quietly(WavePlayer& p) {
  if (p.out) {
    p.out->flush();
    p.out.reset();
  }
  p.queued = 0;
  p.held.fill(false);
  if (p.tone_out) {
    p.tone_out->flush();
    p.tone_out.reset();
  }
}

int open_format(WavePlayer& p, int rate, int bits, int channels) {
  const plat::AudioFormat f{rate, bits, channels};
  if (!(f == p.format)) {
    while (wave_busy(p)) wait_ms(p, 10);
  }
  p.format = f;
  if (p.out) return 0;
  plat::AudioFault fault = plat::AudioFault::no_driver;
  for (int tries = 0; tries < 100; ++tries) {
    if (p.layer) p.out = p.layer->open(f, fault);
    if (p.out) return 0;
    if (fault != plat::AudioFault::allocated) break;
    wait_ms(p, 100);
  }
  return error_number(fault);
}

// Largest byte of b[from..to] (first on ties); base when all of them are 0.
size_t peak(const uint8_t* b, size_t base, size_t from, size_t to) {
  size_t pos = base;
  uint8_t best = 0;
  for (size_t i = from; i <= to; ++i) {
    if (b[i] > best) {
      best = b[i];
      pos = i;
    }
  }
  return pos;
}

// One block into the next free buffer, padded to the minimum with silence.
void queue_block(WavePlayer& p, const uint8_t* data, size_t n) {
  // Nothing to play is not turned into a block of silence.
  if (n == 0) return;
  n = std::min(n, kWaveBlock);
  for (int tries = 0; p.queued >= p.buffer_count; ++tries) {
    if (tries >= 40) return;
    pump(p);
    if (p.queued < p.buffer_count) break;
    wait_ms(p, 50);
  }
  if (!p.out) return;
  int index = p.last % kWaveBuffers + 1;
  // Buffers come back in order; should one not, a free one is used rather than a held one.
  for (int k = 0; k < kWaveBuffers && p.held[static_cast<size_t>(index - 1)]; ++k) index = index % kWaveBuffers + 1;
  if (p.held[static_cast<size_t>(index - 1)]) return;
  p.last = index;
  uint8_t* block = p.blocks[static_cast<size_t>(index - 1)].data();
  const bool mono8 = p.format.bits == 8 && p.format.channels == 1;
  if (n < kMinBlock) std::memset(block + n, p.format.bits == 8 ? 128 : 0, kMinBlock - n);
  std::memcpy(block, data, n);
  if (mono8 && n != kWaveBlock) block[n - 1] = 128;
  const size_t len = std::max(n, kMinBlock);
  ++p.queued;
  p.held[static_cast<size_t>(index - 1)] = true;
  if (p.out->write(static_cast<uint32_t>(index), block, len, false) != plat::AudioFault::none) {
    --p.queued;
    p.held[static_cast<size_t>(index - 1)] = false;
  }
}

}  // namespace

WavePlayer::WavePlayer() : layer(plat::make_null_audio()), file_buffer(kWaveBlock) {
  for (auto& b : blocks) b.assign(kWaveBlock, 0);
}

WavePlayer::~WavePlayer() { close_quietly(*this); }

void set_audio_layer(WavePlayer& p, std::unique_ptr<plat::AudioLayer> layer) {
  close_quietly(p);
  p.format = {};
  p.layer = layer ? std::move(layer) : plat::make_null_audio();
}

int device_rate(const WavePlayer& p, int rate) {
  // 1.5 times, the fraction cut off.
  return p.raised_rate ? static_cast<int>(static_cast<int64_t>(rate) * 3 / 2) : rate;
}

int play_samples(WavePlayer& p, uint8_t* data, size_t length, int rate, int channels, int bits) {
  const int play_rate = device_rate(p, rate);
  const int dev_bits = (p.speech_cutting && channels == 1 && bits == 16) ? 8 : bits;
  const int r = open_format(p, play_rate, dev_bits, channels);
  if (r != 0) return r;
  while (length > 0) {
    while (p.queued >= p.buffer_count) {
      if (key_waiting(p)) {
        stop_wave(p);
        return 0;
      }
      wait_ms(p, 10);
    }
    if (key_waiting(p)) {
      stop_wave(p);
      break;
    }
    const size_t chunk = std::min(length, kWaveBlock);
    // The pitch periods are counted in samples of the data, whatever rate it plays at.
    const size_t n = (p.speech_cutting && channels == 1) ? cut_speech(data, chunk, bits, rate) : chunk;
    queue_block(p, data, n);
    data += chunk;
    length -= chunk;
  }
  return 0;
}

bool wave_busy(WavePlayer& p) {
  pump(p);
  if (key_waiting(p) || p.queued == 0) stop_wave(p);
  return p.queued > 0;
}

void stop_wave(WavePlayer& p) {
  if (!p.out) return;
  if (p.queued > 0) p.out->flush();
  pump(p);
  p.out.reset();
  // Whatever the layer had is gone with it.
  p.queued = 0;
  p.held.fill(false);
  pump(p);
}

void build_wave_header(uint8_t* image, uint32_t data_size, int rate, int channels, int bits) {
  std::memcpy(image, "RIFF", 4);
  put_le(image + 4, data_size + 36, 4);
  std::memcpy(image + 8, "WAVEfmt ", 8);
  put_le(image + 16, 16, 4);
  put_le(image + 20, 1, 2);
  put_le(image + 22, static_cast<uint32_t>(channels), 2);
  put_le(image + 24, static_cast<uint32_t>(rate), 4);
  put_le(image + 28, static_cast<uint32_t>(rate * channels * bits / 8), 4);
  put_le(image + 32, 1, 2);
  put_le(image + 34, static_cast<uint32_t>(bits), 2);
  std::memcpy(image + 36, "data", 4);
  put_le(image + 40, data_size, 4);
}

WaveChunks find_wave_chunks(const uint8_t* image, size_t size) {
  WaveChunks w;
  if (!image || size < 20 || !tag_is(image, "RIFF") || !tag_is(image + 12, "fmt ")) return w;
  const uint64_t fmt_size = get_le(image + 16, 4);
  // A fmt chunk too short to name the format names nothing we can play.
  if (fmt_size < 16 || 20 + fmt_size > size) return w;
  w.format_tag = static_cast<uint16_t>(get_le(image + 20, 2));
  w.channels = static_cast<int>(get_le(image + 22, 2));
  w.rate = static_cast<int>(get_le(image + 24, 4) & 0x7FFFFFFF);
  w.bits = static_cast<int>(get_le(image + 34, 2));
  w.ok = true;
  uint64_t at = 20 + fmt_size;
  while (at + 8 <= size) {
    const uint64_t len = get_le(image + at + 4, 4);
    if (tag_is(image + at, "data")) {
      w.data_offset = static_cast<size_t>(at + 8);
      w.data_size = static_cast<size_t>(std::min<uint64_t>(len, size - w.data_offset));
      return w;
    }
    uint64_t next = at + 8 + len;
    // Chunks of odd size are padded to even; some writers forget the pad byte.
    if ((len & 1) && !(next + 4 <= size && tag_is(image + next, "data"))) ++next;
    at = next;
  }
  return w;
}

size_t cut_speech(uint8_t* b, size_t n, int bits, int rate) {
  if (bits == 16) {
    for (size_t i = 0; i < n / 2; ++i) b[i] = static_cast<uint8_t>(b[2 * i + 1] + 128);
    n /= 2;
  }
  if (n < 1000) return n;
  const size_t start = rate == 11025 ? 200 : 800;
  const size_t skip = rate == 11025 ? 80 : 320;
  const size_t window = rate == 11025 ? 50 : 200;
  const size_t span = skip + window;
  size_t p = peak(b, start, start, std::min(start + span, n - 1));
  size_t w = p;
  while (p + 2 * span < n) {
    const size_t q = peak(b, p, p + skip, p + skip + window);
    const size_t r = peak(b, q, q + skip, q + skip + window);
    // A stretch with nothing above 0 has no periods to find: stop cutting there.
    if (r <= p) break;
    std::memmove(b + w, b + q, r - q + 1);
    w += r - q + 1;
    p = r;
  }
  while (p < n && w < n && (b[w] > 148 || b[w] < 108)) b[w++] = b[p++];
  return w;
}

size_t file_chunk_size(uint64_t remaining) {
  if (remaining >= 65535 && remaining <= 65789) return 65278;
  return static_cast<size_t>(std::min<uint64_t>(remaining, kWaveBlock));
}

void play_wave_image(WavePlayer& p, uint8_t* image, size_t size) {
  const WaveChunks w = find_wave_chunks(image, size);
  if (!w.ok || w.data_size == 0) return;
  play_samples(p, image + w.data_offset, w.data_size, w.rate, w.channels, w.bits);
}

int play_wave_file(WavePlayer& p, const std::string& host_path) {
  if (key_waiting(p)) return 0;
  std::FILE* f = std::fopen(host_path.c_str(), "rb");
  if (!f) return -1;
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{f};
  uint8_t h[16];
  if (std::fread(h, 1, 12, f) != 12 || !tag_is(h, "RIFF")) return -1;
  if (std::fread(h, 1, 8, f) != 8 || !tag_is(h, "fmt ")) return -1;
  const uint32_t fmt_size = get_le(h + 4, 4);
  if (fmt_size < 16 || std::fread(h, 1, 16, f) != 16) return -1;
  const auto tag = static_cast<uint16_t>(get_le(h, 2));
  const int channels = static_cast<int>(get_le(h + 2, 2));
  const int rate = static_cast<int>(get_le(h + 4, 4) & 0x7FFFFFFF);
  const int bits = static_cast<int>(get_le(h + 14, 2));
  // Compressed or floating-point data would only be noise.
  if (tag != 1 && tag != 0xFFFE) return -1;
  uint64_t skip = fmt_size - 16 + (fmt_size & 1);
  uint64_t remaining = 0;
  for (;;) {
    if (skip && fseeko(f, static_cast<off_t>(skip), SEEK_CUR) != 0) return 0;
    if (std::fread(h, 1, 8, f) != 8) return 0;
    const uint32_t len = get_le(h + 4, 4);
    if (tag_is(h, "data")) {
      remaining = len;
      break;
    }
    skip = len;
    if (len & 1) {
      // The pad byte of an odd chunk, unless the writer left it out before "data".
      uint8_t peek[4];
      const off_t here = ftello(f);
      const bool unpadded = fseeko(f, static_cast<off_t>(len), SEEK_CUR) == 0 &&
                            std::fread(peek, 1, 4, f) == 4 && tag_is(peek, "data");
      fseeko(f, here, SEEK_SET);
      if (!unpadded) ++skip;
    }
  }
  int result = 0;
  while (remaining > 0) {
    const size_t got = std::fread(p.file_buffer.data(), 1, file_chunk_size(remaining), f);
    if (got == 0) break;
    result = play_samples(p, p.file_buffer.data(), got, rate, channels, bits);
    remaining -= got;
    if (result != 0 || key_waiting(p)) break;
  }
  while (wave_busy(p)) wait_ms(p, 10);
  return result;
}

void play_tone_loop(WavePlayer& p, std::string_view image) {
  stop_tone_loop(p);
  const auto* bytes = reinterpret_cast<const uint8_t*>(image.data());
  const WaveChunks w = find_wave_chunks(bytes, image.size());
  if (!w.ok || w.data_size == 0 || !p.layer) return;
  plat::AudioFault fault{};
  p.tone_out = p.layer->open({w.rate, w.bits, w.channels}, fault);
  if (!p.tone_out) return;
  p.tone_samples.assign(bytes + w.data_offset, bytes + w.data_offset + w.data_size);
  p.tone_out->write(1, p.tone_samples.data(), p.tone_samples.size(), true);
}

void stop_tone_loop(WavePlayer& p) {
  if (!p.tone_out) return;
  p.tone_out->flush();
  p.tone_out.reset();
  p.tone_samples.clear();
}

}  // namespace speech
