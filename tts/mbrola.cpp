#include "tts/mbrola.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "tts/mbrola_lines.h"
#include "tts/mbrola_psola.h"
#include "tts/mbrola_voice.h"

namespace elzar {
namespace {

constexpr int kMinFreq = 8000, kMaxFreq = 48000;
constexpr float kMaxVolume = 16.0f;
constexpr size_t kPullChunk = 1024;

// G.711 mu-law of a 16-bit sample (14 bits used).
uint8_t to_ulaw(int16_t s) {
  int v = s >> 2;
  const int mask = v < 0 ? 0x7F : 0xFF;
  if (v < 0) v = -v;
  v = std::min(v, 8159) + 33;
  int seg = 0;
  while (seg < 8 && v > (0x40 << seg) - 1) ++seg;
  if (seg == 8) return static_cast<uint8_t>(0x7F ^ mask);
  return static_cast<uint8_t>(((seg << 4) | ((v >> (seg + 1)) & 0x0F)) ^ mask);
}

// G.711 A-law of a 16-bit sample (13 bits used).
uint8_t to_alaw(int16_t s) {
  int v = s >> 3;  // 13-bit magnitude
  const int sign = v >= 0 ? 0x80 : 0;
  if (v < 0) v = -v - 1;
  int exponent = 0;
  for (int t = v >> 4; t > 1 && exponent < 7; t >>= 1) ++exponent;
  const int mantissa = exponent == 0 ? (v >> 1) & 0x0F : (v >> exponent) & 0x0F;
  return static_cast<uint8_t>((sign | (exponent << 4) | mantissa) ^ 0x55);
}

// Our own diphone synthesiser behind the library's entry points.
class OwnMbrola final : public Mbrola {
 public:
  int init_MBR(const std::string& database) override { return init_rename_MBR(database, "", ""); }

  int init_rename_MBR(const std::string& database, const std::string& renames,
                      const std::string& clones) override {
    close_MBR();
    VoiceData data;
    std::string why;
    if (!load_voice_file(database, data, why) || !index_voice(std::move(data), voice_, why)) {
      voice_ = Voice{};
      return fail(kMbrolaErrDatabase, database + ": " + why);
    }
    if (!read_aliases(renames, true, why) || !read_aliases(clones, false, why)) {
      voice_ = Voice{};
      aliases_.clear();
      hidden_.clear();
      return fail(kMbrolaErrDatabase, why);
    }
    loaded_ = true;
    stream_.set_voice(&voice_);
    return 0;
  }

  int write_MBR(std::string_view text) override {
    if (!loaded_) return fail(kMbrolaErrNotReady, "no voice database loaded");
    std::vector<std::string> lines;
    bool ok = true;
    if (!splitter_.feed(text, lines)) ok = fail(kMbrolaErrBadLine, "phoneme line too long") == 0;
    for (const std::string& line : lines) ok = take_line(line) && ok;
    return ok ? static_cast<int>(std::min<size_t>(text.size(), 0x7FFFFFFF)) : -1;
  }

  int flush_MBR() override {
    if (!loaded_) return fail(kMbrolaErrNotReady, "no voice database loaded");
    bool ok = true;
    if (splitter_.has_rest()) ok = take_line(splitter_.take_rest());
    std::string why;
    if (!stream_.flush(no_error_ != 0, why)) ok = fail(kMbrolaErrMissingDiphone, why) == 0;
    return ok ? 1 : -1;
  }

  int read_MBR(int16_t* buffer, int wanted) override {
    return read_as(buffer, wanted, [](int16_t s, void* out, size_t i) { static_cast<int16_t*>(out)[i] = s; });
  }

  int readtype_MBR(void* buffer, int wanted, int type) override {
    switch (type) {
      case kMbrolaLin16: return read_MBR(static_cast<int16_t*>(buffer), wanted);
      case kMbrolaLin8:
        return read_as(buffer, wanted, [](int16_t s, void* out, size_t i) {
          static_cast<uint8_t*>(out)[i] = static_cast<uint8_t>((s >> 8) + 128);
        });
      case kMbrolaUlaw:
        return read_as(buffer, wanted, [](int16_t s, void* out, size_t i) { static_cast<uint8_t*>(out)[i] = to_ulaw(s); });
      case kMbrolaAlaw:
        return read_as(buffer, wanted, [](int16_t s, void* out, size_t i) { static_cast<uint8_t*>(out)[i] = to_alaw(s); });
      default: return fail(kMbrolaErrArgument, "unknown sample type");
    }
  }

