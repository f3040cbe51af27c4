// Helpers shared by the fuzz targets: in-memory files and splitting one input into parts.
#pragma once
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// A file that lives only in memory, reachable by path through /proc.
class MemFile {
 public:
  MemFile() : fd_(::memfd_create("roteiral-fuzz", 0)) {}
  ~MemFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;

  // Replaces the contents; the path stays the same.
  bool set(std::string_view bytes) {
    if (fd_ < 0 || ::ftruncate(fd_, 0) != 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  int fd() const { return fd_; }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

// Splits the input at the first `count - 1` occurrences of the separator; the last part
// keeps the rest, separators included.
inline std::vector<std::string_view> split(std::string_view in, char sep, size_t count) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < count) {
    size_t p = in.find(sep);
    if (p == std::string_view::npos) break;
    parts.push_back(in.substr(0, p));
    in.remove_prefix(p + 1);
  }
  parts.push_back(in);
  while (parts.size() < count) parts.emplace_back();
  return parts;
}

inline std::string_view as_text(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz
