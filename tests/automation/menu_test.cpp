// The menu: moves, marks, scrolling, the keys it ends on, drawing inside its rectangle.
#include "console/ZnCrt.h"
#include "fixture.h"

namespace au::test {
namespace {

class MenuTest : public ::testing::Test {
 protected:
  MenuTest() {
    con.set_backend(zn::make_headless_backend(-1, -1));
    con.set_quit_handler([this](int) { quit = true; });
    a.console = &con;
    voice.beep = [this] { said.push_back("beep"); };
    voice.speak = [this](std::string_view t) { said.push_back(std::string(t)); };
    voice.stop = [this] { said.push_back("stop"); };
  }

  void items(std::initializer_list<const char*> texts) {
    for (const char* t : texts) ASSERT_TRUE(menu_add(a.menu, t));
  }
  void keys(std::initializer_list<int> bytes) {
    for (int b : bytes) ASSERT_TRUE(con.push_key(static_cast<uint8_t>(b)));
  }
  std::string row(int r1) const {
    std::string s;
    for (int c = 0; c < zn::kCols; ++c) s += static_cast<char>(con.char_at(c, r1 - 1));
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }

  zn::Console con;
  Automation a;
  MenuVoice voice;
  std::vector<std::string> said;
  bool quit = false;
};

constexpr int kExt = 0;
constexpr int kDown = 80, kUp = 72, kPageDown = 81, kHome = 71, kEnd = 79, kLeft = 75, kF1 = 59;

TEST_F(MenuTest, DownPastTheLastItemBeepsAndStoresCountPlusOne) {
  ASSERT_TRUE(menu_create(a.menu, 1, 1, 20, 3));
  items({"um", "dois", "tres"});
  keys({kExt, kDown, kExt, kDown, kExt, kDown, 13});
  auto c = menu_run(a, voice, 1);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->position, 4);
  EXPECT_EQ(c->key, "#13");
  EXPECT_EQ(c->text, "");
  EXPECT_EQ(said, (std::vector<std::string>{"um", "stop", "dois", "stop", "tres", "stop", "beep"}));
  EXPECT_FALSE(quit);
}

TEST_F(MenuTest, KeysItEndsOn) {
  ASSERT_TRUE(menu_create(a.menu, 1, 1, 20, 5));
  items({"um", "dois", "tres"});
  keys({kExt, kDown, kExt, kF1});
  auto c = menu_run(a, voice, 1);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->key, "#0#59");
  EXPECT_EQ(c->position, 2);
  EXPECT_EQ(c->text, "dois");
  // Left starts over from the start position; a printable key is itself; Escape is #27.
  keys({kExt, kDown, kExt, kLeft, 'q'});
  c = menu_run(a, voice, std::nullopt);  // keeps the start position 1
  EXPECT_EQ(c->key, "q");
  EXPECT_EQ(c->position, 1);
  keys({27});
  EXPECT_EQ(menu_run(a, voice, 3)->position, 3);
  keys({27});
  EXPECT_EQ(menu_run(a, voice, -5)->position, 1);  // below 1 is 1
  keys({27});
  EXPECT_EQ(menu_run(a, voice, 99)->position, 4);  // past the list: after the last item
}

