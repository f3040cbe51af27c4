// The speech front's start and its built-in path: how a text is split into numbers,
// phrases, letters and punctuation, read back from the speech log.
#include <cstdlib>
#include <sstream>

#include "speech/recorded.h"
#include "speech/znsapi.h"
#include "tests/speech/sound_fixture.h"
#include "speech/diphone.h"

namespace {

using namespace sound_test;

std::string data_file(const std::string& name) {
  const char* tests = std::getenv("ROTEIRAL_TEST_DATA");
  return read_file(std::string(tests ? tests : "tests") + "/../data/" + name);
}

std::string le_bytes(uint32_t v, int n) { return le(v, n); }

// A family root with a working voice: the project's rule files, a one-diphone database,
// and a profile whose settings the test chooses.
class FrontSpeakTest : public ::testing::Test, protected FrontRig {
 protected:
  FrontSpeakTest() {
    con.set_quit_handler([this](int code) { quits.push_back(code); });
    dir.file("letras/.keep", "");
    dir.file("difones/regras.rgr", data_file("regras.rgr"));
    dir.file("difones/portug.exc", data_file("portug.exc"));
    std::string name = "$A";
    name.resize(8, ' ');
    dir.file("difones/TESTE.IND", std::string(1, '\x02') + name + le_bytes(600, 2) + le_bytes(0, 4));
    dir.file("difones/TESTE.DIF", std::string(600, '\x90'));
  }

  void profile(const std::string& extra) {
    dir.file("windows/ZUNAPE.INI",
             "[TRADUTOR]\r\nDIRLETRAS=c:\\letras\r\nDIRDIFONES=c:\\difones\r\n" + extra +
                 "\r\n[SINTETIZADOR]\r\nDIFONES1=TESTE\r\nDIFONES2=TESTE\r\nDIFONES3=TESTE\r\n"
                 "DIFONES4=TESTE\r\nDIFONES5=TESTE\r\nPAUSAPONTO3=0\r\nPAUSAVIRG3=0\r\nPAUSADOISPONTOS3=0\r\n");
  }

  // The front with its voice, the log emptied.
  void start(const std::string& extra = "") {
    profile(extra);
    ASSERT_EQ(speech::speech_init(s, 0, "c:\\sons"), 0) << con.screen_text();
    speech::open_speech_log(s, log_path);
  }

  // The log without the voice's own lines (names missing from the little database).
  std::string log() const {
    std::istringstream in(read_file(log_path));
    std::string out;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("missing", 0) != 0) out += line + "\n";
    }
    return out;
  }

  std::string phonetic(std::string_view phrase) const {
    return "phonetic " + speech::diphone_translate(s, phrase) + "\n";
  }

  static std::string chars(std::string_view text) {
    std::string out;
    for (unsigned char c : text) out += "char " + std::to_string(c) + "\n";
    return out;
  }

  static std::string fragments(const std::string& words) {
    std::istringstream in(words);
    std::string out;
    for (std::string w; in >> w;) out += "fragment " + w + "\n";
    return out;
  }

  std::string said(std::string_view text) {
    speech::open_speech_log(s, log_path);
    speech::speak_text(s, text);
    return log();
  }

  std::vector<int> quits;
};

TEST_F(FrontSpeakTest, DigitsBecomeZerosNumbersOrSpelling) {
  start();
  EXPECT_EQ(said("007"), "text 007\n" + fragments("_zero _zero _sete"));
  EXPECT_EQ(said("123456"), "text 123456\n" + fragments("_cento _e _vinte _e _tres _mil _e _quatroc _e _cinquen _e _seis"));
  EXPECT_EQ(said("1234567"), "text 1234567\n" + chars("1234567"));
  EXPECT_EQ(said("12-34"), "text 12-34\n" + chars("12-34"));
  EXPECT_EQ(said("100"), "text 100\n" + fragments("_cem"));
  EXPECT_EQ(said("-5"), "text -5\n" + fragments("_MENOS _cinco"));
  // Zeros after a number start a new run.
  EXPECT_EQ(said("10 0"), "text 10 0\n" + fragments("_dez _zero"));
}

