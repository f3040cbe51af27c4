// The built-in diphone voice: open, the index, placing names with their fallbacks, the
// output image and its flushes.
#include "speech/diphone.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "console/ZnCrt.h"
#include "speech/diphone_rules.h"

namespace speech {
namespace {

constexpr size_t kLetterFileMax = 1 << 20;  // a letter wave is read up to this size
constexpr size_t kIndexFileMax = 16 << 20;  // over a million records; the rest is ignored
constexpr size_t kCutFade = 24;             // samples (2 ms) of fade where a diphone is cut

std::string with_backslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

std::optional<std::string> host_of(const Speech& s, const std::string& name) {
  if (!s.config || !s.config->drives) return std::nullopt;
  return plat::host_path(*s.config->drives, name);
}

bool is_dir(const std::optional<std::string>& host) {
  struct stat st {};
  return host && ::stat(host->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool read_file(const std::string& host, std::string& out, size_t max) {
  std::ifstream f(host, std::ios::binary);
  if (!f) return false;
  out.assign(max, '\0');
  f.read(out.data(), static_cast<std::streamsize>(max));
  out.resize(static_cast<size_t>(f.gcount()));
  return true;
}

std::string directory_key(const Speech& s, const char* key, const char* fallback) {
  std::string v;
  if (s.config) v = read_profile_direct(*s.config, "TRADUTOR", key, kDiphoneDirMax);
  return with_backslash(v.empty() ? std::string(fallback) : v);
}

uint32_t le(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

bool name_less(const DiphoneRecord& a, std::string_view b) { return std::string_view(a.name) < b; }

// The last samples of b[0..n) ramp down to silence.
void fade_out(uint8_t* b, size_t n) {
  const size_t k = std::min(n, kCutFade);
  for (size_t i = 0; i < k; ++i) {
    const int x = b[n - 1 - i] - 128;
    b[n - 1 - i] = static_cast<uint8_t>(128 + x * static_cast<int>(i) / static_cast<int>(kCutFade));
  }
}

// Puts bytes into the image, flushing whenever the next bytes would not fit; `fill`
// writes up to k bytes at dst and says how many it wrote (0 ends the append).
template <class Fill>
void append(Speech& s, DiphoneVoice& v, size_t n, Fill&& fill);

// Until the sound has ended: through the front when it has a console (a key stops the
// speech there), else by polling the player.
void wait_played(Speech& s) {
  if (s.console) return wait_speech(s);
  while (wave_busy(player(s))) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void flush(Speech& s, DiphoneVoice& v) {
  if (v.write_pos <= kWaveHeader) return;
  build_wave_header(v.image.data(), static_cast<uint32_t>(v.write_pos - kWaveHeader), kDiphoneRate, 1, 8);
  if (s.engine_pending) {
    wait_played(s);
    s.engine_pending = false;
  }
  play_wave_image(player(s), v.image.data(), v.write_pos);
  v.write_pos = kWaveHeader;
  wait_played(s);
  if (s.abort) v.stopped = true;
}

template <class Fill>
void append(Speech& s, DiphoneVoice& v, size_t n, Fill&& fill) {
  size_t done = 0;
  while (done < n && !v.stopped) {
    if (v.write_pos + (n - done) >= kDiphoneImage) {
      flush(s, v);
      if (v.stopped) return;
    }
    // The image always keeps write_pos below its size.
    const size_t room = kDiphoneImage - 1 - v.write_pos;
    const size_t k = std::min(n - done, room);
    const size_t got = fill(v.image.data() + v.write_pos, k, done);
    v.write_pos += got;
    done += got;
    if (got < k) return;
  }
}

void append_silence(Speech& s, DiphoneVoice& v, int samples) {
  if (samples < 100) return;
  const size_t n = static_cast<size_t>(samples / 100) * 100;
  append(s, v, n, [](uint8_t* dst, size_t k, size_t) {
    std::memset(dst, 128, k);
    return k;
  });
}

void append_noise(Speech& s, DiphoneVoice& v) {
  append(s, v, kNoiseSamples, [&v](uint8_t* dst, size_t k, size_t) {
    for (size_t i = 0; i < k; ++i) dst[i] = static_cast<uint8_t>(88 + v.noise() % 80);
    return k;
  });
}

// The data chunk of a letter wave, as 8-bit mono, at most one image of it.
bool append_letter(Speech& s, DiphoneVoice& v, const std::string& name) {
  const auto host = host_of(s, v.letters_dir + name + ".wav");
  std::string bytes;
  if (!host || !read_file(*host, bytes, kLetterFileMax)) return false;
  const auto* img = reinterpret_cast<const uint8_t*>(bytes.data());
  const WaveChunks w = find_wave_chunks(img, bytes.size());
  if (!w.ok || w.format_tag != 1 || (w.bits != 8 && w.bits != 16) || w.channels < 1 || w.channels > 2) return false;
  const size_t frame = static_cast<size_t>(w.channels * w.bits / 8);
  const uint8_t* data = img + w.data_offset;
  const size_t frames = std::min(w.data_size / frame, kDiphoneImage);
  append(s, v, frames, [&](uint8_t* dst, size_t k, size_t done) {
    for (size_t i = 0; i < k; ++i) {
      const uint8_t* f = data + (done + i) * frame;
      // 16-bit samples keep their high byte, moved to the unsigned range.
      dst[i] = w.bits == 8 ? f[0] : static_cast<uint8_t>(f[1] ^ 0x80);
    }
    return k;
  });
  return true;
}

// A record's bytes straight from the data file; false when none of them lie in it. A
// diphone cut short ends on a short fade, or every cut would click.
bool append_record(Speech& s, DiphoneVoice& v, const DiphoneRecord& r, size_t take) {
  if (r.offset >= v.data_size) return false;
  take = static_cast<size_t>(std::min<uint64_t>(take, v.data_size - r.offset));
  const bool shortened = take < r.length;
  append(s, v, take, [&](uint8_t* dst, size_t k, size_t done) -> size_t {
    const ssize_t got = ::pread(v.data_fd, dst, k, static_cast<off_t>(r.offset + done));
    const size_t n = got > 0 ? static_cast<size_t>(got) : 0;
    if (shortened && n > 0 && done + n == take) fade_out(dst, n);
    return n;
  });
  return true;
}

bool ends_with(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

// Placing a name, with the fallbacks for names the database lacks.
void place_name(Speech& s, DiphoneVoice& v, std::string m, int mode, double f) {
  if (m.empty() || v.stopped) return;
  if (m.size() > kPlaceNameMax) m.resize(kPlaceNameMax);
  if (m[0] == '_') {
    if (!append_letter(s, v, m)) log_event(s, "missing", m);
    return;
  }
  const std::string upper = to_upper_pt(m);
  if (const DiphoneRecord* r = find_diphone(v.index, upper)) {
    if (append_record(s, v, *r, diphone_take(v.settings, m.size(), mode, f, r->length))) return;
  }
  log_event(s, "missing", upper);
  if (m.size() <= 2) return append_noise(s, v);
  const double g = f * 0.9;
  const char last = m.back();
  if (phon_vowel(last)) {
    place_name(s, v, m.substr(0, m.size() - 1), mode, g);
    place_name(s, v, std::string("$") + last, mode, f);
  } else if (m.size() >= 7 && ends_with(upper, "CIRC")) {
    place_name(s, v, m.substr(0, m.size() - 5), mode, g);
    place_name(s, v, "$" + m.substr(m.size() - 5), mode, f);
  } else if (ends_with(upper, "TIL")) {
    // A nasal vowel becomes the closed vowel and an n.
    std::string base = m.substr(0, m.size() - 3);
    int base_mode = mode;
    const char b = base.empty() ? '\0' : base.back();
    if (b != 'I' && b != 'i' && b != 'U' && b != 'u') {
      base += "CIRC";
      base_mode = kStressed;
    }
    place_name(s, v, base, base_mode, g);
    place_name(s, v, "$nn", 1, 0.9);
  }
}

class VoicePlacer : public DiphoneSink {
 public:
  VoicePlacer(Speech& s, DiphoneVoice& v) : s_(s), v_(v) {}
  void place(std::string_view name, std::string_view, int mode, double factor) override {
    place_name(s_, v_, std::string(name), mode, factor);
  }
  void silence(int samples) override { append_silence(s_, v_, samples); }
  bool stopped() const override { return v_.stopped; }

 private:
  Speech& s_;
  DiphoneVoice& v_;
};

}  // namespace

void DiphoneVoiceFree::operator()(DiphoneVoice* v) const { delete v; }

DiphoneVoice::~DiphoneVoice() {
  if (data_fd >= 0) ::close(data_fd);
}

std::vector<DiphoneRecord> parse_diphone_index(std::string_view bytes) {
  std::vector<DiphoneRecord> index;
  const size_t count = bytes.size() / kIndexRecordSize;
  index.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const auto* r = reinterpret_cast<const unsigned char*>(bytes.data() + i * kIndexRecordSize);
    DiphoneRecord d;
    const size_t len = std::min<size_t>(r[0], kIndexNameMax);
    d.name.assign(reinterpret_cast<const char*>(r + 1), len);
    d.length = static_cast<uint16_t>(le(r + 9, 2));
    d.offset = le(r + 11, 4);
    index.push_back(std::move(d));
  }
  std::stable_sort(index.begin(), index.end(),
                   [](const DiphoneRecord& a, const DiphoneRecord& b) { return a.name < b.name; });
  return index;
}

const DiphoneRecord* find_diphone(const std::vector<DiphoneRecord>& index, std::string_view name) {
  auto it = std::lower_bound(index.begin(), index.end(), name, name_less);
  return it != index.end() && it->name == name ? &*it : nullptr;
}

size_t diphone_take(const DiphoneSettings& st, size_t name_length, int mode, double factor, size_t record_length) {
  const auto whole = static_cast<long long>(record_length);
  long long l = whole;
  if (mode < kStressed && name_length >= 3) {
    l -= st.cut;
    if (l < st.minimum) l = std::min<long long>(st.minimum, whole);
  }
  l = std::clamp<long long>(l, 0, whole);
  const double bytes = static_cast<double>(l) * factor;
  if (!(bytes > 0)) return 0;
  return std::min(static_cast<size_t>(bytes), record_length);
}

int diphone_open(Speech& s, const DiphoneSettings& settings) {
  s.voice.reset();
  auto v = std::unique_ptr<DiphoneVoice, DiphoneVoiceFree>(new DiphoneVoice);
  v->settings = settings;
  if (v->settings.database.size() > kDatabaseNameMax) v->settings.database.resize(kDatabaseNameMax);
  v->letters_dir = directory_key(s, "DIRLETRAS", "c:\\palmir\\som\\letras");
  if (!is_dir(host_of(s, v->letters_dir))) return 1;
  v->voice_dir = directory_key(s, "DIRDIFONES", "c:\\palmir\\som\\difones");
  if (!is_dir(host_of(s, v->voice_dir))) return 1;
  const std::string base = v->voice_dir + v->settings.database;
  const auto ind = host_of(s, base + ".IND");
  std::string bytes;
  struct stat st {};
  if (!ind || ::stat(ind->c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      !read_file(*ind, bytes, std::min(static_cast<size_t>(st.st_size), kIndexFileMax)))
    return 1;
  v->index = parse_diphone_index(bytes);
  const auto dif = host_of(s, base + ".DIF");
  if (!dif) return 1;
  v->data_fd = ::open(dif->c_str(), O_RDONLY | O_CLOEXEC);
  if (v->data_fd < 0 || ::fstat(v->data_fd, &st) != 0 || !S_ISREG(st.st_mode)) return 1;
  v->data_size = static_cast<uint64_t>(st.st_size);
  const auto rules = host_of(s, v->voice_dir + "regras.rgr");
  if (!rules || !tts::load_rules(v->translator, *rules)) return 2;
  const auto aliases = host_of(s, v->voice_dir + "portug.exc");
  if (!aliases || !tts::load_aliases(v->translator, *aliases)) return 2;
  v->write_pos = kWaveHeader;
  s.voice = std::move(v);
  return 0;
}

void diphone_close(Speech& s) {
  if (s.voice) tts::release_rules(s.voice->translator);
  s.voice.reset();
}

void diphone_speak(Speech& s, std::string_view phonetic) {
  if (!s.voice) return;
  DiphoneVoice& v = *s.voice;
  // A stop ends the text it interrupted, not the next one.
  s.abort = false;
  v.stopped = false;
  v.write_pos = kWaveHeader;
  VoicePlacer placer(s, v);
  voice_phonetic(phonetic, v.settings.word_gap, placer);
  if (!v.stopped) flush(s, v);
  v.write_pos = kWaveHeader;
}

std::string diphone_translate(const Speech& s, std::string_view phrase) {
  if (!s.voice) return std::string();
  return tts::translate(s.voice->translator, phrase);
}

}  // namespace speech
