// rlstub: the fixed main program of every generated program; its script is the payload.
//
// dcc32 puts it behind rlfront, which checks the whole file and then runs this from
// memory (see exe_image.h), handing over the open image in ROTEIRAL_IMAGE.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/exe_image.h"
#include "runtime/rlplus.h"

namespace {

bool is_directory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string own_path() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string take_env(const char* name) {
  const char* v = std::getenv(name);
  std::string out = v ? v : "";
  ::unsetenv(name);
  return out;
}

// This process runs from memory, so the root is never looked for beside it: ROTEIRAL_ROOT
// when set, else the root of the compiler that made the program, else the one beside the
// program's file, else the installed one. It goes into the environment, and the
// compiler's helper folder onto the end of PATH, for the programs the script starts.
void choose_folders(const app::Payload& p, const std::string& image_path) {
  const char* set = std::getenv("ROTEIRAL_ROOT");
  if (set == nullptr || *set == '\0') {
    std::string root = "/usr/share/roteiral/root";
    const size_t slash = image_path.rfind('/');
    const std::string beside = slash == std::string::npos ? "" : image_path.substr(0, slash) + "/../root";
    if (is_directory(p.root)) root = p.root;
    else if (is_directory(beside)) root = beside;
    ::setenv("ROTEIRAL_ROOT", root.c_str(), 1);
  }
  if (is_directory(p.libexec)) {
    const char* path = std::getenv("PATH");
    const std::string joined = path && *path ? std::string(path) + ":" + p.libexec : p.libexec;
    ::setenv("PATH", joined.c_str(), 1);
  }
}

// Reads the payload through the image the front checked and left open: "FD:OFFSET:SIZE".
bool load_payload(const std::string& image, app::Payload& p) {
  unsigned long long fd = 0, offset = 0, size = 0;
  int used = 0;
  if (std::sscanf(image.c_str(), "%llu:%llu:%llu%n", &fd, &offset, &size, &used) != 3 ||
      static_cast<size_t>(used) != image.size() || fd > 1000000)
    return false;
  app::ImageLayout layout;
  layout.payload_offset = offset;
  layout.payload_size = size;
  const bool ok = app::read_payload(static_cast<int>(fd), layout, p);
  ::close(static_cast<int>(fd));
  return ok;
}

// Said on the console, so a user who started the program from a window hears why nothing
// runs; the front has already said it on standard error unless this was started alone.
int refuse(int argc, char** argv, const std::string& name, bool say_on_stderr) {
  const std::string line = plat::utf8_to_cp1252(name) + ": execut\xE1vel danificado";
  if (say_on_stderr) std::fprintf(stderr, "%s\n", plat::cp1252_to_utf8(line).c_str());
  auto rt = rl::make_program_runtime(argc > 0 ? argv[0] : "", argc, argv);
  rl::inicializa(*rt, plat::utf8_to_cp1252(name));
  speech::write_line_and_speak(rt->speech, line);
  rl::finish(*rt);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string image = take_env("ROTEIRAL_IMAGE");
  std::string image_path = take_env("ROTEIRAL_IMAGE_PATH");
  if (image_path.empty()) image_path = own_path();  // started by hand, from its own file
  std::string name = argc > 0 && argv[0] ? argv[0] : "programa";
  if (size_t slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);

  app::Payload payload;
  const bool from_front = !image.empty();
  const bool loaded = from_front && image != "damaged" && load_payload(image, payload);
  choose_folders(payload, image_path);
  if (!loaded) return refuse(argc, argv, name, !from_front || image != "damaged");

  auto rt = rl::make_program_runtime(argv[0], argc, argv);
  rl::inicializa(*rt, payload.title);
  for (size_t i = 0; i < payload.lines.size(); ++i) rl::carregascript(*rt, payload.lines[i], static_cast<int>(i + 1));
  rl::processa(*rt);
  rl::finish(*rt);
  return 0;
}
