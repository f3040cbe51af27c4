// The payload format and the checked trailer of generated programs.
#include "app/exe_image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "app/dprsource.h"

namespace app {

namespace {

constexpr char kMagic[8] = {'R', 'L', 'P', 'A', 'Y', 'L', 'D', '2'};
constexpr char kMagicHead[8] = {'R', 'L', 'S', 'T', 'U', 'B', '0', '1'};
constexpr size_t kChunk = 1 << 20;
constexpr uint64_t kMaxHead = 1 << 16;

// Eight tables so the CRC takes eight bytes a step: checking a whole program at every
// start must stay a few milliseconds.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables make_tables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    for (int s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
  return t;
}

constexpr CrcTables kCrc = make_tables();

void put_u32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put_u64(std::string& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint64_t get_le(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void put_text(std::string& out, std::string_view s) {
  put_u64(out, s.size());
  out.append(s);
}

// Takes one length-prefixed text off the front of in; false when it does not fit.
bool take_text(std::string_view& in, std::string& s) {
  if (in.size() < 8) return false;
  uint64_t n = get_le(reinterpret_cast<const unsigned char*>(in.data()), 8);
  in.remove_prefix(8);
  if (n > in.size()) return false;
  s.assign(in.substr(0, n));
  in.remove_prefix(n);
  return true;
}

bool write_all(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool pread_all(int fd, void* data, size_t size, uint64_t offset) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

uint32_t crc32_update(uint32_t crc, const void* data, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  uint32_t c = ~crc;
  while (size >= 8) {
    uint32_t lo = c ^ (static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
    c = kCrc[7][lo & 0xFF] ^ kCrc[6][(lo >> 8) & 0xFF] ^ kCrc[5][(lo >> 16) & 0xFF] ^ kCrc[4][lo >> 24] ^
        kCrc[3][p[4]] ^ kCrc[2][p[5]] ^ kCrc[1][p[6]] ^ kCrc[0][p[7]];
    p += 8;
    size -= 8;
  }
  while (size-- > 0) c = kCrc[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

std::string encode_payload(const Payload& p) {
  std::string out;
  size_t total = 32 + p.title.size() + p.root.size() + p.libexec.size();
  for (const auto& l : p.lines) total += 8 + l.size();
  out.reserve(total);
  put_text(out, p.title);
  put_text(out, p.root);
  put_text(out, p.libexec);
  put_u64(out, p.lines.size());
  for (const auto& l : p.lines) put_text(out, l);
  return out;
}

bool decode_payload(std::string_view in, Payload& p) {
  Payload got;
  if (!take_text(in, got.title) || !take_text(in, got.root) || !take_text(in, got.libexec) || in.size() < 8) return false;
  uint64_t count = get_le(reinterpret_cast<const unsigned char*>(in.data()), 8);
  in.remove_prefix(8);
  // Each line takes at least its 8-byte length, so a count the bytes cannot hold is false.
  if (count > static_cast<uint64_t>(kMaxScriptLines) || count > in.size() / 8) return false;
  got.lines.resize(count);
  for (auto& l : got.lines) {
    if (!take_text(in, l)) return false;
  }
  if (!in.empty()) return false;
  p = std::move(got);
  return true;
}

namespace {

// Copies in_fd to its end, continuing crc and taking a CRC of the copied bytes alone.
bool copy_all(int in_fd, int out_fd, uint32_t& crc, uint32_t& own_crc, uint64_t& size, std::string& why) {
  std::string buf(kChunk, '\0');
  size = 0;
  for (;;) {
    ssize_t n = ::read(in_fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::strerror(errno);
      return false;
    }
    if (n == 0) return true;
    crc = crc32_update(crc, buf.data(), static_cast<size_t>(n));
    own_crc = crc32_update(own_crc, buf.data(), static_cast<size_t>(n));
    size += static_cast<uint64_t>(n);
    if (!write_all(out_fd, buf.data(), static_cast<size_t>(n))) {
      why = std::strerror(errno);
      return false;
    }
  }
}

// The CRC of size bytes of fd from offset; false when they cannot all be read.
bool crc_of(int fd, uint64_t offset, uint64_t size, uint32_t& crc) {
  std::string buf(kChunk, '\0');
  while (size > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), size));
    if (!pread_all(fd, buf.data(), want, offset)) return false;
    crc = crc32_update(crc, buf.data(), want);
    offset += want;
    size -= want;
  }
  return true;
}

uint64_t file_size(int fd) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace

uint64_t elf_file_size(int fd) {
  unsigned char h[64];
  if (!pread_all(fd, h, sizeof h, 0)) return 0;
  if (std::memcmp(h, "\x7F" "ELF", 4) != 0 || h[4] != 2 || h[5] != 1) return 0;
  const uint64_t shoff = get_le(h + 0x28, 8);
  const uint64_t shentsize = get_le(h + 0x3A, 2), shnum = get_le(h + 0x3C, 2);
  if (shoff > (uint64_t{1} << 40)) return 0;
  return shoff + shentsize * shnum;
}

bool write_image(int front_fd, int runtime_fd, int out_fd, const Payload& p, std::string& why) {
  const uint64_t front_size = elf_file_size(front_fd);
  if (front_size == 0 || front_size != file_size(front_fd)) {
    why = "the front is not a whole ELF program";
    return false;
  }
  if (::lseek(front_fd, 0, SEEK_SET) != 0) {
    why = std::strerror(errno);
    return false;
  }
  uint32_t crc = 0, unused = 0;
  uint64_t copied = 0;
  if (!copy_all(front_fd, out_fd, crc, unused, copied, why)) return false;
  // The head needs the runtime's size and CRC before the runtime is copied.
  const uint64_t runtime_size = file_size(runtime_fd);
  uint32_t runtime_crc = 0;
  if (runtime_size == 0 || !crc_of(runtime_fd, 0, runtime_size, runtime_crc)) {
    why = "the runtime stub is empty or unreadable";
    return false;
  }
  std::string head(kMagicHead, sizeof kMagicHead);
  put_u64(head, runtime_size);
  put_u32(head, runtime_crc);
  put_u32(head, kImageVersion);
  put_text(head, p.root);
  put_text(head, p.libexec);
  put_u32(head, crc32_update(0, head.data(), head.size()));
  const uint64_t runtime_offset = front_size + head.size();
  crc = crc32_update(crc, head.data(), head.size());
  if (!write_all(out_fd, head.data(), head.size())) {
    why = std::strerror(errno);
    return false;
  }
  uint32_t check = 0;
  if (!copy_all(runtime_fd, out_fd, crc, check, copied, why)) return false;
  if (copied != runtime_size || check != runtime_crc) {
    why = "the runtime stub changed while it was copied";
    return false;
  }
  std::string tail = encode_payload(p);
  const uint64_t payload_size = tail.size();
  tail.append(kMagic, sizeof kMagic);
  put_u64(tail, runtime_offset);
  put_u64(tail, runtime_size);
  put_u64(tail, payload_size);
  put_u32(tail, kImageVersion);
  crc = crc32_update(crc, tail.data(), tail.size());
  put_u32(tail, crc);
  if (!write_all(out_fd, tail.data(), tail.size())) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

ImageStatus check_image(int fd, ImageLayout& layout) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return ImageStatus::unreadable;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size < kTrailerSize) return ImageStatus::damaged;
  unsigned char t[kTrailerSize];
  if (!pread_all(fd, t, kTrailerSize, size - kTrailerSize)) return ImageStatus::unreadable;
  if (std::memcmp(t, kMagic, sizeof kMagic) != 0) return ImageStatus::damaged;
  ImageLayout got;
  got.runtime_offset = get_le(t + 8, 8);
  got.runtime_size = get_le(t + 16, 8);
  got.payload_size = get_le(t + 24, 8);
  const uint32_t version = static_cast<uint32_t>(get_le(t + 32, 4));
  const uint32_t stored = static_cast<uint32_t>(get_le(t + 36, 4));
  const uint64_t body = size - kTrailerSize;
  if (version != kImageVersion || got.runtime_offset > body || got.runtime_size > body - got.runtime_offset ||
      got.payload_size != body - got.runtime_offset - got.runtime_size)
    return ImageStatus::damaged;
  got.payload_offset = got.runtime_offset + got.runtime_size;
  uint32_t crc = 0;
  if (!crc_of(fd, 0, size - 4, crc)) return ImageStatus::unreadable;
  if (crc != stored) return ImageStatus::damaged;
  layout = got;
  return ImageStatus::ok;
}

bool read_head(int fd, uint64_t front_size, Head& head) {
  const uint64_t size = file_size(fd);
  if (front_size == 0 || front_size >= size) return false;
  // The two folders are paths: a head is never near this long.
  std::string bytes(static_cast<size_t>(std::min<uint64_t>(size - front_size, kMaxHead)), '\0');
  if (!pread_all(fd, bytes.data(), bytes.size(), front_size)) return false;
  std::string_view in = bytes;
  if (in.size() < 24 || in.substr(0, sizeof kMagicHead) != std::string_view(kMagicHead, sizeof kMagicHead)) return false;
  const auto* u = reinterpret_cast<const unsigned char*>(in.data());
  Head got;
  got.runtime_size = get_le(u + 8, 8);
  got.runtime_crc = static_cast<uint32_t>(get_le(u + 16, 4));
  if (get_le(u + 20, 4) != kImageVersion) return false;
  std::string_view rest = in.substr(24);
  if (!take_text(rest, got.root) || !take_text(rest, got.libexec) || rest.size() < 4) return false;
  const size_t length = in.size() - rest.size();
  if (crc32_update(0, in.data(), length) != get_le(u + length, 4)) return false;
  got.runtime_offset = front_size + length + 4;
  head = std::move(got);
  return true;
}

bool runtime_is_whole(int fd, const Head& head) {
  const uint64_t size = file_size(fd);
  if (head.runtime_size == 0 || head.runtime_offset > size || head.runtime_size > size - head.runtime_offset)
    return false;
  uint32_t crc = 0;
  return crc_of(fd, head.runtime_offset, head.runtime_size, crc) && crc == head.runtime_crc;
}

bool read_payload(int fd, const ImageLayout& layout, Payload& p) {
  if (layout.payload_size > file_size(fd)) return false;
  std::string bytes(static_cast<size_t>(layout.payload_size), '\0');
  if (!bytes.empty() && !pread_all(fd, bytes.data(), bytes.size(), layout.payload_offset)) return false;
  return decode_payload(bytes, p);
}

}  // namespace app
