// Capacities of the speech side: diphone index names of at most 8 characters, and the
// 2048 characters of screen review's search text.
#include <gtest/gtest.h>

#include <string>

#include "speech/diphone.h"
#include "speech/review.h"
#include "tests/speech/typist_fixture.h"

namespace {

// One 15-byte index record: a length byte, 8 name bytes, length and offset.
std::string record(unsigned char name_length, const std::string& name) {
  std::string r(15, '\0');
  r[0] = static_cast<char>(name_length);
  for (size_t i = 0; i < name.size() && i < 8; ++i) r[1 + i] = name[i];
  r[9] = 10;
  return r;
}

TEST(Capacities, IndexNamesAreCutAtEightAndPartialRecordsIgnored) {
  struct Case {
    unsigned char length;
    const char* name;
    const char* kept;
  } cases[] = {{2, "KAxxxxxx", "KA"}, {8, "ABCDEFGH", "ABCDEFGH"}, {9, "ABCDEFGH", "ABCDEFGH"}, {255, "ABCDEFGH", "ABCDEFGH"}};
  for (const auto& c : cases) {
    const auto index = speech::parse_diphone_index(record(c.length, c.name) + std::string(14, 'z'));
    ASSERT_EQ(index.size(), 1u) << int(c.length);
    EXPECT_EQ(index[0].name, c.kept) << int(c.length);
    EXPECT_EQ(index[0].length, 10);
  }
}

using SearchCapacity = typist_test::TypistTest;

// Typed past 2048 characters, the search text keeps the first 2048.
TEST_F(SearchCapacity, ReviewSearchTextStopsAt2048) {
  for (size_t typed : {size_t{2047}, size_t{2048}, size_t{2100}}) {
    type("\033[15~" + std::string(typed, 'q') + "\r\033\033");
    speech::screen_review(s);
    EXPECT_EQ(s.review.search, std::string(std::min<size_t>(typed, 2048), 'q')) << typed;
  }
}

}  // namespace
