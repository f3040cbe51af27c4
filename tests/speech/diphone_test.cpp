// The diphone voice: units and voicing rules, the index, placing with cut and fallbacks,
// silences and word gaps, the output image, hostile databases and texts, open errors.
#include "speech/diphone.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <set>

#include "speech/diphone_rules.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

// What the voicing rules place for a phonetic text: "name@mode*factor", "#samples".
struct Trace : speech::DiphoneSink {
  std::string out;
  bool sources = false;
  void place(std::string_view name, std::string_view source, int mode, double f) override {
    char b[96];
    std::snprintf(b, sizeof b, "%.*s@%d*%.2f", static_cast<int>(name.size()), name.data(), mode, f);
    if (!out.empty()) out += ' ';
    out += b;
    if (sources) out += "<" + std::string(source) + ">";
  }
  void silence(int samples) override {
    if (!out.empty()) out += ' ';
    out += "#" + std::to_string(samples);
  }
};

std::string trace(std::string_view phonetic, int gap = 100) {
  Trace t;
  speech::voice_phonetic(phonetic, gap, t);
  return t.out;
}

TEST(DiphoneRules, UnitsAndTheRulesThatSplitThem) {
  struct Case {
    const char* phonetic;
    const char* placed;
  } cases[] = {
      // Consonant and vowel is one name; a stressed vowel sets mode 2, then 0 after it.
      {"[ k/A/ z/a]", "$kA@2*1.00 $za@0*1.00"},
      // Rule 2: a cluster loses its first consonant as a piece at factor 1.
      {"[tra]", "$t@1*1.00 $ra@1*1.00"},
      // ... but not the voice's own clusters.
      {"[tchi]", "$tchi@1*1.00"},
      {"[nha]", "$nha@1*1.00"},
      {"[rra]", "$rra@1*1.00"},
      {"[ksi]", "$ksi@1*1.00"},
      {"[dja]", "$dja@1*1.00"},
      // Rule 3: rr and a closing consonant on their own.
      {"[karr]", "$ka@1*1.00 $rr@1*1.00"},
      {"[mar]", "$ma@1*1.00 $r@1*1.00"},
      {"[trAs]", "$t@1*1.00 $rA@2*1.00 $s@0*1.00"},
      // Rule 4: the vowel at 0.6, then vowel and semivowel.
      {"[pEw]", "$pE@2*0.60 $Ew@2*1.00"},
      // Rule 5: a nasal diphthong: closed vowel at 0.6, then vowel, semivowel, mark.
      {"[mA~y]", "$mACIRC@2*0.60 $AyTIL@2*1.00"},
      {"[pe^y]", "$peCIRC@1*0.60 $eyCIRC@1*1.00"},
      {"[e^y]", "$eyCIRC@1*1.00"},
      {"[kA~ys]", "$kACIRC@2*0.60 $AyTIL@2*1.00 $s@0*1.00"},
      // Rule 6: vowel at 0.7 and s; "_s" is a letter wave instead.
      {"[as]", "$a@1*0.70 $s@1*1.00"},
      {"[ /_s]", "_115@1*1.00"},
      // Marks inside a piece place what came before them.
      {"[bo~]", "$boTIL@1*1.00"},
      {"[kwA~]", "$kwATIL@2*1.00"},
      // Punctuation units are silences only.
      {"[ /_,]", "#4000"},
      {"[ /_.][ /_:][ /_;]", "#8000 #100 #8000 #100 #6000"},
      // A word gap after a unit that ends at ']' while text follows, not after a blank.
      {"[ka][ta]", "$ka@1*1.00 #100 $ta@1*1.00"},
      {"[kA ka][ka]", "$kA@2*1.00 $ka@0*1.00 #100 $ka@1*1.00"},
      // '/' is skipped in a short unit and ends a long one.
      {"[k/a]", "$ka@1*1.00"},
      {"[aeioueaei/ou]", "$aeioueaei@1*1.00 #100 $ou@1*1.00"},
      // '|' makes the unit "_TRACO", voiced as the letter wave of T.
      {"[|]", "_84@1*1.00"},
  };
  for (const Case& c : cases) EXPECT_EQ(trace(c.phonetic), c.placed) << c.phonetic;
}

