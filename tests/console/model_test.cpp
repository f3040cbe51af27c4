// The screen model: writing, scrolling, colours, title, ending.
#include <gtest/gtest.h>

#include "fixture.h"

namespace zn::test {
namespace {

using ModelTest = ConsoleTest;

TEST_F(ModelTest, EightyFirstCharacterWrapsToNextRow) {
  con.write(std::string(80, 'a'));
  EXPECT_EQ(con.col0(), 80);  // the wrap waits for the next character
  EXPECT_EQ(con.row0(), 0);
  con.write("b");
  EXPECT_EQ(row(0), std::string(80, 'a'));
  EXPECT_EQ(row(1), "b");
  EXPECT_EQ(con.cursor_col(), 2);
  EXPECT_EQ(con.cursor_row(), 2);
}

TEST_F(ModelTest, LineFeedOnLastRowScrollsWithCurrentAttribute) {
  for (int i = 1; i <= 25; ++i) {
    con.write("L" + std::to_string(i));
    if (i < 25) con.write("\r\n");
  }
  con.set_attribute(0x1E);
  con.write("\n");
  EXPECT_EQ(row(0), "L2");
  EXPECT_EQ(row(23), "L25");
  EXPECT_EQ(row(24), "");
  for (int c = 0; c < kCols; ++c) ASSERT_EQ(con.attr_at(c, 24), 0x1E);
  EXPECT_EQ(con.attr_at(0, 23), 0x0F);
  EXPECT_EQ(con.cursor_row(), 25);
  EXPECT_EQ(con.cursor_col(), 1);
}

TEST_F(ModelTest, ControlCodes) {
  con.write("\b");  // at column 0: nothing
  EXPECT_EQ(con.col0(), 0);
  con.write("abcde");
  con.set_attribute(0x20);
  con.write("\b");
  EXPECT_EQ(row(0), "abcd");
  EXPECT_EQ(con.col0(), 4);
  EXPECT_EQ(con.attr_at(4, 0), 0x20);
  con.write("\t\x01\x1b\x0c\x7f");  // tab and other controls leave no trace; 127 is printable
  EXPECT_EQ(con.col0(), 5);
  EXPECT_EQ(con.char_at(4, 0), 0x7f);
  con.write("\rX");
  EXPECT_EQ(row(0), "Xbcd\x7f");
  con.write("\nY");
  EXPECT_EQ(row(1), "Y");
  EXPECT_EQ(con.col0(), 1);
}

TEST_F(ModelTest, BellGoesToBackendAndLeavesScreen) {
  con.write("a\x07");
  EXPECT_EQ(std::count(backend->log.begin(), backend->log.end(), "bell"), 1);
  EXPECT_EQ(con.col0(), 1);
}

TEST_F(ModelTest, WriteIsCopiedThenPresented) {
  con.write("Ol\xe1\r\n");
  EXPECT_EQ(backend->output, "Ol\xe1\r\n");
  ASSERT_FALSE(backend->log.empty());
  EXPECT_EQ(backend->log.back(), "present");
}

TEST_F(ModelTest, ClearScreenAndClearToEndOfLine) {
  con.write("hello world\r\nsecond");
  con.set_attribute(0x4F);
  con.go_to(6, 1);
  con.clear_to_end_of_line();
  EXPECT_EQ(row(0), "hello");
  EXPECT_EQ(con.attr_at(4, 0), 0x0F);
  EXPECT_EQ(con.attr_at(5, 0), 0x4F);
  EXPECT_EQ(con.attr_at(79, 0), 0x4F);
  EXPECT_EQ(row(1), "second");
  con.clear_screen();
  EXPECT_EQ(con.screen_text(), "");
  EXPECT_EQ(con.attr_at(0, 24), 0x4F);
  EXPECT_EQ(con.col0(), 0);
  EXPECT_EQ(con.row0(), 0);
}

TEST_F(ModelTest, GoToIsClamped) {
  struct Case {
    int col, row, want_col, want_row;
  } cases[] = {{1, 1, 1, 1}, {80, 25, 80, 25}, {0, 0, 1, 1}, {81, 26, 80, 25}, {-7, 12, 1, 12}, {40, 1000, 40, 25}};
  for (const auto& c : cases) {
    con.go_to(c.col, c.row);
    EXPECT_EQ(con.cursor_col(), c.want_col) << c.col << "," << c.row;
    EXPECT_EQ(con.cursor_row(), c.want_row) << c.col << "," << c.row;
  }
}

TEST_F(ModelTest, ColoursReplaceOneNibble) {
  con.ensure_window();
  EXPECT_EQ(con.attribute(), 0x0F);
  con.set_text_colour(14);
  EXPECT_EQ(con.attribute(), 0x0E);
  con.set_background(0x21);  // only the low four bits count
  EXPECT_EQ(con.attribute(), 0x1E);
  con.set_text_colour(-1);
  EXPECT_EQ(con.attribute(), 0x1F);
  con.write("x");
  EXPECT_EQ(con.attr_at(0, 0), 0x1F);
}

TEST_F(ModelTest, FixedColoursIgnoreChanges) {
  TempDir dir;
  con.set_profile_path(dir.file("ZUNAPE.INI", "[VIDEO]\nCORESFIXAS=sim\nCORFUNDO=1\nCORLETRA=14\n"));
  con.set_text_colour(2);
  con.set_background(4);
  EXPECT_EQ(con.attribute(), 0x1E);
}

TEST_F(ModelTest, WindowIsCreatedOnceOnFirstNeed) {
  TempDir dir;
  con.set_profile_path(dir.file("ZUNAPE.INI", "[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n"));
  con.set_title("t");
  EXPECT_FALSE(con.created());
  EXPECT_EQ(std::count(backend->log.begin(), backend->log.end(), "open"), 0);
  EXPECT_FALSE(con.key_pressed());
  EXPECT_TRUE(con.created());
  con.write("a");
  con.clear_screen();
  EXPECT_EQ(std::count(backend->log.begin(), backend->log.end(), "open"), 1);
  EXPECT_EQ(con.attribute(), 0x1E);
  EXPECT_EQ(con.attr_at(79, 24), 0x1E);  // the buffers start with that attribute
}

TEST_F(ModelTest, TitleIsCutAndReported) {
  con.set_title(std::string(350, 't'));
  EXPECT_EQ(con.title().size(), static_cast<size_t>(kTitleCapacity));
  EXPECT_EQ(backend->log.back(), "title");
}

TEST_F(ModelTest, VersionBumpsOnEveryVisibleChange) {
  uint64_t v = con.version();
  auto bumped = [&] {
    const bool b = con.version() > v;
    v = con.version();
    return b;
  };
  con.write("a");
  EXPECT_TRUE(bumped());
  con.go_to(3, 3);
  EXPECT_TRUE(bumped());
  con.set_title("x");
  EXPECT_TRUE(bumped());
  con.hide();
  EXPECT_TRUE(bumped());
  EXPECT_TRUE(con.hidden());
  con.restore();
  EXPECT_TRUE(bumped());
  EXPECT_FALSE(con.hidden());
  con.clear_screen();
  EXPECT_TRUE(bumped());
}

TEST_F(ModelTest, ScreenTextIsUtf8WithoutTrailingBlanks) {
  EXPECT_EQ(con.screen_text(), "");
  con.write("Ol\xe1  \r\n\r\n  \x80 fim   \r\n\r\n");
  EXPECT_EQ(con.screen_text(), "Ol\xc3\xa1\n\n  \xe2\x82\xac fim\n");
  con.go_to(80, 25);
  con.write("z");
  const std::string text = con.screen_text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
  EXPECT_EQ(text.substr(text.size() - 3), " z\n");
}

TEST_F(ModelTest, FinishWritesScreenFileAndCloses) {
  TempDir dir;
  const std::string screen = dir.path + "/screen.txt";
  con.set_screen_file(screen);
  con.write("a\xe7\xe3o\r\n");
  con.finish();
  EXPECT_EQ(con.title(), "Programa terminado");
  EXPECT_EQ(read_file(screen), "a\xc3\xa7\xc3\xa3o\n");
  EXPECT_EQ(backend->log.back(), "close");
}

TEST_F(ModelTest, FinishOnBlankScreenWritesEmptyFile) {
  TempDir dir;
  const std::string screen = dir.file("screen.txt", "old");
  con.set_screen_file(screen);
  con.clear_screen();
  con.finish();
  EXPECT_EQ(read_file(screen), "");
}

TEST_F(ModelTest, QuitCallsHandlerAndStopsWaiting) {
  type("abc");
  EXPECT_TRUE(con.key_pressed());
  con.quit(255);
  EXPECT_EQ(quits, std::vector<int>{255});
  EXPECT_TRUE(con.closed());
  EXPECT_EQ(con.key_count(), 0);
  EXPECT_EQ(con.read_key(), 13);
  const auto t0 = std::chrono::steady_clock::now();
  con.pause(5000);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  EXPECT_EQ(con.read_line(), "");
}

TEST(ConsoleWithoutBackend, WorksAlone) {
  Console con;
  std::vector<int> quits;
  con.set_quit_handler([&](int code) { quits.push_back(code); });
  con.write("x\x07");
  EXPECT_EQ(con.char_at(0, 0), 'x');
  EXPECT_FALSE(con.key_pressed());
  EXPECT_EQ(con.read_key(), 13);  // nothing can ever come: the window is gone
  EXPECT_EQ(quits, std::vector<int>{0});
}

TEST(ConsoleDefaultQuit, WritesScreenAndExitsWithCode) {
  TempDir dir;
  const std::string screen = dir.path + "/screen.txt";
  EXPECT_EXIT(
      {
        Console con;
        con.set_screen_file(screen);
        con.write("bye");
        con.key_down(Key::Break, {});
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(read_file(screen), "bye\n");
}

}  // namespace
}  // namespace zn::test
