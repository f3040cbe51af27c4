// Keys from a terminal's byte stream: decoding escape sequences into console keys.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "console/ZnCrt.h"

namespace zn {

// Turns the bytes a terminal sends into calls on the console's key entry points.
// Bytes may arrive split anywhere; an incomplete sequence waits for the rest.
class KeyDecoder {
 public:
  // Queues raw bytes; nothing reaches the console before decode().
  void feed(std::string_view bytes) { queue_.append(bytes); }
  // Decodes whole keys from the front of the queue while the console has room for one
  // more key, so typed-ahead input is never lost to a full key buffer. An incomplete
  // sequence at the end of the queue waits, unless final (end of input, or the lone ESC
  // timeout), when it is taken as it stands.
  void decode(Console& con, bool final = false);
  // The queue ends in the start of a sequence that may still be completed.
  bool incomplete() const { return incomplete_; }
  bool empty() const { return queue_.empty(); }
  size_t queued() const { return queue_.size(); }

 private:
  // Decodes one key at pos; returns the bytes it used, or 0 when more bytes are needed.
  size_t decode_one(Console& con, size_t pos, bool final);
  size_t decode_escape(Console& con, size_t pos, bool final);
  size_t decode_csi(Console& con, size_t pos, bool final);
  size_t decode_ss3(Console& con, size_t pos, bool final);
  size_t decode_utf8(Console& con, size_t pos, bool final);

  std::string queue_;
  bool incomplete_ = false;
  bool after_cr_ = false;  // a CR was Enter: a LF right after it belongs to the same key
};

// A lone ESC becomes the Esc key once no byte has followed it for this long.
inline constexpr int kEscapeTimeoutMs = 50;

// Reads keys from a file descriptor for a backend's pump: polls, reads, decodes, resolves
// a lone ESC after the timeout, and notes the end of input.
class KeyInput {
 public:
  explicit KeyInput(int fd) : fd_(fd), ended_(fd < 0) {}
  // Same contract as ConsoleBackend::pump. `on_wake` runs before every wait and after it
  // (the caller's signal checks); while waiting the signal mask is `wait_mask` if given.
  bool pump(Console& con, int timeout_ms, const std::function<void()>& on_wake = {},
            const sigset_t* wait_mask = nullptr);
  bool ended() const { return ended_; }

 private:
  void read_some();

  int fd_;
  bool ended_;
  KeyDecoder decoder_;
  std::chrono::steady_clock::time_point last_bytes_{};
};

}  // namespace zn
