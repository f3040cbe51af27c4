// Recorded voice: number words, fragment names, joined playback, times, dates and tones.
#include "speech/recorded.h"

#include <map>
#include <random>
#include <sstream>

#include "speech/znsapi.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

TEST(NumberToWords, Table) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "zero"},
      {1, "um"},
      {7, "sete"},
      {10, "dez"},
      {15, "quinze"},
      {17, "dezessete"},
      {20, "vinte"},
      {21, "vinte e um"},
      {99, "noventa e nove"},
      {100, "cem"},
      {101, "cento e um"},
      {110, "cento e dez"},
      {115, "cento e quinze"},
      {200, "duzentos"},
      {999, "novecentos e noventa e nove"},
      {1000, "mil"},
      {1001, "mil e um"},
      {1100, "mil e cem"},
      {1234, "mil e duzentos e trinta e quatro"},
      {2000, "dois mil"},
      {2024, "dois mil e vinte e quatro"},
      {100000, "cem mil"},
      {101000, "cento e um mil"},
      {999999, "novecentos e noventa e nove mil e novecentos e noventa e nove"},
      {1000000, "um milh\xE3o"},
      {1000001, "um milh\xE3o e um"},
      // Only the head of the text loses its "um".
      {1001000, "um milh\xE3o e um mil"},
      {2000000, "dois milh\xF5" "es"},
      {2500000, "dois milh\xF5" "es e quinhentos mil"},
      {1000000000, "um bilh\xE3o"},
      {1000000000000, "um trilh\xE3o"},
      {2000000000001, "dois trilh\xF5" "es e um"},
      // The "e " stands only before the last group.
      {3004005000, "tres bilh\xF5" "es quatro milh\xF5" "es e cinco mil"},
      {999999999999999,
       "novecentos e noventa e nove trilh\xF5" "es novecentos e noventa e nove bilh\xF5" "es "
       "novecentos e noventa e nove milh\xF5" "es novecentos e noventa e nove mil e "
       "novecentos e noventa e nove"},
      // Beyond fifteen digits the value is read digit by digit.
      {1000000000000000, "um zero zero zero zero zero zero zero zero zero zero zero zero zero zero zero"},
      {18446744073709551615ULL, "um oito quatro quatro seis sete quatro quatro zero sete tres sete "
                                "zero nove cinco cinco um seis um cinco"},
  };
  for (const auto& [n, words] : cases) EXPECT_EQ(speech::number_to_words(n), words) << n;
}

