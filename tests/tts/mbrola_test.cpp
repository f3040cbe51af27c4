// The diphone synthesiser: phoneme lines, the voice file, diphone selection, duration and
// pitch shaping on synthetic voices, look-ahead, errors and limits.
#include "tts/mbrola.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tts/mbrola_lines.h"
#include "tts/mbrola_psola.h"
#include "tts/mbrola_voice.h"

namespace {

using elzar::LineKind;
using elzar::VoiceData;
using elzar::VoiceDiphone;

// ---- Phoneme lines ---------------------------------------------------------------------

TEST(MbrolaLines, ShapesOfLines) {
  struct Case {
    const char* line;
    LineKind kind;
    const char* name;
    double ms;
    std::vector<std::pair<double, double>> points;
  };
  const Case cases[] = {
      {"a 100", LineKind::phoneme, "a", 100, {}},
      {"  A\t80   50 120 ", LineKind::phoneme, "a", 80, {{50, 120}}},
      {"eh 90 80 140 10 120", LineKind::phoneme, "eh", 90, {{10, 120}, {80, 140}}},  // sorted
      {"_ 50", LineKind::phoneme, "_", 50, {}},
      {"a 100 ; a note", LineKind::phoneme, "a", 100, {}},
      {"a 12.5", LineKind::phoneme, "a", 12.5, {}},
      {"a 0", LineKind::phoneme, "a", 0, {}},
      {"a 1e9", LineKind::phoneme, "a", elzar::kMaxPhonemeMs, {}},             // cut, not refused
      {"a 100 150 5000 -20 10", LineKind::phoneme, "a", 100, {{0, 30}, {100, 1000}}},  // clamped
      {"; comment", LineKind::comment, "", 0, {}},
      {";; T=1.0", LineKind::comment, "", 0, {}},
      {"", LineKind::blank, "", 0, {}},
      {" \t ", LineKind::blank, "", 0, {}},
      {"#", LineKind::flush, "", 0, {}},
      {"a", LineKind::error, "", 0, {}},
      {"a -5", LineKind::error, "", 0, {}},
      {"a abc", LineKind::error, "", 0, {}},
      {"a nan", LineKind::error, "", 0, {}},
      {"a inf", LineKind::error, "", 0, {}},
      {"a 100 50", LineKind::error, "", 0, {}},
      {"a 100 50 -3", LineKind::error, "", 0, {}},
      {"a 100 x 120", LineKind::error, "", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const elzar::ParsedLine p = elzar::parse_phoneme_line(c.line);
    ASSERT_EQ(p.kind, c.kind);
    if (c.kind == LineKind::error) {
      EXPECT_FALSE(p.error.empty());
    }
    if (c.kind != LineKind::phoneme) continue;
    EXPECT_EQ(p.phoneme.name, c.name);
    EXPECT_DOUBLE_EQ(p.phoneme.ms, c.ms);
    ASSERT_EQ(p.phoneme.points.size(), c.points.size());
    for (size_t i = 0; i < c.points.size(); ++i) {
      EXPECT_DOUBLE_EQ(p.phoneme.points[i].position, c.points[i].first);
      EXPECT_DOUBLE_EQ(p.phoneme.points[i].hz, c.points[i].second);
    }
  }
}

TEST(MbrolaLines, ThousandPitchPointsAreCapped) {
  std::string line = "a 200";
  for (int i = 0; i < 1000; ++i) line += " " + std::to_string(i % 101) + " " + std::to_string(100 + i % 50);
  const elzar::ParsedLine p = elzar::parse_phoneme_line(line);
  ASSERT_EQ(p.kind, LineKind::phoneme);
  EXPECT_EQ(p.phoneme.points.size(), elzar::kMaxPitchPoints);
}

TEST(MbrolaLines, SplitterJoinsWritesAndDropsOverlongLines) {
  elzar::LineSplitter s;
  std::vector<std::string> lines;
  EXPECT_TRUE(s.feed("a 100\r\nb 5", lines));
  EXPECT_TRUE(s.feed("0\n\r\nc 7", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"a 100", "b 50", ""}));
  EXPECT_TRUE(s.has_rest());
  EXPECT_EQ(s.take_rest(), "c 7");
  EXPECT_FALSE(s.has_rest());

  lines.clear();
  const std::string huge(elzar::kMaxLineBytes + 10, 'x');
  EXPECT_FALSE(s.feed(huge, lines));
  EXPECT_TRUE(s.feed("yyy\nd 1\n", lines));  // the rest of the long line goes with it
  EXPECT_EQ(lines, (std::vector<std::string>{"d 1"}));
}

// ---- Synthetic voices -------------------------------------------------------------------

enum class Sound { voiced, unvoiced, silent };

// One period of a voiced phone: a damped resonance that starts at the pitch mark.
double pulse(int t) { return 9000.0 * std::exp(-t / 18.0) * std::sin(2 * M_PI * t / 23.0); }

struct Builder {
  VoiceData v;
  int period = 100;       // source pitch 160 Hz
  uint32_t half = 1600;   // samples per half phone
  uint32_t noise = 12345;

