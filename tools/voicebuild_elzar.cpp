// The diphones of the ELZAR voice are cut from espeak-ng's Brazilian Portuguese voice at a
// flat pitch. The diphone list is walked as one closed path through every pair, so each
// pair is said once inside running speech; the path is cut at its pauses into utterances.
// Phone boundaries come from espeak-ng's phoneme events; every diphone runs from the
// middle of its first phone to the middle of its second. Pitch marks are found on the
// voiced parts by autocorrelation and peak picking; unvoiced parts get evenly spaced marks.
#include "tools/voicebuild_elzar.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tts/mbrola_voice.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 16000;
constexpr int kWordsPerMinute = 150;
constexpr int kPitch = 80;  // about 126 Hz with no pitch movement
constexpr size_t kMaxUtterancePhones = 48;
constexpr uint32_t kUnvoicedStep = 128;

// Our phoneme names and the espeak-ng pt-br phonemes that sound like them.
const std::map<std::string, std::string>& espeak_names() {
  static const std::map<std::string, std::string> m = {
      {"a", "a"},   {"@", "&"},   {"e", "e"},   {"eh", "E"},  {"i", "i"},   {"o", "o"},   {"oh", "O"},
      {"u", "u"},   {"am", "&~"}, {"em", "e~"}, {"im", "i~"}, {"om", "o~"}, {"um", "u~"}, {"y", "j"},
      {"w", "w"},   {"p", "p"},   {"b", "b"},   {"t", "t"},   {"d", "d"},   {"k", "k"},   {"g", "g"},
      {"f", "f"},   {"v", "v"},   {"s", "s"},   {"z", "z"},   {"m", "m"},   {"n", "n"},   {"l", "l"},
      {"x", "S"},   {"j", "Z"},   {"nh", "n^"}, {"lh", "l^"}, {"r", "r"},   {"rr", "x"},  {"r2", "x"},
      {"s2", "s"},  {"tx", "tS"}, {"dj", "dZ"}, {"_", "_:"}};
  return m;
}

bool is_vowel(const std::string& ours) {
  static const std::set<std::string> v = {"a", "@", "e", "eh", "i", "o", "oh", "u", "am", "em", "im", "om", "um"};
  return v.count(ours) != 0;
}

std::string read_all(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

bool write_file(const fs::path& path, const std::string& bytes) {
  const fs::path tmp = path.string() + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f || !f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
  }
  std::error_code ec;
  fs::rename(tmp, path, ec);
  return !ec;
}

uint64_t fnv(uint64_t h, std::string_view bytes) {
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

// The pairs of the diphone list, read as the engine reads it: comment lines (!, *, ;) and
// empty lines skipped, two runs of name characters per line.
std::vector<std::pair<std::string, std::string>> read_pairs(const std::string& bytes) {
  auto name_char = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '@' || c == '_' || c == '2'; };
  std::set<std::pair<std::string, std::string>> pairs;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || std::strchr("!*;", line[first])) continue;
    size_t i = first;
    std::string a, b;
    while (i < line.size() && name_char(line[i])) a += static_cast<char>(std::tolower(static_cast<unsigned char>(line[i++])));
    while (i < line.size() && !name_char(line[i])) ++i;
    while (i < line.size() && name_char(line[i])) b += static_cast<char>(std::tolower(static_cast<unsigned char>(line[i++])));
    if (!a.empty() && !b.empty()) pairs.insert({a, b});
  }
  return {pairs.begin(), pairs.end()};
}

// A closed walk through every pair once (Hierholzer), from the pause.
std::vector<std::string> walk_all_pairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::map<std::string, std::vector<std::string>> out;
  for (const auto& [a, b] : pairs) out[a].push_back(b);
  for (auto& [a, next] : out) std::reverse(next.begin(), next.end());
  std::vector<std::string> stack = {"_"}, path;
  while (!stack.empty()) {
    auto& next = out[stack.back()];
    if (next.empty()) {
      path.push_back(stack.back());
      stack.pop_back();
    } else {
      stack.push_back(next.back());
      next.pop_back();
    }
  }
  std::reverse(path.begin(), path.end());
  return path;
}

