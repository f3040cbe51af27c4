// Built-in path: from speak_text to the first sample reaching the audio layer, with the
// installed voice of the family root (ROTEIRAL_ROOT, else the root beside the programs).
// The target is 5 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/first_sample_layer.h"
#include "console/ZnCrt.h"
#include "speech/znsapi.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kTargetMs = 5.0;

class QuietBackend : public zn::ConsoleBackend {
 public:
  bool pump(zn::Console&, int) override { return false; }
};

std::string family_root() {
  if (const char* r = std::getenv("ROTEIRAL_ROOT"); r && *r) return r;
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "root";
  return (std::filesystem::path(std::string(buf, static_cast<size_t>(n))).parent_path() / ".." / "root").string();
}

double last_median = -1;  // of the final run; -1 when nothing was measured

void text_to_first_sample(benchmark::State& state) {
  plat::DriveTable drives;
  drives.roots['c' - 'a'] = family_root();
  speech::ConfigContext config;
  config.drives = &drives;
  zn::Console con;
  con.set_backend(std::make_unique<QuietBackend>());
  con.set_quit_handler([](int) {});
  speech::Speech s;
  s.console = &con;
  s.config = &config;
  Clock::time_point first_at{};
  speech::set_audio_layer(s.wave, std::make_unique<benchkit::FirstSampleLayer>(first_at));
  if (speech::speech_init(s, 0, "") != 0) {
    state.SkipWithError(("no voice opens in " + drives.roots['c' - 'a']).c_str());
    return;
  }
  const char* text = "Nome do arquivo cmd";
  std::vector<double> times;
  for (auto _ : state) {
    first_at = {};
    const auto start = Clock::now();
    speech::speak_text(s, text);
    if (first_at == Clock::time_point{}) {
      state.SkipWithError("nothing was played");
      return;
    }
    const double secs = std::chrono::duration<double>(first_at - start).count();
    state.SetIterationTime(secs);
    times.push_back(secs * 1e3);
  }
  std::sort(times.begin(), times.end());
  const double median = times.empty() ? 0 : times[times.size() / 2];
  if (!times.empty()) last_median = median;
  state.counters["median_ms"] = median;
  state.counters["target_ms"] = kTargetMs;
}
BENCHMARK(text_to_first_sample)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (last_median < 0) {
    std::printf("text to first sample: not measured (no voice)\n");
    return 1;
  }
  std::printf("text to first sample: median %.3f ms, target %.1f ms: %s\n", last_median, kTargetMs,
              last_median <= kTargetMs ? "met" : "NOT met");
  return 0;
}
