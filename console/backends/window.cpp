// Window: the console in a desktop window of its own (SDL2, text through SDL2_ttf with a
// font found by fontconfig). Keys come from key-down, key-up and text events and go to
// the console's key entry points; drawing reads the model's cells, cursor and overlay.
#include "console/backends/window.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "console/ZnCrt.h"
#include "platform/text.h"

namespace zn {

int derived_cell_side(int work, int reference, int factor) {
  if (work <= 0 || reference <= 0) return 1;
  const int64_t num = int64_t{work} * factor;
  int64_t q = num / reference;
  const int64_t twice_rest = (num % reference) * 2;
  if (twice_rest > reference || (twice_rest == reference && (q & 1))) ++q;
  return static_cast<int>(std::clamp<int64_t>(q, 1, 1000));
}

PixelRect magnifier_source(int x, int y, int zoom, int width, int height) {
  zoom = std::max(zoom, 1);
  x = std::max(x, 0);
  y = std::max(y, 0);
  return {std::max(0, x - x / zoom), std::max(0, y - y / zoom), std::max(1, width / zoom),
          std::max(1, height / zoom)};
}

namespace {

std::optional<FontChoice> match_font(FcConfig* config, const std::string& family, int weight, bool must_fit) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!found) return std::nullopt;
  std::optional<FontChoice> choice;
  FcChar8* file = nullptr;
  if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
    bool fits = !must_fit;
    int spacing = 0;
    if (FcPatternGetInteger(found, FC_SPACING, 0, &spacing) == FcResultMatch && spacing >= FC_MONO)
      fits = true;
    FcChar8* name = nullptr;
    for (int i = 0; !fits && FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i)
      fits = strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0;
    if (fits) {
      choice = FontChoice{reinterpret_cast<const char*>(file)};
      FcPatternGetInteger(found, FC_INDEX, 0, &choice->index);
      int w = 0;
      choice->bold = FcPatternGetInteger(found, FC_WEIGHT, 0, &w) == FcResultMatch && w >= FC_WEIGHT_DEMIBOLD;
    }
  }
  FcPatternDestroy(found);
  return choice;
}

}  // namespace

std::optional<FontChoice> find_font(const std::string& family, int weight) {
  // A configuration of our own, gone when the look-up is done.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return std::nullopt;
  // fontconfig always offers some face; one that is neither the family asked for nor
  // fixed-pitch would not keep the columns.
  std::optional<FontChoice> f;
  if (!family.empty()) f = match_font(config, family, weight, true);
  if (!f) f = match_font(config, "monospace", weight, false);
  FcConfigDestroy(config);
  return f;
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFrame = std::chrono::milliseconds(16);  // screen updates at most this often
constexpr int kMagnifierButton = SDL_BUTTON_RIGHT;

struct Cell {
  int w = 8, h = 16, ascent = 12;
};

SDL_Rect unite(const SDL_Rect& a, const SDL_Rect& b) {
  if (a.w <= 0 || a.h <= 0) return b;
  if (b.w <= 0 || b.h <= 0) return a;
  SDL_Rect r;
  SDL_UnionRect(&a, &b, &r);
  return r;
}

uint32_t rgb(Rgb c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }

uint32_t blend(uint32_t bg, uint32_t fg, unsigned a) {
  if (a == 0) return bg;
  if (a >= 255) return fg;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned b = (bg >> shift) & 0xFF, f = (fg >> shift) & 0xFF;
    out |= ((b * (255 - a) + f * a + 127) / 255) << shift;
  }
  return out;
}

