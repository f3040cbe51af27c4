// The braille chord keyboard, its mode switches and the tone generator.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "fixture.h"

namespace zn::test {
namespace {

class BrailleTest : public ConsoleTest {
 protected:
  BrailleTest() {
    con.ensure_window();  // its creation sets the mode from the profile
    con.set_tone_handler([this](int hz, const std::string& wave) {
      tones.push_back(hz);
      if (hz > 0) EXPECT_EQ(wave, tone_wave(hz));
      else EXPECT_TRUE(wave.empty());
    });
  }

  // Every key of the chord goes down, then every key comes up, in order.
  // "!" stands for the release of a key that is neither a letter nor the space bar.
  void chord(const std::string& keys) {
    if (keys == "!") {
      con.key_release(0, {});
      return;
    }
    for (char k : keys) con.key_press(static_cast<uint8_t>(k), {});
    for (char k : keys) con.key_release(static_cast<uint8_t>(k), {});
  }

  void mode(int m) {
    con.set_braille_mode(m);
    tones.clear();
  }

  std::vector<int> tones;
};

struct ChordCase {
  const char* name;
  int mode;
  std::vector<std::string> chords;
  std::string typed;
};

// Cases of one mode run one after the other: each begins with the signs cleared.
TEST_F(BrailleTest, ChordTable) {
  const ChordCase cases[] = {
      {"f_d_is_b", 1, {"FD"}, "b"},
      {"lower_case_keys", 1, {"fd"}, "b"},
      {"all_six_dots", 1, {"FDSJKL"}, "\xe9"},
      {"accented_cells", 1, {"SJ", "FJL", "FDSJL"}, "\xed\xee\xe7"},
      {"space_alone_blank", 1, {" "}, " "},
      {"space_f_code_1", 1, {" F"}, "\x01"},
      {"space_cell_is_char_and_31", 1, {" FD", " D", " FDSJKL"}, "\x02\x0c\x09"},
      {"mode_1_has_no_signs", 1, {"SJKL", "F", "JL", "F"}, "#a{a"},
      {"number_sign", 2, {"SJKL", "F", "FD"}, "12"},
      {"number_j_is_0_apostrophe_is_point", 2, {"SJKL", "DJK", "S", "FJ"}, "0.3"},
      {"space_ends_numbers", 2, {"SJKL", "F", " ", "F"}, "1 a"},
      {"tilde_ends_numbers", 2, {"SJKL", "F", "K", "F"}, "1~a"},
      {"capital_once", 2, {"JL", "F", "FD"}, "Ab"},
      {"capitals_lock_until_space_chord", 2, {"JL", "JL", "F", "FD", " ", "F"}, "AB a"},
      {"capital_leaves_non_letters", 2, {"JL", "D", "F"}, ",a"},
      {"other_key_up_clears_signs", 2, {"JL", "JL", "F", "!", "F", "SJKL", "!", "F"}, "Aaa"},
      {"space_chord_clears_signs", 2, {"SJKL", " F", "F"}, "\x01" "a"},
  };
  for (int m : {1, 2}) {
    mode(m);
    for (const auto& c : cases) {
      if (c.mode != m) continue;
      SCOPED_TRACE(c.name);
      chord("!");
      for (const auto& k : c.chords) chord(k);
      EXPECT_EQ(drain(), c.typed);
      EXPECT_EQ(con.braille().dots, 0);
      EXPECT_EQ(con.braille().held, 0);
    }
  }
}

TEST_F(BrailleTest, CellCompletesWhenTheLastChordKeyIsUp) {
  mode(1);
  con.key_press('F', {});
  con.key_press('D', {});
  con.key_release('F', {});
  EXPECT_EQ(con.key_count(), 0);
  con.key_press('S', {});  // rolled in before D came up: same cell
  con.key_release('D', {});
  con.key_press('D', {});  // key repeat of a held key adds nothing new
  con.key_release('D', {});
  EXPECT_EQ(con.key_count(), 0);
  con.key_release('S', {});
  EXPECT_EQ(drain(), "l");
}

TEST_F(BrailleTest, CtrlAndAltMakeNoChord) {
  mode(1);
  con.key_press('F', {.ctrl = true});
  con.key_release('F', {.ctrl = true});
  con.key_press('D', {.alt = true});
  con.key_release('D', {.alt = true});
  EXPECT_EQ(con.key_count(), 0);
  chord("S");
  EXPECT_EQ(drain(), "'");
}

TEST_F(BrailleTest, ChordKeyReleasedUnderCtrlDoesNotStayHeld) {
  mode(1);
  con.key_press('F', {});
  con.key_release('F', {.ctrl = true});
  EXPECT_EQ(con.braille().held, 0);
  chord("D");
  EXPECT_EQ(drain(), ",");  // not F+D
}

TEST_F(BrailleTest, OtherLettersTypeNothing) {
  mode(1);
  chord("G");
  con.key_press('F', {});
  con.key_press('G', {});
  con.key_release('G', {});
  con.key_release('F', {});
  EXPECT_EQ(drain(), "a");
}

TEST_F(BrailleTest, OffMeansNoChords) {
  chord("FD");
  EXPECT_EQ(con.key_count(), 0);
  mode(1);
  con.key_press('F', {});
  mode(0);
  mode(1);
  con.key_release('F', {});  // the chord begun before the switch is gone
  EXPECT_EQ(con.key_count(), 0);
}

TEST_F(BrailleTest, CellsNeedRoomInTheBuffer) {
  mode(1);
  for (int i = 0; i < 63; ++i) con.key_char('1', false);
  chord("F");
  chord("D");
  EXPECT_EQ(con.key_count(), 64);
  EXPECT_EQ(drain(), std::string(63, '1') + "a");
}

TEST_F(BrailleTest, TypedLettersAndBlanksAreChordsOnlyWithKeyRelease) {
  const auto type_chars = [&] {
    for (char c : std::string("aZ 1\xe9\r")) con.key_char(static_cast<uint8_t>(c), false);
    return drain();
  };
  mode(1);
  EXPECT_EQ(type_chars(), "aZ 1\xe9\r");  // a terminal: keys arrive as typed
  backend->key_release = true;
  EXPECT_EQ(type_chars(), "1\xe9\r");
  mode(0);
  EXPECT_EQ(type_chars(), "aZ 1\xe9\r");
}

struct SwitchCase {
  const char* name;
  int from;
  Key key;
  BrailleMode to;
  std::vector<int> tones;
};

class ModeSwitch : public BrailleTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(ModeSwitch, SwitchesAndSounds) {
  mode(GetParam().from);
  con.key_down(GetParam().key, {.ctrl = true, .alt = true});
  EXPECT_EQ(con.braille_mode(), GetParam().to);
  EXPECT_EQ(tones, GetParam().tones);
  EXPECT_EQ(con.key_count(), 0);
  EXPECT_FALSE(con.tone_playing());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModeSwitch,
    ::testing::Values(
        SwitchCase{"f11_from_0", 0, Key::F11, BrailleMode::plain, {800, 0, 1600, 0}},
        SwitchCase{"f11_from_1", 1, Key::F11, BrailleMode::signs, {800, 0, 400, 0}},
        SwitchCase{"f11_from_2_wraps", 2, Key::F11, BrailleMode::plain, {800, 0, 1600, 0}},
        SwitchCase{"f12_when_on", 2, Key::F12, BrailleMode::off, {100, 0}},
        SwitchCase{"f12_when_off", 0, Key::F12, BrailleMode::off, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrailleTest, ModeValuesOutOfRange) {
  mode(2);
  con.set_braille_mode(7);
  EXPECT_EQ(con.braille_mode(), BrailleMode::plain);
  con.set_braille_mode(-3);
  EXPECT_EQ(con.braille_mode(), BrailleMode::off);
  EXPECT_EQ(tones, (std::vector<int>{800, 0, 1600, 0, 100, 0}));
}

TEST_F(BrailleTest, WindowTakesTheModeFromTheProfile) {
  struct Case {
    const char* modo;
    BrailleMode mode;
    std::vector<int> tones;
  } cases[] = {
      {"2", BrailleMode::signs, {800, 0, 400, 0}},
      {"3", BrailleMode::plain, {800, 0, 1600, 0}},  // '3' AND 3 is 3, above 2
      {"0", BrailleMode::off, {}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    Console fresh;
    std::vector<int> heard;
    fresh.set_tone_handler([&](int hz, const std::string&) { heard.push_back(hz); });
    fresh.set_profile_path(dir.file("ZUNAPE.INI", std::string("[BRAILLE]\nMODO=") + c.modo + "\n"));
    fresh.ensure_window();
    EXPECT_EQ(fresh.braille_mode(), c.mode) << c.modo;
    EXPECT_EQ(heard, c.tones) << c.modo;
  }
}

// The decoder is inside its pump when Ctrl+Alt+F11 arrives; the tones' pause must not
// decode the keys typed meanwhile a second time or out of order.
TEST_F(BrailleTest, KeysTypedDuringTheModeTonesKeepTheirOrder) {
  con.set_tone_handler([this](int hz, const std::string&) {
    tones.push_back(hz);
    if (hz == 800) type("x");
  });
  type("\x1b[23;7~ab");
  std::string got;
  for (int i = 0; i < 3; ++i) got += static_cast<char>(con.read_key());
  EXPECT_EQ(got, "abx");
  EXPECT_EQ(con.braille_mode(), BrailleMode::plain);
  EXPECT_EQ(tones, (std::vector<int>{800, 0, 1600, 0}));
  EXPECT_TRUE(quits.empty());
}

TEST_F(BrailleTest, PlayAndStop) {
  con.play_tone(440);
  con.play_tone(880);  // stops the first
  EXPECT_TRUE(con.tone_playing());
  con.stop_tone();
  con.stop_tone();
  con.play_tone(0);
  EXPECT_EQ(tones, (std::vector<int>{440, 0, 880, 0}));
  EXPECT_FALSE(con.tone_playing());
}

TEST(ToneWithoutHandler, IsSilentAndHarmless) {
  Console con;
  con.play_tone(800);
  con.set_braille_mode(1);
  con.stop_tone();
  EXPECT_EQ(con.braille_mode(), BrailleMode::plain);
  EXPECT_FALSE(con.tone_playing());
}

uint32_t le32(const std::string& w, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(w[at + i]);
  return v;
}

uint16_t le16(const std::string& w, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(w[at]) | static_cast<uint8_t>(w[at + 1]) << 8);
}

void expect_header(const std::string& w, uint32_t samples) {
  ASSERT_EQ(w.size(), static_cast<size_t>(kToneWaveSize));
  EXPECT_EQ(w.substr(0, 4), "RIFF");
  EXPECT_EQ(le32(w, 4), samples + 36);
  EXPECT_EQ(w.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(le32(w, 16), 16u);
  EXPECT_EQ(le16(w, 20), 1);  // PCM
  EXPECT_EQ(le16(w, 22), 1);  // channels
  EXPECT_EQ(le32(w, 24), 11025u);
  EXPECT_EQ(le32(w, 28), 11025u);
  EXPECT_EQ(le16(w, 32), 1);
  EXPECT_EQ(le16(w, 34), 8);
  EXPECT_EQ(w.substr(36, 4), "data");
  EXPECT_EQ(le32(w, 40), samples);
}

struct WaveCase {
  int hz;
  uint32_t samples;
  std::vector<std::pair<size_t, int>> bytes;  // offset, value
};

TEST(ToneWave, Bytes) {
  const WaveCase cases[] = {
      // p = 13; periods at 44, 57, 71, ...; the last at 11000; the next would be 11013.
      {800, 10969, {{44, 96}, {49, 96}, {50, 160}, {56, 160}, {57, 96}, {70, 160}, {71, 96},
                    {11005, 96}, {11006, 160}, {11011, 160}, {11012, 128}, {11013, 160}, {11014, 0}}},
      // p = 110; periods at 44, 154, ...; the last at 10848; the next would be 10958.
      {100, 10914, {{44, 96}, {98, 96}, {99, 160}, {153, 160}, {154, 96}, {10902, 96},
                    {10903, 160}, {10956, 160}, {10957, 128}, {10958, 160}, {10959, 0}}},
      // Not one period fits: no samples, and nothing written over the header.
      {1, 0, {{43, 0}, {44, 0}}},
      // Above the sample rate every byte is a "period" of 160.
      {INT_MAX, 10982, {{44, 160}, {11024, 160}, {11025, 128}, {11026, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hz);
    const std::string w = tone_wave(c.hz);
    expect_header(w, c.samples);
    for (auto [at, value] : c.bytes) EXPECT_EQ(static_cast<uint8_t>(w[at]), value) << at;
    EXPECT_EQ(static_cast<uint8_t>(w.back()), 0);
  }
  EXPECT_EQ(tone_wave(20000), tone_wave(11026));
  EXPECT_TRUE(tone_wave(0).empty());
  EXPECT_TRUE(tone_wave(-5).empty());
}

TEST(ToneWave, DataIsOnlyTheTwoLevelsAndTheEnd) {
  for (int hz : {2, 400, 1600, 5000, 11025}) {
    const std::string w = tone_wave(hz);
    const uint32_t n = le32(w, 40);
    ASSERT_GT(n, 0u) << hz;
    for (uint32_t i = 0; i + 1 < n; ++i) {
      const auto b = static_cast<uint8_t>(w[44 + i]);
      ASSERT_TRUE(b == 96 || b == 160) << hz << " at " << 44 + i;
    }
    EXPECT_EQ(static_cast<uint8_t>(w[44 + n - 1]), 128) << hz;
  }
}

}  // namespace
}  // namespace zn::test
