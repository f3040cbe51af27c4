#include "console/keys.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/text.h"

namespace zn {
namespace {

constexpr size_t kMaxSequence = 64;  // a longer "sequence" is garbage, not a key
constexpr size_t kMaxQueued = 4096;  // bytes read ahead of the key buffer

bool is_alnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A terminal sends Shift+letter as the capital letter: the only modifier a plain
// character shows.
bool is_capital(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || c == 0x8A ||
         c == 0x8C || c == 0x8E || c == 0x9F;
}

Mods typed_mods(uint8_t c) { return Mods{.shift = is_capital(c)}; }

// The xterm modifier parameter: 1 + (1 shift, 2 alt, 4 ctrl).
bool mods_from_parameter(int m, Mods& mods) {
  if (m < 1 || m > 8) return false;
  const int bits = m - 1;
  mods.shift = bits & 1;
  mods.alt = bits & 2;
  mods.ctrl = bits & 4;
  return true;
}

// "1;5" -> {1, 5}; an empty field is -1. False when anything but digits and ';' is there.
bool split_parameters(std::string_view p, std::vector<int>& out) {
  int value = -1;
  for (char c : p) {
    if (c == ';') {
      out.push_back(value);
      value = -1;
    } else if (c >= '0' && c <= '9') {
      value = std::min((value < 0 ? 0 : value) * 10 + (c - '0'), 1000000);
    } else {
      return false;
    }
  }
  out.push_back(value);
  return true;
}

bool tilde_key(int n, Key& key) {
  switch (n) {
    case 1: case 7: key = Key::Home; return true;
    case 2: key = Key::Insert; return true;
    case 3: key = Key::Delete; return true;
    case 4: case 8: key = Key::End; return true;
    case 5: key = Key::PageUp; return true;
    case 6: key = Key::PageDown; return true;
    case 11: key = Key::F1; return true;
    case 12: key = Key::F2; return true;
    case 13: key = Key::F3; return true;
    case 14: key = Key::F4; return true;
    case 15: key = Key::F5; return true;
    case 17: key = Key::F6; return true;
    case 18: key = Key::F7; return true;
    case 19: key = Key::F8; return true;
    case 20: key = Key::F9; return true;
    case 21: key = Key::F10; return true;
    case 23: key = Key::F11; return true;
    case 24: key = Key::F12; return true;
    default: return false;
  }
}

// Final letters shared by CSI and SS3: cursor keys and F1-F4.
bool letter_key(char c, Key& key) {
  switch (c) {
    case 'A': key = Key::Up; return true;
    case 'B': key = Key::Down; return true;
    case 'C': key = Key::Right; return true;
    case 'D': key = Key::Left; return true;
    case 'H': key = Key::Home; return true;
    case 'F': key = Key::End; return true;
    case 'P': key = Key::F1; return true;
    case 'Q': key = Key::F2; return true;
    case 'R': key = Key::F3; return true;
    case 'S': key = Key::F4; return true;
    default: return false;
  }
}

// A key reported by code point (CSI code;mods u).
void code_point_key(Console& con, int code, Mods mods) {
  switch (code) {
    case 13: con.key_typed(13, mods); return;
    case 27: con.key_typed(27, mods); return;
    case 127: con.key_typed(8, mods); return;
    case 8: mods.ctrl = true; con.key_typed(8, mods); return;
    case 9: con.key_typed(9, mods); return;
    default: break;
  }
  if (code < 32 || code > 0x10FFFF) return;
  if (mods.alt && code < 128 && is_alnum(static_cast<unsigned char>(code))) {
    const bool lower = code >= 'a' && code <= 'z';
    con.key_alt(static_cast<uint8_t>(mods.shift && lower ? code - 32 : code));
    return;
  }
  if (mods.ctrl && code < 128 && ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z'))) {
    mods.shift = mods.shift || is_capital(static_cast<uint8_t>(code));
    con.key_typed(static_cast<uint8_t>(code & 0x1F), mods);
    return;
  }
  const uint8_t ch = plat::cp1252_from_code_point(static_cast<char32_t>(code));
  mods.shift = mods.shift || is_capital(ch);
  con.key_typed(ch, mods);
}

}  // namespace

void KeyDecoder::decode(Console& con, bool final) {
  incomplete_ = false;
  size_t pos = 0;
  // Room for the longest key (0 and a code) before each one.
  while (pos < queue_.size() && con.key_count() <= kKeyBufferSize - 2) {
    const size_t used = decode_one(con, pos, final);
    if (used == 0) {
      incomplete_ = true;
      break;
    }
    pos += used;
  }
  queue_.erase(0, pos);
}

size_t KeyDecoder::decode_one(Console& con, size_t pos, bool final) {
  const auto b = static_cast<unsigned char>(queue_[pos]);
  if (after_cr_) {
    after_cr_ = false;
    if (b == '\n') return 1;
  }
  if (b == '\r') {
    con.key_char(13, false);
    after_cr_ = true;
    return 1;
  }
  if (b == '\n') {
    con.key_char(13, false);
    return 1;
  }
  if (b == 0x1B) return decode_escape(con, pos, final);
  if (b == 0x7F) {
    con.key_char(8, false);
    return 1;
  }
  if (b == 0x08) {
    con.key_char(8, true);
    return 1;
  }
  if (b >= 0x01 && b <= 0x1A) {  // Ctrl+letter; 0x09 is the Tab key itself
    con.key_typed(b, Mods{.ctrl = b != 0x09});
    return 1;
  }
  if (b >= 0x1C && b <= 0x1F) {  // Ctrl+\ Ctrl+] Ctrl+^ Ctrl+_, as the window gives them
    con.key_typed(b, Mods{.ctrl = true});
    return 1;
  }
  if (b < 0x20) return 1;  // NUL carries no key of ours
  if (b < 0x80) {
    con.key_typed(b, typed_mods(b));
    return 1;
  }
  return decode_utf8(con, pos, final);
}

size_t KeyDecoder::decode_escape(Console& con, size_t pos, bool final) {
  if (pos + 1 >= queue_.size()) {
    if (!final) return 0;
    con.key_char(27, false);
    return 1;
  }
  const auto next = static_cast<unsigned char>(queue_[pos + 1]);
  if (next == 0x1B) {
    con.key_char(27, false);
    return 2;
  }
  if (next == '[') return decode_csi(con, pos, final);
  if (next == 'O') return decode_ss3(con, pos, final);
  if (is_alnum(next)) {
    con.key_alt(next);
    return 2;
  }
  // Esc, then whatever was typed after it.
  con.key_char(27, false);
  return 1;
}

size_t KeyDecoder::decode_csi(Console& con, size_t pos, bool final) {
  const size_t start = pos + 2;
  size_t i = start;
  // The Linux console's F1-F5: ESC [ [ A..E.
  if (i < queue_.size() && queue_[i] == '[') {
    if (i + 1 >= queue_.size()) return final ? queue_.size() - pos : 0;
    const char c = queue_[i + 1];
    if (c >= 'A' && c <= 'E') con.key_down(static_cast<Key>(static_cast<int>(Key::F1) + (c - 'A')), {});
    return i + 2 - pos;
  }
  std::string_view params;
  bool intermediates = false;
  for (;; ++i) {
    if (i >= queue_.size()) {
      if (!final) return 0;
      if (i == start) {  // "ESC [" alone: Esc, then '['
        con.key_char(27, false);
        return 1;
      }
      return i - pos;  // a cut sequence is dropped
    }
    if (i - pos > kMaxSequence) return i - pos;
    const auto c = static_cast<unsigned char>(queue_[i]);
    if (c >= 0x30 && c <= 0x3F) {
      if (intermediates) return i - pos;  // parameters after intermediates: malformed
      continue;
    }
    if (c >= 0x20 && c <= 0x2F) {
      intermediates = true;
      continue;
    }
    if (c < 0x40 || c > 0x7E) return i - pos;  // broken off: the byte is decoded anew
    params = std::string_view(queue_).substr(start, i - start);
    break;
  }
  const size_t used = i + 1 - pos;
  if (intermediates) return used;
  const char final_byte = queue_[i];
  std::vector<int> nums;
  if (!split_parameters(params, nums)) return used;
  Mods mods;
  if (nums.size() >= 2 && !mods_from_parameter(nums[1], mods)) return used;
  if (nums.size() > 2) return used;
  Key key;
  if (final_byte == '~') {
    if (tilde_key(nums[0], key)) con.key_down(key, mods);
  } else if (final_byte == 'u') {
    if (nums[0] >= 0) code_point_key(con, nums[0], mods);
  } else if (final_byte == 'Z') {  // Shift+Tab
    if (params.empty()) con.key_typed(9, Mods{.shift = true});
  } else if (letter_key(final_byte, key) && nums[0] <= 1) {
    con.key_down(key, mods);
  }
  return used;
}

size_t KeyDecoder::decode_ss3(Console& con, size_t pos, bool final) {
  const size_t start = pos + 2;
  size_t i = start;
  for (;; ++i) {
    if (i >= queue_.size()) {
      if (!final) return 0;
      if (i == start) {  // "ESC O" alone was Alt+O
        con.key_alt('O');
        return 2;
      }
      return i - pos;
    }
    const auto c = static_cast<unsigned char>(queue_[i]);
    if ((c >= '0' && c <= '9') || c == ';') {
      if (i - start >= 8) return i - pos;
      continue;
    }
    break;
  }
  const auto c = static_cast<unsigned char>(queue_[i]);
  if (c < 0x40 || c > 0x7E) {
    if (i == start) {  // Alt+O, then a byte of its own
      con.key_alt('O');
      return 2;
    }
    return i - pos;
  }
  std::vector<int> nums;
  split_parameters(std::string_view(queue_).substr(start, i - start), nums);
  Mods mods;
  // Some terminals send the modifier alone (ESC O 5 P); others as "1;5".
  if (nums.back() > 1 && !mods_from_parameter(nums.back(), mods)) return i + 1 - pos;
  Key key;
  if (letter_key(static_cast<char>(c), key)) con.key_down(key, mods);
  return i + 1 - pos;
}

size_t KeyDecoder::decode_utf8(Console& con, size_t pos, bool final) {
  const auto lead = static_cast<unsigned char>(queue_[pos]);
  size_t len = 0;
  if (lead >= 0xC2 && lead <= 0xDF) len = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) len = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) len = 4;
  if (len == 0) {
    con.key_char('?', false);
    return 1;
  }
  for (size_t k = 1; k < len; ++k) {
    if (pos + k >= queue_.size()) {
      if (!final) return 0;
      con.key_char('?', false);
      return 1;
    }
    const auto c = static_cast<unsigned char>(queue_[pos + k]);
    if ((c & 0xC0) != 0x80) {  // cut short: the lead alone is bad
      con.key_char('?', false);
      return 1;
    }
  }
  const std::string ch = plat::utf8_to_cp1252(std::string_view(queue_).substr(pos, len));
  const uint8_t c = ch.size() == 1 ? static_cast<uint8_t>(ch[0]) : '?';
  con.key_typed(c, typed_mods(c));
  return len;
}

