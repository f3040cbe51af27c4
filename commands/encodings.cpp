#include "commands/encodings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "commands/fd.h"
#include "commands/files.h"
#include "platform/text.h"

namespace cmds {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";

constexpr std::array<int8_t, 256> make_reverse() {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  return t;
}
constexpr std::array<int8_t, 256> kReverse = make_reverse();

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void append_escaped(std::string& out, char mark, unsigned char b) {
  out += mark;
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

void encode_groups(std::string_view b, std::string& out) {
  size_t i = 0;
  for (; i + 3 <= b.size(); i += 3) {
    uint32_t v = (static_cast<unsigned char>(b[i]) << 16) | (static_cast<unsigned char>(b[i + 1]) << 8) |
                 static_cast<unsigned char>(b[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const size_t rest = b.size() - i;
  if (rest == 0) return;
  uint32_t v = static_cast<unsigned char>(b[i]) << 16;
  if (rest == 2) v |= static_cast<unsigned char>(b[i + 1]) << 8;
  out += kAlphabet[v >> 18];
  out += kAlphabet[(v >> 12) & 63];
  out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
  out += '=';
}

bool write_all(int fd, std::string_view s) { return cmds::write_all(fd, s.data(), s.size()) == s.size(); }

// Opens the source, then the target; the target is touched only when the source is open.
FileCodeResult open_pair(const std::string& source, const std::string& target, Fd& in, Fd& out) {
  struct stat st;
  if (::stat(source.c_str(), &st) != 0) return FileCodeResult::source_missing;
  if (S_ISDIR(st.st_mode)) return FileCodeResult::source_unreadable;
  if (same_file(source, target)) return FileCodeResult::same_file;
  Fd src(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (src.get() < 0) return FileCodeResult::source_unreadable;
  Fd dst(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (dst.get() < 0) return FileCodeResult::target_failed;
  in.reset(src.release());
  out.reset(dst.release());
  return FileCodeResult::ok;
}

}  // namespace

std::string base64_encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  encode_groups(bytes, out);
  return out;
}

bool Base64Decoder::feed(std::string_view text, std::string& out) {
  if (stopped_) return false;
  for (unsigned char c : text) {
    if (c == '=') {
      stopped_ = true;
      return false;
    }
    int v = kReverse[c];
    if (v < 0) continue;  // blanks, line ends and every other stray character
    bits_ = (bits_ << 6) | static_cast<uint32_t>(v);
    count_ += 6;
    if (count_ >= 8) {
      count_ -= 8;
      out += static_cast<char>((bits_ >> count_) & 0xFF);
      bits_ &= (1u << count_) - 1;
    }
  }
  return true;
}

std::string base64_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  Base64Decoder d;
  d.feed(text, out);
  return out;
}

void Base64LineEncoder::feed(std::string_view bytes, std::string& out) {
  constexpr size_t kLine = 48;
  while (!bytes.empty()) {
    size_t take = std::min(kLine - pending_.size(), bytes.size());
    pending_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    if (pending_.size() == kLine) {
      encode_groups(pending_, out);
      out += "\r\n";
      pending_.clear();
    }
  }
}

void Base64LineEncoder::finish(std::string& out) {
  if (pending_.empty()) return;
  encode_groups(pending_, out);
  out += "\r\n";
  pending_.clear();
}

std::string quoted_encode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) {
    if (b < 32 || b == '=' || b >= 127) append_escaped(out, '=', b);
    else out += static_cast<char>(b);
  }
  return out;
}

std::string quoted_decode(std::string_view text) {
  if (!text.empty() && text.back() == '=') text.remove_suffix(1);  // a soft line break
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '=' && i + 2 < text.size()) {
      int hi = hex_value(static_cast<unsigned char>(text[i + 1]));
      int lo = hex_value(static_cast<unsigned char>(text[i + 2]));
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 3;
        continue;
      }
    }
    out += text[i];
    ++i;
  }
  return out;
}

std::string percent_encode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) {
    const bool keep = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                      b == '-' || b == '.' || b == '_' || b == '~';
    if (keep) out += static_cast<char>(b);
    else append_escaped(out, '%', b);
  }
  return out;
}

std::string ansi_to_utf8(std::string_view bytes) { return plat::cp1252_to_utf8(bytes); }

std::optional<std::string> utf8_to_ansi(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    int len;
    char32_t cp, min;
    if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
    else return std::nullopt;
    if (i + static_cast<size_t>(len) > text.size()) return std::nullopt;
    for (int k = 1; k < len; ++k) {
      const unsigned char c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    out += static_cast<char>(plat::cp1252_from_code_point(cp));
    i += static_cast<size_t>(len);
  }
  return out;
}

FileCodeResult encode_file_base64(const std::string& source, const std::string& target) {
  Fd in, out;
  FileCodeResult r = open_pair(source, target, in, out);
  if (r != FileCodeResult::ok) return r;
  Base64LineEncoder enc;
  char buf[kCodeBlock];
  std::string text;
  for (;;) {
    ssize_t got = read_some(in.get(), buf, sizeof buf);
    if (got < 0) return FileCodeResult::read_failed;
    text.clear();
    if (got == 0) enc.finish(text);
    else enc.feed(std::string_view(buf, static_cast<size_t>(got)), text);
    if (!write_all(out.get(), text)) return FileCodeResult::write_failed;
    if (got == 0) break;
  }
  return out.close() ? FileCodeResult::ok : FileCodeResult::write_failed;
}

FileCodeResult decode_file_base64(const std::string& source, const std::string& target) {
  Fd in, out;
  FileCodeResult r = open_pair(source, target, in, out);
  if (r != FileCodeResult::ok) return r;
  Base64Decoder dec;
  char buf[kCodeBlock];
  std::string block;  // output collected and written in blocks of kCodeBlock bytes
  block.reserve(2 * kCodeBlock);
  for (;;) {
    ssize_t got = read_some(in.get(), buf, sizeof buf);
    if (got < 0) return FileCodeResult::read_failed;
    bool more = got > 0 && dec.feed(std::string_view(buf, static_cast<size_t>(got)), block);
    while (block.size() >= kCodeBlock) {
      if (!write_all(out.get(), std::string_view(block).substr(0, kCodeBlock))) return FileCodeResult::write_failed;
      block.erase(0, kCodeBlock);
    }
    if (!more) break;
  }
  if (!write_all(out.get(), block)) return FileCodeResult::write_failed;
  return out.close() ? FileCodeResult::ok : FileCodeResult::write_failed;
}

}  // namespace cmds