TEST(DiphoneRules, LongUnitsAndNamesAreCut) {
  // 40 characters make a unit; a name is placed with at most 12.
  const std::string fifty(50, 'a');
  EXPECT_EQ(trace(fifty), "$aaaaaaaaaaa@1*1.00 #100 $aaaaaaaaaa@1*1.00");
  // A '_' at the very end has nothing to spell.
  EXPECT_EQ(trace("[_"), "");
}

TEST(DiphoneRules, EachNameCarriesThePieceStretchItCameFrom) {
  Trace t;
  t.sources = true;
  speech::voice_phonetic("[mA~y kwA~ pEw]", 0, t);
  EXPECT_EQ(t.out, "$mACIRC@2*0.60<mA^> $AyTIL@2*1.00<Ay~> $kwATIL@2*1.00<kwA~> $pE@2*0.60<pE> $Ew@2*1.00<Ew>");
}

TEST(DiphoneRules, AnyBytesEndWithoutOverrun) {
  std::minstd_rand rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string text(static_cast<size_t>(rng() % 300), '\0');
    for (char& c : text) c = static_cast<char>(rng() % 256);
    Trace t;
    speech::voice_phonetic(text, 100, t);
  }
  Trace t;
  speech::voice_phonetic(std::string(1000, 'b') + "a", 100, t);
  EXPECT_NE(t.out.find("$b@1*1.00"), std::string::npos);
}

// ---- The index ------------------------------------------------------------------------

std::string record(std::string_view name, uint16_t length, uint32_t offset, int stated_length = -1) {
  std::string r(1, static_cast<char>(stated_length < 0 ? name.size() : static_cast<size_t>(stated_length)));
  r += std::string(name.substr(0, 8));
  r.append(8 - std::min<size_t>(name.size(), 8), ' ');
  return r + le(length, 2) + le(offset, 4);
}

TEST(DiphoneIndex, SortedWithPrefixesFirstAndSearchedByHalving) {
  // Written out of order: the voice sorts it, a prefix before its longer names.
  std::string bytes = record("$AB", 2, 20) + record("$A", 1, 10) + record("$B", 3, 30) + record("$ABC", 4, 40);
  bytes += "xyz";  // a truncated last record is ignored
  const auto index = speech::parse_diphone_index(bytes);
  ASSERT_EQ(index.size(), 4u);
  EXPECT_EQ(index[0].name, "$A");
  EXPECT_EQ(index[1].name, "$AB");
  EXPECT_EQ(index[2].name, "$ABC");
  EXPECT_EQ(index[3].name, "$B");
  EXPECT_EQ(speech::find_diphone(index, "$AB")->offset, 20u);
  EXPECT_EQ(speech::find_diphone(index, "$ABC")->length, 4u);
  EXPECT_EQ(speech::find_diphone(index, "$AA"), nullptr);
  EXPECT_EQ(speech::find_diphone(index, "$ABCD"), nullptr);
  EXPECT_EQ(speech::find_diphone(index, ""), nullptr);

  // Many names: every one is found, names between them are not.
  std::string many;
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i) names.push_back("$N" + std::to_string(i * 2));
  std::shuffle(names.begin(), names.end(), std::minstd_rand(3));
  for (size_t i = 0; i < names.size(); ++i) many += record(names[i], 1, static_cast<uint32_t>(i));
  const auto big = speech::parse_diphone_index(many);
  for (size_t i = 0; i < names.size(); ++i) {
    const auto* r = speech::find_diphone(big, names[i]);
    ASSERT_NE(r, nullptr) << names[i];
    EXPECT_EQ(r->offset, i);
  }
  for (int i = 0; i < 500; ++i) EXPECT_EQ(speech::find_diphone(big, "$N" + std::to_string(i * 2 + 1)), nullptr);
}

