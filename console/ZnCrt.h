// ZnCrt: the 80 x 25 text console: cells, attributes, cursor, key buffer, braille chords,
// line read and the tone generator.
//
// The model knows nothing of how it is drawn. A backend (window, terminal, headless)
// feeds keys into it through the key entry points and draws it from its public state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/braille_line.h"

namespace zn {

inline constexpr int kCols = 80;
inline constexpr int kRows = 25;
inline constexpr int kKeyBufferSize = 64;
inline constexpr int kLineCapacity = 128;  // a read line holds at most kLineCapacity - 2 characters
inline constexpr int kTitleCapacity = 300;

struct Rgb {
  uint8_t r, g, b;
};
// Colour number (after the colour map) to RGB; a mapped value above 15 is black.
Rgb palette_colour(int mapped);

// Keys a backend reports besides plain characters.
enum class Key {
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  Insert, Delete, Home, End, PageUp, PageDown, Up, Down, Left, Right,
  Break,  // Ctrl+Break
};

struct Mods {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// Braille keyboard: off, plain cells, or cells with the capital and number signs.
enum class BrailleMode : uint8_t { off = 0, plain = 1, signs = 2 };

// Chord bits: F, D, S, J, K, L are dots 1..6, the space bar is 64.
inline constexpr uint8_t kChordSpace = 64;

// The chord in progress and the sign flags of mode 2.
struct BrailleState {
  BrailleMode mode = BrailleMode::off;
  uint8_t dots = 0;  // pressed since the last cell (dot bits and the space bit)
  uint8_t held = 0;  // chord keys down now
  bool capital = false;
  bool caps_lock = false;
  bool number = false;
};

// Chord bit of a key ('A'..'Z' either case, or ' '); 0 for any other key.
uint8_t chord_bit(uint8_t key);
// The Windows-1252 character of a braille cell (dots 1..6 as bits 1..32).
uint8_t braille_cell_char(int dots6);

// The tone generator's wave: 8-bit mono PCM at 11025 Hz, a square wave of hz, as one
// kToneWaveSize-byte RIFF image whose header lengths cover the samples actually made
// (bytes after them are 0). Empty for hz <= 0.
inline constexpr int kToneWaveSize = 11071;
std::string tone_wave(int hz);

// A picture for the overlay: 0x00RRGGBB pixels, top row first.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};
// Larger pictures are refused: a header must not make us allocate what no screen shows.
inline constexpr int kMaxBitmapSide = 8192;
inline constexpr int64_t kMaxBitmapPixels = int64_t{4096} * 4096;
// A BMP with a 40-byte information header: 1, 4, 8, 16, 24 or 32 bits per pixel,
// uncompressed (16 and 32 also with bit masks), bottom-up or top-down. Null for anything
// else, for sizes past the limits and for a file too short for what its header says.
std::optional<Bitmap> read_bmp(std::string_view file_bytes);
std::optional<Bitmap> read_bmp_file(const std::string& host_path);

// The bitmap drawn over the text, with its top-left corner at pixel (x, y) of the window.
struct Overlay {
  Bitmap image;
  int x = 0;
  int y = 0;
  double scale = 1.0;
};

enum class BackendKind { window, terminal, headless };

class Console;

// How a console is shown and where its keys come from.
class ConsoleBackend {
 public:
  virtual ~ConsoleBackend() = default;
  // Called once, by the first operation that needs the window.
  virtual void open(Console&) {}
  // Deliver pending input to the console's key entry points. timeout_ms: 0 polls,
  // a positive value waits at most that long for input, -1 waits until some arrives.
  // Returns false when no input can come any more (the user closed the window).
  virtual bool pump(Console&, int timeout_ms) = 0;
  // Draw what changed in the model.
  virtual void present(const Console&) {}
  // Every byte written to the console, as it is written (the headless copy on stdout).
  virtual void copy_output(std::string_view) {}
  virtual void bell() {}
  virtual void title_changed(const Console&) {}
  virtual void visibility_changed(const Console&) {}
  // Current modifier state, for reads that report it; used only when
  // has_live_modifiers() is true.
  virtual Mods modifiers() const { return {}; }
  // The backend sees the modifier keys themselves (the window). Decoders of a byte stream
  // know only the modifiers each key arrived with, which the console records per key.
  virtual bool has_live_modifiers() const { return false; }
  // The backend calls key_press and key_release. Only then can braille chords be typed,
  // and only then are blanks and letters given to key_char dropped while a braille mode
  // is on (they come as chords); otherwise keys arrive as typed whatever the mode.
  virtual bool has_key_release() const { return false; }
  // The desktop clipboard, as UTF-8. set_clipboard is false and clipboard is null when
  // there is none or it cannot be reached; clipboard is empty when it holds no text.
  virtual bool set_clipboard(const std::string& /*utf8*/) { return false; }
  virtual std::optional<std::string> clipboard() { return std::nullopt; }
  // The window stays on screen after the program ends until the user closes it; finish()
  // then waits in pump() until pump returns false or the console is closed.
  virtual bool holds_at_end() const { return false; }
  virtual void close() {}
};

// Settings read once from the VIDEO and BRAILLE sections of the profile.
struct ConsoleSettings {
  std::array<uint8_t, 16> colour_map{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  bool colours_fixed = false;
  bool scroll_by_copy = false;
  uint8_t background = 0;
  uint8_t text = 15;
  int braille_mode = 0;
  int zoom = 2;
  std::string font = "Lucida Console";
  int char_width = 0;   // 0: derived from the work area
  int char_height = 0;  // 0: derived from the work area
  int weight = 700;
  bool start_maximised = true;
};

// Reads the settings from a profile file on disk (missing file or keys give the defaults).
ConsoleSettings load_console_settings(const std::string& profile_host_path);

class Console {
 public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // --- set-up --------------------------------------------------------------
  void set_backend(std::unique_ptr<ConsoleBackend> backend);
  ConsoleBackend* backend() const { return backend_.get(); }
  // The profile read when the window is first created.
  void set_profile_path(std::string host_path) { profile_path_ = std::move(host_path); }
  // Called instead of returning when the program must end at once (window closed: 0,
  // quit message or Ctrl+Break: 255). The default writes the screen file and exits.
  void set_quit_handler(std::function<void(int exit_code)> handler) { on_quit_ = std::move(handler); }
  // Where tones go: called with the frequency and tone_wave(hz) when a tone starts, and
  // with 0 and an empty wave when it stops. Without a handler tones are silent.
  using ToneHandler = std::function<void(int hz, const std::string& wave)>;
  void set_tone_handler(ToneHandler handler) { on_tone_ = std::move(handler); }
  // ROTEIRAL_SCREEN: where the final screen goes at exit (empty: nowhere).
  void set_screen_file(std::string host_path) { screen_file_ = std::move(host_path); }
  // A braille display that follows the caret, or the review position while one is set.
  void set_braille_line(std::unique_ptr<BrailleLine> line);
  BrailleLine* braille_line() const { return braille_line_.get(); }
  // The screen review mode's position (0-based column, row); nullopt outside the mode.
  void set_review_point(std::optional<std::pair<int, int>> col_row);
  std::optional<std::pair<int, int>> review_point() const { return review_point_; }
  // Called at every wait of the console, before its keys are taken in, and at least every
  // 20 ms of a longer wait, so that other sources of events (the accessibility bus) are
  // dispatched where keys are. Null: none.
  void set_wait_hook(std::function<void()> hook) { on_wait_ = std::move(hook); }

