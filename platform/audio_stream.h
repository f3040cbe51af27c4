// The playing thread shared by the device layers: a byte-stream queue, whole frames in
// small pieces to the device, and a flush that waits only for the piece in flight.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio.h"

namespace plat {

class StreamingOut : public AudioOut {
 public:
  AudioFault write(uint32_t id, const uint8_t* data, size_t n, bool loop) override;
  void flush() override;
  void take_done(std::vector<AudioDone>& out) override;

 protected:
  // piece_bytes: how much one device write takes (a few ms of sound).
  StreamingOut(const AudioFormat& f, size_t piece_bytes);
  // The derived class starts the thread when it is ready and stops it in its destructor,
  // before its own members go.
  void start_worker();
  void stop_worker();

  // On the playing thread only. push blocks until the device took the whole frames given.
  virtual AudioFault push(const uint8_t* data, size_t n) = 0;
  // Microseconds until what was pushed has been heard; negative when unknown.
  virtual int64_t pending_us() = 0;
  // Forget everything the device holds.
  virtual void drop() = 0;
  // The queue ran empty: start playing what the device holds even if it is not full yet.
  virtual void kick() {}

 private:
  struct Item {
    uint32_t id;
    const uint8_t* data;
    size_t n;
    size_t off;
    bool loop;
  };
  void run();
  void fail_all(AudioFault fault);

  AudioFormat fmt_;
  size_t piece_;
  std::mutex m_;
  std::condition_variable wake_;
  std::condition_variable flushed_;
  std::deque<Item> queue_;          // not yet all given to the device
  std::vector<uint32_t> written_;   // given to the device, maybe not heard yet
  std::vector<AudioDone> done_;
  std::vector<uint8_t> carry_;      // a frame split between buffers
  bool flush_req_ = false;
  bool quit_ = false;
  bool broken_ = false;
  std::thread worker_;
};

}  // namespace plat
