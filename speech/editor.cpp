// The spoken line editor: one field of the console edited with every key answered by voice.
#include "speech/editor.h"

#include <algorithm>
#include <string>

#include "console/ZnCrt.h"
#include "platform/paths.h"
#include "speech/recorded.h"
#include "speech/review.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

bool is_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128; }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
// 0: not in a word; words are runs of one class.
int word_class(unsigned char c) { return is_letter(c) ? 1 : is_digit(c) ? 2 : 0; }

bool upper_consonant(unsigned char c) {
  c = fold_pt(c);
  return c >= 'B' && c <= 'Z' && c != 'E' && c != 'I' && c != 'O' && c != 'U' && c != 'W' && c != 'Y';
}

std::string trimmed(const std::string& f) {
  const size_t end = f.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : f.substr(0, end + 1);
}

struct Edit {
  Speech& s;
  zn::Console& con;
  std::string f;  // padded to max
  std::string initial;
  int col, row, width, max;
  bool flag;
  int pos = 1;
  int origin = 1;
  int sel_a = 0, sel_b = 0;  // anchors; 0: no selection
  bool first = true;

  unsigned char at(int p) const { return p >= 1 && p <= max ? static_cast<unsigned char>(f[p - 1]) : ' '; }
  int text_end() const { return static_cast<int>(trimmed(f).size()) + 1; }
  void clear_selection() { sel_a = sel_b = 0; }
  bool has_selection() const { return sel_a && sel_b && sel_a != sel_b; }
  int sel_lo() const { return std::min(sel_a, sel_b); }
  int sel_hi() const { return std::max(sel_a, sel_b); }  // one past the last selected
  void blank_all() { f.assign(static_cast<size_t>(max), ' '); }

  // Controls would move the console's cursor; they show as blanks.
  static std::string shown(std::string_view part) {
    std::string out(part);
    for (char& c : out)
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    return out;
  }

  // Writes only the cells that differ, so the copy of the output (headless, terminal) reads
  // as what was typed rather than the field over and over.
  void show(bool plain) {
    if (pos < origin) origin = pos;
    if (origin + width < pos) origin = pos - width;
    const int n = std::max(0, std::min(width, max - origin + 1));
    const std::string part = shown(std::string_view(f).substr(static_cast<size_t>(origin - 1), static_cast<size_t>(n)));
    const uint8_t normal = con.attribute();
    con.set_text_colour(8);
    const uint8_t selected = con.attribute();
    con.set_attribute(normal);
    const int lo = std::clamp(sel_lo() - origin, 0, n), hi = std::clamp(sel_hi() - origin, 0, n);
    const bool marked = !plain && has_selection() && lo < hi;
    auto attr_of = [&](int i) { return marked && i >= lo && i < hi ? selected : normal; };
    int first = -1, last = -1;
    for (int i = 0; i < n; ++i) {
      const int c0 = col - 1 + i;
      if (c0 >= zn::kCols) break;
      if (con.char_at(c0, row - 1) != static_cast<uint8_t>(part[static_cast<size_t>(i)]) || con.attr_at(c0, row - 1) != attr_of(i)) {
        if (first < 0) first = i;
        last = i;
      }
    }
    for (int i = first; first >= 0 && i <= last;) {
      int j = i;
      while (j <= last && attr_of(j) == attr_of(i)) ++j;
      con.go_to(col + i, row);
      con.set_attribute(attr_of(i));
      con.write(std::string_view(part).substr(static_cast<size_t>(i), static_cast<size_t>(j - i)));
      i = j;
    }
    con.set_attribute(normal);
    const int after = col - 1 + n;
    if (n < zn::kCols && after < zn::kCols) {
      bool dirty = false;
      for (int c0 = after; c0 < zn::kCols && !dirty; ++c0)
        dirty = con.char_at(c0, row - 1) != ' ' || con.attr_at(c0, row - 1) != normal;
      if (dirty) {
        con.go_to(after + 1, row);
        con.clear_to_end_of_line();
      }
    }
    con.go_to(col + pos - origin, row);
  }

  void remove_at(bool say_del) {
    if (pos > max) {
      play_beep(s);
      return;
    }
    const unsigned char removed = at(pos);
    f.erase(static_cast<size_t>(pos - 1), 1);
    f += ' ';
    if (say_del) speak_fragment(s, "_DEL");
    speak_char(s, removed);
  }

