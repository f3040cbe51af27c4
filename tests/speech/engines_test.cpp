// The engine adapters: how VOZ, VELOCIDADE and TOM reach each engine, the desktop service's
// event bookkeeping over a fake connection, espeak-ng's stop, and the failed opens.
#include "speech/engines.h"

#include <espeak-ng/speak_lib.h>

#include <cmath>

#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;

TEST(EngineMapping, DesktopServiceRateAndPitch) {
  struct Case {
    int in, rate, pitch;
  } cases[] = {
      {0, 0, 0},      {5, 50, 50},     {-10, -100, -100}, {10, 100, 100}, {-40, -100, -100},
      {180, 0, 50},   {380, 100, 100}, {80, -50, -33},    {120, -30, 0},  {240, 30, 100},
      {100000, 100, 100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(speech::speechd_rate(c.in), c.rate) << c.in;
    EXPECT_EQ(speech::speechd_pitch(c.in), c.pitch) << c.in;
  }
}

TEST(EngineMapping, EspeakVoiceOrderRateAndFallback) {
  const std::vector<speech::EspeakVoiceName> voices = {
      {"Afrikaans", "af"}, {"English", "en"}, {"Portuguese", "pt"}, {"Portuguese_(Brazil)", "pt-BR"}, {"Z", "zh"}};
  EXPECT_EQ(speech::espeak_voice_order(voices), (std::vector<size_t>{3, 0, 1, 2, 4}));
  const std::vector<speech::EspeakVoiceName> no_brazil(voices.begin(), voices.begin() + 3);
  EXPECT_EQ(speech::espeak_voice_order(no_brazil), (std::vector<size_t>{0, 1, 2}));
  EXPECT_TRUE(speech::espeak_voice_order({}).empty());

  struct Rate {
    int in, wpm;
  } rates[] = {{0, 175}, {5, 303}, {-5, 101}, {10, 450}, {-10, 80}, {99, 450}};
  for (const Rate& r : rates) EXPECT_EQ(speech::espeak_rate(r.in), r.wpm) << r.in;
  EXPECT_EQ(speech::espeak_pitch(0), 50);
  EXPECT_EQ(speech::espeak_pitch(4), 70);
  EXPECT_EQ(speech::espeak_pitch(-30), 0);

  struct Choice {
    int voz, rate;
    size_t count, voice;
    int rate_out;
  } choices[] = {{9, 5, 2, 0, 0}, {2, 5, 2, 1, 5}, {0, 5, 2, 0, 0}, {-1, 3, 2, 0, 0}, {1, -4, 1, 0, -4}};
  for (const Choice& c : choices) {
    const speech::EspeakChoice got = speech::espeak_choice(c.voz, c.rate, c.count);
    EXPECT_EQ(got.voice, c.voice) << c.voz;
    EXPECT_EQ(got.rate, c.rate_out) << c.voz;
  }
}

TEST(EngineMapping, ElzarFactors) {
  struct Case {
    int rate, pitch;
    double duration, pitch_factor;
  } cases[] = {{0, 0, 0.8, 1.0}, {3, 11, 0.6, 2.0}, {-3, -11, 1.0, 0.0}, {6, 0, 0.4, 1.0}};
  for (const Case& c : cases) {
    const speech::ElzarFactors f = speech::elzar_factors(c.rate, c.pitch);
    EXPECT_NEAR(f.duration, c.duration, 1e-12) << c.rate;
    EXPECT_NEAR(f.pitch, c.pitch_factor, 1e-12) << c.pitch;
  }
}

TEST(EngineMapping, ElzarFilesFromProfileRegistryOrDefault) {
  FrontRig rig;
  elzar::Registry reg;
  reg.drives = &rig.drives;
  auto files = [&] { return speech::elzar_files(rig.config, reg); };
  speech::ElzarFiles f = files();
  EXPECT_EQ(f.database, "br4");
  EXPECT_EQ(f.base, "portug");
  EXPECT_EQ(f.directory, "c:\\palmir\\elzartts\\");
  rig.dir.file("windows/REGISTRO.INI", "[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\r\n@=d:\\mbrola\\br4\r\n");
  EXPECT_EQ(files().directory, "d:\\mbrola\\") << "the voice's folder, its name cut off";
  rig.dir.file("windows/ZUNAPE.INI", "[ELZARTTS]\r\nMBROLA_DB=br3\r\nDIR=c:\\tts\r\nBASE=outro\r\n");
  f = files();
  EXPECT_EQ(f.database, "br3");
  EXPECT_EQ(f.base, "outro");
  EXPECT_EQ(f.directory, "c:\\tts\\");
}

// --- the desktop service over a fake connection ------------------------------------------

struct FakeLink final : speech::SpeechdLink {
  struct State {
    std::vector<std::string> voices{"a", "b", "c"};
    std::vector<std::string> calls;
    bool alive = true;
    bool say_ok = true;
    speech::SpeechdEvents events;
  };
  State& st;
  explicit FakeLink(State& s) : st(s) {}
  std::vector<std::string> voices() override { return st.voices; }
  bool set_voice(const std::string& n) override {
    st.calls.push_back("voice " + n);
    return true;
  }
  bool set_language(const std::string& l) override {
    st.calls.push_back("language " + l);
    return true;
  }
  bool set_rate(int r) override {
    st.calls.push_back("rate " + std::to_string(r));
    return true;
  }
  bool set_pitch(int p) override {
    st.calls.push_back("pitch " + std::to_string(p));
    return true;
  }
  bool say(const std::string& t) override {
    st.calls.push_back("say " + t);
    return st.say_ok;
  }
  void cancel() override { st.calls.push_back("cancel"); }
  bool alive() override { return st.alive; }
};

class SpeechdTest : public ::testing::Test, protected FrontRig {
 protected:
  FakeLink::State link;
  std::unique_ptr<speech::EngineAdapter> open(int voice, int rate = 0, int pitch = 0, bool give = true) {
    link.calls.clear();
    return speech::open_speechd_adapter(s, {voice, rate, pitch, 4},
                                        [this, give](const speech::SpeechdEvents& ev) -> std::unique_ptr<speech::SpeechdLink> {
                                          if (!give) return nullptr;
                                          link.events = ev;
                                          return std::make_unique<FakeLink>(link);
                                        });
  }
};

TEST_F(SpeechdTest, VoiceRateAndPitchReachTheService) {
  struct Case {
    int voice, rate, pitch;
    std::vector<std::string> calls;  // empty: the open fails
  } cases[] = {
      {0, 0, 0, {"language pt-BR"}},  // the service's own Portuguese voice
      {2, 5, 150, {"voice b", "rate 50", "pitch 25"}},
      {3, 0, 0, {"voice c"}},
      {4, 0, 0, {}},  // no fourth voice
  };
  for (const Case& c : cases) {
    auto e = open(c.voice, c.rate, c.pitch);
    EXPECT_EQ(e != nullptr, !c.calls.empty()) << c.voice;
    if (e) {
      EXPECT_EQ(link.calls, c.calls) << c.voice;
    }
  }
  EXPECT_EQ(open(1, 0, 0, false), nullptr) << "no service";
  link.alive = false;
  EXPECT_EQ(open(1), nullptr) << "a service that went away";
}

TEST_F(SpeechdTest, EventsKeepTheCounterAndTheAudioFlag) {
  auto e = open(1);
  ASSERT_NE(e, nullptr);
  link.calls.clear();
  e->speak("  bom dia ");
  e->speak("7");
  e->speak("   ");
  e->speak("");
  EXPECT_EQ(link.calls, (std::vector<std::string>{"say bom dia", "say 7."}));
  EXPECT_TRUE(e->speaking(1));
  link.events(speech::SpeechdEvent::begin);
  link.events(speech::SpeechdEvent::end);
  EXPECT_TRUE(e->speaking(1)) << "one text still queued";
  link.events(speech::SpeechdEvent::begin);
  EXPECT_TRUE(e->speaking(0));
  link.events(speech::SpeechdEvent::cancel);
  EXPECT_FALSE(e->speaking(1));
  EXPECT_FALSE(e->speaking(0));
  link.events(speech::SpeechdEvent::end);  // never below zero
  e->speak("de novo");
  EXPECT_TRUE(e->speaking(1));
  link.calls.clear();
  e->stop();
  EXPECT_EQ(link.calls, std::vector<std::string>{"cancel"});
  EXPECT_FALSE(e->speaking(0));

  // A text too long for one piece goes in several, cut at blanks.
  link.calls.clear();
  const std::string word = "palavra ";
  std::string longer;
  while (longer.size() < 100000) longer += word;
  e->speak(longer);
  ASSERT_EQ(link.calls.size(), 2u);
  EXPECT_LE(link.calls[0].size() - 4, 64000u);
  EXPECT_EQ(link.calls[0].substr(link.calls[0].size() - 7), "palavra") << "cut at a blank";
  EXPECT_EQ(link.calls[0].size() + link.calls[1].size() - 8 + 1, longer.size() - 1) << "nothing lost";
  e->stop();

  // A key waiting: the text is not handed over.
  link.calls.clear();
  con.push_key('k');
  e->speak("nada");
  EXPECT_TRUE(link.calls.empty());
  con.read_key();
  // A refused text stops the engine.
  link.say_ok = false;
  e->speak("falha");
  EXPECT_EQ(link.calls, (std::vector<std::string>{"say falha", "cancel"}));
  EXPECT_FALSE(e->speaking(0));
}

TEST_F(SpeechdTest, AServiceThatDiesMidSentenceIsSilence) {
  auto e = open(1);
  ASSERT_NE(e, nullptr);
  e->speak("uma frase longa");
  link.events(speech::SpeechdEvent::begin);
  EXPECT_TRUE(e->speaking(0));
  EXPECT_TRUE(e->usable());
  link.alive = false;  // no end will come
  EXPECT_FALSE(e->usable()) << "the front falls back to the built-in voice";
  EXPECT_FALSE(e->speaking(0));
  EXPECT_FALSE(e->speaking(1));
  link.calls.clear();
  e->speak("outra");
  e->stop();
  EXPECT_TRUE(link.calls.empty());
}

// --- espeak-ng, for real, into the recorder ---------------------------------------------

size_t recorded_bytes(const Record& r) {
  size_t n = 0;
  for (const auto& w : r.writes) n += w.bytes.size();
  return n;
}

TEST(EspeakEngine, SpeaksThroughTheWavePlayerAndAKeyStopsItAtOnce) {
  FrontRig rig;
  auto e = speech::open_espeak_engine(rig.s, {1, 0, 0, 5});
  ASSERT_NE(e, nullptr) << "espeak-ng and its Portuguese voice are installed";
  const espeak_VOICE* voice = espeak_GetCurrentVoice();
  ASSERT_NE(voice, nullptr);
  EXPECT_STREQ(voice->languages + 1, "pt-br") << "voice 1 speaks Brazilian Portuguese";
  e->speak("");  // one blank: no crash, next to no sound
  const size_t blank = recorded_bytes(rig.rec);
  const std::string text = "Era uma vez um gato que morava numa casa muito grande, perto do rio, "
                           "e todos os dias ele ia passear pelo jardim.";
  e->speak(text);
  ASSERT_FALSE(rig.rec.opens.empty());
  EXPECT_EQ(rig.rec.opens.back().bits, 16);
  EXPECT_EQ(rig.rec.opens.back().channels, 1);
  const size_t full = recorded_bytes(rig.rec) - blank;
  const double seconds = full / 2.0 / rig.rec.opens.back().rate;
  EXPECT_GT(seconds, 3.0) << "24 words";
  EXPECT_LT(seconds, 15.0);
  EXPECT_FALSE(e->speaking(1));

  // A key typed early in the synthesis: the callback ends it, little more is played.
  const size_t before = recorded_bytes(rig.rec);
  rig.backend->cues.push_back({rig.backend->pumps + 2, "k"});
  e->speak(text);
  const size_t cut = recorded_bytes(rig.rec) - before;
  EXPECT_LT(cut, full / 4) << "the synthesis went on after the key";
  EXPECT_TRUE(rig.con.key_pressed()) << "the key stays for the script";
}

TEST(EspeakEngine, VozCountsFromTheBrazilianVoice) {
  struct Case {
    int voz;
    bool brazilian;
  } cases[] = {{0, true}, {1, true}, {2, false}, {100000, true}, {-3, true}};
  for (const Case& c : cases) {
    FrontRig rig;
    auto e = speech::open_espeak_engine(rig.s, {c.voz, 0, 0, 54});
    ASSERT_NE(e, nullptr) << c.voz;
    const espeak_VOICE* v = espeak_GetCurrentVoice();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::string(v->languages + 1) == "pt-br", c.brazilian) << c.voz << ": " << v->name;
  }
}

