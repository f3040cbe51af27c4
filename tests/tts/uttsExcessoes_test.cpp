// The exceptions dictionary: line form, capacities, byte order, and the S/M stripping.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tts/uttsExcessoes.h"

namespace {

using elzar::Exceptions;

TEST(G2pExceptions, LinesAreUpperCasedSplitAndSortedByByte) {
  Exceptions e;
  elzar::parse_exceptions(e, "t\xE1xi=t\xE1ksi|\r\n\ntz=q|\nzebra=zebra|\nabc=x|y\nsem barra=b\nsoIgual\n");
  ASSERT_EQ(e.entries.size(), 6u);
  // Upper case folds the accented letters too; 0xC1 sorts after every ASCII letter.
  EXPECT_EQ(e.entries[0].first, "ABC");
  EXPECT_EQ(e.entries[0].second, "X");
  EXPECT_EQ(e.entries[1].first, "SEM BARRA");
  EXPECT_EQ(e.entries[1].second, "B");
  EXPECT_EQ(e.entries[2].first, "SOIGUAL|");  // no '=': the appended "|=|" gives an empty alias
  EXPECT_EQ(e.entries[2].second, "");
  EXPECT_EQ(e.entries[3].first, "TZ");
  EXPECT_EQ(e.entries[4].first, "T\xC1XI");
  EXPECT_EQ(e.entries[4].second, "T\xC1KSI");
  EXPECT_EQ(e.entries[5].first, "ZEBRA");
}

TEST(G2pExceptions, CapacitiesOfLinesAndEntries) {
  Exceptions e;
  std::string bytes = std::string(300, 'a') + "=x|\n";
  for (int i = 0; i < 15010; ++i) bytes += "w" + std::to_string(i) + "=v|\n";
  elzar::parse_exceptions(e, bytes);
  EXPECT_EQ(e.entries.size(), elzar::kExceptionsMax);
  // The long line kept 255 characters: its '=' was cut away.
  bool found = false;
  for (const auto& [w, a] : e.entries)
    if (w[0] == 'A') {
      found = true;
      EXPECT_EQ(w, std::string(255, 'A') + "|");
      EXPECT_EQ(a, "");
    }
  EXPECT_TRUE(found);
}

struct LookupCase {
  const char* word;
  const char* result;
};

TEST(G2pExceptions, LookupWithTheTrailingSAndMStripped) {
  Exceptions e;
  elzar::parse_exceptions(e, "taxi=taksi|\nfala=fa-la|\nca=k|\nnada=|\n");
  const LookupCase cases[] = {
      {"TAXI", "TAKSI"},
      {"TAXIS", "TAKSIS"},  // the plural keeps its S after the alias
      {"FALAM", "FA-LAM"},
      {"CAMS", "KMS"},      // two letters stripped, both put back in order
      {"CASAS", "CASAS"},   // not found: unchanged
      {"TAXIA", "TAXIA"},   // another last letter ends the search
      {"SMS", "SMS"},       // stripped to nothing: unchanged
      {"NADA", ""},         // an empty alias empties the word
      {"", ""},
  };
  for (const LookupCase& c : cases) {
    std::string w = c.word;
    elzar::alias_lookup(e, w);
    EXPECT_EQ(w, c.result) << c.word;
  }
}

TEST(G2pExceptions, AMissingFileFailsWithTheCountReset) {
  Exceptions e;
  elzar::parse_exceptions(e, "a=b|\n");
  std::string dir = (std::filesystem::temp_directory_path() / "elzar-exc-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  EXPECT_FALSE(elzar::load_exceptions(e, dir + "/none.exc"));
  EXPECT_TRUE(e.entries.empty());
  std::ofstream(dir + "/portug.exc", std::ios::binary) << "b=c|\na=d|\n";
  ASSERT_TRUE(elzar::load_exceptions(e, dir + "/portug.exc"));
  ASSERT_EQ(e.entries.size(), 2u);
  EXPECT_EQ(e.entries[0].first, "A");
  std::filesystem::remove_all(dir);
}

}  // namespace