// Reads the words back as a number: catches a wrong word or group anywhere in the range.
uint64_t words_value(const std::string& text) {
  static const std::map<std::string, uint64_t> values = [] {
    std::map<std::string, uint64_t> m;
    const char* units[] = {"zero", "um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove"};
    const char* teens[] = {"dez", "onze", "doze", "treze", "quatorze", "quinze", "dezesseis", "dezessete",
                           "dezoito", "dezenove"};
    const char* tens[] = {"vinte", "trinta", "quarenta", "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
    const char* hundreds[] = {"cento", "duzentos", "trezentos", "quatrocentos", "quinhentos",
                              "seiscentos", "setecentos", "oitocentos", "novecentos"};
    for (int i = 0; i < 10; ++i) m[units[i]] = static_cast<uint64_t>(i);
    for (int i = 0; i < 10; ++i) m[teens[i]] = static_cast<uint64_t>(10 + i);
    for (int i = 0; i < 8; ++i) m[tens[i]] = static_cast<uint64_t>(20 + 10 * i);
    for (int i = 0; i < 9; ++i) m[hundreds[i]] = static_cast<uint64_t>(100 * (i + 1));
    m["cem"] = 100;
    return m;
  }();
  const std::map<std::string, uint64_t> scales = {
      {"mil", 1000ULL},
      {"milh\xE3o", 1000000ULL},
      {"milh\xF5" "es", 1000000ULL},
      {"bilh\xE3o", 1000000000ULL},
      {"bilh\xF5" "es", 1000000000ULL},
      {"trilh\xE3o", 1000000000000ULL},
      {"trilh\xF5" "es", 1000000000000ULL},
  };
  std::istringstream in(text);
  std::string w;
  uint64_t total = 0, group = 0;
  while (in >> w) {
    if (w == "e") continue;
    if (auto v = values.find(w); v != values.end()) {
      group += v->second;
    } else if (auto sc = scales.find(w); sc != scales.end()) {
      total += (group == 0 ? 1 : group) * sc->second;
      group = 0;
    } else {
      ADD_FAILURE() << "unknown word " << w << " in " << text;
    }
  }
  return total + group;
}

TEST(NumberToWords, WordsReadBackAcrossTheRange) {
  std::mt19937_64 rng(12345);
  std::vector<uint64_t> values;
  for (uint64_t n = 0; n <= 2100; ++n) values.push_back(n);
  for (int k = 0; k < 5000; ++k) {
    const uint64_t digits = 1 + rng() % 15;
    uint64_t limit = 1;
    for (uint64_t d = 0; d < digits; ++d) limit *= 10;
    values.push_back(rng() % limit);
  }
  for (uint64_t n : values) {
    const std::string w = speech::number_to_words(n);
    ASSERT_EQ(words_value(w), n) << w;
    ASSERT_EQ(w.find("  "), std::string::npos) << w;
    ASSERT_NE(w.front(), ' ');
    ASSERT_NE(w.back(), ' ');
  }
}

TEST(FragmentName, CutAccentsAndDezessete) {
  const std::pair<const char*, const char*> cases[] = {
      {"um", "_um"},
      {"quatrocentos", "_quatroc"},
      {"milh\xF5" "es", "_milhoes"},
      {"milh\xE3o", "_milhao"},
      {"trilh\xF5" "es", "_trilhoe"},
      {"dezessete", "_dezeset"},
      {"dezesseis", "_dezesse"},
      {"cinquenta", "_cinquen"},
      {"", "_"},
  };
  for (const auto& [word, name] : cases) EXPECT_EQ(speech::fragment_name(word), name) << word;
}

TEST(Weekday, KnownDatesAndDaysThatDoNotExist) {
  EXPECT_EQ(speech::weekday(1, 3, 2024), 5);    // Friday
  EXPECT_EQ(speech::weekday(5, 9, 2000), 2);    // Tuesday
  EXPECT_EQ(speech::weekday(29, 2, 2000), 2);   // leap year of a century
  EXPECT_EQ(speech::weekday(1, 1, 1), 1);       // Monday
  EXPECT_EQ(speech::weekday(31, 12, 9999), 5);  // Friday
  EXPECT_EQ(speech::weekday(29, 2, 1900), -1);
  EXPECT_EQ(speech::weekday(31, 4, 2024), -1);
  EXPECT_EQ(speech::weekday(0, 1, 2024), -1);
  EXPECT_EQ(speech::weekday(1, 13, 2024), -1);
  EXPECT_EQ(speech::weekday(1, 0, 2024), -1);
  EXPECT_EQ(speech::weekday(1, 1, 0), -1);
}

class RecordedTest : public ::testing::Test {
 protected:
  RecordedTest() {
    con.set_backend(std::make_unique<CueBackend>());
    con.set_quit_handler([](int) {});
    drives.roots['c' - 'a'] = dir.path;
    config.drives = &drives;
    s.console = &con;
    s.config = &config;
    s.letters_dir = "c:\\letras\\";
    speech::set_audio_layer(s.wave, std::make_unique<RecordingLayer>(rec));
    log_path = dir.path + "/speech.log";
    speech::open_speech_log(s, log_path);
  }
  // A fragment file: a canonical header (its fields are never read) and n samples of v.
  void fragment(const std::string& name, size_t n, char v, int rate = 11025, int bits = 8) {
    dir.file("letras/" + name + ".wav", wav(1, rate, bits, std::string(n, v)));
  }
  std::string played() const {
    std::string all;
    for (const auto& w : rec.writes) all.append(w.bytes.begin(), w.bytes.end());
    return all;
  }
  std::string log() const { return read_file(log_path); }

  TempDir dir;
  plat::DriveTable drives;
  speech::ConfigContext config;
  zn::Console con;
  Record rec;
  speech::Speech s;
  std::string log_path;
};

TEST_F(RecordedTest, WordsAreJoinedIntoOneImageAndEachIsLogged) {
  fragment("_vinte", 300, 'v', 22050, 16);  // a header saying otherwise is not read
  fragment("_e", 300, 'e');
  fragment("_uma", 300, 'u');
  speech::play_word_fragments(s, "vinte  e um", speech::Gender::feminine);
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 8, 1}));
  const std::string want = std::string(300, 'v') + std::string(300, 'e') + std::string(299, 'u') + '\x80';
  EXPECT_EQ(played(), want);
  EXPECT_EQ(log(), "fragment _vinte\nfragment _e\nfragment _uma\n");
}

TEST_F(RecordedTest, FeminineChangesOnlyTheLastWord) {
  speech::play_word_fragments(s, "um dois", speech::Gender::feminine);
  speech::play_word_fragments(s, "dois um", speech::Gender::masculine);
  EXPECT_EQ(log(), "fragment _um\nfragment _duas\nfragment _dois\nfragment _um\n");
}

