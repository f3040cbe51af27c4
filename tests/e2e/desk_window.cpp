// A small X window for the desktop tests: reports the keys, text and clicks it receives.
//   desk_window TITLE [LONG]  a window titled TITLE (or LONG times the letter X); prints
//                             "ready ID", "key NAME STATE", "text UTF8" at Return,
//                             "button N X Y" and "close", a line each.
//   desk_window --held        prints how many keys are down and the modifier state.
//   desk_window --numlock     prints whether Num Lock is on.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void put_utf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The character of a keysym; 0 for keys that are not characters.
unsigned long code_point(KeySym ks) {
  if ((ks >= 0x20 && ks <= 0x7E) || (ks >= 0xA0 && ks <= 0xFF)) return ks;
  if ((ks & 0xFF000000UL) == 0x01000000UL) return ks & 0x00FFFFFFUL;
  return 0;
}

int held(Display* d) {
  char keys[32];
  XQueryKeymap(d, keys);
  int n = 0;
  for (char k : keys)
    for (int b = 0; b < 8; ++b) n += (k >> b) & 1;
  Window r, c;
  int rx, ry, wx, wy;
  unsigned mask = 0;
  XQueryPointer(d, DefaultRootWindow(d), &r, &c, &rx, &ry, &wx, &wy, &mask);
  std::printf("held %d state %u\n", n, mask & (ShiftMask | ControlMask | Mod1Mask | Button1Mask));
  XCloseDisplay(d);
  return 0;
}

int num_lock(Display* d) {
  XkbStateRec st{};
  XkbGetState(d, XkbUseCoreKbd, &st);
  const unsigned mask = XkbKeysymToModifiers(d, XK_Num_Lock);
  std::printf("numlock %d\n", mask && (st.locked_mods & mask) ? 1 : 0);
  XCloseDisplay(d);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  if (std::strcmp(argv[1], "--held") == 0) return held(d);
  if (std::strcmp(argv[1], "--numlock") == 0) return num_lock(d);
  setvbuf(stdout, nullptr, _IOLBF, 0);
  std::string title = argv[1];
  if (argc > 2) title.assign(static_cast<size_t>(std::atol(argv[2])), 'X');
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 400, 300, 0, 0, 0xFFFFFF);
  XSelectInput(d, w, KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
  XStoreName(d, w, title.c_str());
  Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, w, &del, 1);
  // At the top-left corner, as placed by a user, so that screen points fall inside it.
  XSizeHints* hints = XAllocSizeHints();
  hints->flags = USPosition | PPosition;
  hints->x = 0;
  hints->y = 0;
  XSetWMNormalHints(d, w, hints);
  XFree(hints);
  XMapWindow(d, w);
  std::string text;
  bool ready = false;
  for (;;) {
    // A window manager still starting may drop the map request: ask again until shown.
    while (!ready && !XPending(d)) {
      pollfd p{ConnectionNumber(d), POLLIN, 0};
      if (poll(&p, 1, 300) == 0) {
        XMapWindow(d, w);
        XFlush(d);
      }
    }
    XEvent ev;
    XNextEvent(d, &ev);
    switch (ev.type) {
      case Expose:
        if (!ready) {
          ready = true;
          std::printf("ready %lu\n", w);
        }
        break;
      case KeyPress: {
        char buf[16];
        KeySym ks = NoSymbol;
        XLookupString(&ev.xkey, buf, sizeof buf, &ks, nullptr);
        const char* name = XKeysymToString(ks);
        std::printf("key %s %u\n", name ? name : "none", ev.xkey.state & (ShiftMask | ControlMask | Mod1Mask));
        if (ks == 0xFF0D) {
          std::printf("text %s\n", text.c_str());
          text.clear();
        } else if (!(ev.xkey.state & (ControlMask | Mod1Mask))) {
          if (unsigned long cp = code_point(ks)) put_utf8(text, cp);
        }
        break;
      }
      case ButtonPress:
        std::printf("button %u %d %d\n", ev.xbutton.button, ev.xbutton.x_root, ev.xbutton.y_root);
        break;
      case MappingNotify:
        XRefreshKeyboardMapping(&ev.xmapping);
        break;
      case ClientMessage:
        if (static_cast<Atom>(ev.xclient.data.l[0]) == del) {
          std::printf("close\n");
          XCloseDisplay(d);
          return 0;
        }
        break;
      default:
        break;
    }
  }
}
