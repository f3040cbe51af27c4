// ZnCrt: the 80 x 25 text console: cells, attributes, cursor, key buffer and line read.
//
// The model knows nothing of how it is drawn. A backend (window, terminal, headless)
// feeds keys into it through the key entry points and draws it from its public state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

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
  // Current modifier state, for reads that report it.
  virtual Mods modifiers() const { return {}; }
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
  // ROTEIRAL_SCREEN: where the final screen goes at exit (empty: nowhere).
  void set_screen_file(std::string host_path) { screen_file_ = std::move(host_path); }

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
  Mods modifiers() const;
  void discard_keys() { key_count_ = 0; }

  // Key entry points for backends.
  void key_char(uint8_t ch, bool ctrl);  // a typed character (8 backspace, 13 enter)
  void key_down(Key key, Mods mods);     // a special key from the key table, or Ctrl+Break
  void key_alt(uint8_t letter_or_digit);  // Alt + letter or digit
  // Raw push of one byte; false when the buffer is full.
  bool push_key(uint8_t byte);

  // --- ending ------------------------------------------------------------------
  // The user closed the window or the program was stopped: ends at once.
  void quit(int exit_code);
  // Program end: the title becomes "Programa terminado" and the screen file is written.
  void finish();
  bool closed() const { return closed_; }

  // --- model, for backends and tests ----------------------------------------
  uint8_t char_at(int col0, int row0) const { return chars_[row0 * kCols + col0]; }
  uint8_t attr_at(int col0, int row0) const { return attrs_[row0 * kCols + col0]; }
  int col0() const { return col_; }
  int row0() const { return row_; }
  bool created() const { return created_; }
  bool reading() const { return reading_; }
  const ConsoleSettings& settings() const { return settings_; }
  int key_count() const { return key_count_; }
  // The 25 rows as UTF-8, trailing blanks of each row and empty last rows removed.
  std::string screen_text() const;
  // Bumped by every change of the cells, the cursor, the title or the visibility.
  uint64_t version() const { return version_; }

 private:
  void put_char(uint8_t ch);
  void next_line();
  void scroll_up();
  bool wait_for_input(int timeout_ms);
  void present();

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
  uint64_t version_ = 0;
  std::array<uint8_t, kKeyBufferSize> keys_{};
  int key_count_ = 0;
  std::unique_ptr<ConsoleBackend> backend_;
  std::string profile_path_;
  std::string screen_file_;
  std::function<void(int)> on_quit_;
};

// Backends. in_fd/out_fd are the keys and the copy of the output (headless).
std::unique_ptr<ConsoleBackend> make_headless_backend(int in_fd, int out_fd);
// Null when standard input and output are not a terminal that can be drawn on.
std::unique_ptr<ConsoleBackend> make_terminal_backend();
// The kind chosen by ROTEIRAL_CONSOLE, or from the environment when it is unset.
BackendKind backend_kind_from_environment();
// The backend of that kind; one that cannot start falls back to headless.
std::unique_ptr<ConsoleBackend> make_backend(BackendKind kind);

}  // namespace zn
