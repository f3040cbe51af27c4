// Screen review: a review position walks the console's cells and speaks what it meets.
#include "speech/review.h"

#include <algorithm>
#include <string>

#include "console/ZnCrt.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

constexpr int kWidth = 80;  // wider consoles are read in their first 80 columns
constexpr size_t kSearchMax = 2048;

bool word_char(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  static constexpr std::string_view accented = "\xC0\xC1\xC2\xC3\xC7\xC9\xCA\xCD\xD1\xD3\xD4\xD5\xDA";
  return accented.find(static_cast<char>(fold_pt(c))) != std::string_view::npos;
}
bool letter(unsigned char c) { return word_char(c) && !(c >= '0' && c <= '9'); }
bool consonant(unsigned char c) {
  c = fold_pt(c);
  return c >= 'B' && c <= 'Z' && c != 'E' && c != 'I' && c != 'O' && c != 'U';
}
bool separator(unsigned char c) { return c == '!' || c == ':' || c == '?' || c == '|' || (c >= 176 && c <= 223); }

struct Review {
  Speech& s;
  zn::Console& con;
  int rows = zn::kRows;
  int row = 1, col = 1;

  unsigned char cell(int r, int c) const {
    if (r < 1 || r > rows || c < 1 || c > std::min(kWidth, zn::kCols)) return ' ';
    return con.char_at(c - 1, r - 1);
  }
  int attr(int r, int c) const {
    if (r < 1 || r > rows || c < 1 || c > std::min(kWidth, zn::kCols)) return 0;
    return con.attr_at(c - 1, r - 1);
  }
  int row_end(int r) const {
    int c = kWidth;
    while (c >= 1 && cell(r, c) == ' ') --c;
    return c + 1;
  }
  bool waiting() { return con.key_pressed(); }
  void complain() {
    play_beep(s);
    play_click(s);
    play_beep(s);
  }

  // The colour run around (r, c); false on a separator.
  bool field(int r, int c, int& a, int& b) const {
    if (separator(cell(r, c)) || c < 1 || c > kWidth) return false;
    const int at = attr(r, c);
    a = b = c;
    while (a > 1 && attr(r, a - 1) == at && !separator(cell(r, a - 1))) --a;
    while (b < kWidth && attr(r, b + 1) == at && !separator(cell(r, b + 1))) ++b;
    return true;
  }

  // Speaks the word at column c of row r, up to column last; returns the column after it.
  int word_at(int r, int c, int last) {
    while (c <= last && cell(r, c) == ' ') ++c;
    if (c > last) return c;
    std::string w(1, static_cast<char>(cell(r, c)));
    int e = c + 1;
    if (word_char(cell(r, c))) {
      while (e <= last && word_char(cell(r, e))) w += static_cast<char>(cell(r, e++));
    } else {
      // A run of one mark is said at most three times over, however long it is.
      while (e <= last && cell(r, e) == cell(r, c)) {
        if (w.size() < 3) w += static_cast<char>(cell(r, e));
        ++e;
      }
    }
    con.go_to(std::min(e, kWidth), r);
    if (std::all_of(w.begin(), w.end(), [](char x) { return letter(static_cast<unsigned char>(x)) && consonant(static_cast<unsigned char>(x)); }))
      spell_text(s, w);
    else
      speak_text(s, w);
    return e;
  }

  // Reads (a, b) to (c, n); false when a key cut it short (the position then on the row reached).
  bool read_range(int a, int b, int c, int n) {
    if (a == c && n < b) {
      play_beep(s);
      return true;
    }
    for (int r = a; r <= c; ++r) {
      if (r > a) play_click(s);
      const int from = r == a ? b : 1, to = std::min(r == c ? n : kWidth, kWidth);
      if (s.engine_active && s.engine) {
        std::string text;
        for (int k = from; k <= to; ++k) text += static_cast<char>(cell(r, k));
        speak_text(s, text);
      } else {
        for (int k = from; k <= to;) {
          if (waiting()) break;
          k = word_at(r, k, to);
        }
      }
      if (waiting()) {
        row = r;
        col = 1;
        return false;
      }
    }
    return true;
  }
  void read_row() { read_range(row, 1, row, kWidth); }

