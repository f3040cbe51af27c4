// voicecheck: loads an ELZAR voice through the synthesiser, checks that it holds every
// diphone of a diphone list and that each one speaks, and can write a phoneme file's
// speech as a WAV file.
//
//   voicecheck --voice BR4 --dfn PORTUG.DFN [--say PHONEME_FILE --wav OUT.wav]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tts/mbrola.h"
#include "tts/mbrola_voice.h"

namespace {

std::string read_all(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void put_le(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool write_wav(const std::string& path, const std::vector<int16_t>& s) {
  std::string w = "RIFF";
  put_le(w, static_cast<uint32_t>(36 + 2 * s.size()), 4);
  w += "WAVEfmt ";
  put_le(w, 16, 4);
  put_le(w, 1, 2);
  put_le(w, 1, 2);
  put_le(w, 16000, 4);
  put_le(w, 32000, 4);
  put_le(w, 2, 2);
  put_le(w, 16, 2);
  w += "data";
  put_le(w, static_cast<uint32_t>(2 * s.size()), 4);
  for (int16_t x : s) put_le(w, static_cast<uint16_t>(x), 2);
  std::ofstream f(path, std::ios::binary);
  return static_cast<bool>(f.write(w.data(), static_cast<std::streamsize>(w.size())));
}

std::vector<int16_t> drain(elzar::Mbrola& m) {
  std::vector<int16_t> out;
  std::vector<int16_t> buf(16000);
  for (int n; (n = m.read_MBR(buf.data(), 16000)) > 0;) out.insert(out.end(), buf.begin(), buf.begin() + n);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string voice, dfn, say, wav;
  for (int a = 1; a + 1 < argc; a += 2) {
    if (!std::strcmp(argv[a], "--voice")) voice = argv[a + 1];
    else if (!std::strcmp(argv[a], "--dfn")) dfn = argv[a + 1];
    else if (!std::strcmp(argv[a], "--say")) say = argv[a + 1];
    else if (!std::strcmp(argv[a], "--wav")) wav = argv[a + 1];
  }
  if (voice.empty() || dfn.empty()) {
    std::fprintf(stderr, "usage: %s --voice BR4 --dfn PORTUG.DFN [--say PHONEME_FILE --wav OUT.wav]\n", argv[0]);
    return 2;
  }
  auto m = elzar::open_own_mbrola();
  if (m->init_MBR(voice) < 0) {
    std::string why;
    m->lastErrorStr_MBR(why);
    std::fprintf(stderr, "voicecheck: %s\n", why.c_str());
    return 1;
  }
  // Every pair of the list, spoken alone: 80 ms each, so 160 ms of sound.
  const std::string list = read_all(dfn);
  size_t pairs = 0, bad = 0, at = 0;
  while (at < list.size()) {
    size_t end = list.find('\n', at);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || std::strchr(";!*", line[0])) continue;
    const size_t dash = line.find('-', 1);
    if (dash == std::string::npos) continue;
    ++pairs;
    const std::string a = line.substr(0, dash), b = line.substr(dash + 1);
    m->reset_MBR();
    m->write_MBR(a + " 80\r\n" + b + " 80\r\n");
    m->flush_MBR();
    const auto out = drain(*m);
    if (m->lastError_MBR() != 0 || out.size() != 2560) {
      std::string why;
      m->lastErrorStr_MBR(why);
      std::fprintf(stderr, "voicecheck: %s-%s: %zu samples %s\n", a.c_str(), b.c_str(), out.size(), why.c_str());
      ++bad;
    }
  }
  std::printf("voicecheck: %zu diphones listed, %zu failed\n", pairs, bad);
  if (!say.empty()) {
    m->reset_MBR();
    if (m->write_MBR(read_all(say)) < 0 || m->flush_MBR() < 0) {
      std::string why;
      m->lastErrorStr_MBR(why);
      std::fprintf(stderr, "voicecheck: %s\n", why.c_str());
      return 1;
    }
    const auto out = drain(*m);
    std::printf("voicecheck: %zu samples spoken\n", out.size());
    if (!wav.empty() && !write_wav(wav, out)) return 1;
  }
  return pairs > 0 && bad == 0 ? 0 : 1;
}
