// The device layers' playing thread.
#include "platform/audio_stream.h"

#include <algorithm>
#include <chrono>

namespace plat {

StreamingOut::StreamingOut(const AudioFormat& f, size_t piece_bytes) : fmt_(f) {
  const size_t fb = static_cast<size_t>(std::max(f.frame_bytes(), 1));
  piece_ = std::max(fb, piece_bytes / fb * fb);
}

void StreamingOut::start_worker() { worker_ = std::thread([this] { run(); }); }

void StreamingOut::stop_worker() {
  if (!worker_.joinable()) return;
  flush();
  {
    std::lock_guard lk(m_);
    quit_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

AudioFault StreamingOut::write(uint32_t id, const uint8_t* data, size_t n, bool loop) {
  std::lock_guard lk(m_);
  if (broken_) return AudioFault::bad_handle;
  // A looping buffer with nothing in it would spin without playing.
  if (n == 0) {
    done_.push_back({id, AudioFault::none});
    return AudioFault::none;
  }
  queue_.push_back({id, data, n, 0, loop});
  wake_.notify_all();
  return AudioFault::none;
}

void StreamingOut::flush() {
  std::unique_lock lk(m_);
  if (!worker_.joinable()) return;
  flush_req_ = true;
  wake_.notify_all();
  flushed_.wait(lk, [this] { return !flush_req_; });
}

void StreamingOut::take_done(std::vector<AudioDone>& out) {
  std::lock_guard lk(m_);
  out.insert(out.end(), done_.begin(), done_.end());
  done_.clear();
}

void StreamingOut::fail_all(AudioFault fault) {
  for (const auto& it : queue_) done_.push_back({it.id, fault});
  for (uint32_t id : written_) done_.push_back({id, fault});
  queue_.clear();
  written_.clear();
  carry_.clear();
}

void StreamingOut::run() {
  using clock = std::chrono::steady_clock;
  const size_t fb = static_cast<size_t>(std::max(fmt_.frame_bytes(), 1));
  std::vector<uint8_t> piece;
  piece.reserve(piece_ + fb);
  bool kicked = false;
  clock::time_point give_up{};  // when waiting for the end of playback stops believing the device
  std::unique_lock lk(m_);
  for (;;) {
    if (flush_req_) {
      lk.unlock();
      drop();
      lk.lock();
      fail_all(AudioFault::none);
      flush_req_ = false;
      flushed_.notify_all();
      continue;
    }
    if (quit_) break;
    if (!queue_.empty()) {
      // What went to the device before is at most its buffering ahead of the ear.
      for (uint32_t id : written_) done_.push_back({id, AudioFault::none});
      written_.clear();
      kicked = false;
      Item& it = queue_.front();
      piece.assign(carry_.begin(), carry_.end());
      carry_.clear();
      const size_t take = std::min(it.n - it.off, piece_ > piece.size() ? piece_ - piece.size() : 0);
      piece.insert(piece.end(), it.data + it.off, it.data + it.off + take);
      it.off += take;
      const size_t whole = piece.size() / fb * fb;
      carry_.assign(piece.begin() + static_cast<std::ptrdiff_t>(whole), piece.end());
      piece.resize(whole);
      if (it.off == it.n) {
        if (it.loop) {
          it.off = 0;
        } else {
          written_.push_back(it.id);
          queue_.pop_front();
        }
      }
      if (piece.empty()) continue;
      lk.unlock();
      const AudioFault fault = push(piece.data(), piece.size());
      lk.lock();
      if (fault != AudioFault::none && !flush_req_) {
        broken_ = true;
        fail_all(fault);
      }
      continue;
    }
    if (!written_.empty()) {
      carry_.clear();  // a final half frame cannot be played
      lk.unlock();
      if (!kicked) kick();
      const int64_t us = pending_us();
      lk.lock();
      const auto now = clock::now();
      if (!kicked) {
        kicked = true;
        give_up = now + std::chrono::microseconds(std::max<int64_t>(us, 0)) + std::chrono::milliseconds(500);
      }
      if (us <= 0 || now >= give_up) {
        for (uint32_t id : written_) done_.push_back({id, AudioFault::none});
        written_.clear();
        continue;
      }
      wake_.wait_for(lk, std::chrono::microseconds(std::min<int64_t>(us, 2000)));
      continue;
    }
    wake_.wait(lk);
  }
}

}  // namespace plat