  void insert(unsigned char k) {
    if (pos > max) {
      play_beep(s);
      return;
    }
    f.insert(static_cast<size_t>(pos - 1), 1, static_cast<char>(k));
    f.resize(static_cast<size_t>(max));
    if (s.editor.echo) speak_char(s, k);
    ++pos;
  }

  // The word moves; `quiet` gives the position alone.
  int next_word(int p, bool quiet) {
    const int end = text_end();
    const int cls = word_class(at(p));
    if (cls) while (p < end && word_class(at(p)) == cls) ++p;
    while (p < end && !word_class(at(p))) ++p;
    if (p >= end) {
      if (!quiet) play_beep(s);
      return end;
    }
    if (!quiet) play_click(s);
    return p;
  }
  int previous_word(int p, bool quiet) {
    --p;
    while (p >= 1 && !word_class(at(p))) --p;
    if (p < 1) {
      if (!quiet) play_beep(s);
      return 1;
    }
    const int cls = word_class(at(p));
    while (p > 1 && word_class(at(p - 1)) == cls) --p;
    if (!quiet) play_click(s);
    return p;
  }

  void delete_word() {
    int start = pos;
    if (!(pos > 1 && at(pos - 1) == ' ') && pos > 1) start = previous_word(pos, true);
    if (pos > max || start > max) {
      play_beep(s);
      return;
    }
    const int stop = next_word(start, true);
    pos = start;
    for (int k = 0; k < std::max(1, stop - start); ++k) remove_at(k == 0);
  }

  void copy() {
    std::string text = has_selection() ? f.substr(static_cast<size_t>(sel_lo() - 1), static_cast<size_t>(sel_hi() - sel_lo()))
                                       : trimmed(f) + "\r\n";
    con.put_clipboard(text);
  }

  void paste() {
    std::optional<std::string> clip = con.clipboard_text(static_cast<size_t>(max) + 2);
    if (!clip) return;
    std::string text = clip->substr(0, clip->find_first_of("\r\n"));
    if (first) {
      play_click(s);
      play_click(s);
      blank_all();
    }
    int a = pos, b = pos;
    if (has_selection()) {
      a = sel_lo();
      b = sel_hi();
    }
    a = std::min(a, max + 1);
    b = std::min(b, max + 1);
    f = f.substr(0, static_cast<size_t>(a - 1)) + text + f.substr(static_cast<size_t>(b - 1));
    f.resize(static_cast<size_t>(max), ' ');
    const int len = std::min(static_cast<int>(text.size()), max + 1 - a);
    sel_a = a;
    sel_b = a + len;
    if (len == 0) clear_selection();
    pos = a + len;
  }

  // F1: the number, word or mark at the cursor.
  void speak_word() {
    int p = pos;
    while (p <= max && at(p) == ' ') ++p;
    if (p > max) {
      play_beep(s);
      return;
    }
    const unsigned char c = at(p);
    int e = p + 1;
    if (is_digit(c) || c == '-') {
      while (e <= max && is_digit(at(e))) ++e;
      speak_text(s, f.substr(static_cast<size_t>(p - 1), static_cast<size_t>(e - p)));
    } else if (is_letter(c)) {
      while (e <= max && is_letter(at(e))) ++e;
      const std::string word = f.substr(static_cast<size_t>(p - 1), static_cast<size_t>(e - p));
      if (std::all_of(word.begin(), word.end(), [](char x) { return upper_consonant(static_cast<unsigned char>(x)); }))
        spell_text(s, word);
      else
        speak_text(s, word);
    } else {
      spell_text(s, std::string(1, static_cast<char>(c)));
    }
    pos = e;
  }

  void change_speed() {
    speak_fragment(s, "_VELOC");
    uint8_t k = read_key_spoken(s);
    while (con.key_pressed()) k = read_key_spoken(s);
    if (k == 27 || k == 13 || !is_digit(k) || con.closed()) return;
    const std::string dir = s.script_dir;
    speech_shutdown(s);
    speech_init(s, k - '0', dir);
  }

