// The diphone synthesiser's voice database: its in-memory form, reader, writer and index.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace elzar {

inline constexpr uint32_t kVoiceVersion = 1;
inline constexpr uint32_t kMarkVoiced = 0x80000000u;  // flag bit of a pitch mark
inline constexpr uint32_t kMarkPosition = 0x7FFFFFFFu;
// Capacities the reader enforces, so that a hostile file cannot make us allocate wildly.
inline constexpr uint32_t kVoiceMaxDiphones = 20000;
inline constexpr uint32_t kVoiceMaxInfo = 4096;
inline constexpr uint32_t kVoiceMaxDiphoneSamples = 160000;  // 10 s
inline constexpr uint64_t kVoiceMaxFileBytes = 512ull << 20;
inline constexpr size_t kVoiceMaxName = 4;  // bytes of a phoneme name

struct VoiceDiphone {
  std::string left, right;  // phoneme names, lower case
  uint32_t offset = 0;      // first sample in VoiceData::samples
  uint32_t length = 0;      // samples
  uint32_t middle = 0;      // the boundary between the two phones, from the diphone's start
  uint32_t first_mark = 0;  // first entry in VoiceData::marks
  uint32_t mark_count = 0;
};

struct VoiceData {
  uint32_t rate = 16000;
  std::string info;  // a free text about the voice
  std::vector<VoiceDiphone> diphones;
  std::vector<uint32_t> marks;  // position within the diphone, kMarkVoiced on voiced periods
  std::vector<int16_t> samples;
};

// The file image of a voice (docs/elzar-voice.md describes the layout).
std::string encode_voice(const VoiceData& voice);
// Reads a file image; every size and position is checked. False with a reason otherwise.
bool decode_voice(std::string_view bytes, VoiceData& out, std::string& why);
bool load_voice_file(const std::string& path, VoiceData& out, std::string& why);

// A decoded voice with its lookups.
struct Voice {
  VoiceData data;
  std::unordered_map<std::string, uint32_t> by_pair;  // "a-b" -> diphone index
  std::unordered_set<std::string> phonemes;

  const VoiceDiphone* find(std::string_view left, std::string_view right) const;
  bool knows(std::string_view phoneme) const { return phonemes.count(std::string(phoneme)) != 0; }
};

// Builds the lookups; false when two diphones share a name.
bool index_voice(VoiceData data, Voice& out, std::string& why);

}  // namespace elzar
