// zninet: TCP connections for the file slots, the line reader and the HTTP download.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/waits.h"
#include "net/znssl.h"

namespace net {

inline constexpr int kReceiveBufferSize = 4096;
inline constexpr int kDefaultTimeoutUs = 20000;
// A poll wait longer than this would keep the console from its messages.
inline constexpr int kMaxTimeoutUs = 1000000;
// Connect, handshake and the download's silences are bounded by this many readability
// polls' worth of the connection timeout (30 s at the default 20 ms).
inline constexpr int kWaitPolls = 1500;
// The longest line LE takes from a connection; a peer that sends more without a line end
// gives what came so far as an incomplete line.
inline constexpr size_t kMaxLineLength = 1u << 20;

// What the profile says, read at every connect.
struct Settings {
  int timeout_us = kDefaultTimeoutUs;  // TIMEOUT_REDE
  bool verify_tls = true;              // VERIFICASSL
};

// The network state of one interpreter.
struct Net {
  Hooks hooks;
  std::function<Settings()> read_settings;  // missing: the defaults
  int timeout_us = 0;     // 0 until the first successful client connect
  bool tls_requested = false;  // CONECTA SSL, until FECHA of a network slot
  std::string last_host;  // of the latest CONECTA that read them, for ATIVASSL
  std::string last_port;
  TlsContexts tls;
};

// The wait limit derived from a connection timeout (see kWaitPolls), at least 3 seconds.
int wait_limit_ms(int timeout_us);

// A connected socket, its TLS session when it has one, and its receive buffer.
class Link {
 public:
  Link(Net& net, int fd, std::unique_ptr<TlsSession> tls);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  int fd() const { return fd_; }
  bool secure() const { return tls_ != nullptr; }
  const Hooks& hooks() const { return net_->hooks; }
  // How long a started transfer may stay silent (see kWaitPolls).
  int wait_limit() const;
  // Unread bytes in the buffer, decrypted bytes in the session, or a readable socket
  // (waiting up to the connection timeout); the console pumps afterwards.
  bool has_input();
  // Next byte; refills the buffer when it is used up, waiting for data at most
  // idle_limit_ms (0: no wait beyond what has_input found). False when nothing came.
  bool read_byte(char& out, int idle_limit_ms = 0);
  // Exactly n bytes, or false with fewer stored (got tells how many).
  bool read_bytes(char* out, size_t n, size_t& got, int idle_limit_ms);
  bool send(std::string_view bytes);  // true when more than 0 bytes were sent
  // The last failed read ran out of time rather than meeting the peer's close.
  bool timed_out() const { return timed_out_; }

 private:
  bool refill(int idle_limit_ms);
  Net* net_;
  int fd_;
  std::unique_ptr<TlsSession> tls_;
  std::array<char, kReceiveBufferSize> data_{};
  int pos_ = kReceiveBufferSize;
  int fill_ = 0;
  bool timed_out_ = false;
};

// IPv4 address of a host (dotted or a name through the system resolver), network order;
// nullopt when it does not resolve.
std::optional<uint32_t> resolve(std::string_view host);
// Null when the host does not resolve, the port is outside 1..65535, the connection is
// refused or the wait limit passes. The TLS form also fails on a failed handshake.
std::unique_ptr<Link> connect(Net& net, std::string_view host, int port);
std::unique_ptr<Link> connect_tls(Net& net, std::string_view host, int port);
// Listens on every local address with a backlog of 3; -1 on failure.
int listen_on(Net& net, int port);
// Waits for one client as long as it takes (the window closing ends the wait).
std::unique_ptr<Link> accept_one(Net& net, int listener);
void close_socket(int fd);

bool send_raw(Link& link, std::string_view text);
bool send_line(Link& link, std::string_view text);

enum class LineResult { line, closed, timed_out, too_long };
// Bytes up to LF, without it and one CR before it. Polls every 100 ms while nothing is
// waiting, for at most seconds * 10 polls (0: no limit, but a closed window still ends it).
// Other results leave the bytes collected so far in out.
LineResult read_line(Link& link, std::string& out, int seconds, size_t max_length = kMaxLineLength);

// Dotted addresses of the socket's own end and of its peer.
std::optional<std::string> local_address(int fd);
std::optional<std::string> remote_address(int fd);

// ---- HTTP download -----------------------------------------------------------------

// What the download needs from the user's side: sound, speech, keys.
struct DownloadUi {
  std::function<void()> beep;
  std::function<void()> click;
  std::function<void(std::string_view)> say;    // written and spoken
  std::function<void(std::string_view)> speak;  // spoken only
  std::function<bool()> key_waiting;
  std::function<uint8_t()> read_key;
  std::function<uint8_t()> read_key_spoken;
  std::function<void(std::string_view)> write_line;  // console only
};

struct DownloadRequest {
  std::string url;
  std::string target;     // host path of the file
  std::string file_name;  // as the script gave it, spoken after a progress report
  bool feedback = false;
  std::string cookie;
};

// True when the whole body is stored in the target.
bool download(Net& net, const DownloadRequest& request, const DownloadUi& ui);

}  // namespace net
