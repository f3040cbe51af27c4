// The media control layer: command strings parsed here, sound decoded by libsndfile and
// FluidSynth, played by whoever implements MciSink.
#include "platform/mci.h"

#include <fluidsynth.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace plat {
namespace {

std::string upper(std::string_view t) {
  std::string u(t);
  for (char& c : u) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') c = static_cast<char>(b - 32);
    else if (b >= 224) c = static_cast<char>(b - 32);
  }
  return u;
}

// Splits on blanks; a double-quoted token may hold blanks. An open quote fails.
bool tokens(std::string_view t, std::vector<std::string>& out) {
  size_t i = 0;
  while (i < t.size()) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c <= 32) { ++i; continue; }
    if (c == '"') {
      size_t end = t.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      out.emplace_back(t.substr(i + 1, end - i - 1));
      i = end + 1;
      // A quote must end its token.
      if (i < t.size() && static_cast<unsigned char>(t[i]) > 32) return false;
      continue;
    }
    size_t start = i;
    while (i < t.size() && static_cast<unsigned char>(t[i]) > 32) {
      if (t[i] == '"') return false;
      ++i;
    }
    out.emplace_back(t.substr(start, i - start));
  }
  return true;
}

constexpr const char* kFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

bool is_midi_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char head[4] = {};
  size_t got = std::fread(head, 1, 4, f);
  std::fclose(f);
  return got == 4 && std::memcmp(head, "MThd", 4) == 0;
}

bool render_midi(const std::string& path, DecodedSound& out, std::string& error) {
  const char* font = nullptr;
  struct stat st {};
  for (const char* f : kFonts)
    if (::stat(f, &st) == 0) { font = f; break; }
  if (!font) { error = "erro: sem banco de sons MIDI"; return false; }
  // The synthesiser reads the whole file into memory; no song is this big.
  constexpr off_t kMaxMidiFile = 16 << 20;
  if (::stat(path.c_str(), &st) != 0 || st.st_size > kMaxMidiFile) {
    error = "erro: arquivo MIDI inv\xE1lido";
    return false;
  }
  // The library's own complaints about a bad file are ours to report, not its.
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
    fluid_set_log_function(level, nullptr, nullptr);
  constexpr int kRate = 44100;
  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) { error = "erro: sintetizador"; return false; }
  fluid_settings_setnum(settings, "synth.sample-rate", kRate);
  // Render as fast as we can, not at the wall clock.
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  // The default gain is made for mixing many voices; alone a song is barely heard.
  fluid_settings_setnum(settings, "synth.gain", 0.6);
  fluid_synth_t* synth = new_fluid_synth(settings);
  fluid_player_t* player = nullptr;
  bool ok = false;
  if (!synth || fluid_synth_sfload(synth, font, 1) == FLUID_FAILED) {
    error = "erro: sintetizador";
  } else if (!fluid_is_midifile(path.c_str()) || !(player = new_fluid_player(synth)) ||
             fluid_player_add(player, path.c_str()) != FLUID_OK || fluid_player_play(player) != FLUID_OK) {
    error = "erro: arquivo MIDI inv\xE1lido";
  } else {
    out.rate = kRate;
    out.channels = 2;
    out.samples.clear();
    constexpr int kFrames = 1024;
    int16_t buf[kFrames * 2];
    while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING &&
           out.samples.size() + kFrames * 2 <= kMaxMediaSamples) {
      if (fluid_synth_write_s16(synth, kFrames, buf, 0, 2, buf, 1, 2) != FLUID_OK) break;
      out.samples.insert(out.samples.end(), buf, buf + kFrames * 2);
    }
    // The player itself runs on a little past the last event, so notes ring out.
    ok = true;
  }
  if (player) {
    fluid_player_stop(player);
    delete_fluid_player(player);
  }
  if (synth) delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return ok;
}

bool decode_sndfile(const std::string& path, DecodedSound& out, std::string& error) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) { error = "erro: formato de som desconhecido"; return false; }
  if (info.channels < 1 || info.channels > 8 || info.samplerate < 1000 || info.samplerate > 192000) {
    sf_close(f);
    error = "erro: formato de som desconhecido";
    return false;
  }
  const int ch = info.channels;
  // More than two channels are mixed down to one: the player takes mono or stereo.
  const int out_ch = ch <= 2 ? ch : 1;
  out.rate = info.samplerate;
  out.channels = out_ch;
  out.samples.clear();
  constexpr sf_count_t kFrames = 4096;
  std::vector<int16_t> buf(static_cast<size_t>(kFrames * ch));
  while (out.samples.size() + static_cast<size_t>(kFrames * out_ch) <= kMaxMediaSamples) {
    sf_count_t got = sf_readf_short(f, buf.data(), kFrames);
    if (got <= 0) break;
    if (out_ch == ch) {
      out.samples.insert(out.samples.end(), buf.begin(), buf.begin() + got * ch);
    } else {
      for (sf_count_t i = 0; i < got; ++i) {
        int sum = 0;
        for (int c = 0; c < ch; ++c) sum += buf[static_cast<size_t>(i * ch + c)];
        out.samples.push_back(static_cast<int16_t>(sum / ch));
      }
    }
  }
  sf_close(f);
  return true;
}