// ---- espeak-ng ---------------------------------------------------------------------------

struct Take {
  std::vector<int16_t> pcm;
  std::vector<std::pair<std::string, int>> events;  // phoneme, first sample
};

int on_synth(short* wav, int n, espeak_EVENT* ev) {
  Take* take = ev ? static_cast<Take*>(ev->user_data) : nullptr;
  if (!take) return 0;
  if (wav && n > 0) take->pcm.insert(take->pcm.end(), wav, wav + n);
  for (; ev->type != espeakEVENT_LIST_TERMINATED; ++ev) {
    if (ev->type != espeakEVENT_PHONEME) continue;
    char name[9] = {};
    std::memcpy(name, ev->id.string, 8);
    take->events.push_back({name, ev->sample});
  }
  return 0;
}

// ---- Signal work -------------------------------------------------------------------------

// Windowed-sinc interpolation to 16000 Hz, with the cut below the new Nyquist frequency.
std::vector<float> to_16k(const std::vector<int16_t>& in, int rate) {
  const double step = static_cast<double>(rate) / kRate;
  const double cutoff = 0.45 * kRate / rate;  // cycles per input sample
  constexpr int kHalf = 16;
  std::vector<float> out;
  out.reserve(static_cast<size_t>(static_cast<double>(in.size()) / step) + 1);
  for (double t = 0; t < static_cast<double>(in.size()); t += step) {
    const long centre = static_cast<long>(std::floor(t));
    double acc = 0, norm = 0;
    for (long k = centre - kHalf + 1; k <= centre + kHalf; ++k) {
      const double x = t - static_cast<double>(k);
      const double arg = 2 * cutoff * x;
      const double sinc = std::fabs(arg) < 1e-9 ? 1.0 : std::sin(M_PI * arg) / (M_PI * arg);
      const double window = 0.5 + 0.5 * std::cos(M_PI * x / kHalf);
      const double w = sinc * window;
      norm += w;
      if (k >= 0 && k < static_cast<long>(in.size())) acc += w * in[static_cast<size_t>(k)];
    }
    out.push_back(static_cast<float>(acc / norm));
  }
  return out;
}

struct Frame {
  bool voiced = false;
  double period = 0;
};

// Voicing and period per 5 ms frame, by normalised autocorrelation near the flat pitch.
std::vector<Frame> analyse(const std::vector<float>& x, double expected) {
  constexpr size_t kHop = 80, kWin = 320;
  const int lo = static_cast<int>(expected * 0.75), hi = static_cast<int>(expected * 1.35);
  std::vector<Frame> frames(x.size() / kHop + 1);
  for (size_t f = 0; f < frames.size(); ++f) {
    const size_t a = f * kHop;
    if (a + kWin + static_cast<size_t>(hi) > x.size()) break;
    double energy = 0;
    for (size_t i = a; i < a + kWin; ++i) energy += x[i] * x[i];
    if (std::sqrt(energy / kWin) < 250) continue;
    double best = 0;
    int best_lag = 0;
    for (int lag = lo; lag <= hi; ++lag) {
      double xy = 0, yy = 0;
      for (size_t i = a; i < a + kWin; ++i) {
        const double y = x[i + static_cast<size_t>(lag)];
        xy += x[i] * y;
        yy += y * y;
      }
      const double r = yy > 0 ? xy / std::sqrt(energy * yy) : 0;
      if (r > best) {
        best = r;
        best_lag = lag;
      }
    }
    if (best > 0.65) frames[f] = {true, static_cast<double>(best_lag)};
  }
  return frames;
}