TEST(DiphoneIndex, OddRecordsAreHeldInBounds) {
  // A name length above 8 is cut to 8; equal names keep file order.
  const auto index = speech::parse_diphone_index(record("$LONGNAM", 5, 1, 200) + record("$X", 1, 2) + record("$X", 1, 3));
  ASSERT_EQ(index.size(), 3u);
  EXPECT_EQ(speech::find_diphone(index, "$LONGNAM")->length, 5u);
  EXPECT_EQ(speech::find_diphone(index, "$X")->offset, 2u);
  EXPECT_TRUE(speech::parse_diphone_index(std::string(14, 'x')).empty());
}

TEST(DiphoneTake, CutMinimumStressAndFactor) {
  speech::DiphoneSettings st;
  st.cut = 400;
  st.minimum = 300;
  struct Case {
    size_t name_length;
    int mode;
    double factor;
    size_t record, played;
  } cases[] = {
      {3, 1, 1.0, 1000, 600}, {3, 1, 1.0, 600, 300}, {3, 1, 1.0, 250, 250},  // below the minimum
      {3, 2, 1.0, 1000, 1000},                                              // stressed: whole
      {3, 0, 1.0, 1000, 600},                                               // 0 behaves as 1
      {2, 1, 1.0, 1000, 1000},                                              // short names are not cut
      {3, 1, 0.6, 1000, 360}, {3, 2, 0.7, 999, 699},                        // then the factor
  };
  for (const Case& c : cases)
    EXPECT_EQ(speech::diphone_take(st, c.name_length, c.mode, c.factor, c.record), c.played)
        << c.record << " mode " << c.mode << " f " << c.factor;
  // Settings that would read past the record stay inside it.
  st.cut = -5000;
  EXPECT_EQ(speech::diphone_take(st, 3, 1, 1.0, 800), 800u);
  st.cut = 100;
  st.minimum = 99999;
  EXPECT_EQ(speech::diphone_take(st, 3, 1, 1.0, 800), 800u);
}

// ---- The voice on a fixture database --------------------------------------------------

struct Diphone {
  std::string name;
  size_t length;
  uint8_t value;
};

class DiphoneVoiceTest : public ::testing::Test, protected FrontRig {
 protected:
  DiphoneVoiceTest() {
    dir.file("windows/ZUNAPE.INI", "[TRADUTOR]\r\nDIRLETRAS=c:\\letras\r\nDIRDIFONES=c:\\vozes\\difones\\\r\n");
    dir.file("letras/.keep", "");
    dir.file("vozes/difones/regras.rgr", "(A)=a\n(K)=k\n(S)=z/A|\n");
    dir.file("vozes/difones/portug.exc", "ok=oka|\n");
    settings.database = "TESTE";
    settings.cut = 400;
    settings.minimum = 300;
    settings.word_gap = 100;
  }

  // The fixture database: each diphone a run of its own value, the index in name order.
  void database(std::vector<Diphone> table) {
    std::sort(table.begin(), table.end(), [](const Diphone& a, const Diphone& b) { return a.name < b.name; });
    std::string data, index;
    for (const Diphone& d : table) {
      index += record(d.name, static_cast<uint16_t>(d.length), static_cast<uint32_t>(data.size()));
      data += std::string(d.length, static_cast<char>(d.value));
    }
    dir.file("vozes/difones/TESTE.IND", index);
    dir.file("vozes/difones/TESTE.DIF", data);
  }

  int open() { return speech::diphone_open(s, settings); }

  // The samples of the image played last.
  std::vector<uint8_t> last_image() const {
    const auto& img = s.voice->image;
    const uint32_t n = img[40] | img[41] << 8 | img[42] << 16 | static_cast<uint32_t>(img[43]) << 24;
    return std::vector<uint8_t>(img.begin() + 44, img.begin() + 44 + n);
  }

