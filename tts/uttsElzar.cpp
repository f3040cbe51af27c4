#include "tts/uttsElzar.h"

#include <algorithm>
#include <cstring>

namespace elzar {
namespace {

constexpr const char* kRegistryDatabases = "SOFTWARE\\TCTS\\Mbrola\\databases\\";
constexpr const char* kDefaultDatabasePath = "c:\\palmir\\elzartts\\br4";
// A WAV file cannot say more than this many data bytes.
constexpr uint64_t kWavDataMax = 0xFFFFFFFFull - 36;

void put_le(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void set_error(Elzar& e, std::string_view text) { e.last_error.assign(text.substr(0, kErrorTextMax)); }

// A script-form name as the host sees it; unchanged without drives or when it names no drive.
std::string host_name(const Elzar& e, const std::string& name) {
  if (!e.registry.drives || name.empty()) return name;
  return plat::host_path(*e.registry.drives, name).value_or(name);
}

bool blank_text(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

void free_language(Elzar& e) {
  free_rules(e.language.rules);
  e.language.exceptions.entries.clear();
  free_diphones(e.prosody);
  e.language_ready = false;
}

// The header rewritten with the size the file has now.
void finish_output_file(Elzar& e) {
  if (!e.out) return;
  std::fclose(e.out);
  e.out = nullptr;
  e.file_mode = false;
  std::FILE* f = std::fopen(e.out_host.c_str(), "r+b");
  if (!f) return;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size >= static_cast<long>(kWavHeaderBytes)) {
      uint8_t header[kWavHeaderBytes];
      const uint64_t data = std::min<uint64_t>(static_cast<uint64_t>(size) - kWavHeaderBytes, kWavDataMax);
      build_elzar_header(header, static_cast<uint32_t>(data));
      if (std::fseek(f, 0, SEEK_SET) == 0) std::fwrite(header, 1, sizeof header, f);
    }
  }
  std::fclose(f);
}

bool open_output_file(Elzar& e) {
  finish_output_file(e);
  if (e.output_file.empty()) return true;
  e.out_host = host_name(e, e.output_file);
  e.out = std::fopen(e.out_host.c_str(), "wb");
  uint8_t header[kWavHeaderBytes];
  build_elzar_header(header, 0);
  if (!e.out || std::fwrite(header, 1, sizeof header, e.out) != sizeof header || std::fflush(e.out) != 0) {
    // A file that cannot be made says so, like one that cannot be written.
    set_error(e, "Arquivo de sa\xED" "da n\xE3o pode ser criado");
    if (e.out) std::fclose(e.out);
    e.out = nullptr;
    return false;
  }
  e.file_mode = true;
  return true;
}

void play_image(Elzar& e) {
  if (e.image_fill == 0) return;
  build_elzar_header(e.image.data(), static_cast<uint32_t>(e.image_fill));
  const size_t size = kWavHeaderBytes + e.image_fill;
  e.image_fill = 0;
  if (e.sink && !e.sink->play(e.image.data(), size)) e.stopped = true;
}

// One batch of samples: to the file, or into images of kImageBytes played as they fill.
bool take_batch(Elzar& e, const int16_t* samples, size_t count) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(samples);
  size_t n = count * 2;
  if (e.file_mode) {
    const long at = std::ftell(e.out);
    if (at < 0 || static_cast<uint64_t>(at) + n > kWavDataMax + kWavHeaderBytes) return false;
    return std::fwrite(bytes, 1, n, e.out) == n;
  }
  while (n > 0 && !e.stopped) {
    const size_t room = kImageBytes - std::min(kImageBytes, e.image_fill);
    const size_t piece = std::min(room, n);
    std::memcpy(e.image.data() + kWavHeaderBytes + e.image_fill, bytes, piece);
    e.image_fill += piece;
    bytes += piece;
    n -= piece;
    if (e.image_fill >= kImageBytes) play_image(e);
  }
  return true;
}

// Everything the synthesiser has ready; false when it raised an error or the file failed.
bool drain(Elzar& e) {
  bool ok = true;
  while (!e.stopped) {
    int n = e.synthesiser->read_MBR(e.read_buffer.data(), static_cast<int>(kReadSamples));
    if (e.synthesiser->lastError_MBR() != 0) {
      e.synthesiser->reset_MBR();
      ok = false;
    }
    if (n <= 0) break;
    n = std::min(n, static_cast<int>(kReadSamples));
    if (!take_batch(e, e.read_buffer.data(), static_cast<size_t>(n))) ok = false;
  }
  return ok;
}

}  // namespace

