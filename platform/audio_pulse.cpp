// The sound-server layer (also what PipeWire desktops answer): one connection for the
// program, a stream per open with about 20 ms of buffering, fed from the server's own
// thread so that a flush never waits behind a write.
#include <pulse/error.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <deque>

#include "platform/audio.h"

namespace plat {
namespace {

constexpr int kBufferMs = 20;

bool to_spec(const AudioFormat& f, pa_sample_spec& ss) {
  switch (f.bits) {
    case 8: ss.format = PA_SAMPLE_U8; break;
    case 16: ss.format = PA_SAMPLE_S16LE; break;
    case 24: ss.format = PA_SAMPLE_S24LE; break;
    case 32: ss.format = PA_SAMPLE_S32LE; break;
    default: return false;
  }
  ss.rate = static_cast<uint32_t>(f.rate);
  ss.channels = static_cast<uint8_t>(f.channels);
  return pa_sample_spec_valid(&ss) != 0;
}

AudioFault fault_of(int err) {
  switch (err) {
    case PA_ERR_INVALID:
    case PA_ERR_NOTSUPPORTED: return AudioFault::bad_format;
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_NOENTITY: return AudioFault::no_driver;
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_KILLED:
    case PA_ERR_BADSTATE: return AudioFault::bad_handle;
    case PA_ERR_INTERNAL: return AudioFault::no_memory;
    default: return AudioFault::other;
  }
}

void signal_loop(pa_threaded_mainloop* ml) { pa_threaded_mainloop_signal(ml, 0); }

// The mainloop lock, held for a scope.
class Locked {
 public:
  explicit Locked(pa_threaded_mainloop* ml) : ml_(ml) { pa_threaded_mainloop_lock(ml_); }
  ~Locked() { pa_threaded_mainloop_unlock(ml_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  pa_threaded_mainloop* ml_;
};

// Waits, with the lock held, until the operation has run (or the connection died).
void wait_op(pa_threaded_mainloop* ml, pa_operation* op) {
  if (!op) return;
  while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(ml);
  pa_operation_unref(op);
}

class PulseOut : public AudioOut {
 public:
  PulseOut(pa_threaded_mainloop* ml, pa_stream* st, const pa_sample_spec& ss)
      : ml_(ml), st_(st), spec_(ss), frame_(pa_frame_size(&ss)) {
    pa_stream_set_write_callback(st_, on_writable, this);
  }
  ~PulseOut() override {
    Locked lk(ml_);
    pa_stream_set_write_callback(st_, nullptr, nullptr);
    pa_stream_set_state_callback(st_, nullptr, nullptr);
    pa_stream_disconnect(st_);
    pa_stream_unref(st_);
  }

  AudioFault write(uint32_t id, const uint8_t* data, size_t n, bool loop) override {
    Locked lk(ml_);
    if (!alive()) return AudioFault::bad_handle;
    if (n == 0) {
      done_.push_back({id, AudioFault::none});
      return AudioFault::none;
    }
    queue_.push_back({id, data, n, 0, loop});
    feed();
    return AudioFault::none;
  }

  void flush() override {
    Locked lk(ml_);
    finish_all(AudioFault::none);
    if (!alive()) return;
    wait_op(ml_, pa_stream_flush(st_, on_success, ml_));
    // What the server dropped will never be heard: the clock is the end of what was written.
    pa_usec_t heard = 0;
    if (pa_stream_get_time(st_, &heard) == 0) written_bytes_ = pa_usec_to_bytes(heard, &spec_);
  }

  void take_done(std::vector<AudioDone>& out) override {
    Locked lk(ml_);
    if (!alive()) finish_all(AudioFault::bad_handle);
    if (queue_.empty() && !written_.empty()) {
      // All given to the server: done once the stream's clock, which counts what has been
      // heard, has passed everything written. After the last sample the clock stops a
      // sink latency short of the end, so a clock that has moved and then stood still for
      // longer than that counts as the end too; one that never moves is not waited for long.
      pa_usec_t heard = 0;
      const pa_usec_t end = pa_bytes_to_usec(written_bytes_, &spec_);
      const auto now = std::chrono::steady_clock::now();
      if (deadline_ == std::chrono::steady_clock::time_point{})
        deadline_ = now + std::chrono::microseconds(end) + std::chrono::seconds(1);
      const bool known = pa_stream_get_time(st_, &heard) == 0;
      if (known && heard != last_heard_) {
        last_heard_ = heard;
        last_move_ = now;
      }
      const bool stood = known && heard > 0 && now - last_move_ > std::chrono::milliseconds(kBufferMs + 10);
      if ((known && heard >= end) || stood || now >= deadline_) {
        for (uint32_t id : written_) done_.push_back({id, AudioFault::none});
        written_.clear();
        deadline_ = {};
      }
    }
    out.insert(out.end(), done_.begin(), done_.end());
    done_.clear();
  }

 private:
  struct Item {
    uint32_t id;
    const uint8_t* data;
    size_t n;
    size_t off;
    bool loop;
  };

  bool alive() const { return pa_stream_get_state(st_) == PA_STREAM_READY; }

  void finish_all(AudioFault fault) {
    for (const auto& it : queue_) done_.push_back({it.id, fault});
    for (uint32_t id : written_) done_.push_back({id, fault});
    queue_.clear();
    written_.clear();
    carry_.clear();
  }

  // With the lock held: give the server as much as it has room for, in whole frames.
  void feed() {
    if (!alive()) return;
    size_t room = pa_stream_writable_size(st_);
    bool wrote = false;
    while (!queue_.empty() && room >= frame_) {
      Item& it = queue_.front();
      // What went to the server before is at most its buffering ahead of the ear.
      for (uint32_t id : written_) done_.push_back({id, AudioFault::none});
      written_.clear();
      std::vector<uint8_t> piece(carry_);
      carry_.clear();
      const size_t take = std::min(it.n - it.off, room - std::min(room, piece.size()));
      piece.insert(piece.end(), it.data + it.off, it.data + it.off + take);
      it.off += take;
      const size_t whole = piece.size() / frame_ * frame_;
      carry_.assign(piece.begin() + static_cast<std::ptrdiff_t>(whole), piece.end());
      if (it.off == it.n) {
        if (it.loop) {
          it.off = 0;
        } else {
          written_.push_back(it.id);
          queue_.pop_front();
        }
      }
      if (whole == 0) continue;
      if (pa_stream_write(st_, piece.data(), whole, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        finish_all(AudioFault::bad_handle);
        return;
      }
      room -= whole;
      written_bytes_ += whole;
      deadline_ = {};
      wrote = true;
    }
    // A sound shorter than the prebuffer would otherwise wait for more that never comes.
    if (wrote && queue_.empty()) {
      carry_.clear();
      if (pa_operation* op = pa_stream_trigger(st_, nullptr, nullptr)) pa_operation_unref(op);
    }
  }

  static void on_writable(pa_stream*, size_t, void* self) { static_cast<PulseOut*>(self)->feed(); }
  static void on_success(pa_stream*, int, void* ml) { signal_loop(static_cast<pa_threaded_mainloop*>(ml)); }

  pa_threaded_mainloop* ml_;
  pa_stream* st_;
  pa_sample_spec spec_;
  size_t frame_;
  uint64_t written_bytes_ = 0;
  std::chrono::steady_clock::time_point deadline_{};
  pa_usec_t last_heard_ = 0;
  std::chrono::steady_clock::time_point last_move_{};
  std::deque<Item> queue_;
  std::vector<uint32_t> written_;
  std::vector<AudioDone> done_;
  std::vector<uint8_t> carry_;
};

class PulseLayer : public AudioLayer {
 public:
  ~PulseLayer() override {
    if (!ml_) return;
    {
      Locked lk(ml_);
      if (ctx_) {
        pa_context_set_state_callback(ctx_, nullptr, nullptr);
        pa_context_disconnect(ctx_);
        pa_context_unref(ctx_);
      }
    }
    pa_threaded_mainloop_stop(ml_);
    pa_threaded_mainloop_free(ml_);
  }

  bool connect() {
    ml_ = pa_threaded_mainloop_new();
    if (!ml_) return false;
    ctx_ = pa_context_new(pa_threaded_mainloop_get_api(ml_), "roteiral");
    if (!ctx_) return false;
    pa_context_set_state_callback(ctx_, on_state, ml_);
    if (pa_threaded_mainloop_start(ml_) < 0) return false;
    Locked lk(ml_);
    if (pa_context_connect(ctx_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) return false;
    for (;;) {
      const pa_context_state_t s = pa_context_get_state(ctx_);
      if (s == PA_CONTEXT_READY) return true;
      if (!PA_CONTEXT_IS_GOOD(s)) return false;
      pa_threaded_mainloop_wait(ml_);
    }
  }

  std::unique_ptr<AudioOut> open(const AudioFormat& f, AudioFault& fault) override {
    pa_sample_spec ss{};
    if (!audio_format_valid(f) || !to_spec(f, ss)) {
      fault = AudioFault::bad_format;
      return nullptr;
    }
    Locked lk(ml_);
    if (pa_context_get_state(ctx_) != PA_CONTEXT_READY) {
      fault = AudioFault::no_driver;
      return nullptr;
    }
    pa_stream* st = pa_stream_new(ctx_, "sound", &ss, nullptr);
    if (!st) {
      fault = fault_of(pa_context_errno(ctx_));
      return nullptr;
    }
    pa_stream_set_state_callback(st, on_stream_state, ml_);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kBufferMs * 1000, &ss));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                      PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(st, nullptr, &attr, flags, nullptr, nullptr) == 0) {
      for (;;) {
        const pa_stream_state_t s = pa_stream_get_state(st);
        if (s == PA_STREAM_READY) {
          fault = AudioFault::none;
          return std::make_unique<PulseOut>(ml_, st, ss);
        }
        if (!PA_STREAM_IS_GOOD(s)) break;
        pa_threaded_mainloop_wait(ml_);
      }
    }
    fault = fault_of(pa_context_errno(ctx_));
    pa_stream_set_state_callback(st, nullptr, nullptr);
    pa_stream_unref(st);
    return nullptr;
  }
  std::string_view name() const override { return "pulse"; }

 private:
  static void on_state(pa_context*, void* ml) { signal_loop(static_cast<pa_threaded_mainloop*>(ml)); }
  static void on_stream_state(pa_stream*, void* ml) { signal_loop(static_cast<pa_threaded_mainloop*>(ml)); }

  pa_threaded_mainloop* ml_ = nullptr;
  pa_context* ctx_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioLayer> make_pulse_audio() {
  auto layer = std::make_unique<PulseLayer>();
  if (!layer->connect()) return nullptr;
  return layer;
}

}  // namespace plat