  // --- output ----------------------------------------------------------------
  void ensure_window();
  void write(std::string_view bytes);
  void write_line_end() { write("\r\n"); }
  void clear_screen();
  void clear_to_end_of_line();
  void go_to(int col, int row);  // 1-based, clamped to the screen
  int cursor_col() const { return col_ + 1; }
  int cursor_row() const { return row_ + 1; }
  void set_text_colour(int n);
  void set_background(int n);
  uint8_t attribute() const { return attr_; }
  void set_attribute(uint8_t a) { attr_ = a; }
  void set_title(std::string_view title);  // cut at kTitleCapacity
  const std::string& title() const { return title_; }
  void hide();     // TELA MINIMIZADA
  void restore();  // TELA NORMAL, and after an execution error
  bool hidden() const { return hidden_; }

  // --- waiting and keys ------------------------------------------------------
  void pause(int ms);  // sleep while keeping keys flowing
  bool key_pressed();
  uint8_t read_key();
  // Reads a line with echo; returns the characters without the line end.
  std::string read_line(int capacity = kLineCapacity);
  // The modifiers of the key last taken by read_key (both bytes of a special key carry
  // those of the key), as the key entry points recorded them; nothing held before the
  // first read. A backend with live modifiers (has_live_modifiers) is asked instead, for
  // the state at the moment of the call.
  Mods modifiers() const;
  void discard_keys() { key_count_ = 0; }
  // Keyboard focus, reported by backends that know it (the window): the caret shows only
  // with it, and a program started by EXECUTA is over when it comes back.
  void focus_changed(bool focused);
  // Null while no backend has told (headless, terminal): the console counts as in front.
  std::optional<bool> focused() const { return focused_; }

