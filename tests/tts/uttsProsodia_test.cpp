// Prosody: the portug.pro loader and its messages, the diphone list, splitting, pattern
// assignment, the timing pass with its diphone check, and the front end on hostile text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/tts/elzar_fixture.h"
#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

namespace {

using elzar::Prosody;
using Lines = std::vector<std::string>;

using elzar_test::TempDir;
using elzar_test::w;

const std::string kTab = "TABHERTZ=0,80,90,100,110,0,115,120,130,140\n";

std::string pro_file(const std::string& durations, const std::string& keys,
                     const std::string& patterns) {
  return w("* fixture\n[DURAÇÃO]\n" + durations + "[CHAVES]\n" + keys + "[PROSÓDIA]\n" + patterns);
}

class ProsodyFile : public ::testing::Test {
 protected:
  TempDir dir;
  Prosody p;
  std::vector<std::string> messages;
  bool load(const std::string& bytes) {
    messages.clear();
    return elzar::load_prosody(p, dir.write("portug.pro", bytes),
                               [&](std::string_view m) { messages.emplace_back(m); });
  }
};

TEST_F(ProsodyFile, LoadsTheThreeSections) {
  ASSERT_TRUE(load(pro_file("a = 90\n; comment\n\nlhx=70\n", "de=pr\nO=Artigo\nalém = pr\n",
                            "hertz= 125\n" + kTab + "xx | ar | xx = 362\n|?|=?31\n")));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(p.durations, (std::vector<std::pair<std::string, int>>{{"a", 90}, {"lh", 70}}));
  EXPECT_EQ(p.keys, (std::vector<std::pair<std::string, std::string>>{
                        {w("ALÉM"), "PR"}, {"DE", "PR"}, {"O", "AR"}}));
  EXPECT_EQ(p.hertz, 125);
  EXPECT_EQ(p.levels[1], 80);
  EXPECT_EQ(p.levels[9], 140);
  ASSERT_EQ(p.patterns.size(), 2u);
  EXPECT_EQ(p.patterns[0].previous, "XX");
  EXPECT_EQ(p.patterns[0].current, "AR");
  EXPECT_EQ(p.patterns[0].next, "XX");
  EXPECT_EQ(p.patterns[0].value, "362");
  EXPECT_EQ(p.patterns[1].current, "?");
  EXPECT_EQ(p.patterns[1].previous, "");
  EXPECT_EQ(p.patterns[1].value, "?31");
}

TEST_F(ProsodyFile, ReloadResetsTablesAndPitchButKeepsLevels) {
  ASSERT_TRUE(load(pro_file("a=90\n", "de=pr\n", "HERTZ=125\n" + kTab + "||=111\n")));
  ASSERT_TRUE(load(pro_file("", "", "")));
  EXPECT_EQ(p.hertz, 230);
  EXPECT_TRUE(p.durations.empty() && p.keys.empty() && p.patterns.empty());
  EXPECT_EQ(p.levels[9], 140);
}

TEST_F(ProsodyFile, EveryMessageOfTheTable) {
  struct Bad {
    std::string bytes;
    std::string message;
    bool loads;
  };
  const std::string ok_d = "a=90\n", ok_k = "de=PR\n", ok_p = "HERTZ=120\n" + kTab;
  const std::vector<Bad> cases = {
      {w("[CHAVES]\n[PROSÓDIA]\n"), "Duração dos difones errada ou ausente", false},
      {pro_file("a 90\n", ok_k, ok_p), "Configuração da prosódia: fonema errado: a 90", false},
      {pro_file("a=noventa\n", ok_k, ok_p), "Configuração da prosódia: fonema errado: a=noventa",
       true},
      {w("[DURAÇÃO]\na=90\n[PROSÓDIA]\n"), "Prosódia: palavras chaves ausentes", false},
      {pro_file(ok_d, "de PR\n", ok_p), "Configuração da prosódia: chave errada: de PR", false},
      {w("[DURAÇÃO]\na=90\n[CHAVES]\nde=PR\n"), "Prosódia: especificações ausentes", false},
      {pro_file(ok_d, ok_k, "XX|XX 362\n"), "Configuração da prosódia: chave errada: XX|XX 362",
       false},
      {pro_file(ok_d, ok_k, "TABHERTZ=80,90,100\n"),
       "Configuração da prosódia: chave errada: TABHERTZ=80,90,100", false},
      {pro_file(ok_d, ok_k, "TABHERTZ=a,b,c,d,e,f,g,h,i,j\n"),
       "Configuração da prosódia: chave errada: TABHERTZ=a,b,c,d,e,f,g,h,i,j", false},
      {pro_file(ok_d, ok_k, "HERTZ=12.5\n"), "Configuração da prosódia: chave errada: HERTZ=12.5",
       false},
      {pro_file(ok_d, ok_k, "hertz=\n"), "Configuração da prosódia: chave errada: hertz=", false}};
  for (const Bad& c : cases) {
    EXPECT_EQ(load(c.bytes), c.loads) << c.message;
    EXPECT_EQ(messages, std::vector<std::string>{w(c.message)});
  }
  EXPECT_EQ(p.durations.size(), 1u);

  messages.clear();
  EXPECT_FALSE(elzar::load_prosody(p, "/nonexistent/elzar/portug.pro",
                                   [&](std::string_view m) { messages.emplace_back(m); }));
  EXPECT_EQ(messages, std::vector<std::string>{w("Configuração da prosódia não foi achada")});
  EXPECT_FALSE(elzar::load_prosody(p, "/nonexistent/elzar/portug.pro", nullptr));
}

TEST_F(ProsodyFile, NonIntegerDurationGets100) {
  ASSERT_TRUE(load(pro_file("a=noventa\nb=-\n", "", "")));
  EXPECT_EQ(p.durations, (std::vector<std::pair<std::string, int>>{{"a", 100}, {"b", 100}}));
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(ProsodyFile, KeyWordAndPatternTablesKeepTheirBounds) {
  std::string keys, patterns;
  for (int i = 0; i < 2000; ++i) keys += "w" + std::to_string(10000 + i) + "=K" + "\n";
  for (int i = 0; i < 400; ++i) patterns += "XX|XX|XX=" + std::to_string(100 + i) + "\n";
  ASSERT_TRUE(load(pro_file("", keys, patterns)));
  EXPECT_EQ(p.keys.size(), elzar::kKeyWordsMax);
  EXPECT_EQ(p.keys.back().first, "W10999");
  EXPECT_EQ(p.patterns.size(), elzar::kPatternsMax);
  EXPECT_EQ(p.patterns.back().value, "399");
}

TEST_F(ProsodyFile, OnlyPitchLinesMeansEveryWord555) {
  ASSERT_TRUE(load(pro_file("", "de=PR\n", "HERTZ=120\n" + kTab)));
  EXPECT_TRUE(p.patterns.empty());
  EXPECT_EQ(elzar::assign_patterns(p, elzar::split_words(p, "casa de pedra")),
            (Lines{"555|", "555|casa", "555|de", "555|pedra"}));
}

TEST(Diphones, LoaderKeepsNamePairsSortedAndIgnoresCase) {
  TempDir dir;
  Prosody p;
  const std::string path = dir.write(
      "portug.dfn", "; comment\n! also\n* too\n\n  b-a\nA-B\n@ _ 100 50\nr2-_\r\nx\n");
  ASSERT_TRUE(elzar::load_diphones(p, path));
  EXPECT_EQ(p.diphones, (Lines{"@-_", "A-B", "b-a", "r2-_", "x-"}));
  elzar::free_diphones(p);
  EXPECT_TRUE(p.diphones.empty());
  EXPECT_FALSE(elzar::load_diphones(p, "/nonexistent/elzar/portug.dfn"));
}

Prosody keyed() {
  Prosody p;
  p.keys = {{"DE", "PR"}, {"O", "AR"}, {"QUE", "QU"}};
  return p;
}

TEST(Split, WordLinesWithCodesAndBoundaries) {
  const Prosody p = keyed();
  EXPECT_EQ(elzar::split_words(p, w("O gato, de  Zé... Que? Fim!x")),
            (Lines{"[--]", "[AR]O", "[XX]gato", "[,,],", "[PR]de", w("[XX]Zé"), "[.-].", "[--]",
                   "[QU]Que", "[\?\?]?", "[--]", "[XX]Fim", "[!!]!", "[--]", "[XX]x"}));
  EXPECT_EQ(elzar::split_words(p, ""), (Lines{"[--]"}));
}

TEST(Patterns, FirstMatchWinsEmptyFieldsMatchAnyAndCarriedLevels) {
  Prosody p = keyed();
  p.patterns = {{"AR", "XX", "", "362"}, {"", "XX", "", "?31"}, {"", "??", "", "489"}};
  const Lines words = elzar::split_words(p, "O gato come?");
  EXPECT_EQ(elzar::assign_patterns(p, words),
            (Lines{"555|", "555|O", "362|gato", "231|come", "489|?", "555|"}));
  EXPECT_EQ(elzar::assign_patterns(p, words, false),
            (Lines{"555|", "555|O", "555|gato", "555|come", "555|?", "555|"}));
  // The first word of a text carries level 5.
  p.patterns = {{"", "XX", "", "?31"}};
  EXPECT_EQ(elzar::assign_patterns(p, {"[XX]palavra"}), (Lines{"531|palavra"}));
}

class Timing : public ::testing::Test {
 protected:
  Prosody p;
  void SetUp() override {
    p.hertz = 230;
    p.levels = {0, 80, 90, 100, 110, 0, 115, 120, 130, 140};
    p.durations = {{"a", 100}, {"k", 80}, {"_,", 200}, {"__", 300}, {"e", 5}};
    for (const char* a : {"_", "a", "k", "e", "s", "y", "r2"})
      for (const char* b : {"_", "a", "k", "e", "s", "y", "r2"}) p.diphones.push_back(std::string(a) + "-" + b);
    std::sort(p.diphones.begin(), p.diphones.end());
  }
  Lines run(const Lines& in, double d = 1.0, double f = 1.0) { return elzar::timing(p, in, d, f); }
};

TEST_F(Timing, TonicLengthensAndTakesTheSecondLevel) {
  EXPECT_EQ(run({";372|casa", "k", ">a", "s", "a", ""}),
            (Lines{";casa", "k 80 50 230", "a 145 80 276", "s 145", "a 145 50 207", ""}));
  // A post-tonic mark ends the lengthening; a tonic that ends its word gets only the second level.
  EXPECT_EQ(run({";372|k", "k", ">a", "\xA8" "a", "", ";128|aa", "a", ">a", ""}),
            (Lines{";k", "k 80 50 230", "a 145 80 276", "a 100 50 207", "", ";aa", "a 100 50 184",
                   "a 145 80 207", ""}));
}

TEST_F(Timing, LongWordsShortenBeforeTheTonic) {
  EXPECT_EQ(run({";555|" + std::string(14, 'a'), "a", "a", ">a", "a", ""}),
            (Lines{";" + std::string(14, 'a'), "a 80", "a 80", "a 145", "a 145", ""}));
  EXPECT_EQ(run({";555|" + std::string(10, 'a'), "a", ""}),
            (Lines{";" + std::string(10, 'a'), "a 90", ""}));
  EXPECT_EQ(run({";555|" + std::string(8, 'a'), "a", ""}),
            (Lines{";" + std::string(8, 'a'), "a 100", ""}));
}

TEST_F(Timing, PausesFactorsAndRounding) {
  EXPECT_EQ(run({"_", "_ 250", "_,", "__", "_ x"}),
            (Lines{"_ 100", "_ 250", "_ 200", "_ 300", "_ 100"}));
  EXPECT_EQ(run({";555|a", "a", ""}, 1.5, 1.0), (Lines{";a", "a 150", ""}));
  // 1 x 0.5 x 199 = 99.5 rounds to 100 (even), so 1 Hz; truncating would give no point.
  p.levels[7] = 1;
  p.hertz = 199;
  EXPECT_EQ(run({";777|a", "a", ""}, 1.0, 0.5), (Lines{";a", "a 100 50 1", ""}));
}

TEST_F(Timing, LevelsWithoutAValueGiveNoPoint) {
  EXPECT_EQ(run({";5X0|ka", "k", ">a", ""}), (Lines{";ka", "k 80", "a 145", ""}));
  EXPECT_EQ(run({";5|k", "k", ""}), (Lines{";k", "k 80", ""}));
}

TEST_F(Timing, DiphoneCheckInsertsFillers) {
  // "z" pairs with nothing in the list; "a" pairs with "y".
  EXPECT_EQ(run({";555|az", "a", "z", "a", ""}),
            (Lines{";az", "a 100", "y 50", "z 100", "_ 50", "a 100", ""}));
  EXPECT_EQ(run({";555|r2z", "r2", "z", ""}), (Lines{";r2z", "r2 100", "_ 50", "z 100", ""}));
  // Across words: the pair is the last phoneme of one word and the first of the next.
  EXPECT_EQ(run({";555|a", "a", "", ";555|z", "z", ""}),
            (Lines{";a", "a 100", "", ";z", "y 50", "z 100", ""}));
  // Case is ignored in the lookup; each pass starts after a pause.
  p.diphones = {"_-A", "A-K"};
  EXPECT_EQ(run({"a", "k"}), (Lines{"a 100", "k 80"}));
}

TEST_F(Timing, HostileLinesAndFactorsStayWellFormed) {
  std::mt19937 rng(3);
  Lines in;
  for (int i = 0; i < 3000; ++i) {
    std::string l(rng() % 6, ' ');
    for (char& c : l) c = static_cast<char>(rng() % 256);
    in.push_back(l);
  }
  in.push_back("_ 99999999999999");
  in.push_back("_ -5");
  for (double f : {1.0, 1e300, -1.0, std::nan("")}) {
    for (const std::string& line : run(in, f, f)) {
      if (line.empty() || line[0] == ';') continue;
      const size_t blank = line.find(' ');
      ASSERT_NE(blank, std::string::npos) << line;
      const long long ms = std::stoll(line.substr(blank + 1));
      EXPECT_GE(ms, 0);
      EXPECT_LE(ms, 10000000);
    }
  }
}

std::string shipped_prosody() {
  const char* t = std::getenv("ROTEIRAL_TEST_DATA");
  return std::string(t ? t : "tests") + "/../data/elzartts/portug.pro";
}

// The last pitch point of "casa" timed with the pattern the shipped file gives the last word.
int last_word_end_pitch(Prosody& p, const std::string& sentence) {
  const Lines patterns = elzar::assign_patterns(p, elzar::split_words(p, sentence));
  std::string last;
  for (const std::string& l : patterns)
    if (l.size() > 4 && l.substr(4) == "casa") last = l;
  const Lines timed = elzar::timing(p, {";" + last, "k", ">a", "z", "@", ""}, 1.0, 1.0);
  const std::string& end = timed[timed.size() - 2];
  return std::stoi(end.substr(end.rfind(' ') + 1));
}

TEST(ShippedProsody, LoadsCleanlyCoversThePhonemesAndQuestionsRise) {
  Prosody p;
  std::vector<std::string> messages;
  ASSERT_TRUE(elzar::load_prosody(p, shipped_prosody(),
                                  [&](std::string_view m) { messages.emplace_back(m); }));
  EXPECT_TRUE(messages.empty());
  for (const char* ph : {"a", "@", "e", "eh", "i", "o", "oh", "u", "am", "em", "im", "om", "um",
                         "y", "w", "p", "b", "t", "d", "k", "g", "f", "v", "s", "z", "m", "n",
                         "l", "x", "j", "nh", "lh", "r", "rr", "r2", "s2", "tx", "dj", "_,", "__"}) {
    const bool listed = std::any_of(p.durations.begin(), p.durations.end(),
                                    [&](const auto& d) { return d.first == ph; });
    EXPECT_TRUE(listed) << ph;
  }
  EXPECT_EQ(elzar::split_words(p, w("você"))[1], w("[PN]você"));
  const int question = last_word_end_pitch(p, "Ele vem para casa?");
  const int statement = last_word_end_pitch(p, "Ele vem para casa.");
  EXPECT_GT(question, p.hertz * 12 / 10);
  EXPECT_LT(statement, p.hertz);
}

// Normalised hostile text through split and patterns: every line is a pattern line.
TEST(FrontEnd, HostileTextGivesPatternLines) {
  Prosody p = keyed();
  p.patterns = {{"", "XX", "", "?31"}};
  std::mt19937 rng(11);
  std::string text(100000, ' ');
  for (char& c : text) c = static_cast<char>(rng() % 256);
  const elzar::Abbreviations none;
  const Lines words = elzar::split_words(p, elzar::uttsPreproc(none, text));
  for (const std::string& l : words) ASSERT_TRUE(l.size() >= 4 && l[0] == '[' && l[3] == ']') << l;
  const Lines patterns = elzar::assign_patterns(p, words);
  ASSERT_EQ(patterns.size(), words.size());
  for (const std::string& l : patterns) ASSERT_EQ(l.find('|'), 3u) << l;
}

}  // namespace
