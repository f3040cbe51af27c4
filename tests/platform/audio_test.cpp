// The audio layers: the setting, the null and file layers, and the device layers' thread.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/audio.h"
#include "platform/audio_stream.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t le32(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}
int16_t le16s(const std::string& s, size_t at) {
  return static_cast<int16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

TEST(AudioSetting, DeviceNullAndFile) {
  struct Case {
    const char* value;
    plat::AudioChoice choice;
    const char* path;
  };
  for (const Case c : {Case{"", plat::AudioChoice::device, ""}, Case{"device", plat::AudioChoice::device, ""},
                       Case{"null", plat::AudioChoice::null, ""}, Case{"file:/tmp/a.wav", plat::AudioChoice::file, "/tmp/a.wav"},
                       Case{"file:", plat::AudioChoice::device, ""}, Case{"speakers", plat::AudioChoice::device, ""}}) {
    const auto s = plat::parse_audio_setting(c.value);
    EXPECT_EQ(s.choice, c.choice) << c.value;
    EXPECT_EQ(s.path, c.path) << c.value;
  }
  EXPECT_EQ(plat::make_audio({plat::AudioChoice::null, {}})->name(), "null");
  EXPECT_EQ(plat::make_audio({plat::AudioChoice::file, "/nonexistent-dir/x.wav"})->name(), "null");
}

TEST(NullAudio, EveryBufferIsDoneAtOnceAndLoopsOnlyAtFlush) {
  auto layer = plat::make_null_audio();
  plat::AudioFault fault{};
  EXPECT_EQ(layer->open({0, 8, 1}, fault), nullptr);
  EXPECT_EQ(fault, plat::AudioFault::bad_format);
  auto out = layer->open({11025, 8, 1}, fault);
  ASSERT_NE(out, nullptr);
  uint8_t b[10] = {};
  out->write(1, b, 10, false);
  out->write(2, b, 10, true);
  out->write(3, b, 10, false);
  std::vector<plat::AudioDone> done;
  out->take_done(done);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].id, 1u);
  EXPECT_EQ(done[1].id, 3u);
  out->flush();
  out->take_done(done);
  ASSERT_EQ(done.size(), 3u);
  EXPECT_EQ(done[2].id, 2u);
}

TEST(FileAudio, RecordsEverythingAsSixteenBitMonoAtTheFirstRate) {
  const std::string path = (std::filesystem::temp_directory_path() / ("roteiral-audio-" + std::to_string(getpid()) + ".wav")).string();
  {
    auto layer = plat::make_file_audio(path);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(read_file(path).size(), 44u) << "a valid empty file from the start";
    plat::AudioFault fault{};
    auto out8 = layer->open({8000, 8, 1}, fault);
    const uint8_t s8[4] = {128, 255, 0, 192};
    out8->write(1, s8, 4, false);
    out8.reset();
    // Stereo 16-bit at twice the rate, a frame split between two buffers: averaged, halved.
    auto st = layer->open({16000, 16, 2}, fault);
    const uint8_t a[6] = {0x00, 0x10, 0x00, 0x30, 0x00, 0x01};  // (0x1000,0x3000) and half a frame
    const uint8_t b[6] = {0x00, 0x03, 0x00, 0x7F, 0x00, 0x7F};  // ...(0x0100,0x0300), (0x7F00,0x7F00)
    st->write(1, a, 6, false);
    st->write(2, b, 6, false);
    std::vector<plat::AudioDone> done;
    st->take_done(done);
    EXPECT_EQ(done.size(), 2u);
    const std::string f = read_file(path);
    ASSERT_EQ(f.size(), 44u + 2 * 4 + 2 * 2) << "every write leaves a whole file";
  }
  const std::string f = read_file(path);
  std::filesystem::remove(path);
  EXPECT_EQ(f.substr(0, 4), "RIFF");
  EXPECT_EQ(le32(f, 4), f.size() - 8);
  EXPECT_EQ(le32(f, 24), 8000u);
  EXPECT_EQ(le16s(f, 34), 16);
  EXPECT_EQ(le32(f, 40), f.size() - 44);
  const int16_t want[] = {0, 127 * 256, -128 * 256, 64 * 256, 0x2000, 0x7F00};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(le16s(f, 44 + 2 * i), want[i]) << i;
}