std::optional<Key> special_key(SDL_Keycode sym, bool num_lock) {
  switch (sym) {
    case SDLK_F1: return Key::F1;
    case SDLK_F2: return Key::F2;
    case SDLK_F3: return Key::F3;
    case SDLK_F4: return Key::F4;
    case SDLK_F5: return Key::F5;
    case SDLK_F6: return Key::F6;
    case SDLK_F7: return Key::F7;
    case SDLK_F8: return Key::F8;
    case SDLK_F9: return Key::F9;
    case SDLK_F10: return Key::F10;
    case SDLK_F11: return Key::F11;
    case SDLK_F12: return Key::F12;
    case SDLK_INSERT: return Key::Insert;
    case SDLK_DELETE: return Key::Delete;
    case SDLK_HOME: return Key::Home;
    case SDLK_END: return Key::End;
    case SDLK_PAGEUP: return Key::PageUp;
    case SDLK_PAGEDOWN: return Key::PageDown;
    case SDLK_UP: return Key::Up;
    case SDLK_DOWN: return Key::Down;
    case SDLK_LEFT: return Key::Left;
    case SDLK_RIGHT: return Key::Right;
    default: break;
  }
  if (num_lock) return std::nullopt;  // the keypad types digits then, as text
  switch (sym) {
    case SDLK_KP_0: return Key::Insert;
    case SDLK_KP_PERIOD: return Key::Delete;
    case SDLK_KP_7: return Key::Home;
    case SDLK_KP_1: return Key::End;
    case SDLK_KP_9: return Key::PageUp;
    case SDLK_KP_3: return Key::PageDown;
    case SDLK_KP_8: return Key::Up;
    case SDLK_KP_2: return Key::Down;
    case SDLK_KP_4: return Key::Left;
    case SDLK_KP_6: return Key::Right;
    default: return std::nullopt;
  }
}

Mods mods_of(uint16_t m) {
  return Mods{.shift = (m & KMOD_SHIFT) != 0, .ctrl = (m & KMOD_CTRL) != 0, .alt = (m & KMOD_ALT) != 0};
}

// 'A'..'Z' or ' ' for the chord keys' down and up; 0 for every other key.
uint8_t chord_key(SDL_Keycode sym) {
  if (sym >= SDLK_a && sym <= SDLK_z) return static_cast<uint8_t>('A' + (sym - SDLK_a));
  if (sym == SDLK_SPACE) return ' ';
  return 0;
}

bool alnum_key(SDL_Keycode sym) {
  return (sym >= SDLK_a && sym <= SDLK_z) || (sym >= SDLK_0 && sym <= SDLK_9);
}

class WindowBackend final : public ConsoleBackend {
 public:
  WindowBackend(SDL_Window* window, FontChoice mono) : window_(window), mono_(std::move(mono)) {}
  ~WindowBackend() override { close(); }

  void open(Console& con) override;
  bool pump(Console& con, int timeout_ms) override;
  void present(const Console& con) override;
  void bell() override;
  void title_changed(const Console& con) override;
  void visibility_changed(const Console& con) override;
  Mods modifiers() const override { return mods_of(static_cast<uint16_t>(SDL_GetModState())); }
  bool has_live_modifiers() const override { return true; }
  bool has_key_release() const override { return true; }
  bool set_clipboard(const std::string& utf8) override {
    return window_ && SDL_SetClipboardText(utf8.c_str()) == 0;
  }
  std::optional<std::string> clipboard() override;
  bool holds_at_end() const override { return window_ != nullptr; }
  void close() override;

 private:
  bool open_font(const FontChoice& choice, const ConsoleSettings& s, int cw, int ch);
  const std::vector<uint8_t>& glyph(uint8_t byte);
  void paint_cell(int col, int row, uint8_t ch, uint8_t attr, const ConsoleSettings& s);
  bool scroll_by_copy(const Console& con) const;
  void flush(const Console& con);
  void compose(const Console& con, SDL_Rect area);
  SDL_Rect caret_rect(const Console& con) const;
  void handle(Console& con, const SDL_Event& ev);
  void key_down(Console& con, const SDL_KeyboardEvent& k);
  void text_input(Console& con, const char* utf8);
  void magnify(int x, int y);

  SDL_Window* window_;
  FontChoice mono_;
  TTF_Font* font_ = nullptr;
  Cell cell_;
  int width_ = 0, height_ = 0;  // the 80 x 25 cells, as computed when the window opened
  SDL_Surface* canvas_ = nullptr;  // the cells as drawn, without overlay or caret
  std::array<std::vector<uint8_t>, 256> glyphs_;  // coverage masks, cell sized
  std::array<bool, 256> glyph_made_{};
  std::array<uint16_t, kCols * kRows> shadow_{};  // char << 8 | attr of each painted cell
  bool shadow_valid_ = false;
  uint64_t drawn_version_ = ~uint64_t{0};
  uint64_t drawn_scrolls_ = 0;
  bool full_ = true;  // the whole window must be composed again
  bool pending_ = false;
  Clock::time_point last_flush_{};
  SDL_Rect caret_drawn_{};
  SDL_Surface* overlay_ = nullptr;
  uint64_t overlay_serial_ = 0;
  SDL_Rect overlay_drawn_{};
  SDL_Surface* magnified_ = nullptr;  // the window as it was when the magnifier started
  int zoom_ = 2;
  bool swallow_text_ = false;  // the key just handled must not come again as text
  bool opened_ = false;
};

