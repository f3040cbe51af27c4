// espeak-ng as an engine: synthesised in synchronous mode, its samples played through our
// wave player, and a key ends the synthesis from its callback at once.
#include <espeak-ng/speak_lib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "console/ZnCrt.h"
#include "platform/text.h"
#include "speech/engines.h"

namespace speech {

namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool is_brazilian(const EspeakVoiceName& v) { return lower(v.languages) == "pt-br"; }

}  // namespace

std::vector<size_t> espeak_voice_order(const std::vector<EspeakVoiceName>& voices) {
  std::vector<size_t> order;
  for (size_t i = 0; i < voices.size(); ++i)
    if (is_brazilian(voices[i])) {
      order.push_back(i);
      break;
    }
  for (size_t i = 0; i < voices.size(); ++i)
    if (order.empty() || order.front() != i) order.push_back(i);
  return order;
}

int espeak_rate(int v) {
  v = std::clamp(v, -10, 10);
  const double wpm = espeakRATE_NORMAL * std::pow(3.0, v / 10.0);
  return std::clamp(static_cast<int>(std::lround(wpm)), espeakRATE_MINIMUM, espeakRATE_MAXIMUM);
}

int espeak_pitch(int t) { return std::clamp(50 + 5 * t, 0, 100); }

EspeakChoice espeak_choice(int voz, int velocidade, size_t count) {
  if (voz < 1 || static_cast<size_t>(voz) > count) return {0, 0};
  return {static_cast<size_t>(voz - 1), velocidade};
}

namespace {

class EspeakAdapter final : public EngineAdapter {
 public:
  EspeakAdapter(Speech& s, int rate) : s_(s), rate_(rate) {}

  void speak(std::string_view text) override {
    std::string utf8 = plat::cp1252_to_utf8(text.empty() ? std::string_view(" ") : text);
    stopping_ = false;
    WavePlayer& p = player(s_);
    // Our own speed-ups are for the built-in voice; the engine has its own rate.
    const bool cutting = p.speech_cutting, raised = p.raised_rate;
    p.speech_cutting = false;
    p.raised_rate = false;
    espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, this);
    p.speech_cutting = cutting;
    p.raised_rate = raised;
  }

  // Synthesis is over when speak returns; what is left sounds in the wave player.
  bool speaking(int) override { return false; }

  void stop() override {
    stopping_ = true;
    stop_wave(player(s_));
  }

  // 1 ends the synthesis at once.
  int take(short* samples, int count) {
    if (stopping_ || (s_.console && s_.console->key_pressed())) {
      stopping_ = true;
      return 1;
    }
    if (samples && count > 0)
      play_samples(player(s_), reinterpret_cast<uint8_t*>(samples), static_cast<size_t>(count) * 2, rate_, 1, 16);
    return stopping_ || (s_.console && s_.console->key_pressed()) ? 1 : 0;
  }

 private:
  Speech& s_;
  int rate_;
  bool stopping_ = false;
};

int synth_callback(short* samples, int count, espeak_EVENT* events) {
  for (espeak_EVENT* e = events; e; ++e) {
    if (e->user_data) return static_cast<EspeakAdapter*>(e->user_data)->take(samples, count);
    if (e->type == espeakEVENT_LIST_TERMINATED) break;
  }
  return 0;
}

std::vector<EspeakVoiceName> listed_voices(std::vector<const espeak_VOICE*>& raw) {
  std::vector<EspeakVoiceName> names;
  const espeak_VOICE** list = espeak_ListVoices(nullptr);
  for (const espeak_VOICE** v = list; v && *v; ++v) {
    raw.push_back(*v);
    // languages: a priority byte, then the language name, then the next pair.
    const char* lang = (*v)->languages && (*v)->languages[0] ? (*v)->languages + 1 : "";
    names.push_back({(*v)->name ? (*v)->name : "", lang});
  }
  return names;
}

// espeak-ng keeps one state for the whole process and cannot be started again in it (the
// second espeak_Terminate never returns), so it is started once, on first use, and left
// running. Synthesis in pieces of 200 ms: the first sound comes at once, a key is seen soon.
int espeak_started_rate() {
  static const int rate = [] {
    // A missing data folder is reported on standard error, which the terminal console
    // shares: the failed open falls back without a word, as every engine does.
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) ::dup2(null, 2);
    const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 200, nullptr, espeakINITIALIZE_DONT_EXIT);
    std::fflush(stderr);
    if (saved >= 0 && null >= 0) ::dup2(saved, 2);
    if (saved >= 0) ::close(saved);
    if (null >= 0) ::close(null);
    return r;
  }();
  return rate;
}

}  // namespace

std::unique_ptr<EngineAdapter> open_espeak_engine(Speech& s, const EngineRequest& r) {
  const int rate = espeak_started_rate();
  if (rate <= 0) return nullptr;
  std::vector<const espeak_VOICE*> raw;
  const std::vector<EspeakVoiceName> names = listed_voices(raw);
  const std::vector<size_t> order = espeak_voice_order(names);
  const EspeakChoice choice = espeak_choice(r.voice, r.rate, order.size());
  if (order.empty() || !raw[order[choice.voice]]->name ||
      espeak_SetVoiceByName(raw[order[choice.voice]]->name) != EE_OK)
    return nullptr;
  espeak_SetSynthCallback(synth_callback);
  espeak_SetParameter(espeakRATE, espeak_rate(choice.rate), 0);
  espeak_SetParameter(espeakPITCH, espeak_pitch(r.pitch), 0);
  return std::make_unique<EspeakAdapter>(s, rate);
}

}  // namespace speech