  void add(const std::string& l, Sound sl, const std::string& r, Sound sr) {
    VoiceDiphone d;
    d.left = l;
    d.right = r;
    d.offset = static_cast<uint32_t>(v.samples.size());
    d.length = 2 * half;
    d.middle = half;
    d.first_mark = static_cast<uint32_t>(v.marks.size());
    for (int part = 0; part < 2; ++part) {
      const Sound s = part == 0 ? sl : sr;
      const int step = s == Sound::voiced ? period : 80;
      for (uint32_t i = 0; i < half; ++i) {
        double x = 0;
        if (s == Sound::voiced) x = pulse(static_cast<int>(i) % period);
        if (s == Sound::unvoiced) {
          noise = noise * 1103515245u + 12345u;
          x = static_cast<double>((noise >> 16) & 0x7FFF) / 32768.0 * 6000 - 3000;
        }
        v.samples.push_back(static_cast<int16_t>(std::lround(x)));
        if (i % static_cast<uint32_t>(step) == 0)
          v.marks.push_back((part * half + i) | (s == Sound::voiced ? elzar::kMarkVoiced : 0));
      }
    }
    d.mark_count = static_cast<uint32_t>(v.marks.size()) - d.first_mark;
    v.diphones.push_back(d);
  }
};

// Every pair of a (voiced), s (unvoiced) and the pause.
VoiceData small_voice() {
  Builder b;
  const std::pair<const char*, Sound> phones[] = {{"_", Sound::silent}, {"a", Sound::voiced}, {"s", Sound::unvoiced}};
  for (const auto& [l, sl] : phones)
    for (const auto& [r, sr] : phones) b.add(l, sl, r, sr);
  b.v.info = "synthetic test voice\nthree phonemes";
  return b.v;
}

// Each half of each diphone holds one constant, so the output shows which was taken.
VoiceData labelled_voice(std::map<std::string, std::pair<int, int>>& labels) {
  VoiceData v;
  const char* names[] = {"_", "a", "b", "c"};
  int code = 1;
  for (const char* l : names)
    for (const char* r : names) {
      VoiceDiphone d;
      d.left = l;
      d.right = r;
      d.offset = static_cast<uint32_t>(v.samples.size());
      d.length = 1600;
      d.middle = 800;
      d.first_mark = static_cast<uint32_t>(v.marks.size());
      const int first = code * 100, second = code * 100 + 50;
      labels[std::string(l) + "-" + r] = {first, second};
      for (uint32_t i = 0; i < d.length; ++i) {
        v.samples.push_back(static_cast<int16_t>(i < d.middle ? first : second));
        if (i % 80 == 0) v.marks.push_back(i);
      }
      d.mark_count = static_cast<uint32_t>(v.marks.size()) - d.first_mark;
      v.diphones.push_back(d);
      ++code;
    }
  return v;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roteiral-mbrola-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string p = path_ + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

 private:
  std::string path_;
};

std::vector<int16_t> read_all(elzar::Mbrola& m) {
  std::vector<int16_t> out;
  int16_t buf[700];
  for (int n; (n = m.read_MBR(buf, 700)) > 0;) out.insert(out.end(), buf, buf + n);
  return out;
}

// The strongest repetition lag in [from, to): the period in samples.
double period_of(const std::vector<int16_t>& s, size_t from, size_t to) {
  double best = -2;
  int best_lag = 0;
  for (int lag = 20; lag <= 400; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = from; i + static_cast<size_t>(lag) < to; ++i) {
      const double x = s[i], y = s[i + static_cast<size_t>(lag)];
      xy += x * y;
      xx += x * x;
      yy += y * y;
    }
    const double r = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
    if (r > best + 1e-9 && (best < 0.9 || r > best + 0.02)) {  // the first clear peak wins
      best = r;
      best_lag = lag;
    }
  }
  return best_lag;
}

