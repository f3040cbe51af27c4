// Drives the console's overlay and clipboard on the window backend, for tests/e2e/window_probe.sh
// (no script command reaches them yet). Steps run in the order given:
//   overlay=PATH@X,Y[*SCALE]  load a BMP and draw it; says "overlay ok" or "overlay failed"
//   remove                    remove the overlay
//   put=TEXT                  TEXT (UTF-8) onto the clipboard
//   get                       says "clip=TEXT" (UTF-8) or "clip unavailable"
//   wait                      says "waiting" and reads a line typed into the window
// Then the program ends as the runtime's programs do, the window kept until it is closed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/ZnCrt.h"
#include "platform/text.h"

namespace {

void say(const std::string& s) {
  std::printf("%s\n", s.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  zn::Console con;
  con.set_backend(zn::make_backend(zn::BackendKind::window));
  if (const char* root = std::getenv("ROTEIRAL_ROOT")) con.set_profile_path(std::string(root) + "/windows/ZUNAPE.INI");
  con.set_title("sonda");
  con.set_background(1);
  con.set_text_colour(15);
  con.clear_screen();
  con.write("Sonda da janela\r\n");
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    if (step.rfind("overlay=", 0) == 0) {
      const std::string arg = step.substr(8);
      const size_t at = arg.rfind('@');
      int x = 0, y = 0;
      double scale = 1.0;
      if (at == std::string::npos || std::sscanf(arg.c_str() + at + 1, "%d,%d*%lf", &x, &y, &scale) < 2) {
        say("bad step " + step);
        return 2;
      }
      const bool ok = con.load_overlay(arg.substr(0, at));
      if (ok) {
        con.set_overlay_scale(scale);
        con.draw_overlay_at(x, y);
      }
      say(ok ? "overlay ok" : "overlay failed");
    } else if (step == "remove") {
      con.remove_overlay();
      say("removed");
    } else if (step.rfind("put=", 0) == 0) {
      con.put_clipboard(plat::utf8_to_cp1252(step.substr(4)));
      say("put");
    } else if (step == "get") {
      const auto text = con.clipboard_text(255);
      say(text ? "clip=" + plat::cp1252_to_utf8(*text) : "clip unavailable");
    } else if (step == "wait") {
      say("waiting");
      con.read_line();
    } else {
      say("bad step " + step);
      return 2;
    }
  }
  con.finish();
  return 0;
}
