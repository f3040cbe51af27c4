// The tone generator: a square wave built in memory and handed to whoever plays sound.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "console/ZnCrt.h"

namespace zn {
namespace {

constexpr int kRate = 11025;
constexpr int kHeader = 44;

void put16(std::string& w, size_t at, uint32_t v) {
  w[at] = static_cast<char>(v & 0xFF);
  w[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& w, size_t at, uint32_t v) {
  put16(w, at, v & 0xFFFF);
  put16(w, at + 2, v >> 16);
}

}  // namespace

std::string tone_wave(int hz) {
  if (hz <= 0) return {};
  // Every frequency above the rate gives the image of rate + 1; clamping keeps the period
  // loop to at most a rate's worth of steps.
  const int64_t f = std::min(hz, kRate + 1);
  std::string w(kToneWaveSize, '\0');
  std::memcpy(w.data(), "RIFF", 4);
  std::memcpy(w.data() + 8, "WAVEfmt ", 8);
  put32(w, 16, 16);
  put16(w, 20, 1);  // PCM
  put16(w, 22, 1);  // mono
  put32(w, 24, kRate);
  put32(w, 28, kRate);
  put16(w, 32, 1);
  put16(w, 34, 8);
  std::memcpy(w.data() + 36, "data", 4);

  const int64_t p = kRate / f;
  int64_t s = kHeader;
  for (int64_t k = 0;; ++k) {
    s = kHeader + k * kRate / f;
    if (s > kRate - p) break;
    for (int64_t i = s; i < s + p / 2; ++i) w[static_cast<size_t>(i)] = static_cast<char>(96);
    for (int64_t i = s + p / 2; i <= s + p; ++i) w[static_cast<size_t>(i)] = static_cast<char>(160);
  }
  // At 1 Hz not even one period fits: no samples, and the header is left whole.
  if (s > kHeader) w[static_cast<size_t>(s - 1)] = static_cast<char>(128);
  const auto samples = static_cast<uint32_t>(s - kHeader);
  put32(w, 40, samples);
  put32(w, 4, samples + 36);
  return w;
}

void Console::play_tone(int hz) {
  stop_tone();
  if (hz <= 0) return;
  tone_wave_ = tone_wave(hz);
  if (on_tone_) {
    const std::string wave = tone_wave_;  // the handler may stop the tone while it runs
    on_tone_(hz, wave);
  }
}

void Console::stop_tone() {
  if (tone_wave_.empty()) return;
  tone_wave_.clear();
  if (on_tone_) on_tone_(0, std::string());
}

void Console::tone_for(int hz) {
  play_tone(hz);
  pause(200);
  stop_tone();
}

}  // namespace zn
