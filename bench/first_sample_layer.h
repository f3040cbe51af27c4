// An audio layer for benches: buffers come back at once, and the first write is timed.
#pragma once
#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/audio.h"

namespace benchkit {

using Clock = std::chrono::steady_clock;

// Sets `first` at the first write after it was cleared.
class FirstSampleLayer : public plat::AudioLayer {
 public:
  explicit FirstSampleLayer(Clock::time_point& first) : first_(first) {}
  std::unique_ptr<plat::AudioOut> open(const plat::AudioFormat&, plat::AudioFault& fault) override {
    fault = plat::AudioFault::none;
    return std::make_unique<Out>(first_);
  }
  std::string_view name() const override { return "first-sample"; }

 private:
  class Out : public plat::AudioOut {
   public:
    explicit Out(Clock::time_point& first) : first_(first) {}
    plat::AudioFault write(uint32_t id, const uint8_t*, size_t, bool) override {
      if (first_ == Clock::time_point{}) first_ = Clock::now();
      done_.push_back({id, plat::AudioFault::none});
      return plat::AudioFault::none;
    }
    void flush() override {}
    void take_done(std::vector<plat::AudioDone>& out) override {
      out.insert(out.end(), done_.begin(), done_.end());
      done_.clear();
    }

   private:
    Clock::time_point& first_;
    std::vector<plat::AudioDone> done_;
  };

  Clock::time_point& first_;
};

}  // namespace benchkit