TEST_F(RecordedTest, MissingAndShortFilesAreSkipped) {
  fragment("_um", 400, '1');
  dir.file("letras/_dois.wav", "RIFF");  // shorter than a header
  dir.file("letras/_tres.wav", std::string(44, 'h'));  // a header and nothing else
  speech::play_word_fragments(s, "quatro dois tres um", speech::Gender::masculine);
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_EQ(rec.writes[0].bytes.size(), 400u);
  EXPECT_EQ(rec.writes[0].bytes[0], '1');
}

TEST_F(RecordedTest, TheBufferHoldsThirtyThousandBytesAndABiggerFragmentPlaysAlone) {
  fragment("_a", 20000, 'a');
  fragment("_b", 10000, 'b');
  fragment("_c", 2, 'c');
  fragment("_big", 70000, 'B');
  fragment("_d", 500, 'd');
  // a+b fill the buffer exactly; c starts a new one, flushed before big plays by itself.
  speech::play_word_fragments(s, "a b c big d", speech::Gender::masculine);
  std::vector<size_t> sizes;
  for (const auto& w : rec.writes) sizes.push_back(w.bytes.size());
  EXPECT_EQ(sizes, (std::vector<size_t>{30000, 256, 65534, 4466, 500}));
  EXPECT_EQ(rec.writes[0].bytes[19999], 'a');
  EXPECT_EQ(rec.writes[0].bytes[20000], 'b');
  EXPECT_EQ(rec.writes[1].bytes[0], 'c');
  EXPECT_EQ(rec.writes[2].bytes[0], 'B');
  EXPECT_EQ(rec.writes[4].bytes[0], 'd');
  EXPECT_EQ(log(), "fragment _a\nfragment _b\nfragment _c\nfragment _big\nfragment _d\n");
}

TEST_F(RecordedTest, Times) {
  const struct {
    int h, m;
    const char* log;
  } cases[] = {
      {1, 0, "fragment _uma\nfragment _hora\n"},
      {2, 1, "fragment _duas\nfragment _horas\nfragment _um\nfragment _minuto\n"},
      {21, 30, "fragment _vinte\nfragment _e\nfragment _uma\nfragment _horas\nfragment _trinta\nfragment _minutos\n"},
      {0, 5, "fragment _zero\nfragment _hora\nfragment _cinco\nfragment _minutos\n"},
      {-1, 0, "fragment _MENOS\nfragment _uma\nfragment _hora\n"},
  };
  for (const auto& c : cases) {
    speech::open_speech_log(s, log_path);
    speech::speak_time(s, c.h, c.m);
    EXPECT_EQ(log(), c.log) << c.h << ":" << c.m;
  }
}

TEST_F(RecordedTest, Dates) {
  const struct {
    int d, m, y;
    const char* log;
  } cases[] = {
      {1, 3, 2024,
       "_Sexta _primeir _de _Marco _de _dois _mil _e _vinte _e _quatro"},
      {5, 9, 2000, "_Terca _cinco _de _Setembr _de _dois _mil"},
      {31, 12, 1999, "_Sexta _trinta _e _um _de _Dezembr _de _noventa _e _nove"},
      {17, 2, 2017, "_Sexta _dezeset _de _Feverei _de _dois _mil _e _dezeset"},
      {30, 2, 2023, ""},
      {1, 13, 2023, ""},
  };
  for (const auto& c : cases) {
    speech::open_speech_log(s, log_path);
    speech::speak_date(s, c.d, c.m, c.y);
    std::string want;
    std::istringstream in(c.log);
    for (std::string w; in >> w;) want += "fragment " + w + "\n";
    EXPECT_EQ(log(), want) << c.d << "/" << c.m << "/" << c.y;
  }
}

TEST_F(RecordedTest, DiallingTonesPlayAtTheirOwnRateAndCommasWait) {
  dir.file("letras/dtmf_1.wav", wav(1, 8000, 8, std::string(800, '1')));
  dir.file("letras/dtmf_X.wav", wav(1, 8000, 8, std::string(800, '*')));
  s.wave.raised_rate = true;
  const auto start = std::chrono::steady_clock::now();
  speech::play_dtmf(s, "1*x#,");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(s.wave.raised_rate) << "restored";
  ASSERT_EQ(rec.writes.size(), 2u);
  EXPECT_EQ(rec.writes[1].bytes[0], '*');
  for (const auto& f : rec.opens) EXPECT_EQ(f.rate, 8000);
  EXPECT_EQ(log(), "fragment dtmf_1\nfragment dtmf_X\nfragment dtmf_#\n");
  EXPECT_GE(took, std::chrono::milliseconds(1300));  // three 100 ms gaps and the comma
}

}  // namespace