  void close_MBR() override {
    reset_MBR();
    stream_.set_voice(nullptr);
    voice_ = Voice{};
    aliases_.clear();
    hidden_.clear();
    loaded_ = false;
  }

  int reset_MBR() override {
    stream_.reset();
    splitter_.clear();
    resampled_.clear();
    res_pos_ = 0;
    phone_open_ = false;
    error_ = 0;
    error_text_.clear();
    return 0;
  }

  int lastError_MBR() override { return error_; }
  int lastErrorStr_MBR(std::string& text) override {
    text = error_text_;
    return static_cast<int>(text.size());
  }
  void setNoError_MBR(int no_error) override { no_error_ = no_error; }
  int getNoError_MBR() override { return no_error_; }

  void setFreq_MBR(int frequency) override {
    if (frequency < kMinFreq || frequency > kMaxFreq) {
      fail(kMbrolaErrArgument, "output frequency out of range");
      return;
    }
    freq_ = frequency;
    resampled_.clear();
    res_pos_ = 0;
  }
  int getFreq_MBR() override { return freq_; }

  void setVolumeRatio_MBR(float ratio) override {
    if (!std::isfinite(ratio) || ratio < 0) {
      fail(kMbrolaErrArgument, "bad volume ratio");
      return;
    }
    volume_ = std::min(ratio, kMaxVolume);
  }
  float getVolumeRatio_MBR() override { return volume_; }

  int getVersion_MBR(std::string& text) override {
    text = "ELZAR diphone synthesiser 1.0 (PSOLA, 16000 Hz)";
    return static_cast<int>(text.size());
  }

  // Line `index` of the database's info text; -1 without a database.
  int getDatabaseInfo_MBR(std::string& text, int index) override {
    text.clear();
    if (!loaded_) return -1;
    std::istringstream in(voice_.data.info);
    std::string line;
    for (int i = 0; std::getline(in, line); ++i)
      if (i == index) {
        text = line;
        break;
      }
    return static_cast<int>(text.size());
  }

  // Only the standard phoneme-line parser exists.
  void setParser_MBR(int parser) override {
    if (parser != 0) fail(kMbrolaErrArgument, "no such parser");
  }

  // Phone editing: pitch points added to the latest phoneme not yet synthesised.
  int init_Phone() override {
    phone_open_ = stream_.last_pending() != nullptr;
    return phone_open_ ? 0 : -1;
  }
  int reset_Phone() override {
    PhonemeLine* p = phone_open_ ? stream_.last_pending() : nullptr;
    if (!p) return -1;
    p->points.clear();
    return 0;
  }
  int close_Phone() override {
    const bool was_open = phone_open_;
    phone_open_ = false;
    return was_open ? 0 : -1;
  }
  int appendf0_Phone(float position, float frequency) override {
    PhonemeLine* p = phone_open_ ? stream_.last_pending() : nullptr;
    if (!p || !std::isfinite(position) || !std::isfinite(frequency) || frequency <= 0) return -1;
    if (p->points.size() >= kMaxPitchPoints) return -1;
    const PitchPoint pt{std::clamp<double>(position, 0, 100), std::clamp<double>(frequency, kMinPitchHz, kMaxPitchHz)};
    const auto at = std::upper_bound(p->points.begin(), p->points.end(), pt,
                                     [](const PitchPoint& a, const PitchPoint& b) { return a.position < b.position; });
    p->points.insert(at, pt);
    return 0;
  }

 private:
  int fail(int code, std::string text) {
    error_ = code;
    error_text_ = std::move(text);
    return -1;
  }

  // "old new" pairs: a rename makes the database's `old` answer to `new` only; a clone
  // makes `new` a copy of `old`.
  bool read_aliases(const std::string& text, bool rename, std::string& why) {
    std::istringstream in(text);
    std::string from, to;
    while (in >> from) {
      if (!(in >> to)) {
        why = "phoneme " + from + " has no new name";
        return false;
      }
      for (char& c : from) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      for (char& c : to) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      if (!voice_.knows(from)) {
        why = "phoneme " + from + " is not in the database";
        return false;
      }
      aliases_[to] = from;
      if (rename && from != to) hidden_.insert(from);
    }
    return true;
  }