int find_device(const MciState& st, std::string_view alias) {
  const std::string a = upper(alias);
  for (size_t i = 0; i < st.devices.size(); ++i)
    if (st.devices[i].alias == a) return static_cast<int>(i);
  return -1;
}

void stop_device(MciState& st, MciSink& sink, int i) {
  if (st.playing == i) {
    sink.stop();
    st.playing = -1;
  }
}

void close_device(MciState& st, MciSink& sink, int i) {
  stop_device(st, sink, i);
  st.devices.erase(st.devices.begin() + i);
  if (st.playing > i) --st.playing;
}

// Opens a file under an alias, replacing nothing when it fails.
std::string open_device(MciState& st, MciSink& sink, const std::string& file, const std::string& alias) {
  // "all" names every device in stop and close, so no one device may take it.
  if (find_device(st, alias) >= 0 || upper(alias) == "ALL") return "erro: apelido j\xE1 em uso";
  if (st.devices.size() >= kMciDevicesMax) return "erro: dispositivos demais abertos";
  std::optional<std::string> path = sink.host_path(file);
  if (!path) return "erro: arquivo n\xE3o encontrado";
  struct stat fs {};
  if (::stat(path->c_str(), &fs) != 0 || !S_ISREG(fs.st_mode)) return "erro: arquivo n\xE3o encontrado";
  auto sound = std::make_unique<DecodedSound>();
  std::string error;
  if (!decode_media(*path, *sound, error)) return error;
  st.devices.push_back({upper(alias), std::move(sound)});
  return "";
}

void play_device(MciState& st, MciSink& sink, int i) {
  if (st.playing >= 0) sink.stop();
  st.playing = i;
  sink.start(*st.devices[static_cast<size_t>(i)].sound);
}

}  // namespace

bool decode_media(const std::string& host_path, DecodedSound& out, std::string& error) {
  if (is_midi_file(host_path)) return render_midi(host_path, out, error);
  return decode_sndfile(host_path, out, error);
}

std::optional<MciCommand> parse_mci(std::string_view text) {
  std::vector<std::string> t;
  if (!tokens(text, t) || t.size() < 2) return std::nullopt;
  const std::string verb = upper(t[0]);
  MciCommand c;
  c.target = t[1];
  if (c.target.empty()) return std::nullopt;
  if (verb == "OPEN") {
    c.verb = MciVerb::open;
    if (t.size() == 4 && upper(t[2]) == "ALIAS" && !t[3].empty()) c.alias = t[3];
    else if (t.size() != 2) return std::nullopt;
    return c;
  }
  if (t.size() == 3 && verb == "STATUS" && upper(t[2]) == "MODE") {
    c.verb = MciVerb::status_mode;
    return c;
  }
  if (t.size() != 2) return std::nullopt;
  if (verb == "PLAY") c.verb = MciVerb::play;
  else if (verb == "STOP") c.verb = MciVerb::stop;
  else if (verb == "CLOSE") c.verb = MciVerb::close;
  else return std::nullopt;
  return c;
}

std::string mci_send(MciState& st, MciSink& sink, std::string_view command) {
  std::optional<MciCommand> c = parse_mci(command);
  std::string reply;
  if (!c) {
    reply = "erro: comando desconhecido";
  } else {
    const bool all = upper(c->target) == "ALL";
    int i = find_device(st, c->target);
    switch (c->verb) {
      case MciVerb::open:
        reply = open_device(st, sink, c->target, c->alias.empty() ? c->target : c->alias);
        break;
      case MciVerb::play:
        // A file that is not open is opened under its own name, as a device.
        if (i < 0) {
          // Files played without an open would pile up, one decoded sound each.
          std::string error = open_device(st, sink, c->target, c->target);
          if (!error.empty()) {
            reply = error;
            break;
          }
          for (int k = static_cast<int>(st.devices.size()) - 2; k >= 0; --k)
            if (st.devices[static_cast<size_t>(k)].by_play) close_device(st, sink, k);
          st.devices.back().by_play = true;
          i = static_cast<int>(st.devices.size()) - 1;
        }
        play_device(st, sink, i);
        break;
      case MciVerb::status_mode:
        if (i < 0) reply = "erro: dispositivo n\xE3o aberto";
        else if (st.playing == i && sink.playing()) reply = "playing";
        else {
          if (st.playing == i) st.playing = -1;
          reply = "stopped";
        }
        break;
      case MciVerb::stop:
        if (all) { if (st.playing >= 0) stop_device(st, sink, st.playing); }
        else if (i < 0) reply = "erro: dispositivo n\xE3o aberto";
        else stop_device(st, sink, i);
        break;
      case MciVerb::close:
        if (all) mci_close_all(st, sink);
        else if (i < 0) reply = "erro: dispositivo n\xE3o aberto";
        else close_device(st, sink, i);
        break;
    }
  }
  if (reply.size() > kMciReplyMax) reply.resize(kMciReplyMax);
  return reply;
}

void mci_close_all(MciState& st, MciSink& sink) {
  if (st.playing >= 0) sink.stop();
  st.playing = -1;
  st.devices.clear();
}

}  // namespace plat