// Marks at the main peak of every period of the voiced stretches (on a smoothed copy, so
// the same peak is found period after period); evenly spaced marks elsewhere.
std::vector<uint32_t> pitch_marks(const std::vector<float>& x, double expected) {
  const std::vector<Frame> frames = analyse(x, expected);
  std::vector<float> smooth(x.size());
  for (size_t i = 0; i < x.size(); ++i) {
    double acc = 0;
    int n = 0;
    for (size_t k = i >= 4 ? i - 4 : 0; k <= std::min(x.size() - 1, i + 4); ++k, ++n) acc += x[k];
    smooth[i] = static_cast<float>(acc / n);
  }
  auto frame_at = [&](size_t pos) -> const Frame& { return frames[std::min(frames.size() - 1, pos / 80)]; };
  auto peak_in = [&](size_t a, size_t b) {
    size_t best = a;
    for (size_t i = a; i < b && i < x.size(); ++i)
      if (smooth[i] > smooth[best]) best = i;
    return best;
  };
  std::vector<uint32_t> marks;
  size_t pos = 0;
  while (pos < x.size()) {
    const Frame& f = frame_at(pos);
    if (!f.voiced) {
      marks.push_back(static_cast<uint32_t>(pos));
      pos += kUnvoicedStep;
      continue;
    }
    // A voiced stretch: the first mark at the peak of the first period, then one period on.
    size_t m = peak_in(pos, pos + static_cast<size_t>(f.period));
    while (m < x.size() && frame_at(m).voiced) {
      marks.push_back(static_cast<uint32_t>(m) | elzar::kMarkVoiced);
      const double p = frame_at(m).period;
      const size_t guess = m + static_cast<size_t>(std::lround(p));
      const size_t reach = static_cast<size_t>(p * 0.15);
      if (guess + reach >= x.size()) {
        m = x.size();
        break;
      }
      m = peak_in(guess - reach, guess + reach + 1);
    }
    pos = m < x.size() ? m + kUnvoicedStep : x.size();
  }
  return marks;
}

// ---- Cutting -----------------------------------------------------------------------------

struct Phone {
  std::string name;       // ours
  double start = 0, end = 0;  // 16000 Hz samples
};

struct Cut {
  std::string left, right;
  std::vector<float> samples;
  uint32_t middle = 0;
  std::vector<uint32_t> marks;
};

// espeak-ng's events matched against the phones asked for: an event it added (a glide
// after i) belongs to the phone before it; a phone it renamed takes the next event.
bool align(const std::vector<std::string>& wanted, const Take& take, double scale, std::vector<Phone>& phones,
           int& renamed) {
  phones.clear();
  size_t e = 0;
  const auto& ev = take.events;
  for (const std::string& ours : wanted) {
    const std::string& es = espeak_names().at(ours);
    size_t hit = e;
    for (size_t k = e; k < ev.size() && k < e + 3; ++k)
      if (ev[k].first == es) {
        hit = k;
        break;
      }
    if (hit >= ev.size()) return false;
    if (ev[hit].first != es) ++renamed;
    phones.push_back({ours, ev[hit].second * scale, 0});
    e = hit + 1;
  }
  for (size_t i = 0; i < phones.size(); ++i) {
    // A phone ends where the next event starts, whatever it is.
    size_t k = 0;
    for (; k < ev.size(); ++k)
      if (ev[k].second * scale > phones[i].start + 0.5) break;
    phones[i].end = i + 1 < phones.size() ? std::min(phones[i + 1].start, k < ev.size() ? ev[k].second * scale : 1e18)
                                          : (k < ev.size() ? ev[k].second * scale : phones[i].start);
  }
  return true;
}

std::string render(const std::vector<std::string>& tokens) {
  std::string out = "[['a";
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (t == "_") {
      out += "_:";
      continue;
    }
    if (i > 0 && tokens[i - 1] != "_") out += "|";
    else if (i == 0) out += "|";
    if (is_vowel(t)) out += "'";
    out += espeak_names().at(t);
  }
  out += tokens.empty() || tokens.back() == "_" ? "'a]]" : "|'a]]";
  return out;
}

struct Report {
  int utterances = 0, renamed = 0, short_phones = 0;
};

