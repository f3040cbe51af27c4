// voicebuild: records the program's sounds from the espeak-ng Brazilian Portuguese voice:
// the diphone databases, the letter waves, the word and editor fragments and the dialling
// tones, all 11025 Hz mono unsigned 8-bit.
//
//   voicebuild --root FAMILY_ROOT --units UNIT_LIST
//   voicebuild --elzar --root FAMILY_ROOT --dfn DIPHONE_LIST   (the ELZAR voice, br4)
//
// The names a database holds are those the voicing rules place for the units of the list
// and for every syllable the phonetic alphabet can form. Nothing is remade when the inputs
// hash to the value kept beside the output.
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
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "speech/diphone_rules.h"
#include "tools/voicebuild_elzar.h"

namespace {

namespace fs = std::filesystem;

constexpr int kOutRate = 11025;

// ---- Stage 1: the names to record ----------------------------------------------------

struct NameSink : speech::DiphoneSink {
  std::map<std::string, std::string> names;  // upper-case name -> the piece stretch, lower case
  void place(std::string_view name, std::string_view source, int, double) override {
    if (name.empty() || name[0] != '$') return;  // letter waves are files of their own
    std::string upper(name), lower(source);
    for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    names.emplace(upper, lower);
  }
  void silence(int) override {}
};

// Every syllable the alphabet can form: onset, vowel, mark, semivowel, coda.
std::vector<std::string> alphabet_units() {
  const char* onsets[] = {"",  "b",  "d",  "f",  "g",  "j",  "k",  "l",  "m",  "n",  "p",   "r",  "s",
                          "t", "v",  "x",  "z",  "rr", "nh", "ly", "dj", "tch", "ks", "kw", "gw"};
  const char* seconds[] = {"", "r", "l"};  // a consonant and r or l: the rules split them
  const char vowels[] = {'a', 'e', 'i', 'o', 'u'};
  const char* marks[] = {"", "^", "~"};
  const char* glides[] = {"", "w", "y"};
  const char* codas[] = {"", "s", "z", "r"};
  std::vector<std::string> units;
  for (const char* o : onsets)
    for (const char* sec : seconds) {
      if (*sec && (std::strlen(o) != 1 || std::strchr("bdfgkptv", o[0]) == nullptr)) continue;
      for (char v : vowels)
        for (const char* m : marks)
          for (const char* g : glides)
            for (const char* c : codas) units.push_back(std::string(o) + sec + v + m + g + c);
    }
  for (const char* c : {"b", "d", "f", "g", "j", "k", "l", "m", "n", "p", "r", "s", "t", "v", "x", "z", "rr"})
    units.push_back(c);
  return units;
}

std::map<std::string, std::string> names_to_record(const std::vector<std::string>& listed) {
  NameSink sink;
  auto voice = [&](const std::string& u) {
    int mode = 1;
    speech::voice_unit(u, 1.0, mode, sink);
  };
  for (const std::string& u : alphabet_units()) voice(u);
  for (const std::string& u : listed) voice(u);
  // The pieces the fallbacks of a missing name fall to.
  for (const char* v : {"a", "e", "i", "o", "u", "a^", "e^", "o^", "nn"}) voice(v);
  // An index holds names of at most 8 characters.
  for (auto it = sink.names.begin(); it != sink.names.end();)
    it = it->first.size() > 8 ? sink.names.erase(it) : std::next(it);
  return sink.names;
}

// ---- Stage 2: a piece in espeak-ng's phoneme notation --------------------------------

enum class Cut { syllable, onset_consonant, coda_consonant };

struct Recipe {
  std::string phonemes;  // without the carrier
  Cut cut = Cut::syllable;
  bool stop_start = false;  // keep the closure before the burst
};

struct Token {
  std::string ph;
  bool vowel = false;
};

std::optional<std::vector<Token>> tokens_of(std::string_view src) {
  static const std::pair<const char*, const char*> consonants[] = {
      {"tch", "tS"}, {"dj", "dZ"}, {"nh", "n^"}, {"rr", "x"}, {"ly", "l^"}, {"nn", "n"}, {"b", "b"}, {"c", "k"},
      {"d", "d"},    {"f", "f"},   {"g", "g"},   {"j", "Z"},  {"k", "k"},   {"l", "l"},  {"m", "m"}, {"n", "n"},
      {"p", "p"},    {"q", "k"},   {"r", "r"},   {"s", "s"},  {"t", "t"},   {"v", "v"},  {"x", "S"}, {"z", "z"}};
  std::vector<Token> out;
  size_t i = 0;
  while (i < src.size()) {
    const char c = src[i];
    if (std::strchr("aeiou", c)) {
      const char mark = i + 1 < src.size() ? src[i + 1] : '\0';
      std::string ph;
      switch (c) {
        case 'a': ph = mark == '^' ? "&" : mark == '~' ? "&~" : "a"; break;
        case 'e': ph = mark == '^' ? "e" : mark == '~' ? "e~" : "E"; break;
        case 'o': ph = mark == '^' ? "o" : mark == '~' ? "o~" : "O"; break;
        default: ph = std::string(1, c) + (mark == '~' ? "~" : ""); break;
      }
      i += (mark == '^' || mark == '~') ? 2 : 1;
      out.push_back({ph, true});
      continue;
    }
    if (c == 'w' || c == 'y') {
      // A glide; a mark after it nasalises or closes the diphthong it ends.
      const bool after_vowel = !out.empty() && out.back().vowel;
      const char mark = i + 1 < src.size() ? src[i + 1] : '\0';
      if (mark == '~' && after_vowel) {
        std::string& v = out.back().ph;
        if (v == "a" || v == "&") v = "&";
        else if (v == "E") v = "e";
        else if (v == "O") v = "o";
        if (v.back() != '~') v += "~";
        out.push_back({c == 'w' ? "U" : "j", false});
        i += 2;
      } else {
        if (mark == '^' && after_vowel) {
          std::string& v = out.back().ph;
          if (v == "E") v = "e";
          else if (v == "O") v = "o";
          else if (v == "a") v = "&";
        }
        out.push_back({c == 'w' ? "w" : "j", false});
        i += (mark == '^' || mark == '~') ? 2 : 1;
      }
      continue;
    }
    bool found = false;
    for (const auto& [spelling, ph] : consonants) {
      const size_t n = std::strlen(spelling);
      if (src.substr(i, n) == spelling) {
        out.push_back({ph, false});
        i += n;
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

bool is_stop(const std::string& ph) {
  return ph == "p" || ph == "b" || ph == "t" || ph == "d" || ph == "k" || ph == "g" || ph == "tS" || ph == "dZ";
}

std::optional<Recipe> recipe_for(std::string_view source) {
  const auto toks = tokens_of(source);
  if (!toks) return std::nullopt;
  Recipe r;
  r.stop_start = is_stop(toks->front().ph);
  const bool has_vowel = std::any_of(toks->begin(), toks->end(), [](const Token& t) { return t.vowel; });
  if (!has_vowel && toks->size() == 1) {
    const std::string& ph = toks->front().ph;
    const bool onset = is_stop(ph) || ph == "f" || ph == "v" || ph == "n^" || ph == "l^";
    r.cut = onset ? Cut::onset_consonant : Cut::coda_consonant;
    r.phonemes = ph;
    return r;
  }
  bool stressed = false;
  for (const Token& t : *toks) {
    if (t.vowel && !stressed) {
      r.phonemes += "'";
      stressed = true;
    }
    r.phonemes += t.ph;
  }
  return r;
}

// ---- Stage 3: synthesis --------------------------------------------------------------

struct Take {
  std::vector<int16_t> pcm;
  struct Event {
    std::string name;
    int sample;
  };
  std::vector<Event> phonemes;
};

int on_synth(short* wav, int n, espeak_EVENT* ev) {
  Take* take = ev ? static_cast<Take*>(ev->user_data) : nullptr;
  if (!take) return 0;
  if (wav && n > 0) take->pcm.insert(take->pcm.end(), wav, wav + n);
  for (; ev->type != espeakEVENT_LIST_TERMINATED; ++ev) {
    if (ev->type != espeakEVENT_PHONEME) continue;
    char name[9] = {};
    std::memcpy(name, ev->id.string, 8);
    take->phonemes.push_back({name, ev->sample});
  }
  return 0;
}

struct Voice {
  int rate = 22050;
  bool open() {
    rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                             espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) return false;
    espeak_SetSynthCallback(on_synth);
    return espeak_SetVoiceByName("pt-br") == EE_OK;
  }
  void speed(int wpm, int pitch_range) {
    espeak_SetParameter(espeakRATE, wpm, 0);
    espeak_SetParameter(espeakRANGE, pitch_range, 0);
  }
  bool say(const std::string& text, bool phonemes, Take& take) {
    take = Take{};
    const unsigned flags = espeakCHARS_UTF8 | (phonemes ? espeakPHONEMES : 0);
    if (espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, &take) != EE_OK)
      return false;
    return espeak_Synchronize() == EE_OK && !take.pcm.empty();
  }
};

// ---- Stage 4: cutting, filtering, resampling -----------------------------------------

std::vector<float> slice(const std::vector<int16_t>& pcm, long from, long to) {
  from = std::clamp<long>(from, 0, static_cast<long>(pcm.size()));
  to = std::clamp<long>(to, from, static_cast<long>(pcm.size()));
  return std::vector<float>(pcm.begin() + from, pcm.begin() + to);
}

// Low-pass below the new Nyquist frequency, then linear interpolation to 11025 Hz.
std::vector<float> resample(const std::vector<float>& in, int rate) {
  if (in.empty()) return {};
  const double cutoff = 0.45 * kOutRate / rate;  // cycles per input sample
  constexpr int kHalf = 24;
  std::vector<double> taps(2 * kHalf + 1);
  double sum = 0;
  for (int k = -kHalf; k <= kHalf; ++k) {
    const double x = 2 * cutoff * k;
    const double sinc = k == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
    const double window = 0.54 + 0.46 * std::cos(M_PI * k / kHalf);
    taps[static_cast<size_t>(k + kHalf)] = sinc * window;
    sum += sinc * window;
  }
  std::vector<float> low(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    double acc = 0;
    for (int k = -kHalf; k <= kHalf; ++k) {
      const long j = static_cast<long>(i) + k;
      if (j >= 0 && j < static_cast<long>(in.size())) acc += taps[static_cast<size_t>(k + kHalf)] * in[static_cast<size_t>(j)];
    }
    low[i] = static_cast<float>(acc / sum);
  }
  const double step = static_cast<double>(rate) / kOutRate;
  std::vector<float> out;
  out.reserve(static_cast<size_t>(in.size() / step) + 1);
  for (double t = 0; t + 1 < static_cast<double>(low.size()); t += step) {
    const size_t i = static_cast<size_t>(t);
    const double frac = t - static_cast<double>(i);
    out.push_back(static_cast<float>(low[i] * (1 - frac) + low[i + 1] * frac));
  }
  return out;
}

void fade(std::vector<float>& s, size_t in, size_t out) {
  in = std::min(in, s.size());
  out = std::min(out, s.size());
  for (size_t i = 0; i < in; ++i) s[i] *= static_cast<float>(i) / static_cast<float>(in);
  for (size_t i = 0; i < out; ++i) s[s.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(out);
}

// Leading and trailing stretches below the threshold go.
void trim(std::vector<float>& s, bool keep_front) {
  constexpr float kQuiet = 250.0f;
  size_t end = s.size();
  while (end > 0 && std::fabs(s[end - 1]) < kQuiet) --end;
  size_t begin = 0;
  if (!keep_front)
    while (begin < end && std::fabs(s[begin]) < kQuiet) ++begin;
  s = std::vector<float>(s.begin() + static_cast<long>(begin), s.begin() + static_cast<long>(end));
}

int first_pause_after(const Take& t, size_t from) {
  for (size_t i = from; i < t.phonemes.size(); ++i)
    if (!t.phonemes[i].name.empty() && t.phonemes[i].name[0] == '_') return t.phonemes[i].sample;
  return static_cast<int>(t.pcm.size());
}

// One name: its piece said in a carrier, cut at the phoneme events around it.
std::optional<std::vector<float>> record_name(Voice& voice, const Recipe& r) {
  Take take;
  const int closure = voice.rate * 40 / 1000;  // a stop keeps 40 ms of its closure
  long from = 0, to = 0;
  size_t first = 0;
  if (r.cut == Cut::coda_consonant) {
    if (!voice.say("[['a" + r.phonemes + "]]", true, take) || take.phonemes.size() < 2) return std::nullopt;
    from = take.phonemes[1].sample;
    to = first_pause_after(take, 2);
    // A closing consonant the voice melts into its vowel is taken from before a vowel.
    if (to - from < voice.rate / 100) {
      Recipe onset = r;
      onset.cut = Cut::onset_consonant;
      return record_name(voice, onset);
    }
  } else if (r.cut == Cut::onset_consonant) {
    if (!voice.say("[[&" + r.phonemes + "'a]]", true, take) || take.phonemes.size() < 3) return std::nullopt;
    from = take.phonemes[1].sample - (r.stop_start ? closure : 0);
    to = take.phonemes[2].sample;
  } else {
    // A piece starting with a consonant is said after a vowel, so that it starts as it would
    // inside a word.
    const bool carrier = r.phonemes[0] != '\'';
    if (!voice.say("[[" + std::string(carrier ? "&" : "") + r.phonemes + "]]", true, take)) return std::nullopt;
    first = carrier ? 1 : 0;
    if (take.phonemes.size() <= first) return std::nullopt;
    from = take.phonemes[first].sample - (r.stop_start ? closure : 0);
    to = first_pause_after(take, first + 1);
  }
  std::vector<float> s = slice(take.pcm, from, to);
  if (r.cut == Cut::syllable) trim(s, r.stop_start || first == 1);
  s = resample(s, voice.rate);
  fade(s, r.cut == Cut::coda_consonant ? 40 : 10, 40);
  if (s.size() < 50 || s.size() > 65535) return std::nullopt;
  return s;
}

std::optional<std::vector<float>> record_text(Voice& voice, const std::string& text) {
  Take take;
  if (!voice.say(text, false, take)) return std::nullopt;
  std::vector<float> s(take.pcm.begin(), take.pcm.end());
  trim(s, false);
  s = resample(s, voice.rate);
  fade(s, 20, 60);
  if (s.empty()) return std::nullopt;
  return s;
}

// ---- Stage 5: output files -----------------------------------------------------------

std::vector<uint8_t> to_u8(const std::vector<float>& s, double gain) {
  std::vector<uint8_t> out(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const double v = std::round(s[i] * gain / 256.0) + 128;
    out[i] = static_cast<uint8_t>(std::clamp(v, 1.0, 255.0));
  }
  return out;
}

void put_le(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string wave_file(const std::vector<uint8_t>& samples) {
  std::string w = "RIFF";
  put_le(w, static_cast<uint32_t>(36 + samples.size()), 4);
  w += "WAVEfmt ";
  put_le(w, 16, 4);
  put_le(w, 1, 2);         // PCM
  put_le(w, 1, 2);         // mono
  put_le(w, kOutRate, 4);
  put_le(w, kOutRate, 4);  // bytes per second
  put_le(w, 1, 2);         // block align
  put_le(w, 8, 2);
  w += "data";
  put_le(w, static_cast<uint32_t>(samples.size()), 4);
  w.append(samples.begin(), samples.end());
  return w;
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

// ---- The sounds ----------------------------------------------------------------------

struct Database {
  const char* name;
  int wpm;
};
// Slow, normal and fast recordings; the speed levels choose among them.
constexpr Database kDatabases[] = {{"DIFONES1", 200}, {"DIFONES2", 260}, {"DIFONES3", 340}};
constexpr int kFlatRange = 15;  // little pitch movement, so that joined names match

// The names of the characters the front speaks by their letter waves (UTF-8).
std::vector<std::pair<int, std::string>> letter_names() {
  static const char* ascii[] = {
      "espaço", "exclamação", "aspas", "sustenido", "cifrão", "porcento", "é comercial", "apóstrofo",
      "abre parênteses", "fecha parênteses", "asterisco", "mais", "vírgula", "traço", "ponto", "barra",
      "zéro", "um", "dois", "três", "quatro", "cinco", "seis", "séte", "oito", "nóve",
      "dois pontos", "ponto e vírgula", "menor que", "igual", "maior que", "interrogação", "arrôba",
      "a", "bê", " sê", " dê", "é", "éfe", "jê", "agá", "i", "jóta", "cá", "éle", "ême", "êne", "ó", "pê",
      "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon", "zê",
      "abre colchete", "barra invertida", "fecha colchete", "circunflexo", "sublinhado", "crase",
      "a", "bê", " sê", " dê", "é", "éfe", "jê", "agá", "i", "jota", "cá", "éle", "ême", "ene", "ó", "pê",
      "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon", "zê",
      "abre chave", "barra vertical", "fecha chave", "til"};
  static const char* latin[] = {
      "exclamação reversa", "centavos de dólar", "libras", "símbolo de moeda", "iene", "barra interrompida",
      "parágrafo", "trema", "copyright", "ordinal feminino", "Aspas esquerdas", "negação", "hífen",
      "Marca registrada", "mácron", "grau", "mais ou menos", "elevado ao quadrado", "elevado ao cubo",
      "acento agudo", "mi", "pi", "ponto no meio", "cedilha", "expoente um", "ordinal masculino",
      "aspas direitas", "um quarto", "um meio", "três quartos", "interrogação reversa",
      "A grave", "A agudo", "A circunflexo", "A com til", "A com trema", "A bola", "A É", "Cê cedilha",
      "É grave", "É agudo", "É circunflexo", "É com trema", "I grave", "I agudo", "I circunflexo",
      "I com trema", "Dê cortado", "N com til", "Ó grave", "Ó agudo", "Ó circunflexo", "Ó com til",
      "Ó tremado", "vezes", "Ó cortado", "U grave", "U agudo", "U circunflexo", "U com trema"};
  static_assert(std::size(ascii) == 126 - 32 + 1);
  static_assert(std::size(latin) == 220 - 161 + 1);
  std::vector<std::pair<int, std::string>> out;
  for (int c = 32; c <= 126; ++c) out.push_back({c, ascii[c - 32]});
  for (int c = 161; c <= 220; ++c) out.push_back({c, latin[c - 161]});
  // The small accented letters take the name of their capital; 253..255 have none.
  for (int c = 224; c <= 252; ++c) out.push_back({c, latin[c - 32 - 161]});
  return out;
}

std::vector<std::pair<std::string, std::string>> fragments() {
  std::vector<std::pair<std::string, std::string>> f = {
      {"_zero", "zero"}, {"_um", "um"}, {"_uma", "uma"}, {"_dois", "dois"}, {"_duas", "duas"},
      {"_tres", "três"}, {"_quatro", "quatro"}, {"_cinco", "cinco"}, {"_seis", "seis"}, {"_sete", "sete"},
      {"_oito", "oito"}, {"_nove", "nove"}, {"_dez", "dez"}, {"_onze", "onze"}, {"_doze", "doze"},
      {"_treze", "treze"}, {"_quatorz", "quatorze"}, {"_quinze", "quinze"}, {"_dezesse", "dezesseis"},
      {"_dezeset", "dezessete"}, {"_dezoito", "dezoito"}, {"_dezenov", "dezenove"}, {"_vinte", "vinte"},
      {"_trinta", "trinta"}, {"_quarent", "quarenta"}, {"_cinquen", "cinquenta"}, {"_sessent", "sessenta"},
      {"_setenta", "setenta"}, {"_oitenta", "oitenta"}, {"_noventa", "noventa"}, {"_cem", "cem"},
      {"_cento", "cento"}, {"_duzento", "duzentos"}, {"_trezent", "trezentos"}, {"_quatroc", "quatrocentos"},
      {"_quinhen", "quinhentos"}, {"_seiscen", "seiscentos"}, {"_setecen", "setecentos"},
      {"_oitocen", "oitocentos"}, {"_novecen", "novecentos"}, {"_mil", "mil"}, {"_milhao", "milhão"},
      {"_milhoes", "milhões"}, {"_bilhao", "bilhão"}, {"_bilhoes", "bilhões"}, {"_trilhao", "trilhão"},
      {"_trilhoe", "trilhões"}, {"_e", "e"}, {"_de", "de"}, {"_primeir", "primeiro"}, {"_hora", "hora"},
      {"_horas", "horas"}, {"_minuto", "minuto"}, {"_minutos", "minutos"}, {"_MENOS", "menos"},
      {"_Domingo", "domingo"}, {"_Segunda", "segunda"}, {"_Terca", "terça"}, {"_Quarta", "quarta"},
      {"_Quinta", "quinta"}, {"_Sexta", "sexta"}, {"_Sabado", "sábado"}, {"_Janeiro", "janeiro"},
      {"_Feverei", "fevereiro"}, {"_Marco", "março"}, {"_Abril", "abril"}, {"_Maio", "maio"},
      {"_Junho", "junho"}, {"_Julho", "julho"}, {"_Agosto", "agosto"}, {"_Setembr", "setembro"},
      {"_Outubro", "outubro"}, {"_Novembr", "novembro"}, {"_Dezembr", "dezembro"},
      // The line editor's messages.
      {"_DEL", "apagou"}, {"_APFCPO", "apagado até o fim do campo"},
      {"_APICPO", "apagado até o início do campo"}, {"_CPOAPA", "campo apagado"},
      {"_FALACI", "eco de caracteres ligado"}, {"_FALDLG", "eco de caracteres desligado"},
      {"_VELOC", "velocidade"}};
  // A letter said with a word that starts with it.
  static const char* words[] = {"amor",   "bola",   "casa",  "dado",   "escola", "faca",   "gato",
                                "hotel",  "igreja", "janela", "quilo", "lua",    "maria",  "navio",
                                "ovo",    "pato",   "queijo", "rato",  "sapo",   "tatu",   "uva",
                                "vaca",   "washington", "xícara", "yolanda", "zebra"};
  static const char* letters[] = {"a", "bê", "cê", "dê", "é", "éfe", "gê", "agá", "i", "jota", "cá", "éle", "ême",
                                  "ene", "ó", "pê", "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis",
                                  "ípsilon", "zê"};
  for (int i = 0; i < 26; ++i) {
    const std::string text = std::string(letters[i]) + ", de " + words[i];
    f.push_back({"_FON" + std::to_string('A' + i), text});
    f.push_back({"_FON" + std::to_string('a' + i), text});
  }
  return f;
}

// The standard dialling tone pairs, 160 ms each.
std::vector<std::pair<std::string, std::vector<float>>> dialling_tones() {
  const char* keys = "123A456B789CX0#D";
  const double rows[] = {697, 770, 852, 941}, cols[] = {1209, 1336, 1477, 1633};
  std::vector<std::pair<std::string, std::vector<float>>> out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) {
      const size_t n = kOutRate * 160 / 1000;
      std::vector<float> s(n);
      for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kOutRate;
        s[i] = static_cast<float>(9000 * (std::sin(2 * M_PI * rows[r] * t) + std::sin(2 * M_PI * cols[c] * t)));
      }
      fade(s, 55, 55);
      out.push_back({std::string("dtmf_") + keys[r * 4 + c], s});
    }
  return out;
}

uint64_t fnv(uint64_t h, std::string_view bytes) {
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

std::string read_all(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && !std::strcmp(argv[1], "--elzar")) return elzar_voice_main(argc, argv);
  fs::path root, units_file;
  for (int a = 1; a + 1 < argc; a += 2) {
    if (!std::strcmp(argv[a], "--root")) root = argv[a + 1];
    else if (!std::strcmp(argv[a], "--units")) units_file = argv[a + 1];
  }
  if (root.empty() || units_file.empty()) {
    std::fprintf(stderr, "usage: %s --root FAMILY_ROOT --units UNIT_LIST\n", argv[0]);
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const std::string unit_bytes = read_all(units_file);
  if (unit_bytes.empty()) {
    std::fprintf(stderr, "voicebuild: cannot read %s\n", units_file.c_str());
    return 2;
  }
  const fs::path difones = root / "palmir" / "som" / "difones";
  const fs::path letras = root / "palmir" / "som" / "letras";
  std::error_code ec;
  fs::create_directories(difones, ec);
  fs::create_directories(letras, ec);

  const char* data_path = nullptr;
  const char* version = espeak_Info(&data_path);
  // This program itself is an input: its rules decide the names and how they are cut.
  uint64_t h = fnv(1469598103934665603ull, read_all("/proc/self/exe"));
  h = fnv(h, unit_bytes);
  h = fnv(h, version ? version : "");
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(h));
  const fs::path stamp = difones / ".voicebuild";
  if (read_all(stamp) == hash) {
    write_file(stamp, hash);  // a newer stamp, so the build does not ask again
    std::printf("voicebuild: up to date\n");
    return 0;
  }

  std::vector<std::string> listed;
  size_t at = 0;
  while (at < unit_bytes.size()) {
    size_t end = unit_bytes.find('\n', at);
    if (end == std::string::npos) end = unit_bytes.size();
    std::string line = unit_bytes.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') listed.push_back(line);
  }
  const auto names = names_to_record(listed);

  Voice voice;
  if (!voice.open()) {
    std::fprintf(stderr, "voicebuild: the pt-br voice of espeak-ng cannot be opened\n");
    return 1;
  }

  // Everything is recorded first, so that one gain serves all of it.
  struct Entry {
    std::string name;
    std::vector<float> samples;
  };
  std::vector<std::vector<Entry>> databases;
  std::vector<std::string> unrecorded;
  float peak = 1;
  for (const Database& db : kDatabases) {
    voice.speed(db.wpm, kFlatRange);
    std::vector<Entry> entries;
    for (const auto& [name, source] : names) {
      const auto recipe = recipe_for(source);
      std::optional<std::vector<float>> s;
      if (recipe) s = record_name(voice, *recipe);
      if (!s) {
        if (&db == &kDatabases[0]) unrecorded.push_back(name + " (" + source + ")");
        continue;
      }
      for (float x : *s) peak = std::max(peak, std::fabs(x));
      entries.push_back({name, std::move(*s)});
    }
    databases.push_back(std::move(entries));
  }
  voice.speed(175, 50);
  std::vector<Entry> waves;
  for (const auto& [code, text] : letter_names())
    if (auto s = record_text(voice, text)) waves.push_back({"_" + std::to_string(code), std::move(*s)});
    else unrecorded.push_back("letter " + std::to_string(code));
  for (const auto& [name, text] : fragments())
    if (auto s = record_text(voice, text)) waves.push_back({name, std::move(*s)});
    else unrecorded.push_back(name);
  espeak_Terminate();
  const double gain = std::min(2.0, 0.9 * 32767.0 / peak);

  size_t data_bytes = 0;
  for (size_t d = 0; d < databases.size(); ++d) {
    std::vector<Entry>& entries = databases[d];
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    std::string index, data;
    for (const Entry& e : entries) {
      const std::vector<uint8_t> u8 = to_u8(e.samples, gain);
      index += static_cast<char>(e.name.size());
      index += e.name;
      index.append(8 - e.name.size(), ' ');
      put_le(index, static_cast<uint32_t>(u8.size()), 2);
      put_le(index, static_cast<uint32_t>(data.size()), 4);
      data.append(u8.begin(), u8.end());
    }
    data_bytes += data.size();
    const std::string base = kDatabases[d].name;
    if (!write_file(difones / (base + ".DIF"), data) || !write_file(difones / (base + ".IND"), index)) {
      std::fprintf(stderr, "voicebuild: cannot write %s\n", base.c_str());
      return 1;
    }
  }
  size_t wave_count = 0;
  for (const Entry& w : waves) {
    if (!write_file(letras / (w.name + ".wav"), wave_file(to_u8(w.samples, gain)))) {
      std::fprintf(stderr, "voicebuild: cannot write %s.wav\n", w.name.c_str());
      return 1;
    }
    ++wave_count;
  }
  for (const auto& [name, s] : dialling_tones()) {
    if (!write_file(letras / (name + ".wav"), wave_file(to_u8(s, 1.0)))) return 1;
    ++wave_count;
  }
  for (const std::string& u : unrecorded) std::fprintf(stderr, "voicebuild: not recorded: %s\n", u.c_str());
  write_file(stamp, hash);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  std::printf("voicebuild: %zu names in %zu databases (%zu bytes), %zu wave files, %lld ms\n", names.size(),
              databases.size(), data_bytes, wave_count, static_cast<long long>(ms));
  return 0;
}
