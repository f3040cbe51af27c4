// The diphone synthesiser on hostile phoneme lines, renames and clones, with a small voice
// built in memory. Input: the renames, a 0x00 byte, the clones, a 0x00 byte, the lines.
#include <cmath>

#include "fuzz/common.h"
#include "tts/mbrola.h"
#include "tts/mbrola_voice.h"

namespace {

// Every pair of "_" (silent), "a" (voiced) and "s" (unvoiced), 800 samples each.
std::string small_voice() {
  elzar::VoiceData v;
  v.info = "fuzz voice";
  const char* names[] = {"_", "a", "s"};
  uint32_t noise = 1;
  for (int l = 0; l < 3; ++l)
    for (int r = 0; r < 3; ++r) {
      elzar::VoiceDiphone d;
      d.left = names[l];
      d.right = names[r];
      d.offset = static_cast<uint32_t>(v.samples.size());
      d.length = 800;
      d.middle = 400;
      d.first_mark = static_cast<uint32_t>(v.marks.size());
      for (uint32_t i = 0; i < d.length; ++i) {
        const int phone = i < d.middle ? l : r;
        int16_t x = 0;
        if (phone == 1) x = static_cast<int16_t>(std::lround(4000 * std::sin(i * 0.0628)));
        if (phone == 2) x = static_cast<int16_t>(((noise = noise * 1103515245u + 12345u) >> 20) - 2048);
        v.samples.push_back(x);
        if (i % 100 == 0) v.marks.push_back(i | (phone == 1 ? elzar::kMarkVoiced : 0));
      }
      d.mark_count = static_cast<uint32_t>(v.marks.size()) - d.first_mark;
      v.diphones.push_back(d);
    }
  return elzar::encode_voice(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::MemFile voice;
  static const bool written = voice.set(small_voice());
  if (!written) __builtin_trap();
  const auto parts = fuzz::split(fuzz::as_text(data, size), '\0', 3);
  std::unique_ptr<elzar::Mbrola> m = elzar::open_own_mbrola();
  if (m->init_rename_MBR(voice.path(), std::string(parts[0]), std::string(parts[1])) < 0) {
    if (m->init_MBR(voice.path()) < 0) __builtin_trap();
  }
  m->setNoError_MBR(1);
  m->write_MBR(parts[2]);
  m->flush_MBR();
  int16_t buffer[4096];
  long total = 0;
  for (int n; (n = m->read_MBR(buffer, 4096)) > 0;) {
    if (n > 4096) __builtin_trap();
    total += n;
    if (total > 64L * elzar::kMbrolaRate) break;  // a minute of speech is plenty
  }
  m->close_MBR();
  return 0;
}
