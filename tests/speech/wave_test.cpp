// The wave player: blocks and padding, rates, speech cutting, images, files, keys, faults.
#include <cstring>
#include <numeric>

#include "speech/wave.h"
#include "tests/speech/sound_fixture.h"

namespace {

using namespace sound_test;
using speech::WavePlayer;

class WaveTest : public ::testing::Test {
 protected:
  WaveTest() {
    auto b = std::make_unique<CueBackend>();
    backend = b.get();
    con.set_backend(std::move(b));
    con.set_quit_handler([](int) {});
    speech::set_audio_layer(p, std::make_unique<RecordingLayer>(rec));
    p.console = &con;
  }
  std::vector<size_t> write_sizes() const {
    std::vector<size_t> s;
    for (const auto& w : rec.writes) s.push_back(w.bytes.size());
    return s;
  }

  zn::Console con;
  CueBackend* backend;
  Record rec;
  WavePlayer p;
};

TEST_F(WaveTest, ShortBlocksArePaddedToTheMinimumWithTheFormatsSilence) {
  std::vector<uint8_t> s8(100, 200);
  ASSERT_EQ(speech::play_samples(p, s8.data(), s8.size(), 11025, 1, 8), 0);
  ASSERT_EQ(rec.writes.size(), 1u);
  const auto& b = rec.writes[0].bytes;
  ASSERT_EQ(b.size(), 256u);
  EXPECT_EQ(std::count(b.begin(), b.begin() + 99, 200), 99);
  EXPECT_EQ(b[99], 128) << "the last byte of a short 8-bit mono block is silenced";
  EXPECT_EQ(std::count(b.begin() + 100, b.end(), 128), 156);

  std::vector<uint8_t> s16(100, 0x55);
  speech::stop_wave(p);
  ASSERT_EQ(speech::play_samples(p, s16.data(), s16.size(), 11025, 1, 16), 0);
  const auto& c = rec.writes.back().bytes;
  ASSERT_EQ(c.size(), 256u);
  EXPECT_EQ(std::count(c.begin(), c.begin() + 100, 0x55), 100) << "only 8-bit mono has its last byte forced";
  EXPECT_EQ(std::count(c.begin() + 100, c.end(), 0), 156);
}

TEST_F(WaveTest, LongSoundsGoOutInBlocksOfTheBufferSizeAndOnlyFullBlocksKeepTheirLastByte) {
  std::vector<uint8_t> s(65534 + 300, 200);
  ASSERT_EQ(speech::play_samples(p, s.data(), s.size(), 11025, 1, 8), 0);
  EXPECT_EQ(write_sizes(), (std::vector<size_t>{65534, 300}));
  EXPECT_EQ(rec.writes[0].bytes.back(), 200);
  EXPECT_EQ(rec.writes[1].bytes.back(), 128);
  std::vector<uint8_t> none;
  EXPECT_EQ(speech::play_samples(p, none.data(), 0, 11025, 1, 8), 0);
  EXPECT_EQ(rec.writes.size(), 2u) << "nothing to play makes no block";
}

TEST_F(WaveTest, BuffersRotateAndAFullQueueWaitsForTheDevice) {
  rec.hold = true;
  // The device gives one buffer back on every pump of the console.
  backend->on_pump = [this] {
    if (rec.live) rec.live->release_one();
  };
  std::vector<uint8_t> s(6 * 65534, 150);
  ASSERT_EQ(speech::play_samples(p, s.data(), s.size(), 22050, 1, 8), 0);
  ASSERT_EQ(rec.writes.size(), 6u);
  std::vector<uint32_t> ids;
  for (const auto& w : rec.writes) ids.push_back(w.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 3, 4, 1, 2}));
  EXPECT_LE(p.queued, p.buffer_count);
  while (speech::wave_busy(p)) con.pause(1);
  EXPECT_EQ(p.queued, 0);
  EXPECT_EQ(p.out, nullptr) << "an empty queue closes the device";
}

TEST_F(WaveTest, RaisedRateOpensTheDeviceAtOneAndAHalfTimesTheRate) {
  p.raised_rate = true;
  struct Case {
    int rate, opened;
  };
  for (const Case c : {Case{11025, 16537}, Case{16000, 24000}, Case{22050, 33075}}) {
    std::vector<uint8_t> s(300, 128);
    speech::play_samples(p, s.data(), s.size(), c.rate, 1, 8);
    EXPECT_EQ(rec.opens.back().rate, c.opened) << c.rate;
  }
}

