#include "tts/mbrola_psola.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace elzar {
namespace {

constexpr double kSamplesPerMs = 16.0;
constexpr uint32_t kMaxHalf = 400;       // widest half period: 40 Hz
constexpr double kMinPeriod = 16;        // 1000 Hz
constexpr uint32_t kVirtualStep = 80;    // mark spacing of a diphone stored without marks
constexpr double kSilenceStep = 160;

// Rising half of a raised-cosine window, sampled finely enough for linear lookup.
const std::array<float, 1025>& window_table() {
  static const std::array<float, 1025> table = [] {
    std::array<float, 1025> t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<float>(0.5 - 0.5 * std::cos(M_PI * i / 1024.0));
    return t;
  }();
  return table;
}

// The marks of a diphone; one stored without marks is read as unvoiced at a fixed step.
struct Marks {
  const uint32_t* marks;
  uint32_t count;
  uint32_t length;
  Marks(const Voice& v, const VoiceDiphone& d)
      : marks(v.data.marks.data() + d.first_mark), count(d.mark_count), length(d.length) {}
  uint32_t size() const { return count ? count : (length - 1) / kVirtualStep + 1; }
  uint32_t pos(uint32_t j) const { return count ? (marks[j] & kMarkPosition) : j * kVirtualStep; }
  bool voiced(uint32_t j) const { return count && (marks[j] & kMarkVoiced); }
  uint32_t nearest(double s) const {
    uint32_t lo = 0, hi = size();  // first mark at or after s
    while (lo < hi) {
      const uint32_t mid = (lo + hi) / 2;
      if (pos(mid) < s) lo = mid + 1;
      else hi = mid;
    }
    if (lo == size()) return size() - 1;
    if (lo > 0 && s - pos(lo - 1) < pos(lo) - s) return lo - 1;
    return lo;
  }
  // The nearest mark whose grain fits inside the diphone, so that no grain at a join is
  // cut short (that would leave a dip at every phone middle); any mark when none fits.
  uint32_t whole_nearest(double s) const {
    uint32_t j = nearest(s);
    auto fits = [&](uint32_t k) {
      const uint32_t right = k + 1 < size() ? pos(k + 1) - pos(k) : spacing(k);
      const uint32_t left = k > 0 ? pos(k) - pos(k - 1) : right;
      return pos(k) >= left && pos(k) + right <= length;  // the window is 0 at its ends
    };
    if (fits(j)) return j;
    for (uint32_t step = 1; step < 3; ++step) {
      if (j + step < size() && fits(j + step)) return j + step;
      if (j >= step && fits(j - step)) return j - step;
    }
    return j;
  }
  uint32_t spacing(uint32_t j) const {
    if (j + 1 < size()) return pos(j + 1) - pos(j);
    if (j > 0) return pos(j) - pos(j - 1);
    return kVirtualStep;
  }
};

}  // namespace

void DiphoneStream::set_voice(const Voice* voice) {
  reset();
  voice_ = voice;
}

StreamError DiphoneStream::push(PhonemeLine ph, bool allow_missing, std::string& why) {
  if (!voice_) {
    why = "no voice database loaded";
    return StreamError::no_voice;
  }
  if (!voice_->knows(ph.name)) {
    why = "unknown phoneme " + ph.name;
    return StreamError::unknown_phoneme;
  }
  if (queue_.size() >= kMaxQueuedPhonemes) {
    why = "too many phonemes waiting to be read";
    return StreamError::queue_full;
  }
  const bool new_stream = queue_.empty() || queue_.back().ends_stream;
  const std::string& prev = new_stream ? std::string("_") : queue_.back().ph.name;
  const VoiceDiphone* d = voice_->find(prev, ph.name);
  if (!d && !allow_missing) {
    why = "no diphone " + prev + "-" + ph.name;
    return StreamError::missing_diphone;
  }
  if (new_stream) push_ms_ = 0;
  Queued q;
  q.start = std::llround(push_ms_ * kSamplesPerMs);
  push_ms_ += ph.ms;
  q.length = std::llround(push_ms_ * kSamplesPerMs) - q.start;
  q.ph = std::move(ph);
  q.into = d;
  if (!new_stream) {
    queue_.back().out_of = d;
    queue_.back().next_known = true;
  }
  queue_.push_back(std::move(q));
  return StreamError::none;
}

