// Screen review driven by typed keys over a console with known text.
#include "speech/review.h"
#include "speech/znsapi.h"
#include "tests/speech/typist_fixture.h"

namespace {

using typist_test::TypistTest;

class ReviewTest : public TypistTest {
 protected:
  // Rows written from row 1, then the cursor put at (col, row); the log emptied.
  void screen(const std::vector<std::string>& rows, int col, int row) {
    for (const auto& r : rows) {
      con.write(r);
      con.write_line_end();
    }
    con.go_to(col, row);
    log();
  }
  // Runs the review with the keys, then Esc; returns what was said between entry and exit.
  std::string review(const std::string& keys) {
    type(keys + "\033\033");
    speech::screen_review(s);
    std::string said = log();
    EXPECT_TRUE(said.starts_with("beep\n")) << said;
    EXPECT_TRUE(said.ends_with("beep\nbeep\n")) << said;
    if (said.size() >= 15) said = said.substr(5, said.size() - 15);
    return said;
  }
};

TEST_F(ReviewTest, CharactersAndTheEdgesOfTheRow) {
  screen({"ab"}, 1, 1);
  EXPECT_EQ(review("\033[C\033[C\033[D\x0b"), "char 97\nchar 98\nchar 98\ntext 1 2\nfragment _um\nfragment _dois\n");
  // Left at column 1 beeps; End goes past the last non-blank.
  EXPECT_EQ(review("\033[D\033[F\x0b"), "beep\ntext 1 3\nfragment _um\nfragment _tres\n");
}

TEST_F(ReviewTest, RightAtColumn81BeepsAndIsCorrectedTo80) {
  screen({}, 80, 1);
  // From column 80: the blank, then 81; there a beep, and the correction beeps again.
  EXPECT_EQ(review("\033[C\033[C\x0b"),
            "char 32\nbeep\nbeep\ntext 1 80\nfragment _um\nfragment _oitenta\n");
  EXPECT_EQ(con.cursor_col(), 80);  // put back where it was
}

TEST_F(ReviewTest, FortyDashesAreSpokenAsThree) {
  screen({std::string(40, '-') + " fim"}, 1, 2);
  const std::string said = review("\033[A");
  EXPECT_TRUE(said.starts_with("text ---\n")) << said;
  EXPECT_EQ(said.find("text ---", 1), std::string::npos) << said;
  EXPECT_NE(said.find("text fim"), std::string::npos) << said;
}

TEST_F(ReviewTest, RangePairs) {
  screen({"Bom dia", "um: FGTS"}, 5, 2);
  const std::string whole = review("tt");
  EXPECT_EQ(review("LT"), whole);  // L counts as T
  EXPECT_TRUE(whole.starts_with("text Bom\n")) << whole;
  EXPECT_NE(whole.find("char 70\nchar 71\nchar 84\nchar 83\n"), std::string::npos) << whole;  // spelled
  // After reading all the position is on the last row, past its last non-blank.
  EXPECT_EQ(review("tt\x0b").substr(whole.size()), "text 25 1\nfragment _vinte\nfragment _e\nfragment _cinco\nfragment _um\n");
  EXPECT_EQ(review("fl"), "char 70\nchar 71\nchar 84\nchar 83\n");
  EXPECT_EQ(review("il"), "text um\ntext :\nchar 58\n");
  EXPECT_EQ(review("tl\x0b").substr(0, 8), "text um\n");
  EXPECT_TRUE(review("tl\x0b").ends_with("text 2 5\nfragment _dois\nfragment _cinco\n"));
  // Any other pair complains.
  EXPECT_EQ(review("xt"), "beep\nclick\nbeep\n");
  EXPECT_EQ(review("tq"), "beep\nclick\nbeep\n");
}

TEST_F(ReviewTest, FieldsAreColourRunsBetweenSeparators) {
  con.write("nome: ");
  con.set_text_colour(14);
  con.write("Ana Lu");
  con.set_text_colour(15);
  con.write(" resto");
  con.go_to(9, 1);
  log();
  EXPECT_EQ(review("tc"), "text Ana\ntext Lu\n");
  EXPECT_EQ(review("ic"), "text Ana\n");
  EXPECT_EQ(review("fc"), "text a\ntext Lu\n");
  EXPECT_EQ(review("\033[1;5P"), "text Ana\ntext Lu\n");
  // The separator itself has no field.
  con.go_to(5, 1);
  EXPECT_EQ(review("tc"), "beep\n");
}

TEST_F(ReviewTest, SearchFromTheCursorAndAgain) {
  screen({"alvo antes", "xx alvo", "", "um alvo aqui"}, 4, 2);
  // Found on the cursor's row at column 4, then again further down.
  EXPECT_EQ(review("\033[15~alvo\r\x0b"),
            "text Qual texto\n" + chars("alvo") + "click\ntext 2 4\nfragment _dois\nfragment _quatro\n");
  EXPECT_EQ(s.review.search, "alvo");
  con.go_to(4, 2);
  EXPECT_EQ(review("\033[15;5~\x0b"), "click\ntext 4 4\nfragment _quatro\nfragment _quatro\n");
  // Backspace takes back a character; Esc gives up and keeps the text.
  con.go_to(4, 2);
  EXPECT_EQ(review("\033[15~ab\x7f\033\033"), "text Qual texto\nchar 97\nchar 98\nfragment _DEL\nchar 98\n");
  EXPECT_EQ(s.review.search, "alvo");
}

TEST_F(ReviewTest, ASearchThatOnlyMatchesBeforeTheCursorFails) {
  screen({"alvo: "}, 7, 1);
  EXPECT_EQ(review("\033[15~alvo\r"), "text Qual texto\n" + chars("alvo") + "beep\nbeep\n");
  // A text longer than a row can match nothing.
  con.go_to(1, 1);
  std::string long_text(100, 'a');
  EXPECT_EQ(review("\033[15~" + long_text + "\r"), "text Qual texto\n" + chars(long_text) + "beep\nbeep\n");
}

TEST_F(ReviewTest, GoToRowAndColumn) {
  screen({}, 1, 1);
  EXPECT_EQ(review("\033[17~0510\x0b"),
            "text Entre linha e coluna\n" + chars("0510") + "text 5 10\nfragment _cinco\nfragment _dez\n");
  // A letter among the four cancels with two beeps.
  EXPECT_EQ(review("\033[17~0x\x0b"),
            "text Entre linha e coluna\nchar 48\nbeep\nbeep\ntext 1 1\nfragment _um\nfragment _um\n");
  // Row 99 is corrected to the last row with a beep.
  EXPECT_EQ(review("\033[17~9901\x0b"),
            "text Entre linha e coluna\n" + chars("9901") + "beep\ntext 25 1\nfragment _vinte\nfragment _e\nfragment _cinco\nfragment _um\n");
}

TEST_F(ReviewTest, RowsUpAndDown) {
  screen({"um", "dois"}, 1, 1);
  EXPECT_EQ(review("\033[A"), "beep\n");  // above row 1
  EXPECT_EQ(review("\033[B"), "click\ntext dois\n");
  EXPECT_EQ(review("\033[6~\033[B"), "click\nbeep\n");  // the last row is empty
  EXPECT_EQ(review("\r\x0b"), "click\ntext 2 1\nfragment _dois\nfragment _um\n");
  EXPECT_EQ(review("\033[6;5~"), "text dois\n");  // the last letter's row
  EXPECT_EQ(review("\033[5;5~"), "text um\n");
}

TEST_F(ReviewTest, WordMovesAndCopy) {
  screen({"ab  cd"}, 1, 1);
  EXPECT_EQ(review("\033[1;5C\x0b\033[1;5C\x0b\033[1;5D\x0b"),
            "click\ntext 1 5\nfragment _um\nfragment _cinco\nbeep\ntext 1 7\nfragment _um\nfragment _sete\n"
            "click\ntext 1 5\nfragment _um\nfragment _cinco\n");
  review("\x03");
  ASSERT_EQ(backend->clip.size(), 25u * 82u);
  EXPECT_EQ(backend->clip.substr(0, 8), "ab  cd  ");
  EXPECT_EQ(backend->clip.substr(80, 2), "\r\n");
}

TEST_F(ReviewTest, UnknownKeysComplainAndAClosedWindowEndsIt) {
  screen({"x"}, 1, 1);
  EXPECT_EQ(review("\033[19~"), "beep\nclick\nbeep\n");  // F8
  type("\033[C");  // then the window closes
  speech::screen_review(s);
  EXPECT_EQ(quits, std::vector<int>{0});
}

}  // namespace
