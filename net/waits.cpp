// The network's waits, through the console hooks the caller handed in.
#include "net/waits.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace net {

void pause(const Hooks& h, int ms) {
  if (h.pause) h.pause(ms);
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void pump(const Hooks& h) {
  if (h.pump) h.pump();
}

bool closed(const Hooks& h) { return h.closed && h.closed(); }

void console_line(const Hooks& h, std::string_view text) {
  if (h.console_line) h.console_line(text);
}

bool wait_fd(const Hooks& h, int fd, short events, int ms) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(std::max(ms, 0));
  for (;;) {
    if (closed(h)) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - clock::now()).count();
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::clamp<int64_t>(left, 0, 100)));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
    pump(h);
    if (left <= 0) return false;
  }
}

}  // namespace net
