// Headless: keys from a descriptor (usually standard input), the output copied as UTF-8.
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "console/ZnCrt.h"
#include "console/keys.h"
#include "platform/text.h"

namespace zn {
namespace {

// Writes everything, or gives up on the first error: a reader that went away must not
// stop the program. SIGPIPE is held back for the write and a pending one of ours consumed,
// so nothing global changes (a child started later still gets the default disposition).
void write_all(int fd, std::string_view data) {
  sigset_t pipe_set, old_mask, pending;
  sigemptyset(&pipe_set);
  sigaddset(&pipe_set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_set, &old_mask);
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE);
  bool broken = false;
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      broken = n < 0 && errno == EPIPE;
      break;
    }
  }
  if (broken && !was_pending) {
    const timespec zero{};
    sigtimedwait(&pipe_set, nullptr, &zero);
  }
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
}

class HeadlessBackend final : public ConsoleBackend {
 public:
  HeadlessBackend(int in_fd, int out_fd) : input_(in_fd), out_fd_(out_fd) {}

  bool pump(Console& con, int timeout_ms) override { return input_.pump(con, timeout_ms); }
  // No desktop here: copy and paste stay within the process.
  bool set_clipboard(const std::string& utf8) override {
    clipboard_ = utf8;
    return true;
  }
  std::optional<std::string> clipboard() override { return clipboard_; }

  void copy_output(std::string_view bytes) override {
    if (out_fd_ < 0) return;
    // The line end is written as "\r\n" in one piece; a copy read as text wants "\n".
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
      text += bytes[i];
    }
    write_all(out_fd_, plat::cp1252_to_utf8(text));
  }

 private:
  KeyInput input_;
  int out_fd_;
  std::string clipboard_;
};

}  // namespace

std::unique_ptr<ConsoleBackend> make_headless_backend(int in_fd, int out_fd) {
  return std::make_unique<HeadlessBackend>(in_fd, out_fd);
}

}  // namespace zn
