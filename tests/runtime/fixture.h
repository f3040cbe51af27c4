// A fresh runtime per test: keys typed in advance, the screen and the speech log read back.
#pragma once
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "runtime/interp.h"
#include "runtime/rlplus.h"
#include "runtime/values.h"

namespace rltest {

// Delivers the given bytes as typed characters; after them, the window is closed.
class TypedKeys : public zn::ConsoleBackend {
 public:
  explicit TypedKeys(std::string keys) : keys_(keys.begin(), keys.end()) {}
  bool pump(zn::Console& c, int) override {
    while (!keys_.empty()) {
      c.key_char(static_cast<uint8_t>(keys_.front()), false);
      keys_.pop_front();
    }
    return false;
  }

 private:
  std::deque<char> keys_;
};

struct Session {
  rl::Runtime rt{"/nonexistent-roteiral-root"};
  int quit_code = -1;

  explicit Session(std::string keys = "") {
    rt.console.set_backend(std::make_unique<TypedKeys>(std::move(keys)));
    rt.console.set_quit_handler([this](int code) { quit_code = code; });
    rt.speech.log = std::tmpfile();
    rt.speech.owns_log = true;
  }

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