// Says the tokens (with a padding vowel at each end) and cuts the diphone of every
// neighbouring pair of tokens.
bool cut_utterance(const std::vector<std::string>& tokens, int rate, std::map<std::string, Cut>& cuts, Report& rep) {
  Take take;
  const std::string text = render(tokens);
  if (espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakPHONEMES, nullptr,
                   &take) != EE_OK ||
      espeak_Synchronize() != EE_OK || take.pcm.empty()) {
    std::fprintf(stderr, "voicebuild: espeak-ng failed on %s\n", text.c_str());
    return false;
  }
  ++rep.utterances;
  std::vector<std::string> wanted = {"a"};
  wanted.insert(wanted.end(), tokens.begin(), tokens.end());
  wanted.push_back("a");
  std::vector<Phone> phones;
  if (!align(wanted, take, static_cast<double>(kRate) / rate, phones, rep.renamed)) {
    std::fprintf(stderr, "voicebuild: cannot find the phones of %s\n", text.c_str());
    return false;
  }
  const std::vector<float> x = to_16k(take.pcm, rate);
  const std::vector<uint32_t> marks = pitch_marks(x, kRate / 126.0);
  for (size_t i = 1; i + 2 < phones.size(); ++i) {
    const Phone& a = phones[i];
    const Phone& b = phones[i + 1];
    if (a.end - a.start < 160 || b.end - b.start < 160) ++rep.short_phones;
    const auto from = static_cast<size_t>(std::lround((a.start + a.end) / 2));
    auto to = static_cast<size_t>(std::lround((b.start + b.end) / 2));
    to = std::min(std::max(to, from + 2), x.size());
    if (from + 2 > to) continue;
    Cut c;
    c.left = a.name;
    c.right = b.name;
    c.samples.assign(x.begin() + static_cast<long>(from), x.begin() + static_cast<long>(to));
    c.middle = static_cast<uint32_t>(std::clamp<long>(std::lround(b.start) - static_cast<long>(from), 0,
                                                      static_cast<long>(c.samples.size())));
    for (uint32_t m : marks) {
      const uint32_t p = m & elzar::kMarkPosition;
      if (p >= from && p < to) c.marks.push_back((p - static_cast<uint32_t>(from)) | (m & elzar::kMarkVoiced));
    }
    if (c.marks.empty()) c.marks.push_back(0);
    cuts[a.name + "-" + b.name] = std::move(c);
  }
  return true;
}

}  // namespace