void build_elzar_header(uint8_t* h, uint32_t data_size) {
  std::memcpy(h, "RIFF", 4);
  put_le(h + 4, data_size + 36, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put_le(h + 16, 16, 4);
  put_le(h + 20, 1, 2);                          // PCM
  put_le(h + 22, 1, 2);                          // mono
  put_le(h + 24, static_cast<uint32_t>(kElzarRate), 4);
  put_le(h + 28, static_cast<uint32_t>(kElzarRate * 2), 4);
  put_le(h + 32, 2, 2);                          // block align
  put_le(h + 34, 16, 2);
  std::memcpy(h + 36, "data", 4);
  put_le(h + 40, data_size, 4);
}

Elzar::~Elzar() { elzar_close(*this); }

void elzar_set_output_file(Elzar& e, std::string_view name) { e.output_file.assign(name); }

void elzar_set_factors(Elzar& e, double duration_factor, double pitch_factor) {
  e.duration_factor = duration_factor;
  e.pitch_factor = pitch_factor;
}

bool elzar_load_language(Elzar& e, std::string rules, std::string exceptions, std::string diphones,
                         std::string prosody, std::string abbreviations) {
  if (rules.empty()) rules = "portug.nrl";
  if (exceptions.empty()) exceptions = "portug.exc";
  if (abbreviations.empty()) abbreviations = "portug.abr";
  if (prosody.empty()) prosody = "portug.pro";
  if (diphones.empty()) diphones = "portug.dfn";
  free_language(e);
  if (!load_language(e.language, host_name(e, rules), host_name(e, exceptions))) {
    set_error(e, "Erro na base de dados de portugu\xEAs");
    return false;
  }
  if (!load_abbreviations(e.abbreviations, host_name(e, abbreviations))) {
    set_error(e, "Erro no arquivo de abreviaturas");
    return false;
  }
  e.prosody = Prosody{};
  const MessageSink quiet = [](std::string_view) {};
  if (!load_prosody(e.prosody, host_name(e, prosody), e.message ? e.message : quiet) ||
      !load_diphones(e.prosody, host_name(e, diphones))) {
    set_error(e, "Erro no arquivo de pros\xF3" "dia");
    return false;
  }
  e.language_ready = true;
  return true;
}

bool elzar_initialise(Elzar& e, std::string database, std::string rules, std::string exceptions,
                      std::string diphones, std::string prosody, std::string abbreviations) {
  e.last_error.clear();
  finish_output_file(e);
  if (e.synthesiser) {
    e.synthesiser->close_MBR();
    e.synthesiser.reset();
  }
  e.synthesiser = e.open_synthesiser ? e.open_synthesiser() : open_mbrola();
  if (!e.synthesiser) return false;

  if (database.empty()) database = "br4";
  std::string registered;
  if (e.registry.drives &&
      read_registry_string(e.registry, RegistryRoot::local_machine,
                           std::string(kRegistryDatabases) + database + "\\", registered))
    database = registered;
  if (database.empty()) database = kDefaultDatabasePath;

  if (e.synthesiser->init_MBR(host_name(e, database)) < 0) {
    e.synthesiser.reset();
    return false;
  }
  e.synthesiser->setNoError_MBR(1);
  if (!elzar_load_language(e, std::move(rules), std::move(exceptions), std::move(diphones), std::move(prosody),
                           std::move(abbreviations)))
    return false;
  if (!open_output_file(e)) {
    // Half an engine would speak where it was told not to.
    e.synthesiser->close_MBR();
    e.synthesiser.reset();
    return false;
  }
  return true;
}

std::string elzar_normalise(const Elzar& e, std::string_view text) { return uttsPreproc(e.abbreviations, text); }

std::vector<std::string> elzar_mbrola_lines(Elzar& e, std::string_view text) {
  const std::string normalised = uttsPreproc(e.abbreviations, text);
  const std::vector<std::string> words = split_words(e.prosody, normalised);
  const std::vector<std::string> patterned = assign_patterns(e.prosody, words);
  const std::vector<std::string> phonemes = uttsPortug(e.language, patterned);
  return timing(e.prosody, phonemes, e.duration_factor, e.pitch_factor);
}

bool elzar_speak(Elzar& e, std::string_view text) {
  if (blank_text(text)) return true;
  if (!e.synthesiser || !e.language_ready) return false;
  const std::vector<std::string> lines = elzar_mbrola_lines(e, text);
  const bool playing = !e.file_mode;
  if (playing && e.sink) e.sink->plain_playback(true);
  e.stopped = false;
  e.image_fill = 0;
  bool ok = true;
  Mbrola& m = *e.synthesiser;
  m.reset_MBR();
  for (size_t i = 0; i < lines.size() && !e.stopped; ++i) {
    const bool last = i + 1 == lines.size();
    if (lines[i].empty() && !last) continue;
    m.write_MBR(lines[i] + "\r\n");
    if (m.lastError_MBR() != 0) {
      m.reset_MBR();
      ok = false;
    }
    if (last) m.flush_MBR();
    if (!drain(e)) ok = false;
  }
  if (e.stopped) {
    // The listener silenced us: what is still queued inside is dropped.
    m.reset_MBR();
    e.image_fill = 0;
  }
  if (playing && e.image_fill > 0) {
    if (e.image_fill < kImageMinimum) {
      std::memset(e.image.data() + kWavHeaderBytes + e.image_fill, 0, kImageMinimum - e.image_fill);
      e.image_fill = kImageMinimum;
    }
    play_image(e);
  }
  if (e.file_mode && std::fflush(e.out) != 0) ok = false;
  if (playing && e.sink) e.sink->plain_playback(false);
  return ok;
}

bool elzar_busy(Elzar& e) { return !e.file_mode && e.sink && e.sink->busy(); }

void elzar_stop(Elzar& e) {
  if (!e.file_mode && e.sink) e.sink->stop();
}

void elzar_close(Elzar& e) {
  finish_output_file(e);
  free_language(e);
  if (e.synthesiser) {
    e.synthesiser->close_MBR();
    e.synthesiser.reset();
  }
}

}  // namespace elzar
