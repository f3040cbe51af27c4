// The engine adapters behind the speech front: the desktop speech service, espeak-ng and ELZAR.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "speech/znsapi.h"
#include "tts/minireg.h"

namespace speech {

// --- the desktop speech service (kind 4 and every kind not named below) -------------------

enum class SpeechdEvent { begin, end, cancel };

// One connection to the service. Events may arrive on a thread of the link's own.
class SpeechdLink {
 public:
  virtual ~SpeechdLink() = default;
  virtual std::vector<std::string> voices() = 0;  // in the service's order
  virtual bool set_voice(const std::string& name) = 0;
  virtual bool set_language(const std::string& language) = 0;
  virtual bool set_rate(int rate) = 0;    // -100..100
  virtual bool set_pitch(int pitch) = 0;  // -100..100
  virtual bool say(const std::string& utf8) = 0;  // queued
  virtual void cancel() = 0;
  virtual bool alive() = 0;  // false once the service has gone away
};
using SpeechdEvents = std::function<void(SpeechdEvent)>;
// A connection through libspeechd, or null when no service answers.
std::unique_ptr<SpeechdLink> open_speechd_link(const SpeechdEvents& events);

// VELOCIDADE: 0 leaves the service's rate; -10..10 is the SAPI 5 scale (times 10);
// above 10 it is words per minute (180 is the service's normal rate). Cut to -100..100.
int speechd_rate(int velocidade);
// TOM: 0 leaves the pitch; -10..10 times 10; above 10 a voice pitch in Hz (120 normal).
int speechd_pitch(int tom);
// The listed voice VOZ names (1 = first); nullopt when there is no such voice. VOZ 0
// keeps the service's own voice for Portuguese.
std::optional<size_t> speechd_voice_index(int voz, size_t voices);

using SpeechdLinkOpener = std::function<std::unique_ptr<SpeechdLink>(const SpeechdEvents&)>;
// Opens the adapter over the link that make_link gives (null: fails), handing it the
// adapter's event handler. Keys are read from s's console.
std::unique_ptr<EngineAdapter> open_speechd_adapter(Speech& s, const EngineRequest& r,
                                                    const SpeechdLinkOpener& make_link);
// The same over libspeechd.
std::unique_ptr<EngineAdapter> open_speechd_engine(Speech& s, const EngineRequest& r);

// --- espeak-ng in synchronous mode (kinds 5 and 54) ---------------------------------------

struct EspeakVoiceName {
  std::string name;
  std::string languages;  // the first language it speaks, e.g. "pt-br"
};
// The order VOZ counts in: the Brazilian Portuguese voice first, then the rest in
// espeak-ng's order.
std::vector<size_t> espeak_voice_order(const std::vector<EspeakVoiceName>& voices);
// SAPI 5 rate -10..10 as words per minute (175 at 0, three times as fast at 10), 80..450.
int espeak_rate(int velocidade);
// TOM -10..10 as espeak-ng's pitch 0..100 (50 at 0).
int espeak_pitch(int tom);
struct EspeakChoice {
  size_t voice = 0;  // index into the ordered list
  int rate = 0;      // VELOCIDADE after the fallback
};
// VOZ outside 1..count: voice 1 at the normal rate.
EspeakChoice espeak_choice(int voz, int velocidade, size_t count);

std::unique_ptr<EngineAdapter> open_espeak_engine(Speech& s, const EngineRequest& r);

// --- the ELZAR engine (kind 3) ------------------------------------------------------------

// Where the engine's files are (ELZARTTS keys, the registry, the family's default).
struct ElzarFiles {
  std::string database;  // MBROLA_DB, "br4" by default
  std::string directory;  // ends with '\'
  std::string base;       // BASE, "portug" by default
};
ElzarFiles elzar_files(const ConfigContext& ctx, const elzar::Registry& reg);
struct ElzarFactors {
  double duration = 0.8;
  double pitch = 1.0;
};
ElzarFactors elzar_factors(int velocidade, int tom);

std::unique_ptr<EngineAdapter> open_elzar_engine(Speech& s, const EngineRequest& r);

}  // namespace speech