int elzar_voice_main(int argc, char** argv) {
  fs::path root, dfn;
  for (int a = 2; a + 1 < argc; a += 2) {
    if (!std::strcmp(argv[a], "--root")) root = argv[a + 1];
    else if (!std::strcmp(argv[a], "--dfn")) dfn = argv[a + 1];
  }
  if (root.empty() || dfn.empty()) {
    std::fprintf(stderr, "usage: %s --elzar --root FAMILY_ROOT --dfn DIPHONE_LIST\n", argv[0]);
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const std::string list = read_all(dfn);
  const auto pairs = read_pairs(list);
  if (pairs.empty()) {
    std::fprintf(stderr, "voicebuild: no diphones in %s\n", dfn.c_str());
    return 2;
  }
  for (const auto& [a, b] : pairs)
    for (const std::string& n : {a, b})
      if (!espeak_names().count(n)) {
        std::fprintf(stderr, "voicebuild: phoneme %s of %s has no recording\n", n.c_str(), dfn.c_str());
        return 2;
      }
  const fs::path dir = root / "palmir" / "elzartts";
  std::error_code ec;
  fs::create_directories(dir, ec);
  const fs::path out = dir / "br4";
  const fs::path stamp = dir / ".voicebuild";

  const char* data_path = nullptr;
  const char* version = espeak_Info(&data_path);
  uint64_t h = fnv(1469598103934665603ull, read_all("/proc/self/exe"));
  h = fnv(h, list);
  h = fnv(h, version ? version : "");
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(h));
  if (read_all(stamp) == hash && fs::exists(out)) {
    write_file(stamp, hash);  // a newer stamp, so the build does not ask again
    std::printf("voicebuild: ELZAR voice up to date\n");
    return 0;
  }

  const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                     espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0 || espeak_SetVoiceByName("pt-br") != EE_OK) {
    std::fprintf(stderr, "voicebuild: the pt-br voice of espeak-ng cannot be opened\n");
    return 1;
  }
  espeak_SetSynthCallback(on_synth);
  espeak_SetParameter(espeakRATE, kWordsPerMinute, 0);
  espeak_SetParameter(espeakPITCH, kPitch, 0);
  espeak_SetParameter(espeakRANGE, 0, 0);

  // The walk, cut into utterances at its pauses; long stretches are said in pieces that
  // share their edge phone, so no pair is lost.
  const std::vector<std::string> path = walk_all_pairs(pairs);
  std::map<std::string, Cut> cuts;
  Report rep;
  size_t i = 0;
  while (i + 1 < path.size()) {
    size_t j = i + 1;
    while (j + 1 < path.size() && path[j] != "_" && j - i < kMaxUtterancePhones) ++j;
    const std::vector<std::string> tokens(path.begin() + static_cast<long>(i), path.begin() + static_cast<long>(j) + 1);
    if (tokens.size() == 2 && tokens[0] == "_" && tokens[1] == "_") {
      // Silence into silence.
      Cut c;
      c.left = c.right = "_";
      c.samples.assign(1600, 0.0f);
      c.middle = 800;
      for (uint32_t m = 0; m < 1600; m += kUnvoicedStep) c.marks.push_back(m);
      cuts["_-_"] = std::move(c);
    } else if (!cut_utterance(tokens, rate, cuts, rep)) {
      espeak_Terminate();
      return 1;
    }
    i = j;
  }
  // A phone espeak-ng melted into its neighbour in the walk is said again, alone between
  // two vowels; a pair that is still melted there (a final l goes into the vowel) stays.
  auto melted = [](const Cut& c) { return c.middle < 80 || c.samples.size() - c.middle < 80; };
  int resaid = 0, still_melted = 0;
  for (auto& [name, cut] : cuts) {
    if (!melted(cut)) continue;
    std::map<std::string, Cut> alone;
    Report scratch;
    if (cut_utterance({cut.left, cut.right}, rate, alone, scratch) && alone.count(name) && !melted(alone[name])) {
      cut = std::move(alone[name]);
      ++resaid;
    } else {
      ++still_melted;
    }
  }
  espeak_Terminate();

  float peak = 1;
  for (const auto& [name, c] : cuts)
    for (float v : c.samples) peak = std::max(peak, std::fabs(v));
  const double gain = std::min(1.5, 0.9 * 32767.0 / peak);

  elzar::VoiceData v;
  v.rate = kRate;
  v.info = std::string("ELZAR Brazilian Portuguese diphone voice\nrecorded from espeak-ng ") + (version ? version : "") +
           " pt-br at a flat pitch of about 126 Hz\n" + std::to_string(cuts.size()) + " diphones";
  std::vector<std::string> missing;
  for (const auto& [a, b] : pairs) {
    const auto it = cuts.find(a + "-" + b);
    if (it == cuts.end()) {
      missing.push_back(a + "-" + b);
      continue;
    }
    const Cut& c = it->second;
    elzar::VoiceDiphone d;
    d.left = a;
    d.right = b;
    d.offset = static_cast<uint32_t>(v.samples.size());
    d.length = static_cast<uint32_t>(c.samples.size());
    d.middle = c.middle;
    d.first_mark = static_cast<uint32_t>(v.marks.size());
    d.mark_count = static_cast<uint32_t>(c.marks.size());
    for (float s : c.samples)
      v.samples.push_back(static_cast<int16_t>(std::clamp(std::lround(s * gain), -32768l, 32767l)));
    v.marks.insert(v.marks.end(), c.marks.begin(), c.marks.end());
    v.diphones.push_back(std::move(d));
  }
  for (const std::string& m : missing) std::fprintf(stderr, "voicebuild: diphone %s not recorded\n", m.c_str());
  if (!write_file(out, elzar::encode_voice(v))) {
    std::fprintf(stderr, "voicebuild: cannot write %s\n", out.c_str());
    return 1;
  }
  write_file(stamp, hash);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  std::printf("voicebuild: ELZAR voice: %zu diphones, %zu samples, %d utterances, %d renamed and %d short phones, "
              "%d pairs said again, %d melted, %lld ms\n",
              v.diphones.size(), v.samples.size(), rep.utterances, rep.renamed, rep.short_phones, resaid,
              still_melted, static_cast<long long>(ms));
  return missing.empty() ? 0 : 1;
}
