// Desktop: synthesised keys and pointer, other programs' windows and the desktop clipboard.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plat {

using WindowId = uint64_t;

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// How the layout reaches a keysym: the key's own level, with Shift, or with the third
// level shift (AltGr).
struct KeyReach {
  bool shift = false;
  bool level3 = false;
};

struct WindowState {
  bool exists = false;
  bool visible = false;
  bool minimised = false;
  std::string title;  // Windows-1252
};

enum class ShowMode { normal, maximised, minimised };

// Limits every caller relies on: titles are cut here, pointer moves are kept on screen.
inline constexpr size_t kTitleBytesRead = 4096;
inline constexpr size_t kClipboardBytesRead = 1u << 20;

class Desktop {
 public:
  virtual ~Desktop() = default;

  // --- keys (X keysyms) ---
  // Where the current layout has the keysym; null when no key makes it.
  virtual std::optional<KeyReach> reach(uint32_t keysym) = 0;
  // A key event for the keysym's key, no modifiers added. A keysym without a key is given
  // a spare key for as long as it is down. False when it cannot be sent.
  virtual bool key(uint32_t keysym, bool down) = 0;
  // Lets go of every key this desktop has pressed and not released.
  virtual void release_all_keys() = 0;
  // Flips the Num Lock state without sending the key.
  virtual bool toggle_num_lock() = 0;

  // --- pointer (screen coordinates; moves are clamped to the screen) ---
  virtual bool move_pointer(int x, int y) = 0;
  virtual bool button(int number, bool down) = 0;
  virtual std::optional<Point> pointer() = 0;

  // --- windows ---
  // Top-level windows, topmost first.
  virtual std::vector<WindowId> windows() = 0;
  // The state of a window now; exists is false once it has gone.
  virtual WindowState state(WindowId id) = 0;
  virtual bool close(WindowId id) = 0;
  virtual bool show(WindowId id, ShowMode mode) = 0;
  virtual bool activate(WindowId id) = 0;
  virtual std::optional<WindowId> foreground() = 0;
  // The outer rectangle of the window with its frame, and the frame's side width.
  virtual std::optional<Rect> frame(WindowId id) = 0;
  virtual int frame_border(WindowId id) = 0;

  // --- clipboard (Windows-1252) ---
  virtual bool set_clipboard(const std::string& text) = 0;
  // Null when the clipboard cannot be reached; empty when it holds no text.
  virtual std::optional<std::string> clipboard() = 0;

  // Waits until the events sent so far have been handled by the display.
  virtual void sync() = 0;
};

// The X11 desktop of $DISPLAY (XTest and EWMH); null with `why` set when there is none.
std::unique_ptr<Desktop> open_x11_desktop(std::string& why);

// Test double: records every event, with a scripted layout and window list.
struct RecordedWindow {
  WindowId id = 0;
  WindowState state;
  Rect frame;
  int border = 0;
  bool maximised = false;
  bool closes = true;  // answers a close request
};

class RecordingDesktop final : public Desktop {
 public:
  // "down KEYSYM", "up KEYSYM", "numlock", "move X Y", "button N down|up",
  // "close ID", "show ID normal|maximised|minimised", "activate ID", in order.
  std::vector<std::string> events;
  std::vector<std::pair<uint32_t, KeyReach>> layout;  // keysyms with a key
  std::vector<uint32_t> refused;                      // keysyms whose events fail
  std::vector<RecordedWindow> stack;                  // topmost first
  std::optional<WindowId> front;
  Point cursor;
  int width = 1280;
  int height = 1024;
  std::optional<std::string> clip = std::string();
  std::vector<uint32_t> held;
  // Windows that close right after the next listing, between a search and its action.
  std::vector<WindowId> vanish_after_listing;

  std::optional<KeyReach> reach(uint32_t keysym) override;
  bool key(uint32_t keysym, bool down) override;
  void release_all_keys() override;
  bool toggle_num_lock() override;
  bool move_pointer(int x, int y) override;
  bool button(int number, bool down) override;
  std::optional<Point> pointer() override { return cursor; }
  std::vector<WindowId> windows() override;
  WindowState state(WindowId id) override;
  bool close(WindowId id) override;
  bool show(WindowId id, ShowMode mode) override;
  bool activate(WindowId id) override;
  std::optional<WindowId> foreground() override { return front; }
  std::optional<Rect> frame(WindowId id) override;
  int frame_border(WindowId id) override;
  bool set_clipboard(const std::string& text) override;
  std::optional<std::string> clipboard() override { return clip; }
  void sync() override {}

  RecordedWindow* find(WindowId id);
};

}  // namespace plat