TEST(EngineOpen, FailedOpensFallBack) {
  FrontRig rig;
  // ELZAR with no data in the family root, and the front keeps the built-in path.
  EXPECT_EQ(speech::open_engine_adapter(rig.s, {0, 0, 0, 3}), nullptr);
  EXPECT_EQ(speech::open_elzar_engine(rig.s, {0, 0, 0, 3}), nullptr);
  rig.config.drives = nullptr;
  EXPECT_EQ(speech::open_elzar_engine(rig.s, {0, 0, 0, 3}), nullptr);
}

}  // namespace

namespace {

// An engine that has gone away is closed at the next text, which the built-in path says.
struct GoneEngine final : speech::EngineAdapter {
  int* speaks;
  explicit GoneEngine(int* n) : speaks(n) {}
  void speak(std::string_view) override { ++*speaks; }
  bool speaking(int) override { return false; }
  void stop() override {}
  bool usable() override { return false; }
};

TEST(EngineOpen, AnEngineThatDiedGivesWayToTheBuiltInVoice) {
  sound_test::FrontRig rig;
  int speaks = 0;
  rig.s.engine = std::make_unique<GoneEngine>(&speaks);
  rig.s.engine_active = true;
  speech::speak_text(rig.s, "ola");
  EXPECT_EQ(speaks, 0);
  EXPECT_FALSE(rig.s.engine_active);
  EXPECT_EQ(rig.s.engine, nullptr);
  EXPECT_EQ(sound_test::read_file(rig.log_path).find("engine"), std::string::npos);
}

}  // namespace
