#include <cstdint>
#include <optional>

#include "console/ZnCrt.h"
#include "platform/profile.h"

namespace zn {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The language's integer conversion: blanks, a sign, decimal digits or hex after $, x, X,
// 0x, 0X; the value must fit 32 bits and nothing may follow.
std::optional<int32_t> to_int(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    i += 1;
  }
  if (i >= s.size()) return std::nullopt;
  int64_t value = 0;
  const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
  for (; i < s.size(); ++i) {
    const int d = hex_digit(s[i]);
    if (d < 0 || d >= base) return std::nullopt;
    value = value * base + d;
    if (value > limit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

std::string_view trim(std::string_view s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string_view::npos) return {};
  const size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

bool first_letter_yes(const std::string& v) { return !v.empty() && (v[0] == 'S' || v[0] == 's'); }

// Colour numbers outside 0..15 show black; keep them out of the palette's range.
uint8_t map_entry(int32_t n) { return n >= 0 && n <= 15 ? static_cast<uint8_t>(n) : 255; }

// Each item is the text before the next comma. The comma is looked for in the rest as it
// stands, the item cut from the rest without its leading blanks: an item after a blank
// therefore runs into the comma, and is taken only as far as that comma, ending the list.
void read_colour_map(std::string_view rest, std::array<uint8_t, 16>& map) {
  for (size_t entry = 0; entry < map.size(); ++entry) {
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return;
    const std::string_view item = trim(rest).substr(0, comma);
    if (auto n = to_int(item)) {
      map[entry] = map_entry(*n);
      rest.remove_prefix(comma + 1);
      continue;
    }
    const size_t inner = item.find(',');
    if (inner != std::string_view::npos) {
      if (auto n = to_int(item.substr(0, inner))) map[entry] = map_entry(*n);
    }
    return;
  }
}

std::optional<int32_t> int_key(const std::string& path, const char* section, const char* key) {
  const std::string v = plat::profile_get(path, section, key);
  if (v.empty()) return std::nullopt;
  return to_int(v);
}

}  // namespace

Rgb palette_colour(int mapped) {
  static constexpr Rgb kPalette[16] = {
      {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
      {255, 0, 0},     {142, 0, 142},   {68, 34, 34},    {192, 192, 192},
      {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
      {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255}};
  if (mapped < 0 || mapped > 15) return {0, 0, 0};
  return kPalette[mapped];
}

ConsoleSettings load_console_settings(const std::string& path) {
  ConsoleSettings s;
  const char* video = "VIDEO";
  read_colour_map(plat::profile_get(path, video, "TABCORES"), s.colour_map);
  s.colours_fixed = first_letter_yes(plat::profile_get(path, video, "CORESFIXAS"));
  s.scroll_by_copy = first_letter_yes(plat::profile_get(path, video, "LENTO"));
  if (auto n = int_key(path, video, "CORFUNDO")) s.background = static_cast<uint8_t>(*n & 15);
  if (auto n = int_key(path, video, "CORLETRA")) s.text = static_cast<uint8_t>(*n & 15);

  const std::string mode = plat::profile_get(path, "BRAILLE", "MODO");
  if (!mode.empty()) s.braille_mode = static_cast<unsigned char>(mode[0]) & 3;

  // A zoom of 0 would divide by zero in the magnifier; it gets the default.
  const std::string zoom = plat::profile_get(path, video, "AMPLIF");
  if (!zoom.empty()) s.zoom = static_cast<unsigned char>(zoom[0]) & 7;
  if (s.zoom <= 0) s.zoom = 2;

  std::string font = plat::profile_get(path, video, "FONTE");
  if (!font.empty()) s.font = std::move(font);

  // Sizes outside what a screen can show are treated as absent (derived from the work area).
  if (auto n = int_key(path, video, "LARGURALETRA"); n && *n > 0 && *n <= 1000) s.char_width = *n;
  if (auto n = int_key(path, video, "ALTURALETRA"); n && *n > 0 && *n <= 1000) s.char_height = *n;
  if (auto n = int_key(path, video, "PESOLETRA"); n && *n > 0 && *n <= 1000) s.weight = *n;

  // CANTOTELA: "SIM" (the default) starts maximised; N... starts at the computed size.
  const std::string corner = plat::profile_get(path, video, "CANTOTELA");
  s.start_maximised = corner.empty() || (corner[0] != 'N' && corner[0] != 'n');
  return s;
}

}  // namespace zn
