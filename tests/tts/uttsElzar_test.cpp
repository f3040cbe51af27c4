// The engine over fixture data, a synthesiser that only counts and a sink that records.
#include "tts/uttsElzar.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Makes `per_flush` samples ready at each flush (value 1000), handed out in reads.
class FakeMbrola final : public elzar::Mbrola {
 public:
  struct Log {
    std::vector<std::string> inits, lines;
    int resets = 0, flushes = 0, closes = 0, no_error = 0;
  };
  Log& log;
  int per_flush = 0;
  int init_result = 0;
  bool reject_lines = false;  // every line is an error
  int ready = 0;
  int error = 0;
  FakeMbrola(Log& l, int samples) : log(l), per_flush(samples) {}

  int init_MBR(const std::string& db) override {
    log.inits.push_back(db);
    return init_result;
  }
  int init_rename_MBR(const std::string& db, const std::string&, const std::string&) override { return init_MBR(db); }
  int write_MBR(std::string_view lines) override {
    log.lines.emplace_back(lines);
    if (reject_lines) error = 3;
    return error ? -1 : 0;
  }
  int flush_MBR() override {
    ++log.flushes;
    ready += per_flush;
    return 0;
  }
  int read_MBR(int16_t* buffer, int wanted) override {
    const int n = std::min(ready, wanted);
    std::fill(buffer, buffer + n, int16_t{1000});
    ready -= n;
    return n;
  }
  int readtype_MBR(void*, int, int) override { return 0; }
  void close_MBR() override { ++log.closes; }
  int reset_MBR() override {
    ++log.resets;
    error = 0;
    ready = 0;
    return 0;
  }
  int lastError_MBR() override { return error; }
  int lastErrorStr_MBR(std::string&) override { return 0; }
  void setNoError_MBR(int v) override { log.no_error = v; }
  int getNoError_MBR() override { return 0; }
  void setFreq_MBR(int) override {}
  int getFreq_MBR() override { return 16000; }
  void setVolumeRatio_MBR(float) override {}
  float getVolumeRatio_MBR() override { return 1; }
  int getVersion_MBR(std::string&) override { return 0; }
  int getDatabaseInfo_MBR(std::string&, int) override { return 0; }
  void setParser_MBR(int) override {}
  int init_Phone() override { return 0; }
  int reset_Phone() override { return 0; }
  int close_Phone() override { return 0; }
  int appendf0_Phone(float, float) override { return 0; }
};

struct RecordingSink final : elzar::PlaybackSink {
  std::vector<std::vector<uint8_t>> images;
  std::vector<bool> plain;
  int refuse_after = -1;  // the listener silences speech after this many images
  int stops = 0;
  bool play(uint8_t* image, size_t size) override {
    images.emplace_back(image, image + size);
    return refuse_after < 0 || static_cast<int>(images.size()) < refuse_after;
  }
  bool busy() override { return !images.empty(); }
  void stop() override { ++stops; }
  void plain_playback(bool p) override { plain.push_back(p); }
};

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

