// What the speech front sounds: fragments and letters from their files, clicks, beeps,
// the stop, and the MIDI messages.
#include "speech/znsapi.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

class FrontSoundTest : public ::testing::Test, protected FrontRig {
 protected:
  FrontSoundTest() {
    s.letters_dir = "c:\\letras\\";
    s.script_dir = "c:\\sons\\";
  }
};

TEST_F(FrontSoundTest, FragmentsAndLettersPlayTheirFilesAndAreLogged) {
  dir.file("letras/_65.wav", wav(1, 11025, 8, std::string(300, 'A')));
  dir.file("letras/_zero.wav", wav(1, 11025, 8, std::string(400, '0')));
  dir.file("sons/ola.wav", wav(1, 22050, 16, std::string(500, 'o')));
  speech::speak_char(s, 'A');
  speech::speak_fragment(s, "_zero");
  speech::speak_fragment(s, "ola");
  speech::speak_char(s, 'B');  // no file: nothing plays, nothing fails
  ASSERT_EQ(rec.writes.size(), 3u);
  EXPECT_EQ(rec.writes[0].bytes[0], 'A');
  EXPECT_EQ(rec.writes[1].bytes[0], '0');
  EXPECT_EQ(rec.writes[2].bytes.size(), 500u);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{22050, 16, 1}));
  EXPECT_FALSE(speech::is_speaking(s));
  EXPECT_EQ(read_file(log_path), "char 65\nfragment _zero\nfragment ola\nchar 66\n");
}

TEST_F(FrontSoundTest, StopFlushesAndIsLoggedOnlyWhenSomethingPlayed) {
  speech::stop_speech(s);
  rec.hold = true;
  std::string img = wav(1, 11025, 8, std::string(5000, 'x'));
  speech::play_wave_image(speech::player(s), reinterpret_cast<uint8_t*>(img.data()), img.size());
  EXPECT_TRUE(speech::is_speaking(s));
  speech::stop_speech(s);
  EXPECT_FALSE(speech::is_speaking(s));
  EXPECT_EQ(rec.flushes, 1);
  EXPECT_TRUE(s.abort);
  EXPECT_EQ(read_file(log_path), "stop\n");
}

TEST_F(FrontSoundTest, AKeyDuringSpeechStopsItAndStaysReadable) {
  rec.hold = true;
  backend->on_pump = [this] {
    if (!rec.writes.empty() && con.key_count() == 0 && rec.flushes == 0) con.push_key('q');
  };
  dir.file("letras/_66.wav", wav(1, 11025, 8, std::string(60000, 'B')));
  speech::speak_char(s, 'B');  // returns only because the key stopped it
  EXPECT_EQ(rec.flushes, 1);
  EXPECT_FALSE(speech::is_speaking(s));
  EXPECT_EQ(con.read_key(), 'q');
}

TEST_F(FrontSoundTest, TheClickIsAShortBurstPlayedWithoutCutting) {
  s.wave.speech_cutting = true;
  const auto before = s.click_image;
  speech::play_click(s);
  EXPECT_TRUE(s.wave.speech_cutting) << "restored";
  EXPECT_EQ(s.click_image, before) << "the image is not cut in place";
  ASSERT_EQ(rec.writes.size(), 1u);
  const auto& b = rec.writes[0].bytes;
  ASSERT_EQ(b.size(), 256u);
  EXPECT_TRUE(std::all_of(b.begin(), b.begin() + 64, [](uint8_t v) { return v >= 128 && v <= 187; }));
  EXPECT_TRUE(std::all_of(b.begin() + 64, b.end(), [](uint8_t v) { return v == 128; }));
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 8, 1}));
}

TEST_F(FrontSoundTest, TheBeepDropsWaitingKeysAndPlaysItsStaircase) {
  con.push_key('a');
  con.push_key('b');
  speech::play_beep(s);
  EXPECT_EQ(con.key_count(), 0);
  ASSERT_EQ(rec.writes.size(), 1u);
  const auto& b = rec.writes[0].bytes;
  ASSERT_EQ(b.size(), 512u);
  const uint8_t steps[8] = {128, 112, 96, 80, 64, 80, 96, 112};
  for (size_t i = 0; i + 1 < 512; ++i) ASSERT_EQ(b[i], steps[i % 8]) << i;
  EXPECT_EQ(b[511], 128);
  EXPECT_EQ(read_file(log_path), "beep\n");
}

TEST_F(FrontSoundTest, ToneHandlerPlaysAndStopsTheLoop) {
  speech::play_tone(s, 400, zn::tone_wave(400));
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_TRUE(rec.writes[0].loop);
  EXPECT_EQ(rec.open_now, 1);
  speech::play_tone(s, 0, "");
  EXPECT_EQ(rec.open_now, 0);
}

TEST(Midi, ShortMessagesArePackedStatusFirst) {
  EXPECT_EQ(speech::midi_note_message(0, 60, 100), 0x90u | (60u << 8) | (100u << 16));
  EXPECT_EQ(speech::midi_note_message(15, 127, 0), 0x9Fu | (127u << 8));
  EXPECT_EQ(speech::midi_program_message(9, 42), 0xC9u | (42u << 8));
  // Out of range values cannot turn a note into another message.
  EXPECT_EQ(speech::midi_note_message(16, 128, 128) & 0xF0u, 0x90u);
}

TEST(Midi, OpenResetsNotesGoOutAndProgramChangeFailuresAreShown) {
  zn::Console con;
  con.set_backend(std::make_unique<CueBackend>());
  speech::Speech s;
  s.console = &con;
  auto rec = std::make_unique<plat::MidiRecorder>();
  plat::MidiRecorder* r = rec.get();
  s.midi.layer = std::move(rec);

  speech::midi_program(s, 0, 5);  // nothing open
  EXPECT_EQ(con.screen_text(), "erro em ProgramChange\n");
  speech::midi_open(s);
  speech::midi_note(s, 0, 60, 100);
  speech::midi_program(s, 1, 19);
  speech::midi_note(s, 0, 60, 0);
  speech::midi_close(s);
  speech::midi_note(s, 0, 61, 100);  // closed: dropped
  EXPECT_EQ(r->messages, (std::vector<uint32_t>{0xFF, 0x643C90, 0x13C1, 0x3C90}));
  EXPECT_EQ(r->opens, 1);
  EXPECT_EQ(r->closes, 1);
  EXPECT_EQ(con.screen_text(), "erro em ProgramChange\n");
}

}  // namespace
