// Test helpers for the sound modules: a console whose keys arrive on cue, and an audio
// layer that keeps every buffer it is given and returns them when the test says.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/ZnCrt.h"
#include "platform/audio.h"
#include "platform/paths.h"
#include "speech/wave.h"
#include "speech/znsapi.h"

namespace sound_test {

// Keys are pushed into the console when the backend has been pumped `after` times.
class CueBackend : public zn::ConsoleBackend {
 public:
  struct Cue {
    int after;
    std::string keys;
  };
  std::deque<Cue> cues;
  int pumps = 0;
  std::function<void()> on_pump;  // runs on every pump (a layer's clock, say)

  bool pump(zn::Console& con, int) override {
    ++pumps;
    if (on_pump) on_pump();
    while (!cues.empty() && pumps >= cues.front().after) {
      for (char c : cues.front().keys) con.push_key(static_cast<uint8_t>(c));
      cues.pop_front();
    }
    return true;
  }
};

struct Written {
  uint32_t id;
  std::vector<uint8_t> bytes;
  bool loop;
};

// Everything one recording layer saw, shared by its streams.
struct Record {
  std::vector<plat::AudioFormat> opens;
  int closes = 0;
  int flushes = 0;
  std::vector<Written> writes;
  // Answers for the next opens (front first); none left: open.
  std::deque<plat::AudioFault> open_faults;
  // How the stream returns buffers: at once, or only when the test releases them.
  bool hold = false;
  plat::AudioFault done_fault = plat::AudioFault::none;
  int open_now = 0;  // streams open at this moment
  int most_open = 0;
  class RecordingOut* live = nullptr;  // the stream opened last, while it is open
};

class RecordingOut : public plat::AudioOut {
 public:
  explicit RecordingOut(Record& r) : r_(r) {
    r_.most_open = std::max(r_.most_open, ++r_.open_now);
    r_.live = this;
  }
  ~RecordingOut() override {
    ++r_.closes;
    --r_.open_now;
    if (r_.live == this) r_.live = nullptr;
  }
  plat::AudioFault write(uint32_t id, const uint8_t* data, size_t n, bool loop) override {
    r_.writes.push_back({id, std::vector<uint8_t>(data, data + n), loop});
    if (r_.hold || loop) pending_.push_back(id);
    else done_.push_back({id, r_.done_fault});
    return plat::AudioFault::none;
  }
  void flush() override {
    ++r_.flushes;
    release_all();
  }
  void take_done(std::vector<plat::AudioDone>& out) override {
    out.insert(out.end(), done_.begin(), done_.end());
    done_.clear();
  }
  void release_one() {
    if (pending_.empty()) return;
    done_.push_back({pending_.front(), r_.done_fault});
    pending_.pop_front();
  }
  void release_all() {
    while (!pending_.empty()) release_one();
  }
  size_t pending() const { return pending_.size(); }

 private:
  Record& r_;
  std::deque<uint32_t> pending_;
  std::vector<plat::AudioDone> done_;
};

class RecordingLayer : public plat::AudioLayer {
 public:
  explicit RecordingLayer(Record& r) : r_(r) {}
  std::unique_ptr<plat::AudioOut> open(const plat::AudioFormat& f, plat::AudioFault& fault) override {
    r_.opens.push_back(f);
    fault = plat::AudioFault::none;
    if (!plat::audio_format_valid(f)) {
      fault = plat::AudioFault::bad_format;
      return nullptr;
    }
    if (!r_.open_faults.empty()) {
      fault = r_.open_faults.front();
      r_.open_faults.pop_front();
      return nullptr;
    }
    return std::make_unique<RecordingOut>(r_);
  }
  std::string_view name() const override { return "recording"; }

 private:
  Record& r_;
};

// A scratch folder removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roteiral-sound-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string file(const std::string& name, const std::string& bytes) const {
    const std::string p = path + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string path;
};

// A speech front over a scratch family root (drive c:), keys on cue, every buffer recorded
// and the speech log in the root.
struct FrontRig {
  FrontRig() {
    auto b = std::make_unique<CueBackend>();
    backend = b.get();
    con.set_backend(std::move(b));
    con.set_quit_handler([](int) {});
    drives.roots['c' - 'a'] = dir.path;
    config.drives = &drives;
    s.console = &con;
    s.config = &config;
    speech::set_audio_layer(s.wave, std::make_unique<RecordingLayer>(rec));
    log_path = dir.path + "/speech.log";
    speech::open_speech_log(s, log_path);
  }

  TempDir dir;
  plat::DriveTable drives;
  speech::ConfigContext config;
  zn::Console con;
  CueBackend* backend;
  Record rec;
  speech::Speech s;
  std::string log_path;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A chunk: tag, size field (as declared) and body.
inline std::string chunk(const std::string& tag, const std::string& body, int64_t declared = -1) {
  return tag + le(static_cast<uint32_t>(declared < 0 ? body.size() : declared), 4) + body;
}

inline std::string fmt_body(int channels, int rate, int bits, int tag = 1) {
  return le(static_cast<uint32_t>(tag), 2) + le(static_cast<uint32_t>(channels), 2) + le(static_cast<uint32_t>(rate), 4) +
         le(static_cast<uint32_t>(rate * channels * bits / 8), 4) + le(static_cast<uint32_t>(channels * bits / 8), 2) +
         le(static_cast<uint32_t>(bits), 2);
}

// A RIFF file of the given chunks after the fmt chunk.
inline std::string riff(const std::string& fmt, const std::string& rest) {
  const std::string body = "WAVE" + chunk("fmt ", fmt) + rest;
  return "RIFF" + le(static_cast<uint32_t>(body.size()), 4) + body;
}

inline std::string wav(int channels, int rate, int bits, const std::string& samples) {
  return riff(fmt_body(channels, rate, bits), chunk("data", samples));
}

}  // namespace sound_test
