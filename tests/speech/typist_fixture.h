// Test helpers for the editor and screen review: a speech front over a console whose
// keys come one at a time, each only when the program waits for a key, as a user types
// who listens before the next key (so nothing is cut short or dropped by a beep).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "console/ZnCrt.h"
#include "console/keys.h"
#include "speech/znsapi.h"
#include "tests/speech/sound_fixture.h"

namespace typist_test {

// Each entry is one key in the terminal notation; after the last, the window closes.
class TypistBackend : public zn::ConsoleBackend {
 public:
  std::deque<std::string> keys;
  std::string clip;
  std::function<void(size_t)> on_key;  // before the nth key (from 0) is given
  size_t given = 0;
  bool impatient = false;  // a key also comes during any wait, as speech plays


  bool pump(zn::Console& con, int timeout_ms) override {
    if (timeout_ms == 0 || (timeout_ms > 0 && !impatient) || con.key_count() > 0) return true;
    if (keys.empty()) return false;
    if (on_key) on_key(given);
    ++given;
    decoder_.feed(keys.front());
    keys.pop_front();
    decoder_.decode(con, true);
    return true;
  }
  bool set_clipboard(const std::string& utf8) override {
    clip = utf8;
    return true;
  }
  std::optional<std::string> clipboard() override { return clip; }

 private:
  zn::KeyDecoder decoder_;
};

// Splits "ab\033[D" into the keys "a", "b", "\033[D" (sequences as the key table gives them).
inline std::deque<std::string> split_keys(const std::string& text) {
  std::deque<std::string> out;
  for (size_t i = 0; i < text.size();) {
    size_t n = 1;
    if (text[i] == '\033' && i + 1 < text.size()) {
      if (text[i + 1] == '[') {
        n = 2;
        while (i + n < text.size() && !(text[i + n] >= 0x40 && text[i + n] <= 0x7E)) ++n;
        ++n;
      } else {
        n = (text[i + 1] == 'O') ? 3 : 2;
      }
    }
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

class TypistTest : public ::testing::Test {
 protected:
  TypistTest() {
    auto b = std::make_unique<TypistBackend>();
    backend = b.get();
    con.set_backend(std::move(b));
    con.set_quit_handler([this](int code) { quits.push_back(code); });
    drives.roots['c' - 'a'] = dir.path;
    config.drives = &drives;
    s.console = &con;
    s.config = &config;
    speech::set_audio_layer(s.wave, std::make_unique<sound_test::RecordingLayer>(rec));
    log_path = dir.path + "/speech.log";
    speech::open_speech_log(s, log_path);
    con.ensure_window();
  }

  void type(const std::string& keys) { backend->keys = split_keys(keys); }

  // The log since the last call.
  std::string log() {
    const std::string all = sound_test::read_file(log_path);
    std::string out = all.substr(std::min(seen_, all.size()));
    seen_ = all.size();
    return out;
  }

  static std::string chars(std::string_view text) {
    std::string out;
    for (unsigned char c : text) out += "char " + std::to_string(c) + "\n";
    return out;
  }

  sound_test::TempDir dir;
  sound_test::Record rec;
  plat::DriveTable drives;
  speech::ConfigContext config;
  zn::Console con;
  TypistBackend* backend = nullptr;
  speech::Speech s;
  std::vector<int> quits;
  std::string log_path;

 private:
  size_t seen_ = 0;
};

}  // namespace typist_test