class MbrolaSynth : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<elzar::Mbrola> m = elzar::open_own_mbrola();

  void load(const VoiceData& v) { ASSERT_EQ(m->init_MBR(dir.write("voice", elzar::encode_voice(v))), 0); }
  std::vector<int16_t> say(const std::string& lines) {
    EXPECT_GE(m->write_MBR(lines), 0);
    EXPECT_GE(m->flush_MBR(), 0);
    EXPECT_EQ(m->lastError_MBR(), 0);
    return read_all(*m);
  }
};

// ---- The voice file --------------------------------------------------------------------

TEST(MbrolaVoice, RoundTripsAndRefusesDamage) {
  const VoiceData v = small_voice();
  const std::string image = elzar::encode_voice(v);
  VoiceData back;
  std::string why;
  ASSERT_TRUE(elzar::decode_voice(image, back, why)) << why;
  EXPECT_EQ(back.diphones.size(), 9u);
  EXPECT_EQ(back.samples, v.samples);
  EXPECT_EQ(back.marks, v.marks);
  EXPECT_EQ(back.info, v.info);

  for (size_t cut : {size_t{0}, size_t{3}, size_t{27}, image.size() / 2, image.size() - 1}) {
    EXPECT_FALSE(elzar::decode_voice(image.substr(0, cut), back, why)) << cut;
  }
  std::string flipped = image;
  flipped[image.size() / 2] ^= 0x10;
  EXPECT_FALSE(elzar::decode_voice(flipped, back, why));
  EXPECT_NE(why.find("checksum"), std::string::npos);
  std::string longer = image + "x";
  EXPECT_FALSE(elzar::decode_voice(longer, back, why));
}