  // The image as runs "value:count"; the fade that ends a diphone cut short counts with
  // its run.
  static std::string runs(const std::vector<uint8_t>& b) {
    std::string out;
    size_t i = 0;
    while (i < b.size()) {
      const uint8_t v = b[i];
      size_t j = i + 1;
      while (j < b.size() && b[j] == v) ++j;
      bool faded = j + 24 <= b.size();
      for (size_t k = 0; faded && k < 24; ++k) faded = b[j + k] == 128 + (v - 128) * static_cast<int>(23 - k) / 24;
      if (faded && v != 128) j += 24;
      if (!out.empty()) out += ' ';
      out += std::to_string(v) + ":" + std::to_string(j - i);
      i = j;
    }
    return out;
  }

  std::string log() const { return read_file(log_path); }

  speech::DiphoneSettings settings;
};

TEST_F(DiphoneVoiceTest, OpenErrorCodes) {
  database({{"$KA", 10, 200}});
  struct Case {
    const char* what;
    std::function<void()> breaks;
    int code;
  } cases[] = {
      {"all there", [] {}, 0},
      {"no letters directory", [&] { std::filesystem::remove_all(dir.path + "/letras"); }, 1},
      {"no voice directory", [&] { std::filesystem::remove_all(dir.path + "/vozes"); }, 1},
      {"no index", [&] { std::filesystem::remove(dir.path + "/vozes/difones/TESTE.IND"); }, 1},
      {"no data file", [&] { std::filesystem::remove(dir.path + "/vozes/difones/TESTE.DIF"); }, 1},
      {"no database name", [&] { settings.database.clear(); }, 1},
      {"no rules", [&] { std::filesystem::remove(dir.path + "/vozes/difones/regras.rgr"); }, 2},
      {"no dictionary", [&] { std::filesystem::remove(dir.path + "/vozes/difones/portug.exc"); }, 2},
  };
  for (const Case& c : cases) {
    TempDir saved;
    std::filesystem::copy(dir.path, saved.path, std::filesystem::copy_options::recursive |
                                                    std::filesystem::copy_options::overwrite_existing);
    const speech::DiphoneSettings kept = settings;
    c.breaks();
    EXPECT_EQ(open(), c.code) << c.what;
    EXPECT_EQ(s.voice != nullptr, c.code == 0) << c.what;
    speech::diphone_close(s);
    settings = kept;
    std::filesystem::remove_all(dir.path + "/letras");
    std::filesystem::remove_all(dir.path + "/vozes");
    std::filesystem::copy(saved.path, dir.path, std::filesystem::copy_options::recursive |
                                                    std::filesystem::copy_options::overwrite_existing);
  }
  // A name of more than 8 characters is cut to 8; directories default when the keys are empty.
  settings.database = "TESTEXYZW";
  dir.file("vozes/difones/TESTEXYZ.IND", "");
  dir.file("vozes/difones/TESTEXYZ.DIF", "");
  EXPECT_EQ(open(), 0);
  dir.file("windows/ZUNAPE.INI", "");
  EXPECT_EQ(open(), 1) << "c:\\palmir\\som\\letras does not exist in the fixture";
  s.config = nullptr;
  EXPECT_EQ(open(), 1);
}

TEST_F(DiphoneVoiceTest, PlacesCutDiphonesIntoOneImage) {
  database({{"$KA", 1000, 200}, {"$ZA", 600, 201}, {"$S", 250, 202}, {"$TA", 250, 203}});
  ASSERT_EQ(open(), 0);
  // Stressed whole, unstressed cut (600 is below the minimum after the cut), short names whole.
  speech::diphone_speak(s, "[kA za s ta ka]");
  EXPECT_EQ(runs(last_image()), "200:1000 201:300 202:250 203:250 200:600");
  EXPECT_EQ(log(), "");
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_EQ(rec.writes[0].bytes.size(), 2400u);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 8, 1}));
  // A diphone cut short fades out instead of ending on a step.
  const auto img = last_image();
  EXPECT_EQ(img[1000 + 299], 128);
  EXPECT_EQ(img[999], 200) << "a whole diphone is left as recorded";
}