bool DiphoneStream::flush(bool allow_missing, std::string& why) {
  if (queue_.empty() || queue_.back().ends_stream) return true;
  Queued& last = queue_.back();
  last.out_of = voice_ ? voice_->find(last.ph.name, "_") : nullptr;
  last.ends_stream = true;
  if (!last.out_of && !allow_missing) {
    why = "no diphone " + last.ph.name + "-_";
    return false;
  }
  return true;
}

PhonemeLine* DiphoneStream::last_pending() { return queue_.empty() ? nullptr : &queue_.back().ph; }

void DiphoneStream::reset() {
  queue_.clear();
  push_ms_ = 0;
  end_stream();
  ready_.clear();
  ready_pos_ = 0;
}

bool DiphoneStream::front_ready() const {
  return !queue_.empty() && (queue_.front().next_known || queue_.front().ends_stream);
}

size_t DiphoneStream::read(float* out, size_t wanted) {
  size_t done = 0;
  while (done < wanted) {
    if (ready_pos_ == ready_.size()) {
      ready_.clear();
      ready_pos_ = 0;
      if (!front_ready()) break;
      synthesise_front();
      continue;
    }
    const size_t n = std::min(wanted - done, ready_.size() - ready_pos_);
    std::copy_n(ready_.begin() + static_cast<std::ptrdiff_t>(ready_pos_), n, out + done);
    ready_pos_ += n;
    done += n;
  }
  return done;
}

// The pitch points that shape this phoneme: the last one used before it, its own, and
// the first one after it among the phonemes already queued in the stream.
void DiphoneStream::build_curve(const Queued& q) {
  curve_.clear();
  if (last_point_.first >= 0) curve_.push_back(last_point_);
  auto add_points = [&](const Queued& p) {
    for (const PitchPoint& pt : p.ph.points)
      curve_.push_back({static_cast<double>(p.start) + pt.position / 100.0 * static_cast<double>(p.length), pt.hz});
  };
  add_points(q);
  if (!q.ph.points.empty()) {
    const PitchPoint& pt = q.ph.points.back();
    last_point_ = {static_cast<double>(q.start) + pt.position / 100.0 * static_cast<double>(q.length), pt.hz};
  }
  if (q.ends_stream) return;
  for (size_t i = 1; i < queue_.size(); ++i) {
    if (!queue_[i].ph.points.empty()) {
      const PitchPoint& pt = queue_[i].ph.points.front();
      curve_.push_back({static_cast<double>(queue_[i].start) +
                            pt.position / 100.0 * static_cast<double>(queue_[i].length),
                        pt.hz});
      break;
    }
    if (queue_[i].ends_stream) break;
  }
}

// Linear between points, held before the first and after the last; 0: keep the voice's own.
double DiphoneStream::pitch_at(double t) const {
  if (curve_.empty()) return 0;
  if (t <= curve_.front().first) return curve_.front().second;
  if (t >= curve_.back().first) return curve_.back().second;
  const auto it = std::upper_bound(curve_.begin(), curve_.end(), t,
                                   [](double v, const std::pair<double, double>& p) { return v < p.first; });
  const auto& b = *it;
  const auto& a = *(it - 1);
  if (b.first <= a.first) return b.second;
  return a.second + (b.second - a.second) * (t - a.first) / (b.first - a.first);
}

void DiphoneStream::synthesise_front() {
  Queued q = std::move(queue_.front());
  queue_.pop_front();
  build_curve(q);
  const double first_src = q.into ? q.into->length - q.into->middle : 0;
  const double second_src = q.out_of ? q.out_of->middle : 0;
  const int64_t t0 = q.start, t1 = q.start + q.length;
  const int64_t split =
      first_src + second_src > 0
          ? t0 + std::llround(static_cast<double>(q.length) * first_src / (first_src + second_src))
          : t0 + q.length / 2;
  if (q.into) segment(q.into, q.into->middle, q.into->length, t0, split);
  else segment(nullptr, 0, 0, t0, split);
  if (q.out_of) segment(q.out_of, 0, q.out_of->middle, split, t1);
  else segment(nullptr, 0, 0, split, t1);
  if (q.ends_stream) {
    release_until(t1);
    end_stream();
  } else {
    release_until(std::min<int64_t>(t1, static_cast<int64_t>(std::floor(next_mark_)) - kMaxHalf));
  }
}