  bool find(int from_row, int from_col, const std::string& text) {
    if (text.empty() || text.size() > static_cast<size_t>(kWidth)) return false;
    for (int r = std::max(from_row, 1); r <= rows; ++r) {
      std::string line;
      for (int k = 1; k <= kWidth; ++k) line += static_cast<char>(cell(r, k));
      const size_t start = r == from_row ? static_cast<size_t>(std::clamp(from_col, 1, kWidth + 1) - 1) : 0;
      const size_t hit = line.find(text, start);
      if (hit != std::string::npos) {
        row = r;
        col = static_cast<int>(hit) + 1;
        return true;
      }
    }
    return false;
  }
  void search(int from_col) {
    if (find(con.cursor_row(), from_col, s.review.search)) {
      play_click(s);
    } else {
      play_beep(s);
      play_beep(s);
    }
  }
  void ask_search() {
    speak_text(s, "Qual texto");
    std::string text;
    for (;;) {
      uint8_t k = con.read_key();
      if (con.closed()) return;
      if (k == 0) {
        con.read_key();  // a special key has no place in the text
        continue;
      }
      if (k == 27) return;
      if (k == 13) break;
      if (k == 8) {
        if (text.empty()) {
          play_beep(s);
          continue;
        }
        const unsigned char gone = static_cast<unsigned char>(text.back());
        text.pop_back();
        speak_fragment(s, "_DEL");
        speak_char(s, gone);
        continue;
      }
      if (text.size() < kSearchMax) text += static_cast<char>(k);
      speak_char(s, k);
    }
    s.review.search = text;
    search(con.cursor_col());
  }

  void go_to_typed() {
    speak_text(s, "Entre linha e coluna");
    int d[4];
    for (int& x : d) {
      const uint8_t k = con.read_key();
      if (con.closed()) return;
      if (k < '0' || k > '9') {
        if (k == 0) con.read_key();
        play_beep(s);
        play_beep(s);
        return;
      }
      speak_char(s, k);
      x = k - '0';
    }
    row = d[0] * 10 + d[1];
    col = d[2] * 10 + d[3];
  }

  void to_screen_end() {
    row = rows;
    col = row_end(rows);
  }

  void range_command(uint8_t first) {
    uint8_t second = con.read_key();
    if (second == 0) {
      con.read_key();
      complain();
      return;
    }
    char a = static_cast<char>(fold_pt(first)), b = static_cast<char>(fold_pt(second));
    if (a == 'L') a = 'T';
    if ((a != 'I' && a != 'T' && a != 'F') || (b != 'T' && b != 'L' && b != 'C')) {
      complain();
      return;
    }
    int fa = 0, fb = 0;
    if (b == 'C' && !field(row, col, fa, fb)) {
      play_beep(s);
      return;
    }
    if (b == 'T') {
      if (a == 'I') {
        int r = row, c = col - 1;
        if (c < 1) {
          --r;
          c = kWidth;
        }
        const int back = row;
        if (r >= 1) read_range(1, 1, r, c);
        else play_beep(s);
        row = back;
        col = 1;
      } else if (a == 'T') {
        if (read_range(1, 1, rows, kWidth)) to_screen_end();
      } else {
        if (read_range(row, col, rows, kWidth)) to_screen_end();
      }
    } else if (b == 'L') {
      const int r = row, c = col;
      if (a == 'I') read_range(row, 1, row, col - 1);
      else if (a == 'T') read_range(row, 1, row, kWidth);
      else read_range(row, col, row, kWidth);
      row = r;
      col = c;
    } else {
      const int r = row, c = col;
      if (a == 'I') read_range(row, fa, row, col);
      else if (a == 'T') read_range(row, fa, row, fb);
      else read_range(row, col, row, fb);
      row = r;
      col = c;
    }
  }

  void copy_screen() {
    std::string text;
    for (int r = 1; r <= rows; ++r) {
      for (int k = 1; k <= kWidth; ++k) {
        const unsigned char c = cell(r, k);
        text += c == 0 ? ' ' : static_cast<char>(c);
      }
      text += "\r\n";
    }
    con.put_clipboard(text);
  }

  void first_letter(bool from_top) {
    for (int i = 0; i < rows; ++i) {
      const int r = from_top ? 1 + i : rows - i;
      for (int j = 0; j < kWidth; ++j) {
        const int c = from_top ? 1 + j : kWidth - j;
        if (letter(cell(r, c))) {
          row = r;
          col = c;
          read_row();
          return;
        }
      }
    }
    play_beep(s);
  }

