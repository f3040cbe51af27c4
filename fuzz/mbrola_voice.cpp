// The diphone synthesiser's voice reader and index on hostile database bytes.
// Input: the file image of a voice.
#include "fuzz/common.h"
#include "tts/mbrola_voice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  elzar::VoiceData v;
  std::string why;
  if (!elzar::decode_voice(fuzz::as_text(data, size), v, why)) {
    if (why.empty()) __builtin_trap();
    return 0;
  }
  if (v.diphones.size() > elzar::kVoiceMaxDiphones || v.info.size() > elzar::kVoiceMaxInfo) __builtin_trap();
  for (const elzar::VoiceDiphone& d : v.diphones) {
    if (d.left.size() > elzar::kVoiceMaxName || d.right.size() > elzar::kVoiceMaxName) __builtin_trap();
    if (d.length > elzar::kVoiceMaxDiphoneSamples || d.middle > d.length) __builtin_trap();
    if (uint64_t{d.offset} + d.length > v.samples.size()) __builtin_trap();
    if (uint64_t{d.first_mark} + d.mark_count > v.marks.size()) __builtin_trap();
  }
  elzar::Voice voice;
  if (elzar::index_voice(std::move(v), voice, why))
    for (const elzar::VoiceDiphone& d : voice.data.diphones)
      if (voice.find(d.left, d.right) == nullptr) __builtin_trap();
  return 0;
}
