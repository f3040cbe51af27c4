#include "console/braille_line.h"

#include <algorithm>

#include "console/ZnCrt.h"
#include "platform/text.h"

namespace zn {
namespace {

std::pair<int, int> point_of_regard(const Console& con) {
  if (auto p = con.review_point()) return *p;
  return {con.col0(), con.row0()};
}

// The cells of a row from offset on, as many as the display has; control characters and
// cells past the row's end show as blanks.
std::string row_text(const Console& con, int row, int offset, int width) {
  std::string cells;
  cells.reserve(static_cast<size_t>(width));
  for (int i = 0; i < width; ++i) {
    const int col = offset + i;
    const uint8_t c = col < kCols ? con.char_at(col, row) : ' ';
    const bool control = c < 32 || c == 127 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
    cells += static_cast<char>(control ? ' ' : c);
  }
  return plat::cp1252_to_utf8(cells);
}

}  // namespace

void BrailleLine::refresh(const Console& con) {
  if (!alive()) return;
  const int width = std::max(1, link_->columns());
  const auto point = point_of_regard(con);
  if (point != last_point_) {
    manual_ = false;
    last_point_ = point;
  }
  if (!manual_) {
    row_ = point.second;
    offset_ = (point.first / width) * width;
  }
  const std::string text = row_text(con, row_, offset_, width);
  const bool on_row = row_ == point.second && point.first >= offset_ && point.first < offset_ + width;
  const int cursor = on_row ? point.first - offset_ : -1;
  if (drawn_ && text == shown_ && cursor == shown_cursor_) return;
  shown_ = text;
  shown_cursor_ = cursor;
  drawn_ = link_->show(text, cursor);
}

void BrailleLine::take_input(Console& con) {
  if (!alive()) return;
  // A bounded batch, so a display that floods keys cannot hold the program here.
  for (int n = 0; n < 64; ++n) {
    auto in = link_->poll();
    if (!in) break;
    apply(con, *in);
  }
  refresh(con);
}

void BrailleLine::apply(Console& con, const plat::BrailleInput& in) {
  const int width = std::max(1, link_->columns());
  using plat::BrailleCommand;
  switch (in.command) {
    case BrailleCommand::pan_left:
      manual_ = true;
      if (offset_ > 0) {
        offset_ = std::max(0, offset_ - width);
      } else if (row_ > 0) {
        --row_;
        offset_ = ((kCols - 1) / width) * width;
      }
      break;
    case BrailleCommand::pan_right:
      manual_ = true;
      if (offset_ + width < kCols) {
        offset_ += width;
      } else if (row_ < kRows - 1) {
        ++row_;
        offset_ = 0;
      }
      break;
    case BrailleCommand::line_up:
      manual_ = true;
      row_ = std::max(0, row_ - 1);
      break;
    case BrailleCommand::line_down:
      manual_ = true;
      row_ = std::min(kRows - 1, row_ + 1);
      break;
    case BrailleCommand::top:
      manual_ = true;
      row_ = 0;
      offset_ = 0;
      break;
    case BrailleCommand::bottom:
      manual_ = true;
      row_ = kRows - 1;
      offset_ = 0;
      break;
    case BrailleCommand::home:
      manual_ = false;
      last_point_ = {-1, -1};
      break;
    case BrailleCommand::route:
      route(con, in.cell);
      break;
    case BrailleCommand::key:
      type_key(con, in);
      break;
  }
}

// A routing key on the caret's row moves the line editor's cursor there, by the arrow
// keys the editor already knows.
void BrailleLine::route(Console& con, int cell) {
  const auto point = point_of_regard(con);
  if (!con.reading() || con.review_point() || row_ != point.second) return;
  const int target = std::clamp(offset_ + cell, 0, kCols - 1);
  const int steps = target - point.first;
  for (int i = 0; i < std::abs(steps) && con.key_count() < kKeyBufferSize - 2; ++i)
    con.key_down(steps > 0 ? Key::Right : Key::Left, Mods{});
}

void BrailleLine::type_key(Console& con, const plat::BrailleInput& in) {
  const Mods mods{in.shift, in.ctrl, in.alt};
  const uint32_t sym = in.keysym;
  struct Named {
    uint32_t sym;
    Key key;
  };
  static constexpr Named kNamed[] = {
      {0xFF50, Key::Home}, {0xFF51, Key::Left},   {0xFF52, Key::Up},       {0xFF53, Key::Right},
      {0xFF54, Key::Down}, {0xFF55, Key::PageUp}, {0xFF56, Key::PageDown}, {0xFF57, Key::End},
      {0xFF63, Key::Insert}, {0xFFFF, Key::Delete},
  };
  for (const Named& n : kNamed) {
    if (n.sym == sym) {
      con.key_down(n.key, mods);
      return;
    }
  }
  if (sym >= 0xFFBE && sym <= 0xFFC9) {
    con.key_down(static_cast<Key>(static_cast<int>(Key::F1) + static_cast<int>(sym - 0xFFBE)), mods);
    return;
  }
  switch (sym) {
    case 0xFF0D: con.key_typed(13, mods); return;
    case 0xFF08: con.key_typed(8, mods); return;
    case 0xFF09: con.key_typed(9, mods); return;
    case 0xFF1B: con.key_typed(27, mods); return;
    default: break;
  }
  char32_t cp = 0;
  if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) cp = sym;
  else if ((sym & 0xFF000000u) == 0x01000000u) cp = sym & 0x00FFFFFFu;
  if (cp == 0) return;
  const uint8_t c = plat::cp1252_from_code_point(cp);
  if (c == '?' && cp != U'?') return;
  con.key_typed(c, mods);
}

}  // namespace zn