namespace {

// Rounded down, so time left is never counted as gone.
int ms_since(std::chrono::steady_clock::time_point t) {
  return static_cast<int>(std::chrono::floor<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - t)
                              .count());
}

// poll() on at most one descriptor, with an optional signal mask for the wait; -1 waits forever.
int wait_for(pollfd* fd, int timeout_ms, const sigset_t* mask) {
  timespec ts{};
  timespec* tsp = nullptr;
  if (timeout_ms >= 0) {
    ts.tv_sec = timeout_ms / 1000;
    ts.tv_nsec = static_cast<long>(timeout_ms % 1000) * 1000000L;
    tsp = &ts;
  }
  return ppoll(fd, fd ? 1 : 0, tsp, mask);
}

}  // namespace

void KeyInput::read_some() {
  char buf[4096];
  const size_t room = std::min(sizeof buf, kMaxQueued - decoder_.queued());
  const ssize_t n = read(fd_, buf, room);
  if (n > 0) {
    decoder_.feed(std::string_view(buf, static_cast<size_t>(n)));
    last_bytes_ = std::chrono::steady_clock::now();
  } else if (n == 0) {
    ended_ = true;
  } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
    ended_ = true;  // EIO after a hang-up, a closed descriptor: nothing more will come
  }
}

bool KeyInput::pump(Console& con, int timeout_ms, const std::function<void()>& on_wake,
                    const sigset_t* wait_mask) {
  const auto start = std::chrono::steady_clock::now();
  const int before = con.key_count();
  bool waited = false;
  for (;;) {
    if (on_wake) on_wake();
    if (con.closed()) return true;
    decoder_.decode(con, ended_);
    if (con.key_count() > before) return true;
    int wait = -1;
    if (timeout_ms >= 0) wait = std::max(0, timeout_ms - ms_since(start));
    if (ended_ && decoder_.empty()) {
      if (timeout_ms != 0 && con.key_count() == 0) return false;
      // Nothing more can come; still wait out the time so a caller's loop does not spin.
      if (wait > 0) wait_for(nullptr, wait, wait_mask);
      return true;
    }
    if (waited && wait == 0) return true;
    if (decoder_.incomplete()) {
      const int esc_left = kEscapeTimeoutMs - ms_since(last_bytes_);
      if (esc_left <= 0) {
        decoder_.decode(con, true);
        continue;
      }
      if (wait < 0 || esc_left < wait) wait = esc_left;
    }
    const bool want_bytes = !ended_ && decoder_.queued() < kMaxQueued;
    if (!want_bytes && wait < 0) return true;  // full and nothing to wait for
    pollfd p{fd_, POLLIN, 0};
    const int r = wait_for(want_bytes ? &p : nullptr, wait, wait_mask);
    waited = true;
    if (r < 0) {
      if (errno != EINTR) ended_ = true;
      continue;
    }
    if (r > 0) read_some();
  }
}

}  // namespace zn