// Fills stream time [t0, t1) from source samples [from, to) of diphone d: one grain per
// output period, taken from the source mark nearest the time-warped position. Voiced
// periods follow the pitch curve; unvoiced ones keep the source spacing.
void DiphoneStream::segment(const VoiceDiphone* d, double from, double to, int64_t t0, int64_t t1) {
  if (t1 <= t0) return;
  if (!d) {
    while (next_mark_ < static_cast<double>(t1)) next_mark_ += kSilenceStep;
    return;
  }
  const Marks marks(*voice_, *d);
  const double span = static_cast<double>(t1 - t0);
  while (next_mark_ < static_cast<double>(t1)) {
    const double rel = std::clamp((next_mark_ - static_cast<double>(t0)) / span, 0.0, 1.0);
    const double source = from + rel * (to - from);
    const uint32_t j = marks.whole_nearest(source);
    double period = marks.spacing(j);
    if (marks.voiced(j)) {
      add_grain(*d, j, next_mark_);
      const double hz = pitch_at(next_mark_);
      if (hz > 0) period = 16000.0 / hz;
    } else {
      // Noise is taken where the time warp points, not at the mark, so that a stretched
      // stretch does not repeat one grain and buzz.
      const long gap = marks.spacing(j);
      const long last = static_cast<long>(d->length) - 1;
      const long at = last >= 2 * gap ? std::clamp(std::lround(source), gap, last + 1 - gap)
                                      : std::clamp(std::lround(source), 0l, last);
      add_grain_at(*d, static_cast<uint32_t>(at), static_cast<uint32_t>(gap), static_cast<uint32_t>(gap), next_mark_);
    }
    next_mark_ += std::clamp(period, kMinPeriod, static_cast<double>(kMaxHalf));
  }
}

void DiphoneStream::add_grain(const VoiceDiphone& d, uint32_t j, double centre) {
  const Marks marks(*voice_, d);
  const uint32_t m = marks.pos(j);
  const uint32_t right_gap = j + 1 < marks.size() ? marks.pos(j + 1) - m : marks.spacing(j);
  const uint32_t left_gap = j > 0 ? m - marks.pos(j - 1) : right_gap;
  add_grain_at(d, m, left_gap, right_gap, centre);
}

// A grain of source sample m of diphone d, rising over left_gap samples before it and
// falling over right_gap after it, added around output time `centre`.
void DiphoneStream::add_grain_at(const VoiceDiphone& d, uint32_t m, uint32_t left_gap, uint32_t right_gap,
                                 double centre) {
  const int64_t wl = std::min({left_gap, kMaxHalf, m});
  const int64_t wr = std::min({right_gap, kMaxHalf, d.length - 1 - m});
  const int16_t* src = voice_->data.samples.data() + d.offset + m;
  const int64_t c = std::llround(centre);
  const int64_t end = c + wr + 1 - acc_base_;
  if (end > static_cast<int64_t>(acc_.size())) acc_.resize(static_cast<size_t>(end), 0.0f);
  const auto& win = window_table();
  for (int64_t i = -wl; i <= wr; ++i) {
    const int64_t at = c + i - acc_base_;
    if (at < 0) continue;
    const int64_t w = i < 0 ? wl : wr;
    // i = 0 has weight 1; the window falls to 0 at +-w.
    const float weight = w == 0 ? 1.0f : win[static_cast<size_t>((w - (i < 0 ? -i : i)) * 1024 / w)];
    acc_[static_cast<size_t>(at)] += static_cast<float>(src[i]) * weight;
  }
}

void DiphoneStream::release_until(int64_t limit) {
  const int64_t n = limit - acc_base_;
  if (n <= 0) return;
  if (static_cast<int64_t>(acc_.size()) < n) acc_.resize(static_cast<size_t>(n), 0.0f);
  ready_.insert(ready_.end(), acc_.begin(), acc_.begin() + n);
  acc_.erase(acc_.begin(), acc_.begin() + n);
  acc_base_ = limit;
}

void DiphoneStream::end_stream() {
  acc_.clear();
  acc_base_ = 0;
  next_mark_ = 0;
  curve_.clear();
  last_point_ = {-1, 0};
}

}  // namespace elzar
