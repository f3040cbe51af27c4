// Which backend shows the console: chosen by ROTEIRAL_CONSOLE or from the environment.
#include <unistd.h>

#include <cstdlib>
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
    // The window backend is not built yet: until it is, a window request is served by
    // the terminal when there is one, else headless.
    kind = on_terminal() ? BackendKind::terminal : BackendKind::headless;
  }
  if (kind == BackendKind::terminal) {
    if (auto b = make_terminal_backend()) return b;
  }
  return make_headless_backend(STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace zn
