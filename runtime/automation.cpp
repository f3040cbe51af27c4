// Desktop automation commands: DIGITA, ACIONA, CLICA, LE MOUSE, TRANSFERE, JANELA, CAPTURA,
// MENU and MENSAGEM.
#include "automation/automation.h"
#include "console/ZnCrt.h"
#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

au::Automation& automation(Interp& in) {
  if (!in.automation) in.automation = std::make_shared<au::Automation>();
  in.automation->console = in.console;
  return *in.automation;
}

// The text up to the first blank, folded, and what follows it trimmed.
std::string take_word(std::string_view& t) {
  t = trim(t);
  const size_t blank = t.find(' ');
  std::string word = fold(t.substr(0, blank));
  t = blank == std::string_view::npos ? std::string_view{} : trim(t.substr(blank + 1));
  return word;
}

// Takes off a leading keyword of n characters when it is there, in any letter case.
bool take_keyword(std::string_view& t, std::string_view upper_word) {
  if (t.size() < upper_word.size() || fold(t.substr(0, upper_word.size())) != upper_word) return false;
  t = trim(t.substr(upper_word.size()));
  return true;
}

bool read_one_value(Interp& in, std::string_view rest, std::string& value) {
  return read_value(in, rest, value) && trim(rest).empty();
}

au::MenuVoice menu_voice(Interp& in) {
  speech::Speech* s = in.speech;
  au::MenuVoice v;
  if (!s) return v;
  v.beep = [s] { speech::play_beep(*s); };
  v.speak = [s](std::string_view text) { speech::speak_text(*s, text); };
  v.stop = [s] { speech::stop_speech(*s); };
  return v;
}

bool menu_execute(Interp& in, std::string_view t) {
  const int pos = read_var_ref(in, t);
  if (pos < 0) return false;
  const int key = read_var_ref(in, t);
  if (key < 0) return false;
  const int text = read_var_ref(in, t);
  if (text < 0) return false;
  std::optional<int> start;
  if (auto v = to_int(trim(in.vars[static_cast<size_t>(pos)]))) start = *v;
  std::optional<au::MenuChoice> c = au::menu_run(automation(in), menu_voice(in), start);
  if (!c) return false;
  in.vars[static_cast<size_t>(pos)] = int_text(c->position);
  in.vars[static_cast<size_t>(key)] = c->key;
  in.vars[static_cast<size_t>(text)] = c->text;
  return trim(t).empty();
}

}  // namespace

bool cmd_digita(Interp& in, std::string_view rest) {
  rest = trim(rest);
  bool no_enter = false;
  if (!rest.empty() && rest.back() == '&') {
    rest = trim(rest.substr(0, rest.size() - 1));
    no_enter = true;
  }
  std::string text;
  if (!read_one_value(in, rest, text)) return false;
  return au::type_text(automation(in), text, no_enter);
}

bool cmd_aciona(Interp& in, std::string_view rest) {
  std::string value;
  if (!read_one_value(in, rest, value) || value.empty()) return false;
  return au::press_named(automation(in), value);
}

bool cmd_clica(Interp& in, std::string_view rest) {
  std::string_view t = trim(rest);
  au::ClickKind kind = au::ClickKind::single;
  if (take_keyword(t, "DUPLO")) kind = au::ClickKind::twice;
  else if (take_keyword(t, "NULO")) kind = au::ClickKind::move_only;
  const bool screen = take_keyword(t, "TELA");
  int32_t x = 0, y = 0;
  if (!read_int_value(in, t, x)) return false;
  t = trim(t);
  if (!t.empty() && t[0] == ',') t = trim(t.substr(1));
  if (!read_int_value(in, t, y)) return false;
  if (!au::click(automation(in), kind, screen, x, y)) return false;
  return trim(t).empty();
}

bool cmd_le_mouse(Interp& in, std::string_view rest) {
  std::string_view t = trim(rest);
  take_word(t);  // MOUSE or RATO
  const bool screen = take_keyword(t, "TELA");
  const int vx = read_var_ref(in, t);
  if (vx < 0) return false;
  const int vy = read_var_ref(in, t);
  if (vy < 0) return false;
  std::optional<plat::Point> p = au::mouse_position(automation(in), screen);
  if (!p) return false;
  in.vars[static_cast<size_t>(vx)] = int_text(p->x);
  in.vars[static_cast<size_t>(vy)] = int_text(p->y);
  return trim(t).empty();
}

bool cmd_transfere(Interp& in, std::string_view rest) {
  std::string_view t = trim(rest);
  bool to_clipboard;
  if (t.size() >= 3 && fold(t.substr(0, 3)) == "DE ") {
    to_clipboard = true;
    t.remove_prefix(3);
  } else if (t.size() >= 5 && fold(t.substr(0, 5)) == "PARA ") {
    to_clipboard = false;
    t.remove_prefix(5);
  } else {
    return false;
  }
  const int slot = read_var_ref(in, t);
  if (slot < 0 || !trim(t).empty()) return false;
  au::Automation& a = automation(in);
  if (to_clipboard) return au::put_clipboard(a, in.vars[static_cast<size_t>(slot)]);
  std::optional<std::string> text = au::clipboard_text(a, au::kCaptureLength);
  if (!text) return false;
  in.vars[static_cast<size_t>(slot)] = std::move(*text);
  return true;
}

bool cmd_janela(Interp& in, std::string_view rest) {
  in.status = 0;
  std::string_view t = trim(rest);
  if (t.empty()) return false;
  const std::string word = take_word(t);
  std::string pattern;
  if (!read_value(in, t, pattern)) return false;
  switch (au::act_on_window(automation(in), au::window_action(word), pattern)) {
    case au::WindowResult::done: return true;
    case au::WindowResult::none_matched: in.status = 1; return true;
    case au::WindowResult::failed: return false;
  }
  return false;
}

bool cmd_captura(Interp& in, std::string_view rest) {
  std::string_view t = trim(rest);
  const std::string word = take_word(t);
  const int slot = read_var_ref(in, t);
  if (slot < 0) return false;
  au::Automation& a = automation(in);
  std::optional<std::string> text = std::string();
  if (word == "T\xCDTULO" || word == "TITULO" || word == "ATIVA") text = au::foreground_title(a);
  else if (word == "FOCO") text = au::focus_text(a);
  else if (word == "CAMPO") text = au::field_text(a);
  if (!text) return false;
  in.vars[static_cast<size_t>(slot)] = std::move(*text);
  return true;
}

bool cmd_menu(Interp& in, std::string_view rest) {
  std::string_view t = trim(rest);
  const std::string word = take_word(t);
  au::Automation& a = automation(in);
  if (word == "CRIA") {
    int32_t v[4];
    for (int32_t& n : v)
      if (!read_int_value(in, t, n)) return false;
    return au::menu_create(a.menu, v[0], v[1], v[2], v[3]) && trim(t).empty();
  }
  if (word == "ADICIONA") {
    std::string text;
    return read_one_value(in, t, text) && au::menu_add(a.menu, text);
  }
  if (word == "EXECUTA") return menu_execute(in, t);
  if (word == "TERMINA") return au::menu_finish(a) && t.empty();
  return false;
}

bool cmd_mensagem(Interp& in, std::string_view rest) {
  std::string name;
  if (!read_value(in, rest, name)) return false;
  name = speech::to_upper_pt(name);
  if (name.find(".WAV") == std::string::npos) name += ".WAV";
  if (std::optional<std::string> path = speech::host_file(*in.speech, name))
    speech::play_wave_file(speech::player(*in.speech), *path);
  return true;
}

}  // namespace rl
