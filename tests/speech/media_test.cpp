// Media sound: one buffer on a stream of its own, playing while the script runs on, and
// stopped by a key or by a speech stop like any other sound.
#include "speech/znsapi.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

class MediaTest : public ::testing::Test {
 protected:
  MediaTest() {
    con.set_backend(std::make_unique<CueBackend>());
    con.set_quit_handler([](int) {});
    drives.roots['c' - 'a'] = dir.path;
    config.drives = &drives;
    s.console = &con;
    s.config = &config;
    speech::set_audio_layer(s.wave, std::make_unique<RecordingLayer>(rec));
    rec.hold = true;
    for (uint32_t i = 0; i < 100000; ++i) samples += le(i * 7 & 0xFFFF, 2);
    dir.file("long.wav", wav(1, 22050, 16, samples));
    EXPECT_EQ(speech::media_command(s, "open \"c:\\long.wav\" alias m"), "");
  }

  std::string mode() { return speech::media_command(s, "status m mode"); }

  TempDir dir;
  plat::DriveTable drives;
  speech::ConfigContext config;
  zn::Console con;
  Record rec;
  speech::Speech s;
  std::string samples;
};

TEST_F(MediaTest, PlaysTheWholeSoundWithoutWaitingUntilTheStreamIsDone) {
  s.wave.speech_cutting = true;  // music is not speech: neither cut nor raised
  s.wave.raised_rate = true;
  ASSERT_EQ(speech::media_command(s, "play m"), "");
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{22050, 16, 1}));
  EXPECT_TRUE(std::string(rec.writes[0].bytes.begin(), rec.writes[0].bytes.end()) == samples);
  EXPECT_EQ(mode(), "playing");
  EXPECT_EQ(mode(), "playing");
  rec.live->release_all();
  EXPECT_EQ(mode(), "stopped");
  EXPECT_EQ(rec.open_now, 0);
  EXPECT_EQ(rec.flushes, 0);
}

TEST_F(MediaTest, AKeyStopsItAndStaysReadable) {
  ASSERT_EQ(speech::media_command(s, "play m"), "");
  con.push_key('x');
  EXPECT_EQ(mode(), "stopped");
  EXPECT_EQ(rec.flushes, 1);
  EXPECT_EQ(rec.open_now, 0);
  EXPECT_TRUE(con.key_pressed());
}

TEST_F(MediaTest, StoppingSpeechStopsMediaAndPlayStartsOver) {
  ASSERT_EQ(speech::media_command(s, "play m"), "");
  speech::stop_speech(s);
  EXPECT_EQ(rec.open_now, 0);
  EXPECT_EQ(mode(), "stopped");
  ASSERT_EQ(speech::media_command(s, "play m"), "");
  ASSERT_EQ(rec.writes.size(), 2u);
  EXPECT_EQ(rec.writes[1].bytes, rec.writes[0].bytes);
  // Closing the device that sounds silences it before its samples go.
  EXPECT_EQ(speech::media_command(s, "close m"), "");
  EXPECT_EQ(rec.open_now, 0);
  EXPECT_EQ(rec.flushes, 2);
}

}  // namespace
