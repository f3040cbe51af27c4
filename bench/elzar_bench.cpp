// The ELZAR front end: a 1000-word text through normalisation, splitting, patterns,
// letter-to-sound and timing, with the installed data of the family root (ROTEIRAL_ROOT,
// else the root beside the programs). Target: under 10 ms for the 1000 words.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tts/uttsElzar.h"

namespace {

std::string family_root() {
  if (const char* r = std::getenv("ROTEIRAL_ROOT"); r && *r) return r;
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0) return "root";
  return (std::filesystem::path(std::string(buf, static_cast<size_t>(n))).parent_path() / ".." / "root").string();
}

// 1000 words of ordinary prose with numbers, abbreviations, questions and lists.
std::string thousand_words() {
  const std::string piece =
      "O Sr. Jo\xE3o comprou 3 p\xE3" "es na padaria da Av. Brasil, n\xBA 1250, \xE0s 14h30 de ontem. "
      "Voc\xEA sabe quanto custou? Foram R$ 12,50, mais do que ele esperava pagar pela manh\xE3! "
      "A cidade tem pra\xE7" "as, escolas, hospitais e muitas \xE1rvores antigas perto do rio. ";
  std::string text;
  size_t words = 0;
  while (words < 1000) {
    for (char c : piece) {
      if (c == ' ' && ++words >= 1000) break;
      text += c;
    }
    text += ' ';
  }
  return text;
}

void BM_FrontEnd1000Words(benchmark::State& state) {
  elzar::Elzar e;
  const std::string stem = family_root() + "/palmir/elzartts/portug";
  if (!elzar::elzar_load_language(e, stem + ".nrl", stem + ".exc", stem + ".dfn", stem + ".pro", stem + ".abr")) {
    state.SkipWithError(("the ELZAR data do not load from " + stem + ".*: " + e.last_error).c_str());
    return;
  }
  elzar::elzar_set_factors(e, 0.8, 1.0);
  const std::string text = thousand_words();
  size_t lines = 0;
  for (auto _ : state) {
    auto out = elzar::elzar_mbrola_lines(e, text);
    lines = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.counters["words/s"] = benchmark::Counter(1000.0 * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_FrontEnd1000Words)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
