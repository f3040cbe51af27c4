// File descriptors for the file commands: owned descriptors and whole reads and writes.
#pragma once
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace cmds {

// Closes its descriptor when it goes.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now; false when closing reported an error.
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

inline ssize_t read_some(int fd, char* buf, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buf, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

// Writes all of buf; returns the number of bytes written before an error.
inline size_t write_all(int fd, const char* buf, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, buf + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

}  // namespace cmds
