// The diphone index and database reader: an index, a data file and a phonetic text voiced
// through them. Input: two little-endian bytes of index length, the index, then the data
// file up to a LF, then the phonetic text.
#include "fuzz/common.h"
#include "speech/diphone.h"
#include "speech/znsapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::string_view in = fuzz::as_text(data + 2, size - 2);
  const size_t index_size = std::min<size_t>(data[0] | (data[1] << 8), in.size());
  const std::string_view index_bytes = in.substr(0, index_size);
  const auto rest = fuzz::split(in.substr(index_size), '\n', 2);

  std::vector<speech::DiphoneRecord> index = speech::parse_diphone_index(index_bytes);
  if (index.size() != index_bytes.size() / speech::kIndexRecordSize) __builtin_trap();
  for (size_t i = 0; i < index.size(); ++i) {
    if (index[i].name.size() > speech::kIndexNameMax) __builtin_trap();
    if (i > 0 && index[i].name < index[i - 1].name) __builtin_trap();
    if (speech::find_diphone(index, index[i].name) == nullptr) __builtin_trap();
  }

  static fuzz::MemFile database;
  if (!database.set(rest[0])) return 0;
  speech::Speech s;
  auto voice = std::unique_ptr<speech::DiphoneVoice, speech::DiphoneVoiceFree>(new speech::DiphoneVoice);
  voice->index = std::move(index);
  voice->data_fd = ::dup(database.fd());
  voice->data_size = rest[0].size();
  s.voice = std::move(voice);
  speech::diphone_speak(s, rest[1]);
  return 0;
}