TEST_F(WaveTest, AFormatChangeClosesTheDeviceFirstAndTheSameFormatKeepsItOpen) {
  rec.hold = true;
  backend->on_pump = [this] {
    if (rec.live) rec.live->release_all();
  };
  std::vector<uint8_t> s(600, 128);
  speech::play_samples(p, s.data(), 600, 11025, 1, 8);
  speech::play_samples(p, s.data(), 600, 11025, 1, 8);
  EXPECT_EQ(rec.opens.size(), 1u);
  speech::play_samples(p, s.data(), 600, 11025, 2, 16);
  ASSERT_EQ(rec.opens.size(), 2u);
  EXPECT_EQ(rec.opens[1], (plat::AudioFormat{11025, 16, 2}));
  EXPECT_EQ(rec.most_open, 1) << "the old device was closed before the new one opened";
}

TEST_F(WaveTest, OpenRetriesWhileTheDeviceIsAllocatedAndReportsOtherFaults) {
  rec.open_faults = {plat::AudioFault::allocated, plat::AudioFault::allocated};
  std::vector<uint8_t> s(300, 128);
  EXPECT_EQ(speech::play_samples(p, s.data(), s.size(), 11025, 1, 8), 0);
  EXPECT_EQ(rec.opens.size(), 3u);
  EXPECT_EQ(rec.writes.size(), 1u);

  speech::stop_wave(p);
  rec.open_faults = {plat::AudioFault::bad_format};
  EXPECT_EQ(speech::play_samples(p, s.data(), s.size(), 11025, 1, 12), speech::kWaveErrBadFormat);

  // Held for good: a hundred tries, then the error (the waiting key ends each wait early).
  rec.open_faults.assign(200, plat::AudioFault::allocated);
  rec.opens.clear();
  con.push_key('x');
  EXPECT_EQ(speech::play_samples(p, s.data(), s.size(), 8000, 1, 8), speech::kWaveErrAllocated);
  EXPECT_EQ(rec.opens.size(), 100u);
}

TEST_F(WaveTest, DeviceFaultsAreShownAndWaitForEnter) {
  struct Case {
    plat::AudioFault fault;
    const char* message;
  };
  const Case cases[] = {
      {plat::AudioFault::bad_handle, "Specified device handle is invalid."},
      {plat::AudioFault::no_driver, "No device driver is present."},
      {plat::AudioFault::no_memory, "Unable to allocate or lock memory."},
      {plat::AudioFault::still_queued, "The data block pointed to by the pwh parameter is still in queue"},
      {plat::AudioFault::other, ""},
  };
  for (const Case& c : cases) {
    con.clear_screen();
    rec.done_fault = c.fault;
    std::vector<uint8_t> s(300, 128);
    speech::play_samples(p, s.data(), s.size(), 11025, 1, 8);
    con.push_key('\r');  // the Enter the message waits for
    EXPECT_FALSE(speech::wave_busy(p));
    // The message, then the line end of the Enter read after it.
    const std::string shown = *c.message ? c.message + std::string("\n") : "";
    EXPECT_EQ(con.screen_text(), shown) << static_cast<int>(c.fault);
    EXPECT_EQ(con.key_count(), 0) << "the Enter was read";
    EXPECT_EQ(p.queued, 0);
  }
}

TEST_F(WaveTest, AWaitingKeyStopsPlayFlushesTheDeviceAndStaysReadable) {
  rec.hold = true;
  backend->on_pump = [this] {
    if (rec.writes.size() == 4 && con.key_count() == 0 && rec.flushes == 0) con.push_key('k');
  };
  std::vector<uint8_t> s(8 * 65534, 150);
  EXPECT_EQ(speech::play_samples(p, s.data(), s.size(), 11025, 1, 8), 0);
  EXPECT_EQ(rec.writes.size(), 4u) << "the queue filled, then the key came";
  EXPECT_EQ(rec.flushes, 1);
  EXPECT_EQ(p.out, nullptr);
  EXPECT_EQ(p.queued, 0);
  EXPECT_EQ(con.read_key(), 'k');

  // With the key already there, a file plays nothing at all.
  TempDir dir;
  const auto f = dir.file("a.wav", wav(1, 11025, 8, std::string(1000, 'x')));
  con.push_key('j');
  rec.writes.clear();
  EXPECT_EQ(speech::play_wave_file(p, f), 0);
  EXPECT_TRUE(rec.writes.empty());
}

