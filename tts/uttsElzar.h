// The ELZAR engine: Portuguese text to MBROLA lines to samples, played or written to a WAV file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tts/mbrola.h"
#include "tts/minireg.h"
#include "tts/uttsPortug.h"
#include "tts/uttsPreproc.h"
#include "tts/uttsProsodia.h"

namespace elzar {

inline constexpr int kElzarRate = kMbrolaRate;         // 16-bit mono
inline constexpr size_t kReadSamples = 16000;          // one read_MBR batch
inline constexpr size_t kImageBytes = 16000;           // an image is played when it reaches this
inline constexpr size_t kImageMinimum = 256;           // shorter last images are padded with silence
inline constexpr size_t kWavHeaderBytes = 44;
inline constexpr size_t kErrorTextMax = 255;

// Where played speech goes: the wave player for the speech front, a recorder in tests.
class PlaybackSink {
 public:
  virtual ~PlaybackSink() = default;
  // Queues an in-memory WAV image (44-byte header, 16-bit samples) and returns without
  // waiting for it to sound. False when the listener silenced the speech (a key): the
  // engine then feeds no more of this text.
  virtual bool play(uint8_t* image, size_t size) = 0;
  virtual bool busy() = 0;
  virtual void stop() = 0;
  // The output's speed-up modes (raised rate, speech cutting) off while plain is true;
  // restored when it is set back to false.
  virtual void plain_playback(bool plain) { (void)plain; }
};

using SynthesiserOpener = std::function<std::unique_ptr<Mbrola>()>;

// One engine. The caller fills the first block; the rest is the engine's own.
struct Elzar {
  // Maps script-form file names (c:\...) to host paths and finds REGISTRO.INI. Without
  // drives, names are host paths already and no registry is read.
  Registry registry;
  PlaybackSink* sink = nullptr;  // none: playing is silence
  MessageSink message;           // the prosody loader's complaints
  SynthesiserOpener open_synthesiser;  // empty: open_mbrola(); a null result: library missing

  std::string output_file;  // script form; empty: play through the sink
  bool file_mode = false;
  std::FILE* out = nullptr;
  std::string out_host;
  double duration_factor = 1.0;
  double pitch_factor = 1.0;
  std::string last_error;
  std::unique_ptr<Mbrola> synthesiser;
  Abbreviations abbreviations;
  Language language;
  Prosody prosody;
  bool language_ready = false;
  std::vector<int16_t> read_buffer = std::vector<int16_t>(kReadSamples);
  std::vector<uint8_t> image = std::vector<uint8_t>(kWavHeaderBytes + 2 * kReadSamples);
  size_t image_fill = 0;  // data bytes in the image
  bool stopped = false;   // the sink refused more of the current text

  Elzar() = default;
  Elzar(const Elzar&) = delete;
  Elzar& operator=(const Elzar&) = delete;
  ~Elzar();
};

// The canonical 16000 Hz, 16-bit mono PCM header for data_size bytes of samples.
void build_elzar_header(uint8_t* header, uint32_t data_size);

void elzar_set_output_file(Elzar& e, std::string_view name);
// Database, rules (.nrl), exceptions (.exc), diphones (.dfn), prosody (.pro), abbreviations
// (.abr); empty names take the defaults. False with last_error set (empty when the
// synthesiser could not be had or refused the database).
bool elzar_initialise(Elzar& e, std::string database, std::string rules, std::string exceptions,
                      std::string diphones, std::string prosody, std::string abbreviations);
// Only the language data (what --norm and --pho need); the same names and error texts.
bool elzar_load_language(Elzar& e, std::string rules, std::string exceptions, std::string diphones,
                         std::string prosody, std::string abbreviations);
void elzar_set_factors(Elzar& e, double duration_factor, double pitch_factor);
// The text normalised, and the MBROLA lines it gives with the current factors.
std::string elzar_normalise(const Elzar& e, std::string_view text);
std::vector<std::string> elzar_mbrola_lines(Elzar& e, std::string_view text);
// False when the synthesiser rejected a line or the output file could not be written.
bool elzar_speak(Elzar& e, std::string_view text);
bool elzar_busy(Elzar& e);
void elzar_stop(Elzar& e);
// Finishes the WAV file, frees the language data and the synthesiser.
void elzar_close(Elzar& e);

}  // namespace elzar