class ElzarTest : public ::testing::Test {
 protected:
  std::string root, data;
  plat::DriveTable drives;
  FakeMbrola::Log log;
  int samples = 50;
  bool give_synthesiser = true;
  FakeMbrola* fake = nullptr;
  RecordingSink sink;
  elzar::Elzar e;

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "elzar-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    data = root + "/palmir/elzartts";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(root + "/windows");
    write("palmir/elzartts/portug.nrl", "; fixture\n(A)=a|\n(B)=b|\n(O)=o|\n");
    write("palmir/elzartts/portug.exc", "BOBA=BOBO\n");
    write("palmir/elzartts/portug.abr", "SR.=senhor\n");
    write("palmir/elzartts/portug.pro",
          "[DURA\xC7\xC3O]\na=100\nb=80\no=100\n_=100\n[CHAVES]\n"
          "[PROS\xD3" "DIA]\nHERTZ=230\nTABHERTZ=100,100,100,100,100,100,100,100,100,100\n");
    write("palmir/elzartts/portug.dfn", "_-a\na-_\n_-b\nb-a\na-b\nb-o\no-_\n_-_\no-b\na-a\n");
    drives.roots[2] = root;
    e.registry.drives = &drives;
    e.sink = &sink;
    e.open_synthesiser = [this]() -> std::unique_ptr<elzar::Mbrola> {
      if (!give_synthesiser) return nullptr;
      auto m = std::make_unique<FakeMbrola>(log, samples);
      fake = m.get();
      return m;
    };
  }
  void TearDown() override {
    elzar::elzar_close(e);
    std::filesystem::remove_all(root);
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(root + "/" + name, std::ios::binary) << text;
  }
  bool init(const std::string& db = "") {
    const std::string d = "c:\\palmir\\elzartts\\portug";
    return elzar::elzar_initialise(e, db, d + ".nrl", d + ".exc", d + ".dfn", d + ".pro", d + ".abr");
  }
  std::string read(const std::string& host) {
    std::ifstream f(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
};

TEST_F(ElzarTest, DatabaseNameAndTheRegistry) {
  // Not registered: the name goes to the synthesiser as it is.
  ASSERT_TRUE(init()) << e.last_error;
  EXPECT_EQ(log.inits.back(), "br4");
  EXPECT_EQ(log.no_error, 1);
  ASSERT_TRUE(init("outra")) << e.last_error;
  EXPECT_EQ(log.inits.back(), "outra");
  // Registered: the key's default value replaces it, and is a name on the family's drive.
  write("windows/REGISTRO.INI",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\n@=c:\\vozes\\br4\n"
        "[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\vazia]\n@=\n");
  ASSERT_TRUE(init());
  EXPECT_EQ(log.inits.back(), root + "/vozes/br4");
  // An empty registered value means the family's own place.
  ASSERT_TRUE(init("vazia"));
  EXPECT_EQ(log.inits.back(), root + "/palmir/elzartts/br4");
}

TEST_F(ElzarTest, EveryInitialisationFailureAndItsText) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    std::string text;
  } cases[] = {
      {"no synthesiser library", [this] { give_synthesiser = false; }, ""},
      {"the voice is refused", [this] { samples = -1; }, ""},
      {"rules missing", [this] { std::filesystem::remove(data + "/portug.nrl"); },
       "Erro na base de dados de portugu\xEAs"},
      {"abbreviations missing", [this] { std::filesystem::remove(data + "/portug.abr"); },
       "Erro no arquivo de abreviaturas"},
      {"prosody missing", [this] { std::filesystem::remove(data + "/portug.pro"); },
       "Erro no arquivo de pros\xF3" "dia"},
      {"diphone list missing", [this] { std::filesystem::remove(data + "/portug.dfn"); },
       "Erro no arquivo de pros\xF3" "dia"},
      {"output file in no folder", [this] { elzar::elzar_set_output_file(e, "c:\\nada\\x.wav"); },
       "Arquivo de sa\xED" "da n\xE3o pode ser criado"},
  };
  for (const Case& c : cases) {
    TearDown();  // a fresh folder and engine for each
    SetUp();
    c.spoil();
    auto opener = e.open_synthesiser;
    if (samples < 0) {
      e.open_synthesiser = [this, opener] {
        auto m = opener();
        fake->init_result = -1;
        return m;
      };
    }
    e.last_error = "stale";
    EXPECT_FALSE(init()) << c.what;
    EXPECT_EQ(e.last_error, c.text) << c.what;
    EXPECT_FALSE(elzar::elzar_speak(e, "ab")) << c.what << ": nothing to speak with";
    e.open_synthesiser = opener;
    elzar::elzar_set_output_file(e, "");
    give_synthesiser = true;
    samples = 50;
  }
}

TEST_F(ElzarTest, BlankTextIsSuccessAndSilence) {
  ASSERT_TRUE(init());
  for (const char* t : {"", "   ", " \t\r\n"}) {
    EXPECT_TRUE(elzar::elzar_speak(e, t));
  }
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(sink.images.empty());
}