TEST_F(FrontSpeakTest, PhrasesGoToTheTranslatorWithTheirBlanks) {
  start();
  EXPECT_EQ(said("bom dia"), "text bom dia\n" + phonetic("bom dia "));
  EXPECT_EQ(said("cor 5 azul"), "text cor 5 azul\n" + phonetic("cor ") + fragments("_cinco") + phonetic(" azul "));
  // The hyphen of a word is dropped; a dash between blanks is spoken.
  EXPECT_EQ(said("guarda-chuva"), "text guarda-chuva\n" + phonetic("guarda") + phonetic("chuva "));
  EXPECT_EQ(said("sim - n\xE3o"), "text sim - n\xC3\xA3o\n" + phonetic("sim ") + chars("-") + phonetic(" n\xE3o "));
  const std::string long_word(1000, 'a');
  EXPECT_EQ(said(long_word), "text " + long_word + "\n" + phonetic(long_word.substr(0, 999)));
}

TEST_F(FrontSpeakTest, WwwIsSpelledOnlyWhenNothingButItFormsThePhrase) {
  start();
  EXPECT_EQ(said("WwW.abc"), "text WwW.abc\n" + chars("WwW.") + phonetic("abc "));
  EXPECT_EQ(said("www abc"), "text www abc\n" + phonetic("www abc "));
}

TEST_F(FrontSpeakTest, ColonSlashSlashAndBrackets) {
  start();
  EXPECT_EQ(said("ftp://x"), "text ftp://x\n" + phonetic("ftp") + chars("://") + phonetic("x "));
  EXPECT_EQ(said("(x);"), "text (x);\n" + chars("(") + phonetic("x") + chars(");"));
}

TEST_F(FrontSpeakTest, RepeatedSymbolsClickFromTheFifth) {
  start();
  EXPECT_EQ(said("*****"), "text *****\n" + chars("****") + "click\n");
  EXPECT_EQ(said("-----"), "text -----\n" + chars("----") + "click\n" + chars("-"));
  // Tabs are silent but still counted.
  EXPECT_EQ(said("\t\t\t\t\t\t"), "text \t\t\t\t\t\t\nclick\nclick\n");
}

TEST_F(FrontSpeakTest, HostileTextsAreSpokenWithoutFaults) {
  start();
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  every += '\0';
  speech::speak_text(s, every);
  const std::string dots(10000, '.');
  const std::string got = said(dots);
  size_t clicks = 0, pos = 0;
  while ((pos = got.find("click\n", pos)) != std::string::npos) ++clicks, pos += 6;
  EXPECT_EQ(clicks, 9996u);
  EXPECT_EQ(got.substr(0, 5 + dots.size() + 1 + 4 * 8), "text " + dots + "\n" + chars("...."));
}

TEST_F(FrontSpeakTest, AKeyStopsTheTextAndStaysReadable) {
  start();
  rec.hold = true;  // every image plays until the device is flushed
  dir.file("letras/_42.wav", wav(1, 11025, 8, std::string(20000, 'x')));
  backend->on_pump = [this] {
    if (rec.writes.size() == 1 && rec.live) rec.live->release_all();  // the first star plays out
    if (rec.writes.size() == 2 && con.key_count() == 0 && rec.flushes == 0) con.push_key('k');
  };
  speech::speak_text(s, "*+*+*+*+*+*+");
  EXPECT_EQ(con.read_key(), 'k');
  const std::string got = log();
  EXPECT_EQ(got.substr(0, got.find("stop")), "text *+*+*+*+*+*+\nchar 42\nchar 43\nchar 42\n");
  EXPECT_EQ(rec.writes.size(), 2u);
  EXPECT_FALSE(speech::is_speaking(s));
}

