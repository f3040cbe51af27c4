// Screen commands: TELA, COR, FUNDO, TITULO.
#include "console/ZnCrt.h"
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {

bool cmd_tela(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  std::string arg = fold(rest);
  if (arg.size() == 1 && arg[0] >= 'A' && arg[0] <= 'Z') arg = in.vars[arg[0] - 'A'];
  zn::Console& c = *in.console;
  if (arg == "LIMPA") {
    c.clear_screen();
    return true;
  }
  if (arg == "MINIMIZADA") {
    c.hide();
    return true;
  }
  if (arg == "NORMAL") {
    c.restore();
    return true;
  }
  if (!arg.empty() && arg[0] == '@') {
    std::string_view pos = std::string_view(arg).substr(1);
    size_t comma = pos.find(',');
    if (comma == std::string_view::npos) return false;
    auto col = to_int(trim(pos.substr(0, comma)));
    auto row = to_int(trim(pos.substr(comma + 1)));
    if (!col || !row) return false;
    c.go_to(*col, *row);
    return true;
  }
  return false;
}

namespace {

bool set_colour(Interp& in, std::string_view rest, bool background) {
  int32_t n;
  if (!read_int_value(in, rest, n)) return false;
  if (background) in.console->set_background(n & 15);
  else in.console->set_text_colour(n & 15);
  return true;
}

}  // namespace

bool cmd_cor(Interp& in, std::string_view rest) { return set_colour(in, rest, false); }
bool cmd_fundo(Interp& in, std::string_view rest) { return set_colour(in, rest, true); }

bool cmd_titulo(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  std::string title;
  if (!read_value(in, rest, title)) title.clear();
  in.console->set_title(title);
  return true;
}

}  // namespace rl
