// How the network waits: console pauses and pumping handed in by the caller.
#pragma once
#include <functional>
#include <string_view>

namespace net {

// The network never talks to the console itself; the runtime gives it these. A missing
// one falls back to a plain sleep or to doing nothing.
struct Hooks {
  std::function<void(int ms)> pause;  // the console's delay: keys and messages keep flowing
  std::function<void()> pump;         // let the console take in what arrived meanwhile
  std::function<bool()> closed;       // the window was closed: every wait gives up
  std::function<void(std::string_view)> console_line;  // a line shown, not spoken
};

void pause(const Hooks& h, int ms);
void pump(const Hooks& h);
bool closed(const Hooks& h);
void console_line(const Hooks& h, std::string_view text);

// Waits up to ms for fd to be ready for events (POLLIN / POLLOUT), in slices that let the
// console pump; false on time-out, a closed window or a poll error.
bool wait_fd(const Hooks& h, int fd, short events, int ms);

}  // namespace net