TEST_F(FrontSpeakTest, PausesFollowTheirMarks) {
  profile("");
  dir.file("windows/ZUNAPE.INI", read_file(dir.path + "/windows/ZUNAPE.INI") + "PAUSAPONTO2=400\r\n");
  ASSERT_EQ(speech::speech_init(s, 2, ""), 0);
  auto took = [this](std::string_view text) {
    const auto start = std::chrono::steady_clock::now();
    speech::speak_text(s, text);
    return std::chrono::steady_clock::now() - start;
  };
  EXPECT_GE(took("a. b"), std::chrono::milliseconds(400));
  EXPECT_GE(took("a, b"), std::chrono::milliseconds(150));  // the default
}

TEST_F(FrontSpeakTest, TheLevelComesFromVelocidadeWhenNotGiven) {
  const std::pair<const char*, int> cases[] = {{"9", 3}, {"0", 3}, {"-2", 3}, {"abc", 3}, {"", 3},
                                               {"1", 1}, {"5", 5}, {" 4 ", 4}};
  for (const auto& [value, level] : cases) {
    profile(std::string("VELOCIDADE=") + value);
    ASSERT_EQ(speech::speech_init(s, 0, ""), 0);
    EXPECT_EQ(s.speed_level, level) << value;
  }
  profile("VELOCIDADE=1");
  ASSERT_EQ(speech::speech_init(s, 4, ""), 0);
  EXPECT_EQ(s.speed_level, 4);
}

TEST_F(FrontSpeakTest, SettingsOfTheLevelAndTheDirectories) {
  dir.file("windows/ZUNAPE.INI",
           "[TRADUTOR]\r\nDIRLETRAS=c:\\letras\r\nDIRDIFONES=c:\\difones\\\r\n"
           "[SINTETIZADOR]\r\nDIFONES2=TESTE\r\nCORTEFON2=120\r\nSOBRAFON2=x\r\nINTERPAL2=30\r\n"
           "CORTAFALA2=Sim\r\nRAPIDINHO2=nao\r\nPAUSAVIRG2=90\r\nDIFONES3=OUTRO\r\nCORTAFALA3=S\r\n");
  ASSERT_EQ(speech::speech_init(s, 2, "c:\\sons"), 0);
  EXPECT_EQ(s.settings.database, "TESTE");
  EXPECT_EQ(s.settings.cut, 120);
  EXPECT_EQ(s.settings.minimum, 0);
  EXPECT_EQ(s.settings.word_gap, 30);
  EXPECT_EQ(s.settings.pause_comma, 90);
  EXPECT_EQ(s.settings.pause_full_stop, 250);
  EXPECT_EQ(s.settings.pause_colon, 200);
  EXPECT_TRUE(s.wave.speech_cutting);
  EXPECT_FALSE(s.wave.raised_rate);
  EXPECT_EQ(s.letters_dir, "c:\\letras\\");
  EXPECT_EQ(s.script_dir, "c:\\sons\\");
  ASSERT_EQ(speech::speech_init(s, 2, ""), 0);
  EXPECT_EQ(s.script_dir, "");
}

