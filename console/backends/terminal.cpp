// Terminal: the console drawn in the user's terminal with ncurses; keys read raw and
// decoded like the headless ones.
#include "console/backends/terminal.h"

#include <langinfo.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <curses.h>
#include <term.h>
#undef bell  // a terminfo capability macro; our backend has a bell() of its own

#include "console/keys.h"
#include "platform/text.h"

namespace zn {
namespace {

// Set by SIGTERM and SIGHUP; acted on in pump. The one global the console has.
volatile sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

// Leaves the terminal usable when the program ends without closing the console.
extern "C" void restore_terminal_at_exit() {
  if (stdscr && !isendwin()) endwin();
}

// The standard colours as terminals commonly show them.
constexpr Rgb kTerminalColours[16] = {
    {0, 0, 0},       {205, 0, 0},   {0, 205, 0},   {205, 205, 0},
    {0, 0, 238},     {205, 0, 205}, {0, 205, 205}, {229, 229, 229},
    {127, 127, 127}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {92, 92, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

int nearest_colour(Rgb c, int available) {
  int best = 0;
  long best_d = -1;
  for (int i = 0; i < available; ++i) {
    const Rgb t = kTerminalColours[i];
    const long dr = c.r - t.r, dg = c.g - t.g, db = c.b - t.b;
    const long d = dr * dr + dg * dg + db * db;
    if (best_d < 0 || d < best_d) {
      best = i;
      best_d = d;
    }
  }
  return best;
}

int luminance(Rgb c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

// What a cell may send to the terminal: controls (C0, DEL, C1) would be obeyed, not shown.
wchar_t cell_character(uint8_t byte) {
  const char32_t cp = plat::cp1252_code_point(byte);
  if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) return L'?';
  return static_cast<wchar_t>(cp);
}

bool terminal_sets_title() {
  if (tigetflag(const_cast<char*>("XT")) > 0) return true;
  const char* term = std::getenv("TERM");
  if (!term) return false;
  for (const char* prefix : {"xterm", "rxvt", "screen", "tmux", "alacritty", "foot", "kitty",
                             "wezterm", "konsole", "gnome", "vte", "st-", "putty"}) {
    if (std::strncmp(term, prefix, std::strlen(prefix)) == 0) return true;
  }
  return false;
}

void write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n > 0) data.remove_prefix(static_cast<size_t>(n));
    else if (n < 0 && errno == EINTR) continue;
    else return;
  }
}

class TerminalBackend final : public ConsoleBackend {
 public:
  TerminalBackend(int in_fd, int out_fd) : in_fd_(in_fd), out_fd_(out_fd), input_(in_fd) {}
  ~TerminalBackend() override { close(); }

  void open(Console& con) override;
  bool pump(Console& con, int timeout_ms) override;
  void present(const Console& con) override;
  void bell() override {
    if (active_) beep();
  }
  void title_changed(const Console& con) override;
  // The terminal's own clipboard is out of reach: copy and paste stay within the process.
  bool set_clipboard(const std::string& utf8) override {
    clipboard_ = utf8;
    return true;
  }
  std::optional<std::string> clipboard() override { return clipboard_; }
  // Hiding (TELA MINIMIZADA) is left alone: a terminal cannot be minimised from inside.
  void close() override;

 private:
  attr_t cell_attributes(uint8_t attr, const ConsoleSettings& s, short& pair);
  void check_resize(const Console& con);

  int in_fd_, out_fd_;
  KeyInput input_;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
  SCREEN* screen_ = nullptr;
  bool opened_ = false;
  bool active_ = false;  // ncurses drives the terminal
  bool colour_ = false;
  int colours_ = 0;
  bool titles_ = false;
  short next_pair_ = 1;
  std::array<short, 256> pairs_{};  // terminal fg * 16 + bg -> colour pair, 0: none yet
  std::array<uint16_t, kCols * kRows> shadow_{};
  bool shadow_valid_ = false;
  std::string old_locale_;
  std::string clipboard_;
  struct sigaction old_term_ {}, old_hup_ {};
};

void TerminalBackend::open(Console& con) {
  if (opened_) return;
  opened_ = true;
  // Ours before ncurses starts, so it leaves them alone.
  struct sigaction sa {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, &old_term_);
  sigaction(SIGHUP, &sa, &old_hup_);

  // ncursesw writes UTF-8 only under a UTF-8 character type.
  old_locale_ = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");

  const int in = dup(in_fd_), out = dup(out_fd_);
  in_ = in >= 0 ? fdopen(in, "r") : nullptr;
  out_ = out >= 0 ? fdopen(out, "w") : nullptr;
  if (in_ && out_) screen_ = newterm(nullptr, out_, in_);
  if (!screen_) return;  // keys still come; nothing can be drawn
  set_term(screen_);
  raw();
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, FALSE);  // keys are decoded by us, from the raw bytes
  typeahead(-1);
  curs_set(1);
  const char* no_colour = std::getenv("NO_COLOR");
  if (has_colors() && !(no_colour && *no_colour)) {
    start_color();
    colour_ = true;
    colours_ = COLORS >= 16 ? 16 : 8;
  }
  titles_ = terminal_sets_title();
  std::atexit(restore_terminal_at_exit);
  active_ = true;
  if (titles_) write_all(out_fd_, "\x1b[22;0t");  // keep the user's title for the end
  present(con);
  title_changed(con);
}