bool WindowBackend::open_font(const FontChoice& choice, const ConsoleSettings& s, int cw, int ch) {
  // The point size whose line height fills the cell, then a horizontal resolution that
  // makes the advance the cell width.
  int pt = ch;
  TTF_Font* f = TTF_OpenFontIndexDPI(choice.file.c_str(), pt, choice.index, 72, 72);
  if (!f) return false;
  for (int i = 0; i < 4; ++i) {
    const int h = TTF_FontHeight(f);
    if (h <= 0) break;
    const int want = std::max(1, static_cast<int>(int64_t{pt} * ch / h));
    if (want == pt) break;
    pt = want;
    TTF_SetFontSizeDPI(f, pt, 72, 72);
  }
  while (pt > 1 && TTF_FontHeight(f) > ch) TTF_SetFontSizeDPI(f, --pt, 72, 72);
  int advance = 0;
  if (TTF_GlyphMetrics32(f, '0', nullptr, nullptr, nullptr, nullptr, &advance) == 0 && advance > 0 &&
      advance != cw) {
    const unsigned hdpi = static_cast<unsigned>(std::clamp(int64_t{72} * cw / advance, int64_t{1}, int64_t{7200}));
    TTF_SetFontSizeDPI(f, pt, hdpi, 72);
  }
  if (s.weight >= 600 && !choice.bold) TTF_SetFontStyle(f, TTF_STYLE_BOLD);
  if (font_) TTF_CloseFont(font_);
  font_ = f;
  cell_ = Cell{cw, ch, std::clamp(TTF_FontAscent(f), 0, ch - 1)};
  return true;
}

void WindowBackend::open(Console& con) {
  if (opened_ || !window_) return;
  opened_ = true;
  const ConsoleSettings& s = con.settings();
  zoom_ = s.zoom;
  SDL_Rect work{0, 0, 1024, 734}, screen{0, 0, 1024, 768};
  if (SDL_GetDisplayUsableBounds(0, &work) != 0 || work.w <= 0 || work.h <= 0) work = {0, 0, 1024, 734};
  if (SDL_GetDisplayBounds(0, &screen) != 0 || screen.w <= 0 || screen.h <= 0) screen = work;
  const int cw = s.char_width > 0 ? s.char_width : derived_cell_side(work.w, 1024, 13);
  const int ch = s.char_height > 0 ? s.char_height : derived_cell_side(work.h, 734, 28);
  // A face that is missing or will not open gives way to the monospace one.
  bool ok = false;
  if (auto f = find_font(plat::cp1252_to_utf8(s.font), s.weight)) ok = open_font(*f, s, cw, ch);
  if (!ok && !open_font(mono_, s, cw, ch)) {
    // Nothing to write with (the font checked at start has gone): blank cells still show colour.
    cell_ = Cell{cw, ch, ch - 1};
  }
  width_ = kCols * cell_.w;
  height_ = kRows * cell_.h;
  canvas_ = SDL_CreateRGBSurfaceWithFormat(0, width_, height_, 32, SDL_PIXELFORMAT_RGB888);

  const int max_w = std::min(width_, screen.w), max_h = std::min(height_, screen.h);
  SDL_SetWindowMinimumSize(window_, std::min(16 * cell_.w, max_w), std::min(4 * cell_.h, max_h));
  SDL_SetWindowMaximumSize(window_, max_w, max_h);
  SDL_SetWindowSize(window_, max_w, max_h);
  title_changed(con);
  if (con.title().empty()) {
    // Until the program names itself, the window carries the program file's path.
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) SDL_SetWindowTitle(window_, std::string(exe, static_cast<size_t>(n)).c_str());
  }
  if (s.start_maximised) {
    // Maximised within the size limits: the whole console in the corner of the work area.
    SDL_SetWindowPosition(window_, work.x, work.y);
    SDL_MaximizeWindow(window_);
  } else {
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  if (!con.hidden()) {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
  }
  full_ = true;
  flush(con);
  con.focus_changed((SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0);
}

const std::vector<uint8_t>& WindowBackend::glyph(uint8_t byte) {
  std::vector<uint8_t>& mask = glyphs_[byte];
  if (glyph_made_[byte]) return mask;
  glyph_made_[byte] = true;
  mask.assign(static_cast<size_t>(cell_.w) * cell_.h, 0);
  const char32_t cp = plat::cp1252_code_point(byte);
  if (!font_ || cp <= 0x20 || (cp >= 0x7F && cp < 0xA0)) return mask;
  SDL_Surface* g = TTF_RenderGlyph32_Blended(font_, static_cast<Uint32>(cp), SDL_Color{255, 255, 255, 255});
  if (!g) return mask;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(g, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(g);
  if (!argb) return mask;
  SDL_LockSurface(argb);
  const int w = std::min(argb->w, cell_.w), h = std::min(argb->h, cell_.h);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < w; ++x) mask[static_cast<size_t>(y) * cell_.w + x] = static_cast<uint8_t>(row[x] >> 24);
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return mask;
}

void WindowBackend::paint_cell(int col, int row, uint8_t ch, uint8_t attr, const ConsoleSettings& s) {
  const uint32_t fg = rgb(palette_colour(s.colour_map[attr & 15]));
  const uint32_t bg = rgb(palette_colour(s.colour_map[attr >> 4]));
  const std::vector<uint8_t>& mask = glyph(ch);
  auto* base = static_cast<uint8_t*>(canvas_->pixels) + static_cast<size_t>(row) * cell_.h * canvas_->pitch +
               static_cast<size_t>(col) * cell_.w * 4;
  for (int y = 0; y < cell_.h; ++y) {
    auto* px = reinterpret_cast<uint32_t*>(base + static_cast<size_t>(y) * canvas_->pitch);
    const uint8_t* a = mask.data() + static_cast<size_t>(y) * cell_.w;
    for (int x = 0; x < cell_.w; ++x) px[x] = blend(bg, fg, a[x]);
  }
}

// Copying pixels is only safe while the whole window is on screen and in front.
bool WindowBackend::scroll_by_copy(const Console& con) const {
  if (!con.settings().scroll_by_copy || !con.focused().value_or(false) || con.hidden()) return false;
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  SDL_GetWindowSize(window_, &w, &h);
  SDL_Rect screen;
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0 || SDL_GetDisplayBounds(display, &screen) != 0) return false;
  return y + h < screen.y + screen.h - 32;
}

