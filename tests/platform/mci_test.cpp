// The mci layer: command strings of every shape, what each does to the open devices, and
// decoding files by what they hold rather than by their names.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/mci.h"

namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path;
  TempDir() {
    char t[] = "/tmp/mci-test-XXXXXX";
    path = mkdtemp(t);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string put(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return (path / name).string();
  }
};

void put16(std::string& s, uint16_t v) { s += char(v & 0xFF), s += char(v >> 8); }
void put32(std::string& s, uint32_t v) { put16(s, uint16_t(v & 0xFFFF)), put16(s, uint16_t(v >> 16)); }

// 16-bit mono WAV of `frames` samples of a square wave.
std::string wav(int rate, uint32_t frames) {
  std::string s = "RIFF";
  put32(s, 36 + frames * 2);
  s += "WAVEfmt ";
  put32(s, 16);
  put16(s, 1), put16(s, 1), put32(s, uint32_t(rate)), put32(s, uint32_t(rate) * 2), put16(s, 2), put16(s, 16);
  s += "data";
  put32(s, frames * 2);
  for (uint32_t i = 0; i < frames; ++i) put16(s, (i / 20) % 2 ? 8000 : uint16_t(-8000));
  return s;
}

// One quarter note (0.5 s at the default tempo) of middle C, then the end of the track.
std::string midi_file() {
  const std::string track("\x00\x90\x3c\x64\x60\x80\x3c\x40\x00\xff\x2f\x00", 12);
  std::string s("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk", 18);
  s += std::string("\x00\x00\x00", 3) + char(track.size());
  return s + track;
}

class FakeSink : public plat::MciSink {
 public:
  explicit FakeSink(fs::path dir) : dir_(std::move(dir)) {}
  std::optional<std::string> host_path(std::string_view name) override {
    if (name.find("nodrive:") == 0) return std::nullopt;
    return (dir_ / std::string(name)).string();
  }
  void start(const plat::DecodedSound& s) override {
    current = &s;
    ++starts;
  }
  bool playing() override { return current && sounding; }
  void stop() override {
    current = nullptr;
    ++stops;
  }
  const plat::DecodedSound* current = nullptr;
  bool sounding = true;
  int starts = 0, stops = 0;

 private:
  fs::path dir_;
};

TEST(MciParse, CommandStringsOfEveryShape) {
  using V = plat::MciVerb;
  struct Case {
    const char* text;
    bool ok;
    V verb;
    const char* target;
    const char* alias;
  };
  const Case cases[] = {
      {"open \"C:\\som\\a b.wav\" alias myfile", true, V::open, "C:\\som\\a b.wav", "myfile"},
      {"OPEN a.wav ALIAS x", true, V::open, "a.wav", "x"},
      {"open a.wav", true, V::open, "a.wav", ""},
      {"  play   myfile  ", true, V::play, "myfile", ""},
      {"play \"a b.mid\"", true, V::play, "a b.mid", ""},
      {"status myfile mode", true, V::status_mode, "myfile", ""},
      {"Status X MODE", true, V::status_mode, "X", ""},
      {"stop myfile", true, V::stop, "myfile", ""},
      {"close all", true, V::close, "all", ""},
      // Everything else is refused whole.
      {"", false, V::open, "", ""},
      {"   ", false, V::open, "", ""},
      {"play", false, V::open, "", ""},
      {"play a b", false, V::open, "", ""},
      {"open a.wav alias", false, V::open, "", ""},
      {"open a.wav alias x y", false, V::open, "", ""},
      {"open a.wav type waveaudio", false, V::open, "", ""},
      {"open \"a.wav alias x", false, V::open, "", ""},
      {"open \"a\"b alias x", false, V::open, "", ""},
      {"open a\"b alias x", false, V::open, "", ""},
      {"open \"\" alias x", false, V::open, "", ""},
      {"status x", false, V::open, "", ""},
      {"status x length", false, V::open, "", ""},
      {"record x", false, V::open, "", ""},
      {"\"play\" x y z", false, V::open, "", ""},
      {"stop x wait", false, V::open, "", ""},
  };
  for (const Case& c : cases) {
    auto got = plat::parse_mci(c.text);
    ASSERT_EQ(got.has_value(), c.ok) << c.text;
    if (!got) continue;
    EXPECT_EQ(got->verb, c.verb) << c.text;
    EXPECT_EQ(got->target, c.target) << c.text;
    EXPECT_EQ(got->alias, c.alias) << c.text;
  }
  // Bytes of every value do not trouble it.
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += char((i * 131 + 7) % 256);
  EXPECT_FALSE(plat::parse_mci(noise).has_value());
}

