// The selection menu drawn inside the console: items, marks, scrolling, keys and speech.
#include <algorithm>

#include "automation/automation.h"
#include "console/ZnCrt.h"

namespace au {
namespace {

constexpr int kSelectedColour = 14;
constexpr int kMarkedColour = 2;

int item_count(const Menu& m) { return static_cast<int>(m.items.size()); }

bool in_list(const Menu& m, int pos) { return pos >= 0 && pos < item_count(m); }

// Moves by delta; leaving the list parks the selection just outside it, with a beep.
void move(Menu& m, int delta, const MenuVoice& voice) {
  const long long to = static_cast<long long>(m.selected) + delta;
  if (to < 0) {
    m.selected = -1;
    if (voice.beep) voice.beep();
  } else if (to >= item_count(m)) {
    m.selected = item_count(m);
    if (voice.beep) voice.beep();
  } else {
    m.selected = static_cast<int>(to);
  }
}

void jump(Menu& m, int to, const MenuVoice& voice) {
  if (voice.beep) voice.beep();
  m.selected = std::max(to, -1);
}

void set_marks(Menu& m, uint8_t value) { std::fill(m.marks.begin(), m.marks.end(), value); }

// One row of the rectangle: the text cut and padded to the width; controls drawn as blanks
// so that nothing moves the cursor out of the row.
std::string row_text(const Menu& m, int pos) {
  std::string row(static_cast<size_t>(m.width()), ' ');
  if (!in_list(m, pos)) return row;
  const std::string& t = m.items[static_cast<size_t>(pos)];
  for (size_t i = 0; i < row.size() && i < t.size(); ++i)
    row[i] = static_cast<unsigned char>(t[i]) < 32 ? ' ' : t[i];
  return row;
}

enum class LoopEnd { finished, restart };

struct LoopResult {
  LoopEnd end = LoopEnd::finished;
  std::string key;
};

LoopResult key_loop(zn::Console& con, Menu& m, const MenuVoice& voice, int base_colour) {
  for (;;) {
    menu_scroll(m);
    menu_draw(con, m);
    con.set_text_colour(base_colour);
    if (in_list(m, m.selected)) {
      if (m.marks[static_cast<size_t>(m.selected)] && voice.beep) voice.beep();
      if (voice.speak) voice.speak(m.spoken[static_cast<size_t>(m.selected)]);
    }
    const int row = std::clamp(m.top + m.selected - m.first, m.top, m.bottom);
    con.go_to(m.left, row);
    const uint8_t k = con.read_key();
    if (k != 0) {
      const bool here = in_list(m, m.selected);
      const auto sel = static_cast<size_t>(std::max(m.selected, 0));
      switch (k) {
        case ' ': if (here) m.marks[sel] = !m.marks[sel]; continue;
        case '+': if (here) m.marks[sel] = 1; continue;
        case '-': if (here) m.marks[sel] = 0; continue;
        case '*': set_marks(m, 1); continue;
        case '/': set_marks(m, 0); continue;
        default: break;
      }
      const bool printable = k >= 32 && k != 127;
      return {LoopEnd::finished, printable ? std::string(1, static_cast<char>(k)) : "#" + std::to_string(k)};
    }
    const uint8_t code = con.read_key();
    if (voice.stop) voice.stop();
    switch (code) {
      case 72: move(m, -1, voice); break;
      case 80: case 9: move(m, 1, voice); break;
      case 73: move(m, -10, voice); break;
      case 81: move(m, 10, voice); break;
      case 71: case 132: jump(m, 0, voice); break;
      case 79: case 118: jump(m, item_count(m) - 1, voice); break;
      default:
        if (code == 75 || code == 77 || (code >= 59 && code <= 70) || (code >= 94 && code <= 105)) {
          const bool keeps = code >= 59 && code <= 70;
          return {keeps ? LoopEnd::finished : LoopEnd::restart, "#0#" + std::to_string(code)};
        }
        break;
    }
  }
}

}  // namespace

bool menu_create(Menu& m, int left, int top, int right, int bottom) {
  left = std::max(left, 1);
  top = std::max(top, 1);
  right = std::min(right, zn::kCols);
  bottom = std::min(bottom, zn::kRows);
  if (left > right || top > bottom) return false;
  m = Menu{};
  m.exists = true;
  m.left = left;
  m.top = top;
  m.right = right;
  m.bottom = bottom;
  return true;
}

bool menu_add(Menu& m, std::string_view text) {
  if (!m.exists || m.items.size() >= kMaxMenuItems) return false;
  m.items.emplace_back(text);
  m.spoken.emplace_back(text);
  m.marks.push_back(0);
  return true;
}

void menu_scroll(Menu& m) {
  if (m.selected < m.first) m.first = m.selected;
  if (m.selected >= m.first + m.height()) m.first = m.selected - m.height() + 1;
  m.selected = std::max(m.selected, -1);
  m.first = std::max(m.first, 0);
}

void menu_draw(zn::Console& con, const Menu& m) {
  const int base = con.attribute() & 15;
  for (int i = 0; i < m.height(); ++i) {
    const int pos = m.first + i;
    int colour = base;
    if (pos == m.selected && in_list(m, pos)) colour = kSelectedColour;
    else if (in_list(m, pos) && m.marks[static_cast<size_t>(pos)]) colour = kMarkedColour;
    con.set_text_colour(colour);
    con.go_to(m.left, m.top + i);
    con.write(row_text(m, pos));
    con.set_text_colour(base);
  }
}

std::optional<MenuChoice> menu_run(Automation& a, const MenuVoice& voice, std::optional<int> start) {
  Menu& m = a.menu;
  if (!m.exists || !a.console) return std::nullopt;
  zn::Console& con = *a.console;
  const uint8_t saved = con.attribute();
  const int base = saved & 15;
  if (start) m.start = std::max(*start, 1);
  LoopResult r;
  do {
    m.selected = static_cast<int>(std::min<long long>(m.start - 1LL, item_count(m)));
    r = key_loop(con, m, voice, base);
  } while (r.end == LoopEnd::restart && !con.closed());
  con.set_attribute(saved);
  MenuChoice c;
  c.position = m.selected + 1;
  c.key = r.key;
  if (in_list(m, m.selected)) c.text = m.items[static_cast<size_t>(m.selected)];
  return c;
}

bool menu_finish(Automation& a) {
  Menu& m = a.menu;
  if (!m.exists || !a.console) return true;
  for (int row = m.top; row <= m.bottom; ++row) {
    a.console->go_to(m.left, row);
    a.console->write(std::string(static_cast<size_t>(m.width()), ' '));
  }
  a.console->go_to(m.left, m.top);
  m = Menu{};
  return true;
}

}  // namespace au
