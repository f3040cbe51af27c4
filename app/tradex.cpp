// tradex: the converter, a fixed main program around its embedded script.
#include "app/tradex_script.h"
#include "runtime/rlplus.h"

int main(int argc, char** argv) {
  auto rt = rl::make_program_runtime(argv[0], argc, argv);
  rl::inicializa(*rt, "tradex");
  for (int i = 1; i <= app::kTradexLines; ++i) rl::carregascript(*rt, app::kTradexScript[i - 1], i);
  rl::processa(*rt);
  rl::finish(*rt);
  return 0;
}
