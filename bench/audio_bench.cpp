// Sound timings: from play_samples to the first sample reaching the layer, and from a key
// to silence (the server flushed and the device closed), on the null layer and on a sound
// server with a null sink started here. The stop target is 20 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "speech/wave.h"
#include "tests/speech/pulse_daemon.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

constexpr double kStopTargetMs = 20.0;

struct Worst {
  double null_stop = 0, pulse_stop = -1;
};
Worst worst;  // read by main for the verdict

std::unique_ptr<plat::AudioLayer> layer_for(int which) {
  return which == 0 ? plat::make_null_audio() : plat::make_pulse_audio();
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void play_to_first_sample(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  std::unique_ptr<PulseDaemon> daemon;
  if (which == 1) {
    daemon = std::make_unique<PulseDaemon>();
    if (!daemon->ok()) {
      state.SkipWithError("skipped: pulseaudio could not start");
      return;
    }
  }
  zn::Console con;
  con.set_backend(std::make_unique<TimedKeyBackend>());
  LayerTimes times;
  speech::WavePlayer p;
  p.console = &con;
  auto inner = layer_for(which);
  if (!inner) {
    state.SkipWithError("no sound server");
    return;
  }
  speech::set_audio_layer(p, std::make_unique<TimedLayer>(std::move(inner), times));
  std::vector<uint8_t> sound(22050, 150);
  double worst_ms = 0;
  for (auto _ : state) {
    times.reset();
    const auto t0 = Clock::now();
    speech::play_samples(p, sound.data(), sound.size(), 22050, 1, 8);
    const double d = ms(times.first_write - t0);
    state.SetIterationTime(d / 1000);
    worst_ms = std::max(worst_ms, d);
    speech::stop_wave(p);  // the next play opens the device afresh
  }
  state.counters["worst_ms"] = worst_ms;
}
BENCHMARK(play_to_first_sample)->ArgName("pulse")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(50);

void key_to_silence(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  std::unique_ptr<PulseDaemon> daemon;
  if (which == 1) {
    daemon = std::make_unique<PulseDaemon>();
    if (!daemon->ok()) {
      state.SkipWithError("skipped: pulseaudio could not start");
      return;
    }
  }
  zn::Console con;
  auto b = std::make_unique<TimedKeyBackend>();
  TimedKeyBackend* keys = b.get();
  con.set_backend(std::move(b));
  LayerTimes times;
  speech::WavePlayer p;
  p.console = &con;
  auto inner = layer_for(which);
  if (!inner) {
    state.SkipWithError("no sound server");
    return;
  }
  speech::set_audio_layer(p, std::make_unique<TimedLayer>(std::move(inner), times));
  // Four seconds of a tone, more than the four buffers hold.
  std::vector<uint8_t> sound;
  for (int i = 0; i < 22050 * 4; ++i) {
    const auto v = static_cast<int16_t>(10000 * std::sin(i * 2 * M_PI * 440 / 22050));
    sound.push_back(static_cast<uint8_t>(v & 0xFF));
    sound.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  double worst_ms = 0;
  for (auto _ : state) {
    times.reset();
    keys->key_at = {};
    // On the server the key comes while the sound is really playing (an idle null sink
    // takes up to a second or so to start).
    keys->key_due = Clock::now() + std::chrono::milliseconds(which == 1 ? 1800 : 0);
    auto data = sound;
    speech::play_samples(p, data.data(), data.size(), 22050, 1, 16);
    while (speech::wave_busy(p)) con.pause(2);
    const auto silent = Clock::now();
    const double d = keys->key_at == Clock::time_point{} ? 0 : ms(silent - keys->key_at);
    state.SetIterationTime(d / 1000);
    worst_ms = std::max(worst_ms, d);
    while (con.key_pressed()) con.read_key();
  }
  state.counters["worst_ms"] = worst_ms;
  (which == 0 ? worst.null_stop : worst.pulse_stop) = worst_ms;
}
BENCHMARK(key_to_silence)->ArgName("pulse")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto verdict = [](const char* where, double v) {
    if (v < 0) std::printf("key to silence, %s: not measured\n", where);
    else std::printf("key to silence, %s: worst %.2f ms, target %.0f ms: %s\n", where, v, kStopTargetMs,
                     v <= kStopTargetMs ? "met" : "MISSED");
  };
  verdict("null layer", worst.null_stop);
  verdict("sound server", worst.pulse_stop);
  return (worst.null_stop <= kStopTargetMs && worst.pulse_stop <= kStopTargetMs) ? 0 : 1;
}
