// Which backend shows the console: chosen by ROTEIRAL_CONSOLE or from the environment.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/ZnCrt.h"

namespace zn {
namespace {

bool set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

bool on_terminal() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

}  // namespace

BackendKind backend_kind_from_environment() {
  if (const char* v = std::getenv("ROTEIRAL_CONSOLE")) {
    const std::string_view s(v);
    if (s == "window") return BackendKind::window;
    if (s == "terminal") return BackendKind::terminal;
    if (s == "headless") return BackendKind::headless;
    // Anything else: as if unset.
  }
  if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return BackendKind::window;
  if (on_terminal()) return BackendKind::terminal;
  return BackendKind::headless;
}

std::unique_ptr<ConsoleBackend> make_backend(BackendKind kind) {
  if (kind == BackendKind::window) {
    std::string why;
    if (auto b = make_window_backend(why)) return b;
    // One line, so the user knows why there is no window.
    std::unique_ptr<ConsoleBackend> b = on_terminal() ? make_terminal_backend() : nullptr;
    std::fprintf(stderr, "A janela do console não abriu (%s); o console segue %s.\n", why.c_str(),
                 b ? "no terminal" : "sem tela, na entrada e saída padrão");
    if (b) return b;
    return make_headless_backend(STDIN_FILENO, STDOUT_FILENO);
  }
  if (kind == BackendKind::terminal) {
    if (auto b = make_terminal_backend()) return b;
  }
  return make_headless_backend(STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace zn
