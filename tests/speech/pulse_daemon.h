// A private sound server for tests and benchmarks, and a layer wrapper that timestamps
// what reaches the layer.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "console/ZnCrt.h"
#include "platform/audio.h"

namespace sound_test {

using Clock = std::chrono::steady_clock;

// pulseaudio with a null sink on a socket of its own, run as whoever we are; stopped by
// the destructor. ok() is false when it could not start at all.
class PulseDaemon {
 public:
  PulseDaemon() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roteiral-pulse-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    dir_ = pattern;
    socket_ = dir_ + "/native";
    pid_ = fork();
    if (pid_ == 0) {
      setenv("HOME", dir_.c_str(), 1);
      setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
      setenv("PULSE_RUNTIME_PATH", dir_.c_str(), 1);
      setenv("PULSE_STATE_PATH", dir_.c_str(), 1);
      const std::string log = dir_ + "/daemon.log";
      if (FILE* f = freopen(log.c_str(), "w", stderr)) (void)f;
      if (FILE* f = freopen("/dev/null", "w", stdout)) (void)f;
      const std::string native = "module-native-protocol-unix auth-anonymous=1 socket=" + socket_;
      execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
             "--use-pid-file=no", "--disable-shm=true", "--load=module-null-sink sink_name=silent",
             ("--load=" + native).c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid_ < 0) return;
    for (int i = 0; i < 500; ++i) {
      struct stat st {};
      if (stat(socket_.c_str(), &st) == 0) {
        ok_ = true;
        break;
      }
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ok_) setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
  }
  ~PulseDaemon() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    unsetenv("PULSE_SERVER");
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  PulseDaemon(const PulseDaemon&) = delete;
  PulseDaemon& operator=(const PulseDaemon&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string dir_, socket_;
  pid_t pid_ = -1;
  bool ok_ = false;
};

// When things reached the layer below.
struct LayerTimes {
  Clock::time_point first_write{};  // the first write since the last reset
  Clock::time_point flush_done{};
  int flushes = 0;
  void reset() { *this = LayerTimes{}; }
};

class TimedOut : public plat::AudioOut {
 public:
  TimedOut(std::unique_ptr<plat::AudioOut> inner, LayerTimes& t) : inner_(std::move(inner)), t_(t) {}
  plat::AudioFault write(uint32_t id, const uint8_t* data, size_t n, bool loop) override {
    if (t_.first_write == Clock::time_point{}) t_.first_write = Clock::now();
    return inner_->write(id, data, n, loop);
  }
  void flush() override {
    inner_->flush();
    t_.flush_done = Clock::now();
    ++t_.flushes;
  }
  void take_done(std::vector<plat::AudioDone>& out) override { inner_->take_done(out); }

 private:
  std::unique_ptr<plat::AudioOut> inner_;
  LayerTimes& t_;
};

class TimedLayer : public plat::AudioLayer {
 public:
  TimedLayer(std::unique_ptr<plat::AudioLayer> inner, LayerTimes& t) : inner_(std::move(inner)), t_(t) {}
  std::unique_ptr<plat::AudioOut> open(const plat::AudioFormat& f, plat::AudioFault& fault) override {
    auto out = inner_->open(f, fault);
    if (!out) return nullptr;
    return std::make_unique<TimedOut>(std::move(out), t_);
  }
  std::string_view name() const override { return inner_->name(); }

 private:
  std::unique_ptr<plat::AudioLayer> inner_;
  LayerTimes& t_;
};

// A console whose one key arrives at a set moment, as the user would type it.
class TimedKeyBackend : public zn::ConsoleBackend {
 public:
  Clock::time_point key_due{};
  Clock::time_point key_at{};
  bool pump(zn::Console& con, int timeout_ms) override {
    const auto now = Clock::now();
    if (key_at == Clock::time_point{} && key_due != Clock::time_point{} && now >= key_due) {
      con.push_key('k');
      key_at = now;
      return true;
    }
    if (timeout_ms > 0) {
      auto until = now + std::chrono::milliseconds(timeout_ms);
      if (key_at == Clock::time_point{} && key_due != Clock::time_point{} && key_due < until) until = key_due;
      std::this_thread::sleep_until(until);
    }
    return true;
  }
};

}  // namespace sound_test
