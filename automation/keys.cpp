// Keystroke synthesis: the virtual-key table, ACIONA's key names, dead-key composition, typing.
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "automation/automation.h"
#include "console/ZnCrt.h"
#include "platform/text.h"

namespace au {
namespace {

struct VkSym {
  int vk;
  uint32_t keysym;
};

// Virtual keys that have a key of their own on an X keyboard; letters and digits are
// added by rule in keysym_of_vk.
constexpr VkSym kVkTable[] = {
    {8, XK_BackSpace},    {9, XK_Tab},          {12, XK_Clear},       {13, XK_Return},
    {16, XK_Shift_L},     {17, XK_Control_L},   {18, XK_Alt_L},       {19, XK_Pause},
    {20, XK_Caps_Lock},   {27, XK_Escape},      {32, XK_space},       {33, XK_Prior},
    {34, XK_Next},        {35, XK_End},         {36, XK_Home},        {37, XK_Left},
    {38, XK_Up},          {39, XK_Right},       {40, XK_Down},        {41, XK_Select},
    {42, XK_Print},       {43, XK_Execute},     {44, XK_Print},       {45, XK_Insert},
    {46, XK_Delete},      {47, XK_Help},        {91, XK_Super_L},     {92, XK_Super_R},
    {93, XK_Menu},        {106, XK_KP_Multiply}, {107, XK_KP_Add},    {108, XK_KP_Separator},
    {109, XK_KP_Subtract}, {110, XK_KP_Decimal}, {111, XK_KP_Divide}, {144, XK_Num_Lock},
    {145, XK_Scroll_Lock}, {160, XK_Shift_L},   {161, XK_Shift_R},    {162, XK_Control_L},
    {163, XK_Control_R},  {164, XK_Alt_L},      {165, XK_Alt_R},      {186, XK_semicolon},
    {187, XK_equal},      {188, XK_comma},      {189, XK_minus},      {190, XK_period},
    {191, XK_slash},      {192, XK_grave},      {219, XK_bracketleft}, {220, XK_backslash},
    {221, XK_bracketright}, {222, XK_apostrophe}, {226, XK_less},
};

struct Name {
  const char* name;
  int vk;
};

constexpr Name kKeyNames[] = {
    {"UP", 38},        {"DOWN", 40},      {"LEFT", 37},     {"RIGHT", 39},   {"ESCAPE", 27},
    {"ESC", 27},       {"ENTER", 13},     {"RETURN", 13},   {"BACKSPACE", 8}, {"TAB", 9},
    {"INS", 45},       {"HOME", 36},      {"DEL", 46},      {"DELETE", 46},  {"END", 35},
    {"PAGEUP", 33},    {"PRIOR", 33},     {"PAGEDN", 34},   {"NEXT", 34},    {"SNAPSHOT", 44},
};

struct AccentRow {
  unsigned char accent;
  const char* pairs;  // accented byte, base letter, ...
};

// Windows-1252: the accented letters typed as a dead key and then their base letter.
constexpr AccentRow kAccents[] = {
    {'`', "\xC0" "A" "\xC8" "E" "\xCC" "I" "\xD2" "O" "\xD9" "U" "\xE0" "a" "\xE8" "e" "\xEC" "i" "\xF2" "o" "\xF9" "u"},
    {0xB4, "\xC1" "A" "\xC9" "E" "\xCD" "I" "\xD3" "O" "\xDA" "U" "\xDD" "Y" "\xE1" "a" "\xE9" "e" "\xED" "i" "\xF3" "o"
           "\xFA" "u" "\xFD" "y"},
    {'^', "\xC2" "A" "\xCA" "E" "\xCE" "I" "\xD4" "O" "\xDB" "U" "\xE2" "a" "\xEA" "e" "\xEE" "i" "\xF4" "o" "\xFB" "u"},
    {'~', "\xC3" "A" "\xD1" "N" "\xD5" "O" "\xE3" "a" "\xF1" "n" "\xF5" "o"},
    {0xA8, "\xC4" "A" "\xCB" "E" "\xCF" "I" "\xD6" "O" "\xDC" "U" "\xE4" "a" "\xEB" "e" "\xEF" "i" "\xF6" "o" "\xFC" "u"
           "\xFF" "y"},
};

constexpr std::array<Composition, 256> build_compositions() {
  std::array<Composition, 256> t{};
  for (int c = 0; c < 256; ++c) t[static_cast<size_t>(c)] = {'_', static_cast<unsigned char>(c)};
  for (const auto& row : kAccents)
    for (const char* p = row.pairs; p[0] && p[1]; p += 2)
      t[static_cast<unsigned char>(p[0])] = {row.accent, static_cast<unsigned char>(p[1])};
  return t;
}
constexpr std::array<Composition, 256> kCompositions = build_compositions();

unsigned char upper_ascii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

void wait_ms(Automation& a, int ms) {
  if (a.pause) a.pause(ms);
  else if (a.console) a.console->pause(ms);
}

// Our own console takes in at once whatever a synthesised key gave it.
void after_event(Automation& a) {
  if (a.console && !a.pause) a.console->key_pressed();
}

// Presses the modifiers in order, the key down and up, and the modifiers up in reverse
// order of need; on any refusal everything pressed is let go.
bool press_with(Automation& a, plat::Desktop& d, uint32_t keysym, const std::vector<uint32_t>& modifiers) {
  const auto fail = [&] {
    d.release_all_keys();
    d.sync();
    return false;
  };
  for (uint32_t m : modifiers) {
    if (!d.key(m, true)) return fail();
    after_event(a);
  }
  if (!d.key(keysym, true)) return fail();
  after_event(a);
  if (!d.key(keysym, false)) return fail();
  after_event(a);
  for (uint32_t m : modifiers) {
    if (!d.key(m, false)) return fail();
    after_event(a);
  }
  return true;
}

// The character's own key, with the modifiers the layout needs for it (none when a spare
// key is given the character).
bool press_char_key(Automation& a, plat::Desktop& d, uint32_t keysym, std::vector<uint32_t> modifiers) {
  if (auto how = d.reach(keysym)) {
    if (how->shift) modifiers.push_back(XK_Shift_L);
    if (how->level3) modifiers.push_back(XK_ISO_Level3_Shift);
  }
  return press_with(a, d, keysym, modifiers);
}

bool type_accented(Automation& a, plat::Desktop& d, unsigned char c) {
  const uint32_t letter = keysym_of_char(c);
  if (letter == 0) return true;  // an undefined byte is no character
  const Composition comp = composition_of(c);
  if (comp.accent == '_' || d.reach(letter)) return press_char_key(a, d, letter, {});
  const uint32_t dead = dead_keysym_of(comp.accent);
  if (!d.reach(dead)) return press_char_key(a, d, letter, {});  // a spare key gets the letter
  if (!press_char_key(a, d, dead, {})) return false;
  const uint32_t base = keysym_of_char(comp.base);
  return press_char_key(a, d, d.reach(base) ? base : XK_space, {});
}

}  // namespace

uint32_t keysym_of_vk(int vk) {
  if (vk >= '0' && vk <= '9') return static_cast<uint32_t>(vk);
  if (vk >= 'A' && vk <= 'Z') return static_cast<uint32_t>(vk + 32);  // the letter's own key
  if (vk >= 96 && vk <= 105) return XK_KP_0 + static_cast<uint32_t>(vk - 96);
  if (vk >= 112 && vk <= 135) return XK_F1 + static_cast<uint32_t>(vk - 112);
  for (const auto& e : kVkTable)
    if (e.vk == vk) return e.keysym;
  return 0;
}

uint32_t keysym_of_char(unsigned char c) {
  if (c >= 0x20 && c <= 0x7E) return c;
  if (c == 0x7F) return XK_Delete;
  if (c >= 0xA0) return c;  // Latin-1 keysyms are the code points
  if (c >= 0x80) {
    const char32_t cp = plat::cp1252_code_point(c);
    if (cp < 0xA0) return 0;  // one of the five bytes the code page leaves undefined
    return 0x01000000u | static_cast<uint32_t>(cp);
  }
  return 0;
}

Composition composition_of(unsigned char c) { return kCompositions[c]; }

uint32_t dead_keysym_of(unsigned char accent) {
  switch (accent) {
    case '`': return XK_dead_grave;
    case 0xB4: return XK_dead_acute;
    case '^': return XK_dead_circumflex;
    case '~': return XK_dead_tilde;
    case 0xA8: return XK_dead_diaeresis;
    default: return 0;
  }
}

std::optional<int> named_key(std::string_view upper_name) {
  if (upper_name.size() >= 2 && upper_name.size() <= 3 && upper_name[0] == 'F') {
    int n = 0;
    for (char c : upper_name.substr(1)) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + (c - '0');
    }
    if (n >= 1 && n <= 12 && upper_name[1] != '0') return 111 + n;
    return std::nullopt;
  }
  for (const auto& k : kKeyNames)
    if (upper_name == k.name) return k.vk;
  return std::nullopt;
}

