// Drives the desktop layer on a window id given, for the tests of windows that have gone:
//   desk_probe ID   prints "state EXISTS", "close OK", "show OK", "activate OK", "frame OK".
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/desktop.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string why;
  std::unique_ptr<plat::Desktop> d = plat::open_x11_desktop(why);
  if (!d) {
    std::printf("no desktop: %s\n", why.c_str());
    return 1;
  }
  const plat::WindowId id = std::strtoull(argv[1], nullptr, 0);
  std::printf("state %d\n", d->state(id).exists ? 1 : 0);
  std::printf("close %d\n", d->close(id) ? 1 : 0);
  std::printf("show %d\n", d->show(id, plat::ShowMode::normal) ? 1 : 0);
  std::printf("activate %d\n", d->activate(id) ? 1 : 0);
  std::printf("frame %d\n", d->frame(id) ? 1 : 0);
  return 0;
}
