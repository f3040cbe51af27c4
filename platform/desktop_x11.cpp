// The desktop on X11: XTest for keys and the pointer, EWMH for other programs' windows,
// and a thread of its own that serves the clipboard while we own it.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/desktop.h"
#include "platform/text.h"

namespace plat {
namespace {

// Xlib reports protocol errors through one handler for the whole process. Ours counts the
// errors of our own connections, so that acting on a window that has just gone fails
// instead of ending the program.
std::atomic<unsigned> g_x_errors{0};
std::atomic<Display*> g_counted_display{nullptr};
int count_x_error(Display* d, XErrorEvent*) {
  if (d == g_counted_display.load()) g_x_errors.fetch_add(1);
  return 0;
}

// Text on the clipboard is cut here: one X request must be able to carry it.
constexpr size_t kClipboardChars = 65000;
constexpr int kSelectionWaitMs = 1000;
constexpr int kSpareKeys = 4;
constexpr int kActivationWaitMs = 500;
// The server takes XTest events in through its input queue, which a grab may hold up; an
// event counts as done once the device state shows it, or after this long.
constexpr int kInputWaitMs = 250;

std::string latin1_to_cp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) out += static_cast<char>(cp1252_from_code_point(c));
  return out;
}

std::string cp1252_to_latin1(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    const char32_t cp = cp1252_code_point(c);
    out += cp < 256 ? static_cast<char>(cp) : '?';
  }
  return out;
}

// Serves the CLIPBOARD selection from its own connection and thread, so another program
// can paste while the script is busy or waiting.
class ClipboardOwner {
 public:
  ~ClipboardOwner() { stop(); }

