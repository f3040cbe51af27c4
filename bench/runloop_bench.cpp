// Statements per second of the run loop on the classic counter loop.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/rlplus.h"

namespace {

class QuietBackend : public zn::ConsoleBackend {
 public:
  bool pump(zn::Console&, int) override { return true; }
};

void counter_loop(benchmark::State& state) {
  const int64_t n = state.range(0);
  int64_t statements = 0;
  for (auto _ : state) {
    rl::Runtime rt("/nonexistent-root");
    rt.console.set_backend(std::make_unique<QuietBackend>());
    rl::carregascript(rt, "seja i 0", 1);
    rl::carregascript(rt, "@l", 2);
    rl::carregascript(rt, "soma i 1", 3);
    rl::carregascript(rt, "se i < " + std::to_string(n) + " desvia @l", 4);
    rl::processa(rt);
    statements += 1 + 3 * n;  // the label line is a statement of its own
  }
  state.counters["statements_per_second"] =
      benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}
BENCHMARK(counter_loop)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