  // Key entry points for backends.
  void key_char(uint8_t ch, bool ctrl);  // a typed character (8 backspace, 13 enter)
  // The same, with every modifier held: recorded for modifiers(); only Ctrl changes codes.
  void key_typed(uint8_t ch, Mods mods);
  // A special key from the key table, or Ctrl+Break; Ctrl+Alt+F12 turns the braille
  // keyboard off and Ctrl+Alt+F11 steps its mode (0 -> 1 -> 2 -> 1).
  void key_down(Key key, Mods mods);
  void key_alt(uint8_t letter_or_digit);  // Alt + letter or digit (upper case: with Shift)
  // Key-down and key-up of a letter ('A'..'Z') or the space bar (' '), for backends with
  // key-up events; the character itself still comes through key_char. With a braille mode
  // on, F D S J K L and space form chords: key_press adds the key's dot unless Ctrl or Alt
  // is held, and the key_release that leaves no chord key down completes the cell (one
  // released under Ctrl abandons it; a cell without a chord key types nothing).
  // key_release takes every key: any other value is a key that is neither a letter nor
  // the space bar, whose release clears the capital, capitals-lock and number flags.
  void key_press(uint8_t key, Mods mods);
  void key_release(uint8_t key, Mods mods);
  // Raw push of one byte; false when the buffer is full.
  bool push_key(uint8_t byte);

  // --- clipboard ----------------------------------------------------------------
  // Windows-1252 here, UTF-8 on the desktop; the text ends at its first NUL. Nothing
  // happens when the backend has no clipboard.
  void put_clipboard(std::string_view text);
  // Null when capacity is 0 or there is no clipboard (the caller keeps what it had);
  // else at most capacity - 1 characters of its text, empty when it holds none.
  std::optional<std::string> clipboard_text(size_t capacity);

  // --- overlay bitmap -------------------------------------------------------------
  // Loads a BMP as the overlay at (0, 0), scale 1; a file that is not one leaves the
  // overlay as it was and gives false.
  bool load_overlay(const std::string& host_path);
  void remove_overlay();
  void draw_overlay_at(int x, int y);
  // Scales outside (0, 64] are ignored.
  void set_overlay_scale(double scale);
  const Overlay* overlay() const { return overlay_ ? &*overlay_ : nullptr; }
  // Bumped whenever the overlay's picture changes (not its place).
  uint64_t overlay_serial() const { return overlay_serial_; }

  // --- braille keyboard and tones ---------------------------------------------
  // Above 2 becomes 1, below 0 is 0. Off clears the chord and sounds 100 Hz if a mode was
  // on; modes 1 and 2 sound 800 Hz then 1600 Hz (1) or 400 Hz (2); 200 ms each.
  void set_braille_mode(int mode);
  BrailleMode braille_mode() const { return braille_.mode; }
  const BrailleState& braille() const { return braille_; }
  // Starts a looping tone (stopping the one playing); hz <= 0 only stops.
  void play_tone(int hz);
  void stop_tone();
  bool tone_playing() const { return !tone_wave_.empty(); }