SDL_Rect WindowBackend::caret_rect(const Console& con) const {
  if (!con.reading() || !con.focused().value_or(false)) return {};
  return SDL_Rect{con.col0() * cell_.w, con.row0() * cell_.h + cell_.ascent, cell_.w, 2};
}

void WindowBackend::present(const Console& con) {
  pending_ = true;
  if (Clock::now() - last_flush_ >= kFrame) flush(con);
}

void WindowBackend::flush(const Console& con) {
  if (!window_ || !canvas_) return;
  const SDL_Rect caret = caret_rect(con);
  const bool caret_moved = !SDL_RectEquals(&caret, &caret_drawn_);
  if (!full_ && !caret_moved && drawn_version_ == con.version()) {
    pending_ = false;
    return;
  }
  SDL_Rect dirty{};
  const ConsoleSettings& s = con.settings();
  SDL_LockSurface(canvas_);
  const uint64_t scrolled = con.scrolls() - drawn_scrolls_;
  drawn_scrolls_ = con.scrolls();
  if (scrolled > 0 && shadow_valid_) {
    if (scrolled < kRows && scroll_by_copy(con)) {
      const int rows = static_cast<int>(scrolled);
      auto* px = static_cast<uint8_t*>(canvas_->pixels);
      const size_t line = static_cast<size_t>(cell_.h) * canvas_->pitch;
      std::memmove(px, px + rows * line, (kRows - rows) * line);
      std::memmove(shadow_.data(), shadow_.data() + rows * kCols, sizeof(uint16_t) * (kRows - rows) * kCols);
      // The new rows start as the background of the current attribute, as the copy leaves them.
      const uint32_t bg = rgb(palette_colour(s.colour_map[con.attribute() >> 4]));
      for (int r = kRows - rows; r < kRows; ++r) {
        for (int y = 0; y < cell_.h; ++y) {
          auto* p = reinterpret_cast<uint32_t*>(px + (static_cast<size_t>(r) * cell_.h + y) * canvas_->pitch);
          std::fill(p, p + width_, bg);
        }
        for (int c = 0; c < kCols; ++c) shadow_[r * kCols + c] = static_cast<uint16_t>(' ' << 8 | con.attribute());
      }
      dirty = SDL_Rect{0, 0, width_, height_};
    } else {
      shadow_valid_ = false;
    }
  }
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      const uint8_t ch = con.char_at(c, r), at = con.attr_at(c, r);
      const auto key = static_cast<uint16_t>(ch << 8 | at);
      uint16_t& old = shadow_[r * kCols + c];
      if (shadow_valid_ && old == key) continue;
      old = key;
      paint_cell(c, r, ch, at, s);
      dirty = unite(dirty, SDL_Rect{c * cell_.w, r * cell_.h, cell_.w, cell_.h});
    }
  }
  shadow_valid_ = true;
  SDL_UnlockSurface(canvas_);

  // The overlay: made again when its picture changed, redrawn where it was and is.
  const Overlay* ov = con.overlay();
  if (con.overlay_serial() != overlay_serial_) {
    overlay_serial_ = con.overlay_serial();
    if (overlay_) SDL_FreeSurface(overlay_);
    overlay_ = nullptr;
    if (ov && !ov->image.pixels.empty()) {
      overlay_ = SDL_CreateRGBSurfaceWithFormat(0, ov->image.width, ov->image.height, 32, SDL_PIXELFORMAT_RGB888);
      if (overlay_) {
        SDL_LockSurface(overlay_);
        for (int y = 0; y < ov->image.height; ++y)
          std::memcpy(static_cast<uint8_t*>(overlay_->pixels) + static_cast<size_t>(y) * overlay_->pitch,
                      ov->image.pixels.data() + static_cast<size_t>(y) * ov->image.width,
                      static_cast<size_t>(ov->image.width) * 4);
        SDL_UnlockSurface(overlay_);
      }
    }
  }
  SDL_Rect placed{};
  if (overlay_ && ov) {
    const double w = ov->image.width * ov->scale, h = ov->image.height * ov->scale;
    placed = SDL_Rect{ov->x, ov->y, static_cast<int>(std::clamp(w + 0.5, 1.0, 1e6)),
                      static_cast<int>(std::clamp(h + 0.5, 1.0, 1e6))};
  }
  if (!SDL_RectEquals(&placed, &overlay_drawn_)) {
    dirty = unite(dirty, overlay_drawn_);
    dirty = unite(dirty, placed);
    overlay_drawn_ = placed;
  } else if (overlay_ && dirty.w > 0) {
    dirty = unite(dirty, placed);  // text under it changed: the overlay goes on top again
  }
  if (caret_moved) {
    dirty = unite(dirty, caret_drawn_);
    dirty = unite(dirty, caret);
    caret_drawn_ = caret;
  }
  drawn_version_ = con.version();
  pending_ = false;
  last_flush_ = Clock::now();
  if (full_) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    dirty = SDL_Rect{0, 0, std::max(w, width_), std::max(h, height_)};
    full_ = false;
  }
  if (dirty.w > 0 && dirty.h > 0 && !magnified_) compose(con, dirty);
}

