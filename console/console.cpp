#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "console/ZnCrt.h"
#include "console/braille_line.h"
#include "platform/text.h"

namespace zn {
namespace {

uint8_t initial_attribute(const ConsoleSettings& s) {
  return static_cast<uint8_t>(((s.background & 15) << 4) | (s.text & 15));
}

// Codes of the special keys: without Ctrl, with Ctrl (Key order).
struct SpecialCode {
  uint8_t plain, ctrl;
};
constexpr SpecialCode kSpecial[] = {
    {59, 94}, {60, 95}, {61, 96}, {62, 97}, {63, 98}, {64, 99}, {65, 100}, {66, 101},
    {67, 102}, {68, 103}, {69, 104}, {70, 105},                    // F1..F12
    {82, 255}, {83, 83}, {71, 119}, {79, 117}, {73, 132}, {81, 118},  // Insert..PageDown
    {72, 113}, {80, 114}, {75, 115}, {77, 116},                    // Up, Down, Left, Right
};
static_assert(std::size(kSpecial) == static_cast<size_t>(Key::Break));

// Alt+letter codes, A..Z.
constexpr uint8_t kAltLetter[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

}  // namespace

Console::Console() {
  chars_.fill(' ');
  attrs_.fill(attr_);
}

Console::~Console() = default;

void Console::set_backend(std::unique_ptr<ConsoleBackend> backend) { backend_ = std::move(backend); }

void Console::ensure_window() {
  if (created_) return;
  settings_ = profile_path_.empty() ? ConsoleSettings{} : load_console_settings(profile_path_);
  attr_ = initial_attribute(settings_);
  chars_.fill(' ');
  attrs_.fill(attr_);
  col_ = row_ = 0;
  created_ = true;
  ++version_;
  if (backend_) backend_->open(*this);
  set_braille_mode(settings_.braille_mode);
}

void Console::set_braille_line(std::unique_ptr<BrailleLine> line) {
  braille_line_ = std::move(line);
  if (braille_line_) braille_line_->refresh(*this);
}

void Console::set_review_point(std::optional<std::pair<int, int>> col_row) {
  review_point_ = col_row;
  if (braille_line_) braille_line_->refresh(*this);
}

void Console::present() {
  if (braille_line_) braille_line_->refresh(*this);
  if (backend_) backend_->present(*this);
}

void Console::next_line() {
  if (row_ < kRows - 1) {
    ++row_;
  } else {
    scroll_up();
  }
}

void Console::scroll_up() {
  std::memmove(chars_.data(), chars_.data() + kCols, kCols * (kRows - 1));
  std::memmove(attrs_.data(), attrs_.data() + kCols, kCols * (kRows - 1));
  std::memset(chars_.data() + kCols * (kRows - 1), ' ', kCols);
  std::memset(attrs_.data() + kCols * (kRows - 1), attr_, kCols);
  ++scrolls_;
}

void Console::put_char(uint8_t ch) {
  switch (ch) {
    case 7:
      if (backend_) backend_->bell();
      return;
    case 8:
      if (col_ > 0) {
        --col_;
        chars_[row_ * kCols + col_] = ' ';
        attrs_[row_ * kCols + col_] = attr_;
      }
      return;
    case 10:
      next_line();
      col_ = 0;
      return;
    case 13:
      col_ = 0;
      return;
    default:
      break;
  }
  if (ch < 32) return;  // tab and the other controls leave no trace
  if (col_ >= kCols) {
    col_ = 0;
    next_line();
  }
  chars_[row_ * kCols + col_] = ch;
  attrs_[row_ * kCols + col_] = attr_;
  ++col_;
}

void Console::write(std::string_view bytes) {
  ensure_window();
  if (bytes.empty()) return;
  for (char c : bytes) put_char(static_cast<uint8_t>(c));
  ++version_;
  if (backend_) backend_->copy_output(bytes);
  present();
}

void Console::clear_screen() {
  ensure_window();
  chars_.fill(' ');
  attrs_.fill(attr_);
  col_ = row_ = 0;
  ++version_;
  present();
}

void Console::clear_to_end_of_line() {
  ensure_window();
  for (int c = col_; c < kCols; ++c) {
    chars_[row_ * kCols + c] = ' ';
    attrs_[row_ * kCols + c] = attr_;
  }
  ++version_;
  present();
}

void Console::go_to(int col, int row) {
  ensure_window();
  col_ = std::clamp(col, 1, kCols) - 1;
  row_ = std::clamp(row, 1, kRows) - 1;
  ++version_;
  present();
}

void Console::set_text_colour(int n) {
  ensure_window();
  if (!settings_.colours_fixed) attr_ = static_cast<uint8_t>((attr_ & 0xF0) | (n & 15));
}

void Console::set_background(int n) {
  ensure_window();
  if (!settings_.colours_fixed) attr_ = static_cast<uint8_t>((attr_ & 0x0F) | ((n & 15) << 4));
}

void Console::set_title(std::string_view title) {
  title_ = std::string(title.substr(0, kTitleCapacity));
  ++version_;
  if (backend_) backend_->title_changed(*this);
}

void Console::hide() {
  hidden_ = true;
  ++version_;
  if (backend_) backend_->visibility_changed(*this);
}

void Console::restore() {
  hidden_ = false;
  ++version_;
  if (backend_) backend_->visibility_changed(*this);
}

// --- keys ----------------------------------------------------------------------

bool Console::push_key(uint8_t byte) { return push_key(byte, {}); }

bool Console::push_key(uint8_t byte, Mods mods) {
  if (key_count_ >= kKeyBufferSize) return false;
  keys_[key_count_] = byte;
  key_mods_[key_count_] = mods;
  ++key_count_;
  return true;
}

void Console::key_char(uint8_t ch, bool ctrl) { key_typed(ch, Mods{.ctrl = ctrl}); }

void Console::key_typed(uint8_t ch, Mods mods) {
  // Blanks and letters are chord keys then; their cells come from key_release.
  const bool letter = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
  if (chords_typed() && (ch == ' ' || letter)) return;
  if (ch == 8) ch = mods.ctrl ? 127 : 8;
  else if (ch == 13) ch = mods.ctrl ? 10 : 13;
  push_key(ch, mods);
}

void Console::key_down(Key key, Mods mods) {
  if (key == Key::Break) {
    if (break_checking_) quit(255);
    return;
  }
  // Alt alone reaches the key table only with Left and Right; the rest belongs to the
  // window system. Ctrl+Alt+F11 and F12 switch the braille keyboard and store nothing.
  if (mods.alt && !mods.ctrl && key != Key::Left && key != Key::Right) return;
  if (mods.alt && mods.ctrl && key == Key::F12) {
    set_braille_mode(0);
    return;
  }
  if (mods.alt && mods.ctrl && key == Key::F11) {
    set_braille_mode(static_cast<int>(braille_.mode) + 1);
    return;
  }
  if (key_count_ > kKeyBufferSize - 2) return;
  const SpecialCode code = kSpecial[static_cast<int>(key)];
  uint8_t c = mods.ctrl ? code.ctrl : code.plain;
  if (key == Key::Insert && !mods.ctrl && mods.shift) c = 254;
  push_key(0, mods);
  push_key(c, mods);
}

void Console::key_alt(uint8_t ch) {
  uint8_t code;
  if (ch == '0') code = 129;
  else if (ch >= '1' && ch <= '9') code = static_cast<uint8_t>(120 + (ch - '1'));
  else if (ch >= 'a' && ch <= 'z') code = kAltLetter[ch - 'a'];
  else if (ch >= 'A' && ch <= 'Z') code = kAltLetter[ch - 'A'];
  else return;
  // Both bytes or neither: half a key would read as another one.
  if (key_count_ > kKeyBufferSize - 2) return;
  const Mods mods{.shift = ch >= 'A' && ch <= 'Z', .alt = true};
  push_key(0, mods);
  push_key(code, mods);
}

bool Console::pump_backend(int timeout_ms) {
  // A key event that waits (the braille mode tones) runs inside the backend's pump; the
  // key decoder is not re-entrant, so its input stays queued until the event is done.
  if (!backend_ || pumping_) {
    if (timeout_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    return false;
  }
  pumping_ = true;
  if (on_wait_) {
    on_wait_();
    // The other sources get their turn at least this often; every caller waits in a loop.
    constexpr int kWaitSliceMs = 20;
    if (timeout_ms < 0 || timeout_ms > kWaitSliceMs) timeout_ms = kWaitSliceMs;
  }
  bool more = true;
  if (braille_line_ && braille_line_->alive()) {
    // The display's keys come on a socket of their own: wait in short slices and take
    // them between, so a panning key answers within a slice.
    constexpr int kSliceMs = 40;
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    for (;;) {
      int slice = kSliceMs;
      if (timeout_ms >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - clock::now()).count();
        slice = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
      }
      const int keys_before = key_count_;
      more = backend_->pump(*this, slice);
      braille_line_->take_input(*this);
      if (!more || key_count_ != keys_before || closed_) break;
      if (timeout_ms >= 0 && clock::now() >= end) break;
      if (!braille_line_->alive()) {
        // The daemon went away: the rest of the wait is the backend's alone.
        if (timeout_ms < 0) more = backend_->pump(*this, -1);
        break;
      }
    }
  } else {
    more = backend_->pump(*this, timeout_ms);
  }
  pumping_ = false;
  return more;
}

bool Console::wait_for_input(int timeout_ms) {
  if (closed_) return false;
  return pump_backend(timeout_ms);
}

bool Console::key_pressed() {
  ensure_window();
  if (!closed_) pump_backend(0);
  return key_count_ > 0;
}

uint8_t Console::read_key() {
  ensure_window();
  while (key_count_ == 0) {
    if (closed_) return 13;
    reading_ = true;
    present();
    const bool more = wait_for_input(-1);
    reading_ = false;
    if (!more && key_count_ == 0 && !closed_) quit(0);
  }
  if (closed_) return 13;
  const uint8_t k = keys_[0];
  last_read_mods_ = key_mods_[0];
  --key_count_;
  std::memmove(keys_.data(), keys_.data() + 1, static_cast<size_t>(key_count_));
  std::move(key_mods_.begin() + 1, key_mods_.begin() + 1 + key_count_, key_mods_.begin());
  return k;
}

std::string Console::read_line(int capacity) {
  ensure_window();
  std::string line;
  for (;;) {
    const uint8_t k = read_key();
    if (k == 13 || closed_) break;
    if (k == 8) {
      if (!line.empty()) {
        write("\b");
        line.pop_back();
      }
    } else if (k >= 32 && static_cast<int>(line.size()) < capacity - 2) {
      const char c = static_cast<char>(k);
      line += c;
      write(std::string_view(&c, 1));
    }
  }
  write("\r\n");
  return line;
}

void Console::pause(int ms) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(std::max(ms, 0));
  for (;;) {
    if (closed_) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - clock::now()).count();
    if (left <= 0) {
      // Whatever arrived meanwhile is still taken in.
      pump_backend(0);
      return;
    }
    if (!wait_for_input(static_cast<int>(left)) && !closed_) {
      // No input can come: just let the time pass.
      const auto rest = end - clock::now();
      if (rest > clock::duration::zero()) std::this_thread::sleep_for(rest);
      return;
    }
  }
}

