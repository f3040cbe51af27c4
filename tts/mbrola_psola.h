// Diphone concatenation with pitch-synchronous overlap-add: queued phonemes in, samples out.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "tts/mbrola_lines.h"
#include "tts/mbrola_voice.h"

namespace elzar {

inline constexpr size_t kMaxQueuedPhonemes = 10000;

enum class StreamError { none, no_voice, unknown_phoneme, missing_diphone, queue_full };

// One stream of phonemes from the first after a flush to the next flush. A phoneme is
// synthesised once the phoneme after it is known (its second half is the diphone into
// that one) or the stream has been flushed; an implicit pause stands before the first
// and after the last phoneme of a stream.
class DiphoneStream {
 public:
  explicit DiphoneStream(const Voice* voice = nullptr) : voice_(voice) {}
  void set_voice(const Voice* voice);
  // Queues a phoneme. Refused, with a reason, for a phoneme the voice does not have, a
  // full queue, or (unless allow_missing) a diphone the voice lacks; with allow_missing
  // the halves that exist fill the phonemes on both sides (silence when neither does).
  StreamError push(PhonemeLine phoneme, bool allow_missing, std::string& why);
  // Ends the stream, so that everything queued becomes readable. False (the stream still
  // ends) when the diphone into the final pause is missing and not allowed.
  bool flush(bool allow_missing, std::string& why);
  // Up to `wanted` released samples (float, 16-bit range); 0 when none is ready.
  size_t read(float* out, size_t wanted);
  void reset();
  // The latest queued phoneme not yet synthesised, or nullptr.
  PhonemeLine* last_pending();
  size_t queued() const { return queue_.size(); }

 private:
  struct Queued {
    PhonemeLine ph;
    int64_t start = 0, length = 0;   // samples from the start of the stream
    const VoiceDiphone* into = nullptr;   // previous phoneme -> this one (nullptr: silence)
    const VoiceDiphone* out_of = nullptr; // this one -> the next
    bool next_known = false;
    bool ends_stream = false;
  };

  bool front_ready() const;
  void synthesise_front();
  void build_curve(const Queued& q);
  double pitch_at(double t) const;
  void segment(const VoiceDiphone* d, double from, double to, int64_t t0, int64_t t1);
  void add_grain(const VoiceDiphone& d, uint32_t j, double centre);
  void add_grain_at(const VoiceDiphone& d, uint32_t m, uint32_t left_gap, uint32_t right_gap, double centre);
  void release_until(int64_t limit);
  void end_stream();

  const Voice* voice_ = nullptr;
  std::deque<Queued> queue_;
  double push_ms_ = 0;  // duration queued so far in the stream being written
  // Synthesis state of the stream being read.
  std::vector<float> acc_;  // overlap-add area from stream time acc_base_
  int64_t acc_base_ = 0;
  double next_mark_ = 0;    // stream time of the next output period
  std::vector<std::pair<double, double>> curve_;  // (stream time, Hz) around the phoneme
  std::pair<double, double> last_point_{-1, 0};   // last pitch point already used
  std::vector<float> ready_;
  size_t ready_pos_ = 0;
};

}  // namespace elzar