TEST_F(DiphoneVoiceTest, WordGapsAndPunctuationSilences) {
  database({{"$KA", 300, 200}});
  settings.word_gap = 250;  // whole blocks of 100 only
  ASSERT_EQ(open(), 0);
  speech::diphone_speak(s, "[kA][kA][ /_,][kA]");
  EXPECT_EQ(runs(last_image()), "200:300 128:200 200:300 128:4400 200:300");
}

TEST_F(DiphoneVoiceTest, FallbacksForMissingNames) {
  struct Case {
    const char* phonetic;
    std::vector<Diphone> table;
    const char* image;
    const char* log;
  } cases[] = {
      // A nasal vowel missing: the closed vowel (mode 2, not cut) at 0.9 and $nn (mode 1).
      {"[ka~]", {{"$KACIRC", 500, 210}, {"$NN", 1000, 211}}, "210:450 211:540", "missing $KATIL\n"},
      // Before i and u no CIRC: the vowel name itself, in the mode it had.
      {"[ki~]", {{"$KI", 1000, 212}, {"$NN", 1000, 211}}, "212:540 211:540", "missing $KITIL\n"},
      // A name ending in a vowel: the rest at 0.9, then the vowel at the factor.
      {"[kwa]", {{"$KW", 500, 213}, {"$A", 700, 214}}, "213:270 214:700", "missing $KWA\n"},
      // A long CIRC name: its front at 0.9, then "$" and its last 5 characters.
      {"[kwa^]", {{"$KW", 500, 213}, {"$ACIRC", 1000, 215}}, "213:270 215:600", "missing $KWACIRC\n"},
      // Several steps down; the CIRC stand-in keeps mode 2 all the way.
      {"[lya~]", {{"$LY", 100, 216}, {"$ACIRC", 1000, 215}, {"$NN", 1000, 211}}, "216:81 215:900 211:540",
       "missing $LYATIL\nmissing $LYACIRC\n"},
      // A consonant-ending name with nothing to fall to is left out.
      {"[br]", {}, "", "missing $BR\n"},
  };
  for (const Case& c : cases) {
    database(c.table);
    ASSERT_EQ(open(), 0);
    std::filesystem::remove(log_path);
    speech::open_speech_log(s, log_path);
    rec.writes.clear();
    speech::diphone_speak(s, c.phonetic);
    EXPECT_EQ(runs(last_image()), c.image) << c.phonetic;
    EXPECT_EQ(log(), c.log) << c.phonetic;
  }
}

TEST_F(DiphoneVoiceTest, AShortMissingNameIsNoise) {
  database({});
  ASSERT_EQ(open(), 0);
  speech::diphone_speak(s, "[b]");
  const auto img = last_image();
  ASSERT_EQ(img.size(), 300u);
  EXPECT_TRUE(std::all_of(img.begin(), img.end(), [](uint8_t v) { return v >= 88 && v <= 167; }));
  EXPECT_GT(std::set<uint8_t>(img.begin(), img.end()).size(), 20u);
  EXPECT_EQ(log(), "missing $B\n");
}

TEST_F(DiphoneVoiceTest, LetterWavesFromTheLettersDirectory) {
  database({});
  dir.file("letras/_114.wav", wav(1, 11025, 8, std::string(400, '\xD0')));
  std::string sixteen;
  for (int i = 0; i < 300; ++i) sixteen += le(0x3000, 2);  // 16-bit: kept as its high byte
  dir.file("letras/_115.wav", wav(1, 11025, 16, sixteen));
  dir.file("letras/_116.wav", "RIFF not a wave");
  ASSERT_EQ(open(), 0);
  speech::diphone_speak(s, "[ /_r][ /_s][ /_t][ /_x]");
  EXPECT_EQ(runs(last_image()), "208:400 128:100 176:300 128:200");
  EXPECT_EQ(log(), "missing _116\nmissing _120\n");
}