void WindowBackend::compose(const Console& con, SDL_Rect area) {
  SDL_Surface* win = SDL_GetWindowSurface(window_);
  if (!win) return;
  SDL_Rect bounds{0, 0, win->w, win->h};
  if (!SDL_IntersectRect(&area, &bounds, &area)) return;
  SDL_FillRect(win, &area, SDL_MapRGB(win->format, 0, 0, 0));
  SDL_Rect src = area;
  SDL_Rect dst = area;
  SDL_BlitSurface(canvas_, &src, win, &dst);
  if (overlay_ && overlay_drawn_.w > 0) {
    SDL_SetClipRect(win, &area);
    SDL_Rect place = overlay_drawn_;
    if (place.w == overlay_->w && place.h == overlay_->h) SDL_BlitSurface(overlay_, nullptr, win, &place);
    else SDL_BlitScaled(overlay_, nullptr, win, &place);
    SDL_SetClipRect(win, nullptr);
  }
  SDL_Rect caret = caret_rect(con), c;
  if (caret.w > 0 && SDL_IntersectRect(&caret, &area, &c) && SDL_LockSurface(win) == 0) {
    // The caret inverts what is under it, as a text caret does.
    const int bpp = win->format->BytesPerPixel;
    if (bpp == 4) {
      for (int y = c.y; y < c.y + c.h; ++y) {
        auto* p = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(win->pixels) + static_cast<size_t>(y) * win->pitch);
        for (int x = c.x; x < c.x + c.w; ++x) p[x] ^= 0x00FFFFFF;
      }
    }
    SDL_UnlockSurface(win);
  }
  SDL_UpdateWindowSurfaceRects(window_, &area, 1);
}

