// Processes and waiting: what EXECUTA, CMD and ESPERA share with their tests.
#pragma once
#include <string>
#include <string_view>

#include "runtime/interp.h"

namespace rl {

// Program name and parameters are each refused past this when handed to the shell.
inline constexpr size_t kShellTextLimit = 511;
inline constexpr size_t kParametersCut = 999;
inline constexpr int kMaxCmdDepth = 32;

struct ProgramText {
  std::string program;
  std::string parameters;
};

// "program" params, or program params: the quoted name up to the next quote, else the
// text before the first blank.
ProgramText split_program_text(std::string_view text);

// The window in front: a started program while it runs (it has no window of its own),
// otherwise the console, unless its window has lost the keyboard focus (then another
// window, title unknown).
struct Foreground {
  bool console = true;
  std::string title;
};
Foreground foreground(Interp& in);

// TEMPOESPERAPROGVOLTAR of the profile, 0..65535 ms; 500 when missing or not valid.
int return_delay_ms(Interp& in);

}  // namespace rl