  // One key; false to leave.
  bool step() {
    con.go_to(std::clamp(col, 1, zn::kCols), row);
    const uint8_t k = con.read_key();
    if (con.closed() || k == 27) return false;
    if (k != 0) {
      switch (k) {
        case 13:
          ++row;
          col = 1;
          play_click(s);
          break;
        case ' ': read_row(); break;
        case 8: left(); break;
        case 9: {
          int a = 0, b = col - 1;
          field(row, col, a, b);
          col = b + 2;
          if (col > kWidth) col = row_end(row);
          else play_click(s);
          break;
        }
        case 3: copy_screen(); break;
        case 11: case 12: speak_text(s, std::to_string(row) + " " + std::to_string(col)); break;
        default:
          if ((k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z')) range_command(k);
          else complain();
      }
      return true;
    }
    switch (con.read_key()) {
      case 75: left(); break;
      case 77:
        if (col > kWidth) {
          play_beep(s);
        } else {
          speak_char(s, cell(row, col));
        }
        ++col;
        break;
      case 71: col = 1; break;
      case 79: col = row_end(row); break;
      case 72:
        --row;
        col = 1;
        if (row < 1) {
          play_beep(s);
          row = 1;
        } else {
          read_row();
        }
        break;
      case 80:
        ++row;
        col = 1;
        play_click(s);
        if (row > rows) {
          play_beep(s);
          row = rows;
        } else {
          read_row();
        }
        break;
      case 73: row = 1; col = 1; read_row(); break;
      case 81: row = rows; col = 1; read_row(); break;
      case 132: first_letter(true); break;
      case 118: first_letter(false); break;
      case 115: {
        int c = col - 1;
        while (c >= 1 && cell(row, c) == ' ') --c;
        if (c < 1) {
          play_beep(s);
          col = 1;
        } else {
          while (c > 1 && cell(row, c - 1) != ' ') --c;
          col = c;
          play_click(s);
        }
        break;
      }
      case 116: {
        int c = col;
        while (c <= kWidth && cell(row, c) != ' ') ++c;
        while (c <= kWidth && cell(row, c) == ' ') ++c;
        if (c > kWidth) {
          play_beep(s);
          col = row_end(row);
        } else {
          col = c;
          play_click(s);
        }
        break;
      }
      case 15: {
        int a = col + 1, b = 0;
        field(row, col, a, b);
        col = a - 2;
        play_click(s);
        break;
      }
      case 59:
        if (!(s.engine_active && waiting())) col = word_at(row, col, kWidth);
        if (col > kWidth - 1) {
          play_click(s);
          col = row_end(row);
        }
        break;
      case 94: {
        int a = 0, b = 0;
        if (field(row, col, a, b)) read_range(row, a, row, b);
        else play_beep(s);
        break;
      }
      case 63: ask_search(); break;
      // Searching again starts past the match the position stands on.
      case 98: search(con.cursor_col() + 1); break;
      case 64: go_to_typed(); break;
      default: complain();
    }
    return true;
  }

  void left() {
    if (col < 2) {
      play_beep(s);
    } else {
      speak_char(s, cell(row, col - 1));
      --col;
    }
  }

  void correct() {
    if (col < 1) { col = 1; play_beep(s); }
    if (col > kWidth + 1) { col = kWidth; play_beep(s); }
    if (row < 1) { row = 1; play_beep(s); }
    if (row > rows) { row = rows; play_beep(s); }
  }
};

}  // namespace

void screen_review(Speech& s) {
  if (!s.console) return;
  zn::Console& con = *s.console;
  con.ensure_window();
  Review r{s, con};
  play_beep(s);
  const int home_col = con.cursor_col(), home_row = con.cursor_row();
  r.row = home_row;
  r.col = std::min(home_col, kWidth + 1);
  // The braille display follows the review position while the mode lasts.
  auto follow = [&] { con.set_review_point(std::make_pair(std::min(r.col, kWidth) - 1, r.row - 1)); };
  follow();
  while (r.step()) {
    r.correct();
    if (con.closed()) break;
    follow();
  }
  con.set_review_point(std::nullopt);
  play_beep(s);
  play_beep(s);
  con.go_to(home_col, home_row);
}

}  // namespace speech