  // The blank-delimited word around the cursor, without the marks around it.
  std::string link_word() const {
    int p = pos;
    if ((p > max || at(p) == ' ') && p > 1 && at(p - 1) != ' ') --p;
    if (p > max || at(p) == ' ') return {};
    int a = p, b = p;
    while (a > 1 && at(a - 1) != ' ') --a;
    while (b < max && at(b + 1) != ' ') ++b;
    std::string w = f.substr(static_cast<size_t>(a - 1), static_cast<size_t>(b - a + 1));
    // The closing marks too: "(leia.txt)" names leia.txt.
    static constexpr std::string_view marks = "\"(*-.<=>[_{)]}";
    const size_t lo = w.find_first_not_of(marks);
    if (lo == std::string::npos) return {};
    const size_t hi = w.find_last_not_of(marks);
    return w.substr(lo, hi - lo + 1);
  }

  // Returns the ending code, or -1 to go on.
  int ordinary(unsigned char k) {
    if (k != 3 && k != 22 && k != 222 && k != 223) clear_selection();
    switch (k) {
      case 3: copy(); return -1;
      case 4:
        if (flag) {
          for (int p = pos; p <= max; ++p) f[static_cast<size_t>(p - 1)] = ' ';
          speak_fragment(s, "_APFCPO");
        }
        return -1;
      case 8:
        if (pos == 1) {
          play_beep(s);
        } else {
          --pos;
          remove_at(true);
        }
        return -1;
      case 9: case 10: case 13: case 27: return k;
      case 11: speak_text(s, std::to_string(pos)); return -1;
      case 19:
        if (flag) {
          f = f.substr(static_cast<size_t>(std::min(pos, max + 1) - 1));
          f.resize(static_cast<size_t>(max), ' ');
          pos = 1;
          speak_fragment(s, "_APICPO");
        }
        return -1;
      case 21:
        if (flag) {
          f = initial;
          pos = 1;
          for (int i = 0; i < 3; ++i) play_beep(s);
        }
        return -1;
      case 22: paste(); return -1;
      case 25:
        if (flag) {
          blank_all();
          speak_fragment(s, "_CPOAPA");
          pos = 1;
        }
        return -1;
      case 28: play_dtmf(s, trimmed(f)); return -1;
      case 127: delete_word(); return -1;
      case 222:
        wait_speech(s);
        speak_text(s, trimmed(f));
        return -1;
      case 223: return -1;
      default:
        break;
    }
    if (first) {
      bool proposed = false;
      for (int p = pos; p <= max && !proposed; ++p) proposed = at(p) != ' ';
      if (proposed) {
        play_click(s);
        play_click(s);
        if (k >= 32 && flag) blank_all();
      }
    }
    if (k >= 32) insert(k);
    return -1;
  }

  int extended(unsigned char c, const zn::Mods& m) {
    if (m.shift) {
      if (!sel_a) sel_a = pos;
    } else if (c != 254 && c != 255) {
      clear_selection();
    }
    switch (c) {
      case 59:
        if (m.alt) return 104;
        speak_word();
        break;
      case 62:
        s.editor.echo = !s.editor.echo;
        speak_fragment(s, s.editor.echo ? "_FALACI" : "_FALDLG");
        break;
      case 66: speak_clock_time(s); break;
      case 70: {
        const std::string w = link_word();
        if (w.empty()) play_beep(s);
        else open_link(s, w);
        break;
      }
      case 71: pos = 1; break;
      case 75:
        if (pos > 1) {
          --pos;
          speak_char(s, at(pos));
        } else {
          play_beep(s);
        }
        break;
      case 77:
        if (pos >= text_end()) {
          play_beep(s);
        } else {
          const unsigned char ch = at(pos);
          if (m.alt && is_letter(ch)) speak_fragment(s, "_FON" + std::to_string(ch));
          else speak_char(s, ch);
          ++pos;
        }
        break;
      case 79: pos = text_end(); break;
      case 83:
        if (!has_selection()) {
          remove_at(true);
        } else {
          const int n = sel_hi() - sel_lo();
          pos = sel_lo();
          speak_fragment(s, "_DEL");
          for (int i = 0; i < n; ++i) remove_at(false);
          clear_selection();
        }
        break;
      case 94: speak_text(s, trimmed(f)); break;
      case 97: change_speed(); break;
      case 101: speak_today(s); break;
      case 102:
        if (!m.alt) return 102;
        screen_review(s);
        break;
      case 115: pos = previous_word(pos, false); break;
      case 116: pos = next_word(pos, false); break;
      case 254: paste(); break;
      case 255: copy(); break;
      default:
        if (c >= 120 && c <= 129) break;
        return c;
    }
    if (m.shift) sel_b = pos;
    return -1;
  }