void Console::focus_changed(bool focused) {
  if (focused_ == focused) return;
  focused_ = focused;
  ++version_;
  present();
}

// --- clipboard -------------------------------------------------------------------

void Console::put_clipboard(std::string_view text) {
  if (!backend_) return;
  text = text.substr(0, text.find('\0'));
  backend_->set_clipboard(plat::cp1252_to_utf8(text));
}

std::optional<std::string> Console::clipboard_text(size_t capacity) {
  if (capacity == 0 || !backend_) return std::nullopt;
  std::optional<std::string> utf8 = backend_->clipboard();
  if (!utf8) return std::nullopt;
  // Each character is at most 4 bytes: the wanted ones lie in this prefix, so a huge
  // clipboard is not converted whole.
  if (utf8->size() / 4 >= capacity) utf8->resize(capacity * 4);
  std::string text = plat::utf8_to_cp1252(*utf8);
  text = text.substr(0, text.find('\0'));
  if (text.size() > capacity - 1) text.resize(capacity - 1);
  return text;
}

// --- overlay bitmap ----------------------------------------------------------------

bool Console::load_overlay(const std::string& host_path) {
  std::optional<Bitmap> image = read_bmp_file(host_path);
  if (!image) return false;
  overlay_ = Overlay{std::move(*image)};
  ++overlay_serial_;
  ++version_;
  return true;
}