TEST_F(MenuTest, MarksAndTheirColours) {
  con.set_text_colour(7);
  ASSERT_TRUE(menu_create(a.menu, 1, 1, 20, 4));
  items({"um", "dois", "tres", "quatro"});
  // space marks um; down; + marks dois; down; space and space leave tres unmarked.
  keys({' ', kExt, kDown, '+', kExt, kDown, ' ', ' ', 13});
  menu_run(a, voice, 1);
  EXPECT_EQ(a.menu.marks, (std::vector<uint8_t>{1, 1, 0, 0}));
  // The selected row in 14, marked rows in 2, the others in the console's colour.
  EXPECT_EQ(con.attr_at(0, 0) & 15, 2);
  EXPECT_EQ(con.attr_at(0, 1) & 15, 2);
  EXPECT_EQ(con.attr_at(0, 2) & 15, 14);
  EXPECT_EQ(con.attr_at(0, 3) & 15, 7);
  EXPECT_EQ(con.attribute() & 15, 7);  // restored
  // A marked item beeps when reached; '-' unmarks, '*' marks all, '/' clears all.
  said.clear();
  keys({'-', 13});
  menu_run(a, voice, 1);
  EXPECT_EQ(said.front(), "beep");
  EXPECT_EQ(a.menu.marks, (std::vector<uint8_t>{0, 1, 0, 0}));
  keys({'*', 13});
  menu_run(a, voice, 1);
  EXPECT_EQ(a.menu.marks, (std::vector<uint8_t>{1, 1, 1, 1}));
  keys({'/', 13});
  menu_run(a, voice, 1);
  EXPECT_EQ(a.menu.marks, (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(MenuTest, ScrollsTenThousandItemsInsideItsRectangle) {
  ASSERT_TRUE(menu_create(a.menu, 5, 10, 12, 12));
  for (int i = 1; i <= 10000; ++i) ASSERT_TRUE(menu_add(a.menu, "item " + std::to_string(i)));
  keys({kExt, kEnd, 13});
  auto c = menu_run(a, voice, 1);
  EXPECT_EQ(c->position, 10000);
  EXPECT_EQ(a.menu.first, 9997);
  // Cut to the width of 8 and drawn from column 5.
  EXPECT_EQ(row(10), "    item 999");
  EXPECT_EQ(row(12), "    item 100");
  // Home, two pages down to item 21 (rows 19-21 shown), then up past the top row.
  keys({kExt, kHome, kExt, kPageDown, kExt, kPageDown, kExt, kUp, kExt, kUp, kExt, kUp, 13});
  c = menu_run(a, voice, 1);
  EXPECT_EQ(c->position, 18);
  EXPECT_EQ(a.menu.first, 17);
  EXPECT_EQ(row(10), "    item 18");
  EXPECT_EQ(row(12), "    item 20");
}

TEST_F(MenuTest, RectanglesAreKeptInsideTheConsole) {
  ASSERT_TRUE(menu_create(a.menu, -100, 24, 1000, 1000));
  EXPECT_EQ(a.menu.left, 1);
  EXPECT_EQ(a.menu.right, 80);
  EXPECT_EQ(a.menu.bottom, 25);
  items({"texto\r\ncom\x07 controles", std::string(500, 'z').c_str()});
  keys({13});
  menu_run(a, voice, 1);
  EXPECT_EQ(row(24), "texto  com  controles");
  EXPECT_EQ(row(25), std::string(80, 'z'));
  EXPECT_EQ(con.scrolls(), 0u);
  EXPECT_FALSE(menu_create(a.menu, 81, 1, 90, 5));
  EXPECT_FALSE(menu_create(a.menu, 10, 10, 5, 12));
  EXPECT_EQ(a.menu.items.size(), 2u);  // a refused rectangle leaves the menu as it was
  Menu none;
  EXPECT_FALSE(menu_add(none, "sem menu"));
}

TEST_F(MenuTest, TerminaClearsTheRectangle) {
  ASSERT_TRUE(menu_create(a.menu, 3, 2, 10, 3));
  items({"um"});
  keys({13});
  menu_run(a, voice, 1);
  EXPECT_EQ(row(2), "  um");
  EXPECT_TRUE(menu_finish(a));
  EXPECT_EQ(row(2), "");
  EXPECT_EQ(con.cursor_col(), 3);
  EXPECT_EQ(con.cursor_row(), 2);
  EXPECT_FALSE(menu_run(a, voice, 1));
}

TEST_F(MenuTest, ClosedConsoleEndsTheLoop) {
  ASSERT_TRUE(menu_create(a.menu, 1, 1, 10, 2));
  items({"um"});
  auto c = menu_run(a, voice, 1);  // no keys can come: the console closes
  ASSERT_TRUE(c);
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace au::test
