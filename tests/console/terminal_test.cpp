// The terminal backend on a pseudo-terminal: drawing, title, keys, signals, restoring.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>

#include "console/backends/terminal.h"
#include "fixture.h"

namespace zn::test {
namespace {

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"TERM", "NO_COLOR"}) {
      const char* v = getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    setenv("TERM", "xterm-256color", 1);
    unsetenv("NO_COLOR");
    winsize ws{};
    ws.ws_row = 30;
    ws.ws_col = 100;
    ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, &ws), 0);
    fcntl(master_, F_SETFL, O_NONBLOCK);
  }
  void TearDown() override {
    con_.reset();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    for (auto& [name, value] : saved_) {
      if (value) setenv(name, value->c_str(), 1);
      else unsetenv(name);
    }
  }

  Console& start() {
    auto backend = make_terminal_backend_on(slave_, slave_);
    EXPECT_NE(backend, nullptr);
    con_ = std::make_unique<Console>();
    con_->set_backend(std::move(backend));
    con_->set_quit_handler([this](int code) { quits.push_back(code); });
    return *con_;
  }

  // What the terminal received so far, waiting up to a second for `want` to show.
  std::string received(const std::string& want) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (seen_.find(want) == std::string::npos && std::chrono::steady_clock::now() < until) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0) {
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) seen_.append(buf, static_cast<size_t>(n));
      }
    }
    return seen_;
  }

  void type(std::string_view s) { ASSERT_EQ(::write(master_, s.data(), s.size()), static_cast<ssize_t>(s.size())); }

  int master_ = -1, slave_ = -1;
  std::unique_ptr<Console> con_;
  std::vector<int> quits;
  std::string seen_;
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(TerminalTest, DrawsTextAsUtf8InColour) {
  Console& con = start();
  con.ensure_window();
  con.set_attribute(0x1E);  // yellow on blue
  con.write("Ol\xe1 mundo \x80");
  const std::string out = received("\xe2\x82\xac");
  EXPECT_NE(out.find("Ol\xc3\xa1"), std::string::npos);
  EXPECT_NE(out.find("mundo"), std::string::npos);
  EXPECT_NE(out.find("\xe2\x82\xac"), std::string::npos);
  EXPECT_NE(out.find("\x1b[93m"), std::string::npos);  // bright yellow
  EXPECT_NE(out.find("\x1b[44m"), std::string::npos);  // blue
}

TEST_F(TerminalTest, NoColorMeansNoColours) {
  setenv("NO_COLOR", "1", 1);
  Console& con = start();
  con.ensure_window();
  con.set_attribute(0x1E);
  con.write("plain");
  const std::string out = received("plain");
  EXPECT_NE(out.find("plain"), std::string::npos);
  EXPECT_EQ(out.find("\x1b[93m"), std::string::npos);
  EXPECT_EQ(out.find("\x1b[44m"), std::string::npos);
}

TEST_F(TerminalTest, ControlBytesInCellsAreNotSentRaw) {
  Console& con = start();
  con.write("a\x9d" "b\x81" "c");  // U+009D would start an operating-system command
  const std::string out = received("c");
  EXPECT_EQ(out.find("\xc2\x9d"), std::string::npos);
  EXPECT_EQ(out.find("\xc2\x81"), std::string::npos);
}

TEST_F(TerminalTest, OnlyChangedCellsAreRedrawn) {
  Console& con = start();
  con.write("primeira linha longa");
  received("longa");
  seen_.clear();
  con.go_to(1, 2);
  con.write("Z");
  const std::string out = received("Z");
  EXPECT_NE(out.find("Z"), std::string::npos);
  EXPECT_EQ(out.find("primeira"), std::string::npos);
}

TEST_F(TerminalTest, TitleWithoutControlBytes) {
  Console& con = start();
  con.set_title("Roteiro\x1b]0;x\x07 \xe9");  // before the terminal is taken: shown when it is
  con.write("x");
  const std::string out = received("x \xc3\xa9\x07");
  EXPECT_NE(out.find("\x1b]0;Roteiro]0;x \xc3\xa9\x07"), std::string::npos) << ::testing::PrintToString(out);
}

TEST_F(TerminalTest, KeysAreDecodedFromRawBytes) {
  Console& con = start();
  con.ensure_window();
  type("a\x1b[1;5D\r\x03");
  EXPECT_EQ(con.read_key(), 'a');
  EXPECT_EQ(con.read_key(), 0);
  EXPECT_EQ(con.read_key(), 115);
  EXPECT_EQ(con.read_key(), 13);  // raw mode: Enter arrives as CR, no translation
  EXPECT_EQ(con.read_key(), 3);   // and Ctrl+C is a key, not a signal
}

TEST_F(TerminalTest, TermSignalQuitsWith255) {
  Console& con = start();
  con.ensure_window();
  raise(SIGTERM);
  EXPECT_FALSE(con.key_pressed());
  EXPECT_EQ(quits, std::vector<int>{255});
  con.finish();
}

TEST_F(TerminalTest, HangUpDuringReadQuitsWith255) {
  Console& con = start();
  con.ensure_window();
  raise(SIGHUP);
  EXPECT_EQ(con.read_key(), 13);
  EXPECT_EQ(quits, std::vector<int>{255});
  con.finish();
}

TEST_F(TerminalTest, CloseRestoresTheTerminal) {
  termios before{};
  ASSERT_EQ(tcgetattr(slave_, &before), 0);
  Console& con = start();
  con.write("x");
  termios during{};
  tcgetattr(slave_, &during);
  EXPECT_EQ(during.c_lflag & ICANON, 0u);
  con.finish();
  termios after{};
  tcgetattr(slave_, &after);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  struct sigaction sa {};
  sigaction(SIGTERM, nullptr, &sa);
  EXPECT_EQ(sa.sa_handler, SIG_DFL);
}

TEST(Terminal, NotATerminal) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  EXPECT_EQ(make_terminal_backend_on(fds[0], fds[1]), nullptr);
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
}  // namespace zn::test
