// Writing 10000 lines to the console window, with LENTO off (every scroll drawn again) and
// on (scrolls copied), and with the window's events polled after every line as a speech
// wait does. Needs a display: without DISPLAY an Xvfb of its own is started.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "console/ZnCrt.h"

namespace {

pid_t g_xvfb = -1;  // the benchmark program's own server, ended at exit

bool ensure_display() {
  const char* d = getenv("DISPLAY");
  if (d && *d) return true;
  int fds[2];
  if (pipe(fds) != 0) return false;
  g_xvfb = fork();
  if (g_xvfb == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buf[32] = {};
  const ssize_t n = read(fds[0], buf, sizeof buf - 1);
  close(fds[0]);
  if (n <= 0) return false;
  setenv("DISPLAY", (":" + std::string(buf, static_cast<size_t>(n))).c_str(), 1);
  return true;
}

void BM_WindowLines(benchmark::State& state) {
  const bool lento = state.range(0) != 0;
  const bool polled = state.range(1) != 0;
  if (!ensure_display()) {
    state.SkipWithError("no display and no Xvfb");
    return;
  }
  char dir[] = "/tmp/roteiral-bench-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temp folder");
    return;
  }
  const std::string ini = std::string(dir) + "/ZUNAPE.INI";
  std::ofstream(ini) << "[VIDEO]\nLENTO=" << (lento ? "S" : "N") << "\n";
  std::string why;
  auto backend = zn::make_window_backend(why);
  if (!backend) {
    state.SkipWithError(("no window: " + why).c_str());
    return;
  }
  zn::Console con;
  con.set_backend(std::move(backend));
  con.set_profile_path(ini);
  con.set_quit_handler([](int) {});
  con.clear_screen();
  con.pause(100);  // mapped and focused
  const std::string text = "Linha de texto do console, com acentos: ação, é, ü - ";
  int n = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) {
      con.write(text + std::to_string(++n));
      con.write_line_end();
      if (polled) con.key_pressed();
    }
    con.pause(1);  // the last lines on screen too
  }
  state.counters["lines/s"] = benchmark::Counter(10000.0 * state.iterations(), benchmark::Counter::kIsRate);
  con.backend()->close();
  std::remove(ini.c_str());
  rmdir(dir);
}
BENCHMARK(BM_WindowLines)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"lento", "polled"})->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_xvfb > 0) {
    kill(g_xvfb, SIGTERM);
    waitpid(g_xvfb, nullptr, 0);
  }
  return 0;
}
