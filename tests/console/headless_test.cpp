// The headless backend: keys from a pipe, the output copy on another.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "fixture.h"

namespace zn::test {
namespace {

struct Pipe {
  int r = -1, w = -1;
  Pipe() {
    int fds[2];
    if (pipe(fds) == 0) {
      r = fds[0];
      w = fds[1];
    }
  }
  ~Pipe() {
    close_read();
    close_write();
  }
  void close_read() {
    if (r >= 0) ::close(r);
    r = -1;
  }
  void close_write() {
    if (w >= 0) ::close(w);
    w = -1;
  }
  void put(std::string_view s) const { ASSERT_EQ(::write(w, s.data(), s.size()), static_cast<ssize_t>(s.size())); }
  std::string take() const {
    fcntl(r, F_SETFL, O_NONBLOCK);
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(r, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
  }
};

class HeadlessTest : public ::testing::Test {
 protected:
  HeadlessTest() {
    con.set_backend(make_headless_backend(keys.r, out.w));
    con.set_quit_handler([this](int code) { quits.push_back(code); });
  }
  Pipe keys, out;
  Console con;
  std::vector<int> quits;
};

TEST_F(HeadlessTest, KeysThenEndOfInput) {
  keys.put("ab\x1b[A\r\n");
  keys.close_write();
  std::string got;
  for (int i = 0; i < 5; ++i) got += static_cast<char>(con.read_key());
  EXPECT_EQ(got, std::string("ab\0H\r", 5));
  EXPECT_TRUE(quits.empty());
  EXPECT_EQ(con.read_key(), 13);
  EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(HeadlessTest, EscapeLastInInputIsEsc) {
  keys.put("x\x1b");
  keys.close_write();
  EXPECT_EQ(con.read_key(), 'x');
  EXPECT_EQ(con.read_key(), 27);
  EXPECT_TRUE(quits.empty());
}

TEST_F(HeadlessTest, LoneEscapeBecomesEscWhileInputStaysOpen) {
  keys.put("\x1b");
  EXPECT_EQ(con.read_key(), 27);
  keys.put("\x1b[B");
  EXPECT_EQ(con.read_key(), 0);
  EXPECT_EQ(con.read_key(), 80);
}

TEST_F(HeadlessTest, SequenceSplitAcrossReads) {
  keys.put("\x1b[1;");
  EXPECT_FALSE(con.key_pressed());
  keys.put("5D");
  EXPECT_EQ(con.read_key(), 0);
  EXPECT_EQ(con.read_key(), 115);
}

TEST_F(HeadlessTest, TypedAheadInputIsNotLostToTheFullBuffer) {
  std::string typed;
  for (int i = 0; i < 300; ++i) typed += static_cast<char>('a' + i % 26);
  keys.put(typed);
  keys.close_write();
  std::string got;
  for (size_t i = 0; i < typed.size(); ++i) got += static_cast<char>(con.read_key());
  EXPECT_EQ(got, typed);
}

// Everything is decoded before the first read, so each key must carry its own modifiers.
TEST_F(HeadlessTest, ModifiersAreThoseOfTheKeyJustRead) {
  struct Read {
    int key;
    bool shift, ctrl, alt;
  };
  const Read reads[] = {
      {'A', true, false, false},  {0, false, true, false},   {115, false, true, false},  // Ctrl+Left
      {'a', false, false, false}, {1, false, true, false},   {0xC9, true, false, false},  // Ctrl+A, É
      {0, false, false, true},    {48, false, false, true},                                // Alt+b
      {0, true, false, true},     {30, true, false, true},                                 // Alt+A
      {0, true, false, false},    {72, true, false, false},                                // Shift+Up
      {9, true, false, false},    {1, true, true, false},                                  // Shift+Tab, Ctrl+Shift+a
      {10, false, true, false},   {'1', false, false, false},                              // Ctrl+Enter
  };
  keys.put("A\x1b[1;5Da\x01\xc3\x89\x1b" "b\x1b" "A\x1b[1;2A\x1b[Z\x1b[97;6u\x1b[13;5u1");
  keys.close_write();
  EXPECT_EQ(con.modifiers().shift, false);  // nothing read yet
  ASSERT_EQ(con.key_count(), 0);
  for (const auto& r : reads) {
    EXPECT_EQ(con.read_key(), r.key);
    const Mods m = con.modifiers();
    EXPECT_EQ(m.shift, r.shift) << r.key;
    EXPECT_EQ(m.ctrl, r.ctrl) << r.key;
    EXPECT_EQ(m.alt, r.alt) << r.key;
  }
  EXPECT_TRUE(quits.empty());
}

TEST_F(HeadlessTest, ReadLineFromPipe) {
  keys.put("ol\xc3\xa1\x7f\xc3\xa9\n");
  EXPECT_EQ(con.read_line(), "ol\xe9");
  EXPECT_EQ(out.take(), "ol\xc3\xa1\b\xc3\xa9\n");
}

TEST_F(HeadlessTest, OutputCopyIsUtf8WithLineEndsAsLf) {
  con.write("Ol\xe1 \x80\r\n");
  con.write("a\rb\x07\r");
  con.write("\n");
  EXPECT_EQ(out.take(), "Ol\xc3\xa1 \xe2\x82\xac\na\rb\x07\r\n");
}

TEST_F(HeadlessTest, ClosedOutputDoesNotStopTheProgram) {
  out.close_read();
  con.write("nobody reads this\r\n");
  con.write("nor this\r\n");
  sigset_t pending;
  sigpending(&pending);
  EXPECT_FALSE(sigismember(&pending, SIGPIPE));
  EXPECT_EQ(con.char_at(0, 1), 'n');
}

TEST_F(HeadlessTest, PauseAfterEndOfInputStillWaits) {
  keys.put("k");
  keys.close_write();
  const auto t0 = std::chrono::steady_clock::now();
  con.pause(40);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(40));
  EXPECT_EQ(con.key_count(), 1);
  EXPECT_TRUE(quits.empty());
}

TEST_F(HeadlessTest, PauseEndsOnTimeWithInputOpen) {
  const auto t0 = std::chrono::steady_clock::now();
  con.pause(30);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(30));
  EXPECT_FALSE(con.key_pressed());
}

TEST(Headless, NoInputDescriptorMeansInputEnded) {
  Console con;
  std::vector<int> quits;
  con.set_backend(make_headless_backend(-1, -1));
  con.set_quit_handler([&](int code) { quits.push_back(code); });
  con.write("x");
  EXPECT_EQ(con.read_key(), 13);
  EXPECT_EQ(quits, std::vector<int>{0});
}

}  // namespace
}  // namespace zn::test