std::optional<KeyRequest> parse_key_request(std::string_view value) {
  if (value.empty()) return std::nullopt;
  if (value.size() == 1) return KeyRequest{true, static_cast<unsigned char>(value[0]), 0};
  std::string upper;
  for (char c : value) upper += static_cast<char>(upper_ascii(static_cast<unsigned char>(c)));
  std::string_view rest = upper;
  uint16_t mods = 0;
  const auto strip = [&](std::string_view prefix, uint16_t bit) {
    if (rest.substr(0, prefix.size()) == prefix) {
      rest.remove_prefix(prefix.size());
      mods |= bit;
    }
  };
  strip("CTRL+", kCtrlBit);
  strip("SHIFT+", kShiftBit);
  strip("ALT+", kAltBit);
  if (rest.empty()) return std::nullopt;
  int vk = -1;
  if (auto named = named_key(rest)) {
    vk = *named;
  } else if (rest.size() == 1) {
    vk = static_cast<unsigned char>(rest[0]);
  } else if (rest[0] == '#') {
    std::string_view digits = rest.substr(1);
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    int n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + (c - '0');
    }
    if (n > 255) return std::nullopt;  // a virtual key is one byte
    vk = n;
  } else {
    return std::nullopt;
  }
  return KeyRequest{false, 0, static_cast<uint16_t>(mods | vk)};
}