// --- speech cutting ---------------------------------------------------------------

// 8-bit silence with a peak every 100 samples at 10 past, the period's number after it.
std::vector<uint8_t> periodic(size_t n) {
  std::vector<uint8_t> b(n, 128);
  for (size_t k = 0; k * 100 + 11 < n; ++k) {
    b[k * 100 + 10] = 250;
    b[k * 100 + 11] = static_cast<uint8_t>(k);
  }
  return b;
}

TEST(SpeechCutting, EveryOtherPitchPeriodIsDropped) {
  auto b = periodic(3000);
  const auto orig = b;
  const size_t n = speech::cut_speech(b.data(), b.size(), 8, 11025);
  // Up to the first peak (210) nothing changes; then periods q..r are kept from 310 on,
  // two periods apart: 310..410, 510..610, ...
  EXPECT_TRUE(std::equal(b.begin(), b.begin() + 210, orig.begin()));
  size_t w = 210;
  size_t kept = 0;
  for (size_t q = 310; q + 100 < 3000 && w + 101 <= n; q += 200, ++kept) {
    EXPECT_TRUE(std::equal(b.begin() + static_cast<long>(w), b.begin() + static_cast<long>(w + 101),
                           orig.begin() + static_cast<long>(q)))
        << "period starting at " << q;
    EXPECT_EQ(b[w + 1], (q / 100)) << "the period's own number follows its peak";
    w += 101;
  }
  EXPECT_GE(kept, 12u);
  EXPECT_LT(n, 1700u);
  EXPECT_GT(n, 1500u);
}

TEST(SpeechCutting, TheTailRunsOnUntilTheWritePositionIsNearSilence) {
  // n = 1000 ends the loop with p = 810 and the write position at 513; from there the
  // bytes are copied while the byte found at the write position is far from 128.
  auto b = periodic(1000);
  for (size_t i = 513; i < 521; ++i) b[i] = 200;
  const auto orig = b;
  const size_t n = speech::cut_speech(b.data(), b.size(), 8, 11025);
  EXPECT_EQ(n, 521u);
  EXPECT_TRUE(std::equal(b.begin() + 513, b.begin() + 521, orig.begin() + 810));

  auto quiet = periodic(1000);
  EXPECT_EQ(speech::cut_speech(quiet.data(), quiet.size(), 8, 11025), 513u);
}

TEST(SpeechCutting, SixteenBitSamplesBecomeTheirHighBytePlus128) {
  std::vector<uint8_t> b = {0x00, 0x00, 0xFF, 0x7F, 0x00, 0x80, 0x34, 0xFF, 0x99};
  EXPECT_EQ(speech::cut_speech(b.data(), b.size(), 16, 11025), 4u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), (std::vector<uint8_t>{128, 255, 0, 127}));
}

TEST(SpeechCutting, ShortOrFlatChunksAreLeftAloneAndNeverReadPastTheEnd) {
  std::vector<uint8_t> small(999, 250);
  EXPECT_EQ(speech::cut_speech(small.data(), small.size(), 8, 11025), 999u);
  // Other rates look further ahead than a 1000-byte chunk holds.
  std::vector<uint8_t> edge(1000, 140);
  EXPECT_LE(speech::cut_speech(edge.data(), edge.size(), 8, 16000), 1000u);
  // All zero: no periods to find; the cut must end, not spin.
  std::vector<uint8_t> flat(5000, 0);
  EXPECT_LE(speech::cut_speech(flat.data(), flat.size(), 8, 11025), 5000u);
  std::vector<uint8_t> one = {0x12};
  EXPECT_EQ(speech::cut_speech(one.data(), 1, 16, 11025), 0u);
}

