// Sockets: resolving, connecting, listening, the receive buffer and the line reader.
#include "net/zninet.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace net {
namespace {

bool set_non_blocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

Settings current_settings(Net& net) {
  Settings s = net.read_settings ? net.read_settings() : Settings{};
  s.timeout_us = std::clamp(s.timeout_us, 0, kMaxTimeoutUs);
  return s;
}

// A TCP connection to addr:port within limit_ms, non-blocking from then on; -1 on failure.
int open_connection(Net& net, uint32_t addr, int port, int limit_ms) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = addr;
  remote.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || !set_non_blocking(fd)) {
    ::close(fd);
    return -1;
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    if (errno != EINPROGRESS || !wait_fd(net.hooks, fd, POLLOUT, limit_ms)) {
      ::close(fd);
      return -1;
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
      ::close(fd);
      return -1;
    }
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

std::optional<std::string> dotted(const sockaddr_in& a) {
  char text[INET_ADDRSTRLEN];
  if (!inet_ntop(AF_INET, &a.sin_addr, text, sizeof text)) return std::nullopt;
  return std::string(text);
}

}  // namespace

int wait_limit_ms(int timeout_us) {
  const int64_t ms = int64_t{timeout_us} * kWaitPolls / 1000;
  return static_cast<int>(std::clamp<int64_t>(ms, 3000, 3600000));
}

Link::Link(Net& net, int fd, std::unique_ptr<TlsSession> tls) : net_(&net), fd_(fd), tls_(std::move(tls)) {}

Link::~Link() {
  tls_.reset();
  close_socket(fd_);
}

int Link::wait_limit() const { return wait_limit_ms(net_->timeout_us ? net_->timeout_us : kDefaultTimeoutUs); }

bool Link::has_input() {
  if (pos_ < fill_) return true;
  if (tls_ && tls_pending(*tls_)) return true;
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  const int r = ::poll(&p, 1, (net_->timeout_us + 999) / 1000);
  pump(net_->hooks);
  return r > 0;
}

bool Link::refill(int idle_limit_ms) {
  timed_out_ = false;
  if (fd_ < 0) return false;
  const int limit = std::max(idle_limit_ms, 0);
  if (tls_) {
    const int n = tls_read(*tls_, data_.data(), kReceiveBufferSize, net_->hooks, limit);
    timed_out_ = n == -2;
    if (n <= 0) return false;
    pos_ = 0;
    fill_ = n;
    return true;
  }
  for (;;) {
    const ssize_t n = ::recv(fd_, data_.data(), kReceiveBufferSize, 0);
    if (n > 0) {
      pos_ = 0;
      fill_ = static_cast<int>(n);
      return true;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (!wait_fd(net_->hooks, fd_, POLLIN, limit)) {
      timed_out_ = true;
      return false;
    }
  }
}

bool Link::read_byte(char& out, int idle_limit_ms) {
  if (pos_ >= fill_ && !refill(idle_limit_ms)) return false;
  out = data_[pos_++];
  return true;
}

bool Link::read_bytes(char* out, size_t n, size_t& got, int idle_limit_ms) {
  got = 0;
  while (got < n) {
    if (pos_ >= fill_ && !refill(idle_limit_ms)) return false;
    const size_t take = std::min(n - got, static_cast<size_t>(fill_ - pos_));
    std::memcpy(out + got, data_.data() + pos_, take);
    pos_ += static_cast<int>(take);
    got += take;
  }
  return true;
}

bool Link::send(std::string_view bytes) {
  if (fd_ < 0 || bytes.empty()) return false;
  const int limit = wait_limit();
  if (tls_) {
    size_t done = 0;
    while (done < bytes.size()) {
      const int chunk = static_cast<int>(std::min<size_t>(bytes.size() - done, 1 << 30));
      const int n = tls_write(*tls_, bytes.data() + done, chunk, net_->hooks, limit);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    return done > 0;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait_fd(net_->hooks, fd_, POLLOUT, limit)) continue;
    break;
  }
  return done > 0;
}

std::optional<uint32_t> resolve(std::string_view host) {
  if (host.empty() || host.size() > 253 || host.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string name(host);
  in_addr a{};
  // A dotted address needs no resolver; anything else, digits first or not, is a name.
  if (inet_pton(AF_INET, name.c_str(), &a) == 1) return a.s_addr;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  const uint32_t addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return addr;
}

std::unique_ptr<Link> connect(Net& net, std::string_view host, int port) {
  if (port < 1 || port > 65535) return nullptr;
  const auto addr = resolve(host);
  if (!addr) return nullptr;
  const Settings s = current_settings(net);
  const int fd = open_connection(net, *addr, port, wait_limit_ms(s.timeout_us));
  if (fd < 0) return nullptr;
  net.timeout_us = s.timeout_us;
  return std::make_unique<Link>(net, fd, nullptr);
}

std::unique_ptr<Link> connect_tls(Net& net, std::string_view host, int port) {
  if (port < 1 || port > 65535) return nullptr;
  const auto addr = resolve(host);
  if (!addr) return nullptr;
  const Settings s = current_settings(net);
  const int limit = wait_limit_ms(s.timeout_us);
  const int fd = open_connection(net, *addr, port, limit);
  if (fd < 0) return nullptr;
  net.timeout_us = s.timeout_us;
  auto session = start_tls(net.tls, fd, std::string(host), s.verify_tls, net.hooks, limit);
  if (!session) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<Link>(net, fd, std::move(session));
}

int listen_on(Net&, int port) {
  if (port < 1 || port > 65535) return -1;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 3) != 0 || !set_non_blocking(fd)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::unique_ptr<Link> accept_one(Net& net, int listener) {
  if (listener < 0) return nullptr;
  for (;;) {
    if (closed(net.hooks)) return nullptr;
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) return std::make_unique<Link>(net, fd, nullptr);
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return nullptr;
    // No limit: the script asked to wait for a client. The window still closes it.
    wait_fd(net.hooks, listener, POLLIN, 100);
  }
}

void close_socket(int fd) {
  if (fd >= 0) ::close(fd);
}

bool send_raw(Link& link, std::string_view text) { return link.send(text); }

bool send_line(Link& link, std::string_view text) {
  std::string line(text);
  line += "\r\n";
  return link.send(line);
}

LineResult read_line(Link& link, std::string& out, int seconds, size_t max_length) {
  out.clear();
  int polls = 0;
  for (;;) {
    while (link.has_input()) {
      if (out.size() >= max_length) return LineResult::too_long;
      char c;
      // Input is signalled; a TLS record may still need the rest of its bytes.
      if (!link.read_byte(c, link.wait_limit())) return LineResult::closed;
      if (c == '\n') {
        if (!out.empty() && out.back() == '\r') out.pop_back();
        return LineResult::line;
      }
      out += c;
    }
    if (closed(link.hooks())) return LineResult::timed_out;
    pause(link.hooks(), 100);
    ++polls;
    if (seconds != 0 && polls > seconds * 10) return LineResult::timed_out;
  }
}

std::optional<std::string> local_address(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (fd < 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET)
    return std::nullopt;
  return dotted(a);
}

std::optional<std::string> remote_address(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (fd < 0 || ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET)
    return std::nullopt;
  return dotted(a);
}

}  // namespace net