  // --- ending ------------------------------------------------------------------
  // The user closed the window or the program was stopped: ends at once.
  void quit(int exit_code);
  // Program end: the title becomes "Programa terminado", Ctrl+Break stops counting and
  // the screen file is written; a backend that holds_at_end() is then kept until the
  // user closes it.
  void finish();
  bool closed() const { return closed_; }
  bool break_checking() const { return break_checking_; }

  // --- model, for backends and tests ----------------------------------------
  uint8_t char_at(int col0, int row0) const { return chars_[row0 * kCols + col0]; }
  uint8_t attr_at(int col0, int row0) const { return attrs_[row0 * kCols + col0]; }
  int col0() const { return col_; }
  int row0() const { return row_; }
  bool created() const { return created_; }
  bool reading() const { return reading_; }
  const ConsoleSettings& settings() const { return settings_; }
  int key_count() const { return key_count_; }
  // Whether a cell's text differs in colour from its background.
  bool cell_visible(int col0, int row0) const;
  // The 25 rows as shown, as UTF-8, trailing blanks of each row and empty last rows removed.
  std::string screen_text() const;
  // Bumped by every change of the cells, the cursor, the title, the visibility, the
  // focus or the overlay.
  uint64_t version() const { return version_; }
  // How many times the screen has scrolled, so a backend can move its pixels instead of
  // drawing every row again.
  uint64_t scrolls() const { return scrolls_; }

 private:
  void put_char(uint8_t ch);
  void next_line();
  void scroll_up();
  bool wait_for_input(int timeout_ms);
  bool pump_backend(int timeout_ms);
  void present();
  bool push_key(uint8_t byte, Mods mods);
  bool chords_typed() const;
  void complete_cell();
  void tone_for(int hz);

  std::array<uint8_t, kCols * kRows> chars_{};
  std::array<uint8_t, kCols * kRows> attrs_{};
  int col_ = 0;
  int row_ = 0;
  uint8_t attr_ = 15;
  ConsoleSettings settings_;
  std::string title_;
  bool created_ = false;
  bool hidden_ = false;
  bool reading_ = false;
  bool closed_ = false;
  bool finishing_ = false;  // finish() waits for the window to be closed
  bool break_checking_ = true;
  std::optional<bool> focused_;
  uint64_t version_ = 0;
  uint64_t scrolls_ = 0;
  std::optional<Overlay> overlay_;
  uint64_t overlay_serial_ = 0;
  std::array<uint8_t, kKeyBufferSize> keys_{};
  std::array<Mods, kKeyBufferSize> key_mods_{};  // the modifiers each byte came with
  int key_count_ = 0;
  Mods last_read_mods_{};
  bool pumping_ = false;  // inside backend->pump: key events must not pump again
  BrailleState braille_;
  std::string tone_wave_;  // the tone playing; empty: none
  ToneHandler on_tone_;
  std::unique_ptr<ConsoleBackend> backend_;
  std::string profile_path_;
  std::string screen_file_;
  std::function<void(int)> on_quit_;
  std::unique_ptr<BrailleLine> braille_line_;
  std::optional<std::pair<int, int>> review_point_;
  std::function<void()> on_wait_;
};

// Backends. in_fd/out_fd are the keys and the copy of the output (headless).
std::unique_ptr<ConsoleBackend> make_headless_backend(int in_fd, int out_fd);
// Null when standard input and output are not a terminal that can be drawn on.
std::unique_ptr<ConsoleBackend> make_terminal_backend();
// Null when no window can be opened (no display, the window system refuses, no font);
// `why` then says what failed.
std::unique_ptr<ConsoleBackend> make_window_backend(std::string& why);
// The kind chosen by ROTEIRAL_CONSOLE, or from the environment when it is unset.
BackendKind backend_kind_from_environment();
// The backend of that kind; a window that cannot open falls back to the terminal or
// headless backend (saying so on standard error), a terminal that cannot to headless.
std::unique_ptr<ConsoleBackend> make_backend(BackendKind kind);

}  // namespace zn