  bool start() {
    d_ = XOpenDisplay(nullptr);
    if (!d_) return false;
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
      XCloseDisplay(d_);
      d_ = nullptr;
      return false;
    }
    w_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, 0);
    clipboard_ = XInternAtom(d_, "CLIPBOARD", False);
    targets_ = XInternAtom(d_, "TARGETS", False);
    utf8_ = XInternAtom(d_, "UTF8_STRING", False);
    text_ = XInternAtom(d_, "TEXT", False);
    XFlush(d_);
    thread_ = std::thread([this] { run(); });
    return true;
  }

  // Takes the selection with this text; false when the display refused.
  bool claim(const std::string& cp1252) {
    std::unique_lock lock(m_);
    if (!d_) return false;
    text_cp1252_ = cp1252;
    claim_pending_ = true;
    claim_done_ = false;
    wake();
    cv_.wait_for(lock, std::chrono::milliseconds(kSelectionWaitMs), [&] { return claim_done_; });
    return claim_done_ && owner_;
  }

  Window window() const { return w_; }
  std::string text() {
    std::lock_guard lock(m_);
    return text_cp1252_;
  }

  void stop() {
    if (!d_) return;
    {
      std::lock_guard lock(m_);
      stopping_ = true;
      wake();
    }
    if (thread_.joinable()) thread_.join();
    XDestroyWindow(d_, w_);
    XCloseDisplay(d_);
    d_ = nullptr;
    ::close(wake_[0]);
    ::close(wake_[1]);
  }

 private:
  void wake() {
    const char b = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_[1], &b, 1);
  }

  void run() {
    for (;;) {
      {
        std::lock_guard lock(m_);
        if (stopping_) return;
        if (claim_pending_) {
          claim_pending_ = false;
          XSetSelectionOwner(d_, clipboard_, w_, CurrentTime);
          owner_ = XGetSelectionOwner(d_, clipboard_) == w_;
          claim_done_ = true;
          cv_.notify_all();
        }
      }
      while (XPending(d_) > 0) {
        XEvent ev;
        XNextEvent(d_, &ev);
        if (ev.type == SelectionRequest) answer(ev.xselectionrequest);
        if (ev.type == SelectionClear) {
          std::lock_guard lock(m_);
          owner_ = false;
        }
      }
      pollfd p[2] = {{ConnectionNumber(d_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (poll(p, 2, -1) < 0) continue;
      if (p[1].revents & POLLIN) {
        char buf[64];
        while (::read(wake_[0], buf, sizeof buf) > 0) {
        }
      }
    }
  }

  void answer(const XSelectionRequestEvent& rq) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = rq.display;
    reply.requestor = rq.requestor;
    reply.selection = rq.selection;
    reply.target = rq.target;
    reply.time = rq.time;
    reply.property = None;
    const Atom property = rq.property == None ? rq.target : rq.property;
    std::string text;
    bool owner;
    {
      std::lock_guard lock(m_);
      text = text_cp1252_;
      owner = owner_;
    }
    if (owner && rq.selection == clipboard_) {
      if (rq.target == targets_) {
        const Atom list[] = {targets_, utf8_, text_, XA_STRING};
        XChangeProperty(d_, rq.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list), 4);
        reply.property = property;
      } else if (rq.target == utf8_ || rq.target == text_ || rq.target == XA_STRING) {
        const bool latin1 = rq.target == XA_STRING;
        const std::string bytes = latin1 ? cp1252_to_latin1(text) : cp1252_to_utf8(text);
        XChangeProperty(d_, rq.requestor, property, latin1 ? XA_STRING : utf8_, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
        reply.property = property;
      }
    }
    XSendEvent(d_, rq.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(d_);
  }

  Display* d_ = nullptr;
  Window w_ = 0;
  Atom clipboard_ = 0, targets_ = 0, utf8_ = 0, text_ = 0;
  int wake_[2] = {-1, -1};
  std::mutex m_;
  std::condition_variable cv_;
  std::string text_cp1252_;
  bool owner_ = false;
  bool claim_pending_ = false;
  bool claim_done_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

class X11Desktop final : public Desktop {
 public:
  X11Desktop(Display* d, bool xtest) : d_(d), xtest_(xtest) {
    root_ = DefaultRootWindow(d_);
    screen_ = DefaultScreen(d_);
    g_counted_display.store(d_);
    previous_handler_ = XSetErrorHandler(count_x_error);
    helper_ = XCreateSimpleWindow(d_, root_, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d_, helper_, PropertyChangeMask);
    XSync(d_, False);
  }

  ~X11Desktop() override {
    release_all_keys();
    restore_spares();
    owner_.stop();  // before our error handler goes: its connection may still see errors
    XDestroyWindow(d_, helper_);
    XSync(d_, False);
    XSetErrorHandler(previous_handler_);
    g_counted_display.store(nullptr);
    XCloseDisplay(d_);
  }

  std::optional<KeyReach> reach(uint32_t keysym) override {
    drain_events();
    int level = 0;
    if (!keycode_of(keysym, &level)) return std::nullopt;
    return KeyReach{(level & 1) != 0, level >= 2};
  }

  bool key(uint32_t keysym, bool down) override {
    if (!xtest_) return false;
    if (!down) {
      auto it = std::find_if(held_.begin(), held_.end(), [&](const auto& h) { return h.first == keysym; });
      if (it == held_.end()) return false;
      const KeyCode kc = it->second;
      held_.erase(it);
      XTestFakeKeyEvent(d_, kc, False, CurrentTime);
      wait_key_state(kc, false);
      return true;
    }
    drain_events();
    KeyCode kc = keycode_of(keysym, nullptr);
    if (!kc) kc = spare_for(keysym);
    if (!kc) return false;
    XTestFakeKeyEvent(d_, kc, True, CurrentTime);
    held_.emplace_back(keysym, kc);
    wait_key_state(kc, true);
    return true;
  }

  void release_all_keys() override {
    while (!held_.empty()) key(held_.back().first, false);
  }

  bool toggle_num_lock() override {
    const unsigned mask = XkbKeysymToModifiers(d_, XK_Num_Lock);
    if (!mask) return false;
    XkbStateRec st{};
    if (XkbGetState(d_, XkbUseCoreKbd, &st) != Success) return false;
    const bool on = (st.locked_mods & mask) != 0;
    const bool ok = XkbLockModifiers(d_, XkbUseCoreKbd, mask, on ? 0 : mask);
    XSync(d_, False);
    return ok;
  }

  bool move_pointer(int x, int y) override {
    if (!xtest_) return false;
    x = std::clamp(x, 0, DisplayWidth(d_, screen_) - 1);
    y = std::clamp(y, 0, DisplayHeight(d_, screen_) - 1);
    XTestFakeMotionEvent(d_, screen_, x, y, CurrentTime);
    wait_until([&] {
      const auto p = pointer();
      return p && p->x == x && p->y == y;
    });
    return true;
  }

  bool button(int number, bool down) override {
    if (!xtest_) return false;
    XTestFakeButtonEvent(d_, static_cast<unsigned>(number), down ? True : False, CurrentTime);
    if (number >= 1 && number <= 5) {
      const unsigned bit = Button1Mask << (number - 1);
      wait_until([&] { return ((pointer_mask() & bit) != 0) == down; });
    } else {
      XSync(d_, False);
    }
    return true;
  }

  std::optional<Point> pointer() override {
    Window r, c;
    int rx, ry, wx, wy;
    unsigned mask;
    if (!XQueryPointer(d_, root_, &r, &c, &rx, &ry, &wx, &wy, &mask)) return std::nullopt;
    return Point{rx, ry};
  }

  std::vector<WindowId> windows() override {
    std::vector<WindowId> ids;
    if (wm_present()) {
      for (unsigned long w : longs(root_, atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW, 65536)) ids.push_back(w);
    }
    if (ids.empty()) {
      Window r, parent, *children = nullptr;
      unsigned n = 0;
      if (XQueryTree(d_, root_, &r, &parent, &children, &n)) {
        for (unsigned i = 0; i < n; ++i) ids.push_back(client_of(children[i]));
        if (children) XFree(children);
      }
    }
    std::reverse(ids.begin(), ids.end());  // the stacking order lists the bottom first
    return ids;
  }

  WindowState state(WindowId id) override {
    WindowState s;
    const unsigned before = g_x_errors.load();
    XWindowAttributes a;
    if (!XGetWindowAttributes(d_, id, &a) || g_x_errors.load() != before) return s;
    s.exists = true;
    s.visible = a.map_state == IsViewable;
    const Atom hidden = atom("_NET_WM_STATE_HIDDEN");
    for (unsigned long st : longs(id, atom("_NET_WM_STATE"), XA_ATOM, 64))
      if (st == hidden) s.minimised = true;
    const Atom wm_state = atom("WM_STATE");
    const auto icccm = longs(id, wm_state, wm_state, 2);
    if (!icccm.empty() && icccm[0] == IconicState) s.minimised = true;
    s.title = title_of(id);
    XSync(d_, False);
    if (g_x_errors.load() != before) s.exists = false;
    return s;
  }

  bool close(WindowId id) override {
    const Atom del = atom("WM_DELETE_WINDOW");
    const unsigned before = g_x_errors.load();
    Atom* protocols = nullptr;
    int n = 0;
    bool speaks_delete = false;
    if (XGetWMProtocols(d_, id, &protocols, &n)) {
      for (int i = 0; i < n; ++i) speaks_delete |= protocols[i] == del;
      XFree(protocols);
    }
    if (speaks_delete) {
      XEvent ev{};
      ev.xclient.type = ClientMessage;
      ev.xclient.window = id;
      ev.xclient.message_type = atom("WM_PROTOCOLS");
      ev.xclient.format = 32;
      ev.xclient.data.l[0] = static_cast<long>(del);
      ev.xclient.data.l[1] = CurrentTime;
      XSendEvent(d_, id, False, NoEventMask, &ev);
    } else if (supported(atom("_NET_CLOSE_WINDOW"))) {
      send_to_root(id, atom("_NET_CLOSE_WINDOW"), {CurrentTime, 2, 0, 0, 0});
    } else {
      return false;
    }
    XSync(d_, False);
    return g_x_errors.load() == before;
  }

  bool show(WindowId id, ShowMode mode) override {
    const unsigned before = g_x_errors.load();
    if (mode == ShowMode::minimised) {
      XIconifyWindow(d_, id, screen_);
    } else {
      XMapRaised(d_, id);
      const long action = mode == ShowMode::maximised ? 1 : 0;  // add : remove
      if (wm_present()) {
        send_to_root(id, atom("_NET_WM_STATE"),
                     {action, static_cast<long>(atom("_NET_WM_STATE_MAXIMIZED_VERT")),
                      static_cast<long>(atom("_NET_WM_STATE_MAXIMIZED_HORZ")), 2, 0});
      } else if (mode == ShowMode::maximised) {
        XMoveResizeWindow(d_, id, 0, 0, static_cast<unsigned>(DisplayWidth(d_, screen_)),
                          static_cast<unsigned>(DisplayHeight(d_, screen_)));
      }
    }
    XSync(d_, False);
    return g_x_errors.load() == before;
  }

  bool activate(WindowId id) override {
    const unsigned before = g_x_errors.load();
    // The request goes to the window manager, which says nothing when the window has gone.
    XWindowAttributes a;
    if (!XGetWindowAttributes(d_, id, &a) || g_x_errors.load() != before) return false;
    if (supported(atom("_NET_ACTIVE_WINDOW"))) {
      send_to_root(id, atom("_NET_ACTIVE_WINDOW"), {2, CurrentTime, 0, 0, 0});
      XSync(d_, False);
      // The window manager acts when it gets to it; the next statement expects the window
      // in front, as a direct activation would leave it.
      for (int i = 0; i < kActivationWaitMs / 10 && foreground() != std::optional<WindowId>(id); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      XRaiseWindow(d_, id);
      XSetInputFocus(d_, id, RevertToParent, CurrentTime);
    }
    XSync(d_, False);
    return g_x_errors.load() == before;
  }

  std::optional<WindowId> foreground() override {
    if (wm_present()) {
      const auto active = longs(root_, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW, 1);
      if (!active.empty() && active[0] != 0) return active[0];
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d_, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root_) return std::nullopt;
    // Up to the child of the root, then down to the window that carries the client's name.
    for (;;) {
      Window r, parent, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(d_, focus, &r, &parent, &children, &n)) return std::nullopt;
      if (children) XFree(children);
      if (parent == root_ || parent == 0) break;
      focus = parent;
    }
    return client_of(focus);
  }

  std::optional<Rect> frame(WindowId id) override {
    const unsigned before = g_x_errors.load();
    XWindowAttributes a;
    if (!XGetWindowAttributes(d_, id, &a) || g_x_errors.load() != before) return std::nullopt;
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(d_, id, root_, 0, 0, &x, &y, &child);
    const auto ext = extents(id);
    XSync(d_, False);
    if (g_x_errors.load() != before) return std::nullopt;
    return Rect{x - ext[0], y - ext[2], x + a.width + ext[1], y + a.height + ext[3]};
  }

  int frame_border(WindowId id) override { return extents(id)[0]; }

  bool set_clipboard(const std::string& text) override {
    if (!owner_started_) {
      owner_started_ = true;
      owner_ok_ = owner_.start();
    }
    if (!owner_ok_) return false;
    return owner_.claim(text.substr(0, std::min(text.size(), kClipboardChars)));
  }

  std::optional<std::string> clipboard() override {
    const Atom clip = atom("CLIPBOARD");
    const Window owner = XGetSelectionOwner(d_, clip);
    if (owner == None) return std::string();
    if (owner_ok_ && owner == owner_.window()) return owner_.text();
    std::optional<std::string> got = convert(clip, atom("UTF8_STRING"));
    if (!got) got = convert(clip, XA_STRING);
    return got;
  }

  void sync() override { XSync(d_, False); }

 private:
  Atom atom(const char* name) { return XInternAtom(d_, name, False); }

  // A property of 32-bit items of the given type, at most max_items of them.
  std::vector<unsigned long> longs(Window w, Atom property, Atom type, long max_items) {
    std::vector<unsigned long> out;
    Atom actual = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d_, w, property, 0, max_items, False, type, &actual, &format, &n, &after, &data) ==
            Success &&
        data && format == 32 && actual == type) {
      const auto* items = reinterpret_cast<const unsigned long*>(data);
      out.assign(items, items + n);
    }
    if (data) XFree(data);
    return out;
  }

  // Up to max bytes of an 8-bit property, and its type.
  std::optional<std::pair<Atom, std::string>> bytes(Window w, Atom property, size_t max, bool remove) {
    Atom actual = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    const long words = static_cast<long>((max + 3) / 4);
    std::optional<std::pair<Atom, std::string>> out;
    if (XGetWindowProperty(d_, w, property, 0, words, remove ? True : False, AnyPropertyType, &actual, &format, &n,
                           &after, &data) == Success &&
        actual != None) {
      std::string text;
      if (format == 8 && data) text.assign(reinterpret_cast<const char*>(data), std::min<size_t>(n, max));
      out.emplace(actual, std::move(text));
    }
    if (data) XFree(data);
    return out;
  }

  // Nothing reads this connection's events otherwise: keyboard mapping changes (every
  // spare key we map gives one) are taken in and the rest dropped, so none pile up.
  void drain_events() {
    while (XPending(d_) > 0) {
      XEvent ev;
      XNextEvent(d_, &ev);
      if (ev.type == MappingNotify) XRefreshKeyboardMapping(&ev.xmapping);
    }
  }

  template <typename Done>
  void wait_until(Done done) {
    XSync(d_, False);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kInputWaitMs);
    while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void wait_key_state(KeyCode kc, bool down) {
    wait_until([&] {
      char keys[32];
      XQueryKeymap(d_, keys);
      return ((keys[kc / 8] >> (kc % 8)) & 1) == (down ? 1 : 0);
    });
  }

  unsigned pointer_mask() {
    Window r, c;
    int rx, ry, wx, wy;
    unsigned mask = 0;
    XQueryPointer(d_, root_, &r, &c, &rx, &ry, &wx, &wy, &mask);
    return mask;
  }

  bool wm_present() {
    const auto check = longs(root_, atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 1);
    return !check.empty() && check[0] != 0;
  }

  bool supported(Atom what) {
    if (!wm_present()) return false;
    for (unsigned long a : longs(root_, atom("_NET_SUPPORTED"), XA_ATOM, 4096))
      if (a == what) return true;
    return false;
  }

  void send_to_root(Window w, Atom type, std::array<long, 5> data) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    for (int i = 0; i < 5; ++i) ev.xclient.data.l[i] = data[static_cast<size_t>(i)];
    XSendEvent(d_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  }

  // Left, right, top, bottom of the frame the window manager draws.
  std::array<int, 4> extents(Window w) {
    std::array<int, 4> e{0, 0, 0, 0};
    const auto v = longs(w, atom("_NET_FRAME_EXTENTS"), XA_CARDINAL, 4);
    if (v.size() == 4)
      for (size_t i = 0; i < 4; ++i) e[i] = static_cast<int>(std::min<unsigned long>(v[i], 10000));
    return e;
  }

  // Without a window manager the root's children are the top-level windows; with one that
  // does not speak EWMH they are frames, whose named child is the client.
  Window client_of(Window w) {
    if (!title_of(w).empty()) return w;
    Window r, parent, *children = nullptr;
    unsigned n = 0;
    Window found = w;
    if (XQueryTree(d_, w, &r, &parent, &children, &n)) {
      for (unsigned i = 0; i < n; ++i)
        if (!title_of(children[i]).empty()) {
          found = children[i];
          break;
        }
      if (children) XFree(children);
    }
    return found;
  }

  std::string title_of(Window w) {
    if (auto net = bytes(w, atom("_NET_WM_NAME"), kTitleBytesRead, false); net && !net->second.empty())
      return utf8_to_cp1252(net->second);
    auto old = bytes(w, XA_WM_NAME, kTitleBytesRead, false);
    if (!old || old->second.empty()) return {};
    if (old->first == XA_STRING) return latin1_to_cp1252(old->second);
    if (old->first == atom("UTF8_STRING")) return utf8_to_cp1252(old->second);
    XTextProperty tp{};
    tp.value = reinterpret_cast<unsigned char*>(old->second.data());
    tp.encoding = old->first;
    tp.format = 8;
    tp.nitems = old->second.size();
    char** list = nullptr;
    int count = 0;
    std::string out;
    if (Xutf8TextPropertyToTextList(d_, &tp, &list, &count) >= Success && list) {
      if (count > 0 && list[0]) out = utf8_to_cp1252(list[0]);
      XFreeStringList(list);
    } else {
      out = latin1_to_cp1252(old->second);
    }
    return out;
  }

  // The keycode of the layout with the keysym on the lowest level, and that level; 0 when
  // none. Our spare keys are not the layout's: what they hold is known from spares_ alone.
  KeyCode keycode_of(uint32_t keysym, int* level_out) {
    int lo = 0, hi = 0;
    XDisplayKeycodes(d_, &lo, &hi);
    const auto spare = [&](int kc) {
      return std::any_of(spares_.begin(), spares_.end(), [&](const auto& s) { return s.first == kc; });
    };
    for (int level = 0; level < 4; ++level)
      for (int kc = lo; kc <= hi; ++kc)
        if (!spare(kc) && XkbKeycodeToKeysym(d_, static_cast<KeyCode>(kc), 0, level) == keysym) {
          if (level_out) *level_out = level;
          return static_cast<KeyCode>(kc);
        }
    return 0;
  }

  // A keycode with no symbols, given this keysym until another one needs it; a few are
  // used in turn so the program that reads a key has time to look it up before its code
  // changes again.
  KeyCode spare_for(uint32_t keysym) {
    int lo = 0, hi = 0;
    XDisplayKeycodes(d_, &lo, &hi);
    if (spares_.empty()) {
      int per = 0;
      KeySym* map = XGetKeyboardMapping(d_, static_cast<KeyCode>(lo), hi - lo + 1, &per);
      if (!map) return 0;
      for (int kc = hi; kc >= lo && static_cast<int>(spares_.size()) < kSpareKeys; --kc) {
        bool empty = true;
        for (int i = 0; i < per; ++i) empty &= map[(kc - lo) * per + i] == NoSymbol;
        if (empty) spares_.push_back({static_cast<KeyCode>(kc), 0});
      }
      XFree(map);
      if (spares_.empty()) return 0;
    }
    for (auto& s : spares_)
      if (s.second == keysym) return s.first;
    auto& s = spares_[next_spare_++ % spares_.size()];
    if (std::any_of(held_.begin(), held_.end(), [&](const auto& h) { return h.second == s.first; })) return 0;
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(d_, s.first, 2, syms, 1);
    XSync(d_, False);
    s.second = keysym;
    return s.first;
  }

  void restore_spares() {
    for (auto& s : spares_) {
      if (!s.second) continue;
      KeySym none[2] = {NoSymbol, NoSymbol};
      XChangeKeyboardMapping(d_, s.first, 2, none, 1);
      s.second = 0;
    }
    XSync(d_, False);
  }

  // The selection converted to target on our helper window; null when no answer came.
  std::optional<std::string> convert(Atom selection, Atom target) {
    const Atom prop = atom("ROTEIRAL_SELECTION");
    XDeleteProperty(d_, helper_, prop);
    XConvertSelection(d_, selection, target, prop, helper_, CurrentTime);
    XFlush(d_);
    XEvent ev;
    if (!wait_event(SelectionNotify, ev)) return std::nullopt;
    if (ev.xselection.property == None) return std::nullopt;
    auto got = bytes(helper_, prop, kClipboardBytesRead, false);
    if (!got) return std::string();
    if (got->first == atom("INCR")) {
      // A large text comes in pieces; the first one holds more than anyone reads.
      XDeleteProperty(d_, helper_, prop);
      XFlush(d_);
      for (;;) {
        if (!wait_event(PropertyNotify, ev)) return std::nullopt;
        if (ev.xproperty.atom == prop && ev.xproperty.state == PropertyNewValue) break;
      }
      got = bytes(helper_, prop, kClipboardBytesRead, true);
      if (!got) return std::string();
    }
    std::string text = got->second;
    return target == XA_STRING ? latin1_to_cp1252(text) : utf8_to_cp1252(text);
  }

  bool wait_event(int type, XEvent& ev) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSelectionWaitMs);
    for (;;) {
      if (XCheckTypedWindowEvent(d_, helper_, type, &ev)) return true;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      pollfd p{ConnectionNumber(d_), POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
    }
  }

  Display* d_;
  bool xtest_;
  Window root_ = 0;
  Window helper_ = 0;
  int screen_ = 0;
  int (*previous_handler_)(Display*, XErrorEvent*) = nullptr;
  std::vector<std::pair<uint32_t, KeyCode>> held_;
  std::vector<std::pair<KeyCode, uint32_t>> spares_;
  size_t next_spare_ = 0;
  ClipboardOwner owner_;
  bool owner_started_ = false;
  bool owner_ok_ = false;
};

}  // namespace

std::unique_ptr<Desktop> open_x11_desktop(std::string& why) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    why = "sem display";
    return nullptr;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    why = "o display n\xE3o abre";
    return nullptr;
  }
  int event = 0, error = 0, major = 0, minor = 0;
  const bool xtest = XTestQueryExtension(d, &event, &error, &major, &minor);
  return std::make_unique<X11Desktop>(d, xtest);
}

}  // namespace plat
