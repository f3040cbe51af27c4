// Against a real sound server started here: a key stops a long sound and the server's
// buffer is flushed at once.
#include <cmath>
#include <cstdio>

#include "speech/wave.h"
#include "tests/speech/pulse_daemon.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

std::string sine_wav(int seconds) {
  std::string pcm;
  const int rate = 22050;
  for (int i = 0; i < rate * seconds; ++i) {
    const auto v = static_cast<int16_t>(12000 * std::sin(i * 2 * M_PI * 440 / rate));
    pcm += le(static_cast<uint16_t>(v), 2);
  }
  return wav(1, rate, 16, pcm);
}

TEST(PulseStop, AKeyFlushesTheServerAndEndsTheSound) {
  PulseDaemon daemon;
  if (!daemon.ok()) {
    std::puts("skipped: pulseaudio could not start");
    GTEST_SKIP() << "skipped";
  }
  auto pulse = plat::make_pulse_audio();
  ASSERT_NE(pulse, nullptr) << "the server started but does not answer";

  zn::Console con;
  auto b = std::make_unique<TimedKeyBackend>();
  TimedKeyBackend* keys = b.get();
  con.set_backend(std::move(b));
  con.set_quit_handler([](int) {});
  LayerTimes times;
  speech::WavePlayer p;
  p.console = &con;
  speech::set_audio_layer(p, std::make_unique<TimedLayer>(std::move(pulse), times));

  TempDir dir;
  const auto f = dir.file("long.wav", sine_wav(5));
  const auto start = Clock::now();
  keys->key_due = start + std::chrono::milliseconds(400);
  EXPECT_EQ(speech::play_wave_file(p, f), 0);
  const auto end = Clock::now();

  ASSERT_NE(keys->key_at, Clock::time_point{}) << "the key was typed";
  ASSERT_EQ(times.flushes, 1) << "the stop flushed the server";
  const double key_to_flush = std::chrono::duration<double, std::milli>(times.flush_done - keys->key_at).count();
  const double played = std::chrono::duration<double, std::milli>(end - start).count();
  std::printf("key to flush on the sound server: %.2f ms (sound ended after %.0f ms of 5000)\n", key_to_flush, played);
  EXPECT_GE(key_to_flush, 0.0);
  EXPECT_LT(key_to_flush, 250.0);
  EXPECT_LT(played, 2000.0) << "the sound did not run on";
  EXPECT_EQ(p.out, nullptr);
  EXPECT_EQ(p.queued, 0);
  EXPECT_EQ(con.read_key(), 'k');

  // A short sound plays to its end and the call returns when it has been heard (an idle
  // null sink may take a second or so to wake up for it).
  std::string shortwav = wav(1, 11025, 8, std::string(2205, static_cast<char>(200)));
  const auto s2 = dir.file("short.wav", shortwav);
  const auto t0 = Clock::now();
  EXPECT_EQ(speech::play_wave_file(p, s2), 0);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  EXPECT_GT(ms, 150.0) << "200 ms of sound";
  EXPECT_LT(ms, 5000.0);
}

}  // namespace
