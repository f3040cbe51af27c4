// The receive buffer and read_line over a socket pair, resolving and refused connects.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "net/zninet.h"

namespace net {
namespace {

// A link on one end of a socket pair; the test writes into the other end. The console's
// pause only counts (no real sleeping), so waits run in no time.
struct Pair {
  Net net;
  int peer = -1;
  std::unique_ptr<Link> link;
  int pauses = 0;
  bool window_closed = false;
  Pair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    EXPECT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);  // as connect leaves its sockets
    peer = fds[1];
    net.hooks.pause = [this](int) { ++pauses; };
    net.hooks.closed = [this] { return window_closed; };
    link = std::make_unique<Link>(net, fds[0], nullptr);
  }
  ~Pair() {
    if (peer >= 0) ::close(peer);
  }
  void put(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(peer, bytes.data() + done, bytes.size() - done);
      ASSERT_GT(n, 0);
      done += static_cast<size_t>(n);
    }
  }
  void hang_up() {
    ::close(peer);
    peer = -1;
  }
};

TEST(ReadLine, LineEndsAndACarriageReturnInside) {
  Pair p;
  p.put("crlf\r\nlf\nmeio\rdo\r\n\r\n\n");
  std::string line;
  for (const char* want : {"crlf", "lf", "meio\rdo", "", ""}) {
    ASSERT_EQ(read_line(*p.link, line, 30), LineResult::line);
    EXPECT_EQ(line, want);
  }
}

TEST(ReadLine, LinesAcrossManyBufferFills) {
  Pair p;
  const std::string long_line(3 * kReceiveBufferSize + 17, 'z');
  p.net.hooks.pause = nullptr;  // real pauses: the writer needs the time
  std::thread writer([&] { p.put(long_line + "\r\nfim\n"); });
  std::string line;
  EXPECT_EQ(read_line(*p.link, line, 30), LineResult::line);
  writer.join();
  EXPECT_EQ(line, long_line);
  EXPECT_EQ(read_line(*p.link, line, 30), LineResult::line);
  EXPECT_EQ(line, "fim");
}

TEST(ReadLine, TooLongGivesWhatCameAndKeepsTheRest) {
  Pair p;
  p.put("abcdefghij\n");
  std::string line;
  EXPECT_EQ(read_line(*p.link, line, 30, 4), LineResult::too_long);
  EXPECT_EQ(line, "abcd");
  EXPECT_EQ(read_line(*p.link, line, 30), LineResult::line);
  EXPECT_EQ(line, "efghij");
}

TEST(ReadLine, PeerClosingMidLine) {
  Pair p;
  p.put("meia linha");
  p.hang_up();
  std::string line;
  EXPECT_EQ(read_line(*p.link, line, 30), LineResult::closed);
  EXPECT_EQ(line, "meia linha");
  EXPECT_EQ(read_line(*p.link, line, 30), LineResult::closed);
  EXPECT_EQ(line, "");
}

TEST(ReadLine, SilenceEndsAfterTenPollsASecond) {
  Pair p;
  p.put("parte");
  std::string line;
  EXPECT_EQ(read_line(*p.link, line, 2), LineResult::timed_out);
  EXPECT_EQ(line, "parte");
  EXPECT_EQ(p.pauses, 21);  // the count must pass seconds * 10
}

TEST(ReadLine, ClosedWindowEndsAnUnlimitedWait) {
  Pair p;
  p.net.hooks.pause = [&](int) {
    if (++p.pauses == 5) p.window_closed = true;
  };
  std::string line;
  EXPECT_EQ(read_line(*p.link, line, 0), LineResult::timed_out);
  EXPECT_EQ(p.pauses, 5);
}

TEST(Buffer, InputWaitingAndExactReads) {
  Pair p;
  EXPECT_FALSE(p.link->has_input());
  p.put("0123456789");
  EXPECT_TRUE(p.link->has_input());
  char b[16] = {};
  size_t got = 0;
  EXPECT_TRUE(p.link->read_bytes(b, 4, got, 0));
  EXPECT_EQ(std::string(b, 4), "0123");
  EXPECT_TRUE(p.link->has_input());  // six bytes still in the buffer
  p.hang_up();
  EXPECT_FALSE(p.link->read_bytes(b, 16, got, 1000));
  EXPECT_EQ(got, 6u);
  EXPECT_EQ(std::string(b, 6), "456789");
}

TEST(Buffer, ReadGivesUpAfterItsIdleLimit) {
  Pair p;
  char c;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(p.link->read_byte(c, 300));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
}

TEST(Send, LineAndRawForms) {
  Pair p;
  EXPECT_TRUE(send_line(*p.link, "ola"));
  EXPECT_TRUE(send_raw(*p.link, "sem fim"));
  EXPECT_FALSE(send_raw(*p.link, ""));
  char b[32];
  ssize_t n = ::read(p.peer, b, sizeof b);
  EXPECT_EQ(std::string(b, static_cast<size_t>(n)), "ola\r\nsem fim");
  p.hang_up();
  EXPECT_FALSE(send_line(*p.link, "ninguem"));
}

TEST(Resolve, AddressesAndNames) {
  EXPECT_EQ(resolve("127.0.0.1"), htonl(0x7f000001));
  EXPECT_EQ(resolve("localhost"), htonl(0x7f000001));
  for (const char* bad : {"", "nao.existe.invalid", "300.1.1.1x"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(resolve(bad));
  }
  EXPECT_FALSE(resolve(std::string_view("127.0.0.1\0x", 11)));
}

TEST(Connect, RefusedAndOutOfRange) {
  Net net;
  for (int port : {0, -1, 65536, 1 << 20}) EXPECT_FALSE(connect(net, "127.0.0.1", port)) << port;
  // A listener that is closed again leaves a port nobody answers on.
  const int l = listen_on(net, 0);
  EXPECT_EQ(l, -1);  // port 0 would be a port the script cannot learn
  EXPECT_FALSE(connect(net, "nao.existe.invalid", 80));
  EXPECT_EQ(net.timeout_us, 0);  // only a connect that succeeds reads the timeout
}

TEST(Connect, ReadsTheTimeoutAndTalks) {
  Net net;
  net.read_settings = [] { return Settings{5000, true}; };
  int port = 0;
  int listener = -1;
  for (port = 40000; port < 40100 && listener < 0; ++port) listener = listen_on(net, port);
  ASSERT_GE(listener, 0);
  --port;
  auto client = connect(net, "127.0.0.1", port);
  ASSERT_TRUE(client);
  EXPECT_EQ(net.timeout_us, 5000);
  auto server = accept_one(net, listener);
  close_socket(listener);
  ASSERT_TRUE(server);
  EXPECT_EQ(local_address(client->fd()), "127.0.0.1");
  EXPECT_EQ(remote_address(server->fd()), "127.0.0.1");
  EXPECT_TRUE(send_line(*server, "ola"));
  std::string line;
  EXPECT_EQ(read_line(*client, line, 5), LineResult::line);
  EXPECT_EQ(line, "ola");
  EXPECT_FALSE(remote_address(-1));
}

}  // namespace
}  // namespace net