// Well-formed images (valid checksum) whose contents do not hold together.
TEST(MbrolaVoice, RefusesInconsistentIndexes) {
  struct Case {
    const char* what;
    void (*spoil)(VoiceData&);
  };
  const Case cases[] = {
      {"samples past the end", [](VoiceData& v) { v.diphones[3].offset = static_cast<uint32_t>(v.samples.size()); }},
      {"middle past the length", [](VoiceData& v) { v.diphones[0].middle = v.diphones[0].length + 1; }},
      {"zero length", [](VoiceData& v) { v.diphones[2].length = 0; }},
      {"marks past the table", [](VoiceData& v) { v.diphones[8].mark_count += 5; }},
      {"marks out of order", [](VoiceData& v) { std::swap(v.marks[1], v.marks[2]); }},
      {"mark past the diphone", [](VoiceData& v) { v.marks[v.diphones[0].mark_count - 1] = 5000; }},
      {"bad name", [](VoiceData& v) { v.diphones[1].left = "a-"; }},
      {"empty name", [](VoiceData& v) { v.diphones[1].right = ""; }},
      {"wrong rate", [](VoiceData& v) { v.rate = 22050; }},
      {"no diphones", [](VoiceData& v) { v.diphones.clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VoiceData v = small_voice();
    c.spoil(v);
    VoiceData back;
    std::string why;
    EXPECT_FALSE(elzar::decode_voice(elzar::encode_voice(v), back, why));
    EXPECT_FALSE(why.empty());
  }
  VoiceData twice = small_voice();
  twice.diphones.push_back(twice.diphones[0]);
  VoiceData back;
  std::string why;
  ASSERT_TRUE(elzar::decode_voice(elzar::encode_voice(twice), back, why)) << why;
  elzar::Voice voice;
  EXPECT_FALSE(elzar::index_voice(back, voice, why));
}

TEST_F(MbrolaSynth, InitRefusesMissingTruncatedOrCorruptDatabases) {
  const std::string image = elzar::encode_voice(small_voice());
  std::string corrupt = image;
  corrupt[100] ^= 0x55;
  for (const std::string& path : {dir.write("none", "") + ".missing", dir.write("empty", ""),
                                  dir.write("short", image.substr(0, image.size() - 10)), dir.write("bad", corrupt),
                                  dir.write("text", "a-b\nb-a\n")}) {
    SCOPED_TRACE(path);
    EXPECT_LT(m->init_MBR(path), 0);
    EXPECT_EQ(m->lastError_MBR(), elzar::kMbrolaErrDatabase);
    std::string text;
    EXPECT_GT(m->lastErrorStr_MBR(text), 0);
    EXPECT_LT(m->write_MBR("a 100\n"), 0);  // nothing loaded
  }
  EXPECT_EQ(m->init_MBR(dir.write("good", image)), 0);
  EXPECT_EQ(m->lastError_MBR(), 0);
  std::string info;
  EXPECT_GT(m->getDatabaseInfo_MBR(info, 1), 0);
  EXPECT_EQ(info, "three phonemes");
}

// ---- Diphone selection -----------------------------------------------------------------

TEST_F(MbrolaSynth, EachHalfComesFromTheDiphoneItBelongsTo) {
  std::map<std::string, std::pair<int, int>> label;
  load(labelled_voice(label));
  // 100 ms = 1600 samples per phoneme: the first half is the second half of the diphone
  // into it, the second half the first half of the diphone out of it.
  const auto out = say("a 100\nb 100\nb 100\nc 100\n#\n");
  ASSERT_EQ(out.size(), 6400u);
  const char* seq[] = {"_", "a", "b", "b", "c", "_"};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const std::string into = std::string(seq[k]) + "-" + seq[k + 1];
    const std::string out_of = std::string(seq[k + 1]) + "-" + seq[k + 2];
    EXPECT_NEAR(out[static_cast<size_t>(k * 1600 + 400)], label[into].second, 3);
    EXPECT_NEAR(out[static_cast<size_t>(k * 1600 + 1200)], label[out_of].first, 3);
  }
}

TEST_F(MbrolaSynth, LetterCaseOfNamesIsIgnored) {
  std::map<std::string, std::pair<int, int>> label;
  load(labelled_voice(label));
  const auto out = say("A 100\n#\n");
  ASSERT_EQ(out.size(), 1600u);
  EXPECT_NEAR(out[400], label["_-a"].second, 3);
}

// ---- Duration and pitch ----------------------------------------------------------------

TEST_F(MbrolaSynth, OutputLengthFollowsTheRequestedDurations) {
  load(small_voice());
  const struct {
    const char* lines;
    double ms;
  } cases[] = {
      {"a 200\n", 200},                                  // shorter than the source (200 ms)
      {"a 30\n", 30},
      {"a 900 50 120\n", 900},                          // stretched and lowered
      {"_ 50\na 120 0 200 100 250\ns 333\na 77\n_ 40\n", 620},
      {"s 1000\n", 1000},
      {"a 0\na 100\n", 100},
      {"a 12.53\na 12.53\na 12.53\n", 37.59},            // fractions accumulate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    const auto out = say(c.lines);
    EXPECT_NEAR(static_cast<double>(out.size()), c.ms * 16, 100);  // one source period
  }
}

TEST_F(MbrolaSynth, VoicedPeriodFollowsThePitchPoints) {
  load(small_voice());
  for (double hz : {90.0, 120.0, 160.0, 200.0, 260.0, 320.0}) {
    SCOPED_TRACE(hz);
    const std::string hzs = std::to_string(static_cast<int>(hz));
    const auto out = say("a 600 0 " + hzs + " 100 " + hzs + "\n");
    ASSERT_EQ(out.size(), 9600u);
    const double period = period_of(out, 2000, 7600);
    EXPECT_NEAR(period, 16000.0 / hz, 0.02 * 16000.0 / hz);
  }
  // Without pitch points the voice keeps its own period.
  const auto plain = say("a 400\n");
  EXPECT_NEAR(period_of(plain, 1000, 5400), 100, 2);
}

TEST_F(MbrolaSynth, PitchIsInterpolatedAcrossPhonemes) {
  load(small_voice());
  // 100 Hz at the middle of the first phoneme, 200 Hz at the middle of the second.
  const auto out = say("a 400 50 100\na 400 50 200\n");
  ASSERT_EQ(out.size(), 12800u);
  EXPECT_NEAR(period_of(out, 300, 3000), 160, 3.2);     // held before the first point
  EXPECT_NEAR(period_of(out, 9900, 12700), 80, 1.6);    // held after the last
  const double mid = period_of(out, 5500, 7300);          // on the way between
  EXPECT_GT(mid, 90);
  EXPECT_LT(mid, 150);
}

TEST_F(MbrolaSynth, UnvoicedStretchesIgnorePitchPoints) {
  // An unvoiced source that repeats every 80 samples: a pitch point must not change it.
  Builder b;
  VoiceDiphone d;
  for (const char* l : {"_", "h"})
    for (const char* r : {"_", "h"}) {
      VoiceDiphone x;
      x.left = l;
      x.right = r;
      x.offset = static_cast<uint32_t>(b.v.samples.size());
      x.length = 3200;
      x.middle = 1600;
      x.first_mark = static_cast<uint32_t>(b.v.marks.size());
      for (uint32_t i = 0; i < x.length; ++i) {
        b.v.samples.push_back(static_cast<int16_t>(std::lround(pulse(static_cast<int>(i % 80)))));
        if (i % 80 == 0) b.v.marks.push_back(i);
      }
      x.mark_count = static_cast<uint32_t>(b.v.marks.size()) - x.first_mark;
      b.v.diphones.push_back(x);
    }
  load(b.v);
  // At the source's own length the stretch is copied as it is.
  const auto out = say("h 200 0 100 100 100\n");
  ASSERT_EQ(out.size(), 3200u);
  for (size_t i = 200; i < 3000; i += 7) EXPECT_NEAR(out[i], std::lround(pulse(static_cast<int>(i % 80))), 30) << i;
  // Stretched, it stays as loud and still carries no pitch of 100 Hz.
  const auto longer = say("h 600 0 100 100 100\n");
  ASSERT_EQ(longer.size(), 9600u);
  EXPECT_NE(period_of(longer, 1000, 8600), 160);
}

// ---- Look-ahead, flush and reset -------------------------------------------------------

TEST_F(MbrolaSynth, APhonemeIsReleasedOnceTheNextIsKnown) {
  load(small_voice());
  int16_t buf[16000];
  ASSERT_GE(m->write_MBR("a 100\r\n"), 0);
  EXPECT_EQ(m->read_MBR(buf, 16000), 0);  // its second half waits for the next phoneme
  ASSERT_GE(m->write_MBR("s 100\r\na 100\r\n"), 0);
  const int first = m->read_MBR(buf, 16000);
  EXPECT_GT(first, 1600);           // a and most of s
  EXPECT_LE(first, 3200);
  EXPECT_EQ(m->read_MBR(buf, 16000), 0);
  ASSERT_GE(m->flush_MBR(), 0);
  const auto rest = read_all(*m);
  EXPECT_EQ(static_cast<size_t>(first) + rest.size(), 4800u);
  EXPECT_EQ(m->read_MBR(buf, 16000), 0);
}

TEST_F(MbrolaSynth, FlushLineAndUnfinishedLines) {
  load(small_voice());
  // Several lines in one write, a line split over two writes, "#" ending the stream.
  ASSERT_GE(m->write_MBR("; greeting\n_ 50\na 1"), 0);
  ASSERT_GE(m->write_MBR("00\ns 100\n#\n"), 0);
  EXPECT_EQ(read_all(*m).size(), 4000u);
  // An unfinished last line is taken by flush.
  ASSERT_GE(m->write_MBR("a 100"), 0);
  ASSERT_GE(m->flush_MBR(), 0);
  EXPECT_EQ(read_all(*m).size(), 1600u);
  // Reset drops what was queued.
  ASSERT_GE(m->write_MBR("a 100\na 100\n"), 0);
  m->reset_MBR();
  ASSERT_GE(m->flush_MBR(), 0);
  EXPECT_TRUE(read_all(*m).empty());
}

// ---- Rejected lines and limits ---------------------------------------------------------

TEST_F(MbrolaSynth, RejectedLinesAreReportedAndSkipped) {
  load(small_voice());
  const struct {
    const char* line;
    int code;
  } cases[] = {
      {"zz 100\n", elzar::kMbrolaErrUnknownPhoneme}, {"a -100\n", elzar::kMbrolaErrBadLine},
      {"a many\n", elzar::kMbrolaErrBadLine},        {"a 100 50\n", elzar::kMbrolaErrBadLine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    m->reset_MBR();
    EXPECT_LT(m->write_MBR(std::string("a 100\n") + c.line + "a 100\n"), 0);
    EXPECT_EQ(m->lastError_MBR(), c.code);
    std::string why;
    EXPECT_GT(m->lastErrorStr_MBR(why), 0);
    ASSERT_GE(m->flush_MBR(), 0);
    EXPECT_EQ(read_all(*m).size(), 3200u);  // the good lines still speak
    m->reset_MBR();
    EXPECT_EQ(m->lastError_MBR(), 0);
    EXPECT_EQ(m->lastErrorStr_MBR(why), 0);
  }
}

TEST_F(MbrolaSynth, MissingDiphoneIsAnErrorUnlessToldOtherwise) {
  VoiceData v = small_voice();
  // Drop a-s.
  for (size_t i = 0; i < v.diphones.size(); ++i)
    if (v.diphones[i].left == "a" && v.diphones[i].right == "s") v.diphones.erase(v.diphones.begin() + static_cast<long>(i));
  load(v);
  EXPECT_LT(m->write_MBR("a 100\ns 100\n"), 0);
  EXPECT_EQ(m->lastError_MBR(), elzar::kMbrolaErrMissingDiphone);
  m->reset_MBR();
  m->setNoError_MBR(1);
  EXPECT_EQ(m->getNoError_MBR(), 1);
  const auto out = say("a 100\ns 100\n");
  ASSERT_EQ(out.size(), 3200u);
  // The halves that exist fill each phoneme, so no hole opens where the diphone is missing.
  auto loud = [&](size_t from, size_t to) {
    int peak = 0;
    for (size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(static_cast<int>(out[i])));
    return peak;
  };
  EXPECT_GT(loud(1300, 1600), 1000);
  EXPECT_GT(loud(1600, 1900), 1000);
}

TEST_F(MbrolaSynth, HugeDurationsAndFullQueuesStayBounded) {
  load(small_voice());
  const auto out = say("a 99999999\n");
  EXPECT_EQ(out.size(), static_cast<size_t>(elzar::kMaxPhonemeMs * 16));
  std::string lines;
  for (size_t i = 0; i < elzar::kMaxQueuedPhonemes + 5; ++i) lines += "a 1\n";
  EXPECT_LT(m->write_MBR(lines), 0);
  EXPECT_EQ(m->lastError_MBR(), elzar::kMbrolaErrQueueFull);
  m->reset_MBR();
  // 1000 pitch points on one phoneme speak like any other line.
  std::string many = "a 300";
  for (int i = 0; i < 1000; ++i) many += " " + std::to_string(i / 10) + " " + std::to_string(100 + i % 100);
  EXPECT_EQ(say(many + "\n").size(), 4800u);
}

// ---- Other entry points ----------------------------------------------------------------

TEST_F(MbrolaSynth, OutputFrequencyVolumeAndSampleTypes) {
  load(small_voice());
  const auto full = say("a 200\n");
  m->setVolumeRatio_MBR(0.5f);
  const auto half = say("a 200\n");
  ASSERT_EQ(half.size(), full.size());
  EXPECT_NEAR(half[1000], full[1000] / 2.0, 1);
  m->setVolumeRatio_MBR(-1);
  EXPECT_EQ(m->lastError_MBR(), elzar::kMbrolaErrArgument);
  EXPECT_FLOAT_EQ(m->getVolumeRatio_MBR(), 0.5f);
  m->reset_MBR();
  m->setVolumeRatio_MBR(1);

  m->setFreq_MBR(8000);
  EXPECT_EQ(m->getFreq_MBR(), 8000);
  EXPECT_NEAR(static_cast<double>(say("a 200\n").size()), 1600, 2);
  m->setFreq_MBR(100);
  EXPECT_EQ(m->getFreq_MBR(), 8000);
  m->reset_MBR();
  m->setFreq_MBR(16000);

  ASSERT_GE(m->write_MBR("a 200\n"), 0);
  ASSERT_GE(m->flush_MBR(), 0);
  std::vector<uint8_t> u8(4000);
  ASSERT_EQ(m->readtype_MBR(u8.data(), 4000, elzar::kMbrolaLin8), 3200);
  for (size_t i = 0; i < 3200; i += 97) EXPECT_NEAR(u8[i], (full[i] >> 8) + 128, 1) << i;
  EXPECT_LT(m->readtype_MBR(u8.data(), 10, 9), 0);
  m->reset_MBR();

  // G.711: silence, and both clipped extremes (the volume drives the peaks past full scale).
  auto coded = [&](const char* lines, int type) {
    EXPECT_GE(m->write_MBR(lines), 0);
    EXPECT_GE(m->flush_MBR(), 0);
    std::vector<uint8_t> b(8000);
    b.resize(static_cast<size_t>(std::max(0, m->readtype_MBR(b.data(), 8000, type))));
    return b;
  };
  for (uint8_t c : coded("_ 50\n", elzar::kMbrolaUlaw)) ASSERT_EQ(c, 0xFF);
  for (uint8_t c : coded("_ 50\n", elzar::kMbrolaAlaw)) ASSERT_EQ(c, 0xD5);
  m->setVolumeRatio_MBR(16);
  const auto mu = coded("a 200\n", elzar::kMbrolaUlaw);
  const auto al = coded("a 200\n", elzar::kMbrolaAlaw);
  EXPECT_NE(std::find(mu.begin(), mu.end(), 0x80), mu.end());
  EXPECT_NE(std::find(mu.begin(), mu.end(), 0x00), mu.end());
  EXPECT_NE(std::find(al.begin(), al.end(), 0xAA), al.end());
  EXPECT_NE(std::find(al.begin(), al.end(), 0x2A), al.end());
}

TEST_F(MbrolaSynth, RenamesClonesAndPhoneEditing) {
  const std::string path = dir.write("voice", elzar::encode_voice(small_voice()));
  ASSERT_EQ(m->init_rename_MBR(path, "a A1", "s z"), 0);
  EXPECT_LT(m->write_MBR("a 100\n"), 0);  // renamed away
  m->reset_MBR();
  EXPECT_EQ(say("a1 100\nz 100\ns 100\n").size(), 4800u);
  EXPECT_LT(m->init_rename_MBR(path, "q r", ""), 0);  // not in the database
  EXPECT_LT(m->init_rename_MBR(path, "a", ""), 0);    // no new name

  load(small_voice());
  EXPECT_LT(m->init_Phone(), 0);  // nothing queued
  ASSERT_GE(m->write_MBR("a 600\n"), 0);
  ASSERT_EQ(m->init_Phone(), 0);
  EXPECT_EQ(m->appendf0_Phone(0, 250), 0);
  EXPECT_EQ(m->appendf0_Phone(100, 250), 0);
  EXPECT_LT(m->appendf0_Phone(50, -1), 0);
  EXPECT_EQ(m->close_Phone(), 0);
  EXPECT_LT(m->appendf0_Phone(50, 250), 0);  // closed
  ASSERT_GE(m->flush_MBR(), 0);
  const auto out = read_all(*m);
  EXPECT_NEAR(period_of(out, 2000, 7600), 64, 1.3);
}

}  // namespace
