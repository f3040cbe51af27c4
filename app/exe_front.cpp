// rlfront: the first part of every generated program; checks the file, then starts the runtime.
//
// It is linked statically and stays small, so a file cut anywhere past it is still found
// damaged here rather than crashing in the loader. The runtime is copied to a memory
// file and executed; it gets the open image and where the payload lies in ROTEIRAL_IMAGE,
// and the program's own path in ROTEIRAL_IMAGE_PATH.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/exe_image.h"

extern char** environ;

namespace {

void say(const std::string& name, const char* utf8_text) { std::fprintf(stderr, "%s: %s\n", name.c_str(), utf8_text); }

std::string own_path() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// Replaces this process with the runtime; returns only when that could not be done.
void start_runtime(int fd, const app::ImageLayout& layout, const std::string& image_env, char** argv) {
  const int mem = ::memfd_create("roteiral", MFD_CLOEXEC);
  if (mem < 0) return;
  off_t from = static_cast<off_t>(layout.runtime_offset);
  uint64_t left = layout.runtime_size;
  while (left > 0) {
    const ssize_t n = ::sendfile(mem, fd, &from, left > (1u << 30) ? (1u << 30) : static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(mem);
      return;
    }
    left -= static_cast<uint64_t>(n);
  }
  // The image stays open for the runtime to read the payload from.
  ::fcntl(fd, F_SETFD, 0);
  ::setenv("ROTEIRAL_IMAGE", image_env.c_str(), 1);
  ::setenv("ROTEIRAL_IMAGE_PATH", own_path().c_str(), 1);
  ::fexecve(mem, argv, environ);
  ::close(mem);
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = argc > 0 && argv[0] ? argv[0] : "programa";
  if (size_t slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
  const int fd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  app::ImageLayout layout;
  const app::ImageStatus status = app::check_image(fd, layout);
  if (status == app::ImageStatus::ok) {
    start_runtime(fd, layout,
                  std::to_string(fd) + ":" + std::to_string(layout.payload_offset) + ":" +
                      std::to_string(layout.payload_size),
                  argv);
    say(name, "n\xC3\xA3o foi poss\xC3\xADvel iniciar o programa");
    return 1;
  }
  if (status == app::ImageStatus::unreadable) {
    say(name, "n\xC3\xA3o foi poss\xC3\xADvel ler o execut\xC3\xA1vel");
    return 1;
  }
  say(name, "execut\xC3\xA1vel danificado");
  // The console says it as well: through the runtime when it is whole, else through the
  // compiler's own rlstub; both need the compiler's root to speak.
  app::Head head;
  if (!app::read_head(fd, app::elf_file_size(fd), head)) return 1;
  const char* root = std::getenv("ROTEIRAL_ROOT");
  if ((root == nullptr || *root == '\0') && !head.root.empty()) ::setenv("ROTEIRAL_ROOT", head.root.c_str(), 1);
  if (app::runtime_is_whole(fd, head)) {
    layout.runtime_offset = head.runtime_offset;
    layout.runtime_size = head.runtime_size;
    start_runtime(fd, layout, "damaged", argv);
  } else if (!head.libexec.empty()) {
    const std::string stub = head.libexec + "/rlstub";
    ::setenv("ROTEIRAL_IMAGE", "damaged", 1);
    ::setenv("ROTEIRAL_IMAGE_PATH", own_path().c_str(), 1);
    ::execv(stub.c_str(), argv);
  }
  return 1;
}
