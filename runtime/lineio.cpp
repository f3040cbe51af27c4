// Line output: ESCREVE to the console or to a file slot.
#include <cerrno>
#include "console/ZnCrt.h"
#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

constexpr const char* kSlotError = "Erro no processamento de arquivo";

bool write_to_slot(Interp& in, int slot, std::string_view text, bool line_break) {
  FileSlot& f = in.files[slot];
  if (!f.open || !f.file) {
    say_line(in, kSlotError);
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f.file) == text.size();
  if (ok && line_break) ok = std::fwrite("\r\n", 1, 2, f.file) == 2;
  ok = ok && std::fflush(f.file) == 0;
  in.status = ok ? 0 : (errno ? errno : 5);
  return true;
}

void write_to_console(Interp& in, std::string_view text, bool line_break, bool silent) {
  in.console->write(text);
  if (line_break) in.console->write_line_end();
  if (!silent) speech::speak_text(*in.speech, text);
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

}  // namespace rl
