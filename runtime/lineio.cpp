// Line input and output: ESCREVE, LE, ABRE, FECHA, CHECA and the ten file slots.
#include <sys/stat.h>

#include <cerrno>

#include "console/ZnCrt.h"
#include "platform/paths.h"
#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

constexpr const char* kSlotError = "Erro no processamento de arquivo";
// The codes the runtime's text files give for a file opened the other way round.
constexpr int32_t kNotOpenForInput = 104;
constexpr int32_t kNotOpenForOutput = 105;

int32_t io_result(bool ok) { return ok ? 0 : (errno ? errno : 5); }

bool write_to_slot(Interp& in, int slot, std::string_view text, bool line_break) {
  FileSlot& f = in.files[slot];
  if (!f.open || (!f.socket && !f.file)) {
    say_line(in, kSlotError);
    return false;
  }
  if (f.socket) {
    in.status = net_send(in, f, text, line_break) ? 1 : 0;  // 1: sent, the reverse of files
    return true;
  }
  if (f.mode != SlotMode::append) {
    in.status = kNotOpenForOutput;
    return true;
  }
  errno = 0;
  bool ok = text.empty() || std::fwrite(text.data(), 1, text.size(), f.file) == text.size();
  if (ok && line_break) ok = std::fwrite("\r\n", 1, 2, f.file) == 2;
  ok = ok && std::fflush(f.file) == 0;
  in.status = io_result(ok);
  return true;
}

void write_to_console(Interp& in, std::string_view text, bool line_break, bool silent) {
  in.console->write(text);
  if (line_break) in.console->write_line_end();
  if (!silent) speech::speak_text(*in.speech, text);
}