TEST_F(WaveTest, CuttingSixteenBitMonoOpensAtEightBitsAndPlaysAboutHalf) {
  p.speech_cutting = true;
  const auto b8 = periodic(20000);
  std::vector<uint8_t> s16;
  for (uint8_t v : b8) {
    s16.push_back(0);
    s16.push_back(static_cast<uint8_t>(v - 128));
  }
  speech::play_samples(p, s16.data(), s16.size(), 11025, 1, 16);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 8, 1}));
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_NEAR(static_cast<double>(rec.writes[0].bytes.size()), 10000.0, 400.0);

  // Stereo is never cut.
  speech::stop_wave(p);
  std::vector<uint8_t> st(4000, 128);
  speech::play_samples(p, st.data(), st.size(), 11025, 2, 16);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 16, 2}));
  EXPECT_EQ(rec.writes.back().bytes.size(), 4000u);
}

// --- images and files ------------------------------------------------------------

TEST(WaveHeader, IsTheCanonicalFortyFourBytes) {
  uint8_t h[44];
  speech::build_wave_header(h, 512, 11025, 1, 8);
  const std::string want = "RIFF" + le(548, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(11025, 4) +
                           le(11025, 4) + le(1, 2) + le(8, 2) + "data" + le(512, 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 44), want);
}

TEST(WaveChunks, FindsTheDataPastOtherChunksAndNeverBeyondTheImage) {
  const std::string fmt = fmt_body(1, 22050, 16);
  struct Case {
    const char* what;
    std::string image;
    bool ok;
    size_t size;  // data bytes found
  };
  const std::string pcm(10, 'p');
  const Case cases[] = {
      {"plain", wav(1, 22050, 16, pcm), true, 10},
      {"lower-case tags", [&] { auto w = wav(1, 22050, 16, pcm); std::memcpy(w.data(), "riff", 4); std::memcpy(w.data() + 12, "FMT ", 4); return w; }(), true, 10},
      {"extra chunks", riff(fmt, chunk("LIST", "abcdef") + chunk("fact", "1234") + chunk("data", pcm)), true, 10},
      {"odd chunk, padded", riff(fmt, chunk("LIST", "abc") + "\0" + chunk("data", pcm)), true, 10},
      {"odd chunk, pad left out", riff(fmt, chunk("LIST", "abc") + chunk("data", pcm)), true, 10},
      {"declared size past the end", riff(fmt, chunk("data", pcm, 1000000)), true, 10},
      {"huge chunk before data", riff(fmt, chunk("junk", "xx", 0xFFFFFFF0) + chunk("data", pcm)), true, 0},
      {"no data chunk", riff(fmt, chunk("LIST", "abcd")), true, 0},
      {"empty data", riff(fmt, chunk("data", "")), true, 0},
      {"fmt too short", riff(std::string(8, '\0'), chunk("data", pcm)), false, 0},
      {"fmt larger than the image", "RIFF" + le(100, 4) + "WAVEfmt " + le(5000, 4) + fmt, false, 0},
      {"not RIFF", "RIFX" + wav(1, 22050, 16, pcm).substr(4), false, 0},
      {"truncated header", wav(1, 22050, 16, pcm).substr(0, 18), false, 0},
  };
  for (const Case& c : cases) {
    const auto w = speech::find_wave_chunks(reinterpret_cast<const uint8_t*>(c.image.data()), c.image.size());
    EXPECT_EQ(w.ok, c.ok) << c.what;
    EXPECT_EQ(w.data_size, c.size) << c.what;
    if (c.size) {
      EXPECT_EQ(c.image.substr(w.data_offset, w.data_size), pcm) << c.what;
      EXPECT_EQ(w.rate, 22050);
      EXPECT_EQ(w.bits, 16);
    }
  }
}

TEST(WaveFile, ChunkSizesKeepTheLastReadAtLeast256Bytes) {
  struct Case {
    uint64_t remaining;
    size_t read;
  };
  for (const Case c : {Case{100, 100}, Case{65534, 65534}, Case{65535, 65278}, Case{65600, 65278},
                       Case{65789, 65278}, Case{65790, 65534}, Case{1u << 30, 65534}}) {
    EXPECT_EQ(speech::file_chunk_size(c.remaining), c.read) << c.remaining;
  }
}

TEST_F(WaveTest, AFileOf65600BytesIsRead65278Then322) {
  TempDir dir;
  std::string pcm(65600, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<char>(i % 251);
  const auto f = dir.file("long.wav", riff(fmt_body(1, 11025, 16), chunk("LIST", "abc") + "\0" + chunk("data", pcm)));
  EXPECT_EQ(speech::play_wave_file(p, f), 0);
  EXPECT_EQ(write_sizes(), (std::vector<size_t>{65278, 322}));
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 16, 1}));
  std::string got(rec.writes[0].bytes.begin(), rec.writes[0].bytes.end());
  got.append(rec.writes[1].bytes.begin(), rec.writes[1].bytes.end());
  EXPECT_EQ(got, pcm);
  EXPECT_EQ(p.out, nullptr) << "the call returns when the sound has ended";
}