plat::Desktop* desktop(Automation& a) {
  if (!a.desktop && !a.desktop_tried) {
    a.desktop_tried = true;
    std::string why;
    a.desktop = plat::open_x11_desktop(why);
  }
  return a.desktop.get();
}

bool press_code(Automation& a, uint16_t code) {
  plat::Desktop* d = desktop(a);
  if (!d) return false;
  std::vector<uint32_t> modifiers;
  if (code & kShiftBit) modifiers.push_back(XK_Shift_L);
  if (code & kCtrlBit) modifiers.push_back(XK_Control_L);
  if (code & kAltBit) modifiers.push_back(XK_Alt_L);
  const int vk = code & 0xFF;
  if (vk == kVkNumLock) {
    // The lock state flips; the key itself is never sent.
    bool ok = true;
    for (uint32_t m : modifiers) ok = ok && d->key(m, true);
    ok = ok && d->toggle_num_lock();
    d->release_all_keys();
    d->sync();
    after_event(a);
    return ok;
  }
  const uint32_t keysym = keysym_of_vk(vk);
  if (keysym == 0) return false;
  return press_with(a, *d, keysym, modifiers);
}

bool type_char(Automation& a, unsigned char c, int pause_ms) {
  plat::Desktop* d = desktop(a);
  if (!d) return false;
  bool ok;
  if (c >= 32 && c <= 127) {
    ok = press_char_key(a, *d, keysym_of_char(c), {});
  } else if (c >= 128) {
    ok = type_accented(a, *d, c);
  } else {
    // A control character is its letter with Ctrl: 13 is Ctrl+M.
    unsigned char letter = static_cast<unsigned char>(c + 64);
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<unsigned char>(letter + 32);
    ok = press_char_key(a, *d, keysym_of_char(letter), {XK_Control_L});
    wait_ms(a, pause_ms);
  }
  wait_ms(a, pause_ms);
  return ok;
}