void Console::remove_overlay() {
  if (!overlay_) return;
  overlay_.reset();
  ++overlay_serial_;
  ++version_;
  present();
  if (!closed_) pump_backend(0);
}

void Console::draw_overlay_at(int x, int y) {
  if (!overlay_) return;
  overlay_->x = x;
  overlay_->y = y;
  ++version_;
  present();
}

void Console::set_overlay_scale(double scale) {
  if (!overlay_ || !(scale > 0.0 && scale <= 64.0)) return;
  overlay_->scale = scale;
  ++version_;
  present();
}

Mods Console::modifiers() const {
  if (backend_ && backend_->has_live_modifiers()) return backend_->modifiers();
  return last_read_mods_;
}

// --- ending ------------------------------------------------------------------

void Console::quit(int exit_code) {
  closed_ = true;
  key_count_ = 0;
  // Closed while the ended program's window waited for it: that end goes on normally.
  if (finishing_) return;
  if (on_quit_) {
    on_quit_(exit_code);
    return;
  }
  finish();
  std::exit(exit_code);
}

void Console::finish() {
  if (finishing_) return;
  set_title("Programa terminado");
  break_checking_ = false;
  if (!screen_file_.empty()) {
    std::ofstream out(screen_file_, std::ios::binary | std::ios::trunc);
    const std::string text = screen_text();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  // The window is left readable; keys typed at it now have nobody to read them.
  if (backend_ && created_ && !closed_ && backend_->holds_at_end()) {
    finishing_ = true;
    present();
    while (!closed_ && pump_backend(-1)) key_count_ = 0;
    finishing_ = false;
  }
  if (backend_) backend_->close();
}

bool Console::cell_visible(int col0, int row0) const {
  const uint8_t a = attr_at(col0, row0);
  const Rgb fg = palette_colour(settings_.colour_map[a & 15]);
  const Rgb bg = palette_colour(settings_.colour_map[a >> 4]);
  return fg.r != bg.r || fg.g != bg.g || fg.b != bg.b;
}

std::string Console::screen_text() const {
  std::string rows[kRows];
  int last = -1;
  for (int r = 0; r < kRows; ++r) {
    // What is shown: text in the colour of its background (a password) reads as blanks.
    std::string row(reinterpret_cast<const char*>(chars_.data()) + r * kCols, kCols);
    for (int c = 0; c < kCols; ++c) {
      if (!cell_visible(c, r)) row[c] = ' ';
    }
    const size_t end = row.find_last_not_of(' ');
    if (end == std::string_view::npos) continue;
    rows[r] = plat::cp1252_to_utf8(std::string_view(row).substr(0, end + 1));
    last = r;
  }
  std::string out;
  for (int r = 0; r <= last; ++r) {
    out += rows[r];
    out += '\n';
  }
  return out;
}

}  // namespace zn
