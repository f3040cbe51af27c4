#include "tts/mbrola_voice.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace elzar {
namespace {

constexpr char kMagic[4] = {'E', 'L', 'Z', 'V'};
constexpr size_t kHeaderBytes = 28;
constexpr size_t kEntryBytes = 28;

void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t get32(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}

uint32_t fnv1a(std::string_view bytes) {
  uint32_t h = 2166136261u;
  for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
  return h;
}

void put_name(std::string& out, const std::string& name) {
  char field[kVoiceMaxName] = {};
  std::memcpy(field, name.data(), std::min(name.size(), kVoiceMaxName));
  out.append(field, kVoiceMaxName);
}

bool name_char(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '@' || c == '_'; }

// A zero-padded name field; letters fold to lower case. Empty on a malformed field.
std::string get_name(std::string_view b, size_t at) {
  std::string name;
  size_t i = 0;
  for (; i < kVoiceMaxName && b[at + i] != '\0'; ++i) {
    char c = b[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (!name_char(c)) return {};
    name += c;
  }
  for (; i < kVoiceMaxName; ++i)
    if (b[at + i] != '\0') return {};
  return name;
}

bool fail(std::string& why, const char* text) {
  why = text;
  return false;
}

}  // namespace

std::string encode_voice(const VoiceData& v) {
  std::string out(kMagic, 4);
  put32(out, kVoiceVersion);
  put32(out, v.rate);
  put32(out, static_cast<uint32_t>(v.diphones.size()));
  put32(out, static_cast<uint32_t>(v.marks.size()));
  put32(out, static_cast<uint32_t>(v.samples.size()));
  put32(out, static_cast<uint32_t>(v.info.size()));
  out += v.info;
  for (const VoiceDiphone& d : v.diphones) {
    put_name(out, d.left);
    put_name(out, d.right);
    put32(out, d.offset);
    put32(out, d.length);
    put32(out, d.middle);
    put32(out, d.first_mark);
    put32(out, d.mark_count);
  }
  for (uint32_t m : v.marks) put32(out, m);
  for (int16_t s : v.samples) {
    const auto u = static_cast<uint16_t>(s);
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  put32(out, fnv1a(out));
  return out;
}

bool decode_voice(std::string_view b, VoiceData& out, std::string& why) {
  out = VoiceData{};
  if (b.size() < kHeaderBytes + 4) return fail(why, "voice file too short");
  if (std::memcmp(b.data(), kMagic, 4) != 0) return fail(why, "not a voice file (bad magic)");
  if (get32(b, 4) != kVoiceVersion) return fail(why, "unsupported voice file version");
  const uint32_t rate = get32(b, 8), n = get32(b, 12), m = get32(b, 16), s = get32(b, 20), l = get32(b, 24);
  if (rate != 16000) return fail(why, "voice sample rate is not 16000 Hz");
  if (n == 0 || n > kVoiceMaxDiphones) return fail(why, "bad diphone count");
  if (l > kVoiceMaxInfo) return fail(why, "info text too long");
  const uint64_t expected = kHeaderBytes + uint64_t{l} + uint64_t{n} * kEntryBytes + uint64_t{m} * 4 +
                            uint64_t{s} * 2 + 4;
  if (expected != b.size()) return fail(why, "voice file size does not match its header (truncated?)");
  if (fnv1a(b.substr(0, b.size() - 4)) != get32(b, b.size() - 4)) return fail(why, "voice file checksum mismatch");

  out.rate = rate;
  out.info.assign(b.substr(kHeaderBytes, l));
  size_t at = kHeaderBytes + l;
  out.diphones.resize(n);
  for (VoiceDiphone& d : out.diphones) {
    d.left = get_name(b, at);
    d.right = get_name(b, at + kVoiceMaxName);
    d.offset = get32(b, at + 8);
    d.length = get32(b, at + 12);
    d.middle = get32(b, at + 16);
    d.first_mark = get32(b, at + 20);
    d.mark_count = get32(b, at + 24);
    at += kEntryBytes;
    if (d.left.empty() || d.right.empty()) return fail(why, "bad phoneme name in the diphone index");
    if (d.length == 0 || d.length > kVoiceMaxDiphoneSamples) return fail(why, "bad diphone length");
    if (uint64_t{d.offset} + d.length > s) return fail(why, "diphone samples out of range");
    if (d.middle > d.length) return fail(why, "diphone middle out of range");
    if (uint64_t{d.first_mark} + d.mark_count > m) return fail(why, "diphone marks out of range");
  }
  out.marks.resize(m);
  for (uint32_t& mark : out.marks) {
    mark = get32(b, at);
    at += 4;
  }
  for (const VoiceDiphone& d : out.diphones) {
    uint32_t last = 0;
    for (uint32_t i = 0; i < d.mark_count; ++i) {
      const uint32_t pos = out.marks[d.first_mark + i] & kMarkPosition;
      if (pos >= d.length || (i > 0 && pos <= last)) return fail(why, "pitch marks out of order or range");
      last = pos;
    }
  }
  out.samples.resize(s);
  for (int16_t& x : out.samples) {
    x = static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                                   (static_cast<unsigned char>(b[at + 1]) << 8)));
    at += 2;
  }
  return true;
}

bool load_voice_file(const std::string& path, VoiceData& out, std::string& why) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return fail(why, "voice file cannot be opened");
  f.seekg(0, std::ios::end);
  const std::streamoff size = f.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > kVoiceMaxFileBytes) return fail(why, "voice file too large");
  f.seekg(0);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!f.read(bytes.data(), size)) return fail(why, "voice file cannot be read");
  return decode_voice(bytes, out, why);
}

const VoiceDiphone* Voice::find(std::string_view left, std::string_view right) const {
  std::string key(left);
  key += '-';
  key += right;
  const auto it = by_pair.find(key);
  return it == by_pair.end() ? nullptr : &data.diphones[it->second];
}

bool index_voice(VoiceData data, Voice& out, std::string& why) {
  out = Voice{};
  out.data = std::move(data);
  for (uint32_t i = 0; i < out.data.diphones.size(); ++i) {
    const VoiceDiphone& d = out.data.diphones[i];
    if (!out.by_pair.emplace(d.left + "-" + d.right, i).second) return fail(why, "diphone listed twice");
    out.phonemes.insert(d.left);
    out.phonemes.insert(d.right);
  }
  return true;
}

}  // namespace elzar
