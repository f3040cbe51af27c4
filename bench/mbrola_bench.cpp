// The ELZAR synthesiser with the built voice: speed as a multiple of real time (target
// 200x) and the time from a sentence's phoneme lines to its first samples (target 20 ms).
// The voice is read from the family root (ROTEIRAL_ROOT, else the root beside the programs).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tts/mbrola.h"

namespace {

std::string voice_path() {
  std::string root;
  if (const char* r = std::getenv("ROTEIRAL_ROOT"); r && *r) {
    root = r;
  } else {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
    root = n > 0 ? (std::filesystem::path(std::string(buf, static_cast<size_t>(n))).parent_path() / ".." / "root").string()
                 : "root";
  }
  return root + "/palmir/elzartts/br4";
}

// "O menino comprou três pães na padaria da cidade?" as the prosody would time it.
const char* const kSentence =
    "_ 100\r\n;o\r\nu 60 50 120\r\n;menino\r\nm 60 50 118\r\ni 50\r\nn 55\r\ni 125 80 150\r\nn 60\r\nu 70 50 110\r\n"
    ";comprou\r\nk 70 50 117\r\nom 80\r\np 70\r\nr 45\r\no 140 80 145\r\nw 60 50 112\r\n"
    ";três\r\nt 60 50 116\r\nr 45\r\ne 130 80 148\r\ns2 90 50 110\r\n"
    ";pães\r\np 70 50 115\r\nam 150 80 150\r\ny 60\r\ns2 95 50 108\r\n"
    ";na\r\nn 55 50 114\r\n@ 70\r\n"
    ";padaria\r\np 70 50 114\r\na 60\r\nd 55\r\na 60\r\nr 45\r\ni 140 80 160\r\n@ 80 50 120\r\n"
    ";da\r\nd 55 50 113\r\n@ 70\r\n"
    ";cidade\r\ns 90 50 115\r\ni 60\r\nd 55\r\na 150 80 170\r\ndj 80\r\ni 90 50 200\r\n_ 200\r\n";

struct Fixture {
  std::unique_ptr<elzar::Mbrola> m = elzar::open_own_mbrola();
  bool ok = false;
  Fixture() {
    ok = m->init_MBR(voice_path()) >= 0;
    if (ok) m->setNoError_MBR(1);
  }
};

void BM_SynthesisSpeed(benchmark::State& state) {
  Fixture f;
  if (!f.ok) {
    state.SkipWithError(("the voice does not load from " + voice_path()).c_str());
    return;
  }
  std::vector<int16_t> buf(16000);
  double audio_seconds = 0;
  for (auto _ : state) {
    f.m->reset_MBR();
    f.m->write_MBR(kSentence);
    f.m->flush_MBR();
    size_t samples = 0;
    for (int n; (n = f.m->read_MBR(buf.data(), 16000)) > 0;) samples += static_cast<size_t>(n);
    audio_seconds += static_cast<double>(samples) / elzar::kMbrolaRate;
    benchmark::DoNotOptimize(buf.data());
  }
  // Seconds of speech made per second of work: the multiple of real time.
  state.counters["x_realtime"] = benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate);
  state.counters["speech_s"] = audio_seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SynthesisSpeed)->Unit(benchmark::kMillisecond)->UseRealTime();

// As the engine does it: every line, the flush, then one read of up to 16000 samples.
void BM_FirstSample(benchmark::State& state) {
  Fixture f;
  if (!f.ok) {
    state.SkipWithError(("the voice does not load from " + voice_path()).c_str());
    return;
  }
  std::vector<int16_t> buf(16000);
  for (auto _ : state) {
    f.m->reset_MBR();
    f.m->write_MBR(kSentence);
    f.m->flush_MBR();
    const int n = f.m->read_MBR(buf.data(), 16000);
    if (n <= 0) {
      state.SkipWithError("no samples");
      return;
    }
    benchmark::DoNotOptimize(buf.data());
  }
}
BENCHMARK(BM_FirstSample)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
