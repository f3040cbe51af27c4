// A fresh runtime per test: keys typed in advance, the screen and the speech log read back.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/interp.h"
#include "runtime/rlplus.h"
#include "runtime/values.h"
#include "../commands/temp_folder.h"

namespace rltest {

// The keys, in the notation of a terminal, fed to the headless console through a pipe;
// after them the input ends, which closes the window at the next read.
// The two descriptors are the caller's to close.
inline std::unique_ptr<zn::ConsoleBackend> typed_keys(const std::string& keys, int& in_fd, int& out_fd) {
  int p[2];
  if (pipe(p) != 0) return nullptr;
  ssize_t put = keys.empty() ? 0 : write(p[1], keys.data(), keys.size());
  (void)put;
  close(p[1]);
  in_fd = p[0];
  out_fd = open("/dev/null", O_WRONLY);
  return zn::make_headless_backend(in_fd, out_fd);
}

// Runs a test inside a fresh temp folder as the current directory, and goes back after.
class InFolder {
 public:
  InFolder() {
    if (!::getcwd(old_, sizeof old_)) old_[0] = '\0';
    EXPECT_EQ(::chdir(t.path().c_str()), 0);
  }
  ~InFolder() {
    if (old_[0]) {
      EXPECT_EQ(::chdir(old_), 0);
    }
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;
  cmdtest::TempFolder t;

 private:
  char old_[4096];
};

struct Session {
  rl::Runtime rt{"/nonexistent-roteiral-root"};
  int quit_code = -1;
  int in_fd = -1, out_fd = -1;

  explicit Session(std::string keys = "") {
    rt.console.set_backend(typed_keys(keys, in_fd, out_fd));
    rt.console.set_quit_handler([this](int code) { quit_code = code; });
    rt.speech.log = std::tmpfile();
    rt.speech.owns_log = true;
  }

  ~Session() {
    if (in_fd >= 0) close(in_fd);
    if (out_fd >= 0) close(out_fd);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  rl::Interp& in() { return *rt.interp; }

  void load(const std::vector<std::string>& lines) {
    int n = 0;
    for (const auto& l : lines) rl::carregascript(rt, l, ++n);
  }

  // Runs the lines through processa, as a program does.
  void run(const std::vector<std::string>& lines) {
    load(lines);
    rl::processa(rt);
  }

  // The screen without the final line end.
  std::string screen() const {
    std::string t = rt.console.screen_text();
    if (!t.empty() && t.back() == '\n') t.pop_back();
    return t;
  }

  std::string speech_log() {
    std::FILE* f = rt.speech.log;
    std::fflush(f);
    long end = std::ftell(f);
    std::string out(static_cast<size_t>(end), '\0');
    std::rewind(f);
    size_t got = std::fread(out.data(), 1, out.size(), f);
    out.resize(got);
    std::fseek(f, 0, SEEK_END);
    return out;
  }

  std::string var(std::string_view name) {
    std::string_view t = name;
    int slot = rl::read_var_ref(in(), t);
    return slot < 0 ? "<bad>" : in().vars[slot];
  }
};

}  // namespace rltest
