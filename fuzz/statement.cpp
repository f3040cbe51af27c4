// A script line through the statement executor of a fresh runtime, in the sandbox: no
// file, directory or program is touched. The console starts closed, as after the user
// closed the window, so pauses and speech waits end at once and keys read as none.
#include "fuzz/common.h"
#include "runtime/interp.h"
#include "runtime/rlplus.h"

namespace {

// Keys never come: the first read finds the input ended.
class NoInput : public zn::ConsoleBackend {
 public:
  bool pump(zn::Console&, int) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rl::Runtime rt("/nonexistent-roteiral-fuzz-root");
  rt.console.set_backend(std::make_unique<NoInput>());
  rt.console.set_quit_handler([](int) {});
  rt.console.quit(0);
  rl::Interp& in = *rt.interp;
  in.sandbox = true;
  // A few values the line may use.
  in.vars[0] = "12";
  in.vars[1] = "abc";
  in.vars[2] = "$7FFFFFFF";
  if (!rl::carregascript(rt, fuzz::as_text(data, size), 1)) return 0;
  // Twice: the first run parses the line, the second takes the cached parse.
  for (int pass = 0; pass < 2; ++pass) {
    in.current = 1;
    in.stop = false;
    rl::execute_statement(in, in.store[1], false);
  }
  return 0;
}