TEST_F(FrontSpeakTest, AVoiceThatCannotOpenIsFatal) {
  const struct {
    const char* database;
    bool rules;
    const char* screen;
  } cases[] = {
      {"NADA", true, "Erro de inicializa\xC3\xA7\xC3\xA3o: 1\nBanco de dados de voz: NADA\nx\n"},
      {"", true, "Erro de inicializa\xC3\xA7\xC3\xA3o: 1\nBanco de dados de voz:\nx\n"},
      {"TESTEXYZ123", true, "Erro de inicializa\xC3\xA7\xC3\xA3o: 1\nBanco de dados de voz: TESTEXYZ\nx\n"},
      {"TESTE", false, "Erro de inicializa\xC3\xA7\xC3\xA3o: 2\nBanco de dados de voz: TESTE\nx\n"},
  };
  for (const auto& c : cases) {
    // A fresh console each time: the report closes it.
    zn::Console fresh;
    fresh.set_backend(std::make_unique<CueBackend>());
    fresh.set_quit_handler([this](int code) { quits.push_back(code); });
    s.console = &fresh;
    quits.clear();
    if (!c.rules) std::filesystem::remove(dir.path + "/difones/regras.rgr");
    dir.file("windows/ZUNAPE.INI", std::string("[SINTETIZADOR]\r\nDIFONES3=") + c.database +
                                       "\r\n[TRADUTOR]\r\nDIRLETRAS=c:\\letras\r\nDIRDIFONES=c:\\difones\r\n");
    fresh.push_key('x');
    fresh.push_key('\r');
    EXPECT_NE(speech::speech_init(s, 3, ""), 0);
    EXPECT_EQ(fresh.screen_text(), c.screen);
    EXPECT_EQ(quits, std::vector<int>{0}) << "the console is closed and the program ends";
    EXPECT_EQ(fresh.key_count(), 0) << "the line was read up to Enter";
    s.console = &con;
  }
}

TEST_F(FrontSpeakTest, SapiOnAsksForAnEngineAndKeepsTheBuiltInPathWhenNoneOpens) {
  start("SAPI=nao");
  EXPECT_FALSE(s.engine_request.has_value());
  profile("SAPI=sim");
  dir.file("windows/ZUNAPE.INI", read_file(dir.path + "/windows/ZUNAPE.INI") +
                                     "[SERVFALA]\r\nVOZ=2\r\nVELOCIDADE=50\r\nTOM=7\r\nTIPOSAPI=3\r\n");
  ASSERT_EQ(speech::speech_init(s, 0, ""), 0);
  ASSERT_TRUE(s.engine_request.has_value());
  EXPECT_EQ(s.engine_request->kind, 3);  // ELZAR without its data here: it cannot open
  EXPECT_EQ(s.engine_request->rate, 0) << "above 10 is too fast for every engine but SAPI 4";
  EXPECT_EQ(s.engine_request->voice, 2);
  EXPECT_EQ(s.engine_request->pitch, 7);
  EXPECT_FALSE(s.engine_active);
  EXPECT_EQ(said("ola"), "text ola\n" + phonetic("ola "));
}

// The engine path's ordering, with an adapter that only records.
class RecordingEngine : public speech::EngineAdapter {
 public:
  std::vector<std::string>* calls;
  int busy_polls = 0;
  explicit RecordingEngine(std::vector<std::string>* c) : calls(c) {}
  void speak(std::string_view text) override {
    calls->push_back("speak " + std::string(text));
    busy_polls = 3;
  }
  bool speaking(int) override { return busy_polls > 0 && busy_polls--; }
  void stop() override { calls->push_back("stop"); }
};

TEST_F(FrontSpeakTest, TheEnginePathHandsWholeTextsAndWavesWaitForIt) {
  start();
  std::vector<std::string> calls;
  auto engine = std::make_unique<RecordingEngine>(&calls);
  RecordingEngine* e = engine.get();
  s.engine = std::move(engine);
  s.engine_active = true;
  s.engine_kind = 3;
  speech::speak_text(s, "123 abc");
  EXPECT_TRUE(s.engine_pending);
  speech::speak_char(s, 'A');
  EXPECT_EQ(e->busy_polls, 0) << "the letter waited for the engine";
  EXPECT_FALSE(s.engine_pending);
  speech::stop_speech(s);  // kind 3 is always told to stop
  EXPECT_EQ(calls, (std::vector<std::string>{"speak 123 abc", "stop"}));
  EXPECT_EQ(log(), "text 123 abc\nengine 123 abc\nchar 65\n");
}

}  // namespace