bool type_text(Automation& a, std::string_view text, bool no_enter) {
  if (!desktop(a)) return false;
  for (char c : text)
    if (!type_char(a, static_cast<unsigned char>(c), 100)) return false;
  if (no_enter) return true;
  const bool ok = press_code(a, kVkEnter);
  wait_ms(a, 100);
  return ok;
}

bool press_named(Automation& a, std::string_view value) {
  std::optional<KeyRequest> req = parse_key_request(value);
  if (!req) return false;
  plat::Desktop* d = desktop(a);
  if (!d) return false;
  if (req->typed_char) {
    const unsigned char c = req->ch;
    if (c < 32 || c > 127) return type_char(a, c, 1);
    // The character's key alone: a capital letter is its letter key without Shift.
    const uint32_t keysym = keysym_of_char(c);
    bool ok = d->key(keysym, true);
    after_event(a);
    wait_ms(a, 1);
    ok = ok && d->key(keysym, false);
    if (!ok) d->release_all_keys();
    after_event(a);
    wait_ms(a, 1);
    return ok;
  }
  const bool ok = press_code(a, req->code);
  wait_ms(a, 100);
  return ok;
}

// --- mouse and clipboard ----------------------------------------------------------------

namespace {

// Window coordinates start inside the foreground window's frame.
plat::Point window_offset(plat::Desktop& d) {
  std::optional<plat::WindowId> fg = d.foreground();
  if (!fg) return {};
  std::optional<plat::Rect> r = d.frame(*fg);
  if (!r) return {};
  return {r->left + d.frame_border(*fg), r->top + 4};
}

int offset_sum(int v, int off) {
  const long long s = static_cast<long long>(v) + off;
  return static_cast<int>(std::clamp<long long>(s, INT32_MIN, INT32_MAX));
}

}  // namespace

bool click(Automation& a, ClickKind kind, bool screen, int x, int y) {
  plat::Desktop* d = desktop(a);
  if (!d) return false;
  if (!screen) {
    const plat::Point off = window_offset(*d);
    x = offset_sum(x, off.x);
    y = offset_sum(y, off.y);
  }
  if (!d->move_pointer(x, y)) return false;
  const int clicks = kind == ClickKind::single ? 1 : kind == ClickKind::twice ? 2 : 0;
  for (int i = 0; i < clicks; ++i) {
    const bool ok = d->button(1, true) && d->button(1, false);
    if (!ok) {
      d->button(1, false);
      return false;
    }
  }
  d->sync();
  return true;
}

std::optional<plat::Point> mouse_position(Automation& a, bool screen) {
  plat::Desktop* d = desktop(a);
  if (!d) return std::nullopt;
  std::optional<plat::Point> p = d->pointer();
  if (!p || screen) return p;
  const plat::Point off = window_offset(*d);
  return plat::Point{p->x - off.x, p->y - off.y};
}

bool put_clipboard(Automation& a, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (plat::Desktop* d = desktop(a)) return d->set_clipboard(std::string(text));
  if (!a.console || !a.console->backend()) return false;
  return a.console->backend()->set_clipboard(plat::cp1252_to_utf8(text));
}

std::optional<std::string> clipboard_text(Automation& a, size_t longest) {
  std::optional<std::string> text;
  if (plat::Desktop* d = desktop(a)) text = d->clipboard();
  else if (a.console) text = a.console->clipboard_text(longest + 1);
  if (!text) return text;
  *text = text->substr(0, text->find('\0'));
  if (text->size() > longest) text->resize(longest);
  return text;
}

}  // namespace au