void WindowBackend::magnify(int x, int y) {
  SDL_Surface* win = SDL_GetWindowSurface(window_);
  if (!win || !magnified_) return;
  const PixelRect r = magnifier_source(x, y, zoom_, width_, height_);
  SDL_Rect src{r.x, r.y, r.w, r.h};
  SDL_Rect whole{0, 0, win->w, win->h};
  SDL_BlitScaled(magnified_, &src, win, &whole);
  SDL_UpdateWindowSurface(window_);
}

bool WindowBackend::pump(Console& con, int timeout_ms) {
  const auto start = Clock::now();
  const int before = con.key_count();
  for (;;) {
    SDL_Event ev;
    while (!con.closed() && window_ && SDL_PollEvent(&ev)) handle(con, ev);
    if (con.closed()) return true;
    if (!window_) return false;
    if (con.key_count() > before || timeout_ms == 0) {
      if (pending_ && Clock::now() - last_flush_ >= kFrame) flush(con);
      return true;
    }
    // About to wait: what is on screen must be current.
    flush(con);
    int wait = -1;
    if (timeout_ms > 0) {
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      wait = timeout_ms - static_cast<int>(spent);
      if (wait <= 0) return true;
    }
    const int got = wait < 0 ? SDL_WaitEvent(&ev) : SDL_WaitEventTimeout(&ev, wait);
    if (got) handle(con, ev);
    else if (wait < 0) SDL_Delay(10);  // an error: do not spin
  }
}

void WindowBackend::handle(Console& con, const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_QUIT:
      con.quit(255);
      return;
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_CLOSE: con.quit(0); return;
        case SDL_WINDOWEVENT_FOCUS_GAINED: con.focus_changed(true); return;
        case SDL_WINDOWEVENT_FOCUS_LOST: con.focus_changed(false); return;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          full_ = true;
          if (magnified_) magnify(0, 0);
          else flush(con);
          return;
        default: return;
      }
    case SDL_KEYDOWN:
      key_down(con, ev.key);
      return;
    case SDL_KEYUP:
      con.key_release(chord_key(ev.key.keysym.sym), mods_of(ev.key.keysym.mod));
      return;
    case SDL_TEXTINPUT:
      text_input(con, ev.text.text);
      return;
    case SDL_MOUSEBUTTONDOWN:
      if (ev.button.button != kMagnifierButton || magnified_) return;
      flush(con);
      if (SDL_Surface* win = SDL_GetWindowSurface(window_)) {
        magnified_ = SDL_ConvertSurface(win, win->format, 0);
        magnify(ev.button.x, ev.button.y);
      }
      return;
    case SDL_MOUSEMOTION:
      if (magnified_) magnify(ev.motion.x, ev.motion.y);
      return;
    case SDL_MOUSEBUTTONUP:
      if (ev.button.button != kMagnifierButton || !magnified_) return;
      SDL_FreeSurface(magnified_);
      magnified_ = nullptr;
      full_ = true;
      flush(con);
      return;
    default:
      return;
  }
}

void WindowBackend::key_down(Console& con, const SDL_KeyboardEvent& k) {
  const SDL_Keycode sym = k.keysym.sym;
  const Mods m = mods_of(k.keysym.mod);
  swallow_text_ = true;  // unless the key is left to its text below
  if (const uint8_t chord = chord_key(sym)) con.key_press(chord, m);
  if ((sym == SDLK_PAUSE && m.ctrl) || sym == SDLK_CANCEL) {
    con.key_down(Key::Break, m);
    return;
  }
  if (sym == SDLK_F4 && m.alt && !m.ctrl) {  // the window system's close, when no manager took it
    con.quit(0);
    return;
  }
  if (auto key = special_key(sym, (k.keysym.mod & KMOD_NUM) != 0)) {
    con.key_down(*key, m);
    return;
  }
  switch (sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: con.key_typed(13, m); return;
    case SDLK_BACKSPACE: con.key_typed(8, m); return;
    case SDLK_TAB: con.key_typed(9, m); return;
    case SDLK_ESCAPE: con.key_typed(27, m); return;
    default: break;
  }
  if (m.alt && alnum_key(sym)) {
    const bool letter = sym >= SDLK_a && sym <= SDLK_z;
    con.key_alt(static_cast<uint8_t>(letter && m.shift ? sym - 32 : sym));
    return;
  }
  if (m.ctrl && sym >= SDLK_a && sym <= SDLK_z) {
    con.key_typed(static_cast<uint8_t>(sym - SDLK_a + 1), m);
    return;
  }
  swallow_text_ = false;
}

