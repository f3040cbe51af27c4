// The braille line over a display double: what it shows, how it pans, what its keys do.
#include <deque>

#include "console/ZnCrt.h"
#include "tests/console/fixture.h"

namespace zn::test {
namespace {

struct FakeDisplay {
  int columns = 40;
  bool alive = true;
  std::vector<std::pair<std::string, int>> shown;
  std::deque<plat::BrailleInput> pending;
};

class FakeLink : public plat::BrailleLink {
 public:
  explicit FakeLink(FakeDisplay& d) : d_(d) {}
  int columns() const override { return d_.columns; }
  bool show(const std::string& utf8, int cursor) override {
    if (!d_.alive) return false;
    d_.shown.emplace_back(utf8, cursor);
    return true;
  }
  std::optional<plat::BrailleInput> poll() override {
    if (!d_.alive || d_.pending.empty()) return std::nullopt;
    auto in = d_.pending.front();
    d_.pending.pop_front();
    return in;
  }
  bool alive() const override { return d_.alive; }

 private:
  FakeDisplay& d_;
};

plat::BrailleInput command(plat::BrailleCommand c, int cell = 0) {
  plat::BrailleInput in;
  in.command = c;
  in.cell = cell;
  return in;
}

plat::BrailleInput keysym(uint32_t sym) {
  plat::BrailleInput in;
  in.keysym = sym;
  return in;
}

class BrailleLineTest : public ConsoleTest {
 protected:
  void attach(int columns) {
    display.columns = columns;
    con.set_braille_line(std::make_unique<BrailleLine>(std::make_unique<FakeLink>(display)));
  }
  std::string text() const { return display.shown.empty() ? "" : display.shown.back().first; }
  int cursor() const { return display.shown.empty() ? -9 : display.shown.back().second; }
  static std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  FakeDisplay display;
};

TEST_F(BrailleLineTest, ShowsTheCaretRowAndFollowsTheWriting) {
  attach(40);
  con.write("Nome: a\xE7\xE3o");
  EXPECT_EQ(trimmed(text()), "Nome: ação");
  EXPECT_EQ(cursor(), 10);
  EXPECT_EQ(display.shown.back().first.size(), std::string("Nome: ação").size() + 30);
  con.write("\r\nsegunda");
  EXPECT_EQ(trimmed(text()), "segunda");
  EXPECT_EQ(cursor(), 7);
  // Nothing changed: nothing is sent again.
  const size_t sends = display.shown.size();
  con.go_to(8, 2);
  EXPECT_EQ(display.shown.size(), sends);
}

TEST_F(BrailleLineTest, ANarrowDisplayShowsTheWindowHoldingTheCaret) {
  attach(20);
  con.write(std::string(45, 'x') + "fim");
  EXPECT_EQ(trimmed(text()), "xxxxxfim");  // cells 40..59
  EXPECT_EQ(cursor(), 8);
  attach(80);
  con.write("!");
  EXPECT_EQ(trimmed(text()), std::string(45, 'x') + "fim!");
  EXPECT_EQ(cursor(), 49);
}

TEST_F(BrailleLineTest, ControlCharactersShowAsBlanks) {
  attach(20);
  con.write("a\x7F\x81" "b");
  EXPECT_EQ(con.char_at(1, 0), 0x7F);
  EXPECT_EQ(trimmed(text()), "a  b");
}

TEST_F(BrailleLineTest, PanningMovesAlongTheRowAndToTheNextUntilTheCaretMoves) {
  attach(40);
  con.write("primeira linha\r\n" + std::string(40, '.') + "resto");
  BrailleLine& line = *con.braille_line();
  EXPECT_EQ(line.offset(), 40);
  display.pending.push_back(command(plat::BrailleCommand::pan_left));
  line.take_input(con);
  EXPECT_EQ(line.offset(), 0);
  EXPECT_EQ(cursor(), -1);  // the caret is not in this window
  display.pending.push_back(command(plat::BrailleCommand::pan_left));
  line.take_input(con);
  EXPECT_EQ(line.row(), 0);
  EXPECT_EQ(trimmed(text()), "");  // the second half of the first row
  display.pending.push_back(command(plat::BrailleCommand::line_up));
  display.pending.push_back(command(plat::BrailleCommand::top));
  line.take_input(con);
  EXPECT_EQ(trimmed(text()), "primeira linha");
  display.pending.push_back(command(plat::BrailleCommand::line_down));
  display.pending.push_back(command(plat::BrailleCommand::pan_right));
  line.take_input(con);
  EXPECT_EQ(trimmed(text()), "resto");
  con.write("!");  // the caret moves: the display follows it again
  EXPECT_EQ(trimmed(text()), "resto!");
  EXPECT_EQ(cursor(), 6);
}

TEST_F(BrailleLineTest, TheReviewPositionIsFollowedWhileItIsSet) {
  attach(40);
  con.write("linha um\r\nlinha dois");
  con.set_review_point(std::make_pair(2, 0));
  EXPECT_EQ(trimmed(text()), "linha um");
  EXPECT_EQ(cursor(), 2);
  con.set_review_point(std::nullopt);
  EXPECT_EQ(trimmed(text()), "linha dois");
}

TEST_F(BrailleLineTest, RoutingMovesTheEditorCursorByArrowKeys) {
  attach(40);
  con.write("abcdef");
  con.go_to(3, 1);  // caret on column 3 (0-based 2)
  BrailleLine& line = *con.braille_line();
  // Not reading a line: routing does nothing.
  display.pending.push_back(command(plat::BrailleCommand::route, 5));
  line.take_input(con);
  EXPECT_EQ(con.key_count(), 0);
  // While a key read waits, the routing key arrives: three Right arrows (0, 77 each)
  // take the cursor from column 3 to the cell's column 6.
  display.pending.push_back(command(plat::BrailleCommand::route, 5));
  EXPECT_EQ(con.read_key(), 0);
  EXPECT_EQ(con.read_key(), 77);
  EXPECT_EQ(con.key_count(), 4);
  // A routing key over another row does nothing.
  con.discard_keys();
  display.pending.push_back(command(plat::BrailleCommand::line_down));
  display.pending.push_back(command(plat::BrailleCommand::route, 1));
  display.pending.push_back(keysym('z'));
  EXPECT_EQ(con.read_key(), 'z');
  EXPECT_EQ(con.key_count(), 0);
}

TEST_F(BrailleLineTest, DisplayKeysReachTheKeyBuffer) {
  attach(40);
  BrailleLine& line = *con.braille_line();
  display.pending.push_back(keysym('a'));
  display.pending.push_back(keysym(0x01000000 + 0xE7));  // ç as Unicode
  display.pending.push_back(keysym(0xFF0D));              // Return
  display.pending.push_back(keysym(0xFF52));              // Up: 0, 72
  display.pending.push_back(keysym(0x01000000 + 0x263A)); // no Windows-1252 form: dropped
  line.take_input(con);
  ASSERT_EQ(con.key_count(), 5);
  EXPECT_EQ(con.read_key(), 'a');
  EXPECT_EQ(con.read_key(), 0xE7);
  EXPECT_EQ(con.read_key(), 13);
  EXPECT_EQ(con.read_key(), 0);
  EXPECT_EQ(con.read_key(), 72);
}

TEST_F(BrailleLineTest, ADisplayThatGoesAwayLeavesTheConsoleRunning) {
  attach(40);
  con.write("antes");
  display.alive = false;
  con.write(" depois");
  EXPECT_FALSE(con.braille_line()->alive());
  type("x");
  EXPECT_TRUE(con.key_pressed());
  EXPECT_EQ(con.read_key(), 'x');
  EXPECT_EQ(con.screen_text().substr(0, 12), "antes depois");
}

}  // namespace
}  // namespace zn::test
