// Automation: synthesised keys and mouse, the clipboard, other windows and the console's menu.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"

namespace zn {
class Console;
}

namespace au {

// A key code: the low byte is the virtual key, the high byte the modifiers.
inline constexpr uint16_t kShiftBit = 0x100;
inline constexpr uint16_t kCtrlBit = 0x200;
inline constexpr uint16_t kAltBit = 0x400;
inline constexpr int kVkEnter = 13;
inline constexpr int kVkNumLock = 144;

// The one table from virtual keys to X keysyms; 0 for a virtual key with no keysym.
uint32_t keysym_of_vk(int vk);
// The keysym of a Windows-1252 character; 0 for the undefined bytes and NUL.
uint32_t keysym_of_char(unsigned char c);

// The accent typed as a dead key before the base letter; '_' when the byte is typed as it is.
struct Composition {
  unsigned char accent = '_';
  unsigned char base = 0;
};
Composition composition_of(unsigned char c);
// The dead keysym of an accent character of the table; 0 for '_'.
uint32_t dead_keysym_of(unsigned char accent);

// ACIONA's key names (upper case) to virtual keys.
std::optional<int> named_key(std::string_view upper_name);

// What ACIONA's value asks for: one character typed as DIGITA types it, or a key code.
struct KeyRequest {
  bool typed_char = false;
  unsigned char ch = 0;
  uint16_t code = 0;
};
// Null when the value is empty, a prefix is out of order or the name is unknown.
std::optional<KeyRequest> parse_key_request(std::string_view value);

// JANELA's pattern: a leading '*' anchors it to the start of the title, a trailing one to
// the end.
struct TitlePattern {
  std::string text;
  bool at_start = false;
  bool at_end = false;
};
TitlePattern parse_title_pattern(std::string_view pattern);
// The title is upper-cased with the interpreter's folding and cut to 143 characters; the
// pattern is compared as written.
bool title_matches(const TitlePattern& pattern, std::string_view title);
inline constexpr size_t kTitleMatchLength = 143;
inline constexpr size_t kCaptureLength = 254;

// --- menu -------------------------------------------------------------------------------

// Items beyond this are refused: every item keeps its texts and its mark.
inline constexpr size_t kMaxMenuItems = 65536;

struct Menu {
  bool exists = false;
  int left = 1, top = 1, right = 1, bottom = 1;  // inside the console, 1-based
  std::vector<std::string> items;
  std::vector<std::string> spoken;
  std::vector<uint8_t> marks;
  int selected = 0;  // -1: before the first item; the item count: after the last
  int first = 0;
  int start = 1;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

// What the menu asks of the speech front.
struct MenuVoice {
  std::function<void()> beep;
  std::function<void(std::string_view)> speak;
  std::function<void()> stop;
};

// The end of MENU EXECUTA: the position stored (0..count+1), the key text, the item text.
struct MenuChoice {
  int position = 0;
  std::string key;
  std::string text;
};

// --- the automation state of a program ----------------------------------------------------

struct Automation {
  zn::Console* console = nullptr;
  // Opened on first use from $DISPLAY; a test puts a double here.
  std::unique_ptr<plat::Desktop> desktop;
  bool desktop_tried = false;
  // Waits between synthesised events; null: the console's pause, which keeps its keys flowing.
  std::function<void(int ms)> pause;
  Menu menu;
};

// The desktop, opened on first use; null without a display.
plat::Desktop* desktop(Automation& a);

// Presses and releases a key code with its modifiers; nothing stays down after a failure.
bool press_code(Automation& a, uint16_t code);
// Types one character as DIGITA does, pausing pause_ms after it.
bool type_char(Automation& a, unsigned char c, int pause_ms);
// DIGITA: every character 100 ms apart, then Enter unless no_enter.
bool type_text(Automation& a, std::string_view text, bool no_enter);
// ACIONA with its value.
bool press_named(Automation& a, std::string_view value);

enum class ClickKind { single, twice, move_only };
// Window coordinates are offset by the foreground window's frame.
bool click(Automation& a, ClickKind kind, bool screen, int x, int y);
std::optional<plat::Point> mouse_position(Automation& a, bool screen);

// The clipboard: the desktop's when there is a display, else the console's own.
bool put_clipboard(Automation& a, std::string_view text);
// At most `longest` characters; empty when it holds no text; null when unreachable.
std::optional<std::string> clipboard_text(Automation& a, size_t longest);

enum class WindowAction { close, normal, maximise, minimise };
std::optional<WindowAction> window_action(std::string_view upper_word);
enum class WindowResult { done, none_matched, failed };
// JANELA: the first window in stacking order, topmost first, whose title matches.
WindowResult act_on_window(Automation& a, std::optional<WindowAction> action, std::string_view pattern);
// CAPTURA's texts; null when the desktop cannot answer.
std::optional<std::string> foreground_title(Automation& a);
std::string focus_text(Automation& a);
std::optional<std::string> field_text(Automation& a);

// MENU CRIA: the rectangle is kept inside the console; false when nothing of it is left.
bool menu_create(Menu& m, int left, int top, int right, int bottom);
bool menu_add(Menu& m, std::string_view text);
// MENU EXECUTA from start position `start_text` (kept from before when not an integer).
std::optional<MenuChoice> menu_run(Automation& a, const MenuVoice& voice, std::optional<int> start);
bool menu_finish(Automation& a);
// Draws the visible rows (for tests of the drawing and scrolling rules).
void menu_scroll(Menu& m);
void menu_draw(zn::Console& con, const Menu& m);

}  // namespace au