  bool take_line(const std::string& line) {
    ParsedLine p = parse_phoneme_line(line);
    std::string why;
    switch (p.kind) {
      case LineKind::blank:
      case LineKind::comment:
        return true;
      case LineKind::error:
        return fail(kMbrolaErrBadLine, p.error + ": " + line) == 0;
      case LineKind::flush:
        if (!stream_.flush(no_error_ != 0, why)) return fail(kMbrolaErrMissingDiphone, why) == 0;
        return true;
      case LineKind::phoneme:
        break;
    }
    if (const auto it = aliases_.find(p.phoneme.name); it != aliases_.end()) p.phoneme.name = it->second;
    else if (hidden_.count(p.phoneme.name)) return fail(kMbrolaErrUnknownPhoneme, "unknown phoneme " + p.phoneme.name) == 0;
    switch (stream_.push(std::move(p.phoneme), no_error_ != 0, why)) {
      case StreamError::none: return true;
      case StreamError::no_voice: return fail(kMbrolaErrNotReady, why) == 0;
      case StreamError::unknown_phoneme: return fail(kMbrolaErrUnknownPhoneme, why) == 0;
      case StreamError::missing_diphone: return fail(kMbrolaErrMissingDiphone, why) == 0;
      case StreamError::queue_full: return fail(kMbrolaErrQueueFull, why) == 0;
    }
    return false;
  }

  // Pulls in small chunks, so that a caller's huge count costs no memory.
  template <typename Store>
  int read_as(void* buffer, int wanted, Store store) {
    if (!buffer || wanted <= 0) return 0;
    float chunk[kPullChunk];
    size_t done = 0;
    while (done < static_cast<size_t>(wanted)) {
      const size_t n = pull(chunk, std::min(kPullChunk, static_cast<size_t>(wanted) - done));
      for (size_t i = 0; i < n; ++i) store(to16(chunk[i]), buffer, done + i);
      done += n;
      if (n == 0) break;
    }
    return static_cast<int>(done);
  }

  int16_t to16(float v) const {
    const float s = std::round(v * volume_);
    return static_cast<int16_t>(std::clamp(s, -32768.0f, 32767.0f));
  }

  // Samples at the output frequency: straight from the stream at 16000 Hz, otherwise by
  // linear interpolation over what the stream has released.
  size_t pull(float* out, size_t wanted) {
    if (freq_ == kMbrolaRate) return stream_.read(out, wanted);
    const double step = static_cast<double>(kMbrolaRate) / freq_;
    size_t done = 0;
    while (done < wanted) {
      const auto i = static_cast<size_t>(res_pos_);
      if (i + 1 >= resampled_.size()) {
        const size_t had = resampled_.size();
        resampled_.resize(had + kPullChunk);
        const size_t got = stream_.read(resampled_.data() + had, kPullChunk);
        resampled_.resize(had + got);
        if (got == 0) break;
        continue;
      }
      const double frac = res_pos_ - static_cast<double>(i);
      out[done++] = static_cast<float>(resampled_[i] * (1 - frac) + resampled_[i + 1] * frac);
      res_pos_ += step;
    }
    const auto used = std::min(static_cast<size_t>(res_pos_), resampled_.size());
    resampled_.erase(resampled_.begin(), resampled_.begin() + static_cast<std::ptrdiff_t>(used));
    res_pos_ -= static_cast<double>(used);
    return done;
  }

  Voice voice_;
  bool loaded_ = false;
  DiphoneStream stream_;
  LineSplitter splitter_;
  std::map<std::string, std::string> aliases_;
  std::set<std::string> hidden_;
  int error_ = 0;
  std::string error_text_;
  int no_error_ = 0;
  int freq_ = kMbrolaRate;
  float volume_ = 1.0f;
  bool phone_open_ = false;
  std::vector<float> resampled_;
  double res_pos_ = 0;
};

}  // namespace

std::unique_ptr<Mbrola> open_own_mbrola() { return std::make_unique<OwnMbrola>(); }

// No installed synthesis program is driven: ours serves every caller.
std::unique_ptr<Mbrola> open_mbrola() { return open_own_mbrola(); }

}  // namespace elzar
