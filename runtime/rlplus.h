// rlplus: the interpreter library's program entries and the context a program owns.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/ZnCrt.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "speech/znsapi.h"

namespace rl {

struct Interp;

// Everything one running program has: the interpreter, its console and its voice.
struct Runtime {
  plat::DriveTable drives;
  speech::ConfigContext config;
  zn::Console console;
  speech::Speech speech;
  std::unique_ptr<Interp> interp;

  // root_c is the host folder that stands for drive c:.
  explicit Runtime(const std::string& root_c);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;
};

// Sets up a runtime from the environment of a shipped program: the drive root, the
// console backend, the speech log and the screen file.
std::unique_ptr<Runtime> make_program_runtime(const char* argv0, int argc, char** argv);

void inicializa(Runtime& rt, std::string_view title);
// Stores line n (1..500000); false, and nothing stored, outside that range.
bool carregascript(Runtime& rt, std::string_view line, int n);
void processa(Runtime& rt);

// Shows one of the interpreter's keyed messages (SCNOMARQ, SCARQNAO, ...).
void show_message(Runtime& rt, std::string_view key, int line_breaks);
// Ends the program normally: the console's exit handling.
void finish(Runtime& rt);

}  // namespace rl