// A device that takes pieces slowly and remembers them.
class FakeDevice : public plat::StreamingOut {
 public:
  explicit FakeDevice(const plat::AudioFormat& f) : StreamingOut(f, 64) { start_worker(); }
  ~FakeDevice() override { stop_worker(); }
  std::mutex m;
  std::string pushed;
  std::vector<size_t> pieces;
  std::atomic<int> drops{0};
  std::atomic<int64_t> pending{0};

 protected:
  plat::AudioFault push(const uint8_t* data, size_t n) override {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::lock_guard lk(m);
    pushed.append(reinterpret_cast<const char*>(data), n);
    pieces.push_back(n);
    return plat::AudioFault::none;
  }
  int64_t pending_us() override { return pending; }
  void drop() override { ++drops; }
};

std::vector<plat::AudioDone> wait_done(plat::AudioOut& out, size_t count) {
  std::vector<plat::AudioDone> done;
  for (int i = 0; i < 2000 && done.size() < count; ++i) {
    out.take_done(done);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done;
}

TEST(StreamingOut, PushesWholeFramesAcrossBuffersInOrder) {
  FakeDevice dev({11025, 16, 2});
  std::string a(101, 'a'), b(99, 'b');
  dev.write(1, reinterpret_cast<const uint8_t*>(a.data()), a.size(), false);
  dev.write(2, reinterpret_cast<const uint8_t*>(b.data()), b.size(), false);
  const auto done = wait_done(dev, 2);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].id, 1u);
  EXPECT_EQ(done[1].id, 2u);
  std::lock_guard lk(dev.m);
  EXPECT_EQ(dev.pushed, a + b);
  for (size_t n : dev.pieces) EXPECT_EQ(n % 4, 0u) << "a frame is never split";
}

TEST(StreamingOut, FlushDropsTheQueueAndReturnsEveryBuffer) {
  FakeDevice dev({11025, 8, 1});
  dev.pending = 1000000;  // the device claims a second of sound is still to come
  std::string big(100000, 'x'), loop(50, 'l');
  dev.write(1, reinterpret_cast<const uint8_t*>(loop.data()), loop.size(), true);
  dev.write(2, reinterpret_cast<const uint8_t*>(big.data()), big.size(), false);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  dev.flush();
  EXPECT_EQ(dev.drops, 1);
  std::vector<plat::AudioDone> done;
  dev.take_done(done);
  ASSERT_EQ(done.size(), 2u);
  size_t pushed_after = 0;
  {
    std::lock_guard lk(dev.m);
    pushed_after = dev.pushed.size();
    EXPECT_GT(dev.pushed.size(), 50u) << "the loop went round more than once";
    EXPECT_EQ(dev.pushed.find('x'), std::string::npos) << "nothing behind a loop plays";
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::lock_guard lk(dev.m);
  EXPECT_EQ(dev.pushed.size(), pushed_after) << "nothing is pushed after the flush";
}

TEST(StreamingOut, TheLastBufferIsDoneOnlyWhenTheDeviceHasPlayedIt) {
  FakeDevice dev({11025, 8, 1});
  dev.pending = 1000000;
  std::string s(10, 's');
  dev.write(7, reinterpret_cast<const uint8_t*>(s.data()), s.size(), false);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::vector<plat::AudioDone> done;
  dev.take_done(done);
  EXPECT_TRUE(done.empty());
  dev.pending = 0;
  done = wait_done(dev, 1);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].id, 7u);
}

}  // namespace