TEST_F(ElzarTest, AShortSentenceIsPaddedTo256Bytes) {
  ASSERT_TRUE(init());
  ASSERT_TRUE(elzar::elzar_speak(e, "aba bo"));
  ASSERT_FALSE(log.lines.empty());
  for (const std::string& l : log.lines) EXPECT_EQ(l.substr(l.size() - 2), "\r\n") << l;
  EXPECT_EQ(log.flushes, 1);
  ASSERT_EQ(sink.images.size(), 1u);
  const auto& img = sink.images[0];
  ASSERT_EQ(img.size(), 44u + 256u);
  EXPECT_EQ(le32(img.data() + 40), 256u);
  EXPECT_EQ(le32(img.data() + 4), 256u + 36u);
  EXPECT_EQ(le32(img.data() + 24), 16000u);
  EXPECT_EQ(img[34], 16);
  EXPECT_EQ(img[32], 2) << "block align of 16-bit mono";
  EXPECT_EQ(img[44], 1000 & 0xFF);                // the samples
  EXPECT_EQ(img[44 + 99], 1000 >> 8);
  for (size_t i = 44 + 100; i < img.size(); ++i) ASSERT_EQ(img[i], 0) << i;  // then silence
  EXPECT_EQ(sink.plain, (std::vector<bool>{true, false})) << "speed-ups off, then restored";
}

TEST_F(ElzarTest, LongSpeechIsPlayedInImagesOfAboutHalfASecond) {
  samples = 40000;  // 80000 bytes
  ASSERT_TRUE(init());
  ASSERT_TRUE(elzar::elzar_speak(e, "aba"));
  size_t total = 0;
  for (const auto& img : sink.images) {
    EXPECT_EQ(le32(img.data() + 40), img.size() - 44);
    EXPECT_LE(img.size() - 44, elzar::kImageBytes);
    total += img.size() - 44;
  }
  EXPECT_EQ(total, 80000u);
  EXPECT_EQ(sink.images.size(), 5u);

  // A listener that silences the speech gets no more of it.
  sink.images.clear();
  sink.refuse_after = 2;
  const int resets = log.resets;
  elzar::elzar_speak(e, "aba");
  EXPECT_EQ(sink.images.size(), 2u);
  EXPECT_GT(log.resets, resets + 1) << "what was left inside is dropped";
}

TEST_F(ElzarTest, RejectedLinesMakeTheSpeakFailButAllLinesGoOn) {
  ASSERT_TRUE(init());
  fake->reject_lines = true;
  const int resets = log.resets;
  EXPECT_FALSE(elzar::elzar_speak(e, "aba bo"));
  const size_t written = log.lines.size();
  EXPECT_GT(written, 1u);
  EXPECT_GE(log.resets - resets, static_cast<int>(written)) << "a reset after every error";
  fake->reject_lines = false;
  log.lines.clear();
  EXPECT_TRUE(elzar::elzar_speak(e, "aba bo"));
  EXPECT_EQ(log.lines.size(), written) << "the same lines, this time accepted";
}

TEST_F(ElzarTest, FileModeAppendsAndCloseRewritesTheHeader) {
  samples = 20000;
  elzar::elzar_set_output_file(e, "c:\\fala.wav");
  ASSERT_TRUE(init());
  EXPECT_FALSE(elzar::elzar_busy(e));
  ASSERT_TRUE(elzar::elzar_speak(e, "aba"));
  ASSERT_TRUE(elzar::elzar_speak(e, "bo"));
  EXPECT_TRUE(sink.images.empty()) << "nothing is played in file mode";
  elzar::elzar_stop(e);
  EXPECT_EQ(sink.stops, 0);
  const std::string before = read(root + "/fala.wav");
  EXPECT_EQ(le32(reinterpret_cast<const uint8_t*>(before.data()) + 40), 0u) << "written while speaking";
  elzar::elzar_close(e);
  const std::string wav = read(root + "/fala.wav");
  ASSERT_EQ(wav.size(), 44u + 2 * 40000u);
  const auto* h = reinterpret_cast<const uint8_t*>(wav.data());
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(le32(h + 4), wav.size() - 8);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(le32(h + 40), wav.size() - 44);
  EXPECT_EQ(log.closes, 1);
}

TEST_F(ElzarTest, BusyAndStopGoToTheSink) {
  ASSERT_TRUE(init());
  EXPECT_FALSE(elzar::elzar_busy(e));
  elzar::elzar_speak(e, "aba");
  EXPECT_TRUE(elzar::elzar_busy(e));
  elzar::elzar_stop(e);
  EXPECT_EQ(sink.stops, 1);
}

}  // namespace
