// The braille keyboard: six letter keys and the space bar pressed together form a cell,
// turned into a character when the last of them is released.
#include <optional>

#include "console/ZnCrt.h"

namespace zn {
namespace {

// Cell -> Windows-1252, dots 1..6 as bits 1..32.
constexpr uint8_t kCells[64] = {
    ' ',  'a',  ',',  'b',  '\'', 'k',  ';',  'l',  '^',  'c',  'i',  'f',  0xED, 'm',  's',  'p',
    '~',  'e',  ':',  'h',  '*',  'o',  '!',  'r',  0xAC, 'd',  'j',  'g',  0xE3, 'n',  't',  'q',
    0xFD, 0xE2, '?',  0xEA, '-',  'u',  '"',  'v',  '{',  0xEE, 0xF5, 0xE0, 0xF3, 'x',  0xE8, 0xE7,
    '$',  0xFB, 0xFF, 0xFC, '}',  'z',  '=',  0xE1, '_',  0xF4, 'w',  0xEF, '#',  'y',  0xFA, 0xE9,
};

constexpr uint8_t kNumberSign = '#';
constexpr uint8_t kCapitalSign = '{';

void clear_flags(BrailleState& b) { b.capital = b.caps_lock = b.number = false; }

// Mode 2: the number and capital signs change the cells after them.
std::optional<uint8_t> apply_signs(BrailleState& b, uint8_t c) {
  if (b.number) {
    if (c == '\'') c = '.';
    else if (c >= 'a' && c <= 'i') c = static_cast<uint8_t>('1' + (c - 'a'));
    else if (c == 'j') c = '0';
    else if (c == '~') b.number = false;
  }
  if ((b.capital || b.caps_lock) && c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 32);
  if (c == kNumberSign) {
    b.number = true;
    return std::nullopt;
  }
  if (c != kCapitalSign) {
    b.capital = false;
    return c;
  }
  if (b.capital) b.caps_lock = true;
  b.capital = true;
  return std::nullopt;
}

bool letter_or_space(uint8_t key) { return key == ' ' || (key >= 'A' && key <= 'Z'); }

uint8_t upper(uint8_t key) { return key >= 'a' && key <= 'z' ? static_cast<uint8_t>(key - 32) : key; }

}  // namespace

uint8_t chord_bit(uint8_t key) {
  switch (upper(key)) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case ' ': return kChordSpace;
    default: return 0;
  }
}

uint8_t braille_cell_char(int dots6) { return kCells[dots6 & 63]; }

bool Console::chords_typed() const {
  return braille_.mode != BrailleMode::off && backend_ && backend_->has_key_release();
}

void Console::key_press(uint8_t key, Mods mods) {
  if (braille_.mode == BrailleMode::off || mods.ctrl || mods.alt) return;
  const uint8_t bit = chord_bit(key);
  braille_.dots |= bit;
  braille_.held |= bit;
}

void Console::key_release(uint8_t key, Mods mods) {
  if (braille_.mode == BrailleMode::off) return;
  key = upper(key);
  const uint8_t bit = letter_or_space(key) ? chord_bit(key) : 0;
  if (mods.ctrl || !letter_or_space(key)) {
    clear_flags(braille_);
    // Still let go: a chord key released under Ctrl would otherwise stay held and merge
    // into every later cell. A chord ended that way is abandoned.
    braille_.held &= static_cast<uint8_t>(~bit);
    if (bit != 0 && braille_.held == 0) braille_.dots = 0;
    return;
  }
  braille_.held &= static_cast<uint8_t>(~bit);
  if (braille_.held == 0) complete_cell();
}

void Console::complete_cell() {
  const uint8_t dots = braille_.dots;
  braille_.dots = 0;
  // Only a non-chord letter went up: no cell was typed, so no blank either.
  if (dots == 0) return;
  std::optional<uint8_t> c;
  if (dots & kChordSpace) {
    clear_flags(braille_);
    c = dots == kChordSpace ? uint8_t{' '} : static_cast<uint8_t>(kCells[dots & 63] & 31);
  } else {
    c = kCells[dots];
    if (braille_.mode == BrailleMode::signs) c = apply_signs(braille_, *c);
  }
  if (c) push_key(*c, {});
}

void Console::set_braille_mode(int mode) {
  if (mode > 2) mode = 1;
  if (mode < 0) mode = 0;
  if (mode == 0) {
    const bool was_on = braille_.mode != BrailleMode::off;
    braille_.dots = braille_.held = 0;
    clear_flags(braille_);
    if (was_on) tone_for(100);
  } else {
    tone_for(800);
    tone_for(mode == 1 ? 1600 : 400);
  }
  braille_.mode = static_cast<BrailleMode>(mode);
}

}  // namespace zn