TEST_F(WaveTest, HostileFilesPlayOnlyWhatIsThereAndReturn) {
  TempDir dir;
  const std::string fmt = fmt_body(1, 11025, 8);
  const std::string pcm(300, 'a');
  struct Case {
    const char* what;
    std::string bytes;
    int result;
    size_t played;
  };
  const Case cases[] = {
      {"declared data past the end", riff(fmt, chunk("data", pcm, 0x7FFFFFFF)), 0, 300},
      {"no data chunk", riff(fmt, chunk("LIST", "abcd")), 0, 0},
      {"empty data", riff(fmt, chunk("data", "")), 0, 0},
      {"huge chunk before data", riff(fmt, chunk("junk", "xx", 0xFFFFFFF0) + chunk("data", pcm)), 0, 0},
      {"odd chunk without pad", riff(fmt, chunk("LIST", "abc") + chunk("data", pcm)), 0, 300},
      {"huge fmt chunk", "RIFF" + le(100, 4) + "WAVEfmt " + le(0xFFFFFFFF, 4) + fmt + chunk("data", pcm), 0, 0},
      {"fmt too short", riff(std::string(4, '\0'), chunk("data", pcm)), -1, 0},
      {"truncated header", riff(fmt, chunk("data", pcm)).substr(0, 30), -1, 0},
      {"not RIFF", "RIFX" + riff(fmt, chunk("data", pcm)).substr(4), -1, 0},
      {"compressed data", riff(fmt_body(1, 11025, 4, 2), chunk("data", pcm)), -1, 0},
      {"zero rate", riff(fmt_body(1, 0, 8), chunk("data", pcm)), speech::kWaveErrBadFormat, 0},
      {"empty file", "", -1, 0},
  };
  for (const Case& c : cases) {
    rec.writes.clear();
    const auto f = dir.file("bad.wav", c.bytes);
    EXPECT_EQ(speech::play_wave_file(p, f), c.result) << c.what;
    size_t played = 0;
    for (const auto& w : rec.writes) played += w.bytes.size();
    EXPECT_EQ(played, c.played < 256 && c.played ? 256 : c.played) << c.what;
  }
  EXPECT_EQ(speech::play_wave_file(p, dir.path + "/missing.wav"), -1);
}

TEST_F(WaveTest, ImagesPlayTheirDataAndNonWaveImagesNothing) {
  std::string img = wav(1, 11025, 8, std::string(400, 'z'));
  speech::play_wave_image(p, reinterpret_cast<uint8_t*>(img.data()), img.size());
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_EQ(rec.writes[0].bytes.size(), 400u);
  std::string junk = "RIFFxxxxWAVEdata" + std::string(100, 'q');
  speech::play_wave_image(p, reinterpret_cast<uint8_t*>(junk.data()), junk.size());
  EXPECT_EQ(rec.writes.size(), 1u);
}

TEST_F(WaveTest, TheToneLoopsOnAStreamOfItsOwnUntilStopped) {
  const std::string tone = zn::tone_wave(800);
  speech::play_tone_loop(p, tone);
  ASSERT_EQ(rec.writes.size(), 1u);
  EXPECT_TRUE(rec.writes[0].loop);
  const auto w = speech::find_wave_chunks(reinterpret_cast<const uint8_t*>(tone.data()), tone.size());
  EXPECT_EQ(rec.writes[0].bytes.size(), w.data_size);
  EXPECT_EQ(rec.opens.back(), (plat::AudioFormat{11025, 8, 1}));
  // Speech meanwhile does not disturb it, nor it the speech queue.
  std::vector<uint8_t> s(300, 128);
  speech::play_samples(p, s.data(), s.size(), 22050, 1, 16);
  EXPECT_FALSE(speech::wave_busy(p));
  EXPECT_EQ(rec.open_now, 1) << "the tone still sounds";
  speech::stop_tone_loop(p);
  EXPECT_EQ(rec.open_now, 0);
  EXPECT_GE(rec.flushes, 1);
}

}  // namespace
