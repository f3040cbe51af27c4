// The tonic vowel finder: accented vowels, words without vowels, every state of the scan.
#include <gtest/gtest.h>

#include <string>

#include "tts/uttsTonica.h"

namespace {

struct TonicCase {
  const char* word;  // Windows-1252
  int position;
};

TEST(G2pTonic, PositionsOfTheTable) {
  const TonicCase cases[] = {
      {"caf\xE9", 4},   // accented vowel
      {"CAF\xC9", 4},   // upper case is lowered first
      {"\xE2nimo", 1},  // the accent wins over the scan
      {"\xF3rg\xE3o", 4},  // the rightmost accent
      {"casa", 2},      // S0 -> S1 -> S2 -> stop on a
      {"casas", 2},     // a final s is skipped
      {"amor", 3},      // S30
      {"falam", 2},     // S40 a -> S1
      {"jardim", 5},    // S40 i
      {"ohm", 1},       // S40 other -> S0
      {"pai", 2},       // S20 a, then stop on p
      {"aqui", 4},      // S20 u -> S21 q
      {"qual", 3},      // S30 plain vowel
      {"peixe", 2},     // S2 i -> S3 e
      {"muita", 2},     // S3 u -> S5 other
      {"guita", 3},     // S3 u -> S5 g
      {"que", 3},       // S1 u -> S4 q, then S2 to the first letter
      {"lingua", 2},    // S4 g -> S2 -> i -> S3 -> stop
      {"perpetua", 7},  // S4 other
      {"tatu", 4},      // S10 stop on a consonant
      {"mau", 2},       // S10 a
      {"homem", 2},
      {"show", 3},      // w in S0 takes the other row
      {"ay", 1},        // y is a plain vowel: S30 stops on a
      {"prt", 0},       // no vowel at all
      {"", 0},
      {"s", 0},
  };
  for (const TonicCase& c : cases)
    EXPECT_EQ(elzar::tonic_position(c.word), c.position) << c.word;
}

TEST(G2pTonic, EveryByteIsSafe) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  int p = elzar::tonic_position(all);
  EXPECT_EQ(p, 0xFA + 1);  // ú is the rightmost accented vowel
  std::string long_word(100000, 'b');
  long_word += 'a';
  EXPECT_EQ(elzar::tonic_position(long_word), 100001);
}

TEST(G2pTonic, FunctionWords) {
  for (const char* w : {"SIM", "N\xC3O", "POR", "DAS", "DOS", "COM", "DE", "A", ""})
    EXPECT_TRUE(elzar::is_function_word(w)) << w;
  for (const char* w : {"MAS", "CASA", "S\xC3O", "SIMS", "sim"})
    EXPECT_FALSE(elzar::is_function_word(w)) << w;
}

}  // namespace