// The next line of a file without its line end (LF or CR LF); a line longer than a value
// may be is cut there and the rest of it skipped. False at the end of the file.
bool read_file_line(std::FILE* f, std::string& out, bool& io_error) {
  out.clear();
  io_error = false;
  bool any = false;
  int c;
  while ((c = std::getc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (out.size() < kMaxValueLength) out += static_cast<char>(c);
  }
  if (c == EOF && std::ferror(f)) io_error = true;
  if (c == '\n' && !out.empty() && out.back() == '\r') out.pop_back();
  else if (c == EOF && !out.empty() && out.back() == '\r' && out.size() < kMaxValueLength) out.pop_back();
  return any;
}

bool at_end_of_file(std::FILE* f) {
  int c = std::getc(f);
  if (c == EOF) return true;
  std::ungetc(c, f);
  return false;
}

bool read_from_slot(Interp& in, int slot, std::string& value) {
  FileSlot& f = in.files[slot];
  if (!f.open || (!f.socket && !f.file)) {
    say_line(in, kSlotError);
    return false;
  }
  value.clear();
  if (f.socket) {
    in.status = net_receive_line(in, f, value) ? 0 : 1;
    return true;
  }
  if (f.mode != SlotMode::read) {
    in.status = kNotOpenForInput;
    return true;
  }
  if (at_end_of_file(f.file)) {
    in.status = 1;
    return true;
  }
  bool io_error;
  errno = 0;
  read_file_line(f.file, value, io_error);
  in.status = io_error ? io_result(false) : 0;
  std::clearerr(f.file);
  return true;
}

// A single key as LE gives it: #code below 32, #0#code for a special key, else the
// character; with the modifier state first when asked for.
std::string key_text(Interp& in, bool spoken, bool with_modifiers) {
  uint8_t k = spoken ? speech::read_key_spoken(*in.speech) : in.console->read_key();
  zn::Mods m = in.console->modifiers();
  std::string out;
  if (with_modifiers) {
    out += m.shift ? '1' : '0';
    out += m.ctrl ? '1' : '0';
    out += m.alt ? '1' : '0';
  }
  if (k == 0) {
    uint8_t second = in.console->read_key();
    out += "#0#" + int_text(second);
  } else if (k < 32 || with_modifiers) {
    out += "#" + int_text(k);
  } else {
    out += static_cast<char>(k);
  }
  return out;
}

enum class ReadKind { plain, edit, silent, password };

std::string read_console_line(Interp& in, ReadKind kind, int slot) {
  std::string value;
  switch (kind) {
    case ReadKind::password: {
      in.console->ensure_window();  // the window's first opening sets the colours
      uint8_t saved = in.console->attribute();
      in.console->set_attribute(0);
      value = in.console->read_line();
      in.console->set_attribute(saved);
      break;
    }
    case ReadKind::silent:
      value = in.console->read_line();
      break;
    case ReadKind::edit: {
      value = in.vars[slot];
      int end = speech::edit_line_here(*in.speech, value, in.console->cursor_col(), in.console->cursor_row(),
                                       true, 80);
      if (end == 27) value.clear();
      break;
    }
    case ReadKind::plain:
      value = speech::read_line_spoken(*in.speech);
      break;
  }
  return value;
}

std::optional<std::string> host_name(Interp& in, const std::string& name) {
  return script_host_path(in, name);
}

bool is_directory(const std::string& host) {
  struct stat st {};
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool cmd_escreve(Interp& in, std::string_view rest) {
  in.status = 0;
  bool line_break = true;
  if (!rest.empty() && rest.back() == '&') {
    rest = trim(rest.substr(0, rest.size() - 1));
    line_break = false;
  }
  int slot = -1;
  bool silent = false;
  if (!rest.empty() && rest[0] == '#') {
    if (rest.size() < 2 || !is_digit(static_cast<unsigned char>(rest[1]))) {
      say_line(in, kSlotError);
      return false;
    }
    slot = rest[1] - '0';
    rest.remove_prefix(2);
  } else if (starts_with_folded(rest, "MUDO")) {
    rest.remove_prefix(4);
    silent = true;
  }
  rest = trim(rest);
  bool ok = true;
  if (rest.empty()) {
    if (slot >= 0) ok = write_to_slot(in, slot, {}, true);
    else in.console->write_line_end();
  } else {
    std::string text, piece;
    while (read_value(in, rest, piece)) {
      if (text.size() + piece.size() > kMaxValueLength) break;
      text += piece;
    }
    if (slot >= 0) ok = write_to_slot(in, slot, text, line_break);
    else write_to_console(in, text, line_break, silent);
    ok = ok && rest.empty();
  }
  speech::wait_speech(*in.speech);
  return ok;
}

bool cmd_le(Interp& in, std::string_view rest) {
  in.status = 0;
  rest = trim(rest);
  if (rest.empty()) {
    in.console->read_line();
    return true;
  }
  if (starts_with_folded(rest, "MOUSE ") || starts_with_folded(rest, "RATO ")) return !in.sandbox && cmd_le_mouse(in, rest);
  std::string work(rest);
  bool with_modifiers = false;
  size_t tecla = fold(work).find("TECLA ");
  if (tecla != std::string::npos) {
    work.erase(tecla, 6);
    work = std::string(trim(work));
    if (work.empty() || work.back() != '&') work += '&';
    with_modifiers = true;
  }
  std::string_view t = work;
  bool single_key = false;
  if (!t.empty() && t.back() == '&') {
    t = trim(t.substr(0, t.size() - 1));
    single_key = true;
  }
  if (t.empty()) {
    if (single_key) key_text(in, false, with_modifiers);
    else in.console->read_line();
    return true;
  }
  int file_slot = -1;
  ReadKind kind = ReadKind::plain;
  if (t[0] == '#') {
    if (!read_file_number(t, file_slot)) return false;
    if (t.empty()) {
      say_line(in, kSlotError);
      return false;
    }
  } else if (starts_with_folded(t, "EDITA")) {
    t.remove_prefix(5);
    kind = ReadKind::edit;
  } else if (starts_with_folded(t, "MUDO")) {
    t.remove_prefix(4);
    kind = ReadKind::silent;
  } else if (starts_with_folded(t, "SENHA")) {
    t.remove_prefix(5);
    kind = ReadKind::password;
  }
  int var = read_var_ref(in, t);
  if (var < 0) return false;
  std::string value;
  if (file_slot >= 0) {
    if (!read_from_slot(in, file_slot, value)) return false;
  } else if (single_key) {
    value = key_text(in, kind == ReadKind::plain, with_modifiers);
  } else {
    value = read_console_line(in, kind, var);
  }
  in.vars[var] = std::move(value);
  return true;
}

bool cmd_abre(Interp& in, std::string_view rest) {
  SlotMode mode = SlotMode::read;
  if (!rest.empty() && rest.back() == '&') {
    rest = trim(rest.substr(0, rest.size() - 1));
    mode = SlotMode::append;
  }
  std::string name;
  int slot = -1;
  auto fail = [&] {
    say_line(in, "Erro na abertura do arquivo " + name);
    return false;
  };
  if (!read_file_number(rest, slot)) return fail();
  if (!read_value(in, rest, name) || name.empty()) return fail();
  auto host = host_name(in, name);
  if (!host || is_directory(*host)) return fail();
  std::FILE* f = std::fopen(host->c_str(), mode == SlotMode::read ? "rb" : "ab");
  if (!f) return fail();
  FileSlot& s = in.files[slot];
  if (s.file) std::fclose(s.file);  // a slot opened again lets go of its old file
  s = FileSlot{};
  s.open = true;
  s.mode = mode;
  s.file = f;
  s.name = name;
  return true;
}

bool cmd_fecha(Interp& in, std::string_view rest) {
  int slot = -1;
  if (!read_file_number(rest, slot)) {
    say_line(in, "Erro no fechamento do arquivo");
    return false;
  }
  FileSlot& s = in.files[slot];
  bool ok = true;
  if (s.open && s.socket) net_close(in, s);
  else if (s.open && s.file) ok = std::fclose(s.file) == 0;
  s = FileSlot{};
  if (!ok) {
    say_line(in, "Erro no fechamento do arquivo");
    return false;
  }
  return true;
}

bool cmd_checa(Interp& in, std::string_view rest) {
  int var = read_var_ref(in, rest);
  if (var < 0 || !rest.empty()) return false;
  in.vars[var] = int_text(in.status);
  return true;
}

}  // namespace rl
