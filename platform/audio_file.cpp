// The recording layer: plays nothing, appends every sound to one 16-bit mono WAV file.
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/audio.h"

namespace plat {
namespace {

constexpr uint32_t kHeaderBytes = 44;
// A RIFF size field is 32 bits; stop recording before it would wrap.
constexpr uint64_t kMaxData = std::numeric_limits<uint32_t>::max() - kHeaderBytes;

void put_le(uint8_t* at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct WavFile {
  std::FILE* f = nullptr;
  int rate = 0;  // 0 until the first sound fixes it
  uint64_t data = 0;

  ~WavFile() {
    if (f) std::fclose(f);
  }

  void write_header() {
    uint8_t h[kHeaderBytes] = {};
    std::memcpy(h, "RIFF", 4);
    put_le(h + 4, static_cast<uint32_t>(data + 36), 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put_le(h + 16, 16, 4);
    put_le(h + 20, 1, 2);
    put_le(h + 22, 1, 2);
    // Until a sound fixes the rate the empty file says 11025.
    const uint32_t r = rate ? static_cast<uint32_t>(rate) : 11025;
    put_le(h + 24, r, 4);
    put_le(h + 28, r * 2, 4);
    put_le(h + 32, 2, 2);
    put_le(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    put_le(h + 40, static_cast<uint32_t>(data), 4);
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, f);
  }

  void append(const std::vector<uint8_t>& pcm) {
    if (pcm.empty()) return;
    const uint64_t room = kMaxData - data;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(pcm.size(), room & ~uint64_t{1}));
    if (n == 0) return;
    std::fseek(f, 0, SEEK_END);
    data += std::fwrite(pcm.data(), 1, n, f);
    write_header();
    std::fflush(f);
  }
};

// One frame of any format as a signed 16-bit mono sample.
int16_t mono_sample(const uint8_t* frame, const AudioFormat& fmt) {
  const int bytes = fmt.bits / 8;
  int64_t sum = 0;
  for (int c = 0; c < fmt.channels; ++c) {
    const uint8_t* s = frame + c * bytes;
    int32_t v = 0;
    if (bytes == 1) v = (static_cast<int32_t>(s[0]) - 128) * 256;
    else v = static_cast<int16_t>(static_cast<uint16_t>(s[bytes - 2] | (s[bytes - 1] << 8)));
    sum += v;
  }
  return static_cast<int16_t>(sum / fmt.channels);
}

class FileOut : public AudioOut {
 public:
  FileOut(WavFile& file, const AudioFormat& fmt) : file_(file), fmt_(fmt) {
    if (file_.rate == 0) {
      file_.rate = fmt.rate;
      file_.write_header();
    }
  }
  AudioFault write(uint32_t id, const uint8_t* data, size_t n, bool) override {
    record(data, n);
    done_.push_back({id, AudioFault::none});
    return AudioFault::none;
  }
  void flush() override { carry_.clear(); }
  void take_done(std::vector<AudioDone>& out) override {
    out.insert(out.end(), done_.begin(), done_.end());
    done_.clear();
  }

 private:
  void record(const uint8_t* data, size_t n) {
    const size_t fb = static_cast<size_t>(fmt_.frame_bytes());
    std::vector<uint8_t> pcm;
    auto take_frame = [&](const uint8_t* frame) {
      const int16_t s = mono_sample(frame, fmt_);
      // Nearest-sample resampling to the file's rate, continuous across buffers: output
      // sample k takes input frame k * in / out.
      const auto in = static_cast<uint64_t>(fmt_.rate), out = static_cast<uint64_t>(file_.rate);
      while (phase_ < out) {
        pcm.push_back(static_cast<uint8_t>(s & 0xFF));
        pcm.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
        phase_ += in;
      }
      phase_ -= out;
    };
    size_t i = 0;
    // A frame split between two buffers is joined first.
    while (!carry_.empty() && i < n) {
      carry_.push_back(data[i++]);
      if (carry_.size() == fb) {
        take_frame(carry_.data());
        carry_.clear();
      }
    }
    for (; i + fb <= n; i += fb) take_frame(data + i);
    carry_.insert(carry_.end(), data + i, data + n);
    file_.append(pcm);
  }

  WavFile& file_;
  AudioFormat fmt_;
  uint64_t phase_ = 0;
  std::vector<uint8_t> carry_;
  std::vector<AudioDone> done_;
};

class FileLayer : public AudioLayer {
 public:
  explicit FileLayer(std::FILE* f) {
    file_.f = f;
    file_.write_header();
    std::fflush(f);
  }
  std::unique_ptr<AudioOut> open(const AudioFormat& f, AudioFault& fault) override {
    if (!audio_format_valid(f)) {
      fault = AudioFault::bad_format;
      return nullptr;
    }
    fault = AudioFault::none;
    return std::make_unique<FileOut>(file_, f);
  }
  std::string_view name() const override { return "file"; }

 private:
  WavFile file_;
};

}  // namespace

std::unique_ptr<AudioLayer> make_file_audio(const std::string& host_path) {
  std::FILE* f = std::fopen(host_path.c_str(), "w+b");
  if (!f) return nullptr;
  return std::make_unique<FileLayer>(f);
}

}  // namespace plat