void WindowBackend::text_input(Console& con, const char* utf8) {
  if (swallow_text_) {
    swallow_text_ = false;
    return;
  }
  const Mods m = modifiers();
  const std::string text = plat::utf8_to_cp1252(std::string_view(utf8, strnlen(utf8, SDL_TEXTINPUTEVENT_TEXT_SIZE)));
  for (char c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (b >= 32) con.key_typed(b, m);
  }
}

void WindowBackend::bell() {
  if (!window_) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
    XBell(info.info.x11.display, 0);
    XFlush(info.info.x11.display);
  }
}

void WindowBackend::title_changed(const Console& con) {
  if (!window_) return;
  std::string clean;
  for (char c : con.title()) {
    const char32_t cp = plat::cp1252_code_point(static_cast<unsigned char>(c));
    if (cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0)) clean += c;
  }
  SDL_SetWindowTitle(window_, plat::cp1252_to_utf8(clean).c_str());
}

void WindowBackend::visibility_changed(const Console& con) {
  if (!window_ || !opened_) return;
  if (con.hidden()) {
    SDL_HideWindow(window_);
    return;
  }
  SDL_ShowWindow(window_);
  SDL_RestoreWindow(window_);
  SDL_RaiseWindow(window_);
  full_ = true;
}

std::optional<std::string> WindowBackend::clipboard() {
  if (!window_) return std::nullopt;
  char* text = SDL_GetClipboardText();
  if (!text) return std::nullopt;
  std::string out(text);
  SDL_free(text);
  return out;
}

void WindowBackend::close() {
  if (!window_) return;
  if (magnified_) SDL_FreeSurface(magnified_);
  if (overlay_) SDL_FreeSurface(overlay_);
  if (canvas_) SDL_FreeSurface(canvas_);
  magnified_ = overlay_ = canvas_ = nullptr;
  if (font_) TTF_CloseFont(font_);
  font_ = nullptr;
  SDL_DestroyWindow(window_);
  window_ = nullptr;
  TTF_Quit();
  SDL_Quit();  // SDL's own connections (the session bus) go too
}

}  // namespace

std::unique_ptr<ConsoleBackend> make_window_backend(std::string& why) {
  const auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
    why = "sem display";
    return nullptr;
  }
  // Signals keep their usual effect (a runaway script can still be stopped), the window
  // is drawn in memory and sent as it is (exact colours, no graphics driver needed), and
  // closing it is ours to handle.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
#if defined(SDL_VIDEO_DRIVER_X11)
  // Xlib's own handler ends the program on any protocol error, such as a message about a
  // window that has just gone; that must never end a user's script. Set before the video
  // starts, so that it is also the handler put back when the video stops.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
#endif
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    why = SDL_GetError();
    SDL_Quit();
    return nullptr;
  }
  const auto fail = [&](std::string reason, bool ttf) {
    why = std::move(reason);
    if (ttf) TTF_Quit();
    SDL_Quit();
    return nullptr;
  };
  if (TTF_Init() != 0) return fail(TTF_GetError(), false);
  std::optional<FontChoice> mono = find_font("monospace", 400);
  TTF_Font* probe = mono ? TTF_OpenFontIndex(mono->file.c_str(), 12, mono->index) : nullptr;
  if (!probe) return fail("nenhuma fonte de largura fixa", true);
  TTF_CloseFont(probe);
  SDL_Window* w = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 400,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!w) return fail(SDL_GetError(), true);
  if (!SDL_GetWindowSurface(w)) {
    std::string reason = SDL_GetError();
    SDL_DestroyWindow(w);
    return fail(reason, true);
  }
  return std::make_unique<WindowBackend>(w, std::move(*mono));
}

}  // namespace zn