attr_t TerminalBackend::cell_attributes(uint8_t attr, const ConsoleSettings& s, short& pair) {
  const Rgb fg = palette_colour(s.colour_map[attr & 15]);
  const Rgb bg = palette_colour(s.colour_map[attr >> 4]);
  pair = 0;
  if (!colour_) return luminance(bg) > luminance(fg) ? A_REVERSE : A_NORMAL;
  const int tf = nearest_colour(fg, colours_), tb = nearest_colour(bg, colours_);
  short& p = pairs_[tf * 16 + tb];
  if (p == 0 && next_pair_ < COLOR_PAIRS && init_pair(next_pair_, tf, tb) == OK) p = next_pair_++;
  pair = p;
  return A_NORMAL;
}

void TerminalBackend::present(const Console& con) {
  if (!active_) return;
  if (!shadow_valid_) erase();
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      const uint8_t ch = con.char_at(c, r), at = con.attr_at(c, r);
      const auto cell = static_cast<uint16_t>(ch << 8 | at);
      uint16_t& old = shadow_[r * kCols + c];
      if (shadow_valid_ && old == cell) continue;
      old = cell;
      if (r >= LINES || c >= COLS) continue;
      short pair;
      const attr_t a = cell_attributes(at, con.settings(), pair);
      const wchar_t text[2] = {cell_character(ch), 0};
      cchar_t cc;
      setcchar(&cc, text, a, pair, nullptr);
      mvadd_wch(r, c, &cc);
    }
  }
  shadow_valid_ = true;
  move(std::min(con.row0(), LINES - 1), std::min(std::min(con.col0(), kCols - 1), COLS - 1));
  refresh();
}

void TerminalBackend::title_changed(const Console& con) {
  if (!active_ || !titles_) return;
  // Control bytes of a title would end the sequence early and be obeyed: left out.
  std::string clean;
  for (char c : con.title()) {
    const auto b = static_cast<unsigned char>(c);
    const char32_t cp = plat::cp1252_code_point(b);
    if (cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0)) clean += c;
  }
  refresh();
  std::fflush(out_);
  write_all(out_fd_, "\x1b]0;" + plat::cp1252_to_utf8(clean) + "\x07");
}

void TerminalBackend::check_resize(const Console& con) {
  winsize ws{};
  if (ioctl(out_fd_, TIOCGWINSZ, &ws) != 0 || ws.ws_row == 0 || ws.ws_col == 0) return;
  if (ws.ws_row == LINES && ws.ws_col == COLS) return;
  resize_term(ws.ws_row, ws.ws_col);
  shadow_valid_ = false;
  present(con);
}

bool TerminalBackend::pump(Console& con, int timeout_ms) {
  // The signals stay blocked between the checks and the wait, and are let in only by the
  // wait itself: one arriving in between cannot be missed.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGTERM);
  sigaddset(&block, SIGHUP);
  sigaddset(&block, SIGWINCH);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  const auto on_wake = [&] {
    if (g_stop_signal) {
      g_stop_signal = 0;
      con.quit(255);
      return;
    }
    if (active_) check_resize(con);
  };
  const bool more = input_.pump(con, timeout_ms, on_wake, &old);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return more;
}

void TerminalBackend::close() {
  if (!opened_) return;
  opened_ = false;
  if (active_) {
    active_ = false;
    endwin();
    std::fflush(out_);
    if (titles_) write_all(out_fd_, "\x1b[23;0t");
    delscreen(screen_);
  }
  screen_ = nullptr;
  if (in_) std::fclose(in_);
  if (out_) std::fclose(out_);
  in_ = out_ = nullptr;
  std::setlocale(LC_CTYPE, old_locale_.c_str());
  sigaction(SIGTERM, &old_term_, nullptr);
  sigaction(SIGHUP, &old_hup_, nullptr);
}

}  // namespace

std::unique_ptr<ConsoleBackend> make_terminal_backend_on(int in_fd, int out_fd) {
  if (!isatty(in_fd) || !isatty(out_fd)) return nullptr;
  // A terminal type without a description cannot be drawn on.
  int err = 0;
  if (setupterm(nullptr, out_fd, &err) != OK) return nullptr;
  del_curterm(cur_term);
  return std::make_unique<TerminalBackend>(in_fd, out_fd);
}

std::unique_ptr<ConsoleBackend> make_terminal_backend() {
  return make_terminal_backend_on(STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace zn