TEST(MciSend, OpenPlayStatusStopClose) {
  TempDir d;
  d.put("a.wav", wav(8000, 800));
  FakeSink sink(d.path);
  plat::MciState st;
  EXPECT_EQ(plat::mci_send(st, sink, "open \"a.wav\" alias myfile"), "");
  ASSERT_EQ(st.devices.size(), 1u);
  EXPECT_EQ(st.devices[0].sound->rate, 8000);
  EXPECT_EQ(st.devices[0].sound->samples.size(), 800u);
  EXPECT_EQ(plat::mci_send(st, sink, "status myfile mode"), "stopped");
  EXPECT_EQ(plat::mci_send(st, sink, "play MYFILE"), "");  // aliases ignore case
  EXPECT_EQ(sink.current, st.devices[0].sound.get());
  EXPECT_EQ(plat::mci_send(st, sink, "status myfile mode"), "playing");
  sink.sounding = false;  // the player ran out of sound
  EXPECT_EQ(plat::mci_send(st, sink, "status myfile mode"), "stopped");
  sink.sounding = true;
  EXPECT_EQ(plat::mci_send(st, sink, "play myfile"), "");
  EXPECT_EQ(plat::mci_send(st, sink, "stop myfile"), "");
  EXPECT_EQ(sink.current, nullptr);
  EXPECT_EQ(plat::mci_send(st, sink, "status myfile mode"), "stopped");
  EXPECT_EQ(plat::mci_send(st, sink, "close myfile"), "");
  EXPECT_TRUE(st.devices.empty());
  EXPECT_EQ(plat::mci_send(st, sink, "status myfile mode").rfind("erro", 0), 0u);
}

TEST(MciSend, PlayOfAFileOpensItUnderItsNameAndClosingThePlayingOneStopsIt) {
  TempDir d;
  d.put("a.wav", wav(8000, 100));
  d.put("b.wav", wav(11025, 100));
  FakeSink sink(d.path);
  plat::MciState st;
  EXPECT_EQ(plat::mci_send(st, sink, "play a.wav"), "");
  EXPECT_EQ(plat::mci_send(st, sink, "status a.wav mode"), "playing");
  // A second sound takes the player over.
  EXPECT_EQ(plat::mci_send(st, sink, "play b.wav"), "");
  EXPECT_EQ(sink.current->rate, 11025);
  // Files played without an open do not pile up.
  EXPECT_EQ(st.devices.size(), 1u);
  EXPECT_EQ(plat::mci_send(st, sink, "status a.wav mode").rfind("erro", 0), 0u);
  EXPECT_EQ(plat::mci_send(st, sink, "close b.wav"), "");
  EXPECT_EQ(sink.current, nullptr);
  EXPECT_EQ(plat::mci_send(st, sink, "close all"), "");
  EXPECT_TRUE(st.devices.empty());
}

TEST(MciSend, FailedCommandsAnswerAnErrorAndChangeNothing) {
  TempDir d;
  d.put("a.wav", wav(8000, 100));
  d.put("text.wav", "this is not a sound, whatever its name says\n");
  d.put("empty.ogg", "");
  std::string cut = wav(8000, 100);
  d.put("header.wav", cut.substr(0, 30));
  fs::create_directory(d.path / "dir.wav");
  FakeSink sink(d.path);
  plat::MciState st;
  ASSERT_EQ(plat::mci_send(st, sink, "open a.wav alias x"), "");
  ASSERT_EQ(plat::mci_send(st, sink, "play x"), "");
  const plat::DecodedSound* playing = sink.current;
  for (const char* bad : {"open a.wav alias x",  // alias in use
                          "open a.wav alias ALL", "open all",
                          "open missing.wav alias y", "open text.wav alias y", "open empty.ogg alias y",
                          "open header.wav alias y", "open dir.wav alias y", "open nodrive:a alias y",
                          "play text.wav", "stop y", "close y", "status y mode", "frobnicate x",
                          "open \"a.wav alias y", "close x now", ""}) {
    const std::string reply = plat::mci_send(st, sink, bad);
    EXPECT_EQ(reply.rfind("erro", 0), 0u) << bad << ": " << reply;
    EXPECT_LE(reply.size(), plat::kMciReplyMax);
    EXPECT_EQ(st.devices.size(), 1u) << bad;
    EXPECT_EQ(sink.current, playing) << bad;
  }
  EXPECT_EQ(sink.stops, 0);
}

TEST(MciDecode, MidiIsRenderedWhateverItsNameAndBrokenMidiFails) {
  TempDir d;
  const std::string song = midi_file();
  plat::DecodedSound out;
  std::string error;
  for (const char* name : {"song.mid", "song.wav"}) {
    ASSERT_TRUE(plat::decode_media(d.put(name, song), out, error)) << name << ": " << error;
    EXPECT_EQ(out.channels, 2);
    // Half a second of note and some ringing out, not silence.
    const double seconds = double(out.samples.size()) / 2 / out.rate;
    EXPECT_GT(seconds, 0.45) << name;
    EXPECT_LT(seconds, 10.0) << name;
    int peak = 0;
    for (int16_t v : out.samples) peak = std::max(peak, std::abs(int(v)));
    EXPECT_GT(peak, 300) << name;
  }
  // A header with nothing sensible after it, a track length past the end, random bytes.
  std::string lying = song;
  lying[21] = '\x7f';
  std::string junk("MThd", 4);
  for (int i = 0; i < 300; ++i) junk += char((i * 37 + 11) % 256);
  for (const std::string& bad : {std::string("MThd", 4), song.substr(0, 16), lying, junk}) {
    plat::DecodedSound o;
    std::string e;
    // Either refused or decoded within bounds; never a crash.
    if (plat::decode_media(d.put("bad.mid", bad), o, e)) EXPECT_LE(o.samples.size(), plat::kMaxMediaSamples);
    else EXPECT_EQ(e.rfind("erro", 0), 0u);
  }
  EXPECT_FALSE(plat::decode_media(d.put("short.mid", "MTh"), out, error));
}

}  // namespace