  int run() {
    for (;;) {
      show(false);
      uint8_t k = con.read_key();
      zn::Mods m = con.modifiers();
      stop_speech(s);
      int end;
      if (con.closed()) {
        end = 13;
      } else if (k == 0) {
        const uint8_t c = con.read_key();
        m = con.modifiers();
        if (c >= 16 && c <= 18) {
          const uint8_t next = con.read_key();
          end = ordinary(next);
        } else {
          end = extended(c, m);
        }
      } else {
        end = ordinary(k);
      }
      first = false;
      if (end >= 0) return end;
    }
  }
};

}  // namespace

int edit_line(Speech& s, std::string& field, int col, int row, bool editing_commands, int width, int max_len) {
  zn::Console& con = *s.console;
  con.ensure_window();
  col = std::clamp(col, 1, zn::kCols);
  row = std::clamp(row, 1, zn::kRows);
  max_len = std::clamp(max_len, 1, kEditMax);
  width = std::clamp(width, 0, std::min(max_len, zn::kCols - col + 1));
  if (row == zn::kRows && width > 0 && col + width - 1 >= zn::kCols) --width;
  Edit e{s, con, field, {}, col, row, width, max_len, editing_commands};
  e.f.resize(static_cast<size_t>(max_len), ' ');
  e.initial = e.f;
  const int code = e.run();
  s.editor.final_pos = e.pos;
  e.clear_selection();
  e.origin = std::min(e.origin, std::max(1, max_len));
  e.show(true);
  con.go_to(col, row);
  field = trimmed(e.f);
  return code;
}

int edit_line_here(Speech& s, std::string& field, int col, int row, bool editing_commands, int max_len) {
  return edit_line(s, field, col, row, editing_commands, zn::kCols - std::clamp(col, 1, zn::kCols) + 1, max_len);
}

std::string read_line_spoken(Speech& s) {
  zn::Console& con = *s.console;
  con.ensure_window();
  std::string text;
  const int col = con.cursor_col(), row = con.cursor_row();
  if (edit_line_here(s, text, col, row, true, 255) == 27) {
    const int shown = std::min(static_cast<int>(text.size()), zn::kCols - std::min(col, zn::kCols) + 1);
    con.write(std::string(static_cast<size_t>(std::max(shown, 0)), ' '));
    con.go_to(col, row);
    text.clear();
  }
  con.write_line_end();
  return text;
}

void open_link(Speech& s, std::string_view text) {
  static const ConfigContext no_config;
  const ConfigContext& ctx = s.config ? *s.config : no_config;
  const std::string link(text);
  std::string program, parameter;
  if (link.starts_with("http://") || link.starts_with("https://") || link.starts_with("www.")) {
    program = read_config(ctx, "ZUNAPE", "PROG.HTM");
    parameter = link;
  } else {
    const size_t dot = link.find('.');
    const std::string ext = dot == std::string::npos ? std::string() : to_upper_pt(link.substr(dot + 1, 3));
    if (ext == "EXE" || ext == "COM") {
      const bool absolute = (link.size() >= 2 && link[1] == ':') || link.starts_with("\\");
      if (absolute) {
        program = link;
      } else {
        program = plat::current_directory();
        if (!program.empty() && program.back() != '\\' && program.back() != '/') program += '\\';
        program += link;
      }
    } else {
      program = read_config(ctx, "ZUNAPE", "PROG." + ext);
      parameter = link;
    }
  }
  // No program configured: the desktop opens the name itself.
  if (program.empty()) {
    program = link;
    parameter.clear();
  }
  wait_speech(s);
  if (!s.editor.shell) s.editor.shell = plat::make_process_shell(ctx.drives);
  if (s.editor.shell) s.editor.shell->open(program, parameter);
  wait_speech(s);
}

}  // namespace speech