TEST_F(DiphoneVoiceTest, ImagesAreFlushedBeforeTheyWouldOverflow) {
  database({{"$KA", 30000, 200}, {"$BIA", 65535, 201}});
  ASSERT_EQ(open(), 0);
  speech::diphone_speak(s, "[kA kA kA]");
  ASSERT_EQ(rec.writes.size(), 2u);
  EXPECT_EQ(rec.writes[0].bytes.size(), 60000u);
  EXPECT_EQ(rec.writes[1].bytes.size(), 30000u);
  EXPECT_EQ(last_image().size(), 30000u) << "the header is written for each image";
  // A diphone larger than the image is played across two of them.
  rec.writes.clear();
  speech::diphone_speak(s, "[bIa]");
  ASSERT_EQ(rec.writes.size(), 2u);
  EXPECT_EQ(rec.writes[0].bytes.size() + rec.writes[1].bytes.size(), 65535u);
  EXPECT_LT(rec.writes[0].bytes.size(), speech::kDiphoneImage - 44 + 1);
  EXPECT_EQ(s.voice->write_pos, 44u);
}

TEST_F(DiphoneVoiceTest, AKeyStopsTheVoiceAndStaysReadable) {
  database({{"$KA", 40000, 200}});
  ASSERT_EQ(open(), 0);
  con.push_key('x');
  speech::diphone_speak(s, "[kA kA kA kA kA kA]");
  EXPECT_TRUE(s.abort);
  EXPECT_TRUE(rec.writes.empty()) << "nothing plays while a key waits";
  EXPECT_EQ(con.read_key(), 'x');
  // The next text speaks again.
  speech::diphone_speak(s, "[kA]");
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_EQ(rec.writes[0].bytes.size(), 40000u);
}

TEST_F(DiphoneVoiceTest, HostileDatabasesAreNeverReadPastTheirData) {
  // Unsorted on disk, a record past the data, one running off its end, a truncated record.
  std::string index = record("$ZA", 100, 0) + record("$KA", 100, 100) + record("$PA", 500, 150) +
                      record("$TA", 50, 100000) + "\x03$LA";
  dir.file("vozes/difones/TESTE.IND", index);
  dir.file("vozes/difones/TESTE.DIF", std::string(100, '\xC8') + std::string(100, '\xC9'));
  ASSERT_EQ(open(), 0);
  speech::diphone_speak(s, "[zA kA pA tA]");
  // $TA points past the data: missing, then its fallbacks ($T noise is left out of the count).
  const auto img = last_image();
  ASSERT_GE(img.size(), 100u + 100u + 50u);
  EXPECT_EQ(runs(std::vector<uint8_t>(img.begin(), img.begin() + 250)), "200:100 201:150");
  EXPECT_EQ(log(), "missing $TA\nmissing $T\nmissing $A\n");
}

TEST_F(DiphoneVoiceTest, HostileTextsAreVoicedWithWhatThereIs) {
  database({{"$KA", 200, 200}, {"$A", 100, 201}});
  ASSERT_EQ(open(), 0);
  speech::set_audio_layer(s.wave, plat::make_null_audio());
  std::minstd_rand rng(11);
  for (int round = 0; round < 50; ++round) {
    std::string text(static_cast<size_t>(rng() % 400), '\0');
    for (char& c : text) c = static_cast<char>(rng() % 256);
    speech::diphone_speak(s, text);
    ASSERT_EQ(s.voice->write_pos, 44u);
  }
  std::string commas;
  for (int i = 0; i < 10000; ++i) commas += "[ /_,]";
  speech::diphone_speak(s, commas);
  speech::diphone_speak(s, "[" + std::string(1000, 'k') + "a]");
  EXPECT_EQ(s.voice->write_pos, 44u);
}

TEST_F(DiphoneVoiceTest, TranslatesWithTheVoiceRules) {
  database({});
  EXPECT_EQ(speech::diphone_translate(s, "sak"), "") << "no voice open";
  ASSERT_EQ(open(), 0);
  // The fixture rules: s gives "z/A", k and a are as written.
  EXPECT_EQ(speech::diphone_translate(s, "sak"), "[z/A/a/k]");
}

}  // namespace
