// EXECUTA, CMD and ESPERA: other programs, statements held in values, and pauses.
#include "runtime/processes.h"

#include <algorithm>

#include "console/ZnCrt.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

constexpr size_t kTitleRead = 249;  // a title read into a buffer of 250 with its terminator

plat::Shell& shell(Interp& in) {
  if (!in.shell && in.sandbox) in.shell = std::make_unique<plat::RecordingShell>();
  if (!in.shell) in.shell = plat::make_process_shell(in.drives);
  return *in.shell;
}

// A pause of any length, in steps the console's pause can take; a closed console ends it.
void pause_ms(Interp& in, int64_t ms) {
  while (ms > 0 && !in.console->closed()) {
    const int step = static_cast<int>(std::min<int64_t>(ms, 3600000));
    in.console->pause(step);
    ms -= step;
  }
  if (in.shell) in.shell->running_title();  // takes in programs that ended meanwhile
}

void wait_for_return(Interp& in) {
  zn::Console& c = *in.console;
  // The program comes to the front. One started here has no window of its own and is in
  // front from its start, so one look settles this phase; one that opens a window (a
  // document's viewer) takes the console window's focus, and the wait below sees that.
  c.pause(100);
  // Until the console is in front again: no limit, the user may take as long as needed.
  while (!c.closed() && !foreground(in).console) c.pause(100);
  if (!c.closed()) c.pause(return_delay_ms(in));
}

}  // namespace

ProgramText split_program_text(std::string_view text) {
  ProgramText r;
  if (!text.empty() && text[0] == '"') {
    const size_t close = text.find('"', 1);
    if (close == std::string_view::npos) {
      r.program = text.substr(1);
    } else {
      r.program = text.substr(1, close - 1);
      r.parameters = trim(text.substr(close + 1)).substr(0, kParametersCut);
    }
  } else {
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
      r.program = text;
    } else {
      r.program = text.substr(0, blank);
      r.parameters = text.substr(blank + 1, kParametersCut);
    }
  }
  r.program = std::string(trim(r.program));
  return r;
}

Foreground foreground(Interp& in) {
  if (in.shell) {
    if (auto title = in.shell->running_title()) return {false, std::move(*title)};
  }
  // A console window without the keyboard focus is behind another window, whose title
  // is not known here.
  if (in.console->focused() == false) return {false, std::string()};
  return {true, in.console->title()};
}

int return_delay_ms(Interp& in) {
  if (!in.config) return 500;
  auto n = to_int(speech::read_config(*in.config, "ZUNAPE", "TEMPOESPERAPROGVOLTAR"));
  if (!n || *n < 0 || *n > 65535) return 500;
  return *n;
}

bool cmd_executa(Interp& in, std::string_view rest) {
  bool wait = true;
  if (!rest.empty() && rest.back() == '&') {
    rest = trim(rest.substr(0, rest.size() - 1));
    wait = false;
  }
  std::string text;
  if (!read_value(in, rest, text) || !rest.empty()) return false;
  const ProgramText pt = split_program_text(text);
  // Refused rather than cut: a cut command line can name another file or redirection.
  if (pt.program.size() > kShellTextLimit || pt.parameters.size() > kShellTextLimit) return false;
  if (in.speech) speech::wait_speech(*in.speech);
  if (!shell(in).open(pt.program, pt.parameters)) return false;
  if (wait) wait_for_return(in);
  return true;
}

bool cmd_cmd(Interp& in, std::string_view rest) {
  std::string text;
  if (!read_value(in, rest, text) || !rest.empty()) return false;
  if (in.cmd_depth >= kMaxCmdDepth) return false;
  ++in.cmd_depth;
  const bool ok = execute_statement(in, text, true);
  --in.cmd_depth;
  return ok;
}

bool cmd_espera(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  in.status = 0;
  bool millis = false;
  if (starts_with_folded(rest, "MILISEGUNDOS")) {
    rest.remove_prefix(12);
    millis = true;
  }
  int32_t count = 0;
  if (!read_int_value(in, rest, count)) return false;
  if (rest.empty()) {
    pause_ms(in, millis ? int64_t{count} : int64_t{count} * 1000);
    return true;
  }
  std::string title;
  if (!read_value(in, rest, title)) return true;
  const std::string wanted = fold(title);
  const int64_t tries = int64_t{count} * 2;
  for (int64_t i = 0; i < tries && !in.console->closed(); ++i) {
    std::string seen = foreground(in).title;
    if (seen.size() > kTitleRead) seen.resize(kTitleRead);
    if (fold(seen).find(wanted) != std::string::npos) return true;
    in.console->pause(500);
  }
  in.status = 1;
  return true;
}

}  // namespace rl
