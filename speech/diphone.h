// The built-in diphone voice: a phonetic text voiced from a recorded diphone database.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "speech/znsapi.h"
#include "tts/translator.h"

namespace speech {

struct DiphoneSettings {
  std::string database = "DIFONES2";
  int cut = 400;
  int minimum = 0;
  int word_gap = 100;
};

inline constexpr size_t kDiphoneImage = 64000;  // bytes of the output wave image
inline constexpr size_t kIndexRecordSize = 15;
inline constexpr size_t kIndexNameMax = 8;
inline constexpr size_t kDatabaseNameMax = 8;
inline constexpr size_t kDiphoneDirMax = 80;    // DIRLETRAS and DIRDIFONES as the voice reads them
inline constexpr int kDiphoneRate = 11025;
inline constexpr int kNoiseSamples = 300;       // stands in for a short name that is missing

struct DiphoneRecord {
  std::string name;  // upper case, at most 8 characters
  uint16_t length = 0;
  uint32_t offset = 0;
};

// The records of an index file: size / 15 of them, a trailing partial record ignored, names
// cut to 8. Sorted on load (byte order, a prefix first; equal names keep file order) so
// that an index written out of order is still searched correctly.
std::vector<DiphoneRecord> parse_diphone_index(std::string_view bytes);
// Binary search for an upper-case name; the first of equal names, or null.
const DiphoneRecord* find_diphone(const std::vector<DiphoneRecord>& index, std::string_view name);
// Bytes played of a record: cut unless stressed or a name of under 3 characters, never
// below the minimum (or the record when it is shorter), then times the factor.
size_t diphone_take(const DiphoneSettings& settings, size_t name_length, int mode, double factor,
                    size_t record_length);

struct DiphoneVoice {
  DiphoneSettings settings;
  std::string letters_dir;  // script form, ends with '\'
  std::string voice_dir;    // script form, ends with '\'
  std::vector<DiphoneRecord> index;
  int data_fd = -1;
  uint64_t data_size = 0;
  tts::Translator translator;
  std::vector<uint8_t> image = std::vector<uint8_t>(kDiphoneImage);
  size_t write_pos = 44;
  bool stopped = false;   // a key stopped the text being voiced
  std::minstd_rand noise;  // the fixed default start value: the same noise every run

  DiphoneVoice() = default;
  DiphoneVoice(const DiphoneVoice&) = delete;
  DiphoneVoice& operator=(const DiphoneVoice&) = delete;
  ~DiphoneVoice();
};

// 0 success, 1 a directory or the database files cannot be opened, 2 the rule files cannot be loaded.
int diphone_open(Speech& s, const DiphoneSettings& settings);
void diphone_close(Speech& s);
// Voices a phonetic text through the wave player; returns when played or a key stopped it.
void diphone_speak(Speech& s, std::string_view phonetic);
// The phonetic text of a Windows-1252 phrase with the open voice's rules ("" when closed).
std::string diphone_translate(const Speech& s, std::string_view phrase);

}  // namespace speech
